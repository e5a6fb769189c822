#include "tuning/search_judge.h"

#include "control/engine.h"
#include "search/reporter.h"
#include "think/think.h"

namespace tuning {

namespace {

// The engine's report lines are not the judge's business.
class Discard : public search::LineWriter {
public:
    void writeLine(const char*) override {}
};

// Buckets per hash sub-table: small, since a search of a few hundred
// thousand nodes fills no more, and the tables are set up once per position.
constexpr int JudgeHashBuckets = 65536;

}  // namespace

struct SearchJudge::Engine {
    Discard discard;
    control::Engine engine{discard};
};

SearchJudge::SearchJudge(int size, int nodeBudget)
    : engine_(std::make_unique<Engine>()), size_(size), nodeBudget_(nodeBudget) {}

SearchJudge::~SearchJudge() = default;

int SearchJudge::valueForBlack(int rule, const Moves& moves, int plies) {
    control::Engine& engine = engine_->engine;
    control::EngineSettings& settings = engine.settings;
    settings.rule = rule;
    settings.maxNode = nodeBudget_;
    settings.maxDepth = 576;
    settings.timeoutTurn = 1 << 30;
    settings.hashSize = JudgeHashBuckets;
    settings.showDetail = 0;
    settings.threadNum = 1;
    control::setupBoard(engine, size_, size_);
    for (int i = 0; i < plies; ++i) control::addMove(engine.game, moves[size_t(i)].first, moves[size_t(i)].second);
    const think::ThinkResult result = think::normalThink(engine.thinker, control::thinkRequest(engine));
    // The value is the side to move's.
    return plies % 2 == 0 ? result.lastValue : -result.lastValue;
}

}  // namespace tuning
