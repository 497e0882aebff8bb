// The bitmap font: glyphs cut from FontSurface by the glyph table of the
// letters-and-levels file, every glyph 19 pixels high.
#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "platform/surface.h"

namespace platform {

struct GlyphMetrics {
    int16_t SheetLeft = 0, SheetTop = 0, Width = 0;
};
inline constexpr int GlyphHeight = 19;
// The 85 characters of the font, in the order the glyph table lists them.
inline constexpr const char* FontCharacters =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZ abcdefghijklmnopqrstuvwxyz0123456789<>,./\\?!#$%&*()-+=;:'\"";
extern std::array<GlyphMetrics, 256> FontMetrics;

// Draws text with its top-left corner at (x, y); black is transparent.
void DrawText(int x, int y, const std::string& text, Surface& target);
// The sum of the glyph widths; characters outside the font count 0.
int TextWidth(const std::string& text);
// Draws text centred on the screen at y, an odd half width rounded down;
// returns its left edge.
int DrawTextCentred(int y, const std::string& text, Surface& target);

}  // namespace platform

namespace platform {
// Reads levlet.znd: the 30 level lines into LevelTable, then the glyph table
// into FontMetrics. A damaged file throws data::FatalError naming the line.
void LoadLevelsAndFont();
// The same from the plain text (tests and the loader).
void ParseLevelsAndFont(const std::string& text);
}  // namespace platform
