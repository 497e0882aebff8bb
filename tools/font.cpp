// The bitmap font sheet: 85 glyphs of DejaVu Sans Condensed Bold, each 19 pixels high,
// a bright gold-to-white fill with a dark brown edge on pure black (black is
// the transparent colour when text is drawn).
#include <SDL2/SDL.h>
#include <SDL2/SDL_ttf.h>

#include <algorithm>
#include <cmath>

#include "platform/font.h"
#include "tools/content.h"

namespace content {

namespace {

constexpr int SheetW = 400, SheetH = 89, GlyphH = platform::GlyphHeight, RowPitch = 22, Outline = 1;
constexpr const char* FontFile = "/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed-Bold.ttf";

// Coverage of one character (0..255 per pixel) rendered by SDL_ttf.
struct Coverage {
    int w = 0, h = 0;
    std::vector<uint8_t> a;
    uint8_t At(int x, int y) const { return x >= 0 && y >= 0 && x < w && y < h ? a[size_t(y * w + x)] : 0; }
};

Coverage Render(TTF_Font* font, char c) {
    Coverage cov;
    const char text[2] = {c, 0};
    SDL_Surface* s = TTF_RenderText_Blended(font, text, SDL_Color{255, 255, 255, 255});
    if (!s) return cov;
    SDL_Surface* argb = SDL_ConvertSurfaceFormat(s, SDL_PIXELFORMAT_ARGB8888, 0);
    SDL_FreeSurface(s);
    cov.w = argb->w;
    cov.h = argb->h;
    cov.a.resize(size_t(cov.w * cov.h));
    for (int y = 0; y < cov.h; ++y)
        for (int x = 0; x < cov.w; ++x)
            cov.a[size_t(y * cov.w + x)] =
                uint8_t(reinterpret_cast<const uint32_t*>(static_cast<char*>(argb->pixels) + y * argb->pitch)[x] >> 24);
    SDL_FreeSurface(argb);
    return cov;
}

uint32_t Rgba(int r, int g, int b) { return 0xFF000000u | uint32_t(b) << 16 | uint32_t(g) << 8 | uint32_t(r); }

// Draws one glyph with its edge into the sheet at (left, top).
void DrawGlyph(Image& sheet, const Coverage& cov, int left, int top, int width, int baselineShift) {
    for (int y = 0; y < GlyphH; ++y) {
        const int sy = y - Outline - baselineShift;
        // Fill: gold at the top turning to warm white at the bottom.
        const double t = std::clamp(double(y) / (GlyphH - 1), 0.0, 1.0);
        const int fr = 255, fg = int(200 + 55 * t), fb = int(60 + 170 * t);
        for (int x = 0; x < width; ++x) {
            const int sx = x - Outline;
            const int fill = cov.At(sx, sy);
            int edge = 0;  // coverage of the glyph grown by the edge width
            for (int dy = -Outline; dy <= Outline; ++dy)
                for (int dx = -Outline; dx <= Outline; ++dx) edge = std::max(edge, int(cov.At(sx + dx, sy + dy)));
            if (edge < 96) continue;  // background stays pure black
            const double f = fill / 255.0;
            const int er = 70, eg = 36, eb = 12;  // dark brown, never black in 5-6-5
            sheet.At(left + x, top + y) =
                Rgba(int(er + (fr - er) * f), int(eg + (fg - eg) * f), int(eb + (fb - eb) * f));
        }
    }
}

}  // namespace

void MakeFont(Context& ctx) {
    if (TTF_Init() != 0) Fail(std::string("SDL_ttf: ") + TTF_GetError());
    const std::string chars = platform::FontCharacters;
    // The largest size whose glyphs and edge fit 19 pixels.
    int points = 16;
    TTF_Font* font = nullptr;
    for (; points > 8; --points) {
        if (font) TTF_CloseFont(font);
        font = TTF_OpenFont(FontFile, points);
        if (!font) Fail(std::string("cannot open ") + FontFile + " (install fonts-dejavu-extra)");
        if (TTF_FontHeight(font) + 2 * Outline <= GlyphH + 2) break;
    }
    TTF_SetFontHinting(font, TTF_HINTING_LIGHT);
    // Raise the glyphs so that descenders stay within the cell.
    const int baselineShift = std::min(0, GlyphH - 2 * Outline - TTF_FontHeight(font));

    Image sheet(SheetW, SheetH, 0xFF000000u);
    int x = 0, row = 0;
    ctx.glyphs.clear();
    for (char c : chars) {
        const Coverage cov = Render(font, c);
        int advance = 0;
        TTF_GlyphMetrics(font, Uint16(uint8_t(c)), nullptr, nullptr, nullptr, nullptr, &advance);
        // The space is blank; every other glyph is its rendering plus the edge.
        const int width = (c == ' ' ? advance : cov.w) + 2 * Outline;
        if (x + width > SheetW) {
            x = 0;
            ++row;
        }
        const int top = row * RowPitch;
        if (top + GlyphH > SheetH) Fail("font sheet overflow");
        if (c != ' ') DrawGlyph(sheet, cov, x, top, width, baselineShift);
        ctx.glyphs.push_back({x, top, width});
        x += width + 1;
    }
    TTF_CloseFont(font);
    TTF_Quit();
    ctx.carried.push_back({"font", sheet});
}

}  // namespace content
