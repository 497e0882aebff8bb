// The command line: --help, --version, --fullscreen and --windowed.
#pragma once
#include <optional>
#include <string>

namespace shell {

struct CommandLine {
    enum Action { Play, Help, Version, Wrong } action = Play;
    // Full screen or a window for this run; nothing: as the last run left it.
    std::optional<bool> fullScreen;
    std::string wrong;      // the argument not understood
};
CommandLine ParseCommandLine(int argc, const char* const* argv);

// What --help prints: what the game is, its options, where the player's
// files live.
std::string Usage();
// "zintari 1.0"
std::string VersionText();

}  // namespace shell
