// The program as one loop of states. Every screen and every phase of play
// is a routine that runs until it hands over and then returns the state that
// follows; nothing nests one screen inside another, so the stack stays flat
// however long a game or a cascade runs.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

namespace shell {

enum class State {
    MainMenu,
    Options,
    QuickHelp,
    BestPlayers,
    LevelSelect,
    NewGame,        // level start of a new game (score and meter reset)
    NextLevel,      // level start of the following level
    PieceControl,   // the falling piece
    Settle,         // blocks fall into gaps
    Resolve,        // runs are looked for; a new piece when none
    Clear,          // runs blink, score and vanish
    ExitConfirm,
    CompleteLevel,
    GameOver,
    NameEntry,
    Finale,
    FirePower,      // pays for PendingPower and starts it
    Sweep,
    Rain,
    Airstone,
    HolyCross,
    Bomb,
    Shutdown,
};
const char* StateName(State s);

// Runs one state's routine and returns the next state.
State RunState(State s);

// Start-up up to the main menu: returns the first state.
State Form_Load();
// The work of start-up before anything is shown: options, display and
// pictures, sounds, levels and font, best players, clipboard.
void LoadEverything();

// The whole program: start-up, then states until Shutdown or the window's
// close. Returns the process's exit status.
int RunProgram();

// Ends the program in order: timers, sound, display, the cursor, then the
// temporary folder. The caller stops after it.
void Shutdown();

// Called with every state the loop enters (tests watch the game with it;
// a recording or a replay notes the game as each state begins).
extern std::function<void(State)> OnStateEntered, ReplayWatch;
// Called when the player joins the best players with a name and a score (a
// recording notes it, which ties the replay to the table's entry; a replay
// checks that the run enters the same).
extern std::function<void(const std::string& name, int32_t score)> ReplayBestPlayer;

// What a run came to: the highest level played, the best score of its
// games, the lines cleared in all its levels, the time spent in play, and
// how it ended ("exit" from the menu, "closed" with the window, or
// "error: " and why).
struct RunSummary {
    int levels = 0;
    int32_t score = 0;
    int lines = 0;
    int32_t playMs = 0;
    std::string how;
    bool operator==(const RunSummary&) const = default;
};
// The run going on, or the last one.
const RunSummary& LastRun();

}  // namespace shell
