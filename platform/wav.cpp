// SDL_LoadWAV + SDL_ConvertAudio: the one-shot converter keeps every sample
// of the file, where an SDL_AudioStream would hold back the end.
#include "platform/wav.h"

#include <SDL2/SDL.h>

#include <cstring>
#include <memory>

#include "data/files.h"
#include "platform/backend.h"

namespace platform {

WavSound LoadWav(const std::string& path) {
    const std::string contents = data::ReadWholeFile(path, data::ShippedFileLimit);
    SDL_AudioSpec spec{};
    Uint8* bytes = nullptr;
    Uint32 length = 0;
    if (!SDL_LoadWAV_RW(SDL_RWFromConstMem(contents.data(), int(contents.size())), 1, &spec, &bytes, &length))
        throw data::FatalError(path + ": not a readable WAV file (" + SDL_GetError() + ")");
    const std::unique_ptr<Uint8, void (*)(Uint8*)> file(bytes, SDL_FreeWAV);

    WavSound sound;
    sound.channels = spec.channels == 1 ? 1 : 2;
    SDL_AudioCVT cvt;
    if (SDL_BuildAudioCVT(&cvt, spec.format, spec.channels, spec.freq, AUDIO_S16SYS, Uint8(sound.channels),
                          AudioRate) < 0)
        throw data::FatalError(path + ": unsupported WAV format (" + SDL_GetError() + ")");
    // Only a file in another format goes through a (larger) scratch copy.
    std::vector<Uint8> work;
    if (cvt.needed) {
        work.assign(bytes, bytes + length);
        work.resize(size_t(length) * size_t(cvt.len_mult));
        cvt.buf = work.data();
        cvt.len = int(length);
        if (SDL_ConvertAudio(&cvt) < 0)
            throw data::FatalError(path + ": cannot convert WAV file (" + SDL_GetError() + ")");
        bytes = work.data();
        length = Uint32(cvt.len_cvt);
    }
    sound.samples.resize(length / sizeof(int16_t) / size_t(sound.channels) * size_t(sound.channels));
    std::memcpy(sound.samples.data(), bytes, sound.samples.size() * sizeof(int16_t));
    return sound;
}

}  // namespace platform

namespace platform {

void ReleaseThreadState() { SDL_TLSCleanup(); }

}  // namespace platform
