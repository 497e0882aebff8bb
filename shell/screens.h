// The screens around the game.
#pragma once
#include "shell/program.h"

namespace shell {

State MainMenu();
State OptionsScreen();
State QuickHelp();
State LevelSelect();

}  // namespace shell
