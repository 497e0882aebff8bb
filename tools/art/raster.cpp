#include "tools/art/raster.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_ttf.h>

namespace art {

const char* const SerifBold = "/usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf";
const char* const SansBold = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";

// ---- colour --------------------------------------------------------------

Rgb Hex(uint32_t rrggbb) {
    return {float((rrggbb >> 16) & 255) / 255, float((rrggbb >> 8) & 255) / 255, float(rrggbb & 255) / 255};
}

Rgb Hsv(float hue, float saturation, float value) {
    const float h = (hue - std::floor(hue)) * 6;
    auto channel = [&](float offset) {
        const float k = std::fmod(offset + h, 6.0f);
        return value - value * saturation * std::max(0.0f, std::min({k, 4 - k, 1.0f}));
    };
    return {channel(5), channel(3), channel(1)};
}

Rgb Ramp(const std::vector<Rgb>& stops, float t) {
    const float f = Clamp01(t) * float(stops.size() - 1);
    const size_t i = std::min(stops.size() - 2, size_t(f));
    return Mix(stops[i], stops[i + 1], f - float(i));
}

// ---- canvas --------------------------------------------------------------

Canvas::Canvas(int width, int height, Rgb fill, float alpha)
    : w(width), h(height), rgb_(size_t(width) * size_t(height), fill), alpha_(size_t(width) * size_t(height), alpha) {}

void Canvas::Set(int x, int y, Rgb c, float a) {
    if (!Inside(x, y)) return;
    rgb_[Index(x, y)] = c;
    alpha_[Index(x, y)] = a;
}

void Canvas::Paint(int x, int y, Rgb c, float a) {
    if (!Inside(x, y) || a <= 0) return;
    a = std::min(a, 1.0f);
    const size_t i = Index(x, y);
    const float under = alpha_[i] * (1 - a);
    const float out = a + under;
    rgb_[i] = out > 0 ? (c * a + rgb_[i] * under) * (1 / out) : c;
    alpha_[i] = out;
}

void Canvas::Add(int x, int y, Rgb c) {
    if (Inside(x, y)) rgb_[Index(x, y)] = rgb_[Index(x, y)] + c;
}

void Canvas::Stamp(const Canvas& src, int dx, int dy, float opacity) {
    for (int y = 0; y < src.h; ++y)
        for (int x = 0; x < src.w; ++x) Paint(x + dx, y + dy, src.Get(x, y), src.Alpha(x, y) * opacity);
}

// ---- shapes --------------------------------------------------------------

float DCircle(Vec2 p, Vec2 c, float r) { return Length(p - c) - r; }

float DEllipse(Vec2 p, Vec2 c, float rx, float ry) {
    // Scaled distance: exact on the axes, close enough elsewhere for edges.
    const Vec2 q{(p.x - c.x) / rx, (p.y - c.y) / ry};
    const float k = Length(q);
    const Vec2 grad{q.x / rx, q.y / ry};
    return (k - 1) * k / std::max(Length(grad), 1e-4f);
}

float DRect(Vec2 p, Vec2 c, float halfW, float halfH, float cornerRadius) {
    const float qx = std::abs(p.x - c.x) - halfW + cornerRadius, qy = std::abs(p.y - c.y) - halfH + cornerRadius;
    const float outside = Length({std::max(qx, 0.0f), std::max(qy, 0.0f)});
    return outside + std::min(std::max(qx, qy), 0.0f) - cornerRadius;
}

float DSegment(Vec2 p, Vec2 a, Vec2 b, float halfWidth) {
    const Vec2 pa = p - a, ba = b - a;
    const float t = Clamp01(Dot(pa, ba) / std::max(Dot(ba, ba), 1e-6f));
    return Length(pa - ba * t) - halfWidth;
}

float DPolygon(Vec2 p, const std::vector<Vec2>& v) {
    float d = Dot(p - v[0], p - v[0]);
    bool inside = false;
    for (size_t i = 0, j = v.size() - 1; i < v.size(); j = i++) {
        const Vec2 e = v[j] - v[i], w = p - v[i];
        const Vec2 b = w - e * Clamp01(Dot(w, e) / std::max(Dot(e, e), 1e-6f));
        d = std::min(d, Dot(b, b));
        if ((v[i].y > p.y) != (v[j].y > p.y) && p.x < (v[j].x - v[i].x) * (p.y - v[i].y) / (v[j].y - v[i].y) + v[i].x)
            inside = !inside;
    }
    return (inside ? -1.0f : 1.0f) * std::sqrt(d);
}

float DCurve(Vec2 p, Vec2 a, Vec2 b, Vec2 c, float halfWidth) {
    constexpr int Steps = 16;
    float d = 1e9f;
    Vec2 prev = a;
    for (int i = 1; i <= Steps; ++i) {
        const float t = float(i) / Steps;
        const Vec2 q = Lerp(Lerp(a, b, t), Lerp(b, c, t), t);
        d = std::min(d, DSegment(p, prev, q, halfWidth));
        prev = q;
    }
    return d;
}

void Glow(Canvas& c, Vec2 centre, float radius, Rgb colour, float strength) {
    const int reach = int(radius * 3) + 1;
    for (int y = int(centre.y) - reach; y <= int(centre.y) + reach; ++y)
        for (int x = int(centre.x) - reach; x <= int(centre.x) + reach; ++x) {
            const float d = Length(Vec2{x + 0.5f, y + 0.5f} - centre) / radius;
            c.Add(x, y, colour * (strength * std::exp(-d * d)));
        }
}

void SoftShadow(Canvas& c, Vec2 centre, float rx, float ry, float strength) {
    for (int y = int(centre.y - ry) - 1; y <= int(centre.y + ry) + 1; ++y)
        for (int x = int(centre.x - rx) - 1; x <= int(centre.x + rx) + 1; ++x) {
            if (!c.Inside(x, y)) continue;
            const float dx = (x + 0.5f - centre.x) / rx, dy = (y + 0.5f - centre.y) / ry;
            const float k = 1 - Smooth(0.0f, 1.0f, std::sqrt(dx * dx + dy * dy));
            c.Set(x, y, c.Get(x, y) * (1 - strength * k), c.Alpha(x, y));
        }
}

void DarkPlate(Canvas& c, Box box, float radius, float strength, float soft) {
    const Vec2 centre{(box.x0 + box.x1) / 2, (box.y0 + box.y1) / 2};
    const float hw = (box.x1 - box.x0) / 2, hh = (box.y1 - box.y0) / 2;
    for (int y = std::max(0, int(box.y0 - soft)); y < std::min(c.h, int(box.y1 + soft) + 1); ++y)
        for (int x = std::max(0, int(box.x0 - soft)); x < std::min(c.w, int(box.x1 + soft) + 1); ++x) {
            const float d = DRect({x + 0.5f, y + 0.5f}, centre, hw, hh, radius);
            const float k = 1 - Smooth(-soft, soft, d);
            c.Set(x, y, c.Get(x, y) * (1 - strength * k), c.Alpha(x, y));
        }
}

// ---- noise ---------------------------------------------------------------

uint32_t Hash(uint32_t a) {
    a ^= a >> 16;
    a *= 0x7feb352du;
    a ^= a >> 15;
    a *= 0x846ca68bu;
    a ^= a >> 16;
    return a;
}

namespace {

float Lattice(int x, int y, uint32_t seed) {
    return float(Hash(uint32_t(x) * 73856093u ^ Hash(uint32_t(y) * 19349663u ^ seed)) & 0xFFFFFF) / float(0xFFFFFF);
}

}  // namespace

float Noise(float x, float y, uint32_t seed, int period) {
    const float fx = std::floor(x), fy = std::floor(y);
    int x0 = int(fx), x1 = x0 + 1;
    const int y0 = int(fy);
    if (period > 0) {
        x0 = ((x0 % period) + period) % period;
        x1 = (x0 + 1) % period;
    }
    float tx = x - fx, ty = y - fy;
    tx = tx * tx * (3 - 2 * tx);
    ty = ty * ty * (3 - 2 * ty);
    const float a = Lattice(x0, y0, seed), b = Lattice(x1, y0, seed);
    const float c = Lattice(x0, y0 + 1, seed), d = Lattice(x1, y0 + 1, seed);
    return (a + (b - a) * tx) * (1 - ty) + (c + (d - c) * tx) * ty;
}

float Fbm(float x, float y, int octaves, uint32_t seed, int period) {
    float sum = 0, amplitude = 0.5f, total = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += Noise(x, y, seed + uint32_t(i) * 1013u, period) * amplitude;
        total += amplitude;
        x *= 2;
        y *= 2;
        period *= 2;
        amplitude *= 0.5f;
    }
    return sum / total;
}

float Rng::Next() {
    state_ = state_ * 1664525u + 1013904223u;
    return float(Hash(state_) & 0xFFFFFF) / float(0x1000000);
}

// ---- light ---------------------------------------------------------------

const Vec3 LightDir = Normalize({-0.55f, -0.7f, 0.6f});

float Diffuse(Vec3 n) { return std::max(0.0f, Dot(n, LightDir)); }

float Specular(Vec3 n, float power) {
    const Vec3 half = Normalize(LightDir + Vec3{0, 0, 1});
    return std::pow(std::max(0.0f, Dot(n, half)), power);
}

Vec3 SphereNormal(Vec2 p, Vec2 c, float r) {
    const float x = (p.x - c.x) / r, y = (p.y - c.y) / r;
    const float zz = 1 - x * x - y * y;
    if (zz <= 0) return Normalize({x, y, 0.0f});
    return {x, y, std::sqrt(zz)};
}

Rgb ShadeBall(Vec3 n, Rgb base, float gloss) {
    // A soft terminator: light wraps a little past the edge.
    const float wrap = Clamp01((Dot(n, LightDir) + 0.3f) / 1.3f);
    Rgb c = base * (0.16f + 0.98f * wrap);
    // Light thrown back from below right, tinted by the ball itself.
    const float bounce = Clamp01(Dot(n, Normalize({0.6f, 0.75f, 0.2f})));
    c = c + base * (0.42f * bounce * bounce);
    // A broad sheen and a sharp window highlight.
    const float spec = Specular(n, 9) * 0.2f + Specular(n, 90) * 0.95f;
    return c + Rgb{1, 1, 1} * (spec * gloss);
}

// ---- masks and text ------------------------------------------------------

float Mask::Sample(float x, float y) const {
    x -= 0.5f;
    y -= 0.5f;
    const int ix = int(std::floor(x)), iy = int(std::floor(y));
    const float tx = x - float(ix), ty = y - float(iy);
    const float a = At(ix, iy), b = At(ix + 1, iy), c = At(ix, iy + 1), d = At(ix + 1, iy + 1);
    return (a + (b - a) * tx) * (1 - ty) + (c + (d - c) * tx) * ty;
}

Mask TextMask(const std::string& text, const std::string& fontFile, int points, int pad) {
    if (TTF_Init() != 0) content::Fail(std::string("SDL_ttf: ") + TTF_GetError());
    TTF_Font* font = TTF_OpenFont(fontFile.c_str(), points);
    if (!font) content::Fail("cannot open " + fontFile + " (install fonts-dejavu-core)");
    TTF_SetFontHinting(font, TTF_HINTING_LIGHT);
    SDL_Surface* s = TTF_RenderUTF8_Blended(font, text.c_str(), SDL_Color{255, 255, 255, 255});
    if (!s) content::Fail(std::string("text rendering: ") + TTF_GetError());
    SDL_Surface* argb = SDL_ConvertSurfaceFormat(s, SDL_PIXELFORMAT_ARGB8888, 0);
    Mask m(argb->w + 2 * pad, argb->h + 2 * pad);
    for (int y = 0; y < argb->h; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(static_cast<char*>(argb->pixels) + y * argb->pitch);
        for (int x = 0; x < argb->w; ++x) m.Ref(x + pad, y + pad) = float(row[x] >> 24) / 255;
    }
    SDL_FreeSurface(argb);
    SDL_FreeSurface(s);
    TTF_CloseFont(font);
    TTF_Quit();
    return m;
}

namespace {

Mask BoxPass(const Mask& m, int r, bool horizontal) {
    Mask out(m.w, m.h);
    const float scale = 1.0f / float(2 * r + 1);
    for (int y = 0; y < m.h; ++y)
        for (int x = 0; x < m.w; ++x) {
            float sum = 0;
            for (int k = -r; k <= r; ++k) sum += horizontal ? m.At(x + k, y) : m.At(x, y + k);
            out.Ref(x, y) = sum * scale;
        }
    return out;
}

}  // namespace

Mask Blur(const Mask& m, int radius) {
    if (radius <= 0) return m;
    const int r = std::max(1, radius / 2);
    Mask out = m;
    for (int pass = 0; pass < 3; ++pass) out = BoxPass(BoxPass(out, r, true), r, false);
    return out;
}

Mask Grow(const Mask& m, int radius) {
    Mask out(m.w, m.h);
    for (int y = 0; y < m.h; ++y)
        for (int x = 0; x < m.w; ++x) {
            float best = 0;
            for (int dy = -radius; dy <= radius; ++dy)
                for (int dx = -radius; dx <= radius; ++dx)
                    if (dx * dx + dy * dy <= radius * radius) best = std::max(best, m.At(x + dx, y + dy));
            out.Ref(x, y) = best;
        }
    return out;
}

// ---- output --------------------------------------------------------------

namespace {

uint32_t Pack(Rgb c) {
    auto byte = [](float v) { return uint32_t(std::lround(Clamp01(v) * 255)); };
    return 0xFF000000u | byte(c.b) << 16 | byte(c.g) << 8 | byte(c.r);
}

}  // namespace

Rgb KeySafe(Rgb c) {
    // 5-6-5 keeps a channel only from 8 (green from 4) upwards.
    if (c.r < 7.5f / 255 && c.g < 3.5f / 255 && c.b < 7.5f / 255) return Hex(0x0A080C);
    return c;
}

content::Image ToImage(const Canvas& c) {
    content::Image out(c.w, c.h);
    for (int y = 0; y < c.h; ++y)
        for (int x = 0; x < c.w; ++x) out.At(x, y) = Pack(c.Get(x, y) * c.Alpha(x, y));
    return out;
}

content::Image ToKeyedImage(const Canvas& c, float threshold) {
    content::Image out(c.w, c.h, 0xFF000000u);
    for (int y = 0; y < c.h; ++y)
        for (int x = 0; x < c.w; ++x)
            if (c.Alpha(x, y) >= threshold) {
                const Rgb k = c.Get(x, y);
                out.At(x, y) = Pack(KeySafe({Clamp01(k.r), Clamp01(k.g), Clamp01(k.b)}));
            }
    return out;
}

void Paste(content::Image& sheet, const content::Image& frame, int x, int y) {
    for (int j = 0; j < frame.h; ++j)
        for (int i = 0; i < frame.w; ++i) sheet.At(x + i, y + j) = frame.At(i, j);
}

}  // namespace art
