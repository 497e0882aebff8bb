// Small helpers for the game core's tests: wells drawn as text, the runs of
// the last detection as a list, and the well and the meter on a surface.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "game/state.h"
#include "platform/display.h"
#include "screen_checks.h"

// Run entries print as (X, Y, Dir) in failure messages.
inline void PrintTo(const RunEntry& e, std::ostream* os) {
    *os << "(" << int(e.X) << ", " << int(e.Y) << ", " << int(e.Dir) << ")";
}

namespace test {

using Rows = std::vector<std::string>;

// '.' empty, 'R' 'G' 'B' 'Y' colours 1 to 4, 'S' stone, 'W' wild ball.
inline const std::pair<char, const Cell*> CellNames[] = {{'.', &EmptyCell},   {'R', &Colour1Cell}, {'G', &Colour2Cell},
                                                         {'B', &Colour3Cell}, {'Y', &Colour4Cell}, {'S', &StoneCell},
                                                         {'W', &WildCell}};

inline Cell CellOf(char c) {
    for (const auto& [name, cell] : CellNames)
        if (name == c) return *cell;
    return EmptyCell;
}

// A cell's name; '?' for a cell that is no copy of a template.
inline char CharOf(const Cell& cell) {
    for (const auto& [name, named] : CellNames)
        if (*named == cell) return name;
    return '?';
}

// The whole well, row 0 first, for a picture of its lowest rows (the last
// string is row 15); rows not given are empty.
inline Rows WellOf(Rows rows) {
    rows.insert(rows.begin(), WellRows - std::min(rows.size(), size_t(WellRows)), std::string(WellColumns, '.'));
    return rows;
}

// Fills the well from a picture of its lowest rows, as WellOf reads it.
inline void SetWell(const Rows& lowest) {
    const Rows rows = WellOf(lowest);
    for (int y = 0; y < WellRows; ++y) {
        const std::string& row = rows[size_t(y)];
        EXPECT_EQ(row.size(), size_t(WellColumns)) << "row " << y << " of the picture";
        for (int x = 0; x < WellColumns; ++x) Well[x][y] = CellOf(x < int(row.size()) ? row[size_t(x)] : '.');
    }
}

// The well as text, one string per row, row 0 first.
inline Rows WellRows16() {
    Rows rows(WellRows, std::string(WellColumns, '.'));
    for (int x = 0; x < WellColumns; ++x)
        for (int y = 0; y < WellRows; ++y) rows[size_t(y)][size_t(x)] = CharOf(Well[x][y]);
    return rows;
}

// Entries 1 to n of RunList.
inline std::vector<RunEntry> Runs() { return {RunList + 1, RunList + 1 + RunCount}; }

// Cells of the well holding c.
inline int Count(char c) {
    int n = 0;
    for (const auto& row : WellRows16()) n += int(std::count(row.begin(), row.end(), c));
    return n;
}

// Every cell of the well as the well holds it: the cell's sprite copied
// whole, or black when it is empty; the first wrong cell is named.
inline ::testing::AssertionResult WellShown(const platform::Surface& s) {
    for (int x = 0; x < WellColumns; ++x)
        for (int y = 0; y < WellRows; ++y) {
            const Rect r = CellRectOf(x, y);
            if (Well[x][y].Empty ? !AllPixels(s, r, 0)
                                 : !ShowsSprite(s, r.Left, r.Top, platform::BlockSurfaces[Well[x][y].Sprite],
                                                platform::WholeSurface, platform::Key::None))
                return ::testing::AssertionFailure()
                       << "cell (" << x << ", " << y << ") holding '" << CharOf(Well[x][y]) << "' is not shown";
        }
    return ::testing::AssertionSuccess();
}

// The meter's sixteen cells from the bottom on the surface: lit 'o',
// black '.', anything else '?'.
inline std::string MeterLights(const platform::Surface& s) {
    std::string cells;
    for (int k = 1; k <= 16; ++k) {
        const Rect r{460, 434 - 24 * k, 484, 458 - 24 * k};
        cells += ShowsSprite(s, r.Left, r.Top, platform::BlockSurfaces[6]) ? 'o' : AllPixels(s, r, 0) ? '.' : '?';
    }
    return cells;
}

}  // namespace test
