// Pieces shared by the full-screen pictures: the night sky, the gold-framed
// glass panels that texts stand on, and the polished gold lettering.
#include "tools/art/art.h"

namespace art {

Canvas StarrySky(int w, int h, uint32_t seed, Rgb top, Rgb bottom) {
    Canvas c(w, h, {}, 1);
    Shade(c, [&](Vec2 p) {
        Rgb col = Mix(top, bottom, p.y / float(h));
        // Two veils of nebula in different hues.
        const float n = Fbm(p.x / 170, p.y / 150, 4, seed);
        const float m = Fbm(p.x / 95 + 7, p.y / 110, 3, seed + 1);
        col = col + Hex(0x5A2A88) * (0.32f * Smooth(0.45f, 0.8f, n)) + Hex(0x16607A) * (0.26f * Smooth(0.5f, 0.85f, m));
        return col;
    });
    Rng rng(seed);
    for (int i = 0; i < w * h / 700; ++i) {
        const Vec2 at{rng.Range(0, float(w)), rng.Range(0, float(h))};
        const float bright = std::pow(rng.Next(), 3.0f);
        const Rgb tint = Mix(Hex(0xB8C8FF), Hex(0xFFE8C0), rng.Next());
        if (bright > 0.7f) {
            Glow(c, at, 1.6f, tint, 0.9f * bright);
            FillFlat(
                c, Around(at, 5, 5),
                [&](Vec2 p) {
                    const Vec2 q = p - at;
                    return std::min(std::abs(q.x) + std::abs(q.y) * 6, std::abs(q.y) + std::abs(q.x) * 6) - 4 * bright;
                },
                tint, 0.8f);
        } else {
            c.Add(int(at.x), int(at.y), tint * (0.15f + 0.6f * bright));
        }
    }
    return c;
}

void GoldFramePanel(Canvas& c, Box box, float radius, float darken) {
    constexpr float Band = 4.5f, ShadowReach = 12;
    const Vec2 centre{(box.x0 + box.x1) / 2, (box.y0 + box.y1) / 2};
    const float hw = (box.x1 - box.x0) / 2, hh = (box.y1 - box.y0) / 2;
    auto dist = [&](Vec2 p) { return DRect(p, centre, hw, hh, radius); };
    for (int y = std::max(0, int(box.y0 - ShadowReach)); y < std::min(c.h, int(box.y1 + ShadowReach) + 1); ++y)
        for (int x = std::max(0, int(box.x0 - ShadowReach)); x < std::min(c.w, int(box.x1 + ShadowReach) + 1); ++x) {
            const Vec2 p{x + 0.5f, y + 0.5f};
            const float d = dist(p);
            Rgb col = c.Get(x, y);
            if (d > 0) {
                // A soft shadow falling down and to the right.
                const float s = dist(p - Vec2{5, 6});
                col = col * (1 - 0.5f * Smooth(ShadowReach, 0.0f, s));
                c.Set(x, y, col);
                continue;
            }
            // Dark glass with a faint sheen from the top left.
            const float sheen = Clamp01(1 - ((p.x - box.x0) + (p.y - box.y0)) / (hw + hh)) * 0.06f;
            Rgb glass = col * (1 - darken) + Hex(0x8090C0) * sheen;
            // The gold band, rounded in section and lit from the top left.
            const float t = -d / Band;
            if (t < 1.6f) {
                const float e = 0.5f;
                const Vec2 g{dist(p + Vec2{e, 0}) - dist(p - Vec2{e, 0}), dist(p + Vec2{0, e}) - dist(p - Vec2{0, e})};
                const float slope = std::cos(Pi * Clamp01(t));
                const Vec3 n = Normalize({g.x * slope * 0.9f, g.y * slope * 0.9f, 1});
                const float light = Diffuse(n);
                Rgb gold = Ramp({Hex(0x4A2E0C), Hex(0xB07A28), Hex(0xF0C860), Hex(0xFFF4C8)}, light * 1.05f);
                gold = gold + Rgb{1, 1, 1} * (0.3f * Specular(n, 24));
                // A thin dark line inside the band sets the glass off.
                const Rgb inner = Mix(glass, Hex(0x120A04), Smooth(1.6f, 1.05f, t) * 0.7f);
                glass = t < 1 ? Mix(gold, Hex(0x2A1A08), Smooth(0.15f, 0.0f, t)) : inner;
            }
            c.Set(x, y, Mix(col, glass, Coverage(d)));
        }
}

void GoldTitle(Canvas& c, const std::string& text, const std::string& font, int points, Vec2 centre) {
    constexpr int Pad = 12;
    const Mask m = TextMask(text, font, points, Pad);
    const Mask soft = Blur(m, 5), edge = Grow(m, 3), shadow = Blur(Grow(m, 3), 8);
    const int left = int(centre.x) - m.w / 2, top = int(centre.y) - m.h / 2;
    // Find the letters' vertical extent for the gold's gradient.
    int inkTop = m.h, inkBottom = 0;
    for (int y = 0; y < m.h; ++y)
        for (int x = 0; x < m.w; ++x)
            if (m.At(x, y) > 0.5f) inkTop = std::min(inkTop, y), inkBottom = std::max(inkBottom, y);
    const float inkHeight = float(std::max(1, inkBottom - inkTop));
    for (int y = 0; y < m.h; ++y)
        for (int x = 0; x < m.w; ++x) {
            const int tx = left + x, ty = top + y;
            if (!c.Inside(tx, ty)) continue;
            Rgb col = c.Get(tx, ty);
            col = col * (1 - 0.7f * shadow.At(x - 6, y - 7));
            col = Mix(col, Hex(0x2A1404), edge.At(x, y));
            const float a = m.At(x, y);
            if (a > 0) {
                const float hx = soft.At(x + 1, y) - soft.At(x - 1, y), hy = soft.At(x, y + 1) - soft.At(x, y - 1);
                const Vec3 n = Normalize({-hx * 4, -hy * 4, 1});
                const float v = Clamp01((float(y) - float(inkTop)) / inkHeight);
                // Polished gold: a bright sky above the horizon line, warm below.
                const Rgb metal = v < 0.5f ? Mix(Hex(0xFFF6D0), Hex(0xF8C850), v * 2)
                                           : Mix(Hex(0xB06A18), Hex(0xF0B040), (v - 0.5f) * 2);
                const Rgb lit = metal * (0.55f + 0.6f * Diffuse(n)) + Rgb{1, 1, 1} * (0.45f * Specular(n, 18));
                col = Mix(col, lit, a);
            }
            c.Set(tx, ty, col);
        }
}

}  // namespace art
