// soak GAME_DIR [--games N] [--seed S]
// Plays N games of every level headlessly and checks the game's invariants
// after every state change. The player places each piece where it makes the
// most lines, or else leaves the lowest stack; it fires powers chosen at
// random as soon as the meter can pay for them, and steers the bomb to a
// random column. Each level's first piece finds the meter full, so that
// every power comes into play.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <random>
#include <set>
#include <string>

#include "platform/keyboard.h"
#include "play.h"
#include "player.h"

namespace {

using shell::State;

std::mt19937 dice;
soak::Target plan;
int wanted = 2, power = 0, bombColumn = 4;
int32_t start = 0;
bool freshLevel = true;

double LinesThenLowStacks(const soak::Cleared& c) {
    int cells = 0;
    for (int x = 0; x < WellColumns; ++x) cells += soak::Height(x);
    return 100.0 * (c.lines + c.links) - cells;
}

void NewPiece(int32_t now) {
    soak::ReleaseAll();
    start = now;
    if (freshLevel) PowerMeter = 16, freshLevel = false;
    soak::Place(&plan, LinesThenLowStacks);
    power = PowerMeter >= wanted ? wanted : 0;  // then the next, chosen at random
    if (power) wanted = 2 + int(dice() % 5), bombColumn = int(dice() % WellColumns);
}

void Drive(int32_t now) {
    if (power != 0 && now - start >= soak::ReactionMs) return platform::PressKey(platform::VkDigit(power));
    soak::Drive(plan, start, now);
}

void DriveBomb(int32_t) { soak::DriveBomb(bombColumn); }

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
    dice.seed(uint32_t(seed));
    soak::Session session(argv[1], 2);
    const soak::Driver driver{NewPiece, Drive, DriveBomb, [] { soak::ReleaseAll(), freshLevel = true; }};
    std::set<State> seen;
    int played = 0, won = 0, pieces = 0;
    try {
        for (int g = 0; g < games * LevelCount; ++g) {
            const soak::Outcome o = session.PlayLevel(g % LevelCount, seed * 1000 + uint64_t(g), driver);
            ++played, won += o.won, pieces += o.pieces;
            seen.insert(o.states.begin(), o.states.end());
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "soak: %s (level %d, at %d ms)\n", e.what(), CurrentLevel + 1, session.Now());
        return 1;
    }
    std::printf("soak: %d games, %d won, %d pieces, %.1f minutes of play\n", played, won, pieces,
                session.Now() / 60000.0);
    // Keeping every invariant proves nothing if the keys never reached the
    // game: games must be won and every power must have run.
    bool proved = won > 0;
    for (State power : {State::Sweep, State::Rain, State::Airstone, State::HolyCross, State::Bomb})
        if (!seen.count(power)) std::fprintf(stderr, "soak: %s never ran\n", shell::StateName(power)), proved = false;
    if (!won) std::fprintf(stderr, "soak: no game won\n");
    return proved ? 0 : 1;
}
