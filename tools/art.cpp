// The game's pictures: the scrambled JPEG screens and level backgrounds, and
// the sprites carried inside the program. Everything is drawn by the makers
// in tools/art/ from fixed seeds, so every build gives the same pictures.
#include "tools/art/art.h"
#include "tools/content.h"

namespace content {

namespace {

void WritePicture(const Context& ctx, const std::string& name, const art::Canvas& picture) {
    WriteScrambled(ctx.gameDir + "/graphs/" + name + ".znd", EncodeJpeg(art::ToImage(picture)));
}

}  // namespace

void MakeArt(Context& ctx) {
    WritePicture(ctx, "zintarilogo", art::Logo());
    WritePicture(ctx, "newgame", art::LevelSelect());
    WritePicture(ctx, "lab", art::NameEntry());
    WritePicture(ctx, "pplan", art::BestPlayers());
    for (int i = 0; i < 10; ++i) WritePicture(ctx, "bg" + std::to_string(i), art::Background(i));

    for (int i = 0; i < 7; ++i) ctx.carried.push_back({"block" + std::to_string(i), art::Block(i)});
    ctx.carried.push_back({"sweeplower", art::Sweep(true)});
    ctx.carried.push_back({"sweepupper", art::Sweep(false)});
    ctx.carried.push_back({"horizontals", art::DirectionPanel(0)});
    ctx.carried.push_back({"verticals", art::DirectionPanel(1)});
    ctx.carried.push_back({"diagonals", art::DirectionPanel(2)});
    ctx.carried.push_back({"tickcross", art::TickCross()});
    ctx.carried.push_back({"meterspend", art::MeterSpend()});
    ctx.carried.push_back({"marker", art::Marker()});
    ctx.carried.push_back({"levelmask", art::LevelMask()});
    ctx.carried.push_back({"levelicon", art::LevelIcon()});
    ctx.carried.push_back({"crossframes", art::CrossFrames()});
    ctx.carried.push_back({"bombframes", art::BombFrames()});
    ctx.carried.push_back({"gameover", art::GameOver()});
    ctx.carried.push_back({"pianist", art::Pianist()});
    ctx.carried.push_back({"finale", art::Finale()});
}

}  // namespace content
