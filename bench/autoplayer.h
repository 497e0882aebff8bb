// The level curve's player. It sees what a player sees: the well, the
// falling piece, the bomb, the meter and the level's rules on the panel;
// never the random generator. For each new piece it weighs every turn and
// column it can reach at the game's pace, and every power the meter can pay
// for (and where to steer the bomb), by the well each would leave; then it
// plays the best through the keys, a moment after the piece appears, as a
// player would.
#pragma once
#include <cstdint>

namespace autoplayer {

// Whether it weighs the powers at all (a scripted run fires its own).
inline bool FirePowers = true;

void NewPiece(int32_t now, int piece);
// Called on every yield while a piece falls, and while the bomb falls.
void Drive(int32_t now);
void DriveBomb(int32_t now);  // the bomb is steered by where it is, not by the time

}  // namespace autoplayer
