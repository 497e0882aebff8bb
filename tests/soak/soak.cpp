// soak GAME_DIR [--games N] [--seed S]
// Plays N games of every level headlessly, pressing keys at random, and
// checks the game's invariants after every state change. Random keys reach
// moves and turns at the walls and against the stack, and powers fired at
// odd moments, that a good player never tries. Each level's first piece
// finds the meter full, so that every power comes into play.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <random>
#include <set>
#include <string>

#include "game/state.h"
#include "platform/keyboard.h"
#include "play.h"

namespace {

using namespace platform;
using shell::State;

std::mt19937 keys;
int held = 0;
int32_t letGoAt = 0;

// Holds one key at a time, from 30 to 300 ms; Escape and P are left out
// (they leave play or stop it).
void PressSomething(int32_t now) {
    if (now < letGoAt) return;
    if (held) ReleaseKey(held);
    static const int choices[] = {VK_LEFT, VK_RIGHT, VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN, VK_SPACE,
                                  VkDigit(2), VkDigit(3), VkDigit(4), VkDigit(5), VkDigit(6)};
    held = choices[keys() % std::size(choices)];
    PressKey(held);
    letGoAt = now + 30 + int32_t(keys() % 271);
}

void NewPiece(int32_t now, int piece) {
    if (piece == 1) PowerMeter = 16;
    PressSomething(now);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: soak GAME_DIR [--games N] [--seed S]\n");
        return 2;
    }
    int games = 1;
    uint64_t seed = 1;
    for (int i = 2; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--games") games = std::atoi(argv[i + 1]);
        else if (a == "--seed") seed = std::strtoull(argv[i + 1], nullptr, 10);
    }
    keys.seed(uint32_t(seed));
    const soak::Driver driver{NewPiece, PressSomething, PressSomething};
    std::set<State> seen;
    try {
        soak::Session session(argv[1], 2);
        int pieces = 0;
        for (int g = 0; g < games * LevelCount; ++g) {
            const soak::Outcome o = session.PlayLevel(g % LevelCount, seed * 1000 + uint64_t(g), driver);
            pieces += o.pieces;
            seen.insert(o.states.begin(), o.states.end());
        }
        std::printf("soak: %d games, %d pieces, %.1f minutes of play\n", games * LevelCount, pieces,
                    session.Now() / 60000.0);
    } catch (const std::exception& e) {  // a broken invariant, or the game's files
        std::fprintf(stderr, "soak: %s\n", e.what());
        return 1;
    }
    // The keys must reach the game: every power runs.
    bool allRan = true;
    for (State power : {State::Sweep, State::Rain, State::Airstone, State::HolyCross, State::Bomb})
        if (!seen.count(power)) std::fprintf(stderr, "soak: %s never ran\n", shell::StateName(power)), allRan = false;
    return allRan ? 0 : 1;
}
