// The screen, the back buffer every screen composes in, and the sprite
// surfaces built from the carried pictures and the scrambled picture files.
#pragma once
#include <array>
#include <string>

#include "platform/dirty_region.h"
#include "platform/surface.h"

namespace platform {

inline constexpr int ScreenWidth = 640, ScreenHeight = 480;

extern Surface PrimarySurface;  // what the window shows
extern Surface BackBuffer;      // where every frame is composed
extern Surface LogoSurface, NewGameSurface;
extern std::array<Surface, 7> BlockSurfaces;  // 0-3 balls, 4 stone, 5 wild, 6 meter cell
extern Surface SweepLowerSurface, SweepUpperSurface;
extern Surface HorizontalsSurface, VerticalsSurface, DiagonalsSurface, TickCrossSurface;
extern Surface MeterSpendSurface, MarkerSurface, FontSurface, LevelMaskSurface, LevelIconSurface;
extern Surface CrossFramesSurface, BombFramesSurface, BestPlayersSurface, GameOverSurface;
extern Surface NameEntrySurface, PianistSurface, FinaleSurface, BackgroundSurface;

inline constexpr Colour BlackKey = 0x000000;
inline constexpr Colour WhiteKey = 0xFFFFFF;

// Creates the screen and back buffer, then LoadSprites. A failure throws
// data::FatalError.
void InitDisplay();
// Builds every sprite surface again from its source.
void LoadSprites();
// Releases every surface (shutdown).
void ReleaseDisplay();

// The back buffer, or one rectangle of it, onto the screen.
void Present();
void PresentRect(const Rect& r);
// Tells the window that the screen surface was drawn on directly.
void ScreenChanged();
// The parts of the screen changed since the window last showed them.
extern DirtyRegion ScreenChanges;

// Pictures: a carried one by name, or a shipped one.
Surface CarriedPicture(const std::string& name);
// Unscrambles graphs/<name>.znd through its plain copy and decodes the JPEG.
Surface LoadScrambledPicture(const std::string& name);

}  // namespace platform
