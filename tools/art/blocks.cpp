// The well's blocks and the pictures drawn over the well: balls, the stone,
// the power meter cell and its dissolving, the bomb, the broom and the holy
// glow.
#include "tools/art/art.h"

namespace art {

namespace {

constexpr int Cell = 24;
const Vec2 CellCentre{12, 12};

// Each colour carries its own emblem so that colours need not be told by hue
// alone: red a ring, green a triangle, blue a diamond, yellow a star.
float EmblemDistance(int colour, Vec2 q) {
    switch (colour) {
        case 0:
            return std::abs(Length(q) - 3.9f) - 1.45f;
        case 1:
            return DPolygon(q, {{0, -6.0f}, {5.3f, 3.2f}, {-5.3f, 3.2f}}) - 0.2f;
        case 2:
            return DPolygon(q, {{0, -6.2f}, {4.6f, 0}, {0, 6.2f}, {-4.6f, 0}}) - 0.1f;
        default: {
            std::vector<Vec2> star;
            for (int i = 0; i < 10; ++i) {
                const float a = -Pi / 2 + float(i) * Pi / 5, r = i % 2 ? 2.7f : 6.3f;
                star.push_back({r * std::cos(a), r * std::sin(a) + 0.5f});
            }
            return DPolygon(q, star);
        }
    }
}

// A four-pointed sparkle of the given size, as a distance.
float DSparkle(Vec2 q, float size, float angle) {
    q = Rotate(q, -angle);
    const float thin = size * 0.16f;
    return std::min(
        DPolygon(
            q,
            {{0, -size}, {thin, -thin}, {size, 0}, {thin, thin}, {0, size}, {-thin, thin}, {-size, 0}, {-thin, -thin}}),
        Length(q) - thin * 1.6f);
}

void DrawWildBall(Canvas& c, Vec2 centre, float r) {
    Fill(
        c, Around(centre, r, r), [&](Vec2 p) { return DCircle(p, centre, r); },
        [&](Vec2 p, float) {
            const Vec3 n = SphereNormal(p, centre, r);
            // Swirled bands of every hue, wrapped on the sphere.
            const float turn = std::atan2(n.y, n.x) / (2 * Pi) + 0.35f * (1 - n.z);
            const Rgb hue = Hsv(turn, 0.78f, 1.0f);
            return ShadeBall(n, hue * 0.92f);
        });
    const float s = r / 11.3f;
    Fill(
        c, Around(centre, 8 * s, 8 * s), [&](Vec2 p) { return DSparkle((p - centre) * (1 / s), 7.2f, 0) * s; },
        [&](Vec2 p, float) { return Mix(Hex(0xFFFFFF), Hex(0xFFF2C0), Length(p - centre) / (7 * s)); });
}

content::Image Ball(int colour) {
    Canvas c(Cell, Cell, {}, 1);
    DrawBall(c, CellCentre, 11.3f, colour);
    return ToImage(c);
}

// A rough grey stone: a chipped, faceted lump with a few cracks. It is
// keyed on pure black, so it never holds near-black itself.
content::Image Stone() {
    Canvas c(Cell, Cell, {}, 0);
    const Vec2 centre{12, 12.3f};
    Rng rng(4);
    std::vector<Vec2> outline;
    constexpr int Corners = 8;
    for (int i = 0; i < Corners; ++i) {
        const float a = (float(i) + rng.Range(-0.25f, 0.25f)) / Corners * 2 * Pi;
        const float r = rng.Range(9.6f, 11.6f);
        outline.push_back(centre + Vec2{r * std::cos(a) * 1.03f, r * std::sin(a) * 0.95f});
    }
    // Facets: each seed owns the nearest pixels and tilts its face outwards.
    struct Facet {
        Vec2 seed;
        Vec3 normal;
        float tone;
    };
    std::vector<Facet> facets{{centre + Vec2{-1, -1.5f}, {0, 0, 1}, 1.0f}};
    for (int i = 0; i < 7; ++i) {
        const float a = (float(i) + rng.Range(-0.3f, 0.3f)) / 7 * 2 * Pi + 0.3f;
        const Vec2 dir{std::cos(a), std::sin(a)};
        const Vec2 seed = centre + dir * rng.Range(7, 9.5f);
        const Vec3 normal = Normalize({dir.x * rng.Range(0.8f, 1.3f), dir.y * rng.Range(0.8f, 1.3f), 0.9f});
        facets.push_back({seed, normal, rng.Range(0.88f, 1.08f)});
    }
    Fill(
        c, {0, 0, 24, 24}, [&](Vec2 p) { return DPolygon(p, outline); },
        [&](Vec2 p, float d) {
            float nearest = 1e9f, second = 1e9f;
            const Facet* own = &facets[0];
            for (const Facet& f : facets) {
                const float dist = Length(p - f.seed);
                if (dist < nearest) {
                    second = nearest;
                    nearest = dist;
                    own = &f;
                } else {
                    second = std::min(second, dist);
                }
            }
            const float grain = Fbm(p.x / 2.5f, p.y / 2.5f, 2, 90);
            Rgb base = Mix(Hex(0x8C8880), Hex(0xA8A398), grain) * own->tone;
            base = Mix(base, Hex(0x7A8088), Smooth(0.55f, 0.8f, Noise(p.x / 5, p.y / 5, 91)) * 0.5f);
            Rgb lit = base * (0.3f + 0.95f * Diffuse(own->normal)) + Rgb{1, 1, 1} * (0.08f * Specular(own->normal, 8));
            // Edges between facets: a fine dark seam with a lit lip.
            const float seam = second - nearest;
            lit = Mix(lit, lit * 0.62f, Smooth(1.1f, 0.2f, seam));
            const float crack = Smooth(0.035f, 0.0f, std::abs(Fbm(p.x / 9, p.y / 9, 2, 93) - 0.5f));
            lit = Mix(lit, Hex(0x3A3834), crack * 0.7f * Smooth(-1.0f, -2.5f, d));
            // The outline turns away from the light into shadow.
            return Mix(lit, Hex(0x46423C), Smooth(-1.6f, 0.0f, d) * 0.6f);
        });
    return ToKeyedImage(c);
}

// The power meter cell: a glass capsule of turquoise energy. Cells stack in
// a column, so each is capped top and bottom with a thin brass band.
void DrawMeterCell(Canvas& c, float fade) {
    const float halfW = 10.6f, halfH = 11.3f;
    Fill(
        c, {0, 0, 24, 24}, [&](Vec2 p) { return DRect(p, CellCentre, halfW, halfH, 3.5f); },
        [&](Vec2 p, float d) {
            const float nx = (p.x - CellCentre.x) / halfW;
            const Vec3 n{nx, 0, std::sqrt(std::max(0.0f, 1 - nx * nx))};
            const float swirl = Fbm(p.y / 6.0f, p.x / 5.0f + p.y / 9.0f, 3, 12, 4);
            const float core = std::exp(-std::pow((nx + 0.12f) / 0.45f, 2.0f));
            Rgb col = Ramp({Hex(0x06305C), Hex(0x0C80B8), Hex(0x38D8E8), Hex(0xE8FFFF)},
                           0.15f + 0.6f * core * (0.75f + 0.5f * swirl) + 0.2f * Diffuse(n));
            col = col + Rgb{1, 1, 1} * (0.55f * Specular(n, 30));
            // Brass bands at both ends.
            const float band = std::abs(p.y - CellCentre.y);
            if (band > halfH - 2.6f) {
                const Rgb brass = Mix(Hex(0x6A4A18), Hex(0xF0CF70), 0.25f + 0.75f * Diffuse(n));
                col = Mix(col, brass, Smooth(halfH - 2.6f, halfH - 2.0f, band));
            }
            col = Mix(col, col * 0.55f, Smooth(-1.5f, 0.0f, d));
            return col * fade;
        });
}

content::Image MeterCell() {
    Canvas c(Cell, Cell, {}, 1);
    DrawMeterCell(c, 1);
    return ToImage(c);
}

}  // namespace

Rgb BallColour(int colour) {
    static const Rgb colours[4] = {Hex(0xD81820), Hex(0x22B030), Hex(0x2450E8), Hex(0xF2C414)};
    return colours[colour];
}

void DrawBall(Canvas& c, Vec2 centre, float r, int colour) {
    if (colour == 5) return DrawWildBall(c, centre, r);
    const Rgb base = BallColour(colour);
    Fill(
        c, Around(centre, r, r), [&](Vec2 p) { return DCircle(p, centre, r); },
        [&](Vec2 p, float) { return ShadeBall(SphereNormal(p, centre, r), base); });
    // The emblem is a pale inlay with a dark rim, set a little below right
    // of centre so that it stays clear of the highlight. Small balls keep
    // their emblems a little larger, to stay legible.
    const float s = (0.35f + 0.65f * r / 11.3f) * 0.9f;
    const Vec2 at = centre + Vec2{0.8f, 1.0f} * s;
    auto emblem = [&](Vec2 offset) {
        return [=](Vec2 p) { return EmblemDistance(colour, (p - at - offset) * (1 / s)) * s; };
    };
    FillFlat(
        c, Around(at, 9 * s, 9 * s),
        [&](Vec2 p) {
            return emblem(Vec2{0.5f, 0.6f} * s)(p) - 0.75f;
        },
        base * 0.38f, 0.8f);
    Fill(c, Around(at, 8 * s, 8 * s), emblem({}), [&](Vec2 p, float) {
        const Vec3 n = SphereNormal(p, centre, r);
        const Rgb face = Mix(base, Hex(0xFFFFFF), colour == 3 ? 0.72f : 0.62f);
        return face * (0.72f + 0.38f * Diffuse(n)) + Rgb{1, 1, 1} * (0.1f * Specular(n, 8));
    });
}

content::Image Block(int index) {
    if (index < 4 || index == 5) return Ball(index);
    if (index == 4) return Stone();
    return MeterCell();
}

// Eight frames of a meter cell burning away from its edges into sparks.
content::Image MeterSpend() {
    content::Image sheet(8 * Cell, Cell);
    for (int f = 0; f < 8; ++f) {
        Canvas cell(Cell, Cell, {}, 1);
        DrawMeterCell(cell, 1);
        const float gone = 0.05f + 0.13f * float(f);
        Canvas c(Cell, Cell, {}, 1);
        for (int y = 0; y < Cell; ++y)
            for (int x = 0; x < Cell; ++x) {
                // Dissolves from the rim inwards, broken up by noise.
                const float rim = std::min({float(x) + 0.5f, 23.5f - float(x), float(y) + 0.5f, 23.5f - float(y)});
                const float grain = Clamp01((Fbm(x / 3.5f, y / 3.5f, 3, 300) - 0.28f) / 0.44f);
                const float keep = 0.5f * grain + 0.5f * Clamp01(rim / 11.0f);
                const float margin = keep - gone;
                if (margin <= 0) continue;
                Rgb col = cell.Get(x, y);
                // The burning edge glows white-hot.
                col = Mix(col, Hex(0xF0FFFF), Smooth(0.09f, 0.0f, margin));
                c.Set(x, y, col * (1 + 0.35f * Smooth(0.6f, 0.0f, gone)));
            }
        // Sparks rising from the cell as it goes.
        Rng rng(500);
        for (int i = 0; i < 12; ++i) {
            const Vec2 start{rng.Range(3, 21), rng.Range(8, 22)};
            const float speed = rng.Range(1.5f, 3.0f), birth = rng.Range(0, 3);
            const float age = float(f) - birth;
            if (age < 0 || age > 4.5f) continue;
            const Vec2 at = start - Vec2{rng.Range(-0.6f, 0.6f) * age, speed * age};
            const float size = 1.3f * (1 - age / 6.0f);
            FillFlat(
                c, Around(at, 2, 2), [&](Vec2 p) { return DCircle(p, at, size); },
                Mix(Hex(0xE8FFFF), Hex(0x30C0E0), age / 4.5f));
        }
        Paste(sheet, ToImage(c), f * Cell, 0);
    }
    return sheet;
}

// A round bomb of dark blued steel with a brass cap; its fuse sparks.
content::Image BombFrames() {
    content::Image sheet(3 * Cell, Cell);
    const Vec2 body{10.0f, 15.0f};
    const float r = 7.9f;
    for (int f = 0; f < 3; ++f) {
        Canvas c(Cell, Cell, {}, 1);
        Fill(
            c, Around(body, r, r), [&](Vec2 p) { return DCircle(p, body, r); },
            [&](Vec2 p, float) {
                const Vec3 n = SphereNormal(p, body, r);
                Rgb col = ShadeBall(n, Hex(0x3A4560), 1.1f);
                // A cold rim light keeps the bomb visible on the black well.
                const float rim = std::pow(1 - n.z, 2.5f) * Clamp01(n.x * 0.5f + n.y * 0.8f + 0.3f);
                return col + Hex(0x7090D0) * (0.7f * rim);
            });
        // The brass cap, tilted towards the fuse.
        const Vec2 out{0.62f, -0.78f};
        const Vec2 capA = body + out * (r - 1.2f), capB = body + out * (r + 0.7f);
        Fill(
            c, Around(capB, 4, 4), [&](Vec2 p) { return DSegment(p, capA, capB, 2.0f); },
            [&](Vec2 p, float d) {
                const float across = Dot(p - capA, {-out.y, out.x}) / 2.0f;
                const Rgb brass = Mix(Hex(0x6A4614), Hex(0xF8D880), Clamp01(0.55f + across * 0.55f));
                return Mix(brass, brass * 0.6f, Smooth(-0.8f, 0.0f, d));
            });
        // The fuse: a twisted cord curling up and to the right.
        const Vec2 f0 = capB, f1{15.8f, 2.0f}, spark{19.4f, 4.2f};
        Fill(
            c, {12, 0, 24, 12}, [&](Vec2 p) { return DCurve(p, f0, f1, spark, 0.85f); },
            [&](Vec2 p, float) {
                return Mix(Hex(0xD8C090), Hex(0x806040), 0.5f + 0.5f * std::sin((p.x + p.y) * 2.6f));
            });
        // The spark: glowing core, rays turning from frame to frame, embers.
        const float sizes[3] = {4.4f, 3.4f, 4.1f};
        Glow(c, spark, 3.0f, Hex(0xFF7818), 1.0f);
        Fill(
            c, Around(spark, 5, 5), [&](Vec2 p) { return DSparkle(p - spark, sizes[f], 0.3f * float(f) + 0.15f); },
            [&](Vec2 p, float) { return Mix(Hex(0xFFFFF0), Hex(0xFFA020), Length(p - spark) / sizes[f]); });
        Fill(
            c, Around(spark, 3, 3),
            [&](Vec2 p) { return DSparkle(p - spark, sizes[2 - f] * 0.6f, Pi / 4 + 0.2f * float(f)); },
            [&](Vec2, float) { return Hex(0xFFE890); });
        FillFlat(
            c, Around(spark, 2, 2), [&](Vec2 p) { return DCircle(p, spark, 1.3f); }, Hex(0xFFFFFF));
        Rng rng(700 + uint32_t(f));
        for (int i = 0; i < 4; ++i) {
            const Vec2 e = spark + Vec2{rng.Range(-4, 3.5f), rng.Range(-4, 3.5f)};
            FillFlat(
                c, Around(e, 1, 1), [&](Vec2 p) { return DCircle(p, e, 0.55f); }, Hex(0xFFD060));
        }
        Paste(sheet, ToImage(c), f * Cell, 0);
    }
    return sheet;
}

// A straw broom: the handle and binding in the upper cell, the bristles
// sweeping up dust in the lower one. Cells stand side by side in a row.
content::Image Sweep(bool lower) {
    Canvas c(Cell, Cell, {}, 1);
    const float top = lower ? -24.0f : 0.0f;  // both cells share one drawing
    // Handle: a turned wooden stick leaning to the right.
    const Vec2 h0{21.5f, top - 2}, h1{12.5f, top + 19};
    Fill(
        c, {0, 0, 24, 24}, [&](Vec2 p) { return DSegment(p, h0, h1, 1.7f); },
        [&](Vec2 p, float) {
            const Vec2 dir = (h1 - h0) * (1 / Length(h1 - h0));
            const float across = Dot(p - h0, {-dir.y, dir.x}) / 1.7f;
            const float grain = 0.5f + 0.5f * std::sin(Dot(p, dir) * 1.3f + across * 2);
            const Rgb wood = Mix(Hex(0x8A4E22), Hex(0xA86430), grain * 0.4f);
            return wood * (0.55f + 0.8f * Clamp01(0.6f - 0.7f * across)) +
                   Rgb{1, 1, 1} * (0.25f * Smooth(0.2f, -0.4f, across) * Smooth(-1.0f, -0.4f, across));
        });
    // Binding: a red tin collar with twine.
    const std::vector<Vec2> collar{{8.0f, top + 17}, {16.5f, top + 17}, {17.5f, top + 24.5f}, {7.0f, top + 24.5f}};
    Fill(
        c, {0, 0, 24, 24}, [&](Vec2 p) { return DPolygon(p, collar) - 0.3f; },
        [&](Vec2 p, float d) {
            const float u = (p.x - 7) / 10.5f;
            Rgb tin = Mix(Hex(0xF04A3A), Hex(0x701418), Clamp01(u * 1.1f));
            if (std::abs(p.y - (top + 20.8f)) < 1.0f) tin = Mix(Hex(0xF2D890), Hex(0x8A6A30), u);
            return Mix(tin, tin * 0.5f, Smooth(-1.2f, 0.0f, d));
        });
    // Bristles: a fan of straw, slightly swept to the left by the stroke.
    const std::vector<Vec2> fan{{7.0f, top + 24},  {17.5f, top + 24},   {23.0f, top + 43},
                                {22, top + 46.5f}, {2.5f, top + 46.5f}, {0.5f, top + 43}};
    Fill(
        c, {0, 0, 24, 24}, [&](Vec2 p) { return DPolygon(p, fan); },
        [&](Vec2 p, float d) {
            const float depth = Clamp01((p.y - (top + 24)) / 22.5f);
            const float spread = (p.x - 12.2f) / (5.2f + 6.5f * depth);  // -1..1 across the fan
            const float strand = Noise(spread * 9.0f, depth * 1.5f, 17);
            Rgb straw = Mix(Hex(0xF2D27A), Hex(0xB8862E), strand);
            straw = straw * (1.05f - 0.45f * Clamp01(spread * 0.6f + 0.45f) - 0.2f * depth);
            return Mix(straw, straw * 0.5f, Smooth(-1.4f, 0.0f, d));
        });
    if (lower) {
        // Dust thrown up either side of the bristles.
        for (const Vec2 puff : {Vec2{3.0f, 20.5f}, Vec2{21.5f, 21.0f}})
            Fill(
                c, Around(puff, 5, 4),
                [&](Vec2 p) { return DEllipse(p, puff, 4.2f, 2.8f) + 1.8f * Fbm(p.x / 2, p.y / 2, 2, 33); },
                [&](Vec2 p, float d) {
                    return Mix(Hex(0xB4A690), Hex(0x6A5E50), Clamp01((p.y - puff.y + 2) / 5)) *
                           (1 - 0.3f * Smooth(-1, 0, d));
                },
                0.8f);
        Rng rng(31);
        for (int i = 0; i < 6; ++i) {
            const Vec2 at{i % 2 ? rng.Range(0, 4) : rng.Range(20, 24), rng.Range(12, 18)};
            FillFlat(
                c, Around(at, 2, 2), [&](Vec2 p) { return DCircle(p, at, 0.6f); }, Hex(0xA89880), 0.9f);
        }
    }
    return ToImage(c);
}

// The holy glow over the cross: shafts of golden light run down the column
// from cell to cell, shimmering, with motes rising through them and a
// twinkle at each cell's heart. Frames 0-1 bring the light in; 2-10 loop.
content::Image CrossFrames() {
    content::Image sheet(11 * Cell, Cell);
    const float shafts[6] = {1.5f, 5.5f, 9.5f, 13.5f, 17.5f, 21.5f};
    for (int f = 0; f < 11; ++f) {
        Canvas c(Cell, Cell, {}, 0);
        const float loop = f < 2 ? 0.0f : float(f - 2) / 9.0f;  // 0..1 over the loop
        const float fadeIn = f == 0 ? 0.35f : f == 1 ? 0.7f : 1.0f;
        for (int i = 0; i < 6; ++i) {
            // Each shaft brightens and fades in its own phase.
            const float glow = fadeIn * (0.5f + 0.5f * std::sin(2 * Pi * (loop + float(i) * 0.37f)));
            if (glow < 0.3f) continue;
            const float x = shafts[i] + 0.8f * std::sin(2 * Pi * loop + float(i));
            FillFlat(
                c, {x - 2, 0, x + 2, 24}, [&](Vec2 p) { return std::abs(p.x - x) - 0.45f - 0.5f * glow; },
                Mix(Hex(0xB07818), Hex(0xFFF4C0), glow));
        }
        // Motes rising; they wrap at the cell's height, so the column flows on.
        Rng rng(900);
        for (int i = 0; i < 4; ++i) {
            const float x = rng.Range(2, 22), y0 = rng.Range(0, 24);
            const Vec2 m{x, std::fmod(y0 - loop * 24 + 48, 24.0f)};
            FillFlat(
                c, Around(m, 2, 2), [&](Vec2 p) { return DCircle(p, m, 1.1f * fadeIn); }, Hex(0xFFFFFF));
        }
        if (f >= 2) {
            const float size = 4.5f + 4.0f * (0.5f + 0.5f * std::cos(2 * Pi * loop));
            Fill(
                c, Around(CellCentre, 8, 8), [&](Vec2 p) { return DSparkle(p - CellCentre, size, 0); },
                [&](Vec2 p, float) { return Mix(Hex(0xFFFFFF), Hex(0xFFD860), Length(p - CellCentre) / size); });
        }
        Paste(sheet, ToKeyedImage(c), f * Cell, 0);
    }
    return sheet;
}

}  // namespace art
