#include "platform/display.h"

#include <algorithm>
#include <cstring>

#include "data/files.h"
#include "game/state.h"
#include "platform/backend.h"
#include "platform/carried.h"

namespace platform {

Surface PrimarySurface, BackBuffer;
Surface LogoSurface, NewGameSurface;
std::array<Surface, 7> BlockSurfaces;
Surface SweepLowerSurface, SweepUpperSurface;
Surface HorizontalsSurface, VerticalsSurface, DiagonalsSurface, TickCrossSurface;
Surface MeterSpendSurface, MarkerSurface, FontSurface, LevelMaskSurface, LevelIconSurface;
Surface CrossFramesSurface, BombFramesSurface, BestPlayersSurface, GameOverSurface;
Surface NameEntrySurface, PianistSurface, FinaleSurface, BackgroundSurface;

namespace {

// A surface of the given size holding the picture from its top-left corner.
Surface Sized(const Surface& picture, int width, int height) {
    if (picture.Width() == width && picture.Height() == height) return picture;
    Surface s(width, height);
    const int w = std::min(width, picture.Width()), h = std::min(height, picture.Height());
    CopyRect(s, {0, 0, w, h}, picture, {0, 0, w, h});
    return s;
}

// A carried picture that must have exactly this size.
Surface Carried(const std::string& name, int width, int height) {
    Surface s = CarriedPicture(name);
    if (s.Width() != width || s.Height() != height)
        throw data::FatalError("carried picture " + name + " is " + std::to_string(s.Width()) + "x" +
                               std::to_string(s.Height()) + ", expected " + std::to_string(width) + "x" +
                               std::to_string(height));
    return s;
}

Surface Keyed(Surface s, Colour key) {
    s.SetColourKey(key);
    return s;
}

}  // namespace

Surface CarriedPicture(const std::string& name) {
    for (const CarriedBytes* c = CarriedPictures; c->name; ++c)
        if (name == c->name) return DecodePicture(c->bytes, c->size, "carried picture " + name);
    throw data::FatalError("carried picture " + name + " is missing from the program");
}

Surface LoadScrambledPicture(const std::string& name) {
    const std::string path = data::ProgramFile("graphs/" + name + ".znd");
    const std::string bytes = data::PlainCopy(path, "graphs/" + name + ".jpg", data::ShippedFileLimit).Contents();
    return DecodePicture(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), path);
}

void InitDisplay() {
    PrimarySurface = Surface(ScreenWidth, ScreenHeight);
    BackBuffer = Surface(ScreenWidth, ScreenHeight);
    Active().SetScreen(&PrimarySurface);
    LoadSprites();
}

void LoadSprites() {
    LogoSurface = Sized(LoadScrambledPicture("zintarilogo"), 640, 480);
    NewGameSurface = Sized(LoadScrambledPicture("newgame"), 640, 480);
    for (size_t i = 0; i < BlockSurfaces.size(); ++i) BlockSurfaces[i] = Carried("block" + std::to_string(i), 24, 24);
    BlockSurfaces[4].SetColourKey(BlackKey);
    SweepLowerSurface = Carried("sweeplower", 24, 24);
    SweepUpperSurface = Carried("sweepupper", 24, 24);
    HorizontalsSurface = Carried("horizontals", 96, 72);
    VerticalsSurface = Carried("verticals", 96, 72);
    DiagonalsSurface = Carried("diagonals", 96, 72);
    TickCrossSurface = Keyed(Carried("tickcross", 64, 32), BlackKey);
    MeterSpendSurface = Carried("meterspend", 192, 24);
    MarkerSurface = Keyed(Carried("marker", 20, 20), BlackKey);
    FontSurface = Keyed(Carried("font", 400, 89), BlackKey);
    LevelMaskSurface = Keyed(Carried("levelmask", 45, 50), WhiteKey);
    LevelIconSurface = Keyed(Carried("levelicon", 45, 50), BlackKey);
    CrossFramesSurface = Keyed(Carried("crossframes", 264, 24), BlackKey);
    BombFramesSurface = Carried("bombframes", 72, 24);
    BestPlayersSurface = Sized(LoadScrambledPicture("pplan"), 640, 360);
    GameOverSurface = Keyed(Carried("gameover", 480, 384), BlackKey);
    NameEntrySurface = Sized(LoadScrambledPicture("lab"), 640, 480);
    PianistSurface = Carried("pianist", 256, 110);
    FinaleSurface = Carried("finale", 142, 144);
    // Our surfaces live in memory and survive a lost display, so a rebuild
    // keeps the level's background instead of leaving it undefined.
    if (BackgroundSurface.Width() != ScreenWidth) BackgroundSurface = Surface(ScreenWidth, ScreenHeight);
}

void ReleaseDisplay() {
    Active().SetScreen(nullptr);
    for (Surface* s : {&PrimarySurface, &BackBuffer, &LogoSurface, &NewGameSurface, &SweepLowerSurface,
                       &SweepUpperSurface, &HorizontalsSurface, &VerticalsSurface, &DiagonalsSurface,
                       &TickCrossSurface, &MeterSpendSurface, &MarkerSurface, &FontSurface, &LevelMaskSurface,
                       &LevelIconSurface, &CrossFramesSurface, &BombFramesSurface, &BestPlayersSurface,
                       &GameOverSurface, &NameEntrySurface, &PianistSurface, &FinaleSurface, &BackgroundSurface})
        *s = Surface();
    for (auto& s : BlockSurfaces) s = Surface();
}

DirtyRegion ScreenChanges;

void ScreenChanged() {
    ScreenChanges.Add(WholeSurface);
    Active().ScreenChanged();
}

void PresentRect(const Rect& r) {
    if (PrimarySurface.IsEmpty() || BackBuffer.IsEmpty()) return;
    const Rect d = PrimarySurface.Resolve(r);
    const int x0 = std::max(d.Left, 0), x1 = std::min(d.Right, ScreenWidth);
    if (x0 >= x1) return;
    bool changed = false;
    // Only a real change wakes the window, and only the tiles that changed
    // are shown again: a changed row is compared a tile's width at a time.
    constexpr int Tile = DirtyRegion::Tile;
    for (int y = std::max(d.Top, 0); y < std::min(d.Bottom, ScreenHeight); ++y) {
        const uint16_t* from = BackBuffer.Row(y);
        uint16_t* to = PrimarySurface.Row(y);
        if (std::memcmp(from + x0, to + x0, size_t(x1 - x0) * sizeof(uint16_t)) == 0) continue;
        changed = true;
        int run = -1;  // where the current run of changed pieces began
        for (int x = x0; x < x1;) {
            const int end = std::min((x / Tile + 1) * Tile, x1);
            const size_t bytes = size_t(end - x) * sizeof(uint16_t);
            constexpr size_t whole = Tile * sizeof(uint16_t);  // a constant size the compiler inlines
            const bool same = bytes == whole ? std::memcmp(from + x, to + x, whole) == 0
                                             : std::memcmp(from + x, to + x, bytes) == 0;
            if (!same) {
                if (run < 0) run = x;
            } else if (run >= 0) {
                ScreenChanges.Add({run, y, x, y + 1});
                run = -1;
            }
            x = end;
        }
        if (run >= 0) ScreenChanges.Add({run, y, x1, y + 1});
        std::memcpy(to + x0, from + x0, size_t(x1 - x0) * sizeof(uint16_t));
    }
    if (changed) Active().ScreenChanged();
}

void Present() { PresentRect(WholeSurface); }

}  // namespace platform
