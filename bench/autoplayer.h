// The level curve's player: the soak's eyes and hands with a judgement. It
// weighs the well each turn and column would leave, and every power the
// meter can pay for (and where to steer the bomb), and plays the best.
#pragma once
#include <cstdint>

namespace autoplayer {

void NewPiece(int32_t now);
// Called on every yield while a piece falls, and while the bomb falls.
void Drive(int32_t now);
void DriveBomb(int32_t now);

}  // namespace autoplayer
