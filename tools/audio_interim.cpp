// Interim silent sounds and an empty tune; the finished sounds and music
// replace them.
#include "tools/content.h"

namespace content {

namespace {
std::string SilentWav(int frames) {
    std::string w = "RIFF";
    auto u32 = [&w](uint32_t v) { for (int i = 0; i < 4; ++i) w += char(v >> (8 * i) & 255); };
    auto u16 = [&w](uint16_t v) { w += char(v & 255); w += char(v >> 8); };
    u32(36 + uint32_t(frames) * 4);
    w += "WAVEfmt ";
    u32(16); u16(1); u16(2); u32(44100); u32(44100 * 4); u16(4); u16(16);
    w += "data";
    u32(uint32_t(frames) * 4);
    w += std::string(size_t(frames) * 4, '\0');
    return w;
}
}  // namespace

void MakeSounds(Context& ctx) {
    for (const char* name : {"intro", "line", "sb", "finished", "deogratias", "clear2l", "rain", "deogratias2",
                             "bang", "cross", "gameover"})
        WriteFile(ctx.gameDir + "/wav/" + name + ".wav", SilentWav(4410));
}

void MakeMusic(Context& ctx) {
    // Format 0, one track: a tempo and the end of the track.
    const std::string mid = std::string("MThd\0\0\0\6\0\0\0\1\1\0", 14) + std::string("MTrk\0\0\0\x0b", 8) +
                            std::string("\0\xFF\x51\x03\x07\xA1\x20\0\xFF\x2F\0", 11);
    for (int i = 0; i < 10; ++i) WriteFile(ctx.gameDir + "/mid/mid" + std::to_string(i) + ".Mid", mid);
    WriteFile(ctx.gameDir + "/mid/piano.mid", mid);
    WriteFile(ctx.gameDir + "/mid/endmid.mid", mid);
}

}  // namespace content
