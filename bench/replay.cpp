// replay_bench GAME_DIR: what recording costs. Plays ten minutes of a
// driven game headlessly (the clock sleeping from one due moment to the
// next, as the window does) without and with recording, and prints
// the processor time the recording added as a share of one core over those
// ten minutes, the size of the replay, and how long `zintari --replay FILE
// --check` of it takes. Goals: at most 0.2 % of a core, 100 KB, 3 s.
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "audio/audio.h"
#include "data/files.h"
#include "platform/headless_backend.h"
#include "platform/keyboard.h"
#include "replay/recorder.h"
#include "shell/program.h"

namespace {

namespace fs = std::filesystem;
using namespace platform;

constexpr int32_t RunMs = 10 * 60 * 1000;

// The same game every time: a fixed seed.
struct Machine : HeadlessBackend {
    uint64_t RandomSeed() override { return 7; }
};

double CpuSeconds() {
    rusage use{};
    getrusage(RUSAGE_SELF, &use);
    return double(use.ru_utime.tv_sec + use.ru_stime.tv_sec) + (use.ru_utime.tv_usec + use.ru_stime.tv_usec) / 1e6;
}

// Ten minutes of a player, answering each screen as it comes: into a new
// game from the menu, pieces moved, turned and dropped in play, a name
// typed after a game over, Enter after a level, Escape from the best
// players and the finale.
void Drive(HeadlessBackend& b) {
    b.SetSleeps(true);
    b.CloseAt(RunMs);
    static shell::State state;
    state = shell::State::Shutdown;
    shell::OnStateEntered = [](shell::State s) { state = s; };
    // A key every 650 ms for the screen at hand; in play, held a little
    // longer each time.
    b.onYield = [&b, next = int32_t(0), n = 0]() mutable {
        const int32_t now = b.TickCount();
        if (now < next) return;
        next = now + 650;
        ++n;
        switch (state) {
        case shell::State::MainMenu:
        case shell::State::LevelSelect:
        case shell::State::CompleteLevel: b.TapAt(now, VK_RETURN, 80); break;
        case shell::State::NameEntry:
            b.TypeAt(now, NameField().text.empty() ? "Bench" : "");
            if (!NameField().text.empty()) b.TapAt(now, VK_RETURN, 80);
            break;
        case shell::State::GameOver:
        case shell::State::BestPlayers:
        case shell::State::Finale: b.TapAt(now, VK_ESCAPE, 80); break;
        case shell::State::ExitConfirm: b.TapAt(now, VkLetter('N'), 80); break;
        case shell::State::NewGame:
        case shell::State::NextLevel: break;  // the intro runs its course
        default: {
            const int keys[] = {VK_LEFT, VK_RIGHT, VK_UP, VK_LEFT, VK_SPACE, VK_DOWN, VK_RIGHT};
            b.TapAt(now, keys[n % 7], 90 + n % 5 * 40);
        }
        }
    };
}

// One run of the program; the processor seconds it took. With a folder,
// recorded there; returns the replay's path in file.
double Run(const std::string& gameDir, const std::string& scratch, bool record, std::string* file) {
    Machine machine;
    Drive(machine);
    ResetKeyboard();
    fs::remove_all(scratch + "/user");
    fs::create_directories(scratch + "/user");
    data::SetFolders(gameDir, scratch + "/user", scratch);
    const double start = CpuSeconds();
    std::unique_ptr<replay::Recorder> recorder;
    if (record) recorder = replay::Recorder::Start(machine, scratch + "/replays", gameDir);
    Use(recorder ? static_cast<Backend*>(recorder.get()) : &machine);
    shell::RunProgram();
    if (recorder) {
        recorder->Finish(shell::LastRun());
        *file = recorder->Path();
    }
    const double used = CpuSeconds() - start;
    shell::OnStateEntered = nullptr;
    Use(nullptr);
    audio::AudioShutdown();
    return used;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: replay_bench GAME_DIR\n");
        return 2;
    }
    const std::string gameDir = argv[1], zintari = gameDir + "/zintari";
    char pattern[] = "/tmp/zintari-replay-bench-XXXXXX";
    const std::string scratch = mkdtemp(pattern);
    // The least of three runs each way, taken in turn, against the noise of
    // a shared machine.
    std::string file;
    double without = 1e9, with = 1e9;
    for (int i = 0; i < 3; ++i) {
        without = std::min(without, Run(gameDir, scratch, false, nullptr));
        with = std::min(with, Run(gameDir, scratch, true, &file));
    }
    const shell::RunSummary run = shell::LastRun();
    const double share = 100.0 * (with - without) / (RunMs / 1000.0);
    const auto size = fs::file_size(file);

    const auto t0 = std::chrono::steady_clock::now();
    const std::string command = "'" + zintari + "' --replay '" + file + "' --check";
    const int status = std::system(command.c_str());
    const double checkSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    fs::remove_all(scratch);

    std::printf("Recording a 10-minute run (level %d, score %d, %d lines, %.0f s of play):\n", run.levels, run.score,
                run.lines, run.playMs / 1000.0);
    std::printf("  processor time %.3f s without, %.3f s with: %.3f %% of a core (goal 0.2 %%)\n", without, with,
                share);
    std::printf("  replay %.1f KB (goal 100 KB); --check %.2f s, status %d (goal 3 s)\n", size / 1024.0, checkSeconds,
                WEXITSTATUS(status));
    const bool met = share <= 0.2 && size <= 100 * 1024 && checkSeconds <= 3.0 && status == 0;
    std::printf("%s\n", met ? "goals met" : "GOAL MISSED");
    return met ? 0 : 1;
}
