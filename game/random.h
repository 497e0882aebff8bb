// Uniform random numbers for the game: one generator for the program,
// seeded from the clock at start-up (tests seed it themselves).
#pragma once
#include <cstdint>

namespace game {

void SeedRandom(uint64_t seed);
// A uniform real in [0, 1).
double Rnd();
// A uniform integer from 0 to n - 1 (0 when n < 1).
int RandomBelow(int n);

}  // namespace game
