#include "platform/font.h"

#include "platform/display.h"
#include "platform/timing.h"

namespace platform {

std::array<GlyphMetrics, 256> FontMetrics{};

void DrawText(int x, int y, const std::string& text, Surface& target) {
    int pen = x;
    for (unsigned char c : text) {
        const GlyphMetrics& m = FontMetrics[c];
        CopyRect(target, {pen, y, pen + m.Width, y + GlyphHeight}, FontSurface,
                 {m.SheetLeft, m.SheetTop, m.SheetLeft + m.Width, m.SheetTop + GlyphHeight}, Key::Source);
        pen += m.Width;
    }
}

int TextWidth(const std::string& text) {
    int width = 0;
    for (unsigned char c : text) width += FontMetrics[c].Width;
    return width;
}

int DrawTextCentred(int y, const std::string& text, Surface& target) {
    const int left = CentredFloor(TextWidth(text));
    DrawText(left, y, text, target);
    return left;
}

}  // namespace platform

#include <sstream>

#include "data/fields.h"
#include "data/files.h"
#include "game/state.h"

namespace platform {

namespace {

// One level line in its fixed columns; positions count from 1.
LevelInfo ParseLevelLine(const std::string& line, int lineNo) {
    const std::string where = "levlet.znd line " + std::to_string(lineNo);
    if (line.size() < 20) throw data::FatalError(where + ": a level line needs 20 characters");
    auto field = [&](size_t from, size_t width) -> uint8_t {
        std::string column = line.substr(from - 1, width);
        while (!column.empty() && column.front() == ' ') column.erase(0, 1);  // a blank may pad a number
        while (!column.empty() && column.back() == ' ') column.pop_back();
        const auto value = data::ParseNumber(column);
        if (!value || *value < 0 || *value > 255) throw data::FatalError(where + ": column " + std::to_string(from) + " is not a number");
        return uint8_t(*value);
    };
    LevelInfo row;
    row.Background = field(1, 1);
    row.Music = field(2, 1);
    row.PieceKind = field(3, 1);
    row.ColourLimit = field(4, 3);
    row.StoneLimit = field(7, 3);
    row.Speed = field(10, 3);
    row.MinBlocks = field(13, 1);
    row.LineQuota = field(14, 2);
    row.FillRange = field(16, 2);
    row.DisplayNumber = field(18, 2);
    row.Directions = field(20, 1);
    row.Title = line.substr(20);
    // Kinds outside 1-4 have no shape and a run needs two cells at least.
    if (row.PieceKind < 1 || row.PieceKind > 4) throw data::FatalError(where + ": piece kind must be 1 to 4");
    if (row.MinBlocks < 2 || row.MinBlocks > 9) throw data::FatalError(where + ": minimum run must be 2 to 9");
    return row;
}

}  // namespace

void ParseLevelsAndFont(const std::string& text) {
    size_t pos = 0;
    for (int k = 0; k < LevelCount; ++k) {
        const size_t end = text.find('\n', pos);
        if (end == std::string::npos && pos >= text.size())
            throw data::FatalError("levlet.znd: only " + std::to_string(k) + " of 30 level lines");
        std::string line = text.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        LevelTable[k] = ParseLevelLine(line, k + 1);
        pos = end == std::string::npos ? text.size() : end + 1;
    }
    data::FieldReader glyphs(text.substr(pos));
    FontMetrics = {};
    for (const char* c = FontCharacters; *c; ++c) {
        GlyphMetrics& m = FontMetrics[uint8_t(*c)];
        const auto left = glyphs.NextNumber(0, 32767), top = glyphs.NextNumber(0, 32767),
                   width = glyphs.NextNumber(0, 32767);
        if (!left || !top || !width) throw data::FatalError(std::string("levlet.znd: glyph table broken at '") + *c + "'");
        m = {int16_t(*left), int16_t(*top), int16_t(*width)};
    }
}

void LoadLevelsAndFont() {
    const data::PlainCopy plain(data::ProgramFile("levlet.znd"), "levlet.txt", data::ShippedFileLimit);
    ParseLevelsAndFont(plain.Contents());
}

}  // namespace platform
