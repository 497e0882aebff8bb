// A player's eyes and hands for the soak and the level curve. It sees what a
// player sees: the well, the falling piece, the bomb, the meter and the
// level's rules; never the random generator. It tries each turn and column
// a piece can reach, steering with the game's own moves at the level's
// pace, and plays the chosen one through the keys, a moment after the piece
// appears, as a player would.
#pragma once
#include <cstdint>

#include "game/state.h"

namespace soak {

using Grid = Cell[MaxPieceSize][MaxPieceSize];
constexpr int32_t ReactionMs = 400;  // from a new piece to the first key

// Keeps what trying a move changes and puts it back.
struct Keep {
    Cell well[WellColumns][WellRows];
    Grid grid;
    int16_t x, y, runs, left;
    uint8_t meter;
    Keep();
    ~Keep();
};

int Height(int column);

// Settles the well and clears its runs as the game would, cascades and all.
struct Cleared { int lines = 0, links = 0; };  // lines that count for the level
Cleared Resolve();

// A turn of the piece's grid and the column it lands in.
struct Target {
    Grid grid;
    int16_t x = 0;
};
// The target whose well, once the piece has landed, value() rates highest
// (it sees what Resolve cleared); returns that rating.
double Place(Target* best, double (*value)(const Cleared&));

// Keys for the piece, from `start` (a new piece) on: turn, then across,
// then Space.
void Drive(const Target& target, int32_t start, int32_t now);
// Down until the bomb is in the well, across to the column, then Space.
void DriveBomb(int column);
void ReleaseAll();

}  // namespace soak
