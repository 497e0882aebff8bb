// The window, the clock, the keyboard and the sound device, behind one
// interface with two implementations: the SDL window (sdl_backend.cpp) and a
// headless twin for tests (headless_backend.h).
#pragma once
#include <cstdint>
#include <functional>
#include <string>

namespace platform {

class Surface;

// Thrown when the window is closed: the program ends at once.
struct ProgramEnded {};

// Fills a buffer of interleaved 16-bit stereo samples.
using AudioCallback = std::function<void(int16_t* samples, int frames)>;
inline constexpr int AudioRate = 44100;

class Backend {
public:
    virtual ~Backend() = default;

    // Milliseconds since some fixed point; only differences are meaningful.
    virtual int32_t TickCount() = 0;
    // Yield to event processing: keys, typing and the window's close are
    // handled here and only here. Sleeps at most about 1 ms.
    virtual void ProcessEvents() = 0;
    // One pass of a busy wait: sleeps at most about 1 ms and keeps the
    // window's picture fresh. No key changes, except that losing the focus
    // lets go of every held key; the window's close ends the program.
    virtual void Idle() = 0;

    // The surface shown in the window, and notice that it has changed.
    virtual void SetScreen(const Surface* screen) = 0;
    virtual void ScreenChanged() = 0;
    // False while the window is minimised or hidden.
    virtual bool DisplayUsable() = 0;

    virtual std::string ClipboardText() = 0;
    virtual void ShowCursor(bool shown) = 0;

    // Starts the sound device; false when there is none (the game goes on
    // silent). The callback runs on the device's own thread.
    virtual bool OpenAudio(AudioCallback callback) = 0;
    virtual void CloseAudio() = 0;
    // Holds the device's thread off while the game changes mixer state.
    virtual void LockAudio() = 0;
    virtual void UnlockAudio() = 0;

    // Typing into the name field is delivered while text input is on.
    virtual void SetTextInput(bool on) = 0;

    // Whether the window lost the keyboard's focus since the last call.
    virtual bool TakeFocusLoss() = 0;

    // The seed of the game's random numbers: the time of day with the clock.
    virtual uint64_t RandomSeed();
};

// The backend the game runs on. Set by main() or by a test.
Backend& Active();
void Use(Backend* backend);

class AudioLock {
public:
    AudioLock() { Active().LockAudio(); }
    ~AudioLock() { Active().UnlockAudio(); }
    AudioLock(const AudioLock&) = delete;
    AudioLock& operator=(const AudioLock&) = delete;
};

}  // namespace platform
