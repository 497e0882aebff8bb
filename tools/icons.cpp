// The desktop icons: four balls of the game's colours around a rainbow wild
// ball on a dark rounded tile, drawn afresh at each size.
#include "tools/art/art.h"
#include "tools/content.h"

namespace content {

namespace {

Image Icon(int size) {
    using namespace art;
    // Straight alpha: the tile's rounded corners stay transparent.
    Canvas c(size, size, Rgb{}, 0);
    const float s = float(size);
    const Vec2 centre{s / 2, s / 2};
    const float corner = s * 0.2f;
    Fill(c, {0, 0, s, s}, [&](Vec2 p) { return DRect(p, centre, s * 0.47f, s * 0.47f, corner); },
         [&](Vec2 p, float) { return Mix(Hex(0x2a2350), Hex(0x0c0a1c), p.y / s); });
    const float r = s * 0.17f;
    const float d = s * 0.215f;
    const Vec2 places[] = {{-d, -d}, {d, -d}, {-d, d}, {d, d}};
    for (int colour = 0; colour < 4; ++colour) DrawBall(c, centre + places[colour], r, colour);
    DrawBall(c, centre, r * 1.05f, 5);
    Image image(size, size, 0);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const Rgb p = c.Get(x, y);
            auto byte = [](float v) { return uint32_t(Clamp01(v) * 255 + 0.5f); };
            image.At(x, y) = byte(c.Alpha(x, y)) << 24 | byte(p.b) << 16 | byte(p.g) << 8 | byte(p.r);
        }
    return image;
}

}  // namespace

void MakeIcons(Context& ctx) {
    EnsureFolder(ctx.buildDir + "/icons");
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        WriteFile(ctx.buildDir + "/icons/zintari-" + std::to_string(size) + ".png", EncodePng(Icon(size)));
}

}  // namespace content
