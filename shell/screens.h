// The screens around the game.
#pragma once
#include "shell/program.h"

namespace shell {

State MainMenu();
State OptionsScreen();
State QuickHelp();
State LevelSelect();

// Down and Up move MenuChoice through entries 1 to entries with wrap-around,
// redraw and wait 100 ms (the main menu and the options screen).
void MoveMenuChoice(int entries, void (*draw)());

}  // namespace shell

#include <array>
#include <string>

namespace shell {
inline constexpr int HelpLines = 20;
// The twenty items of the help text; a blank line is an empty item, and
// items missing at the end are blank.
std::array<std::string, HelpLines> ParseHelp(const std::string& text);
}  // namespace shell
