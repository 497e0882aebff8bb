#include "audio/mixer.h"

namespace audio {

void SoundBuffer::MixInto(float* mix, int frames) {
    const size_t length = samples_.size() / channels_;
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
        const int16_t* frame = &samples_[channels_ * position_];
        mix[2 * i] += float(frame[0]) * Scale;
        mix[2 * i + 1] += float(frame[channels_ - 1]) * Scale;
        ++position_;
    }
    // A sound that ended exactly with this buffer is done now, not on the next.
    if (position_ >= length && !looping_) {
        position_ = 0;
        playing_ = false;
    }
}

}  // namespace audio
