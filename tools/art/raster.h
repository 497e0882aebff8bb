// A small raster library for the game's artwork: float colour canvases,
// anti-aliased shapes given by signed distances, value noise, shading with
// the one light of the game (from the top left, in front of the screen), text
// masks and the conversion to the generator's 8-bit pictures.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/content.h"

namespace art {

constexpr float Pi = 3.14159265358979f;

// ---- vectors -------------------------------------------------------------

struct Vec2 {
    float x = 0, y = 0;
};
inline Vec2 operator+(Vec2 a, Vec2 b) { return {a.x + b.x, a.y + b.y}; }
inline Vec2 operator-(Vec2 a, Vec2 b) { return {a.x - b.x, a.y - b.y}; }
inline Vec2 operator*(Vec2 a, float s) { return {a.x * s, a.y * s}; }
inline float Dot(Vec2 a, Vec2 b) { return a.x * b.x + a.y * b.y; }
inline float Length(Vec2 a) { return std::sqrt(Dot(a, a)); }
inline Vec2 Rotate(Vec2 a, float angle) {
    const float c = std::cos(angle), s = std::sin(angle);
    return {a.x * c - a.y * s, a.x * s + a.y * c};
}
inline Vec2 Lerp(Vec2 a, Vec2 b, float t) { return a + (b - a) * t; }

// Screen axes: x to the right, y down, z towards the viewer.
struct Vec3 {
    float x = 0, y = 0, z = 0;
};
inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator*(Vec3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
inline float Dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 Cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
inline Vec3 Normalize(Vec3 a) {
    const float l = std::sqrt(Dot(a, a));
    return l > 0 ? a * (1 / l) : a;
}

// ---- colour --------------------------------------------------------------

struct Rgb {
    float r = 0, g = 0, b = 0;  // 0..1
};
inline Rgb operator+(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline Rgb operator-(Rgb a, Rgb b) { return {a.r - b.r, a.g - b.g, a.b - b.b}; }
inline Rgb operator*(Rgb a, float s) { return {a.r * s, a.g * s, a.b * s}; }
inline Rgb operator*(Rgb a, Rgb b) { return {a.r * b.r, a.g * b.g, a.b * b.b}; }
inline Rgb Mix(Rgb a, Rgb b, float t) { return a + (b - a) * t; }
Rgb Hex(uint32_t rrggbb);
Rgb Hsv(float hue, float saturation, float value);  // hue in turns
// A colour through a list of stops spread evenly over 0..1.
Rgb Ramp(const std::vector<Rgb>& stops, float t);

inline float Clamp01(float v) { return std::clamp(v, 0.0f, 1.0f); }
inline float Smooth(float e0, float e1, float x) {
    const float t = Clamp01((x - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}

// ---- canvas --------------------------------------------------------------

// Colours with coverage; painting is "over" with straight (not
// premultiplied) colour, which keeps keyed sprites free of dark fringes.
class Canvas {
public:
    int w = 0, h = 0;
    Canvas() = default;
    Canvas(int width, int height, Rgb fill = {}, float alpha = 1);
    bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < w && y < h; }
    Rgb Get(int x, int y) const { return rgb_[Index(x, y)]; }
    float Alpha(int x, int y) const { return alpha_[Index(x, y)]; }
    void Set(int x, int y, Rgb c, float a = 1);
    void Paint(int x, int y, Rgb c, float a);  // over
    void Add(int x, int y, Rgb c);             // light added where there is paint
    // Copies another canvas over this one at (dx, dy), respecting coverage.
    void Stamp(const Canvas& src, int dx, int dy, float opacity = 1);

private:
    size_t Index(int x, int y) const { return size_t(y) * size_t(w) + size_t(x); }
    std::vector<Rgb> rgb_;
    std::vector<float> alpha_;
};

// ---- shapes by signed distance (pixels, negative inside) -------------------

struct Box {
    float x0, y0, x1, y1;
};
inline Box Around(Vec2 c, float rx, float ry) { return {c.x - rx - 2, c.y - ry - 2, c.x + rx + 2, c.y + ry + 2}; }

float DCircle(Vec2 p, Vec2 c, float r);
float DEllipse(Vec2 p, Vec2 c, float rx, float ry);
float DRect(Vec2 p, Vec2 c, float halfW, float halfH, float cornerRadius = 0);
float DSegment(Vec2 p, Vec2 a, Vec2 b, float halfWidth);
float DPolygon(Vec2 p, const std::vector<Vec2>& points);
// A quadratic curve a-b-c thickened to halfWidth (sampled; for strokes).
float DCurve(Vec2 p, Vec2 a, Vec2 b, Vec2 c, float halfWidth);
inline float Union(float a, float b) { return std::min(a, b); }
inline float Cut(float a, float b) { return std::max(a, -b); }

// Coverage of a pixel whose centre lies at signed distance d.
inline float Coverage(float d) { return Clamp01(0.5f - d); }

// Paints the shape dist(p) < 0 inside box with colour(p, d), anti-aliased.
template <class Dist, class Colour>
void Fill(Canvas& c, Box box, Dist dist, Colour colour, float opacity = 1) {
    const int x0 = std::max(0, int(std::floor(box.x0))), y0 = std::max(0, int(std::floor(box.y0)));
    const int x1 = std::min(c.w, int(std::ceil(box.x1)) + 1), y1 = std::min(c.h, int(std::ceil(box.y1)) + 1);
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const Vec2 p{x + 0.5f, y + 0.5f};
            const float d = dist(p);
            const float a = Coverage(d) * opacity;
            if (a > 0) c.Paint(x, y, colour(p, d), a);
        }
}
template <class Dist>
void FillFlat(Canvas& c, Box box, Dist dist, Rgb colour, float opacity = 1) {
    Fill(
        c, box, dist, [&](Vec2, float) { return colour; }, opacity);
}
// Runs colour(p) over every pixel of the box (for backgrounds).
template <class Colour>
void Shade(Canvas& c, Colour colour) {
    for (int y = 0; y < c.h; ++y)
        for (int x = 0; x < c.w; ++x) c.Set(x, y, colour(Vec2{x + 0.5f, y + 0.5f}), c.Alpha(x, y));
}

// The normal of a shape raised like a cushion: flat inside, falling off
// over width pixels towards its edge (lit by Diffuse for a bevel).
template <class Dist>
Vec3 BevelNormal(Dist dist, Vec2 p, float width, float steepness = 1) {
    auto h = [&](Vec2 q) { return Smooth(0.0f, width, -dist(q)) * width * steepness; };
    const float e = 0.5f;
    const float hx = h(p + Vec2{e, 0}) - h(p - Vec2{e, 0}), hy = h(p + Vec2{0, e}) - h(p - Vec2{0, e});
    return Normalize({-hx, -hy, 2 * e});
}

// A soft light: adds colour * strength * falloff around c.
void Glow(Canvas& c, Vec2 centre, float radius, Rgb colour, float strength = 1);
// A soft shadow: darkens towards black by up to strength inside an ellipse.
void SoftShadow(Canvas& c, Vec2 centre, float rx, float ry, float strength);
// Darkens a rounded rectangle (for text to stand on), with soft edges.
void DarkPlate(Canvas& c, Box box, float radius, float strength, float soft = 6);

// ---- noise ---------------------------------------------------------------

uint32_t Hash(uint32_t a);
// Smooth value noise in 0..1 with lattice spacing 1; with period > 0 it
// repeats every period units along x (for pictures that wrap around).
float Noise(float x, float y, uint32_t seed, int period = 0);
// Fractal sum of noise octaves, 0..1.
float Fbm(float x, float y, int octaves, uint32_t seed, int period = 0);

// A fixed-seed random sequence.
class Rng {
public:
    explicit Rng(uint32_t seed) : state_(seed * 2654435761u + 1) {}
    float Next();  // 0..1
    float Range(float lo, float hi) { return lo + (hi - lo) * Next(); }
    int Int(int n) { return std::min(n - 1, int(Next() * float(n))); }

private:
    uint32_t state_;
};

// ---- light ---------------------------------------------------------------

// The one light: from the top left, in front of the screen.
extern const Vec3 LightDir;
float Diffuse(Vec3 n);
float Specular(Vec3 n, float power);  // Blinn, viewer straight ahead
// A glossy ball's colour for the surface normal n.
Rgb ShadeBall(Vec3 n, Rgb base, float gloss = 1);
// The normal of a sphere of radius r centred at c, at p (z >= 0 inside).
Vec3 SphereNormal(Vec2 p, Vec2 c, float r);

// ---- masks and text ------------------------------------------------------

struct Mask {
    int w = 0, h = 0;
    std::vector<float> v;
    Mask() = default;
    Mask(int width, int height) : w(width), h(height), v(size_t(width) * size_t(height), 0.0f) {}
    float At(int x, int y) const {
        return x >= 0 && y >= 0 && x < w && y < h ? v[size_t(y) * size_t(w) + size_t(x)] : 0.0f;
    }
    float& Ref(int x, int y) { return v[size_t(y) * size_t(w) + size_t(x)]; }
    float Sample(float x, float y) const;  // bilinear, pixel centres at +0.5
};
// The coverage of a text in a TrueType font; the mask is padded by pad.
Mask TextMask(const std::string& text, const std::string& fontFile, int points, int pad = 0);
Mask Blur(const Mask& m, int radius);  // three box passes ~ Gaussian
Mask Grow(const Mask& m, int radius);  // the maximum within radius
extern const char* const SerifBold;
extern const char* const SansBold;

// ---- output --------------------------------------------------------------

content::Image ToImage(const Canvas& c);  // opaque
// For sprites keyed on pure black: little coverage becomes pure black, and
// painted pixels are kept clear of the colours that 5-6-5 turns into black.
content::Image ToKeyedImage(const Canvas& c, float threshold = 0.5f);
// Lifts a colour that 5-6-5 would turn into pure black.
Rgb KeySafe(Rgb c);
void Paste(content::Image& sheet, const content::Image& frame, int x, int y);

}  // namespace art
