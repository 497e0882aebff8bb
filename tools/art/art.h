// The makers of each picture of the game; tools/art.cpp names and stores them.
#pragma once
#include "tools/art/raster.h"

namespace art {

// Well blocks, 24x24: 0-3 the coloured balls, 4 the stone (keyed on pure
// black), 5 the wild ball, 6 the power meter cell.
content::Image Block(int index);
// The sweep's broom: the bristles on the bottom row, the handle above.
content::Image Sweep(bool lower);
content::Image MeterSpend();   // 8 frames of a meter cell dissolving
content::Image BombFrames();   // 3 frames of a bomb with a sparking fuse
content::Image CrossFrames();  // 11 frames of the holy glow, keyed
// Colour and emblem of ball colour 0-3, shared with the other pictures.
Rgb BallColour(int colour);
// Draws a lit ball of colour 0-3 (or 5 for the wild ball) of radius r.
void DrawBall(Canvas& c, Vec2 centre, float r, int colour);

// Level start panels and icons.
content::Image DirectionPanel(int direction);  // 0 horizontals, 1 verticals, 2 diagonals
content::Image TickCross();
content::Image Marker();
content::Image LevelMask();
content::Image LevelIcon();

content::Image GameOver();  // 20 frames of the turning block
content::Image Pianist();   // 2 frames
content::Image Finale();

// The full-screen pictures.
Canvas Logo();
Canvas LevelSelect();
Canvas NameEntry();
Canvas BestPlayers();  // 640x360, wraps around horizontally
Canvas Background(int theme);

// Shared pieces of the screens' look.
Canvas StarrySky(int w, int h, uint32_t seed, Rgb top, Rgb bottom);
// A framed dark glass panel with a gold edge, lit from the top left.
void GoldFramePanel(Canvas& c, Box box, float radius, float darken);
// A word in polished gold with a bevel and a drop shadow.
void GoldTitle(Canvas& c, const std::string& text, const std::string& font, int points, Vec2 centre);

}  // namespace art
