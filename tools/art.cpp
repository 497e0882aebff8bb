// Interim pictures of the right sizes; the finished artwork replaces them.
#include "tools/content.h"

namespace content {

void MakeArt(Context& ctx) {
    auto flat = [](int w, int h, uint32_t c) { return Image(w, h, c); };
    for (const char* name : {"zintarilogo", "newgame", "lab"})
        WriteScrambled(ctx.gameDir + "/graphs/" + name + ".znd", EncodeJpeg(flat(640, 480, 0xFF402010u)));
    WriteScrambled(ctx.gameDir + "/graphs/pplan.znd", EncodeJpeg(flat(640, 360, 0xFF204020u)));
    for (int i = 0; i < 10; ++i)
        WriteScrambled(ctx.gameDir + "/graphs/bg" + std::to_string(i) + ".znd",
                       EncodeJpeg(flat(640, 480, 0xFF101010u + uint32_t(i) * 0x000A0A0Au)));
    const uint32_t blocks[7] = {0xFF2020E0u, 0xFF20E020u, 0xFFE02020u, 0xFF20E0E0u,
                                0xFF808080u, 0xFFE0E0E0u, 0xFF00C0FFu};
    for (int i = 0; i < 7; ++i) ctx.carried.push_back({"block" + std::to_string(i), flat(24, 24, blocks[i])});
    ctx.carried.push_back({"sweeplower", flat(24, 24, 0xFF0080C0u)});
    ctx.carried.push_back({"sweepupper", flat(24, 24, 0xFF00C080u)});
    for (const char* name : {"horizontals", "verticals", "diagonals"}) ctx.carried.push_back({name, flat(96, 72, 0xFF303060u)});
    ctx.carried.push_back({"tickcross", flat(64, 32, 0xFF00FF00u)});
    ctx.carried.push_back({"meterspend", flat(192, 24, 0xFF00FFFFu)});
    ctx.carried.push_back({"marker", flat(20, 20, 0xFF00FFFFu)});
    ctx.carried.push_back({"levelmask", flat(45, 50, 0xFF404040u)});
    ctx.carried.push_back({"levelicon", flat(45, 50, 0xFF00FFFFu)});
    ctx.carried.push_back({"crossframes", flat(264, 24, 0xFF00FFFFu)});
    ctx.carried.push_back({"bombframes", flat(72, 24, 0xFF303030u)});
    ctx.carried.push_back({"gameover", flat(480, 384, 0xFF0000A0u)});
    ctx.carried.push_back({"pianist", flat(256, 110, 0xFF806040u)});
    ctx.carried.push_back({"finale", flat(142, 144, 0xFF8080F0u)});
}

}  // namespace content
