#include "shell/command_line.h"

namespace shell {

CommandLine ParseCommandLine(int argc, const char* const* argv) {
    CommandLine line;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") line.action = CommandLine::Help;
        else if (arg == "--version") line.action = CommandLine::Version;
        else if (arg == "--fullscreen" || arg == "--windowed") line.fullScreen = arg == "--fullscreen";  // the last counts
        else if (arg == "--no-record") line.record = false;
        else if (arg == "--check") line.check = true;
        else if (arg == "--replay" && i + 1 < argc && *argv[i + 1]) line.replay = argv[++i];
        else {
            line.action = CommandLine::Wrong;
            line.wrong = arg == "--replay" ? "--replay needs a file" : "unknown option " + arg;  // also for ""
        }
        // The first that is not an option of play decides.
        if (line.action != CommandLine::Play) break;
    }
    if (line.action == CommandLine::Play && line.check && line.replay.empty()) {
        line.action = CommandLine::Wrong;
        line.wrong = "--check goes with --replay";
    }
    return line;
}

std::string Usage() {
    return "Usage: zintari [--fullscreen | --windowed] [--no-record]\n"
           "       zintari --replay FILE [--check] [--fullscreen | --windowed]\n"
           "       zintari --help | --version\n"
           "\n"
           "Zintari is a falling-block puzzle game: line up balls of one colour to\n"
           "clear them, through 30 levels.\n"
           "\n"
           "  --fullscreen   play full screen this time\n"
           "  --windowed     play in a window this time (F11 switches)\n"
           "  --no-record    keep no replay of this run\n"
           "  --replay FILE  show a recorded run again (Space pauses, Right and Left\n"
           "                 change the speed, Esc ends)\n"
           "  --check        with --replay: play the run unseen, print how it ended,\n"
           "                 and exit 1 when it does not end as it was recorded\n"
           "  -h, --help     show this help and exit\n"
           "  --version      show the version and exit\n"
           "\n"
           "The game opens as it was left: full screen, or in its window's size and\n"
           "place, kept in $XDG_STATE_HOME/zintari/window (~/.local/state/zintari).\n"
           "Your own keys go in $XDG_CONFIG_HOME/zintari/keys.conf (~/.config/zintari):\n"
           "\n"
           "  [keys]\n"
           "  W = Up\n"
           "  A = Left\n"
           "\n"
           "Your preferences and best players are kept in $XDG_DATA_HOME/zintari\n"
           "(~/.local/share/zintari when XDG_DATA_HOME is not set), and replays\n"
           "of your last 20 runs in its folder replays.\n";
}

std::string VersionNumber() { return ZINTARI_VERSION; }
std::string VersionText() { return "zintari " + VersionNumber() + "\n"; }

}  // namespace shell
