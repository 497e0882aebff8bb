// The small pieces of the interface: the direction panels of the level
// start, the tick and cross, the menu marker, and the level select's lock
// and selection frame.
#include "tools/art/art.h"

namespace art {

namespace {

const Rgb GoldLight = Hex(0xFFF0B0), Gold = Hex(0xE8B848), GoldDark = Hex(0x7A5418);

// A bevelled stroke: lighter on the side facing the light.
template <class Dist>
void BevelStroke(Canvas& c, Box box, Dist dist, Rgb dark, Rgb mid, Rgb light, float outline, Rgb outlineColour) {
    FillFlat(
        c, box, [&](Vec2 p) { return dist(p) - outline; }, outlineColour);
    Fill(c, box, dist, [&](Vec2 p, float d) {
        const float e = 0.5f;
        const Vec2 g{dist(p + Vec2{e, 0}) - dist(p - Vec2{e, 0}), dist(p + Vec2{0, e}) - dist(p - Vec2{0, e})};
        // The side whose outward direction faces the light is lit.
        const float facing = -(g.x * -0.6f + g.y * -0.8f);
        const float depth = Smooth(0.0f, -2.0f, d);
        return Ramp({dark, mid, light}, Clamp01(0.55f - 0.5f * facing * (1 - depth) + 0.2f * depth));
    });
}

}  // namespace

// A dark glass plate with a thin gold edge and a groove; balls of one colour
// lie along the direction the panel stands for.
content::Image DirectionPanel(int direction) {
    std::vector<Vec2> balls;
    for (int i = 0; i < 4; ++i) {
        const float k = float(i);
        if (direction == 0) balls.push_back({15 + 18 * k, 22});
        if (direction == 1) balls.push_back({22, 10.5f + 16 * k});
        if (direction == 2) balls.push_back({14 + 16 * k, 60.5f - 16 * k});
    }
    const int colour = direction == 0 ? 0 : direction == 1 ? 2 : 3;
    const Vec2 a = balls.front(), b = balls.back();
    const float spacing = Length(balls[1] - balls[0]);

    Canvas c(96, 72, Hex(0x090B18), 1);
    const Vec2 centre{48, 36};
    Fill(
        c, {0, 0, 96, 72}, [&](Vec2 p) { return DRect(p, centre, 47.5f, 35.5f, 5); },
        [&](Vec2 p, float d) {
            Rgb plate = Mix(Hex(0x232B58), Hex(0x0C1030), p.y / 72);
            plate = plate + Hex(0x304070) * (0.25f * Smooth(40.0f, 0.0f, Length(p - Vec2{28, 18})));
            // A faint grid of well cells, centred on the balls.
            const float gx = std::abs(std::fmod(p.x - a.x + spacing * 8.5f, spacing) - spacing / 2);
            const float gy = std::abs(std::fmod(p.y - a.y + spacing * 8.5f, spacing) - spacing / 2);
            const float grid = Smooth(spacing / 2 - 1.2f, spacing / 2 - 0.3f, std::max(gx, gy));
            plate = plate + Hex(0x2A3468) * (0.3f * grid * Smooth(-3.0f, -5.0f, d));
            // The line of the direction glows in the ball colour.
            const float toLine = DSegment(p, a, b, 0);
            plate = plate + BallColour(colour) * (0.35f * std::exp(-toLine * toLine / 60));
            if (d > -2.2f) {
                const bool sideways = std::abs(p.x - centre.x) / 47.5f > std::abs(p.y - centre.y) / 35.5f;
                const float facing = sideways ? (p.x < centre.x ? -0.6f : 0.6f) : (p.y < centre.y ? -0.8f : 0.8f);
                plate = Mix(plate, Ramp({GoldDark, Gold, GoldLight}, Clamp01(0.5f - facing * 0.9f)),
                            Smooth(-2.4f, -1.4f, d));
            }
            return plate;
        });
    for (const Vec2 ball : balls) {
        SoftShadow(c, ball + Vec2{1.5f, 2}, 8.5f, 8.5f, 0.6f);
        DrawBall(c, ball, direction == 0 ? 8.4f : 7.6f, colour);
    }
    return ToImage(c);
}

// A green tick on the left, a red cross on the right, keyed on black.
content::Image TickCross() {
    Canvas c(64, 32, {}, 0);
    auto tick = [](Vec2 p) {
        return std::min(DSegment(p, {6.5f, 16.5f}, {13, 24}, 3.2f), DSegment(p, {13, 24}, {26, 7}, 3.2f));
    };
    BevelStroke(c, {0, 0, 32, 32}, tick, Hex(0x0E6A18), Hex(0x34C840), Hex(0xC8FFB0), 1.8f, Hex(0x0A2A0C));
    auto cross = [](Vec2 p) {
        return std::min(DSegment(p, {39, 8}, {57, 24}, 3.2f), DSegment(p, {57, 8}, {39, 24}, 3.2f));
    };
    BevelStroke(c, {32, 0, 64, 32}, cross, Hex(0x780C0C), Hex(0xD81E1E), Hex(0xFF9078), 1.8f, Hex(0x300808));
    return ToKeyedImage(c);
}

// The menu pointer: a ruby cut as an arrowhead in a gold setting.
content::Image Marker() {
    Canvas c(20, 20, {}, 0);
    const std::vector<Vec2> arrow{{1.8f, 1.8f}, {18.6f, 10}, {1.8f, 18.2f}, {6.2f, 10}};
    FillFlat(
        c, {0, 0, 20, 20}, [&](Vec2 p) { return DPolygon(p, arrow) - 0.6f; }, GoldDark);
    Fill(
        c, {0, 0, 20, 20}, [&](Vec2 p) { return DPolygon(p, arrow) + 0.3f; },
        [&](Vec2 p, float d) {
            // Two facets: the upper one faces the light.
            const bool upper = p.y < 10 - (p.x - 6.5f) * 0.02f;
            Rgb ruby = upper ? Mix(Hex(0xFF6070), Hex(0xD01830), (p.x - 3) / 15)
                             : Mix(Hex(0xA01020), Hex(0x580818), (p.x - 3) / 15);
            const float rim = Smooth(-1.6f, -0.2f, d);
            ruby = Mix(ruby, upper ? GoldLight : Gold, rim);
            return ruby;
        });
    const Vec2 glint{7.5f, 7.8f};
    FillFlat(
        c, Around(glint, 2, 2), [&](Vec2 p) { return DCircle(p, glint, 1.2f); }, Hex(0xFFFFFF));
    return ToKeyedImage(c);
}

// A padlock over a locked level's number. Two colours only: pure white is
// transparent. The shackle's hole and the keyhole lie above and below the
// number, so nothing of it shows through.
content::Image LevelMask() {
    const Rgb lock = Hex(0x5A6288);
    content::Image out(45, 50, 0xFFFFFFFFu);
    const uint32_t solid =
        0xFF000000u | uint32_t(lock.b * 255) << 16 | uint32_t(lock.g * 255) << 8 | uint32_t(lock.r * 255);
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 45; ++x) {
            const Vec2 p{x + 0.5f, y + 0.5f};
            const float body = DRect(p, {22.5f, 30}, 16, 17, 4);
            const float shackle = std::abs(DCircle(p, {22.5f, 13}, 8.3f)) - 2.4f;
            const float keyhole = std::min(DCircle(p, {22.5f, 37.5f}, 2.6f), DRect(p, {22.5f, 41.5f}, 1.2f, 3.5f));
            const float d = Cut(Union(body, shackle), keyhole);
            if (d < 0) out.At(x, y) = solid;
        }
    return out;
}

// The selection frame: a gold border with jewelled corners; inside it is
// pure black (transparent). It keeps to the top 45 rows so that the level
// select's restore of the grid area always clears it.
content::Image LevelIcon() {
    Canvas c(45, 50, {}, 0);
    const Vec2 centre{22.5f, 22};
    auto frame = [&](Vec2 p) { return std::abs(DRect(p, centre, 20.5f, 19.8f, 5)) - 1.6f; };
    BevelStroke(c, {0, 0, 45, 45}, frame, GoldDark, Gold, GoldLight, 1.0f, Hex(0x3A2408));
    for (const Vec2 corner : {Vec2{4, 4}, Vec2{41, 4}, Vec2{4, 40}, Vec2{41, 40}}) {
        FillFlat(
            c, Around(corner, 4, 4), [&](Vec2 p) { return DCircle(p, corner, 3.4f); }, Hex(0x3A2408));
        Fill(
            c, Around(corner, 4, 4), [&](Vec2 p) { return DCircle(p, corner, 2.6f); },
            [&](Vec2 p, float) { return ShadeBall(SphereNormal(p, corner, 2.6f), Hex(0x30D8F0)); });
    }
    return ToKeyedImage(c);
}

}  // namespace art
