// Every run of the program is recorded while it is played: the backend the
// game runs on is wrapped, and every input it hands the game goes into a
// replay file, written as it goes by a thread of its own.
#pragma once
#include <array>
#include <memory>
#include <string>

#include "data/files.h"
#include "platform/backend.h"
#include "shell/program.h"

namespace replay {

// The last this many finished runs are kept; a run with less play is not,
// unless it ended in an error.
inline constexpr int KeptRuns = 20;
inline constexpr int32_t KeptPlayMs = 5000;

class Writer;

// The game's keys and the name field as the window left them.
struct KeyboardImage {
    std::array<int16_t, 256> states{};
    std::string name;
    static KeyboardImage Now();
    void Restore() const;
};

class Recorder : public platform::Backend, public data::FileLog {
public:
    // A recording of the run in folder (made if missing), named by the
    // run's start, with the game's files in gameFolder: the header and the
    // digests of the files the rules read are on disk when it returns.
    // nullptr, with one line on stderr, when the file cannot be made. The file is
    // written every flushMs of real time, and locked for as long as the
    // recording lasts, so that another copy of the game leaves it alone.
    static std::unique_ptr<Recorder> Start(platform::Backend& inner, const std::string& folder,
                                           const std::string& gameFolder, int flushMs = 2000);
    ~Recorder() override;

    // Notes that the run's player joined the best players: this ties the
    // replay to the entry, and it is kept for as long as the entry stays
    // in the table.
    void EnteredBestPlayer(const std::string& name, int32_t score);
    // Writes how the run ended and closes the file, numbered in the order
    // the runs ended and named after the run: its start, the highest level
    // and the score. A run with under 5 s of play is not kept unless it
    // ended in an error; of the finished runs, the last 20 are, and those
    // whose best player is still in the table (as the player's scores
    // file holds it, which another copy may have saved).
    void Finish(const shell::RunSummary& run);
    // The file being written (its name until Finish).
    const std::string& Path() const { return path_; }

    int32_t TickCount() override { return inner_.TickCount(); }
    void ProcessEvents() override;
    void Idle() override;
    void SetScreen(const platform::Surface* screen) override { inner_.SetScreen(screen); }
    void ScreenChanged() override { inner_.ScreenChanged(); }
    bool DisplayUsable() override;
    std::string ClipboardText() override;
    void ShowCursor(bool shown) override { inner_.ShowCursor(shown); }
    bool OpenAudio(platform::AudioCallback callback) override { return inner_.OpenAudio(std::move(callback)); }
    void CloseAudio() override { inner_.CloseAudio(); }
    void LockAudio() override { inner_.LockAudio(); }
    void UnlockAudio() override { inner_.UnlockAudio(); }
    void SetTextInput(bool on) override { inner_.SetTextInput(on); }
    bool TakeFocusLoss() override;
    uint64_t RandomSeed() override;

    void Loaded(const std::string& relative, const std::string& text) override;
    void Saved(const std::string& relative, const data::SaveRecord& save) override;

private:
    Recorder(platform::Backend& inner, std::string folder, std::string path, std::string stamp, int fd,
             std::unique_ptr<Writer> writer);
    template <typename Pass>
    void RecordPass(uint8_t kind, Pass pass);
    uint32_t Delta();

    platform::Backend& inner_;
    std::unique_ptr<Writer> writer_;
    std::string folder_, path_, stamp_;
    int fd_;  // the file, whose lock says that it is being recorded
    uint32_t clock_ = 0;
    bool usable_ = true;
};

// The digest of the game's state that a replay compares at every state.
uint32_t GameDigest();

}  // namespace replay
