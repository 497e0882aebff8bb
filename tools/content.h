// The content generator: makes every picture, sound, tune, level and text of
// the game, deterministically, at build time.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace content {

// An 8-bit RGBA picture; pixel (x, y) at rgba[y * w + x] as 0xAABBGGRR.
struct Image {
    int w = 0, h = 0;
    std::vector<uint32_t> rgba;
    Image() = default;
    Image(int width, int height, uint32_t fill = 0xFF000000u)
        : w(width), h(height), rgba(size_t(width) * size_t(height), fill) {}
    uint32_t& At(int x, int y) { return rgba[size_t(y) * size_t(w) + size_t(x)]; }
    uint32_t At(int x, int y) const { return rgba[size_t(y) * size_t(w) + size_t(x)]; }
};

struct Glyph {
    int left = 0, top = 0, width = 0;
};

// What a shipped file is to the game: read by its rules (the levels, the
// shipped preferences and best players), or only seen or heard.
enum class Role { Rules, Looks };

struct Context {
    std::string sourceDir;     // the repository (level table, texts)
    std::string gameDir;       // build/game: the program's folder
    std::string generatedDir;  // sources compiled into the program
    std::string buildDir;      // build/ (contact sheet)
    // Pictures carried inside the program, by name, in the order made.
    std::vector<std::pair<std::string, Image>> carried;
    // The font's 85 glyphs in the order of the character set.
    std::vector<Glyph> glyphs;
    // Every file written into gameDir, by path relative to it.
    std::map<std::string, Role> shipped;
};

// Each maker adds files under gameDir and/or entries to the context.
void MakeArt(Context& ctx);     // graphs/*.znd pictures and the carried sprites
void MakeFont(Context& ctx);    // the "font" sheet and ctx.glyphs
void MakeLevels(Context& ctx);  // levlet.znd: level lines then the glyph table
void MakeTexts(Context& ctx);   // qhelp.znd, prefs.znd, scores.znd
void MakeSounds(Context& ctx);  // wav/*.wav
void MakeMusic(Context& ctx);   // mid/*.mid and mid/*.Mid
void MakeIcons(Context& ctx);   // icons/zintari-<size>.png in the build folder

// Shared helpers (tools/output.cpp).
void EnsureFolder(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);
// Writes a file of the game's folder (path relative to it) and notes it
// among the shipped files.
void Ship(Context& ctx, const std::string& relative, const std::string& bytes, Role role);
// Bytes scrambled with the game's data key.
std::string Scrambled(std::string bytes);
std::string EncodePng(const Image& image);
std::string EncodeJpeg(const Image& image, int quality = 92);
void Fail(const std::string& message);  // prints and exits 1

}  // namespace content
