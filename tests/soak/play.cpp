#include "play.h"

#include <filesystem>
#include <stdexcept>

#include "data/files.h"
#include "game/random.h"
#include "game/state.h"
#include "platform/display.h"
#include "platform/font.h"
#include "platform/keyboard.h"

namespace soak {

using shell::State;

namespace {

constexpr int32_t StuckMs = 10 * 60 * 1000;  // no state of play lasts ten minutes

void Check(bool ok, const std::string& what) {
    if (!ok) throw std::runtime_error("level " + std::to_string(CurrentLevel + 1) + ": " + what);
}

// What must hold whenever the loop enters a state.
void CheckInvariants(State s) {
    Check(LinesLeft >= 0, "LinesLeft below 0");
    Check(PowerMeter <= 16, "PowerMeter above 16");
    Check(RunCount >= 0 && RunCount <= MaxRuns, "RunList out of range");
    Check(CurrentLevel >= 0 && CurrentLevel < LevelCount, "CurrentLevel out of range");
    if (s != State::PieceControl) return;
    for (int x = 0; x < WellColumns; ++x)
        for (int y = 0; y + 1 < WellRows; ++y)
            Check(Well[x][y].Empty || !Well[x][y + 1].Empty, "a column is not settled when a piece starts");
    Check(PieceX % CellSize == 0 && PieceY % CellSize == 0, "piece off the grid");
    Check(PieceSize >= 2 && PieceSize <= 4, "piece grid size");
}

}  // namespace

Session::Session(const std::string& gameDir, int difficulty) {
    backend_.SetStepMs(2);  // coarser steps: pacing checks live in the unit tests
    platform::Use(&backend_);
    const std::string scratch = data::MakeTempFolder();
    std::filesystem::create_directories(scratch + "/user");
    data::SetFolders(gameDir, scratch + "/user", scratch);
    ResetProgramState();
    try {
        platform::InitDisplay();
        platform::LoadLevelsAndFont();
    } catch (...) {  // the game's files: nothing is left behind
        data::RemoveTempFolder();
        throw;
    }
    MusicOn = SoundOn = 1;
    Difficulty = uint8_t(difficulty);
}

Session::~Session() {
    platform::ReleaseDisplay();
    data::RemoveTempFolder();
}

Outcome Session::PlayLevel(int level, uint64_t seed, const Driver& driver) {
    ResetGameState();
    CurrentLevel = int16_t(level);
    game::SeedRandom(seed);
    platform::ResetKeyboard();
    Outcome outcome;
    State state = State::NewGame, previous = State::NewGame;
    int32_t enteredAt = Now();
    backend_.onYield = [&] {
        Check(Now() - enteredAt < StuckMs, std::string("stuck in ") + shell::StateName(state));
        if (state == State::PieceControl) driver.piece(Now());
        if (state == State::Bomb) driver.bomb(Now());
    };
    for (;;) {
        CheckInvariants(state);
        outcome.states.insert(state);
        if (state == State::CompleteLevel || state == State::GameOver) {
            outcome.won = state == State::CompleteLevel;
            break;
        }
        if (state == State::PieceControl && previous == State::Resolve) {
            driver.newPiece(Now(), ++outcome.pieces);
        }
        enteredAt = Now();
        previous = state;
        state = shell::RunState(state);
    }
    backend_.onYield = nullptr;
    return outcome;
}

}  // namespace soak
