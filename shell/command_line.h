// The command line: --help, --version and --windowed.
#pragma once
#include <string>

namespace shell {

struct CommandLine {
    enum Action { Play, Help, Version, Wrong } action = Play;
    bool windowed = false;  // start in a window instead of full screen
    std::string wrong;      // the argument not understood
};
CommandLine ParseCommandLine(int argc, const char* const* argv);

// What --help prints: what the game is, its options, where the player's
// files live.
std::string Usage();
// "zintari 1.0"
std::string VersionText();

}  // namespace shell
