// Airstone lifts every stone out of the well.
#include <algorithm>
#include <vector>

#include "game/play.h"
#include "platform/display.h"
#include "platform/timing.h"
#include "powers/powers.h"
#include "shell/window.h"

namespace powers {

using namespace platform;

shell::State Airstone() {
    std::vector<Rect> flying;
    for (int x = 0; x < WellColumns; ++x)
        for (int y = 0; y < WellRows; ++y)
            if (Well[x][y].Stone) {
                Well[x][y] = EmptyCell;
                flying.push_back(CellRectOf(x, y));
            }
    if (flying.empty()) return shell::State::Settle;
    // The stones rise 6 pixels a step until they sit just above the well.
    FrameStart = TickCount();
    for (;;) {
        if (StepDue(FrameStart, 20)) {
            game::DrawWell();
            bool rising = false;
            for (Rect& r : flying) {
                if (r.Top > 26) {
                    r.Top -= 6;
                    r.Bottom = r.Top + 24;
                }
                rising = rising || r.Top > 26;
                // Only the part still inside the well is drawn: above it the
                // back buffer holds the level's title and the well's frame.
                const int cut = std::max(0, WellTop - r.Top);
                if (cut < CellSize)
                    CopyRect(BackBuffer, {r.Left, r.Top + cut, r.Right, r.Bottom}, BlockSurfaces[4],
                             {0, cut, CellSize, CellSize}, Key::Source);
            }
            PresentRect(WellRect);
            if (!rising) return shell::State::Settle;
        }
        shell::YieldToEvents();
    }
}

}  // namespace powers
