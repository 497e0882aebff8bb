// The power meter and the five powers it pays for.
#pragma once
#include <cstdint>
#include <string>

#include "shell/program.h"

namespace powers {

// The power key (2 to 6) that piece control accepted; FirePower pays for it.
extern int PendingPower;

// A short text in the strip below the well, erased by Timer1 a second later.
void ShowStripMessage(const std::string& text);
// RedrawMeter: the whole meter into the back buffer. Any other code n: the
// n topmost filled cells light up one after another with a blink and a sound.
inline constexpr int16_t RedrawMeter = 666;
void DrawPowerMeter(int16_t code);
// The spend animation on the top cost cells, then the meter lowered.
void SpendPower(uint8_t cost);

// Banner, sound, payment and panel, then the power's own state.
shell::State FirePower();
shell::State Sweep();
shell::State Rain();
shell::State Airstone();
shell::State HolyCross();
shell::State Bomb();

int CountStones();

// Where the falling bomb is drawn: pixels from the well's top-left corner,
// above the well while BombY is negative; 0, 0 until a level's first bomb.
extern int BombX, BombY;

}  // namespace powers
