// The think drivers the worker runs, one per think mode. Each owns one think
// from start to its final report; a normal think returns the move to play
// (the caller records it and answers it), the analysis thinks play nothing.
//
// The normal think searches on thread_num threads (Lazy SMP: the main thread
// decides and reports, helpers fill the shared tables). The n-best and balance
// thinks search on the main thread only: each candidate gets its own window,
// which helpers searching the whole root would not follow.
#pragma once

#include "think/thinker.h"

namespace think {

ThinkResult normalThink(Thinker& thinker, const ThinkRequest& request);
ThinkResult balanceOneThink(Thinker& thinker, const ThinkRequest& request);
ThinkResult balanceTwoThink(Thinker& thinker, const ThinkRequest& request);
ThinkResult nbestThink(Thinker& thinker, const ThinkRequest& request);

}  // namespace think
