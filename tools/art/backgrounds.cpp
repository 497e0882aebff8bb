// The ten level backgrounds. Each is a scene of its own, and all carry the
// same play-screen furniture: gold casings round the well and the meter, a
// glass panel under the status texts, shadows under the direction panels
// and dark bands where the title and the message strip are written.
#include "tools/art/art.h"

namespace art {

namespace {

constexpr int W = 640, H = 480;

// A 1D profile (for skylines of hills and mountains) in 0..1.
float Profile(float x, float scale, uint32_t seed, int octaves = 5) { return Fbm(x / scale, 0.5f, octaves, seed); }

// The furniture of the play screen, over any scene.
void PlayScreenFrame(Canvas& c) {
    DarkPlate(c, {96, 10, 544, 38}, 12, 0.55f, 10);     // the level's title
    GoldFramePanel(c, {10, 100, 188, 422}, 10, 0.55f);  // the status panel
    GoldFramePanel(c, {191, 41, 449, 444}, 8, 0.92f);   // the well's casing
    GoldFramePanel(c, {452, 41, 492, 444}, 6, 0.92f);   // the meter's casing
    DarkPlate(c, {198, 447, 402, 469}, 6, 0.6f, 6);     // the message strip
    for (const float top : {100.0f, 204.0f, 308.0f})    // the direction panels
        DarkPlate(c, {519, top + 6, 615, top + 78}, 6, 0.55f, 7);
}

// ---- 0: First Light, dawn over rolling hills --------------------------------

Canvas Dawn() {
    Canvas c(W, H, {}, 1);
    const Vec2 sun{574, 424};
    Shade(c, [&](Vec2 p) {
        Rgb sky = Ramp({Hex(0x0E1436), Hex(0x34286A), Hex(0x9A4A7A), Hex(0xF08A5A), Hex(0xFFD08A)}, p.y / 440);
        const float d = Length(p - sun);
        sky = sky + Hex(0xFFA850) * (0.5f * std::exp(-d / 110)) + Hex(0xFFE8B0) * (0.5f * std::exp(-d / 34));
        // Thin clouds, lit pink and gold from below.
        const float band = Fbm(p.x / 230, p.y / 16, 5, 11);
        const float cloud = Smooth(0.55f, 0.72f, band) * Smooth(30.0f, 110.0f, p.y) * Smooth(420.0f, 330.0f, p.y);
        return Mix(sky, Mix(Hex(0x6A3A78), Hex(0xFFB890), Clamp01(p.y / 380)), cloud * 0.8f);
    });
    FillFlat(
        c, Around(sun, 32, 32), [&](Vec2 p) { return DCircle(p, sun, 30); }, Hex(0xFFF2C8));
    // Four ranges of hills, paler with distance, mist pooled between them.
    const struct {
        float base, amp, scale;
        Rgb colour;
    } hills[4] = {{432, 30, 90, Hex(0x8A5A84)},
                  {450, 30, 130, Hex(0x5A3A6A)},
                  {466, 26, 160, Hex(0x32244E)},
                  {480, 20, 210, Hex(0x161230)}};
    for (int x = 0; x < W; ++x) {
        float ridges[4];
        for (int k = 0; k < 4; ++k)
            ridges[k] = hills[k].base - hills[k].amp * Profile(float(x), hills[k].scale, 20 + uint32_t(k));
        for (int k = 0; k < 4; ++k) {
            const float ridge = ridges[k];
            const float covered = k < 3 ? *std::min_element(ridges + k + 1, ridges + 4) + 1 : float(H);
            for (int y = std::max(0, int(ridge) - 1); y < std::min(H, int(covered)); ++y) {
                const float depth = float(y) - ridge;
                const float a = Clamp01(depth + 0.5f);
                // Ridges facing the sun catch a warm rim of light.
                const float rim =
                    std::exp(-depth / 2.5f) * (0.2f + 0.5f * Clamp01(1 - std::abs(float(x) - sun.x) / 400));
                const Rgb col = Mix(hills[k].colour + Hex(0xFFA070) * rim, Hex(0xC88AA0),
                                    0.25f * Smooth(60.0f, 0.0f, depth) * (3 - float(k)) / 3);
                c.Paint(x, y, col, a);
            }
        }
    }
    // Birds far off.
    for (const Vec2 b : {Vec2{506, 64}, Vec2{530, 54}, Vec2{520, 80}, Vec2{64, 62}, Vec2{86, 50}, Vec2{600, 340}}) {
        FillFlat(
            c, Around(b, 8, 5),
            [&](Vec2 p) {
                return std::min(DCurve(p, b + Vec2{-6, -2}, b + Vec2{-3, -3.5f}, b, 0.7f),
                                DCurve(p, b, b + Vec2{3, -3.5f}, b + Vec2{6, -2}, 0.7f));
            },
            Hex(0x2A1A30));
    }
    return c;
}

// ---- 1: Morning Dew, grass and dew drops against a soft glow -----------------

// A blade of grass: a tapering curve from its root, filled row by row.
void Blade(Canvas& c, Vec2 root, float height, float lean, float width, Rgb colour) {
    const Vec2 tip = root + Vec2{lean, -height}, bend = root + Vec2{lean * 0.15f, -height * 0.6f};
    // The curve rises steadily, so each row meets it once: find where.
    constexpr int Samples = 64;
    Vec2 points[Samples + 1];
    for (int i = 0; i <= Samples; ++i) {
        const float t = float(i) / Samples;
        points[i] = Lerp(Lerp(root, bend, t), Lerp(bend, tip, t), t);
    }
    int i = 0;
    for (int y = int(root.y); y >= int(tip.y); --y) {
        const float fy = float(y) + 0.5f;
        while (i < Samples && points[i + 1].y > fy) ++i;
        const Vec2 a = points[i], b = points[std::min(i + 1, Samples)];
        const float u = std::abs(b.y - a.y) > 1e-4f ? Clamp01((a.y - fy) / (a.y - b.y)) : 0;
        const float t = (float(i) + u) / Samples;
        const float centre = a.x + (b.x - a.x) * u, half = width * (1 - t) + 0.3f;
        for (int x = int(centre - half - 1); x <= int(centre + half + 1); ++x) {
            const float across = (float(x) + 0.5f - centre) / half;
            const float cover = Clamp01(half + 0.5f - std::abs(float(x) + 0.5f - centre));
            const Rgb col = colour * (0.5f + 0.5f * t) * (0.75f + 0.4f * Clamp01(0.5f - across));
            c.Paint(x, y, col, cover);
        }
    }
}

void DewDrop(Canvas& c, Vec2 at, float r) {
    // A drop shows the bright world upside down: dark on top, light below.
    Fill(
        c, Around(at, r, r), [&](Vec2 p) { return DCircle(p, at, r); },
        [&](Vec2 p, float d) {
            const float v = (p.y - at.y) / r;
            const Rgb inside = Mix(Hex(0x1A4A2A), Hex(0xE0FFB0), Clamp01(0.5f + 0.6f * v));
            return Mix(inside, Hex(0x0C2012), Smooth(-1.5f, 0.0f, d) * 0.7f);
        });
    const Vec2 hi = at + Vec2{-r * 0.35f, -r * 0.4f};
    FillFlat(
        c, Around(hi, r * 0.4f, r * 0.3f), [&](Vec2 p) { return DEllipse(p, hi, r * 0.28f, r * 0.2f); }, Hex(0xFFFFFF));
}

Canvas Dew() {
    Canvas c(W, H, {}, 1);
    Shade(c, [](Vec2 p) {
        const Rgb base = Ramp({Hex(0x0C2A30), Hex(0x2E6A40), Hex(0x8AA848), Hex(0x2A5A2A), Hex(0x0A1E12)}, p.y / H);
        return base + Hex(0xFFF0A0) * (0.25f * std::exp(-Length(p - Vec2{420, 160}) / 160));
    });
    // Out-of-focus light through the leaves.
    Rng rng(12);
    for (int i = 0; i < 40; ++i) {
        const Vec2 at{rng.Range(0, W), rng.Range(0, 380)};
        const float r = rng.Range(10, 34);
        const Rgb tint = Mix(Hex(0xD8F0A0), Hex(0xFFF8D0), rng.Next());
        const float opacity = rng.Range(0.08f, 0.22f);
        FillFlat(c, Around(at, r, r), [&](Vec2 p) { return DCircle(p, at, r) / 2.5f; }, tint, opacity);
    }
    // Blades: far ones pale and thin, near ones dark and broad.
    for (int layer = 0; layer < 2; ++layer)
        for (int i = 0; i < 60; ++i) {
            const float x = rng.Range(-20, W + 20);
            const float height = layer ? rng.Range(140, 360) : rng.Range(90, 220);
            const Rgb colour = layer ? Mix(Hex(0x2A7A30), Hex(0x5AAA3A), rng.Next()) : Hex(0x4A8A50);
            const float lean = rng.Range(-70, 70);
            const float width = layer ? rng.Range(4, 8) : rng.Range(2, 4);
            Blade(c, {x, float(H) + 5}, height, lean, width, colour);
            if (layer && i % 2 == 0) {
                const Vec2 drop{x + rng.Range(-4, 8), float(H) - height * rng.Range(0.35f, 0.7f)};
                DewDrop(c, drop, rng.Range(3.5f, 8));
            }
        }
    return c;
}

// ---- 2: Pebble Path, smooth river stones -------------------------------------

Canvas Pebbles() {
    Canvas c(W, H, {}, 1);
    constexpr float CellSize = 46;
    constexpr int Cols = int(W / CellSize) + 3, Rows = int(H / CellSize) + 3;
    const Rgb palette[6] = {Hex(0x9A8E80), Hex(0x6A7080), Hex(0xB89A78), Hex(0x55555E), Hex(0xA88880), Hex(0xC8C4BC)};
    struct Pebble {
        Vec2 centre;
        float rx, ry, cosA, sinA;
        Rgb colour;
    };
    // One pebble per cell, jittered, with a border of cells all round.
    std::vector<Pebble> pebbles;
    Rng rng(22);
    for (int j = -1; j < Rows - 1; ++j)
        for (int i = -1; i < Cols - 1; ++i) {
            const Vec2 centre{(float(i) + 0.5f + rng.Range(-0.22f, 0.22f)) * CellSize,
                              (float(j) + 0.5f + rng.Range(-0.22f, 0.22f)) * CellSize};
            const float angle = rng.Range(0, Pi);
            pebbles.push_back(
                {centre, rng.Range(17, 23), rng.Range(13, 18), std::cos(angle), std::sin(angle), palette[rng.Int(6)]});
        }
    Shade(c, [&](Vec2 p) {
        const int cx = int(p.x / CellSize), cy = int(p.y / CellSize);
        float best = 1e9f, gap = 1e9f;
        Vec3 normal{0, 0, 1};
        Rgb stone;
        for (int j = cy - 1; j <= cy + 1; ++j)
            for (int i = cx - 1; i <= cx + 1; ++i) {
                const Pebble& b = pebbles[size_t((j + 1) * Cols + (i + 1))];
                const Vec2 r = p - b.centre;
                const Vec2 q{r.x * b.cosA + r.y * b.sinA, -r.x * b.sinA + r.y * b.cosA};
                const float d = DEllipse(q, {0, 0}, b.rx, b.ry);
                gap = std::min(gap, d);
                if (d < best) {
                    best = d;
                    const Vec2 u{q.x / b.rx, q.y / b.ry};
                    const float zz = std::max(1 - Dot(u, u), 0.0f);
                    const Vec2 n2{u.x * b.cosA - u.y * b.sinA, u.x * b.sinA + u.y * b.cosA};
                    normal = Normalize({n2.x, n2.y, std::sqrt(zz) * 1.4f + 0.05f});
                    stone = b.colour;
                }
            }
        // Wet sand between the stones, darker in the crevices.
        const Rgb sand = Mix(Hex(0x20180F), Hex(0x4A3A28), Noise(p.x / 2.5f, p.y / 2.5f, 7)) * Smooth(0.0f, 6.0f, gap);
        const Rgb lit = stone * (0.3f + 0.12f * Noise(p.x / 3, p.y / 3, 8) + 0.85f * Diffuse(normal)) +
                        Rgb{1, 1, 1} * (0.35f * Specular(normal, 28));
        return Mix(sand, lit, Coverage(best));
    });
    return c;
}

// ---- 3: Little Squares, a marble chequerboard under a great moon -------------

Canvas Chequerboard() {
    Canvas c = StarrySky(W, H, 33, Hex(0x080420), Hex(0x4A2A6A));
    constexpr float Horizon = 214, Focal = 420, Eye = 130, Tile = 70;
    const Vec2 moon{584, 56};
    Glow(c, moon, 70, Hex(0x8070A0), 0.5f);
    Fill(
        c, Around(moon, 38, 38), [&](Vec2 p) { return DCircle(p, moon, 36); },
        [&](Vec2 p, float) {
            const Vec3 n = SphereNormal(p, moon, 36);
            const float craters = Smooth(0.55f, 0.7f, Fbm(p.x / 14, p.y / 14, 3, 34));
            return Mix(Hex(0xF4F0FF), Hex(0xB8B0D0), craters * 0.6f) * (0.75f + 0.3f * n.z);
        });
    for (int y = int(Horizon); y < H; ++y)
        for (int x = 0; x < W; ++x) {
            // The chequer is sampled four times a pixel; the veins once.
            const float cz = Focal * Eye / std::max(float(y) + 0.5f - Horizon, 0.3f);
            const float cwx = (float(x) + 0.5f - 320) * cz / Focal;
            const float vein = Smooth(0.03f, 0.0f, std::abs(Fbm(cwx / 60, cz / 60, 3, 35) - 0.5f));
            float lightShare = 0;
            for (int s = 0; s < 4; ++s) {
                const float sx = float(x) + 0.25f + 0.5f * float(s % 2), sy = float(y) + 0.25f + 0.5f * float(s / 2);
                const float z = Focal * Eye / std::max(sy - Horizon, 0.3f);
                const float wx = (sx - 320) * z / Focal;
                lightShare += (int(std::floor(wx / Tile)) + int(std::floor(z / Tile))) % 2 == 0 ? 0.25f : 0;
            }
            Rgb tile = Mix(Mix(Hex(0x2C1E4A), Hex(0x7A5AA0), vein * 0.7f), Mix(Hex(0xDCD4E4), Hex(0x9A90B0), vein),
                           lightShare);
            // The sky mirrored in the polish, and haze far off.
            tile = tile + Hex(0x6A4A90) * (0.25f * Smooth(600.0f, 120.0f, float(y) - Horizon + 100));
            c.Set(x, y, Mix(tile, Hex(0x5A3A7A), Smooth(300.0f, 3000.0f, cz)));
        }
    // The moon's path on the polished floor.
    for (int y = int(Horizon); y < H; ++y)
        for (int x = 470; x < 630; ++x)
            c.Add(x, y,
                  Hex(0xC8B8F0) *
                      (0.22f * std::exp(-std::pow((float(x) - moon.x) / (10 + 0.2f * (float(y) - Horizon)), 2.0f))));
    return c;
}

// ---- 4: Level Ground, granite peaks by moonlight -----------------------------

Canvas Mountains() {
    Canvas c = StarrySky(W, H, 44, Hex(0x040818), Hex(0x1A2A50));
    const Vec2 moon{96, 66};
    Glow(c, moon, 60, Hex(0x6080B0), 0.6f);
    FillFlat(
        c, Around(moon, 30, 30), [&](Vec2 p) { return DCircle(p, moon, 28); }, Hex(0xF4F6FF));
    // Three ranges of peaks; each face left of a peak's spine takes the
    // moonlight, the face right of it is in shadow.
    struct Peak {
        float x, top, halfWidth;
    };
    const struct {
        float base;
        int count;
        float minRise, maxRise;
        Rgb rock;
        bool snowy;
    } ranges[3] = {{330, 9, 170, 270, Hex(0x5A6C98), true},
                   {410, 7, 110, 190, Hex(0x34426A), true},
                   {478, 7, 50, 100, Hex(0x141A30), false}};
    Rng rng(45);
    for (int k = 0; k < 3; ++k) {
        std::vector<Peak> peaks;
        for (int i = 0; i < ranges[k].count; ++i) {
            const float rise = rng.Range(ranges[k].minRise, ranges[k].maxRise);
            peaks.push_back({(float(i) + rng.Range(0.1f, 0.9f)) * 700 / float(ranges[k].count) - 30,
                             ranges[k].base - rise, rise * rng.Range(0.8f, 1.2f)});
        }
        for (int x = 0; x < W; ++x) {
            const float fx = float(x) + 0.5f;
            const Peak* own = &peaks[0];
            float ridge = 1e9f;
            for (const Peak& pk : peaks) {
                const float y = pk.top + (ranges[k].base - pk.top) * std::abs(fx - pk.x) / pk.halfWidth;
                if (y < ridge) ridge = y, own = &pk;
            }
            ridge += 7 * (Fbm(fx / 14, float(k), 3, 46) - 0.5f);
            for (int y = std::max(0, int(ridge) - 1); y < H; ++y) {
                const float fy = float(y) + 0.5f, depth = fy - ridge;
                const float spine = own->x + 10 * (Noise(fy / 18, float(k) * 3, 47) - 0.5f) + (fy - own->top) * 0.12f;
                const float lit = Smooth(1.5f, -1.5f, fx - spine);
                const float strata = Fbm(fx / 6 + fy / 30, fy / 60, 3, 48 + uint32_t(k));
                Rgb col = ranges[k].rock * ((0.42f + 0.6f * lit) * (0.8f + 0.4f * strata));
                if (ranges[k].snowy) {
                    const float snowLine = own->top + (ranges[k].base - own->top) * 0.38f + 26 * (strata - 0.5f);
                    const float snow = Smooth(snowLine + 3, snowLine - 3, fy);
                    col = Mix(col, Mix(Hex(0x6A7CAA), Hex(0xF2F6FF), lit), snow * 0.95f);
                }
                // Haze gathers at the foot of the far ranges.
                col = Mix(col, Hex(0x2A3A66), 0.45f * Smooth(ridge + 20, ranges[k].base + 20, fy) * float(2 - k) / 2);
                c.Paint(x, y, col, Clamp01(depth + 0.5f));
            }
        }
    }
    return c;
}

// ---- 5: Rising Towers, a city of towers at dusk ------------------------------

Canvas Towers() {
    Canvas c(W, H, {}, 1);
    Shade(c, [](Vec2 p) {
        return Ramp({Hex(0x120A30), Hex(0x3A1A50), Hex(0x8A3A5A), Hex(0xE8784A), Hex(0xFFB860)}, p.y / 440);
    });
    // A crescent moon.
    const Vec2 moon{556, 70};
    Glow(c, moon, 40, Hex(0xA080B0), 0.4f);
    FillFlat(
        c, Around(moon, 26, 26),
        [&](Vec2 p) {
            return Cut(DCircle(p, moon, 24), DCircle(p, moon + Vec2{9, -6}, 21));
        },
        Hex(0xFFF4D8));
    Rng rng(55);
    for (int layer = 0; layer < 2; ++layer) {
        const Rgb body = layer ? Hex(0x1A0E26) : Hex(0x52305E);
        for (int i = 0; i < (layer ? 16 : 22); ++i) {
            const float x = rng.Range(-20, W + 20), width = layer ? rng.Range(26, 52) : rng.Range(18, 34);
            const float top = layer ? rng.Range(150, 330) : rng.Range(180, 330);
            const int roof = rng.Int(3);
            const Vec2 centre{x, (top + H) / 2};
            auto tower = [&](Vec2 p) {
                float d = DRect(p, centre, width / 2, (H - top) / 2 + 2);
                if (roof == 0)  // a pointed cone
                    d = Union(
                        d, DPolygon(p, {{x - width / 2 - 3, top}, {x, top - width * 1.3f}, {x + width / 2 + 3, top}}));
                if (roof == 1)  // battlements
                    d = Union(d, std::max(DRect(p, {x, top - 5}, width / 2 + 2, 5),
                                          -DRect(p, {x + std::round((p.x - x) / 8) * 8 + 4, top - 7}, 2, 4)));
                if (roof == 2) d = Union(d, DCircle(p, {x, top}, width / 2));  // a dome
                return d;
            };
            Fill(c, {x - width, top - width * 1.5f, x + width, float(H)}, tower, [&](Vec2 p, float) {
                // Lit from the sunset on the left edge.
                const float edge = Smooth(x - width / 2 + 4, x - width / 2, p.x);
                return body + Hex(0xE8784A) * (0.25f * edge * (layer ? 0.6f : 1.0f));
            });
            // Lit windows on the near towers.
            if (layer)
                for (float wy = top + 14; wy < H - 10; wy += 22)
                    for (float wx = x - width / 2 + 7; wx < x + width / 2 - 5; wx += 11) {
                        if (rng.Next() < 0.55f) continue;
                        const Vec2 w{wx + 2, wy};
                        Glow(c, w, 5, Hex(0xFF9A30), 0.25f);
                        FillFlat(
                            c, Around(w, 3, 5), [&](Vec2 p) { return DRect(p, w, 1.8f, 3.5f, 1.5f); }, Hex(0xFFD880));
                    }
        }
    }
    return c;
}

// ---- 6: Garden Tiles, glazed tiles and a climbing vine -----------------------

void Leaf(Canvas& c, Vec2 base, float angle, float length) {
    const Vec2 dir = Rotate({1, 0}, angle);
    const Vec2 mid = base + dir * (length / 2);
    Fill(
        c, Around(mid, length / 2 + 2, length / 2 + 2),
        [&](Vec2 p) {
            const Vec2 q = Rotate(p - mid, -angle);
            const float w = length * 0.28f * (1 - std::pow(std::abs(q.x) / (length / 2), 2.0f));
            return std::abs(q.y) - std::max(w, 0.0f) + (std::abs(q.x) > length / 2 ? 10.0f : 0.0f);
        },
        [&](Vec2 p, float) {
            const Vec2 q = Rotate(p - mid, -angle);
            const float vein = Smooth(0.8f, 0.2f, std::abs(q.y));
            const float side = q.y * (std::cos(angle) > 0 ? 1.0f : -1.0f);
            return Mix(Hex(0x2A8A3A), Hex(0x0E4A1E), Clamp01(0.5f + side / length * 2)) + Hex(0x90E070) * (0.3f * vein);
        });
}

Canvas GardenTiles() {
    Canvas c(W, H, {}, 1);
    constexpr float Tile = 64;
    Shade(c, [&](Vec2 p) {
        const Vec2 cell{std::floor(p.x / Tile), std::floor(p.y / Tile)};
        const Vec2 q = p - cell * Tile - Vec2{Tile / 2, Tile / 2};  // -32..32
        Rgb glaze = Mix(Hex(0x14385A), Hex(0x1E4E72), Fbm(p.x / 20, p.y / 20, 3, 66));
        // A turquoise ring, an eight-petalled flower in cream, corner quarters.
        const float ring = std::abs(Length(q) - 21) - 1.6f;
        float petals = 1e9f;
        for (int k = 0; k < 4; ++k) {
            const Vec2 r = Rotate(q, float(k) * Pi / 4);
            petals = std::min(petals, DEllipse(r, {0, 0}, 15, 4.5f));
        }
        const float corner = std::abs(Length({Tile / 2 - std::abs(q.x), Tile / 2 - std::abs(q.y)}) - 12) - 3;
        glaze = Mix(glaze, Hex(0x30C0B0), Coverage(ring));
        glaze = Mix(glaze, Hex(0xF0E2B8), Coverage(corner) * 0.9f);
        glaze = Mix(glaze, Hex(0xF4E8C8), Coverage(petals));
        glaze = Mix(glaze, Hex(0xE0A040), Coverage(Length(q) - 4));
        // Each tile's glaze catches the light at its top left.
        glaze = glaze * (0.85f + 0.25f * Clamp01(0.5f - (q.x + q.y) / 64));
        const float grout = std::max(std::abs(q.x), std::abs(q.y)) - (Tile / 2 - 1.5f);
        return Mix(glaze, Hex(0x1A1E22), Smooth(-0.5f, 0.5f, grout));
    });
    // A vine climbing down each side, leaves turning both ways.
    for (const float side : {40.0f, 600.0f}) {
        Vec2 prev{side, -10};
        for (int i = 1; i <= 16; ++i) {
            const Vec2 at{side + 22 * std::sin(float(i) * 0.9f + side), -10 + float(i) * 31};
            FillFlat(
                c, {std::min(prev.x, at.x) - 3, prev.y - 3, std::max(prev.x, at.x) + 3, at.y + 3},
                [&](Vec2 p) { return DSegment(p, prev, at, 2); }, Hex(0x3A5A20));
            Leaf(c, at, (i % 2 ? 0.5f : Pi - 0.5f) + 0.3f * std::sin(float(i)), 26);
            prev = at;
        }
    }
    return c;
}

// ---- 7: Slanted Rain, a storm at night ---------------------------------------

Canvas Storm() {
    Canvas c(W, H, {}, 1);
    Shade(c, [](Vec2 p) {
        const float cloud = Fbm(p.x / 140, p.y / 70, 6, 77);
        Rgb sky = Mix(Hex(0x0C1020), Hex(0x3A4460), Smooth(0.35f, 0.75f, cloud));
        sky = sky * (1.1f - 0.5f * p.y / H);
        return sky + Hex(0x8AA0FF) * (0.35f * std::exp(-Length(p - Vec2{90, 40}) / 120));
    });
    // A forked bolt of lightning over the top left.
    Rng rng(78);
    std::vector<Vec2> bolt{{120, -5}};
    for (int i = 0; i < 14; ++i) bolt.push_back(bolt.back() + Vec2{rng.Range(-16, 10), rng.Range(14, 26)});
    for (size_t i = 1; i < bolt.size(); ++i) {
        Glow(c, bolt[i], 14, Hex(0x6070FF), 0.12f);
        FillFlat(
            c,
            {std::min(bolt[i - 1].x, bolt[i].x) - 3, bolt[i - 1].y - 3, std::max(bolt[i - 1].x, bolt[i].x) + 3,
             bolt[i].y + 3},
            [&](Vec2 p) { return DSegment(p, bolt[i - 1], bolt[i], 1.3f - float(i) * 0.05f); }, Hex(0xF0F4FF));
    }
    Vec2 fork = bolt[5];
    for (int i = 0; i < 5; ++i) {
        const Vec2 next = fork + Vec2{rng.Range(8, 20), rng.Range(10, 20)};
        FillFlat(
            c, {fork.x - 2, fork.y - 2, next.x + 2, next.y + 2}, [&](Vec2 p) { return DSegment(p, fork, next, 0.7f); },
            Hex(0xC8D0FF));
        fork = next;
    }
    // Puddled ground catching the sky.
    Shade(c, [&](Vec2 p) {
        const Rgb col = c.Get(int(p.x), int(p.y));
        if (p.y < 440) return col;
        const float wet = Smooth(0.45f, 0.6f, Fbm(p.x / 40, p.y / 6, 3, 79));
        return Mix(Hex(0x10121A), Hex(0x4A5878), wet * 0.7f);
    });
    // Rain slanting down to the left, some streaks brighter than others.
    for (int i = 0; i < 900; ++i) {
        const Vec2 a{rng.Range(0, W + 80), rng.Range(-30, H)};
        const float length = rng.Range(10, 26);
        const Vec2 b = a + Vec2{-0.35f, 1} * length;
        FillFlat(
            c, {b.x - 2, a.y - 2, a.x + 2, b.y + 2}, [&](Vec2 p) { return DSegment(p, a, b, 0.45f); }, Hex(0xB0C0E0),
            rng.Range(0.15f, 0.45f));
    }
    return c;
}

// ---- 8: Twin Pillars, an aurora over snow and ice ----------------------------

float DSnowflake(Vec2 q, float size) {
    float d = 1e9f;
    for (int k = 0; k < 6; ++k) {
        const Vec2 r = Rotate(q, -float(k) * Pi / 3);
        d = std::min(d, DSegment(r, {0, 0}, {size, 0}, size * 0.06f));
        for (const float t : {0.45f, 0.7f})
            for (const float s : {-1.0f, 1.0f})
                d = std::min(d, DSegment(r, {size * t, 0}, {size * (t + 0.18f), s * size * 0.2f}, size * 0.045f));
    }
    return d;
}

Canvas Aurora() {
    Canvas c = StarrySky(W, H, 88, Hex(0x020A1C), Hex(0x0C3048));
    for (int x = 0; x < W; ++x) {
        // Curtains hanging from a wavering line, streaked vertically.
        const float line = 110 + 50 * std::sin(float(x) / 110) + 30 * Fbm(float(x) / 60, 1, 3, 89);
        for (int y = 0; y < 330; ++y) {
            const float below = float(y) - line;
            const float curtain = below > 0 ? std::exp(-below / 26) : std::exp(-below * below / 3000);
            if (curtain < 0.01f) continue;
            const float streaks = 0.4f + 0.6f * Fbm(float(x) / 5, float(y) / 200, 2, 90);
            const Rgb hue = Mix(Hex(0x40FFA0), Hex(0xC040FF), Smooth(0.0f, -110.0f, below));
            c.Add(x, y, hue * (0.7f * curtain * streaks));
        }
    }
    // Snowfields in two drifts.
    for (int k = 0; k < 2; ++k)
        for (int x = 0; x < W; ++x) {
            const float ridge =
                (k ? 440.0f : 395.0f) - 40 * Profile(float(x), k ? 160.0f : 100.0f, 91 + uint32_t(k), 4);
            for (int y = std::max(0, int(ridge) - 1); y < H; ++y) {
                const float depth = float(y) - ridge;
                const Rgb snow = Mix(Hex(0xE8F4FF), Hex(0x6A8AB8), Clamp01(depth / 40 + 0.1f * float(k)));
                c.Paint(x, y, snow * (k ? 0.85f : 0.7f), Clamp01(depth + 0.5f));
            }
        }
    // Icicles along the top edge.
    Rng rng(92);
    for (float x = 0; x < W; x += rng.Range(9, 20)) {
        const float length = rng.Range(10, 46), width = rng.Range(3, 6);
        const std::vector<Vec2> ice{{x - width, -1}, {x + width, -1}, {x + 0.3f, length}};
        Fill(
            c, {x - width - 1, 0, x + width + 1, length + 1}, [&](Vec2 p) { return DPolygon(p, ice); },
            [&](Vec2 p, float) { return Mix(Hex(0xF0FAFF), Hex(0x5AA0D0), Clamp01((p.x - x + width) / (2 * width))); },
            0.9f);
    }
    // Snowflakes, large and small.
    for (const auto& [at, size] : std::vector<std::pair<Vec2, float>>{
             {{60, 60}, 26}, {{150, 440}, 18}, {{600, 440}, 22}, {{630, 60}, 14}, {{500, 30}, 10}, {{40, 300}, 12}})
        Fill(
            c, Around(at, size + 2, size + 2), [&](Vec2 p) { return DSnowflake(p - at, size); },
            [](Vec2, float) { return Hex(0xE8F8FF); });
    for (int i = 0; i < 140; ++i) {
        const Vec2 at{rng.Range(0, W), rng.Range(0, H)};
        const float r = rng.Range(0.6f, 1.6f);
        FillFlat(
            c, Around(at, 3, 3), [&](Vec2 p) { return DCircle(p, at, r); }, Hex(0xF0F8FF), 0.8f);
    }
    return c;
}

// ---- 9: Crown of Zintari, velvet, gold and a jewelled crown -------------------

Canvas Royal() {
    Canvas c(W, H, {}, 1);
    Shade(c, [](Vec2 p) {
        // Draped velvet: soft vertical folds.
        const float fold = 0.5f + 0.5f * std::sin(p.x / 26 + 3 * Fbm(p.x / 90, p.y / 260, 3, 99));
        Rgb velvet = Mix(Hex(0x2A0620), Hex(0x7A1442), fold * fold);
        // A damask lattice of gold diamonds, faint.
        const Vec2 q{std::fmod(p.x, 80.0f) - 40, std::fmod(p.y, 80.0f) - 40};
        const float diamond = std::abs(std::abs(q.x) + std::abs(q.y) - 30) - 1.2f;
        const float dot = Length(q) - 4;
        velvet = Mix(velvet, Hex(0xC89038) * (0.6f + 0.5f * fold), 0.45f * Coverage(std::min(diamond, dot)));
        // Light falling from above.
        const float ray = 0.5f + 0.5f * std::sin(std::atan2(p.x - 320, p.y + 120) * 18);
        return velvet * (0.7f + 0.25f * ray * Smooth(480.0f, 0.0f, p.y)) +
               Hex(0xFF80A0) * (0.12f * Smooth(300.0f, 0.0f, p.y));
    });
    // The crown in the top left corner: a gold band with five points, each
    // tipped with a pearl, set with the four colours and a wild stone.
    const float baseY = 84;
    std::vector<Vec2> crown{{30, baseY}, {160, baseY}, {164, 36}};
    for (int k = 4; k >= 0; --k) {
        const float x = 34 + 31.5f * float(k);
        crown.push_back({x + 15, k % 2 ? 52.0f : 58.0f});
        crown.push_back({x, k % 2 ? 30.0f : 22.0f});
    }
    crown.push_back({26, 36});
    auto crownDist = [&](Vec2 p) { return DPolygon(p, crown); };
    SoftShadow(c, {101, 66}, 80, 40, 0.55f);
    Fill(c, {20, 14, 170, 90}, crownDist, [&](Vec2 p, float) {
        const Vec3 n = BevelNormal(crownDist, p, 5, 1.2f);
        const float band = Smooth(64.0f, 66.0f, p.y);
        const Rgb gold = Mix(Hex(0xFFE890), Hex(0xC88A28), Clamp01((p.y - 20) / 70)) * (1 - 0.15f * band);
        return gold * (0.5f + 0.6f * Diffuse(n)) + Rgb{1, 1, 1} * (0.35f * Specular(n, 20));
    });
    for (int k = 0; k < 5; ++k) {
        const Vec2 pearl{34 + 31.5f * float(k), k % 2 ? 28.0f : 20.0f};
        Fill(
            c, Around(pearl, 6, 6), [&](Vec2 p) { return DCircle(p, pearl, 5); },
            [&](Vec2 p, float) { return ShadeBall(SphereNormal(p, pearl, 5), Hex(0xE8E0F0), 0.8f); });
    }
    const int jewels[5] = {0, 2, 5, 1, 3};
    for (int k = 0; k < 5; ++k) DrawBall(c, {41 + 27.0f * float(k), 74}, 6.5f, jewels[k]);
    return c;
}

}  // namespace

Canvas Background(int theme) {
    Canvas c;
    switch (theme) {
        case 0:
            c = Dawn();
            break;
        case 1:
            c = Dew();
            break;
        case 2:
            c = Pebbles();
            break;
        case 3:
            c = Chequerboard();
            break;
        case 4:
            c = Mountains();
            break;
        case 5:
            c = Towers();
            break;
        case 6:
            c = GardenTiles();
            break;
        case 7:
            c = Storm();
            break;
        case 8:
            c = Aurora();
            break;
        default:
            c = Royal();
            break;
    }
    PlayScreenFrame(c);
    return c;
}

}  // namespace art
