// The game-over block: a maroon stone cube trimmed in gold, turning half a
// turn about its vertical axis over 20 frames. A skull looks out of the
// front, GAME OVER! passes on the next face and the skull on the back face
// comes round, so the last frame leads back into the first.
#include "tools/art/art.h"

namespace art {

namespace {

constexpr int Frame = 96, Frames = 20, Texture = 128;

// The stone of the cube's faces, with a bevelled gold trim round the edge.
Canvas FaceStone(uint32_t seed) {
    Canvas c(Texture, Texture, {}, 1);
    const Vec2 centre{64, 64};
    Shade(c, [&](Vec2 p) {
        const float mottle = Fbm(p.x / 22, p.y / 22, 4, seed);
        Rgb stone = Mix(Hex(0x4A0E1C), Hex(0x7A2030), mottle);
        const float vein = Smooth(0.025f, 0.0f, std::abs(Fbm(p.x / 40, p.y / 40, 3, seed + 7) - 0.5f));
        stone = Mix(stone, Hex(0xA04050), vein * 0.5f);
        const float edge = -DRect(p, centre, 64, 64);  // distance inside the face
        if (edge < 10) {
            const float t = Smooth(10.0f, 7.0f, edge);
            const Rgb gold = Mix(Hex(0xF8DC80), Hex(0x9A6A20), Clamp01((p.x + p.y) / 256));
            stone = Mix(stone, gold * (edge < 2 ? 0.7f : 1.0f), t);
        }
        return stone;
    });
    return c;
}

Canvas SkullFace() {
    Canvas c = FaceStone(11);
    auto skull = [](Vec2 p) {
        const float cranium = DEllipse(p, {64, 56}, 33, 31);
        const float jaw = DRect(p, {64, 86}, 20, 15, 7);
        const float cheeks = DEllipse(p, {64, 74}, 29, 14);
        return std::min({cranium, jaw, cheeks});
    };
    auto sockets = [](Vec2 p) {
        const Vec2 l{49, 63}, r{79, 63};
        return std::min(DEllipse(p, l, 10.5f, 10), DEllipse(p, r, 10.5f, 10));
    };
    auto nose = [](Vec2 p) { return DPolygon(p, {{64, 72}, {69.5f, 82}, {58.5f, 82}}) - 1; };
    SoftShadow(c, {68, 70}, 40, 44, 0.55f);
    Fill(c, {20, 18, 108, 108}, skull, [&](Vec2 p, float) {
        const Vec3 n = BevelNormal(skull, p, 14, 0.9f);
        const Rgb bone = Mix(Hex(0xF4ECD2), Hex(0xD8C8A0), Fbm(p.x / 9, p.y / 9, 2, 5) * 0.6f);
        return bone * (0.35f + 0.75f * Diffuse(n)) + Rgb{1, 1, 1} * (0.12f * Specular(n, 20));
    });
    // Teeth: a row of rounded blocks between dark gaps.
    for (int i = 0; i < 6; ++i) {
        const Vec2 t{49.5f + 5.8f * float(i), 92};
        Fill(
            c, Around(t, 4, 6), [&](Vec2 p) { return DRect(p, t, 2.3f, 4.6f, 1.2f); },
            [&](Vec2 p, float d) {
                return Mix(Hex(0xFFF8E8), Hex(0xB8A888), Clamp01((p.y - t.y + 4) / 8)) * (1 - 0.3f * Smooth(-1, 0, d));
            });
    }
    FillFlat(
        c, {44, 86, 84, 88},
        [](Vec2 p) {
            return DRect(p, {64, 87}, 18, 0.6f);
        },
        Hex(0x5A3A2A));
    Fill(c, {30, 45, 98, 80}, sockets, [&](Vec2 p, float d) {
        // Deep sockets with an ember glow in each.
        const float glow = std::max(std::exp(-std::pow(Length(p - Vec2{50, 65}) / 4.5f, 2.0f)),
                                    std::exp(-std::pow(Length(p - Vec2{78, 65}) / 4.5f, 2.0f)));
        return Mix(Mix(Hex(0x3A0A10), Hex(0x5A1A14), Smooth(0.0f, -6.0f, d)), Hex(0xFF6028), glow);
    });
    FillFlat(c, {55, 70, 73, 84}, nose, Hex(0x40121A));
    return c;
}

Canvas WordsFace() {
    Canvas c = FaceStone(23);
    for (int line = 0; line < 2; ++line) {
        const Mask m = TextMask(line == 0 ? "GAME" : "OVER!", SansBold, 30, 4);
        const Mask soft = Blur(m, 4);
        const Vec2 at{64.0f - float(m.w) / 2, (line == 0 ? 40.0f : 84.0f) - float(m.h) / 2};
        for (int y = 0; y < m.h; ++y)
            for (int x = 0; x < m.w; ++x) {
                const int tx = int(at.x) + x, ty = int(at.y) + y;
                if (!c.Inside(tx, ty)) continue;
                // A cut shadow below right, then the raised gold letters.
                const float shadow = soft.At(x - 2, y - 2);
                c.Set(tx, ty, c.Get(tx, ty) * (1 - 0.6f * shadow));
                const float a = m.At(x, y);
                if (a <= 0) continue;
                const float hx = soft.At(x + 1, y) - soft.At(x - 1, y), hy = soft.At(x, y + 1) - soft.At(x, y - 1);
                const Vec3 n = Normalize({-hx * 3, -hy * 3, 1});
                const Rgb gold = Mix(Hex(0xFFE890), Hex(0xE0A030), float(y) / float(m.h));
                c.Paint(tx, ty, gold * (0.45f + 0.7f * Diffuse(n)) + Rgb{1, 1, 1} * (0.3f * Specular(n, 16)), a);
            }
    }
    return c;
}

Canvas TopFace() {
    Canvas c = FaceStone(37);
    const Vec2 centre{64, 64};
    Fill(
        c, {30, 30, 98, 98}, [&](Vec2 p) { return std::abs(DCircle(p, centre, 26)) - 2.5f; },
        [&](Vec2 p, float) { return Mix(Hex(0xF0D070), Hex(0x8A5A18), Clamp01((p.x + p.y - 90) / 80)); });
    return c;
}

Rgb Sample(const Canvas& t, float u, float v) {
    const int x = std::clamp(int((u * 0.5f + 0.5f) * Texture), 0, Texture - 1);
    const int y = std::clamp(int((v * 0.5f + 0.5f) * Texture), 0, Texture - 1);
    return t.Get(x, y);
}

}  // namespace

content::Image GameOver() {
    const Canvas skull = SkullFace(), words = WordsFace(), top = TopFace(), plain = FaceStone(51);
    // World: x right, y up, z towards the viewer; the camera looks down a little.
    constexpr float Distance = 7.5f, Focal = 205, Pitch = 0.38f, CentreY = 50;
    const Vec3 eye{0, Distance * std::sin(Pitch), Distance * std::cos(Pitch)};
    const Vec3 forward = Normalize(eye * -1), right{1, 0, 0}, up = Cross(right, forward);
    constexpr int Sub = 3;

    content::Image sheet(5 * Frame, 4 * Frame);
    for (int f = 0; f < Frames; ++f) {
        const float turn = Pi * float(f) / Frames;
        const float cs = std::cos(turn), sn = std::sin(turn);
        // World to cube: rotate by -turn about y.
        auto toCube = [&](Vec3 v) { return Vec3{v.x * cs - v.z * sn, v.y, v.x * sn + v.z * cs}; };
        auto toWorld = [&](Vec3 v) { return Vec3{v.x * cs + v.z * sn, v.y, -v.x * sn + v.z * cs}; };
        Canvas c(Frame, Frame, {}, 0);
        for (int py = 0; py < Frame; ++py)
            for (int px = 0; px < Frame; ++px) {
                Rgb sum{};
                int hits = 0;
                for (int s = 0; s < Sub * Sub; ++s) {
                    const float sx = (float(px) + (float(s % Sub) + 0.5f) / Sub - 48) / Focal;
                    const float sy = -(float(py) + (float(s / Sub) + 0.5f) / Sub - CentreY) / Focal;
                    const Vec3 o = toCube(eye), d = toCube(Normalize(forward + right * sx + up * sy));
                    // The ray against the cube [-1, 1]^3 (slabs).
                    float tNear = -1e9f, tFar = 1e9f;
                    int axis = 0;
                    const float oa[3] = {o.x, o.y, o.z}, da[3] = {d.x, d.y, d.z};
                    for (int k = 0; k < 3; ++k) {
                        const float t1 = (-1 - oa[k]) / da[k], t2 = (1 - oa[k]) / da[k];
                        if (std::min(t1, t2) > tNear) {
                            tNear = std::min(t1, t2);
                            axis = k;
                        }
                        tFar = std::min(tFar, std::max(t1, t2));
                    }
                    if (tNear > tFar || tNear < 0) continue;
                    const Vec3 hit = o + d * tNear;
                    const float sign = (axis == 0 ? hit.x : axis == 1 ? hit.y : hit.z) > 0 ? 1.0f : -1.0f;
                    Vec3 normal{};
                    Rgb texel;
                    if (axis == 1) {
                        normal = {0, sign, 0};
                        texel = Sample(top, hit.x, hit.z);
                    } else if (axis == 2) {
                        normal = {0, 0, sign};
                        texel = Sample(skull, sign * hit.x, -hit.y);
                    } else {
                        normal = {sign, 0, 0};
                        texel = Sample(sign < 0 ? words : plain, -sign * hit.z, -hit.y);
                    }
                    const Vec3 w = toWorld(normal);
                    const Vec3 screenNormal{w.x, -w.y, w.z};
                    sum = sum + texel * (0.32f + 0.85f * Diffuse(screenNormal)) +
                          Rgb{1, 0.95f, 0.85f} * (0.25f * Specular(screenNormal, 30));
                    ++hits;
                }
                if (hits) c.Set(px, py, sum * (1.0f / float(hits)), float(hits) / (Sub * Sub));
            }
        Paste(sheet, ToKeyedImage(c), (f % 5) * Frame, (f / 5) * Frame);
    }
    return sheet;
}

}  // namespace art
