#include "tools/audio/pcm.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace content {

float Stereo::Peak() const {
    float peak = 0;
    for (size_t i = 0; i < Frames(); ++i) peak = std::max({peak, std::fabs(left[i]), std::fabs(right[i])});
    return peak;
}

void Stereo::Add(const Stereo& other, size_t at, float gain) {
    if (Frames() < at + other.Frames()) {
        left.resize(at + other.Frames());
        right.resize(at + other.Frames());
    }
    for (size_t i = 0; i < other.Frames(); ++i) {
        left[at + i] += gain * other.left[i];
        right[at + i] += gain * other.right[i];
    }
}

void TrimTail(Stereo& sound, float threshold, double fadeSeconds) {
    size_t last = 0;
    for (size_t i = 0; i < sound.Frames(); ++i)
        if (std::fabs(sound.left[i]) > threshold || std::fabs(sound.right[i]) > threshold) last = i;
    const size_t fade = size_t(fadeSeconds * SampleRate);
    const size_t end = std::min(sound.Frames(), last + fade);
    sound.left.resize(end);
    sound.right.resize(end);
    for (size_t i = 0; i < fade && i < end; ++i) {
        const float gain = float(i) / float(fade);
        sound.left[end - 1 - i] *= gain;
        sound.right[end - 1 - i] *= gain;
    }
}

void Normalise(Stereo& sound, float peak) {
    const float loudest = sound.Peak();
    if (loudest <= 0) return;
    for (size_t i = 0; i < sound.Frames(); ++i) {
        sound.left[i] *= peak / loudest;
        sound.right[i] *= peak / loudest;
    }
}

std::string EncodeWav(const Stereo& sound) {
    const bool mono = sound.left == sound.right;
    const uint16_t channels = mono ? 1 : 2;
    const uint32_t dataBytes = uint32_t(sound.Frames() * channels * 2);
    std::string w = "RIFF";
    auto u32 = [&w](uint32_t v) { for (int i = 0; i < 4; ++i) w += char((v >> (8 * i)) & 255); };
    auto u16 = [&w](uint16_t v) { w += char(v & 255), w += char(v >> 8); };
    u32(36 + dataBytes);
    w += "WAVEfmt ";
    u32(16), u16(1), u16(channels), u32(SampleRate), u32(SampleRate * channels * 2u), u16(uint16_t(channels * 2)), u16(16);
    w += "data";
    u32(dataBytes);
    auto sample = [&u16](float v) { u16(uint16_t(int16_t(std::lround(std::clamp(v, -1.0f, 32767.0f / 32768.0f) * 32768.0f)))); };
    for (size_t i = 0; i < sound.Frames(); ++i) {
        sample(sound.left[i]);
        if (!mono) sample(sound.right[i]);
    }
    return w;
}

}  // namespace content
