// The parts of the 640x480 screen that changed since the window last showed
// it, kept as 8x8 tiles: a finale frame moves a hundred small stars all over
// the screen, and only their tiles need scaling and sending to the display.
#pragma once
#include <array>
#include <vector>

#include "platform/surface.h"

namespace platform {

class DirtyRegion {
public:
    static constexpr int Tile = 8, Columns = 640 / Tile, Rows = 480 / Tile;

    // Marks the tiles a rectangle touches, clipped to the screen;
    // WholeSurface marks every tile.
    void Add(const Rect& r);
    bool Empty() const { return !any_; }
    // The marked tiles as few rectangles (runs along each row of tiles,
    // joined with the same run of the rows below), and the region clean.
    std::vector<Rect> Take();

private:
    std::array<bool, Columns * Rows> tiles_{};
    bool any_ = false;
};

}  // namespace platform
