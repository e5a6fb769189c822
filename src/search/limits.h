// The periodic limit test shared by every search: each node is counted, and
// once every 1024 nodes the stop request, the node budget and the time budget
// are read live. A search that hits a limit sets searchAborted; every caller
// then unwinds without using or storing any value.
#pragma once

#include "control/worker.h"
#include "protocol/settings.h"
#include "search/clock.h"
#include "search/search_state.h"

namespace search {

// Margin kept free of the time budget for the driver to report and answer.
constexpr int64_t TimeMarginMs = 30;

// Counts one node; true (with searchAborted set) when a limit stops the search.
inline bool countNodeAndTestLimits() {
    SearchState& s = searchState;
    if (++s.nodeCount % 1024 != 0) return false;
    bool stop = control::stopIsRequested();
    const int32_t maxNode = protocol::setting(protocol::settings.maxNode);
    if (!stop && maxNode != -1)
        stop = s.nodeCount / 1024 > maxNode || nowMs() - s.thinkStartTime + TimeMarginMs >= s.turnTimeLimit;
    if (stop) s.searchAborted = true;
    return stop;
}

}  // namespace search
