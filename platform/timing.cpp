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

bool ShowLines(const std::vector<std::string>& lines, int top, int32_t showMs, int32_t blackMs,
               const std::function<bool()>& pass) {
    // Drawn once: nothing else touches the screen meanwhile.
    FillRect(BackBuffer, WholeSurface, 0);
    for (size_t i = 0; i < lines.size(); ++i)
        DrawText(CentredHalfEven(TextWidth(lines[i])), top + 20 * int(i), lines[i], BackBuffer);
    Present();
    for (const int32_t ms : {showMs, blackMs}) {
        FrameStart = TickCount();
        do {
            FrameNow = TickCount();
            if (pass()) return true;
        } while (Since(FrameNow, FrameStart) < ms);
        FillRect(BackBuffer, WholeSurface, 0);
        Present();
    }
    return false;
}

void ShowMessage(const std::string& text, int32_t showMs, int32_t blackMs) {
    ShowLines({text}, 230, showMs, blackMs, [] {
        Active().Idle();
        return false;
    });
}

}  // namespace platform
