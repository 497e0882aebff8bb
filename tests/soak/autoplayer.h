// A small autoplayer: for each new piece it tries every rotation and
// column, scores the well each would leave, and plays the best through the
// key states, like a player at the keyboard. It fires powers now and then.
#pragma once
#include <cstdint>
#include <random>

#include "game/state.h"

namespace soak {

class Autoplayer {
public:
    explicit Autoplayer(uint64_t seed) : rng_(seed) {}
    // A new piece has been dealt: choose where it goes.
    void NewPiece();
    // Called on every yield during play: presses and releases keys.
    void Drive(int32_t now);
    // Releases every key the autoplayer holds.
    void ReleaseAll();

private:
    struct Plan {
        Cell grid[MaxPieceSize][MaxPieceSize];
        int16_t x = 0;
        double score = -1e18;
    };
    double Evaluate(const Cell (&grid)[MaxPieceSize][MaxPieceSize], int16_t x) const;
    void Hold(int vk, bool held);
    bool GridMatchesPlan() const;

    std::mt19937_64 rng_;
    Plan plan_;
    int powerKey_ = 0;
    int32_t lastUp_ = 0;
    bool upDown_ = false;
};

}  // namespace soak
