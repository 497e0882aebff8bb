// Levels played headless by a driver that presses keys as a player would,
// with the game's invariants checked at every change of state. The soak
// test plays them with random keys; the level curve, with the autoplayer.
#pragma once
#include <cstdint>
#include <set>
#include <string>

#include "platform/headless_backend.h"
#include "shell/program.h"

namespace soak {

// What the driver is told: a new piece as it comes into play (the level's
// first is piece 1), and every yield while a piece falls and while the bomb
// falls. Each level starts with every key up.
struct Driver {
    void (*newPiece)(int32_t now, int piece);
    void (*piece)(int32_t now);
    void (*bomb)(int32_t now);
};

struct Outcome {
    bool won = false;
    int pieces = 0;
    std::set<shell::State> states;  // every state the level went through
};

// The headless program on the game's folder, with the display, the font and
// the levels loaded, scratch folders for the player's files, and the sound
// on at the difficulty given.
class Session {
public:
    Session(const std::string& gameDir, int difficulty);
    ~Session();
    // Plays level (0-29) from its start until it is complete or over; a
    // state that lasts ten minutes, or a broken invariant, throws.
    Outcome PlayLevel(int level, uint64_t seed, const Driver& driver);
    int32_t Now() { return backend_.TickCount(); }

private:
    platform::HeadlessBackend backend_;
};

}  // namespace soak
