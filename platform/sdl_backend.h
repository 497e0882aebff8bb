// The real window: full screen on the desktop's own mode, the 640x480
// picture scaled with its aspect kept, keys, clipboard and the sound device.
#pragma once
#include <memory>
#include <optional>
#include <string>

#include "platform/backend.h"

namespace platform {

// Opens the window, full screen or in a window of its own (nothing: as the
// last run left it, full screen the first time); throws
// data::FatalError when no display can be set up. Without a display (no
// DISPLAY or WAYLAND_DISPLAY) the game does not start: only SDL_VIDEODRIVER
// offscreen or dummy, as the tests ask, run it without a window.
std::unique_ptr<Backend> MakeSdlBackend(std::optional<bool> fullScreen = std::nullopt);

}  // namespace platform

namespace platform {
// The running executable (from /proc/self/exe), and its folder.
std::string ExecutablePath();
std::string ExecutableFolder();
// The game's read-only data: ../share/games/zintari from the program's
// folder when installed (under any prefix), else the program's folder itself
// (build/game).
std::string GameDataFolder();
// The player's data folder, $XDG_DATA_HOME/zintari, made if absent (with
// one line on stderr when it cannot be: the game goes on without it).
std::string UserDataFolder();
// $<variable>/zintari, or ~/<underHome>/zintari when it is not set; "" when
// neither it nor HOME is.
std::string XdgFolder(const char* variable, const char* underHome);
}  // namespace platform
