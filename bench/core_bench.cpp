// Costs of the game's hot paths.
#include <benchmark/benchmark.h>

#include "game/play.h"
#include "game/random.h"
#include "game/state.h"
#include "platform/display.h"
#include "platform/headless_backend.h"

namespace {

// A well full of balls and wild balls: the most work detection can get.
void FillWellForDetection() {
    ResetProgramState();
    game::SeedRandom(7);
    for (auto& column : Well)
        for (Cell& cell : column) cell = CellTemplates[size_t(game::RandomBelow(4) == 0 ? 5 : game::RandomBelow(4))];
}

void BM_FindRunsFullWell(benchmark::State& state) {
    FillWellForDetection();
    MinBlocks = uint8_t(state.range(0));
    for (auto _ : state) {
        game::FindRuns();
        benchmark::DoNotOptimize(RunCount);
    }
    state.counters["runs"] = RunCount;
}
BENCHMARK(BM_FindRunsFullWell)->Arg(3)->Arg(5);

// Present copies the whole back buffer to the screen; every frame differs.
void BM_PresentFullScreen(benchmark::State& state) {
    platform::HeadlessBackend backend;
    platform::Use(&backend);
    platform::PrimarySurface = platform::Surface(640, 480);
    platform::BackBuffer = platform::Surface(640, 480);
    uint32_t colour = 0;
    for (auto _ : state) {
        state.PauseTiming();
        platform::FillRect(platform::BackBuffer, platform::WholeSurface, colour += 0x010101);
        state.ResumeTiming();
        platform::Present();
    }
    platform::Use(nullptr);
}
BENCHMARK(BM_PresentFullScreen);

// One pass of drawing the well as piece control does it.
void BM_DrawWell(benchmark::State& state) {
    FillWellForDetection();
    platform::BackBuffer = platform::Surface(640, 480);
    for (auto& s : platform::BlockSurfaces) s = platform::Surface(24, 24);
    for (auto _ : state) game::DrawWell();
}
BENCHMARK(BM_DrawWell);

}  // namespace

BENCHMARK_MAIN();
