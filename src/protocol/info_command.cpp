#include "protocol/info_command.h"

#include <cstring>

#include "protocol/arguments.h"
#include "protocol/command_loop.h"

namespace protocol {

int32_t ruleFromInfo(int32_t value) {
    if (value >= 0 && value <= 2) return value;
    if (value < 0) return 0;
    if (value & 4) return 2;
    return (value & 1) ? 1 : 0;
}

void applyInfo(control::EngineSettings& settings, const char* arguments) {
    struct Key {
        const char* word;
        std::atomic<int32_t>* field;
    };
    // Table order is the order in which keys are tried.
    const Key keys[] = {
        {"max_memory", &settings.maxMemory},     {"timeout_match", &settings.timeoutMatch},
        {"timeout_turn", &settings.timeoutTurn}, {"time_left", &settings.timeLeft},
        {"game_type", &settings.gameType},       {"max_depth", &settings.maxDepth},
        {"max_node", &settings.maxNode},         {"caution_factor", &settings.cautionFactor},
        {"hash_size", &settings.hashSize},       {"show_detail", &settings.showDetail},
        {"rule", &settings.rule},               {"thread_num", &settings.threadNum},
        {"swap2_seed", &settings.swap2Seed},
    };
    for (const Key& key : keys) {
        const char* value = matchCommand(key.word, arguments);
        if (!value) continue;
        int32_t v = parseInteger(value);
        if (key.field == &settings.hashSize && v <= 0) v = 1;
        if (key.field == &settings.rule) v = ruleFromInfo(v);
        key.field->store(v, std::memory_order_relaxed);
    }
    if (const char* value = matchCommand("folder", arguments)) {
        std::strncpy(settings.folder, value, control::FolderSize - 1);
        settings.folder[control::FolderSize - 1] = '\0';
    }
}

}  // namespace protocol
