// Sound as two float channels at 44100 Hz, and how it becomes a WAV file.
#pragma once
#include <string>
#include <vector>

namespace content {

inline constexpr int SampleRate = 44100;

struct Stereo {
    std::vector<float> left, right;
    explicit Stereo(size_t frames = 0) : left(frames), right(frames) {}
    size_t Frames() const { return left.size(); }
    float Peak() const;
    // Adds another sound from a frame on, scaled; grows to fit.
    void Add(const Stereo& other, size_t at, float gain = 1.0f);
};

// Cuts the silence after the last sample louder than the threshold, keeping
// a short fade so that the end does not click.
void TrimTail(Stereo& sound, float threshold = 0.0008f, double fadeSeconds = 0.04);
// Scales the loudest sample to the given peak (1 is full scale).
void Normalise(Stereo& sound, float peak);
// 16-bit PCM; stereo, or mono when both channels are the same.
std::string EncodeWav(const Stereo& sound);

}  // namespace content
