#include "platform/timing.h"

#include "game/state.h"
#include "platform/backend.h"
#include "platform/display.h"
#include "platform/font.h"

namespace platform {

int32_t TickCount() { return Active().TickCount(); }

void Wait(int32_t ms) {
    FrameStart = TickCount();
    while (Elapsed(FrameStart) < ms) Active().Idle();
}

int CentredHalfEven(int width) {
    // 320 - w/2: an odd w gives a half, which goes to the even neighbour.
    if (width % 2 == 0) return 320 - width / 2;
    const int down = 320 - (width + 1) / 2;  // the lower of the two candidates
    return down % 2 == 0 ? down : down + 1;
}

void ShowMessage(const std::string& text, int32_t showMs, int32_t blackMs) {
    FrameStart = TickCount();
    do {
        FrameNow = TickCount();
        FillRect(BackBuffer, WholeSurface, 0);
        DrawText(CentredHalfEven(TextWidth(text)), 230, text, BackBuffer);
        Present();
        Active().Idle();
    } while (Since(FrameNow, FrameStart) < showMs);
    FillRect(BackBuffer, WholeSurface, 0);
    FrameStart = TickCount();
    do {
        FrameNow = TickCount();
        FillRect(PrimarySurface, WholeSurface, 0);
        ScreenChanged();
        Active().Idle();
    } while (Since(FrameNow, FrameStart) < blackMs);
}

}  // namespace platform
