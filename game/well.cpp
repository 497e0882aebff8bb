// Drawing the well and letting its blocks fall.
#include "game/play.h"
#include "platform/backend.h"
#include "platform/display.h"
#include "platform/timing.h"

namespace game {

using namespace platform;

void DrawWell() {
    FillRect(BackBuffer, WellRect, 0);
    for (int x = 0; x < WellColumns; ++x)
        for (int y = 0; y < WellRows; ++y)
            if (!Well[x][y].Empty) {
                CellRect = CellRectOf(x, y);
                CopyRect(BackBuffer, CellRect, BlockSurfaces[Well[x][y].Sprite], WholeSurface);
            }
}

shell::State SettleWell() {
    FrameStart = TickCount();
    for (;;) {
        // The drawing time counts into the 30 ms: the stamp is taken first.
        IdleUntil(FrameStart + 30);
        FrameStart = TickCount();
        Moved = False;
        for (int x = 0; x < WellColumns; ++x)
            for (int y = WellRows - 2; y >= 0; --y)  // bottom up: a whole stack drops one row per pass
                if (!Well[x][y].Empty && Well[x][y + 1].Empty) {
                    Well[x][y + 1] = Well[x][y];
                    Well[x][y] = EmptyCell;
                    Moved = True;
                }
        if (!Moved) break;
        DrawWell();
        PresentRect(WellRect);
    }
    DrawWell();
    PresentRect(WellRect);
    return shell::State::Resolve;
}

}  // namespace game
