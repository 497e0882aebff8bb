// The whole program on the virtual clock: start-up, the command line, a
// window that sleeps until something is due, and a display lost and found
// again.
#include <functional>
#include <string_view>
#include <tuple>

#include "audio/audio.h"
#include "data/preferences.h"
#include "game/random.h"
#include "harness.h"
#include "platform/display.h"
#include "platform/font.h"
#include "platform/keyboard.h"
#include "platform/timing.h"
#include "screen_checks.h"
#include "shell/command_line.h"
#include "shell/window.h"

namespace {

using namespace platform;
using shell::State;
using States = std::vector<State>;

class Program : public test::Headless {
protected:
    void TearDown() override {
        audio::AudioShutdown();  // start-up opened the sound: later tests start silent
        Headless::TearDown();
    }
};

// 100 ms of black, 3000 ms of the credit, 500 ms of black, then the menu; a
// new game reaches level one's play. Every timed step notes when it is due:
// a window that sleeps from one noted moment (or key) to the next shows the
// same screens at the same times as one that looks every millisecond.
TEST_F(Program, StartUpShowsTheCreditThenTheMenuAndPlayIsTheSameWhenTheWindowSleeps) {
    struct Seen {  // when a state began, and the screen then
        State state;
        int32_t at;
        size_t screen;
        bool operator==(const Seen&) const = default;
    };
    Surface credit;
    bool cursorHidden = false;
    auto run = [&](bool sleeps) {
        std::vector<Seen> seen;
        shell::OnStateEntered = [&](State s) {
            if (seen.empty()) {
                game::SeedRandom(3);
                shell::DisableTimer2();  // its wake-ups every 50 ms would hide a step that noted nothing
                cursorHidden = !backend.CursorShown();
            }
            const auto& p = PrimarySurface.Pixels();
            seen.push_back({s, backend.TickCount(), std::hash<std::string_view>{}(std::string_view(
                                                        reinterpret_cast<const char*>(p.data()), p.size() * 2))});
        };
        backend.onIdle = [&] {
            if (!sleeps && TickCount() == 3000) credit = PrimarySurface;
        };
        backend.SetTime(0);
        backend.SetSleeps(sleeps);
        backend.TapAt(4000, VK_DOWN, 150);  // the menu moves and waits
        backend.TapAt(4400, VK_UP, 150);
        backend.TapAt(4800, VK_RETURN, 100);  // New Game
        backend.TapAt(5300, VK_RETURN, 100);  // level 1, its intro shown whole
        for (int32_t t = 11000; t < 40000; t += 900) {
            backend.TapAt(t, t % 1800 ? VK_LEFT : VK_RIGHT, 250);  // repeats every 100 ms
            backend.TapAt(t + 300, t % 2700 ? VK_UP : VK_SPACE, 120);
            backend.TapAt(t + 500, VK_DOWN, 200);
        }
        backend.CloseAt(40000);
        EXPECT_EQ(shell::RunProgram(), 0);
        shell::OnStateEntered = nullptr;
        backend.onIdle = nullptr;
        ReleaseAllKeys();
        return seen;
    };
    const auto everyMillisecond = run(false);
    ASSERT_GT(everyMillisecond.size(), 30u);  // pieces landed and settled
    EXPECT_EQ(run(true), everyMillisecond);
    EXPECT_TRUE(test::Between(everyMillisecond[0].at, 3600, 3603));
    States states;
    for (const Seen& s : everyMillisecond) states.push_back(s.state);
    EXPECT_EQ(States(states.begin(), states.begin() + 6), (States{State::MainMenu, State::LevelSelect, State::NewGame,
                                                               State::Settle, State::Resolve, State::PieceControl}));
    EXPECT_EQ(CurrentLevel, 0);
    LoadContent();  // the font again, for the expected text
    const std::string text = "This game was created by Doran Velisk.";
    EXPECT_TRUE(test::ShowsText(credit, CentredHalfEven(TextWidth(text)), 230, text));
    EXPECT_TRUE(cursorHidden);
    EXPECT_TRUE(backend.CursorShown());  // shown again at the end
}

TEST_F(Program, StartUpLoadsThePlayersFilesAndLeavesNoKeyToggled) {
    MusicOn = 0;
    LevelsUnlocked = 12;
    data::Preferences("save");
    ResetProgramState();
    SetKeyToggle(VK_CAPITAL);  // Caps Lock on before the program
    backend.TapAt(20, VkLetter('P'), 30);  // P pressed during the black pause
    FinalePending = True;
    backend.SetClipboard("We are Sneaky rascals!");  // the phrase in another case counts for nothing
    EXPECT_EQ(shell::Form_Load(), State::MainMenu);
    EXPECT_FALSE(AccessPhraseGiven());
    // A game never starts paused; the preferences are read.
    EXPECT_EQ(std::vector<int>(
                  {GetKeyState(VK_CAPITAL), GetKeyState(VkLetter('P')), FinalePending, MusicOn, LevelsUnlocked}),
              std::vector<int>({0, 0, False, 0, 12}));
    EXPECT_FALSE(ScoreNames[0].empty());
    EXPECT_GT(FontMetrics['A'].Width, 0);
}

// --help, --version and an unknown option are run by tests/e2e/test_command_line.py.
TEST(CommandLine, OptionsOfPlayGoTogetherTheLastModeCountsAndTheFirstOtherArgumentDecides) {
    using Line = shell::CommandLine;
    using Mode = std::optional<bool>;  // full screen
    struct Case {
        std::vector<const char*> args;
        Line::Action action;
        Mode mode;
        bool record, check;
        std::string replay, wrong;
    };
    for (const Case& c : std::vector<Case>{
             {{"zintari"}, Line::Play, Mode(), true, false, "", ""},
             {{"zintari", "--windowed", "--no-record"}, Line::Play, false, false, false, "", ""},
             {{"zintari", "--windowed", "--fullscreen"}, Line::Play, true, true, false, "", ""},
             {{"zintari", "--replay", "run.zrp", "--check"}, Line::Play, Mode(), true, true, "run.zrp", ""},
             {{"zintari", "--windowed", "--bogus", "--help"}, Line::Wrong, false, true, false, "", "unknown option --bogus"},
             {{"zintari", "--replay"}, Line::Wrong, Mode(), true, false, "", "--replay needs a file"},
             {{"zintari", "--replay", "", "--check"}, Line::Wrong, Mode(), true, false, "", "--replay needs a file"},
             {{"zintari", "--check"}, Line::Wrong, Mode(), true, true, "", "--check goes with --replay"}}) {
        const Line line = shell::ParseCommandLine(int(c.args.size()), c.args.data());
        EXPECT_EQ(std::tuple(line.action, line.fullScreen, line.record, line.check, line.replay, line.wrong),
                  std::tuple(c.action, c.mode, c.record, c.check, c.replay, c.wrong))
            << c.args.back();
    }
}

// A display lost (a minimised full screen) and back: the pictures are loaded
// again and the screen shown again, once it is usable.
TEST_F(Program, ALostDisplayIsRebuiltWhenItComesBack) {
    const int32_t t0 = TickCount();
    backend.SetUsableAt(t0 + 100, false);
    backend.SetUsableAt(t0 + 300, true);
    shell::EnableTimer2();
    FillRect(BackBuffer, WholeSurface, Rgb(10, 200, 30));
    FontSurface = Surface(1, 1);
    while (TickCount() - t0 < 250) shell::YieldToEvents();
    EXPECT_EQ(DisplayLost, True);
    EXPECT_EQ(FontSurface.Width(), 1);  // nothing is rebuilt while the display is away
    while (TickCount() - t0 < 400) shell::YieldToEvents();
    EXPECT_EQ(DisplayLost, False);
    EXPECT_EQ(FontSurface.Width(), 400);
    EXPECT_TRUE(PrimarySurface.Pixels() == BackBuffer.Pixels());
}

}  // namespace
