// The quick help's pianist: a maestro with wild white hair at a black grand
// piano, under a warm spotlight that fades to the black of the screen.
// Frame 1 bobs one pixel down with the other hand raised. The game draws the
// pupil, so the face carries a large white eye around (40, 27).
#include "tools/art/art.h"

namespace art {

namespace {

constexpr int W = 128, H = 110;

// Shading across a limb or body part: lit on the upper-left side.
Rgb Cloth(Rgb base, Vec2 p, Vec2 centre, float radius) {
    const Vec2 q = (p - centre) * (1 / radius);
    const float light = Clamp01(0.6f - 0.45f * q.x - 0.5f * q.y);
    return base * (0.45f + 0.9f * light);
}

void Limb(Canvas& c, Vec2 a, Vec2 b, float width, Rgb colour) {
    Fill(
        c,
        {std::min(a.x, b.x) - width - 2, std::min(a.y, b.y) - width - 2, std::max(a.x, b.x) + width + 2,
         std::max(a.y, b.y) + width + 2},
        [&](Vec2 p) { return DSegment(p, a, b, width); },
        [&](Vec2 p, float d) {
            const Vec2 dir = (b - a) * (1 / std::max(Length(b - a), 0.01f));
            const float across = Dot(p - a, {-dir.y, dir.x}) / width * (dir.x >= 0 ? 1.0f : -1.0f);
            return colour * (0.55f + 0.6f * Clamp01(0.5f - 0.5f * across)) * (1 - 0.25f * Smooth(-1, 0, d));
        });
}

void Piano(Canvas& c) {
    const Rgb lacquer = Hex(0x181A24), gold = Hex(0xE0B050);
    // The raised lid and its prop.
    const std::vector<Vec2> lid{{64, 49}, {122, 49}, {118, 17}, {104, 13}};
    Limb(c, {104, 49}, {108, 26}, 0.8f, Hex(0x9A7A40));
    Fill(
        c, {60, 10, 125, 52}, [&](Vec2 p) { return DPolygon(p, lid); },
        [&](Vec2 p, float d) {
            const float sheen = std::exp(-std::pow((p.x - 0.55f * p.y - 78) / 7, 2.0f));
            Rgb col = Mix(Hex(0x2A2C3A), lacquer, Clamp01((p.y - 13) / 36)) + Hex(0x8090B0) * (0.35f * sheen);
            return Mix(col, gold, Smooth(-1.2f, -0.2f, d) * 0.8f);
        });
    // The case, seen from the keyboard's side: a long curved body.
    auto body = [](Vec2 p) { return std::min(DRect(p, {92, 58}, 31, 8, 2), DEllipse(p, {118, 56}, 6, 10)); };
    Fill(c, {58, 44, 126, 70}, body, [&](Vec2 p, float d) {
        const float t = Clamp01((p.y - 50) / 16);
        Rgb col = Ramp({Hex(0x50586C), Hex(0x20222E), lacquer, Hex(0x2A2A36)}, t);
        col = col + Hex(0xFFE0B0) * (0.5f * Smooth(51.5f, 50.5f, p.y) * Smooth(-0.5f, -1.5f, d));
        return Mix(col, gold, Smooth(-1.0f, -0.2f, d) * Smooth(60.0f, 62.0f, p.y) * 0.7f);
    });
    // Legs with brass castors.
    for (const float x : {70.0f, 116.0f}) {
        Fill(
            c, {x - 4, 64, x + 4, 101},
            [&](Vec2 p) {
                return DRect(p, {x, 82}, 2.6f - (p.y - 66) * 0.02f, 17);
            },
            [&](Vec2 p, float) {
                return Cloth(Hex(0x2A2C3C), p, {x - 2, 70}, 5);
            });
        FillFlat(
            c, Around({x, 100}, 3, 2),
            [&](Vec2 p) {
                return DEllipse(p, {x, 100}, 2.8f, 1.6f);
            },
            gold);
    }
    // The lyre and pedals.
    Limb(c, {90, 66}, {90, 96}, 1.2f, Hex(0x2A2C3C));
    FillFlat(
        c, {84, 95, 97, 100},
        [](Vec2 p) {
            return DRect(p, {90.5f, 97.5f}, 5, 1.2f, 1);
        },
        gold);
    // Keyboard: the white keys' front edge with black keys above.
    FillFlat(
        c, {56, 48, 80, 56},
        [](Vec2 p) {
            return DRect(p, {68, 52}, 10, 2.2f, 0.5f);
        },
        Hex(0xF4F0E6));
    for (int i = 0; i < 9; ++i) {
        if (i % 7 == 2 || i % 7 == 6) continue;
        const float x = 59.5f + 2.2f * float(i);
        FillFlat(
            c, {x - 1, 48, x + 1, 52},
            [&](Vec2 p) {
                return DRect(p, {x, 50.3f}, 0.7f, 1.3f);
            },
            Hex(0x202028));
    }
    // The music stand with a sheet of music.
    const std::vector<Vec2> stand{{66, 49}, {71, 49}, {74, 32}, {69, 31}};
    FillFlat(
        c, {60, 28, 80, 52}, [&](Vec2 p) { return DPolygon(p, stand) - 0.5f; }, Hex(0x30303C));
    const std::vector<Vec2> sheet{{67.5f, 46}, {70.2f, 46}, {73, 33}, {70.2f, 32.4f}};
    Fill(
        c, {62, 30, 78, 50}, [&](Vec2 p) { return DPolygon(p, sheet) - 0.3f; },
        [&](Vec2 p, float) { return std::fmod(p.y, 2.4f) < 0.7f ? Hex(0x8A8478) : Hex(0xF4EEDA); });
}

void Pianist(Canvas& c, int frame) {
    const float bob = float(frame);
    const Vec2 down{0, bob};
    // The bench: red velvet on turned legs (it does not bob).
    Fill(
        c, {10, 70, 50, 80},
        [](Vec2 p) {
            return DRect(p, {30, 75}, 15, 3, 2);
        },
        [](Vec2 p, float) {
            return Cloth(Hex(0xB02838), p, {26, 73}, 8);
        });
    for (const float x : {19.0f, 41.0f}) Limb(c, {x, 78}, {x, 99}, 1.5f, Hex(0x6A3A1C));
    // Legs: trousers to the pedals, shoes.
    Limb(c, Vec2{34, 70} + down, {52, 74}, 4.5f, Hex(0x262C4C));
    Limb(c, {52, 74}, {54, 95}, 4, Hex(0x262C4C));
    Fill(
        c, {48, 92, 66, 101},
        [](Vec2 p) {
            return DEllipse(p, {58, 97.5f}, 6.5f, 3);
        },
        [](Vec2 p, float) {
            return Cloth(Hex(0x30303A), p, {56, 96}, 5) +
                   Hex(0xFFFFFF) * (0.25f * Smooth(2, 0, Length(p - Vec2{56, 96})));
        });
    // Tailcoat: the body leaning towards the keys, tails over the bench.
    const std::vector<Vec2> coat{Vec2{24, 42} + down, Vec2{42, 41} + down, Vec2{48, 60} + down,
                                 Vec2{44, 72} + down, Vec2{14, 78},        Vec2{22, 62} + down};
    Fill(
        c, {8, 36, 54, 82}, [&](Vec2 p) { return DPolygon(p, coat) - 1.5f; },
        [&](Vec2 p, float) {
            return Cloth(Hex(0x2A325A), p, Vec2{30, 50} + down, 22);
        });
    // Shirt front and bow tie.
    const std::vector<Vec2> shirt{Vec2{39, 42} + down, Vec2{44, 42} + down, Vec2{47, 56} + down, Vec2{44, 58} + down};
    Fill(
        c, {36, 40, 50, 60}, [&](Vec2 p) { return DPolygon(p, shirt); },
        [&](Vec2 p, float) { return Mix(Hex(0xFFFFFF), Hex(0xB8C0D0), Clamp01((p.x - 39) / 8)); });
    const Vec2 tie = Vec2{42.5f, 43} + down;
    FillFlat(
        c, Around(tie, 4, 3),
        [&](Vec2 p) {
            return std::min(DPolygon(p, {tie + Vec2{0, 0}, tie + Vec2{-3.5f, -2}, tie + Vec2{-3.5f, 2}}),
                            DPolygon(p, {tie, tie + Vec2{3.5f, -2}, tie + Vec2{3.5f, 2}}));
        },
        Hex(0xD02030));
    // The arms reach the keys; the hands take turns to rise.
    const float lift[2][2] = {{0, 2.5f}, {2.5f, 0}};
    for (int arm = 0; arm < 2; ++arm) {
        const Vec2 shoulder = Vec2{arm ? 34.0f : 38.0f, 47} + down;
        const Vec2 elbow = Vec2{arm ? 44.0f : 48.0f, 58} + down;
        const Vec2 hand{arm ? 61.0f : 69.0f, 48.5f - lift[frame][arm]};
        Limb(c, shoulder, elbow, 3.2f, arm ? Hex(0x222848) : Hex(0x2E3862));
        Limb(c, elbow, hand - Vec2{3, -0.5f}, 2.6f, arm ? Hex(0x222848) : Hex(0x2E3862));
        FillFlat(
            c, Around(hand - Vec2{3.5f, -0.5f}, 3, 3),
            [&](Vec2 p) {
                return DCircle(p, hand - Vec2{3.5f, -0.5f}, 1.9f);
            },
            Hex(0xF4F4F4));
        Fill(
            c, Around(hand, 4, 4), [&](Vec2 p) { return DEllipse(p, hand, 2.8f, 2); },
            [&](Vec2 p, float) { return Cloth(Hex(0xF2C8A0), p, hand, 3); });
    }
    // The head in profile, facing the piano.
    const Vec2 head = Vec2{37, 27} + down;
    Fill(
        c, Around(head, 14, 14),
        [&](Vec2 p) {
            const float skull = DEllipse(p, head, 10.5f, 11);
            const float nose = DPolygon(p, {head + Vec2{8, -1}, head + Vec2{13.5f, 5}, head + Vec2{8.5f, 6.5f}}) - 0.6f;
            const float chin = DEllipse(p, head + Vec2{5, 8}, 5, 4);
            return std::min({skull, nose, chin});
        },
        [&](Vec2 p, float) {
            const Vec2 q = (p - head) * (1.0f / 12);
            // Skin stays light; only the back of the head and the chin darken.
            return Hex(0xF8CFA8) * (0.78f + 0.3f * Clamp01(0.5f + 0.12f * q.x - 0.6f * q.y - 0.3f * q.x * q.x));
        });
    // Cheek blush, ear and mouth.
    Glow(c, head + Vec2{5, 5}, 2.2f, Hex(0xFF4030), 0.12f);
    Fill(
        c, Around(head + Vec2{-3, 2}, 3, 4),
        [&](Vec2 p) {
            return DEllipse(p, head + Vec2{-3, 2}, 2.2f, 3);
        },
        [&](Vec2 p, float) {
            return Cloth(Hex(0xE8B090), p, head + Vec2{-4, 0}, 4);
        });
    FillFlat(
        c, Around(head + Vec2{8, 8}, 3, 2),
        [&](Vec2 p) {
            return DSegment(p, head + Vec2{6.5f, 8.3f}, head + Vec2{9.2f, 7.6f}, 0.55f);
        },
        Hex(0x8A3A30));
    // Wild white hair swept back from the brow.
    const std::vector<Vec2> hair{head + Vec2{6, -10},  head + Vec2{0, -13}, head + Vec2{-9, -12}, head + Vec2{-16, -7},
                                 head + Vec2{-14, -3}, head + Vec2{-18, 1}, head + Vec2{-12, 3},  head + Vec2{-14, 8},
                                 head + Vec2{-7, 6},   head + Vec2{-4, -3}, head + Vec2{4, -5}};
    Fill(
        c, Around(head, 22, 18), [&](Vec2 p) { return DPolygon(p, hair) - 1.2f; },
        [&](Vec2 p, float d) {
            const float strand = 0.5f + 0.5f * std::sin((p.y - head.y) * 2.4f + (p.x - head.x) * 0.6f);
            return Cloth(Mix(Hex(0xF4F4FA), Hex(0xB8BCC8), strand * 0.6f), p, head + Vec2{-2, -8}, 14) *
                   (1 - 0.2f * Smooth(-1, 0, d));
        });
    // Eyebrow and the white of the eye (the game adds the pupil).
    Limb(c, head + Vec2{0.5f, -6.5f}, head + Vec2{6.5f, -5.8f}, 0.9f, Hex(0xD0D0D8));
    const Vec2 eye = Vec2{40.2f, 26.8f} + down;
    FillFlat(
        c, Around(eye, 5, 6), [&](Vec2 p) { return DEllipse(p, eye, 3.5f, 4.4f); }, Hex(0x8A5A48));
    FillFlat(
        c, Around(eye, 5, 6), [&](Vec2 p) { return DEllipse(p, eye, 2.9f, 3.8f); }, Hex(0xFFFFFF));
}

void Notes(Canvas& c, int frame) {
    // Two quavers drifting up from the piano, a little higher each frame.
    for (int i = 0; i < 2; ++i) {
        const Vec2 at = Vec2{i ? 92.0f : 82.0f, i ? 10.0f : 26.0f} - Vec2{0, 1.5f * float(frame)};
        const Rgb gold = Hex(0xF0C860);
        FillFlat(
            c, Around(at, 4, 3), [&](Vec2 p) { return DEllipse(p, at, 2.4f, 1.7f); }, gold);
        Limb(c, at + Vec2{2, -0.5f}, at + Vec2{2, -8}, 0.5f, gold);
        FillFlat(
            c, Around(at + Vec2{3.5f, -6}, 3, 3),
            [&](Vec2 p) {
                return DCurve(p, at + Vec2{2, -8}, at + Vec2{5, -6}, at + Vec2{4.5f, -3}, 0.6f);
            },
            gold);
    }
}

}  // namespace

content::Image Pianist() {
    content::Image sheet(2 * W, H);
    for (int frame = 0; frame < 2; ++frame) {
        Canvas c(W, H, {}, 1);
        // A warm spotlight whose edge falls to black inside the frame.
        Shade(c, [](Vec2 p) {
            const float pool = 1 - Smooth(0.3f, 1.0f, Length({(p.x - 64) / 66, (p.y - 62) / 58}));
            const float floor = 1 - Smooth(0.5f, 1.0f, Length({(p.x - 64) / 62, (p.y - 100) / 8}));
            return Hex(0x2A1E26) * pool + Hex(0x5A4030) * floor;
        });
        Piano(c);
        Pianist(c, frame);
        Notes(c, frame);
        Paste(sheet, ToImage(c), frame * W, 0);
    }
    return sheet;
}

}  // namespace art
