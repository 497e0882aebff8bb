#include "shell/command_line.h"

namespace shell {

CommandLine ParseCommandLine(int argc, const char* const* argv) {
    CommandLine line;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") line.action = CommandLine::Help;
        else if (arg == "--version") line.action = CommandLine::Version;
        else if (arg == "--fullscreen" || arg == "--windowed") line.fullScreen = arg == "--fullscreen";  // the last counts
        else {
            line.action = CommandLine::Wrong;
            line.wrong = arg;
        }
        // The first that is not --fullscreen or --windowed decides.
        if (line.action != CommandLine::Play) break;
    }
    return line;
}

std::string Usage() {
    return "Usage: zintari [--fullscreen | --windowed]\n"
           "       zintari --help | --version\n"
           "\n"
           "Zintari is a falling-block puzzle game: line up balls of one colour to\n"
           "clear them, through 30 levels.\n"
           "\n"
           "  --fullscreen  play full screen this time\n"
           "  --windowed    play in a window this time (F11 switches)\n"
           "  -h, --help    show this help and exit\n"
           "  --version     show the version and exit\n"
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
           "(~/.local/share/zintari when XDG_DATA_HOME is not set).\n";
}

std::string VersionText() { return std::string("zintari ") + ZINTARI_VERSION + "\n"; }

}  // namespace shell
