// Milliseconds on one tick count, the busy wait and the full-screen message.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace platform {

int32_t TickCount();
// Milliseconds from a stamp to a later tick; right across the 32-bit wrap.
inline int32_t Since(int32_t later, int32_t stamp) { return int32_t(uint32_t(later) - uint32_t(stamp)); }
inline int32_t Elapsed(int32_t stamp) { return Since(TickCount(), stamp); }

// Busy wait of at least ms milliseconds: no yield, so no key or timer is
// handled meanwhile; only the window's own events (Idle). Restarts FrameStart.
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
