// SDL_LoadWAV + SDL_ConvertAudio: the one-shot converter keeps every sample
// of the file, where an SDL_AudioStream would hold back the end.
#include "platform/wav.h"

#include <SDL2/SDL.h>

#include <cstring>

#include "data/files.h"
#include "platform/backend.h"

namespace platform {

std::vector<int16_t> LoadWavStereo(const std::string& path) {
    if (!data::FileExists(path)) throw data::FatalError(path + ": missing");
    SDL_AudioSpec spec{};
    Uint8* bytes = nullptr;
    Uint32 length = 0;
    if (!SDL_LoadWAV(path.c_str(), &spec, &bytes, &length))
        throw data::FatalError(path + ": not a readable WAV file (" + SDL_GetError() + ")");

    SDL_AudioCVT cvt;
    if (SDL_BuildAudioCVT(&cvt, spec.format, spec.channels, spec.freq, AUDIO_S16SYS, 2, AudioRate) < 0) {
        SDL_FreeWAV(bytes);
        throw data::FatalError(path + ": unsupported WAV format (" + SDL_GetError() + ")");
    }
    std::vector<Uint8> work(size_t(length) * size_t(cvt.len_mult));
    std::memcpy(work.data(), bytes, length);
    SDL_FreeWAV(bytes);
    cvt.buf = work.data();
    cvt.len = int(length);
    if (cvt.needed && SDL_ConvertAudio(&cvt) < 0)
        throw data::FatalError(path + ": cannot convert WAV file (" + SDL_GetError() + ")");
    const int converted = cvt.needed ? cvt.len_cvt : int(length);

    std::vector<int16_t> frames(size_t(converted) / 4 * 2);
    std::memcpy(frames.data(), work.data(), frames.size() * sizeof(int16_t));
    return frames;
}

}  // namespace platform

namespace platform {

void ReleaseThreadState() { SDL_TLSCleanup(); }

}  // namespace platform
