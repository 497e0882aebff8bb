// Reading WAV files for the sound buffers: any PCM layout SDL understands,
// converted to the device's rate and sample format (44100 Hz, int16). A mono
// file stays mono; any other is made stereo.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

struct WavSound {
    std::vector<int16_t> samples;  // interleaved frames
    int channels = 2;              // 1 or 2
};

// The whole sound at AudioRate. A missing or unreadable file throws
// data::FatalError("<path>: <reason>").
WavSound LoadWav(const std::string& path);

// Frees what SDL keeps for the calling thread; a worker thread that used SDL
// calls it before it ends.
void ReleaseThreadState();

}  // namespace platform
