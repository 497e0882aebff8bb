// levlet.znd: the 30 level lines in fixed columns (from levels/levels.txt),
// then the glyph table of the font sheet.
#include <cstdio>
#include <sstream>

#include "tools/content.h"

namespace content {

namespace {

// One row of the readable table in the fixed columns of the data file.
std::string LevelLine(const std::string& row, int lineNo) {
    std::istringstream in(row);
    int v[11];
    for (int& x : v)
        if (!(in >> x)) Fail("levels.txt line " + std::to_string(lineNo) + ": expected 11 numbers and a title");
    std::string title;
    std::getline(in >> std::ws, title);
    const int limits[11] = {9, 9, 4, 255, 255, 255, 9, 99, 99, 99, 3};
    for (int i = 0; i < 11; ++i)
        if (v[i] < 0 || v[i] > limits[i]) Fail("levels.txt line " + std::to_string(lineNo) + ": value out of range");
    char fixed[32];
    std::snprintf(fixed, sizeof fixed, "%d%d%d%03d%03d%03d%d%02d%02d%02d%d", v[0], v[1], v[2], v[3], v[4], v[5], v[6],
                  v[7], v[8], v[9], v[10]);
    return fixed + title;
}

}  // namespace

void MakeLevels(Context& ctx) {
    std::istringstream table(ReadFile(ctx.sourceDir + "/levels/levels.txt"));
    std::string out, row;
    int levels = 0, lineNo = 0;
    while (std::getline(table, row)) {
        ++lineNo;
        if (row.find_first_not_of(" \t\r") == std::string::npos || row[row.find_first_not_of(" \t")] == '#') continue;
        out += LevelLine(row, lineNo) + "\r\n";
        ++levels;
    }
    if (levels != 30) Fail("levels.txt holds " + std::to_string(levels) + " levels, not 30");
    if (ctx.glyphs.size() != 85) Fail("the font must be made before the levels file");
    for (const Glyph& g : ctx.glyphs)
        out += std::to_string(g.left) + "," + std::to_string(g.top) + "," + std::to_string(g.width) + "\r\n";
    Ship(ctx, "levlet.znd", Scrambled(out), Role::Rules);
}

}  // namespace content
