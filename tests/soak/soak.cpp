// soak GAME_DIR [--games N] [--seed S] [--seeds K] [--levels A-B]
//      [--difficulty 1|2|3] [--table]
// Plays N games of every level (A to B, all 30 by default) for each of the
// seeds S to S+K-1 headlessly with the autoplayer, and checks the game's
// invariants after every state change. Prints a balance table of losses and
// pieces needed per level with --table.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>

#include "autoplayer.h"
#include "data/files.h"
#include "game/random.h"
#include "game/state.h"
#include "platform/display.h"
#include "platform/font.h"
#include "platform/headless_backend.h"
#include "platform/keyboard.h"
#include "shell/program.h"

namespace {

using shell::State;

constexpr int32_t StuckMs = 10 * 60 * 1000;  // no state of play lasts ten minutes

void Check(bool ok, const std::string& what) {
    if (!ok) throw std::runtime_error(what);
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

struct Outcome { bool won = false; int pieces = 0; };

Outcome PlayLevel(platform::HeadlessBackend& backend, int level, uint64_t seed) {
    ResetGameState();
    CurrentLevel = int16_t(level);
    game::SeedRandom(seed);
    platform::ResetKeyboard();
    Outcome outcome;
    State state = State::NewGame, previous = State::NewGame;
    int32_t enteredAt = backend.TickCount();
    backend.onYield = [&] {
        const int32_t now = backend.TickCount();
        Check(now - enteredAt < StuckMs, std::string("stuck in ") + shell::StateName(state));
        if (state == State::PieceControl) soak::Drive(now);
        if (state == State::Bomb) soak::DriveBomb();
    };
    for (;;) {
        CheckInvariants(state);
        if (state == State::CompleteLevel || state == State::GameOver) {
            outcome.won = state == State::CompleteLevel;
            break;
        }
        if (state == State::PieceControl && previous == State::Resolve) {
            ++outcome.pieces;
            soak::NewPiece(backend.TickCount());
        }
        enteredAt = backend.TickCount();
        previous = state;
        state = shell::RunState(state);
    }
    backend.onYield = nullptr;
    soak::ReleaseAll();
    return outcome;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: soak GAME_DIR [--games N] [--seed S] [--seeds K] [--levels A-B] "
                             "[--difficulty 1|2|3] [--table]\n");
        return 2;
    }
    int games = 1, seeds = 1, first = 1, last = LevelCount, difficulty = 2;
    uint64_t seed = 1;
    bool table = false;
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        const char* v = i + 1 < argc ? argv[i + 1] : "";
        if (a == "--games") games = std::atoi(v);
        else if (a == "--seed") seed = std::strtoull(v, nullptr, 10);
        else if (a == "--seeds") seeds = std::atoi(v);
        else if (a == "--levels" && std::sscanf(v, "%d-%d", &first, &last) != 2) last = first;
        else if (a == "--difficulty") difficulty = std::atoi(v);
        else if (a == "--table") table = true;
        i += a != "--table";
    }
    if (difficulty < 1 || difficulty > 3 || first < 1 || last > LevelCount || first > last) {
        std::fprintf(stderr, "soak: difficulty 1 to 3, levels within 1-%d\n", LevelCount);
        return 2;
    }
    platform::HeadlessBackend backend;
    backend.SetStepMs(2);  // coarser steps: pacing checks live in the unit tests
    platform::Use(&backend);
    const std::string scratch = data::MakeTempFolder();
    std::filesystem::create_directories(scratch + "/user");
    data::SetFolders(argv[1], scratch + "/user", scratch);
    std::map<int, std::pair<int, int>> wins, losses;  // level: games, pieces
    int failures = 0, won = 0, played = 0;
    try {
        ResetProgramState();
        platform::InitDisplay();
        platform::LoadLevelsAndFont();
        MusicOn = SoundOn = 1;
        Difficulty = uint8_t(difficulty);
        for (uint64_t s = seed; s < seed + uint64_t(seeds); ++s)
            for (int g = 0; g < games * LevelCount; ++g) {
                const int level = g % LevelCount;
                if (level + 1 < first || level + 1 > last) continue;
                const Outcome o = PlayLevel(backend, level, s * 1000 + uint64_t(g));
                auto& bucket = o.won ? wins[level] : losses[level];
                ++bucket.first, ++played, won += o.won;
                bucket.second += o.pieces;
            }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "soak: %s (level %d, at %d ms)\n", e.what(), CurrentLevel + 1, backend.TickCount());
        failures = 1;
    }
    std::printf("soak: %d games, %d won, %d lost, %.1f minutes of play\n", played, won, played - won,
                backend.TickCount() / 60000.0);
    // Losing every game keeps every invariant true: it also means the
    // autoplayer no longer steers, and the soak proves nothing.
    if (played >= 10 && won == 0) {
        std::fprintf(stderr, "soak: no game won\n");
        failures = 1;
    }
    if (table) {
        std::printf("| Level | Title | Games | Lost | Pieces to finish |\n|---|---|---|---|---|\n");
        for (int l = first - 1; l < last; ++l) {
            const auto [w, wp] = wins[l];
            const int lost = losses[l].first;
            std::printf("| %d | %s | %d | %d%% | %s |\n", l + 1, LevelTable[l].Title.c_str(), w + lost,
                        w + lost ? 100 * lost / (w + lost) : 0, w ? std::to_string(wp / w).c_str() : "-");
        }
    }
    platform::ReleaseDisplay();
    data::RemoveTempFolder();
    return failures;
}
