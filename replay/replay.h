// zintari --replay FILE: a recorded run shown again in the window, or
// checked unseen (--check) against the end it recorded.
#pragma once
#include <optional>
#include <string>

#include "platform/backend.h"
#include "replay/format.h"

namespace replay {

// The recording in file when this game can replay it with its files in
// gameFolder; else nothing, after one line on stderr that says why.
std::optional<Recording> OpenReplay(const std::string& file, const std::string& gameFolder);
// Checks the run: prints its end and returns 0 when the replayed game comes
// to the recorded end, else prints "diverged" with the tick and why and
// returns 1; a recording without its end (the run was killed) plays as far
// as it goes, says "cut short" and returns 1 too.
int CheckReplay(const Recording& recording);
// Shows the run in the window at the pace it was played, to its end or
// until the viewer's Escape.
int WatchReplay(const Recording& recording, platform::Backend& window);

// Text for a terminal: control characters (and bytes that are no UTF-8)
// written as \xHH, so that a replay's texts cannot drive the terminal.
std::string Printable(const std::string& text);

}  // namespace replay
