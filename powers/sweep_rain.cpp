// Sweep empties the two bottom rows; Rain drops five wild balls.
#include "game/play.h"
#include "game/random.h"
#include "platform/display.h"
#include "platform/timing.h"
#include "powers/powers.h"

namespace powers {

using namespace platform;

shell::State Sweep() {
    SweepPending = False;
    // Two brooms cross: left to right on row 14, right to left on row 15.
    for (int i = 0; i < WellColumns; ++i) {
        CellRect = CellRectOf(i, 14);
        CopyRect(BackBuffer, CellRect, SweepUpperSurface, WholeSurface);
        PresentRect(CellRect);
        CellRect = CellRectOf(WellColumns - 1 - i, 15);
        CopyRect(BackBuffer, CellRect, SweepLowerSurface, WholeSurface);
        PresentRect(CellRect);
        Wait(100);
    }
    for (int x = 0; x < WellColumns; ++x) Well[x][14] = Well[x][15] = EmptyCell;
    ScoringOn = False;  // what falls into place now clears unscored, until the next piece
    return shell::State::Settle;
}

shell::State Rain() {
    const int odd = game::RandomBelow(2);
    for (int x = odd; x < WellColumns; x += 2)
        if (Well[x][0].Empty) Well[x][0] = WildCell;
    return shell::State::Settle;
}

}  // namespace powers
