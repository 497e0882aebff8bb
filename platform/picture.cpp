// Picture decoding and the surface's own text drawing, on SDL_image and
// SDL_ttf.
#include <SDL2/SDL.h>
#include <SDL2/SDL_image.h>
#include <SDL2/SDL_ttf.h>

#include <cstring>
#include <list>
#include <memory>
#include <optional>
#include <unordered_map>
#include <utility>

#include "data/files.h"
#include "platform/display.h"
#include "platform/surface.h"

namespace platform {

namespace {

Surface FromSdl(SDL_Surface* loaded, const std::string& what) {
    if (!loaded) throw data::FatalError(what + ": not a readable picture (" + SDL_GetError() + ")");
    SDL_Surface* rgb = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGB24, 0);
    SDL_FreeSurface(loaded);
    if (!rgb) throw data::FatalError(what + ": cannot convert picture (" + SDL_GetError() + ")");
    Surface s(rgb->w, rgb->h);
    for (int y = 0; y < rgb->h; ++y) {
        const auto* p = static_cast<const unsigned char*>(rgb->pixels) + y * rgb->pitch;
        for (int x = 0; x < rgb->w; ++x) s.SetPixel(x, y, ToPixel565(p[3 * x], p[3 * x + 1], p[3 * x + 2]));
    }
    SDL_FreeSurface(rgb);
    return s;
}

// The most pixels a picture may have: far beyond the game's 640x480 screen,
// far below what would hurt the machine.
constexpr int64_t MaxPicturePixels = 2048 * 2048;

// The width and height a PNG or JPEG file's header gives (nothing for any
// other file), read before anything is decoded: a damaged header saying
// 8000x8000 took 396 MB.
std::optional<std::pair<int64_t, int64_t>> HeaderSize(const unsigned char* b, size_t n) {
    const auto be = [b](size_t at, int bytes) {
        int64_t v = 0;
        for (int i = 0; i < bytes; ++i) v = v << 8 | b[at + size_t(i)];
        return v;
    };
    if (n >= 24 && std::memcmp(b, "\x89PNG\r\n\x1a\n", 8) == 0 && std::memcmp(b + 12, "IHDR", 4) == 0)
        return std::pair(be(16, 4), be(20, 4));
    if (n < 2 || b[0] != 0xFF || b[1] != 0xD8) return std::nullopt;
    // A JPEG: segments of marker and length up to the frame header (SOF0
    // to SOF15: markers C0 to CF but C4, C8 and CC).
    for (size_t i = 2; i + 9 <= n && b[i] == 0xFF;) {
        const int marker = b[i + 1];
        if (marker == 0xFF) {
            ++i;  // fill
            continue;
        }
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC)
            return std::pair(be(i + 7, 2), be(i + 5, 2));
        i += 2 + size_t(be(i + 2, 2));
    }
    return std::nullopt;
}

}  // namespace

Surface DecodePicture(const unsigned char* bytes, size_t size, const std::string& what) {
    const auto header = HeaderSize(bytes, size);
    if (!header) throw data::FatalError(what + ": not a JPEG or PNG picture");
    const auto [width, height] = *header;
    if (width > MaxPicturePixels || height > MaxPicturePixels || width * height > MaxPicturePixels)
        throw data::FatalError(what + ": a picture of " + std::to_string(width) + "x" + std::to_string(height) +
                               ", more than the game can take");
    return FromSdl(IMG_Load_RW(SDL_RWFromConstMem(bytes, int(size)), 1), what);
}

namespace {

constexpr const char* FontCandidates[] = {
    "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
    "/usr/share/fonts/TTF/DejaVuSans.ttf",
    "/usr/share/fonts/dejavu/DejaVuSans.ttf",
};
constexpr int FontPoints = 10;

// Coverage masks of rendered texts, kept because screens redraw the same
// lines every pass.
struct Mask {
    int width = 0, height = 0;
    std::vector<uint8_t> alpha;
};

class TextRenderer {
public:
    TextRenderer() {
        if (TTF_Init() != 0) throw data::FatalError(std::string("text drawing unavailable: ") + TTF_GetError());
        for (const char* path : FontCandidates)
            if ((font_ = TTF_OpenFont(path, FontPoints))) break;
        if (!font_) throw data::FatalError("DejaVuSans.ttf not found (install fonts-dejavu-core)");
        TTF_SetFontHinting(font_, TTF_HINTING_LIGHT);
    }
    ~TextRenderer() {
        if (font_) TTF_CloseFont(font_);
        TTF_Quit();
    }

    const Mask& Get(const std::string& text) {
        if (auto it = cache_.find(text); it != cache_.end()) return it->second;
        if (cache_.size() > 512) cache_.clear();
        Mask m;
        if (SDL_Surface* r = TTF_RenderUTF8_Blended(font_, text.c_str(), SDL_Color{255, 255, 255, 255})) {
            SDL_Surface* argb = SDL_ConvertSurfaceFormat(r, SDL_PIXELFORMAT_ARGB8888, 0);
            SDL_FreeSurface(r);
            if (argb) {
                m.width = argb->w;
                m.height = argb->h;
                m.alpha.resize(size_t(m.width) * size_t(m.height));
                for (int y = 0; y < m.height; ++y) {
                    const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const char*>(argb->pixels) +
                                                                        y * argb->pitch);
                    for (int x = 0; x < m.width; ++x) m.alpha[size_t(y * m.width + x)] = uint8_t(row[x] >> 24);
                }
                SDL_FreeSurface(argb);
            }
        }
        return cache_.emplace(text, std::move(m)).first->second;
    }

private:
    TTF_Font* font_ = nullptr;
    std::unordered_map<std::string, Mask> cache_;
};

TextRenderer& Renderer() {
    static TextRenderer renderer;
    return renderer;
}

}  // namespace

void DrawSurfaceText(Surface& s, int x, int y, const std::string& text) {
    if (text.empty()) return;
    const Mask& m = Renderer().Get(text);
    const Colour fg = s.ForeColour();
    const int fr = fg & 255, fgn = fg >> 8 & 255, fb = fg >> 16 & 255;
    for (int j = 0; j < m.height; ++j) {
        const int ty = y + j;
        if (ty < 0 || ty >= s.Height()) continue;
        for (int i = 0; i < m.width; ++i) {
            const int tx = x + i, a = m.alpha[size_t(j * m.width + i)];
            if (tx < 0 || tx >= s.Width() || a == 0) continue;
            const Colour bg = FromPixel565(s.Pixel(tx, ty));
            auto mix = [a](int f, int b) { return (f * a + b * (255 - a)) / 255; };
            s.SetPixel(tx, ty, ToPixel565(mix(fr, bg & 255), mix(fgn, bg >> 8 & 255), mix(fb, bg >> 16 & 255)));
        }
    }
}

void InitSurfaceText() { Renderer(); }

int SurfaceTextWidth(const std::string& text) { return text.empty() ? 0 : Renderer().Get(text).width; }

}  // namespace platform
