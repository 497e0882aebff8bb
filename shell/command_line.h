// The command line: play, watch or check a replay, list the replays, help and version.
#pragma once
#include <optional>
#include <string>

namespace shell {

struct CommandLine {
    enum Action { Play, Help, Version, ListReplays, Wrong } action = Play;
    // Full screen or a window for this run; nothing: as the last run left it.
    std::optional<bool> fullScreen;
    bool record = true;     // keep a replay of the run
    std::string replay;     // a replay to show (or check) instead of playing
    bool check = false;     // check the replay unseen instead of showing it
    std::string wrong;      // what is wrong: "unknown option --bogus"
};
CommandLine ParseCommandLine(int argc, const char* const* argv);

// What --help prints: what the game is, its options, where the player's
// files live.
std::string Usage();
// "zintari 1.0"
std::string VersionText();
// "1.0"
std::string VersionNumber();

}  // namespace shell
