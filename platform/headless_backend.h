// The headless twin of the window: a virtual clock that advances 1 ms per
// yield or busy-wait pass, scripted key presses, the screen kept in memory,
// and the window closed at a chosen time. Tests run minutes of game time in
// moments with the same game code.
#pragma once
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/backend.h"

namespace platform {

class HeadlessBackend : public Backend {
public:
    int32_t TickCount() override { return now_; }
    void ProcessEvents() override;
    void Idle() override;
    void SetScreen(const Surface* screen) override { screen_ = screen; }
    void ScreenChanged() override {
        ++screenChanges_;
        if (onScreenChanged) onScreenChanged();
    }
    bool DisplayUsable() override { return usable_; }
    std::string ClipboardText() override { return clipboard_; }
    void ShowCursor(bool shown) override { cursorShown_ = shown; }
    bool OpenAudio(AudioCallback) override { return false; }
    void CloseAudio() override {}
    void LockAudio() override {}
    void UnlockAudio() override {}
    void SetTextInput(bool on) override { textInput_ = on; }
    bool TakeFocusLoss() override { return std::exchange(focusLost_, false); }

    // Script: what happens at a virtual time (applied at the first yield at
    // or after it).
    void PressAt(int32_t t, int vk);
    void ReleaseAt(int32_t t, int vk);
    void TapAt(int32_t t, int vk, int32_t holdMs = 60);
    void TypeAt(int32_t t, const std::string& text);
    void CloseAt(int32_t t) { closeAt_ = t; }
    void SetUsableAt(int32_t t, bool usable);
    void LoseFocusAt(int32_t t);

    void SetTime(int32_t t) { now_ = t; }
    // Milliseconds each yield or busy-wait pass advances the clock (1 by
    // default; long runs may take bigger steps).
    void SetStepMs(int32_t ms) { step_ = ms; }
    // Each pass sleeps as the window's does instead: the clock jumps to the
    // earliest moment the game noted (WakeBy), the next scripted action or
    // the close.
    void SetSleeps(bool on) { sleeps_ = on; }
    void SetClipboard(std::string text) { clipboard_ = std::move(text); }
    // Called on every yield, after the script, and on every busy-wait pass;
    // either may throw ProgramEnded.
    std::function<void()> onYield, onIdle;
    // Called on every present.
    std::function<void()> onScreenChanged;

    const Surface* Screen() const { return screen_; }
    int ScreenChanges() const { return screenChanges_; }
    int Yields() const { return yields_; }
    bool CursorShown() const { return cursorShown_; }
    bool TextInputOn() const { return textInput_; }

private:
    struct Action {
        enum Kind { Press, Release, Type, Usable, Unusable, FocusLost } kind;
        int vk = 0;
        std::string text;
    };
    void Advance();
    void RunScript();

    int32_t now_ = 0, step_ = 1;
    int32_t closeAt_ = INT32_MAX;
    std::string clipboard_;
    std::multimap<int32_t, Action> script_;
    const Surface* screen_ = nullptr;
    int screenChanges_ = 0, yields_ = 0;
    bool usable_ = true, cursorShown_ = true, textInput_ = false, focusLost_ = false, sleeps_ = false;
};

}  // namespace platform
