// Off-screen pictures in 16-bit RGB565 and the drawing operations the game
// uses on them. Pure C++: the SDL backends only show or fill these buffers.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Left, Top, Right, Bottom; right and bottom exclusive. All zeros means the
// whole surface.
struct Rect {
    int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
    bool operator==(const Rect&) const = default;
};
inline constexpr Rect WholeSurface{};

// Colours are 0x00BBGGRR, as the game's data and tables write them.
using Colour = uint32_t;
constexpr Colour Rgb(int r, int g, int b) { return Colour(r) | Colour(g) << 8 | Colour(b) << 16; }

// 8-bit channels to 5-6-5: the low bits are dropped, so near-black becomes 0.
constexpr uint16_t ToPixel565(int r, int g, int b) {
    return uint16_t((r >> 3) << 11 | (g >> 2) << 5 | (b >> 3));
}
constexpr uint16_t ToPixel565(Colour c) { return ToPixel565(c & 255, c >> 8 & 255, c >> 16 & 255); }
// Back to 8-bit channels, replicating the high bits into the low ones.
Colour FromPixel565(uint16_t p);

class Surface {
public:
    Surface() = default;
    Surface(int width, int height);

    int Width() const { return width_; }
    int Height() const { return height_; }
    bool IsEmpty() const { return width_ == 0 || height_ == 0; }
    uint16_t* Row(int y) { return &pixels_[size_t(y) * size_t(width_)]; }
    const uint16_t* Row(int y) const { return &pixels_[size_t(y) * size_t(width_)]; }
    uint16_t Pixel(int x, int y) const { return Row(y)[x]; }
    void SetPixel(int x, int y, uint16_t p) { Row(y)[x] = p; }
    const std::vector<uint16_t>& Pixels() const { return pixels_; }

    // Source colour key: pixels equal to it are skipped by keyed copies.
    void SetColourKey(Colour key) { key_ = ToPixel565(key); hasKey_ = true; }
    bool HasColourKey() const { return hasKey_; }
    uint16_t ColourKey() const { return key_; }

    // Colour of outlines, lines, circles and the surface's own text.
    void SetForeColour(Colour c) { foreColour_ = c; }
    Colour ForeColour() const { return foreColour_; }

    // The rectangle an all-zero rectangle stands for.
    Rect Resolve(const Rect& r) const { return r == WholeSurface ? Rect{0, 0, width_, height_} : r; }

private:
    int width_ = 0, height_ = 0;
    std::vector<uint16_t> pixels_;
    bool hasKey_ = false;
    uint16_t key_ = 0;
    Colour foreColour_ = 0;
};

enum class Key { None, Source };

// Copies srcRect of src into dstRect of dst. Unequal sizes are stretched
// (nearest neighbour). A source rectangle outside its surface or a
// zero-sized rectangle copies nothing; the destination is clipped.
void CopyRect(Surface& dst, const Rect& dstRect, const Surface& src, const Rect& srcRect, Key key = Key::None);
void FillRect(Surface& dst, const Rect& r, Colour c);

// Outlines in the fore colour. Box and line leave out the right/bottom end
// point, as the old desktop drawing calls did; circles include their edge.
void DrawBox(Surface& s, int left, int top, int right, int bottom);
void DrawLine(Surface& s, int x1, int y1, int x2, int y2);
void DrawCircle(Surface& s, int cx, int cy, int radius);
// A rounded rectangle [x1, x2) x [y1, y2), corners cornerW by cornerH.
void DrawRoundBox(Surface& s, int x1, int y1, int x2, int y2, int cornerW, int cornerH, bool filled = false);

// The surface's own text drawing (a TrueType face), transparent background,
// top-left at (x, y), in the fore colour.
void DrawSurfaceText(Surface& s, int x, int y, const std::string& text);
int SurfaceTextWidth(const std::string& text);
// Opens the face at start-up, so that a missing font stops the start with
// its message rather than a later screen (name entry would lose its score).
void InitSurfaceText();

}  // namespace platform

namespace platform {
// Decodes a PNG, JPEG or BMP picture into 5-6-5 pixels. Throws
// data::FatalError naming what on failure.
Surface DecodePicture(const unsigned char* bytes, size_t size, const std::string& what);
}  // namespace platform
