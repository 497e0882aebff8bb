// zintari --replay FILE: a recorded run shown again in the window, or
// checked unseen (--check) against the end it recorded.
#pragma once
#include <string>

#include "platform/backend.h"

namespace replay {

// Checks the run in file with the game's files in gameFolder (the
// executable left out): prints its end and returns 0 when the replayed game
// comes to the recorded end, else prints "diverged" with the tick and why
// and returns 1; a recording without its end (the run was killed) plays as
// far as it goes, says "cut short" and returns 1 too. A file that cannot be
// replayed here is refused with one line and 1.
int CheckReplay(const std::string& file, const std::string& gameFolder, const std::string& executable);
// Shows the run in the window at the pace it was played, to its end or
// until the viewer's Escape.
int WatchReplay(const std::string& file, const std::string& gameFolder, const std::string& executable,
                platform::Backend& window);

}  // namespace replay
