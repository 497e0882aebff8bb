// Small helpers for the game core's tests: wells drawn as text, the runs of
// the last detection as a list, and pixel comparisons between surfaces.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "game/state.h"
#include "platform/display.h"
#include "platform/font.h"
#include "platform/headless_backend.h"

// Run entries print as (X, Y, Dir) in failure messages.
inline void PrintTo(const RunEntry& e, std::ostream* os) {
    *os << "(" << int(e.X) << ", " << int(e.Y) << ", " << int(e.Dir) << ")";
}

namespace test {

// '.' empty, 'R' 'G' 'B' 'Y' colours 1 to 4, 'S' stone, 'W' wild ball.
inline Cell CellOf(char c) {
    switch (c) {
    case 'R': return Colour1Cell;
    case 'G': return Colour2Cell;
    case 'B': return Colour3Cell;
    case 'Y': return Colour4Cell;
    case 'S': return StoneCell;
    case 'W': return WildCell;
    default: return EmptyCell;
    }
}

inline char CharOf(const Cell& cell) {
    if (cell == EmptyCell) return '.';
    if (cell == Colour1Cell) return 'R';
    if (cell == Colour2Cell) return 'G';
    if (cell == Colour3Cell) return 'B';
    if (cell == Colour4Cell) return 'Y';
    if (cell == StoneCell) return 'S';
    if (cell == WildCell) return 'W';
    return '?';  // a cell that is no copy of a template
}

// Fills the well from a picture of its lowest rows: the last string is row
// 15, the one before it row 14, and so on. Rows not given are empty.
inline void SetWell(std::initializer_list<const char*> rows) {
    for (auto& column : Well)
        for (auto& cell : column) cell = EmptyCell;
    int y = WellRows - int(rows.size());
    for (const char* row : rows) {
        const std::string text = row;
        EXPECT_EQ(text.size(), size_t(WellColumns)) << "row " << y << " of the picture";
        for (int x = 0; x < WellColumns && x < int(text.size()); ++x) Well[x][y] = CellOf(text[size_t(x)]);
        ++y;
    }
}

// The well as text, one string per row, row 0 first.
inline std::vector<std::string> WellRows16() {
    std::vector<std::string> rows(WellRows, std::string(WellColumns, '.'));
    for (int x = 0; x < WellColumns; ++x)
        for (int y = 0; y < WellRows; ++y) rows[size_t(y)][size_t(x)] = CharOf(Well[x][y]);
    return rows;
}

// The lowest `count` rows of the well, in the form SetWell takes.
inline std::vector<std::string> LowestRows(int count) {
    const auto rows = WellRows16();
    return {rows.end() - count, rows.end()};
}

// Entries 1 to n of RunList.
inline std::vector<RunEntry> Runs() { return {RunList + 1, RunList + 1 + RunCount}; }

// Whether rectangle ra of a holds the same pixels as rectangle rb of b.
inline bool SamePixels(const platform::Surface& a, platform::Rect ra, const platform::Surface& b,
                       platform::Rect rb) {
    const int w = ra.Right - ra.Left, h = ra.Bottom - ra.Top;
    if (w != rb.Right - rb.Left || h != rb.Bottom - rb.Top) return false;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (a.Pixel(ra.Left + x, ra.Top + y) != b.Pixel(rb.Left + x, rb.Top + y)) return false;
    return true;
}

inline bool AllPixels(const platform::Surface& s, platform::Rect r, uint16_t p) {
    for (int y = r.Top; y < r.Bottom; ++y)
        for (int x = r.Left; x < r.Right; ++x)
            if (s.Pixel(x, y) != p) return false;
    return true;
}

// Whether well cell (x, y) on the surface shows what the well holds: the
// cell's sprite copied whole, or black when it is empty.
inline bool CellShown(const platform::Surface& s, int x, int y) {
    const Rect r = CellRectOf(x, y);
    if (Well[x][y].Empty) return AllPixels(s, r, 0);
    return SamePixels(s, r, platform::BlockSurfaces[Well[x][y].Sprite], {0, 0, CellSize, CellSize});
}

// Every cell of the well as the well holds it; the first wrong cell is
// named in the message.
inline ::testing::AssertionResult WellShown(const platform::Surface& s) {
    for (int x = 0; x < WellColumns; ++x)
        for (int y = 0; y < WellRows; ++y)
            if (!CellShown(s, x, y))
                return ::testing::AssertionFailure()
                       << "cell (" << x << ", " << y << ") holding '" << CharOf(Well[x][y]) << "' is not shown";
    return ::testing::AssertionSuccess();
}

// Text drawn with the game's font at (x, y) over the given background, for
// comparing a band of the screen with what it should say.
inline platform::Surface TextOver(const platform::Surface& background, int x, int y, const std::string& text) {
    platform::Surface s = background;
    platform::DrawText(x, y, text, s);
    return s;
}

// The band of a text line: glyph height, from x to the right edge given.
inline platform::Rect TextBand(int x, int y, int right) { return {x, y, right, y + platform::GlyphHeight}; }

// Cells of the well holding c.
inline int Count(char c) {
    int n = 0;
    for (const auto& row : WellRows16()) n += int(std::count(row.begin(), row.end(), c));
    return n;
}

// Whether a 24 x 24 rectangle of the screen shows the whole sprite.
inline bool Shows(const Rect& cell, const platform::Surface& sprite) {
    return SamePixels(platform::PrimarySurface, cell, sprite, {0, 0, CellSize, CellSize});
}

// Meter cell k counted from the bottom, and whether the surface shows it lit.
inline Rect MeterCell(int k) { return {460, 434 - 24 * k, 484, 458 - 24 * k}; }
inline bool MeterCellLit(const platform::Surface& s, int k) {
    return SamePixels(s, MeterCell(k), platform::BlockSurfaces[6], {0, 0, CellSize, CellSize});
}

// The strip below the well on the screen reads exactly this text.
inline bool StripReads(const std::string& text) {
    const auto expected = TextOver(platform::BackgroundSurface, StripRect.Left, StripRect.Top, text);
    return SamePixels(platform::PrimarySurface, StripRect, expected, StripRect);
}

// The panel line at (20, y) reads the text, with nothing after it up to the
// panel's edge.
inline ::testing::AssertionResult PanelReads(const platform::Surface& s, int y, const std::string& text) {
    const auto expected = TextOver(platform::BackgroundSurface, 20, y, text);
    const Rect band = TextBand(20, y, std::max(20 + platform::TextWidth(text), int(PanelRect.Right)));
    if (SamePixels(s, band, expected, band)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the line at y = " << y << " does not read \"" << text << "\"";
}

// A headless window that notes the virtual time of every change of the
// screen, for the passes of loops that do not yield.
class ScreenTimes : public platform::HeadlessBackend {
public:
    void ScreenChanged() override {
        HeadlessBackend::ScreenChanged();
        times.push_back(TickCount());
        if (onChange) onChange();
    }
    std::vector<int32_t> times;
    std::function<void()> onChange;  // called after each change
};

}  // namespace test
