// The think drivers the worker runs, one per think mode. Each owns one think
// from start to its final report and answer.
#pragma once

namespace think {

void normalThink();
void balanceOneThink();
void balanceTwoThink();
void nbestThink();

}  // namespace think
