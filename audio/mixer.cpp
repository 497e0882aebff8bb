#include "audio/mixer.h"

namespace audio {

void SoundBuffer::MixInto(float* mix, int frames) {
    const size_t length = samples_.size() / 2;
    if (!playing_ || length == 0) return;
    constexpr float Scale = 1.0f / 32768.0f;
    for (int i = 0; i < frames; ++i) {
        if (position_ >= length) {
            position_ = 0;
            if (!looping_) {
                playing_ = false;
                return;
            }
        }
        mix[2 * i] += float(samples_[2 * position_]) * Scale;
        mix[2 * i + 1] += float(samples_[2 * position_ + 1]) * Scale;
        ++position_;
    }
    // A sound that ended exactly with this buffer is done now, not on the next.
    if (position_ >= length && !looping_) {
        position_ = 0;
        playing_ = false;
    }
}

}  // namespace audio
