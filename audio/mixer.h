// The sampled sounds: one static buffer per WAV file with a play position,
// mixed by the device's callback. A sound is held with the channels its file
// has: a mono sound as mono, sent to both sides alike when mixed.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace audio {

class SoundBuffer {
public:
    SoundBuffer() = default;
    // Interleaved frames of one or two channels.
    SoundBuffer(std::vector<int16_t> samples, int channels) : samples_(std::move(samples)), channels_(size_t(channels)) {}

    // Playing a buffer that already plays only changes whether it loops.
    void PlayOnce() { playing_ = true, looping_ = false; }
    void PlayLooping() { playing_ = true, looping_ = true; }
    void Stop() { playing_ = false; }
    void Rewind() { position_ = 0; }

    bool Playing() const { return playing_; }
    int Position() const { return int(position_); }
    int Frames() const { return int(samples_.size() / channels_); }

    // Adds the next frames of the sound to an interleaved stereo mix and
    // moves on. A sound played once stops at its end, back at position 0.
    void MixInto(float* mix, int frames);

private:
    std::vector<int16_t> samples_;
    size_t channels_ = 2;
    size_t position_ = 0;  // in frames
    bool playing_ = false, looping_ = false;
};

}  // namespace audio
