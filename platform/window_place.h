// Whether the game was last full screen or in a window, and the window's
// size and place: kept in $XDG_STATE_HOME/zintari/window when the program
// ends, and used at the next start.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "platform/surface.h"

namespace platform {

struct WindowPlace {
    bool fullScreen = true;
    // The window's size and place on the desktop; all four 0: none kept yet.
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const WindowPlace&) const = default;
};

// One line: "fullscreen" or "window", then x, y, width and height.
std::string WindowPlaceText(const WindowPlace& place);
// Nothing for text that is not such a line, or a size out of range.
std::optional<WindowPlace> ParseWindowPlace(const std::string& text);

// Where the window opens when it is not full screen, given the usable area
// of each display (without panels): the kept size, at least 320x240 and at
// most the usable area of the display the kept window overlaps most, moved
// wholly onto that display; centred on the first display when it overlaps
// none (a monitor unplugged); twice the picture's size as far as it fits,
// centred, when none was kept.
WindowPlace WindowedPlace(const WindowPlace& kept, const std::vector<Rect>& usable);

// The file at path; a missing one gives the defaults (full screen, no
// window kept), a damaged or unreadable one the same with a message.
WindowPlace LoadWindowPlace(const std::string& path);
// Writes it through a temporary file, creating the folder; a failure is
// said on stderr and the game ends as usual.
void SaveWindowPlace(const std::string& path, const WindowPlace& place);

}  // namespace platform
