#include "platform/dirty_region.h"

#include <algorithm>

namespace platform {

void DirtyRegion::Add(const Rect& rect) {
    const Rect r = rect == WholeSurface ? Rect{0, 0, Columns * Tile, Rows * Tile} : rect;
    const int x0 = std::max(r.Left, 0) / Tile, x1 = std::min((r.Right + Tile - 1) / Tile, Columns);
    const int y0 = std::max(r.Top, 0) / Tile, y1 = std::min((r.Bottom + Tile - 1) / Tile, Rows);
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            tiles_[size_t(y * Columns + x)] = true;
            any_ = true;
        }
}

std::vector<Rect> DirtyRegion::Take() {
    std::vector<Rect> rects;
    size_t rowStart = 0;  // the rectangles that reach down to the row above
    for (int y = 0; y < Rows; ++y) {
        const size_t aboveEnd = rects.size();
        for (int x = 0; x < Columns;) {
            if (!tiles_[size_t(y * Columns + x)]) {
                ++x;
                continue;
            }
            const int start = x;
            while (x < Columns && tiles_[size_t(y * Columns + x)]) ++x;
            const Rect run{start * Tile, y * Tile, x * Tile, (y + 1) * Tile};
            const auto above = std::find_if(rects.begin() + long(rowStart), rects.begin() + long(aboveEnd),
                                            [&](const Rect& a) {
                                                return a.Left == run.Left && a.Right == run.Right && a.Bottom == run.Top;
                                            });
            if (above != rects.begin() + long(aboveEnd)) above->Bottom = run.Bottom;
            else rects.push_back(run);
        }
        // Rectangles not continued by this row stay behind; only the ones
        // now ending at this row's bottom can grow further.
        std::stable_partition(rects.begin() + long(rowStart), rects.end(),
                              [&](const Rect& a) { return a.Bottom != (y + 1) * Tile; });
        rowStart = size_t(std::find_if(rects.begin() + long(rowStart), rects.end(),
                                       [&](const Rect& a) { return a.Bottom == (y + 1) * Tile; }) -
                          rects.begin());
    }
    tiles_.fill(false);
    any_ = false;
    return rects;
}

}  // namespace platform
