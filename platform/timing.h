// Milliseconds on one tick count, the busy wait and the full-screen message.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace platform {

int32_t TickCount();
// Milliseconds from a stamp to a later tick; right across the 32-bit wrap.
inline int32_t Since(int32_t later, int32_t stamp) { return int32_t(uint32_t(later) - uint32_t(stamp)); }
inline int32_t Elapsed(int32_t stamp) { return Since(TickCount(), stamp); }

// The window sleeps between the game's passes instead of polling: every
// timed step notes when it is due, and the next yield or busy-wait pass
// sleeps until the earliest moment noted, or until a key or the window
// wakes it.
void WakeBy(int32_t tick);
// The earliest moment noted since the last call, for the window.
std::optional<int32_t> TakeWakeTime();

// The pacing of every animation: true when period ms have passed since
// stamp, which then restarts; either way the next step's moment is noted.
bool StepDue(int32_t& stamp, int32_t period);

// Busy wait until tick: no yield, so no key or timer is handled meanwhile;
// only the window's own events (Idle).
void IdleUntil(int32_t tick);
// Busy wait of at least ms milliseconds. Restarts FrameStart.
void Wait(int32_t ms);

// x of a text of width w centred on 320, halves rounded to the even side.
int CentredHalfEven(int width);
// x of a text of width w centred on 320: 320 - w / 2 with the half width
// rounded down, so an odd width sits half a pixel right of the centre.
inline int CentredFloor(int width) { return 320 - width / 2; }

// Lines of text centred on a black screen, 20 pixels apart from top, for
// showMs, then black for blackMs. pass() runs on every pass of both waits
// (it yields); when it returns true the screen ends at once and so does
// ShowLines, returning true.
bool ShowLines(const std::vector<std::string>& lines, int top, int32_t showMs, int32_t blackMs,
               const std::function<bool()>& pass);

// The text centred on a black screen for showMs, then black for blackMs.
// Cannot be skipped.
void ShowMessage(const std::string& text, int32_t showMs, int32_t blackMs);

}  // namespace platform
