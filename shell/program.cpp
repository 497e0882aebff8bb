#include "shell/program.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "audio/audio.h"
#include "data/files.h"
#include "data/preferences.h"
#include "shell/best_players.h"
#include "data/scores.h"
#include "ending/finale.h"
#include "levels/levels.h"
#include "game/play.h"
#include "game/random.h"
#include "platform/backend.h"
#include "platform/display.h"
#include "platform/font.h"
#include "platform/keyboard.h"
#include "platform/timing.h"
#include "powers/powers.h"
#include "shell/screens.h"
#include "shell/window.h"

namespace shell {

std::function<void(State)> OnStateEntered, ReplayWatch;
std::function<void(const std::string&, int32_t)> ReplayBestPlayer;

namespace {

RunSummary summary;
int linesSeen = 0;        // the level's lines when last looked at
State current = State::Shutdown;
int32_t enteredAt = 0;    // when the current state began

bool InPlay(State s) {
    switch (s) {
    case State::PieceControl:
    case State::Settle:
    case State::Resolve:
    case State::Clear:
    case State::FirePower:
    case State::Sweep:
    case State::Rain:
    case State::Airstone:
    case State::HolyCross:
    case State::Bomb: return true;
    default: return false;
    }
}

// Notes what the run has come to as it enters state s.
void Account(State s) {
    const int32_t now = platform::TickCount();
    if (InPlay(current)) summary.playMs += platform::Since(now, enteredAt);
    current = s;
    enteredAt = now;
    if (s == State::PieceControl) summary.levels = std::max(summary.levels, CurrentLevel + 1);
    summary.score = std::max(summary.score, Score);
    const int lines = Horizontals + Verticals + Diagonals;  // only a level start lowers them
    if (lines < linesSeen) linesSeen = 0;
    summary.lines += lines - linesSeen;
    linesSeen = lines;
}

}  // namespace

const RunSummary& LastRun() { return summary; }

const char* StateName(State s) {
    static const char* const names[] = {
        "MainMenu", "Options",       "QuickHelp", "BestPlayers", "LevelSelect", "NewGame",   "NextLevel",
        "PieceControl", "Settle",    "Resolve",   "Clear",       "ExitConfirm", "CompleteLevel", "GameOver",
        "NameEntry", "Finale",       "FirePower", "Sweep",       "Rain",        "Airstone",  "HolyCross",
        "Bomb",     "Shutdown"};
    static_assert(std::size(names) == size_t(State::Shutdown) + 1, "a name for every state");
    return names[int(s)];
}

State RunState(State s) {
    switch (s) {
    case State::MainMenu: return MainMenu();
    case State::Options: return OptionsScreen();
    case State::QuickHelp: return QuickHelp();
    case State::BestPlayers: return shell::BestPlayers();
    case State::LevelSelect: return LevelSelect();
    case State::NewGame: return levels::StartLevel(true);
    case State::NextLevel: return levels::StartLevel(false);
    case State::PieceControl: return game::PieceControl();
    case State::Settle: return game::SettleWell();
    case State::Resolve: return game::ResolveWell();
    case State::Clear: return game::ClearRuns();
    case State::ExitConfirm: return game::ExitConfirm();
    case State::CompleteLevel: return levels::CompleteLevel();
    case State::GameOver: return levels::GameOver();
    case State::NameEntry: return shell::NameEntry();
    case State::Finale: return ending::Finale();
    case State::FirePower: return powers::FirePower();
    case State::Sweep: return powers::Sweep();
    case State::Rain: return powers::Rain();
    case State::Airstone: return powers::Airstone();
    case State::HolyCross: return powers::HolyCross();
    case State::Bomb: return powers::Bomb();
    case State::Shutdown: break;
    }
    return State::Shutdown;
}

void LoadEverything() {
    using namespace platform;
    Active().ShowCursor(false);
    ResetProgramState();
    data::Preferences("load");
    InitDisplay();
    InitSurfaceText();
    audio::SoundSetup();
    audio::MusicSetup();
    LoadLevelsAndFont();
    data::LoadScores();
    EnableTimer2();
    ClipboardText = Active().ClipboardText();
    game::SeedRandom(Active().RandomSeed());
}

State Form_Load() {
    using namespace platform;
    LoadEverything();
    // 100 ms of black, then the credit (and the second message for those
    // who came with the phrase).
    FrameStart = TickCount();
    while (Elapsed(FrameStart) < 100) {
        FillRect(BackBuffer, WholeSurface, 0);
        Present();
        WakeBy(FrameStart + 100);
        YieldToEvents();
    }
    ShowMessage("This game was created by Doran Velisk.", 3000, 500);
    if (AccessPhraseGiven()) ShowMessage("And yes,you just can't live without cheating!", 3000, 500);
    audio::FinishLoading();  // long done by now; a broken sound file is reported before the menu
    ResetKeyToggles();
    return State::MainMenu;
}

void Shutdown() {
    DisableTimer2();
    DisableTimer1();
    audio::AudioShutdown();
    platform::ReleaseDisplay();
    platform::Active().ShowCursor(true);
    data::RemoveTempFolder();
}

int RunProgram() {
    int status = 0;
    summary = {};
    linesSeen = 0;
    current = State::Shutdown;
    try {
        State s = Form_Load();
        while (s != State::Shutdown) {
            Account(s);
            if (ReplayWatch) ReplayWatch(s);
            if (OnStateEntered) OnStateEntered(s);
            s = RunState(s);
        }
        Account(s);
        summary.how = "exit";
    } catch (const platform::ProgramEnded&) {
        // The window was closed: the program ends at once.
        Account(State::Shutdown);
        summary.how = "closed";
    } catch (const std::exception& e) {  // a FatalError, or the system out of memory or threads
        std::fprintf(stderr, "zintari: %s\n", e.what());
        summary.how = std::string("error: ") + e.what();
        status = 1;
    }
    Shutdown();
    return status;
}

}  // namespace shell
