#include "search/move_picker.h"

#include "board/board.h"
#include "board/forbidden.h"
#include "search/hash_tables.h"
#include "search/move_generation.h"
#include "search/move_sort.h"
#include "search/quiet_moves.h"
#include "search/transposition_table.h"
#include "search/tuning.h"

namespace search {

namespace {

constexpr int KillerKey = -(1 << 29);  // ahead of every scored quiet move

// Keys list[0..n) for side at level: SkipKey for stamped points (and black's
// forbidden points under Renju, and masked points when maskRoot is set),
// otherwise stamps the point and keys it by its scores. Returns how many it took.
int scoreMoves(SearchState& searchState, MoveEntry* list, int n, int side, int level, bool maskRoot) {
    board::Board& board = searchState.board;
    SearchState& st = searchState;
    const uint64_t stamp = st.visitCounter[level];
    const bool blackUnderRenju = board.rule == board::Renju && side == 1;
    const int s = side - 1, o = 2 - side;
    int taken = 0;
    for (int i = 0; i < n; ++i) {
        const int x = list[i].x, y = list[i].y;
        uint64_t& pointStamp = st.visitStamp[level][x][y];
        if (pointStamp == stamp || (maskRoot && searchState.limits.isMasked(x, y)) ||
            (blackUnderRenju && board::isForbidden(board, x, y))) {
            list[i].key = SkipKey;
            continue;
        }
        pointStamp = stamp;
        ++taken;
        list[i].key = -(board.points[x][y].score[o] / 2 + board.points[x][y].score[s]);
    }
    return taken;
}

// Quiet moves: the level's killers first, then by point scores, with the
// history credit weighing between moves of near scores.
void keyQuietMoves(const SearchState& searchState, MoveEntry* list, int n, int side, int level) {
    const MoveEntry* killers = searchState.killers[level];
    const auto& history = searchState.history[side - 1];
    for (int i = 0; i < n; ++i) {
        MoveEntry& m = list[i];
        if (m.key == SkipKey) continue;
        if (m.x == killers[0].x && m.y == killers[0].y) m.key = KillerKey;
        else if (m.x == killers[1].x && m.y == killers[1].y) m.key = KillerKey + 1;
        else m.key = m.key * QuietScoreWeight - (32 - __builtin_clz(uint32_t(history[m.x][m.y]) | 1));
    }
}

// Moves the entries of an unsorted list that are to be searched to its front,
// keeping their order, and returns how many there are. The table moves are
// searched in the order the table gives them, so an unsearchable one (occupied
// by a duplicate, forbidden, masked) must not hide the moves behind it: those
// are stamped already and would never be searched at this node.
int dropSkippedMoves(MoveEntry* list, int n) {
    int kept = 0;
    for (int i = 0; i < n; ++i)
        if (list[i].key != SkipKey) list[kept++] = list[i];
    return kept;
}

// Stage 2's list: the other side's open-four points with the extra defence
// points of the chosen one, then side's fours. Sets allForbidden when (Renju,
// white to move) every open-four point of black is forbidden.
int buildOpenFourDefence(SearchState& searchState, MoveEntry* list, int side, bool& allForbidden) {
    board::Board& board = searchState.board;
    const int other = 3 - side;
    allForbidden = false;
    int n = listOpenFourPoints(board, list, other);
    if (n == 0) return 0;
    int chosen = 0;
    if (board.rule == board::Renju && side == 2) {
        chosen = -1;
        for (int i = 0; i < n && chosen < 0; ++i)
            if (!board::isForbidden(board, list[i].x, list[i].y)) chosen = i;
        allForbidden = chosen < 0;
        if (chosen < 0) chosen = 0;
    }
    const int cx = list[chosen].x, cy = list[chosen].y;
    n += openFourEnds(board, list + n, other, cx, cy);
    n += listFourPoints(board, list + n, side);
    return n;
}

// Stages 1 to 5: side's strong points, the open-four defence (which ends the
// node: endsNode), the other side's strong points, then the fours and threes of
// side and of the other side.
int buildThreatStage(SearchState& searchState, int stage, MoveEntry* list, int side, bool& endsNode) {
    board::Board& board = searchState.board;
    const int other = 3 - side;
    switch (stage) {
    case 1:
        return listStrongPoints(board, list, side);
    case 2: {
        bool allForbidden;
        const int n = buildOpenFourDefence(searchState, list, side, allForbidden);
        endsNode = !allForbidden;
        return n;
    }
    case 3:
        return listStrongPoints(board, list, other);
    case 4:
        return listFourAndThreePoints(board, list, side);
    case 5:
        return listFourAndThreePoints(board, list, other);
    default:
        return 0;
    }
}

// Table moves kept for stage 0: on the board and empty.
int keepTableMoves(const board::Board& board, MoveEntry* list, const int* mx, const int* my) {
    int n = 0;
    for (int i = 0; i < 3; ++i) {
        if (mx[i] == -1 || !board.geometry.onBoard(mx[i], my[i]) || board::cellAt(board, mx[i], my[i]) != 0) continue;
        list[n++] = MoveEntry{0, int16_t(mx[i]), int16_t(my[i])};
    }
    return n;
}

}  // namespace

MovePicker::MovePicker(SearchState& searchState, const MovePickerSetup& setup)
    : searchState(searchState),
      list(moveListAt(searchState, setup.level)),
      setup(setup),
      stage(setup.forced ? ForcedStage - 1 : TableStage - 1) {
    ++searchState.visitCounter[setup.level];
}

bool MovePicker::fetchTableMoves(int alpha, int beta) {
    int mx[3] = {-1, -1, -1}, my[3] = {-1, -1, -1};
    probeTranspositionTable(*searchState.hashTables, 1, alpha, beta, setup.side, searchState.board.hashKey, mx, my, 3);
    tableMoveCount = keepTableMoves(searchState.board, list, mx, my);
    tableMovesFetched = true;
    return tableMoveCount > 0;
}

bool MovePicker::next(int alpha, int beta, PickedMove& move) {
    int i = index + 1;
    while (i >= count || list[i].key == SkipKey) {
        if (endsNode || stage >= QuietStage) return false;
        ++stage;
        buildStage(alpha, beta);
        i = 0;
    }
    index = i;
    move = PickedMove{list[i].x, list[i].y, takenBefore + i, stage, stageNumber, i};
    return true;
}

bool MovePicker::stageEndsWithin(int ahead) const {
    const int i = index + ahead;
    return i >= count || list[i].key == SkipKey;
}

// A stage that lists nothing is passed over, even one that would end the node.
void MovePicker::buildStage(int alpha, int beta) {
    board::Board& board = searchState.board;
    const int side = setup.side;
    int n = 0;
    bool ends = false;
    count = 0;
    index = -1;
    stageNumber = stage;
    switch (stage) {
    case ForcedStage:
        n = listFivePoints(board, list, 3 - side) > 0 ? 1 : 0;
        ends = true;
        stageNumber = ForcedStageNumber;
        break;
    case TableStage:
        if (!tableMovesFetched) fetchTableMoves(alpha, beta);
        n = tableMoveCount;
        break;
    case QuietStage:
        n = setup.root ? buildRootQuietMoves(searchState, list, side, takenCount)
                       : buildQuietMoves(searchState, list, side, setup.level, alpha, beta == alpha + 1,
                                         setup.tableDepth, takenCount);
        ends = true;
        break;
    default:
        n = buildThreatStage(searchState, stage, list, side, ends);
        if (stage == OpenFourDefenceStage && ends) stageNumber = EndingDefenceStageNumber;
        break;
    }
    if (n == 0) return;

    takenBefore = takenCount;
    takenCount += scoreMoves(searchState, list, n, side, setup.level, setup.root);
    if (stage == QuietStage && !setup.root) keyQuietMoves(searchState, list, n, side, setup.level);
    if (stage != TableStage) sortMoves(list, n, searchState.sortScratch.moves);
    else n = dropSkippedMoves(list, n);
    count = n;
    endsNode = ends;
}

}  // namespace search
