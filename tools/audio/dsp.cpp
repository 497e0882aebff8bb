#include "tools/audio/dsp.h"

#include <cmath>

namespace content {

double Noise::Uniform() {
    // xorshift64*
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    return double((state_ * 0x2545F4914F6CDD1Dull) >> 11) / double(1ull << 53);
}

void Biquad::Set(double frequency, double q) {
    const double w = 2 * Pi * std::fmin(frequency, SampleRate * 0.45) / SampleRate;
    const double alpha = std::sin(w) / (2 * q), c = std::cos(w);
    double b0, b1, b2;
    switch (kind_) {
    case LowPass: b0 = (1 - c) / 2, b1 = 1 - c, b2 = (1 - c) / 2; break;
    case HighPass: b0 = (1 + c) / 2, b1 = -(1 + c), b2 = (1 + c) / 2; break;
    default: b0 = alpha, b1 = 0, b2 = -alpha; break;
    }
    const double a0 = 1 + alpha;
    b0_ = b0 / a0, b1_ = b1 / a0, b2_ = b2 / a0, a1_ = -2 * c / a0, a2_ = (1 - alpha) / a0;
}

float Biquad::Process(float x) {
    const double y = b0_ * x + b1_ * x1_ + b2_ * x2_ - a1_ * y1_ - a2_ * y2_;
    x2_ = x1_, x1_ = x, y2_ = y1_, y1_ = y;
    return float(y);
}

namespace {

class Comb {
public:
    explicit Comb(size_t size) : buffer_(size) {}
    float Process(float x, double feedback, double damping) {
        const float out = buffer_[at_];
        store_ = float(out * (1 - damping) + store_ * damping);
        buffer_[at_] = float(x + store_ * feedback);
        at_ = (at_ + 1) % buffer_.size();
        return out;
    }

private:
    std::vector<float> buffer_;
    size_t at_ = 0;
    float store_ = 0;
};

class AllPass {
public:
    explicit AllPass(size_t size) : buffer_(size) {}
    float Process(float x) {
        const float delayed = buffer_[at_];
        buffer_[at_] = x + delayed * 0.5f;
        at_ = (at_ + 1) % buffer_.size();
        return delayed - x;
    }

private:
    std::vector<float> buffer_;
    size_t at_ = 0;
};

}  // namespace

Stereo Reverb(const Stereo& dry, double roomSize, double damping, double wet, double tail) {
    static const size_t combs[] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
    static const size_t allpasses[] = {556, 441, 341, 225};
    const size_t spread = 23;
    Stereo out(dry.Frames() + FramesOf(tail));
    for (int side = 0; side < 2; ++side) {
        std::vector<Comb> combBank;
        std::vector<AllPass> allPassBank;
        for (size_t c : combs) combBank.emplace_back(c + side * spread);
        for (size_t a : allpasses) allPassBank.emplace_back(a + side * spread);
        const std::vector<float>& in = side == 0 ? dry.left : dry.right;
        std::vector<float>& result = side == 0 ? out.left : out.right;
        const double feedback = 0.7 + 0.28 * roomSize;
        for (size_t i = 0; i < out.Frames(); ++i) {
            const float x = i < in.size() ? in[i] : 0.0f;
            float sum = 0;
            for (Comb& c : combBank) sum += c.Process(x * 0.015f, feedback, damping);
            for (AllPass& a : allPassBank) sum = a.Process(sum);
            result[i] = x + float(wet) * sum;
        }
    }
    return out;
}

}  // namespace content
