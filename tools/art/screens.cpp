// The screens around the game: the main menu with the ZINTARI logo, the
// level select, the name entry and the best players' band.
#include "tools/art/art.h"

namespace art {

namespace {

struct Ball {
    Vec2 at;
    float r;
    int colour;  // 0-3, or 5 for the wild ball
};

// Big glossy balls tumbling at the sides of a screen; those falling trail
// a soft streak of their colour.
void DrawBalls(Canvas& c, const std::vector<Ball>& balls, bool trails) {
    for (const Ball& b : balls) {
        if (trails && b.at.y < 330) {
            const Rgb tint = b.colour == 5 ? Hex(0xC0A0FF) : BallColour(b.colour);
            for (int y = int(b.at.y - b.r * 3.5f); y < int(b.at.y); ++y)
                for (int x = int(b.at.x - b.r); x <= int(b.at.x + b.r); ++x) {
                    const float across = (x + 0.5f - b.at.x) / b.r;
                    const float along = (b.at.y - float(y)) / (b.r * 3.5f);
                    if (std::abs(across) < 1)
                        c.Add(x, y, tint * (0.22f * (1 - along) * std::sqrt(1 - across * across)));
                }
        }
        SoftShadow(c, b.at + Vec2{b.r * 0.25f, b.r * 0.3f}, b.r * 1.15f, b.r * 1.15f, 0.55f);
        DrawBall(c, b.at, b.r, b.colour);
    }
}

void Sparkle(Canvas& c, Vec2 at, float size, Rgb colour) {
    Glow(c, at, size * 0.35f, colour, 0.8f);
    FillFlat(
        c, Around(at, size, size),
        [&](Vec2 p) {
            const Vec2 q = p - at;
            return std::min(std::abs(q.x) + std::abs(q.y) * 7, std::abs(q.y) + std::abs(q.x) * 7) - size;
        },
        Mix(colour, Hex(0xFFFFFF), 0.6f), 0.9f);
}

}  // namespace

// The main menu (and options): the logo across the top, a dark glass panel
// for the menu texts in the middle, balls tumbling down either side.
Canvas Logo() {
    Canvas c = StarrySky(640, 480, 101, Hex(0x070618), Hex(0x1E0E3A));
    Glow(c, {320, 62}, 150, Hex(0x4A2A70), 0.5f);
    DrawBalls(c,
              {{{150, 150}, 15, 2},
               {{58, 236}, 21, 5},
               {{128, 300}, 26, 1},
               {{44, 372}, 31, 3},
               {{150, 410}, 38, 2},
               {{64, 450}, 40, 0},
               {{500, 176}, 16, 3},
               {{596, 250}, 22, 0},
               {{520, 318}, 27, 5},
               {{604, 382}, 32, 1},
               {{496, 420}, 36, 2},
               {{590, 462}, 34, 3}},
              true);
    GoldFramePanel(c, {190, 110, 466, 370}, 12, 0.6f);
    GoldTitle(c, "ZINTARI", SerifBold, 70, {320, 60});
    for (const Vec2 at : {Vec2{142, 36}, Vec2{512, 86}, Vec2{470, 26}, Vec2{180, 94}}) Sparkle(c, at, 9, Hex(0xFFE8A0));
    return c;
}

// The level select: a gold-framed board of thirty sockets, one per level,
// with dark bands for the title, the level's name and the top score.
Canvas LevelSelect() {
    Canvas c = StarrySky(640, 480, 202, Hex(0x040A1C), Hex(0x0C2438));
    DarkPlate(c, {120, 34, 520, 88}, 14, 0.45f, 12);
    GoldFramePanel(c, {172, 106, 468, 378}, 12, 0.55f);
    for (int row = 1; row <= 5; ++row)
        for (int col = 1; col <= 6; ++col) {
            const Vec2 centre{45.0f * float(col) + 163.5f, 50.0f * float(row) + 95};
            auto socket = [&](Vec2 p) { return DRect(p, centre, 19.5f, 22.5f, 6); };
            Fill(c, Around(centre, 22, 25), socket, [&](Vec2 p, float d) {
                // Recessed: shadowed under the top-left rim, lit on the far rim.
                const Vec2 q = p - centre;
                const float rim = Smooth(-3.5f, 0.0f, d);
                const float facing = Clamp01(0.5f + 0.5f * (q.x / 19.5f + q.y / 22.5f));
                Rgb floor = Mix(Hex(0x0C1430), Hex(0x18244A), Clamp01(0.5f - q.y / 60));
                return Mix(floor, Mix(Hex(0x04060E), Hex(0x5A6A9A), facing), rim * 0.8f);
            });
        }
    DarkPlate(c, {176, 402, 464, 434}, 12, 0.45f, 10);
    DrawBalls(c,
              {{{70, 130}, 18, 0},
               {{70, 170}, 18, 0},
               {{70, 210}, 18, 0},
               {{112, 440}, 30, 2},
               {{44, 404}, 24, 3},
               {{570, 150}, 18, 1},
               {{570, 190}, 18, 1},
               {{570, 230}, 18, 1},
               {{534, 440}, 30, 5},
               {{604, 410}, 24, 2}},
              true);
    for (const Vec2 at : {Vec2{84, 40}, Vec2{560, 58}, Vec2{600, 300}, Vec2{36, 300}}) Sparkle(c, at, 8, Hex(0xC8E8FF));
    return c;
}

// Name entry: a golden cup on a pedestal under spotlights on the right; the
// top left, where the texts and the name field sit, stays dark and calm.
Canvas NameEntry() {
    Canvas c = StarrySky(640, 480, 303, Hex(0x080614), Hex(0x24102C));
    // Keep the corner with the texts plain.
    DarkPlate(c, {0, 0, 300, 100}, 10, 0.7f, 30);
    const float cx = 470;
    // Two spotlight beams converging on the cup.
    Shade(c, [&](Vec2 p) {
        Rgb col = c.Get(int(p.x), int(p.y));
        for (const float source : {380.0f, 580.0f}) {
            const float t = Clamp01(p.y / 330);
            const float axis = source + (cx - source) * t;
            const float width = 20 + 60 * t;
            const float beam = Smooth(width, width * 0.3f, std::abs(p.x - axis)) * Smooth(400.0f, 200.0f, p.y);
            col = col + Hex(0xFFE0A0) * (0.12f * beam);
        }
        return col;
    });
    Glow(c, {cx, 250}, 110, Hex(0x604020), 0.45f);
    // The cup: a surface of revolution in polished gold.
    // The cup's profile: half its width at each height.
    auto halfWidth = [](float y) {
        if (y < 150) return 0.0f;
        if (y < 250) return 78 - 30 * std::pow((y - 150) / 100, 2.0f);
        if (y < 300) return 48 - 36 * Smooth(250, 300, y);
        if (y < 330) return 12.0f;
        return 12 + 40 * Smooth(330, 352, y);
    };
    const auto goldAt = [](Vec3 n) {
        // Polished gold mirrors a studio: softboxes left and right, a warm
        // floor below, dark all round.
        const Vec3 r{2 * n.z * n.x, 2 * n.z * n.y, 2 * n.z * n.z - 1};
        float env = 0.18f + 0.25f * Smooth(0.3f, -0.6f, r.y);
        env += 1.1f * Smooth(0.22f, 0.05f, std::abs(r.x + 0.55f)) * Smooth(0.9f, 0.4f, std::abs(r.y + 0.1f));
        env += 0.55f * Smooth(0.12f, 0.03f, std::abs(r.x - 0.6f));
        env += 0.35f * Smooth(0.0f, 0.6f, r.y);
        const Rgb gold = Mix(Hex(0x8A5A14), Hex(0xFFE6A0), Clamp01(env));
        return gold * (0.8f + 0.35f * Diffuse(n)) + Rgb{1, 1, 1} * (0.45f * Specular(n, 40));
    };
    // Handles behind the bowl's rim.
    for (const float side : {-1.0f, 1.0f}) {
        const Vec2 h{cx + side * 80, 196};
        Fill(
            c, Around(h, 30, 36), [&](Vec2 p) { return std::abs(DEllipse(p, h, 24, 30)) - 5; },
            [&](Vec2 p, float d) {
                const Vec2 q = p - h;
                const float across = Clamp01(-d / 5);
                const Vec3 n = Normalize({q.x / 28 * (1 - across), q.y / 32 * (1 - across), 0.6f + across});
                return goldAt(n);
            });
    }
    Fill(
        c, {cx - 90, 140, cx + 90, 360},
        [&](Vec2 p) {
            const float hw = halfWidth(p.y);
            return p.y < 150 || p.y > 352 ? 1e3f : std::abs(p.x - cx) - hw;
        },
        [&](Vec2 p, float) {
            const float hw = std::max(halfWidth(p.y), 1.0f);
            const float nx = Clamp01(std::abs(p.x - cx) / hw) * (p.x < cx ? -1.0f : 1.0f);
            const float slope = (halfWidth(p.y + 1) - halfWidth(p.y - 1)) / 2;
            return goldAt(Normalize({nx, -slope * 0.8f, std::sqrt(std::max(0.0f, 1 - nx * nx))}));
        });
    // The rim: a flattened ellipse showing the cup's dark inside.
    FillFlat(
        c, Around({cx, 150}, 80, 14),
        [&](Vec2 p) {
            return DEllipse(p, {cx, 150}, 78, 12);
        },
        Hex(0xF8DC88));
    Fill(
        c, Around({cx, 151}, 74, 10),
        [&](Vec2 p) {
            return DEllipse(p, {cx, 151}, 73, 9);
        },
        [&](Vec2 p, float) { return Mix(Hex(0x5A3008), Hex(0xB07A28), Clamp01((p.y - 142) / 18)); });
    // A star embossed on the bowl.
    std::vector<Vec2> star;
    for (int i = 0; i < 10; ++i) {
        const float a = -Pi / 2 + float(i) * Pi / 5, r = i % 2 ? 12.0f : 28.0f;
        star.push_back({cx + r * std::cos(a), 204 + r * std::sin(a)});
    }
    auto starDist = [&](Vec2 p) { return DPolygon(p, star); };
    Fill(c, {cx - 30, 174, cx + 30, 234}, starDist, [&](Vec2 p, float) {
        const Vec3 n = BevelNormal(starDist, p, 6, 0.8f);
        return goldAt(n) * 1.05f;
    });
    // The pedestal: dark marble steps with a gold plaque.
    for (const auto& [y, hw, hh] : std::vector<std::tuple<float, float, float>>{{368, 70, 16}, {400, 88, 18}}) {
        Fill(
            c, {cx - hw - 2, y - hh - 2, cx + hw + 2, y + hh + 2},
            [&](Vec2 p) {
                return DRect(p, {cx, y}, hw, hh, 3);
            },
            [&](Vec2 p, float d) {
                const float vein = Smooth(0.06f, 0.0f, std::abs(Fbm(p.x / 40, p.y / 16, 3, 7) - 0.5f));
                Rgb marble = Mix(Hex(0x2A2038), Hex(0x3E3250), Clamp01((cx + hw - p.x) / (2 * hw)));
                marble = Mix(marble, Hex(0x6A5A84), vein * 0.35f);
                return Mix(marble, Hex(0xE8C060), Smooth(-1.6f, -0.4f, d) * (p.y < y ? 1.0f : 0.4f));
            });
    }
    Fill(
        c, {cx - 34, 392, cx + 34, 408},
        [&](Vec2 p) {
            return DRect(p, {cx, 400}, 30, 6, 1);
        },
        [&](Vec2 p, float d) {
            return Mix(Hex(0xFFE8A0), Hex(0xA87A28), Clamp01((p.y - 394) / 12)) * (1 - 0.3f * Smooth(-1.2f, 0.0f, d));
        });
    SoftShadow(c, {cx + 10, 424}, 110, 10, 0.6f);
    // Confetti of little balls drifting down around the cup.
    Rng rng(404);
    for (int i = 0; i < 22; ++i) {
        const Vec2 at{rng.Range(320, 630), rng.Range(30, 460)};
        if (Length(at - Vec2{cx, 260}) < 120 || (std::abs(at.x - cx) < 100 && at.y > 340)) continue;
        const float r = rng.Range(4, 8);
        DrawBall(c, at, r, rng.Int(4));
    }
    for (const Vec2 at : {Vec2{cx - 52, 170}, Vec2{cx + 40, 258}, Vec2{cx - 60, 362}})
        Sparkle(c, at, 10, Hex(0xFFF0C0));
    return c;
}

// The best players' band: 640 by 360, wrapping round as it scrolls, so every
// pattern repeats across its width. A gold-edged frieze runs along the top
// and the bottom; the names stand on pale parchment in the middle.
Canvas BestPlayers() {
    Canvas c(640, 360, {}, 1);
    constexpr float Top = 44, Bottom = 316;
    Shade(c, [&](Vec2 p) {
        if (p.y >= Top && p.y < Bottom) {
            // Soft parchment: broad clouds and a fine grain, wrapping at 640.
            const float cloud = Fbm(p.x / 80, p.y / 80, 4, 5, 8);
            const float grain = Noise(p.x / 2, p.y / 2, 6, 320);
            Rgb parchment = Mix(Hex(0xC4B8A0), Hex(0xE4DAC6), cloud) * (0.97f + 0.05f * grain);
            // Shade towards the frieze so the parchment looks set in.
            return parchment * (0.82f + 0.18f * Smooth(Top, Top + 26, p.y) * Smooth(Bottom, Bottom - 26, p.y));
        }
        // The frieze: deep blue between two gold lines.
        const float local = p.y < Top ? p.y : p.y - Bottom;  // 0..44
        const Rgb blue = Mix(Hex(0x222A60), Hex(0x0C1030), local / 44);
        const float line = std::min(std::abs(local - 5), std::abs(local - 39));
        const float rim = std::min(std::abs(p.y - Top), std::abs(p.y - Bottom));
        return Mix(blue, Mix(Hex(0xF8DC80), Hex(0xA06A20), local / 44),
                   std::max(Smooth(1.4f, 0.4f, line), Smooth(1.6f, 0.5f, rim)));
    });
    // Medallions every 40 pixels: a ball of each colour in turn, set in gold.
    for (const float y : {Top / 2, Bottom + Top / 2})
        for (int k = 0; k < 16; ++k) {
            const Vec2 at{20.0f + 40 * float(k), y};
            Fill(
                c, Around(at, 14, 14), [&](Vec2 p) { return DCircle(p, at, 13); },
                [&](Vec2 p, float) {
                    const Vec3 n = SphereNormal(p, at, 13);
                    return Ramp({Hex(0x5A3A10), Hex(0xC89438), Hex(0xFFF0B8)}, Diffuse(n));
                });
            DrawBall(c, at, 10, k % 4);
        }
    return c;
}

}  // namespace art
