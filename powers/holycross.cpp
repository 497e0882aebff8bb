// HolyCross empties the two middle columns and the two middle rows.
#include "game/play.h"
#include "game/random.h"
#include "platform/display.h"
#include "platform/timing.h"
#include "powers/powers.h"
#include "shell/window.h"

namespace powers {

using namespace platform;

namespace {

// Calls visit(x, y) for the bar (columns 4 and 5, top to bottom), then for
// the two middle rows: the arms only, or all ten columns when wholeRows.
template <typename Visit>
void ForCross(bool wholeRows, Visit visit) {
    for (int x = 4; x <= 5; ++x)
        for (int y = 0; y < WellRows; ++y) visit(x, y);
    for (int x = 0; x < WellColumns; ++x)
        for (int y = 6; y <= 7; ++y)
            if (wholeRows || (x != 4 && x != 5)) visit(x, y);
}

}  // namespace

shell::State HolyCross() {
    // The glow over every cell of the cross: 33 steps of frames 0 to 10,
    // then 2 to 10 over and over.
    int frame = -1;
    FrameStart = TickCount();
    for (int step = 0; step < 33;) {
        if (StepDue(FrameStart, 25)) {
            game::DrawWell();
            FrameStart = TickCount();  // the drawing time does not count
            ++step;
            if (++frame == 11) frame = 2;
            ForCross(false, [frame](int x, int y) {
                CopyRect(BackBuffer, CellRectOf(x, y), CrossFramesSurface, {24 * frame, 0, 24 * frame + 24, 24},
                         Key::Source);
            });
            PresentRect(WellRect);
        }
        shell::YieldToEvents();
    }
    // The sparkle: circles of random colours on the screen over every block
    // of the cross; the centre cells are visited twice.
    for (int repeat = 0; repeat < 50; ++repeat) {
        ForCross(true, [](int x, int y) {
            if (Well[x][y].Empty) return;
            const int r = int(256 * game::Rnd()), g = int(256 * game::Rnd()), b = int(256 * game::Rnd());
            PrimarySurface.SetForeColour(Rgb(r, g, b));
            const int cx = 212 + 24 * x + int(7 * game::Rnd()) - 3;
            const int cy = 62 + 24 * y + int(7 * game::Rnd()) - 3;
            DrawCircle(PrimarySurface, cx, cy, int(8 * game::Rnd()) + 1);
        });
        ScreenChanged();
        Wait(20);
    }
    ForCross(true, [](int x, int y) { Well[x][y] = EmptyCell; });
    return shell::State::Settle;
}

}  // namespace powers
