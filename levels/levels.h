// A level's start with its intro, and its two endings.
#pragma once
#include <string>

#include "shell/program.h"

namespace levels {

// Intro, background, counters, random fill and the composed playing
// screen; then the well settles. newGame resets the score and the meter.
shell::State StartLevel(bool newGame);
// The black screen with the level's number, title and counted directions.
// A held Escape does not skip it: it must be released and pressed again.
void ShowLevelIntro(const std::string& number, const std::string& title, int32_t showMs, int32_t blackMs);
// A new well from the level's fill range: 99 empty, else each cell one of
// the six blocks or empty by Int(Rnd * range).
void FillWell();
// The text of the intro's third line for a Directions value.
const char* DirectionText(int directions);

// The bonus and the falling letters; Enter goes on to the next level or,
// after the last, to name entry or the finale.
shell::State CompleteLevel();
// The darkened well and the rising skull; Escape at rest leaves.
shell::State GameOver();
// Whether a final score earns a place among the best players.
bool Qualifies(int32_t score);

}  // namespace levels
