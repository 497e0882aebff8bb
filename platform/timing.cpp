#include "platform/timing.h"

#include <utility>

#include "game/state.h"
#include "platform/backend.h"
#include "platform/display.h"
#include "platform/font.h"

namespace platform {

int32_t TickCount() { return Active().TickCount(); }

namespace {
bool wakeNoted = false;
int32_t wakeTime = 0;
}  // namespace

void WakeBy(int32_t tick) {
    if (!wakeNoted || Since(tick, wakeTime) < 0) wakeTime = tick;
    wakeNoted = true;
}

std::optional<int32_t> TakeWakeTime() {
    if (!std::exchange(wakeNoted, false)) return std::nullopt;
    return wakeTime;
}

bool StepDue(int32_t& stamp, int32_t period) {
    const bool due = Elapsed(stamp) >= period;
    if (due) stamp = TickCount();
    WakeBy(stamp + period);
    return due;
}

void IdleUntil(int32_t tick) {
    while (Since(TickCount(), tick) < 0) {
        WakeBy(tick);
        Active().Idle();
    }
}

void Wait(int32_t ms) {
    FrameStart = TickCount();
    IdleUntil(FrameStart + ms);
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
            WakeBy(FrameStart + ms);
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
