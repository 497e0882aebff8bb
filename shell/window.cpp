#include "shell/window.h"

#include "game/state.h"
#include "platform/backend.h"
#include "platform/display.h"
#include "platform/keyboard.h"
#include "platform/timing.h"

namespace shell {

namespace {

struct Timer {
    bool enabled = false;
    int32_t interval = 0;
    int32_t stamp = 0;

    void Enable(int32_t ms) {
        enabled = true;
        interval = ms;
        stamp = platform::TickCount();
    }
    // Whether the timer fires now; restarts its interval when it does.
    bool Due() {
        if (!enabled || platform::Elapsed(stamp) < interval) return false;
        stamp = platform::TickCount();
        return true;
    }
};

Timer timer1, timer2;

}  // namespace

void EnableTimer1() { timer1.Enable(1000); }
void DisableTimer1() { timer1.enabled = false; }
bool Timer1Enabled() { return timer1.enabled; }
void EnableTimer2() { timer2.Enable(50); }
void DisableTimer2() { timer2.enabled = false; }

void YieldToEvents() {
    for (const Timer* t : {&timer1, &timer2})
        if (t->enabled) platform::WakeBy(t->stamp + t->interval);
    platform::Active().ProcessEvents();
    if (timer1.Due()) Timer1_Timer();
    if (timer2.Due()) Timer2_Timer();
}

void Timer1_Timer() {
    using namespace platform;
    CopyRect(BackBuffer, StripRect, BackgroundSurface, StripRect);
    PresentRect(StripRect);
    DisableTimer1();
}

void Timer2_Timer() {
    using namespace platform;
    if (Active().DisplayUsable() && DisplayLost) {
        DisplayLost = False;
        LoadSprites();
        Present();
    }
    if (!Active().DisplayUsable()) DisplayLost = True;
}

void ResetKeyToggles() { platform::ClearKeyToggles(); }

}  // namespace shell
