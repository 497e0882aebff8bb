// The sound device's callback: what it costs to mix one second of output
// with a level piece playing and three effects sounding over it.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

#include "audio/audio.h"
#include "data/files.h"
#include "platform/headless_backend.h"
#include "platform/sdl_backend.h"

namespace {

void BM_AudioCallbackPerSecond(benchmark::State& state) {
    platform::HeadlessBackend backend;  // no device: the benchmark calls the mixer itself
    platform::Use(&backend);
    const char* gameDir = std::getenv("ZINTARI_GAME_DIR");
    data::SetFolders(gameDir ? gameDir : platform::ExecutableFolder() + "/game", "/tmp", "/tmp");
    audio::SoundSetup();
    audio::MusicSetup();
    if (!audio::MusicReady()) {
        state.SkipWithError("no soundfont");
        return;
    }
    audio::LoadPiece(audio::MusicPlayer, "mid" + std::to_string(state.range(0)) + ".Mid", 999);
    audio::PlayPiece(audio::MusicPlayer);
    for (audio::Sound s : {audio::LineWav, audio::RainWav, audio::CrossWav}) audio::PlayLooping(s);

    // The device asks for 1024 frames at a time.
    constexpr int Frames = 1024;
    std::vector<int16_t> out(2 * Frames);
    for (auto _ : state) {
        for (int done = 0; done < platform::AudioRate; done += Frames) audio::MixForTest(out.data(), Frames);
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["voices"] = audio::PieceVoices(audio::MusicPlayer);
    audio::AudioShutdown();
    audio::SoundLog().clear();
    platform::Use(nullptr);
}
// Each iteration is one second of sound: its CPU time is the share of one
// core the callback takes. mid4 (caravan) is among the busiest pieces,
// mid5 (garden) among the quietest.
BENCHMARK(BM_AudioCallbackPerSecond)->Arg(4)->Arg(5)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

}  // namespace
