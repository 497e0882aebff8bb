// The finale's "she": a galleon under full sail on an evening sea, the sun
// low on the left behind her glittering on the water.
#include "tools/art/art.h"

namespace art {

namespace {

constexpr int W = 142, H = 144;
constexpr float Horizon = 92;
const Vec2 Sun{19, 70};

void SkyAndSea(Canvas& c) {
    Shade(c, [](Vec2 p) {
        if (p.y < Horizon) {
            const float t = p.y / Horizon;
            Rgb sky = Ramp({Hex(0x1A1448), Hex(0x4A2A78), Hex(0xB04A78), Hex(0xF08A58), Hex(0xFFC870)}, t);
            // Long evening clouds, lit from below.
            const float band = Fbm(p.x / 38, p.y / 7, 4, 61);
            const float cloud = Smooth(0.52f, 0.7f, band) * Smooth(10.0f, 30.0f, p.y) * Smooth(Horizon, 60.0f, p.y);
            sky = Mix(sky, Mix(Hex(0x6A2A60), Hex(0xFFB080), Clamp01(band * 1.6f - 0.6f)), cloud * 0.75f);
            const float d = Length(p - Sun);
            sky = sky + Hex(0xFFB050) * (0.55f * std::exp(-d / 26)) + Hex(0xFFE0A0) * (0.35f * std::exp(-d / 9));
            return sky;
        }
        const float depth = (p.y - Horizon) / (H - Horizon);
        Rgb sea = Ramp({Hex(0x6A4A70), Hex(0x2A2A5A), Hex(0x142040)}, depth);
        // Waves: stretched noise, finer towards the horizon.
        const float wave = Fbm(p.x / (6 + 20 * depth), p.y / (0.8f + 2.5f * depth), 3, 62);
        sea = sea * (0.8f + 0.45f * wave);
        // The sun's road on the water.
        const float road = std::exp(-std::pow((p.x - Sun.x) / (6 + 22 * depth), 2.0f));
        const float glint = Smooth(0.62f, 0.75f, Fbm(p.x / 3, p.y / 0.9f, 2, 63));
        return sea + Hex(0xFFC070) * (road * (0.25f + 0.9f * glint));
    });
    Fill(
        c, Around(Sun, 12, 12), [](Vec2 p) { return DCircle(p, Sun, 10.5f); },
        [](Vec2 p, float) { return Mix(Hex(0xFFFCE8), Hex(0xFFC060), Length(p - Sun) / 10.5f); });
}

// A square sail between two yards, bellied out by the wind from behind.
void Sail(Canvas& c, Vec2 topCentre, float topWidth, float bottomWidth, float height) {
    const Vec2 tl = topCentre - Vec2{topWidth / 2, 0}, tr = topCentre + Vec2{topWidth / 2, 0};
    const Vec2 bl = topCentre + Vec2{-bottomWidth / 2, height}, br = topCentre + Vec2{bottomWidth / 2, height};
    std::vector<Vec2> outline;
    for (int i = 0; i <= 8; ++i)
        outline.push_back(Lerp(tl, tr, float(i) / 8) + Vec2{0, 1.2f * std::sin(Pi * float(i) / 8)});
    for (int i = 0; i <= 8; ++i) {
        const float t = float(i) / 8;
        outline.push_back(Lerp(br, bl, t) + Vec2{0, 2.6f * std::sin(Pi * t)});
    }
    Fill(
        c, {bl.x - 2, tl.y - 2, br.x + 2, bl.y + 5}, [&](Vec2 p) { return DPolygon(p, outline); },
        [&](Vec2 p, float d) {
            // Across the sail: lit on the sun's side, the belly shaded.
            const float u = (p.x - topCentre.x) / (bottomWidth / 2);
            const float v = (p.y - topCentre.y) / height;
            const float light = Clamp01(0.62f - 0.45f * u - 0.3f * u * u + 0.2f * std::sin(v * Pi) - 0.15f * v);
            Rgb cloth = Ramp({Hex(0x6A4A68), Hex(0xC89C98), Hex(0xF4DCC0), Hex(0xFFF6E0)}, light);
            cloth = cloth + Hex(0xFFA040) * (0.25f * Clamp01(-u));  // sunlight through the cloth
            return Mix(cloth, cloth * 0.7f, Smooth(-1.0f, 0.0f, d));
        });
}

void Ship(Canvas& c) {
    const Rgb wood = Hex(0x6A3418), gold = Hex(0xF2C658);
    // Masts and yards first; sails and hull go over them.
    const float masts[3] = {50, 76, 100}, tops[3] = {20, 12, 28}, decks[3] = {90, 88, 85};
    for (int i = 0; i < 3; ++i)
        Fill(
            c, {masts[i] - 3, tops[i] - 1, masts[i] + 3, decks[i] + 1},
            [&](Vec2 p) {
                return DSegment(p, {masts[i], tops[i]}, {masts[i], decks[i]}, 1.0f);
            },
            [&](Vec2 p, float) { return Mix(Hex(0xB07040), Hex(0x4A2410), Clamp01(p.x - masts[i] + 0.5f)); });
    // Rigging: stays from the bowsprit and to the stern.
    const Rgb rope = Hex(0x3A2A30);
    for (const auto& [a, b] : std::vector<std::pair<Vec2, Vec2>>{{{8, 80}, {50, 20}},
                                                                 {{50, 20}, {76, 12}},
                                                                 {{76, 12}, {100, 28}},
                                                                 {{100, 28}, {122, 80}},
                                                                 {{14, 82}, {50, 44}}})
        FillFlat(
            c, {std::min(a.x, b.x) - 1, std::min(a.y, b.y) - 1, std::max(a.x, b.x) + 1, std::max(a.y, b.y) + 1},
            [&](Vec2 p) { return DSegment(p, a, b, 0.35f); }, rope, 0.9f);
    // The jib between the bowsprit and the foremast.
    Fill(
        c, {10, 36, 50, 84},
        [](Vec2 p) {
            return DPolygon(p, {{47, 38}, {47, 78}, {14, 80}}) - 0.3f;
        },
        [](Vec2 p, float) { return Mix(Hex(0xFFF0D0), Hex(0xC8A090), Clamp01((p.x - 14) / 36)); });
    // Square sails, three to a mast, smaller aloft.
    for (int i = 0; i < 3; ++i) {
        const float top = tops[i] + 4, span = (decks[i] - 10 - top) / 3;
        for (int k = 0; k < 3; ++k) {
            const float width = 16 + 5.0f * float(k) + (i == 1 ? 3 : 0);
            Sail(c, {masts[i], top + span * float(k)}, width, width + 3, span - 1.5f);
        }
    }
    // Pennants streaming from the mast heads.
    for (int i = 0; i < 3; ++i) {
        const Vec2 t{masts[i], tops[i]};
        Fill(
            c, Around(t + Vec2{6, 1}, 8, 4),
            [&](Vec2 p) {
                return DPolygon(p, {t, t + Vec2{11, 1.5f + (i == 1 ? 1 : 0)}, t + Vec2{0, 3}});
            },
            [](Vec2 p, float) { return Mix(Hex(0xFF4040), Hex(0xA01830), Clamp01((p.y - 10) / 20)); });
    }
    // Bowsprit.
    Fill(
        c, {4, 76, 36, 96},
        [](Vec2 p) {
            return DSegment(p, {6, 81}, {34, 92}, 1.1f);
        },
        [&](Vec2 p, float) { return Mix(Hex(0xB07040), wood, Clamp01((p.y - 82) / 10)); });
    // The hull: a raised stern castle on the right, lines of gold along her side.
    const std::vector<Vec2> hull{{24, 90},  {60, 93},   {96, 89},  {110, 82}, {122, 79}, {124, 84},
                                 {118, 98}, {104, 104}, {70, 106}, {44, 104}, {32, 99}};
    Fill(
        c, {20, 76, 128, 108}, [&](Vec2 p) { return DPolygon(p, hull); },
        [&](Vec2 p, float d) {
            const float t = Clamp01((p.y - 80) / 26);
            Rgb col = Mix(Hex(0xA05A2A), Hex(0x2A140C), t);
            // Planking, gold wales and a row of gun ports.
            col = col * (0.9f + 0.1f * std::sin(p.y * 2.2f));
            const float wale = std::abs(p.y - (97 - (p.x - 24) * 0.06f));
            col = Mix(col, gold * (0.8f + 0.3f * Clamp01((90 - p.x) / 60)), Smooth(0.9f, 0.4f, wale));
            const float portRow = std::abs(p.y - (100.5f - (p.x - 24) * 0.05f));
            const float port = Smooth(1.1f, 0.7f, portRow) * Smooth(1.3f, 0.8f, std::abs(std::fmod(p.x, 9.0f) - 4.5f));
            col = Mix(col, Hex(0x1A0A08), port * Smooth(40.0f, 44.0f, p.x) * Smooth(112.0f, 106.0f, p.x));
            // The sun's side is the bow's; the rail catches the light.
            col = col + Hex(0xFFA050) * (0.3f * Smooth(70.0f, 24.0f, p.x));
            return Mix(col, gold, Smooth(-1.2f, -0.3f, d) * Smooth(95.0f, 88.0f, p.y));
        });
    // Stern lanterns.
    for (const Vec2 l : {Vec2{121, 77}, Vec2{112, 80}}) Glow(c, l, 2.2f, Hex(0xFFC060), 0.9f);
}

// The ship mirrored and rippled on the water, darker and bluer.
void Reflection(Canvas& sea, const Canvas& ship) {
    constexpr float Waterline = 104;
    for (int y = int(Waterline); y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const float back = 2 * Waterline - float(y) - 1;
            const int sx = std::clamp(x + int(std::lround(1.5f * std::sin(float(y) * 1.3f))), 0, W - 1);
            const int sy = int(back);
            if (sy < 0) continue;
            const float a = ship.Alpha(sx, sy) * 0.55f * Smooth(float(H), Waterline, float(y));
            sea.Paint(x, y, ship.Get(sx, sy) * Hex(0x7080B0), a);
        }
}

void Glitter(Canvas& c) {
    Rng rng(808);
    // Sparkles on the sun's road, and on the ship's gilded stern and mast heads.
    std::vector<std::pair<Vec2, float>> sparkles{
        {{121, 80}, 3.2f}, {{76, 11}, 3.0f}, {{50, 19}, 2.4f}, {{97, 88}, 2.2f}, {{31, 90}, 2.6f}};
    for (int i = 0; i < 14; ++i)
        sparkles.push_back({{Sun.x + rng.Range(-10, 22), rng.Range(Horizon + 2, H - 4)}, rng.Range(1.2f, 2.6f)});
    for (const auto& [at, size] : sparkles) {
        Fill(
            c, Around(at, size + 1, size + 1),
            [&](Vec2 p) {
                const Vec2 q = p - at;
                const float arms = std::min(std::abs(q.x) * size * 1.6f / std::max(size - std::abs(q.y), 0.01f),
                                            std::abs(q.y) * size * 1.6f / std::max(size - std::abs(q.x), 0.01f));
                return std::min(arms - 0.6f, Length(q) - 0.6f);
            },
            [](Vec2, float) { return Hex(0xFFFBE8); }, 0.9f);
    }
}

}  // namespace

content::Image Finale() {
    Canvas c(W, H, {}, 1);
    SkyAndSea(c);
    Canvas ship(W, H, {}, 0);
    Ship(ship);
    Reflection(c, ship);
    c.Stamp(ship, 0, 0);
    // Foam where the bow cuts the water.
    Fill(
        c, {18, 100, 60, 110},
        [](Vec2 p) {
            return DEllipse(p, {38, 104.5f}, 16, 1.6f) + 1.2f * Fbm(p.x / 2, p.y, 2, 9);
        },
        [](Vec2, float) { return Hex(0xE8E0F0); }, 0.85f);
    Glitter(c);
    return ToImage(c);
}

}  // namespace art
