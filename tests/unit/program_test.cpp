// The whole program on the virtual clock: start-up with and without the
// access phrase, the command line, and a display lost and found again.
#include <tuple>

#include "audio/audio.h"
#include "data/preferences.h"
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

const std::string Credit = "This game was created by Doran Velisk.";
const std::string Second = "And yes,you just can't live without cheating!";

class Program : public test::Headless {
protected:
    void TearDown() override {
        audio::AudioShutdown();  // start-up opened the sound: later tests start silent
        Headless::TearDown();
    }
    // Watches the message band on every pass until watchUntil; busy passes
    // take stepMs, which keeps long messages cheap where 1 ms is not the point.
    void WatchMessages(int32_t watchUntil, int stepMs) {
        auto watch = [=, this](bool busy) {
            const int32_t now = backend.TickCount();
            if (now > watchUntil) return;
            if (!PrimarySurface.IsEmpty() && !test::AllPixels(PrimarySurface, {0, 230, 640, 230 + GlyphHeight}, 0)) {
                if (shown.empty() || now - shown.back().to > stepMs) shown.push_back({now, now, PrimarySurface});
                shown.back().to = now;
            }
            if (busy && stepMs > 1) backend.SetTime(now + stepMs - 1);
        };
        backend.onIdle = [watch] { watch(true); };
        backend.onYield = [watch] { watch(false); };
    }
    // Runs the whole program until the window closes; notes the states.
    States RunProgram(int32_t closeAt) {
        States seen;
        shell::OnStateEntered = [&](State s) {
            if (seen.empty()) {
                menuAt = backend.TickCount();
                cursorHidden = !backend.CursorShown();
                yieldsAtMenu = backend.Yields();
            }
            if (s == State::PieceControl && linesAtPlay < 0) linesAtPlay = LinesLeft;
            seen.push_back(s);
        };
        backend.CloseAt(closeAt);
        EXPECT_EQ(shell::RunProgram(), 0);
        backend.onIdle = backend.onYield = nullptr;
        LoadContent();  // the font again, for the expected texts
        return seen;
    }
    // A stretch of time during which the message band showed text, and
    // the screen at its start.
    struct Shown {
        int32_t from = 0, to = 0;
        Surface first;
    };
    // Whether the stretch showed the message centred.
    static ::testing::AssertionResult Showed(const Shown& s, const std::string& text) {
        return test::ShowsText(s.first, CentredHalfEven(TextWidth(text)), 230, text);
    }
    std::vector<Shown> shown;
    int32_t menuAt = -1;
    int yieldsAtMenu = 0, linesAtPlay = -1;
    bool cursorHidden = false;
};

TEST_F(Program, StartUpShowsTheCreditThenTheMenuAndANewGameReachesLevelOne) {
    WatchMessages(3590, 1);
    Tap(4000, VK_RETURN, 100);  // New Game
    Tap(4500, VK_RETURN, 100);  // level 1, after Enter was released
    Tap(4700, VK_ESCAPE, 30);   // no need to watch the intro
    const States seen = RunProgram(7000);
    ASSERT_EQ(shown.size(), 1u);
    // 100 ms of black first, then 3000 ms of text, then 500 ms of black.
    EXPECT_NEAR(shown[0].from, 101, 1);
    EXPECT_NEAR(shown[0].to - shown[0].from, 3000, 1);
    EXPECT_TRUE(test::Between(menuAt - shown[0].to, 500, 503));
    EXPECT_TRUE(Showed(shown[0], Credit));
    EXPECT_NEAR(yieldsAtMenu, 100, 1);  // the black pause yields to the window; the message does not
    EXPECT_TRUE(cursorHidden);
    EXPECT_TRUE(backend.CursorShown());  // shown again at the end
    ASSERT_GE(seen.size(), 5u);
    EXPECT_EQ(States(seen.begin(), seen.begin() + 4), (States{State::MainMenu, State::LevelSelect, State::NewGame,
                                                               State::Settle}));
    EXPECT_EQ(CurrentLevel, 0);
    EXPECT_EQ(linesAtPlay, LevelTable[0].LineQuota);  // play was reached
}

TEST_F(Program, TheAccessPhraseAddsTheSecondMessageAndMakesALevelOneLine) {
    backend.SetClipboard("We are sneaky rascals!");
    WatchMessages(7090, 5);
    Tap(7500, VK_RETURN, 100);
    Tap(8000, VK_RETURN, 100);
    Tap(8200, VK_ESCAPE, 30);
    RunProgram(10000);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_TRUE(Showed(shown[0], Credit));
    EXPECT_TRUE(Showed(shown[1], Second));
    for (const Shown& s : shown) EXPECT_NEAR(s.to - s.from, 3000, 5);
    EXPECT_TRUE(test::Between(shown[1].from - shown[0].to, 500, 510));  // black between the two
    EXPECT_TRUE(test::Between(menuAt, 7100, 7120));
    ASSERT_GT(LevelTable[0].LineQuota, 1);
    EXPECT_EQ(linesAtPlay, 1);
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

TEST_F(Program, ClosingTheWindowDuringTheCreditEndsTheProgramAtOnce) {
    backend.CloseAt(400);
    EXPECT_EQ(shell::RunProgram(), 0);
    EXPECT_EQ(backend.TickCount(), 400);
    EXPECT_TRUE(backend.CursorShown());
}

// --help, --version and an unknown option are run by tests/e2e/test_command_line.py.
TEST(CommandLine, WindowedGoesWithPlayAndTheFirstOtherArgumentDecides) {
    using Line = shell::CommandLine;
    for (const auto& [args, action, windowed] : std::vector<std::tuple<std::vector<const char*>, Line::Action, bool>>{
             {{"zintari"}, Line::Play, false},
             {{"zintari", "--windowed"}, Line::Play, true},
             {{"zintari", "--windowed", "--bogus", "--help"}, Line::Wrong, true}}) {
        const Line line = shell::ParseCommandLine(int(args.size()), args.data());
        EXPECT_EQ(std::tuple(line.action, line.windowed), std::tuple(action, windowed)) << args.back();
        EXPECT_EQ(line.wrong, action == Line::Wrong ? "--bogus" : "");
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
