// The INFO command: keys and values a manager sends, parsed into the engine's
// settings.
#pragma once

#include <cstdint>

#include "control/settings.h"

namespace protocol {

// Applies every INFO key that matches the argument text (what follows "INFO ").
void applyInfo(control::EngineSettings& settings, const char* arguments);

// Maps a manager's rule value to the engine's rule: the protocol's Renju bit (4)
// gives Renju; 0, 1 and 2 stay; other values give standard when bit 1 is set,
// free-style otherwise (negative values are free-style).
int32_t ruleFromInfo(int32_t value);

}  // namespace protocol
