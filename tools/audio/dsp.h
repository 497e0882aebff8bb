// Building blocks of the synthesised effects: a repeatable noise source,
// resonant filters and a small stereo reverb.
#pragma once
#include <cstdint>
#include <vector>

#include "tools/audio/pcm.h"

namespace content {

inline constexpr double Pi = 3.14159265358979323846;

// The same sequence on every build.
class Noise {
public:
    explicit Noise(uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 1) {}
    double Uniform();                      // [0, 1)
    double Bipolar() { return 2 * Uniform() - 1; }

private:
    uint64_t state_;
};

// A second-order filter (the audio cookbook's forms); its frequency may move
// from sample to sample.
class Biquad {
public:
    enum Kind { LowPass, HighPass, BandPass };
    explicit Biquad(Kind kind) : kind_(kind) {}
    void Set(double frequency, double q);
    float Process(float x);

private:
    Kind kind_;
    double b0_ = 1, b1_ = 0, b2_ = 0, a1_ = 0, a2_ = 0;
    double x1_ = 0, x2_ = 0, y1_ = 0, y2_ = 0;
};

// A room around a dry sound: comb and all-pass filters, tuned apart for the
// two sides. Returns the dry sound plus `wet` of the room, `tail` seconds longer.
Stereo Reverb(const Stereo& dry, double roomSize, double damping, double wet, double tail);

// Frames in so many seconds.
inline size_t FramesOf(double seconds) { return size_t(seconds * SampleRate); }

}  // namespace content
