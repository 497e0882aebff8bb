// The screens around the game.
#pragma once
#include "shell/program.h"

namespace shell {

State MainMenu();
State OptionsScreen();
State QuickHelp();
State LevelSelect();

}  // namespace shell

#include <array>
#include <string>

namespace shell {
inline constexpr int HelpLines = 20;
// The twenty items of the help text; missing ones are blank.
std::array<std::string, HelpLines> ParseHelp(const std::string& text);
}  // namespace shell
