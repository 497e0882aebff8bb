// Reading WAV files for the sound buffers: any PCM layout SDL understands,
// converted to the device's format (44100 Hz, interleaved stereo int16).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// The whole sound as interleaved stereo frames at AudioRate. A missing or
// unreadable file throws data::FatalError("<path>: <reason>").
std::vector<int16_t> LoadWavStereo(const std::string& path);

// Frees what SDL keeps for the calling thread; a worker thread that used SDL
// calls it before it ends.
void ReleaseThreadState();

}  // namespace platform
