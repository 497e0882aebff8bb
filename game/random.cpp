#include "game/random.h"

#include <random>

namespace game {

namespace {
std::mt19937_64& Engine() {
    static std::mt19937_64 engine(20240611u);
    return engine;
}
}  // namespace

void SeedRandom(uint64_t seed) { Engine().seed(seed); }

// 53 random bits scaled into [0, 1): never 1.
double Rnd() { return double(Engine()() >> 11) * 0x1.0p-53; }

int RandomBelow(int n) { return n <= 0 ? 0 : std::uniform_int_distribution<int>(0, n - 1)(Engine()); }

}  // namespace game
