#include "control/swap2_opening.h"

namespace control {

bool isSwap2StoneCount(int32_t count) { return count == 0 || count == 3 || count == 5; }

Swap2Verdict startSwap2Opening(GameRecord& game, const Swap2Body& body) {
    if (body.badLines > 0) return Swap2Verdict::BadLines;
    if (body.repeated) return Swap2Verdict::RepeatedPoint;
    if (!isSwap2StoneCount(body.count)) return Swap2Verdict::WrongCount;
    restartGame(game);
    for (int i = 0; i < body.count; ++i) addMove(game, body.stones[i].x, body.stones[i].y);
    return Swap2Verdict::Opening;
}

}  // namespace control
