// The game's pictures: the scrambled JPEG screens and level backgrounds, and
// the sprites carried inside the program. Everything is drawn by the makers
// in tools/art/ from fixed seeds, so every build gives the same pictures.
#include "tools/art/art.h"

#include "tools/content.h"

namespace content {

namespace {

void WritePicture(Context& ctx, const std::string& name, const art::Canvas& picture, int w, int h) {
    if (picture.w != w || picture.h != h)
        Fail("picture " + name + " is not " + std::to_string(w) + "x" + std::to_string(h));
    Ship(ctx, "graphs/" + name + ".znd", Scrambled(EncodeJpeg(art::ToImage(picture))), Role::Looks);
}

// The game checks each carried picture's size when it loads it.
void Carry(Context& ctx, const std::string& name, Image image, int w, int h) {
    if (image.w != w || image.h != h) Fail("sprite " + name + " is not " + std::to_string(w) + "x" + std::to_string(h));
    ctx.carried.push_back({name, std::move(image)});
}

}  // namespace

void MakeArt(Context& ctx) {
    WritePicture(ctx, "zintarilogo", art::Logo(), 640, 480);
    WritePicture(ctx, "newgame", art::LevelSelect(), 640, 480);
    WritePicture(ctx, "lab", art::NameEntry(), 640, 480);
    WritePicture(ctx, "pplan", art::BestPlayers(), 640, 360);
    for (int i = 0; i < 10; ++i) WritePicture(ctx, "bg" + std::to_string(i), art::Background(i), 640, 480);

    for (int i = 0; i < 7; ++i) Carry(ctx, "block" + std::to_string(i), art::Block(i), 24, 24);
    Carry(ctx, "sweeplower", art::Sweep(true), 24, 24);
    Carry(ctx, "sweepupper", art::Sweep(false), 24, 24);
    Carry(ctx, "horizontals", art::DirectionPanel(0), 96, 72);
    Carry(ctx, "verticals", art::DirectionPanel(1), 96, 72);
    Carry(ctx, "diagonals", art::DirectionPanel(2), 96, 72);
    Carry(ctx, "tickcross", art::TickCross(), 64, 32);
    Carry(ctx, "meterspend", art::MeterSpend(), 192, 24);
    Carry(ctx, "marker", art::Marker(), 20, 20);
    Carry(ctx, "levelmask", art::LevelMask(), 45, 50);
    Carry(ctx, "levelicon", art::LevelIcon(), 45, 50);
    Carry(ctx, "crossframes", art::CrossFrames(), 264, 24);
    Carry(ctx, "bombframes", art::BombFrames(), 72, 24);
    Carry(ctx, "gameover", art::GameOver(), 480, 384);
    Carry(ctx, "pianist", art::Pianist(), 256, 110);
    Carry(ctx, "finale", art::Finale(), 142, 144);
}

}  // namespace content
