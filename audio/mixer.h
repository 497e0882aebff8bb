// The sampled sounds: one static buffer per WAV file with a play position,
// mixed by the device's callback.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace audio {

class SoundBuffer {
public:
    SoundBuffer() = default;
    explicit SoundBuffer(std::vector<int16_t> stereoFrames) : samples_(std::move(stereoFrames)) {}

    // Playing a buffer that already plays only changes whether it loops.
    void PlayOnce() { playing_ = true, looping_ = false; }
    void PlayLooping() { playing_ = true, looping_ = true; }
    void Stop() { playing_ = false; }
    void Rewind() { position_ = 0; }

    bool Playing() const { return playing_; }
    int Position() const { return int(position_); }
    int Frames() const { return int(samples_.size() / 2); }

    // Adds the next frames of the sound to an interleaved stereo mix and
    // moves on. A sound played once stops at its end, back at position 0.
    void MixInto(float* mix, int frames);

private:
    std::vector<int16_t> samples_;
    size_t position_ = 0;  // in frames
    bool playing_ = false, looping_ = false;
};

}  // namespace audio
