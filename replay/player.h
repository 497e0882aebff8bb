// A recorded run played again: the game runs on this backend, which hands
// it the recorded inputs in their order. Unseen on a virtual clock as fast
// as the machine allows (checking), or in the window at the pace it was
// played (watching), where the real keyboard drives only the viewer.
#pragma once
#include <optional>
#include <string>

#include "data/files.h"
#include "platform/backend.h"
#include "platform/surface.h"
#include "replay/format.h"
#include "replay/recorder.h"
#include "shell/program.h"

namespace replay {

class Player : public platform::Backend, public data::FileLog {
public:
    // window: where to show the run, nullptr for none.
    Player(const Recording& recording, platform::Backend* window);
    ~Player() override;

    // Set when the replayed game asked for an input other than the one
    // recorded, or reached another state: where and what.
    const std::optional<std::string>& Divergence() const { return divergence_; }
    // The recorded end, when the recording has one, and whether the
    // replayed game has come to the same point of the log.
    const std::optional<shell::RunSummary>& RecordedEnd() const { return end_; }
    bool AtEnd() const;
    // Whether the viewer ended the replay (Escape, or the window closed).
    bool ViewerEnded() const { return viewerEnded_; }
    // The milliseconds the log has played so far.
    uint64_t Tick() const { return clock_; }

    // The game's clock as it read it: 32 bits that wrap.
    int32_t TickCount() override { return int32_t(uint32_t(clock_)); }
    void ProcessEvents() override;
    void Idle() override;
    void SetScreen(const platform::Surface* screen) override;
    void ScreenChanged() override;
    bool DisplayUsable() override;
    std::string ClipboardText() override;
    void ShowCursor(bool shown) override;
    bool OpenAudio(platform::AudioCallback callback) override;
    void CloseAudio() override;
    void LockAudio() override;
    void UnlockAudio() override;
    void SetTextInput(bool) override {}
    bool TakeFocusLoss() override;
    uint64_t RandomSeed() override;

    std::optional<std::string> ReplayLoad(const std::string& relative) override;
    std::optional<data::SaveRecord> ReplaySave(const std::string& relative) override;

private:
    void Pass(Tag kind);
    // The next record's tag, or none at the end of the log.
    std::optional<Tag> Peek() const;
    // Reads the next record, which must be of this kind, with read; else
    // the replay has diverged (and the game ends).
    template <typename Read>
    auto Take(Tag kind, Read read);
    [[noreturn]] void Diverge(const std::string& what);
    void Pace(uint32_t step);
    void ShowMark();

    const Recording& recording_;
    platform::Backend* window_;
    size_t pos_ = 0;
    uint64_t clock_ = 0;
    bool usable_ = true;
    std::optional<std::string> divergence_;
    std::optional<shell::RunSummary> end_;

    // Watching: the game's screen and the one shown, with the mark; the
    // viewer's own clock and keys.
    const platform::Surface* screen_ = nullptr;
    platform::Surface shown_;
    double viewerClock_ = 0, shownClock_ = 0;  // the viewer's time, and the log's as shown
    int32_t lastReal_ = 0;
    int speedLog2_ = 0;  // -1 to 3: 1/2x to 8x
    bool paused_ = false, viewerEnded_ = false;
    std::string markShown_;
    KeyboardImage viewerKeys_;
};

}  // namespace replay
