// The screens of the best players table.
#pragma once
#include "shell/program.h"

namespace shell {

// The player types a name; the score joins the table, which is saved.
shell::State NameEntry();
// The table over a scrolling band; Escape returns to the main menu.
shell::State BestPlayers();

}  // namespace shell
