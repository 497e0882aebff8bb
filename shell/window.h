// The game window's events: the two timers, yielding to event processing and
// the keyboard's toggle reset.
#pragma once

namespace shell {

// Timer1: 1000 ms, one shot, erases the message strip below the well.
void EnableTimer1();
void DisableTimer1();
// Timer2: every 50 ms, the display watchdog.
void EnableTimer2();
void DisableTimer2();
bool Timer1Enabled();

// Hands control to the window for one pass: keys and typing change here,
// the window may close (ProgramEnded), and due timers fire.
void YieldToEvents();

void Timer1_Timer();
void Timer2_Timer();

// Clears the toggle bit of every key: Caps Lock and P read as off afterwards.
void ResetKeyToggles();

}  // namespace shell
