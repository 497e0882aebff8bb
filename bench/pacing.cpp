// pacing GAME_DIR: measures on the real clock how long the game's timed
// loops take against their nominal lengths: a settle of 11 falling passes
// and a last one (12 x 30 ms), a blink of 21 steps of 20 ms, and a bomb
// falling 16 rows and landing on the 17th step of 50 ms (Down held).
#include <chrono>
#include <cstdio>
#include <filesystem>

#include "audio/audio.h"
#include "data/files.h"
#include "game/play.h"
#include "game/state.h"
#include "platform/display.h"
#include "platform/font.h"
#include "platform/keyboard.h"
#include "platform/sdl_backend.h"
#include "powers/powers.h"
#include "shell/program.h"

namespace {

using Clock = std::chrono::steady_clock;

template <typename F>
double Milliseconds(F&& f) {
    const auto start = Clock::now();
    f();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void Report(const char* what, double measured, int steps, double nominal) {
    std::printf("%-34s %8.1f ms  nominal %7.1f ms  %+.2f ms a step\n", what, measured, nominal,
                (measured - nominal) / steps);
}

void EmptyWell() {
    for (auto& column : Well)
        for (Cell& c : column) c = EmptyCell;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: pacing GAME_DIR\n");
        return 2;
    }
    const auto launched = Clock::now();
    auto window = platform::MakeSdlBackend();
    platform::Use(window.get());
    const std::string scratch = data::MakeTempFolder();
    data::SetFolders(argv[1], scratch, scratch);
    ResetProgramState();
    shell::LoadEverything();
    std::printf("%-34s %8.1f ms  (window, options, pictures, sounds, levels, scores)\n", "start-up work before the first picture",
                std::chrono::duration<double, std::milli>(Clock::now() - launched).count());
    audio::FinishLoading();  // as before the menu: the loading threads are done before play
    SoundOn = 0;
    MinBlocks = 3;

    for (int run = 0; run < 3; ++run) {
        EmptyWell();
        Well[0][3] = Well[0][4] = Colour1Cell;  // 11 rows to fall
        Report("settle, 11 falls and a last pass", Milliseconds([] { game::SettleWell(); }), 12, 12 * 30);

        EmptyWell();
        for (int x = 0; x < 3; ++x) Well[x][15] = Colour2Cell;
        game::FindRuns();
        Report("blink, 21 steps", Milliseconds([] { game::ClearRuns(); }), 21, 21 * 20);

        EmptyWell();
        platform::PressKey(platform::VK_DOWN);
        // 17 fall steps of 50 ms, then the floor blinks 20 phases of 30 ms.
        Report("bomb, 17 steps and the floor blink", Milliseconds([] { powers::Bomb(); }), 17 + 20, 17 * 50 + 20 * 30);
        platform::ReleaseKey(platform::VK_DOWN);
    }
    platform::ReleaseDisplay();
    data::RemoveTempFolder();
    platform::Use(nullptr);
    return 0;
}
