#include "think/time_manager.h"

namespace think {

void TimeManager::iterationDone(int depth, int x, int y, int value) {
    const bool sameMove = x == lastX_ && y == lastY_;
    const int parity = depth & 1;
    const bool fell = haveValue_[parity] && value < values_[parity] - ValueDropMargin;
    const bool counts = depth >= SettlingDepth;
    held_ = sameMove && !(counts && fell) ? held_ + 1 : 0;
    unsettled_ = counts && (!sameMove || fell);
    lastX_ = x;
    lastY_ = y;
    values_[parity] = value;
    haveValue_[parity] = true;
}

double TimeManager::share() const {
    if (unsettled_) return UnsettledTimeShare;
    if (held_ >= SettledIterations) return SettledTimeShare;
    return BaseTimeShare;
}

}  // namespace think
