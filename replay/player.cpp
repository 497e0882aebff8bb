#include "replay/player.h"

#include <algorithm>
#include <cmath>

#include "platform/display.h"
#include "platform/keyboard.h"
#include "platform/timing.h"

namespace replay {

namespace {

// What a record stands for, in a divergence's message.
const char* Describe(Tag tag) {
    switch (tag) {
    case Tag::Yield: return "a pass of the game's loop";
    case Tag::Idle: return "a pass of a busy wait";
    case Tag::Closed: return "the window's close";
    case Tag::Key: return "a key";
    case Tag::Text: return "typing";
    case Tag::FocusLost: return "the focus lost";
    case Tag::Usable: return "the window shown or hidden";
    case Tag::Clipboard: return "the clipboard";
    case Tag::Seed: return "the random seed";
    case Tag::Load: return "a load of the player's file";
    case Tag::Save: return "a save of the player's file";
    case Tag::State: return "a state of the game";
    case Tag::End: return "the run's end";
    default: return "something unknown";
    }
}

// The longest step between two passes that watching waits for.
constexpr uint32_t LongestShownStepMs = 10000;

// The viewer's keys: pause, faster, slower, and the end.
constexpr int PauseKey = platform::VK_SPACE, FasterKey = platform::VK_RIGHT, SlowerKey = platform::VK_LEFT,
              EndKey = platform::VK_ESCAPE;

}  // namespace

template <typename Read>
auto Player::Take(Tag kind, Read read) {
    const std::optional<Tag> next = Peek();
    if (!next && !recording_.endAt) throw platform::ProgramEnded{};  // a run cut short: played as far as it goes
    if (next != kind)
        Diverge(std::string("the game asks for ") + Describe(kind) + " where the run has " +
                (next ? Describe(*next) : "nothing more"));
    Decoder d(recording_.records, pos_ + 1);
    auto value = read(d);
    pos_ = d.Position();
    return value;
}

Player::Player(const Recording& recording, platform::Backend* window) : recording_(recording), window_(window) {
    platform::ResetKeyboard();  // as at the start of every run: no key held or toggled
    if (recording_.endAt) {
        Decoder d(recording_.records, *recording_.endAt + 1);
        shell::RunSummary end;
        end.levels = int(d.Varint());
        end.score = int32_t(uint32_t(d.Varint()));
        end.lines = int(d.Varint());
        end.playMs = int32_t(d.Varint());
        end.how = d.String();
        end_ = end;
    }
    data::UseFileLog(this);
    shell::ReplayWatch = [this](shell::State s) {
        const auto [state, digest] = Take(Tag::State, [](Decoder& d) {
            const uint64_t state = d.Varint();
            return std::pair{state, d.Fixed32()};
        });
        if (state != uint64_t(s) || digest != GameDigest())
            Diverge(std::string("the game reaches ") + shell::StateName(s) + " other than it did");
    };
    if (window_) {
        window_->SetTextInput(false);  // the viewer's typing is not the recorded player's
        lastReal_ = window_->TickCount();
        viewerKeys_ = KeyboardImage::Now();
    }
}

Player::~Player() {
    data::UseFileLog(nullptr);
    shell::ReplayWatch = nullptr;
}

bool Player::AtEnd() const { return recording_.endAt && pos_ == *recording_.endAt; }

std::optional<Tag> Player::Peek() const {
    if (pos_ >= recording_.records.size()) return std::nullopt;
    return Tag(recording_.records[pos_]);
}

void Player::Diverge(const std::string& what) {
    if (!divergence_) divergence_ = "at tick " + std::to_string(Tick()) + ": " + what;
    throw platform::ProgramEnded{};
}

void Player::Pass(Tag kind) {
    platform::TakeWakeTime();  // the log, not the game, says when the next pass comes
    if (divergence_) throw platform::ProgramEnded{};
    const std::optional<Tag> next = Peek();
    if (!next) throw platform::ProgramEnded{};  // a run cut short: played as far as it goes
    if (*next != kind && *next != Tag::Closed)
        Diverge(std::string("the game waits for ") + Describe(kind) + " where the run has " + Describe(*next));
    Decoder d(recording_.records, pos_ + 1);
    // The game's clock has 32 bits: a step is what it moved on by, modulo
    // 2^32, whatever number the file holds.
    const uint32_t step = uint32_t(d.Varint());
    if (window_) Pace(step);
    clock_ += step;
    pos_ = d.Position();
    if (*next == Tag::Closed) throw platform::ProgramEnded{};
    for (std::optional<Tag> t = Peek(); t == Tag::Key || t == Tag::Text; t = Peek()) {
        Decoder e(recording_.records, pos_ + 1);
        if (*t == Tag::Key) {
            const uint64_t key = e.Varint();
            platform::SetKeyState(int(key / 4), key & 2, key & 1);
        } else {
            platform::NameField().text = e.String();
        }
        pos_ = e.Position();
    }
}

void Player::ProcessEvents() { Pass(Tag::Yield); }
void Player::Idle() { Pass(Tag::Idle); }

bool Player::DisplayUsable() {
    if (Peek() == Tag::Usable) usable_ = Take(Tag::Usable, [](Decoder& d) { return d.Byte() != 0; });
    return usable_;
}

bool Player::TakeFocusLoss() {
    if (Peek() != Tag::FocusLost) return false;
    ++pos_;
    return true;
}

std::string Player::ClipboardText() {
    return Take(Tag::Clipboard, [](Decoder& d) { return d.String(); });
}

uint64_t Player::RandomSeed() {
    return Take(Tag::Seed, [](Decoder& d) { return d.Varint(); });
}

std::optional<std::string> Player::ReplayLoad(const std::string& relative) {
    const auto [file, text] = Take(Tag::Load, [](Decoder& d) {
        std::string file = d.String();
        return std::pair{file, d.String()};
    });
    if (file != relative) Diverge("the game loads " + relative + " where the run loaded " + file);
    return text;
}

std::optional<data::SaveRecord> Player::ReplaySave(const std::string& relative) {
    const auto [file, save] = Take(Tag::Save, [](Decoder& d) {
        std::string file = d.String();
        data::SaveRecord save;
        if (d.Byte()) save.current = d.String();
        save.trouble = d.String();
        return std::pair{file, save};
    });
    if (file != relative) Diverge("the game saves " + relative + " where the run saved " + file);
    return save;
}

// Watching: the window shows the game's screen with the mark, and the real
// keyboard drives the viewer.

void Player::SetScreen(const platform::Surface* screen) {
    screen_ = screen;
    if (!window_) return;
    shown_ = platform::Surface(640, 480);
    window_->SetScreen(screen ? &shown_ : nullptr);
}

void Player::ScreenChanged() {
    if (window_) window_->ScreenChanged();
}

void Player::ShowCursor(bool shown) {
    if (window_) window_->ShowCursor(shown);
}

bool Player::OpenAudio(platform::AudioCallback callback) {
    return window_ && window_->OpenAudio(std::move(callback));
}
void Player::CloseAudio() {
    if (window_) window_->CloseAudio();
}
void Player::LockAudio() {
    if (window_) window_->LockAudio();
}
void Player::UnlockAudio() {
    if (window_) window_->UnlockAudio();
}

// Waits in the window until the viewer's clock reaches the moment of the
// next pass, step ms after the last. A step longer than any the window
// sleeps (the machine was asleep, or the game stopped) is shown as
// LongestShownStepMs.
void Player::Pace(uint32_t step) {
    shownClock_ += std::min(step, LongestShownStepMs);
    for (;;) {
        const int32_t now = window_->TickCount();
        if (!paused_) viewerClock_ += platform::Since(now, lastReal_) * std::ldexp(1.0, speedLog2_);
        lastReal_ = now;
        ShowMark();
        // Once a pass, the window is looked after even when the replay is
        // behind: it shows what changed and takes the viewer's keys.
        const bool due = viewerClock_ >= shownClock_;
        const double left = (shownClock_ - viewerClock_) / std::ldexp(1.0, speedLog2_);
        const int32_t wait = due ? 0 : paused_ ? 1000 : int32_t(std::ceil(std::min(left, 1000.0)));
        platform::WakeBy(int32_t(uint32_t(now) + uint32_t(wait)));
        // The real keys act on the viewer's own image of the keyboard; the
        // game's keys and name field are the recorded ones, which the window
        // draws.
        const KeyboardImage game = KeyboardImage::Now();
        viewerKeys_.name = game.name;
        viewerKeys_.Restore();
        try {
            window_->ProcessEvents();
        } catch (const platform::ProgramEnded&) {
            viewerEnded_ = true;
            throw;
        }
        window_->TakeFocusLoss();
        const KeyboardImage real = KeyboardImage::Now();
        game.Restore();
        auto pressed = [&](int vk) { return real.states[size_t(vk)] < 0 && viewerKeys_.states[size_t(vk)] >= 0; };
        if (pressed(EndKey)) {
            viewerEnded_ = true;
            throw platform::ProgramEnded{};
        }
        if (pressed(PauseKey)) paused_ = !paused_;
        if (pressed(FasterKey)) speedLog2_ = std::min(speedLog2_ + 1, 3);
        if (pressed(SlowerKey)) speedLog2_ = std::max(speedLog2_ - 1, -1);
        viewerKeys_ = real;
        if (due) return;
    }
}

// The game's screen with a small mark at the top right: REPLAY and the
// speed, or paused.
void Player::ShowMark() {
    const std::string mark = std::string("REPLAY ") +
                             (paused_ ? "paused" : speedLog2_ < 0 ? "1/2x" : std::to_string(1 << speedLog2_) + "x");
    if (!screen_ || (platform::ScreenChanges.Empty() && mark == markShown_)) return;
    shown_ = *screen_;
    const int width = platform::SurfaceTextWidth(mark);
    const platform::Rect box{640 - width - 12, 4, 636, 22};
    platform::FillRect(shown_, box, 0);
    shown_.SetForeColour(platform::Rgb(255, 255, 255));
    platform::DrawSurfaceText(shown_, box.Left + 4, box.Top + 2, mark);
    const platform::Rect old{0, 4, 640, 22};  // a longer mark of before
    platform::ScreenChanges.Add(mark == markShown_ ? box : old);
    markShown_ = mark;
}

}  // namespace replay
