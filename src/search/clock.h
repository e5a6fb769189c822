// The engine's millisecond clock: a monotonic clock of the process, so a change
// of the wall-clock time never shortens or stretches a think.
#pragma once

#include <chrono>
#include <cstdint>

namespace search {

inline int64_t nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace search
