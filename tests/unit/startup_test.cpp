// Start-up: what it loads, the black pause and the credit messages on the
// virtual clock, the access phrase and the keyboard's toggles.
#include <string>
#include <vector>

#include "data/preferences.h"
#include "game/state.h"
#include "harness.h"
#include "platform/display.h"
#include "platform/font.h"
#include "platform/keyboard.h"
#include "platform/timing.h"
#include "shell/program.h"

namespace {

using platform::GlyphHeight;

// A stretch of time during which the message band showed text.
struct Shown {
    int32_t from = 0, to = 0;
    int firstColumn = -1;  // the leftmost lit column of the band
};

// The leftmost column of the message band that is not black, or -1.
int LitColumn(const platform::Surface& s) {
    if (s.IsEmpty()) return -1;
    for (int y = 230; y < 230 + GlyphHeight; ++y) {
        const uint16_t* row = s.Row(y);
        for (int x = 0; x < 640; ++x)
            if (row[x] != 0) return x;
    }
    return -1;
}

// Where a centred message's first lit column stands.
int CentredColumn(const std::string& text) {
    platform::Surface s(640, 480);
    platform::DrawText(platform::CentredHalfEven(platform::TextWidth(text)), 230, text, s);
    return LitColumn(s);
}

const std::string Credit = "This game was created by Doran Velisk.";
const std::string Second = "And yes,you just can't live without cheating!";

class StartUp : public test::Headless {
protected:
    // Runs the start-up, watching the screen's message band on every pass,
    // busy or yielding. With stepMs above 1 the busy passes take that long,
    // which keeps the long messages cheap where 1 ms precision is not the
    // point. Returns the first state.
    shell::State Run(int stepMs = 1) {
        auto watch = [this, stepMs](bool busy) {
            const int column = LitColumn(platform::PrimarySurface);
            const int32_t now = backend.TickCount();
            if (column >= 0) {
                if (shown.empty() || now - shown.back().to > stepMs) shown.push_back({now, now, column});
                shown.back().to = now;
            }
            if (busy && stepMs > 1) backend.SetTime(now + stepMs - 1);
        };
        backend.onIdle = [watch] { watch(true); };
        backend.onYield = [watch] { watch(false); };
        const shell::State first = shell::Form_Load();
        backend.onIdle = backend.onYield = nullptr;
        end = backend.TickCount();
        return first;
    }

    std::vector<Shown> shown;
    int32_t end = 0;
};

TEST_F(StartUp, OneCreditAfterTheBlackPauseThenTheMainMenu) {
    EXPECT_EQ(Run(), shell::State::MainMenu);
    ASSERT_EQ(shown.size(), 1u);
    // 100 ms of black first, then 3000 ms of text, then 500 ms of black.
    EXPECT_GE(shown[0].from, 100);
    EXPECT_LE(shown[0].from, 102);
    EXPECT_GE(shown[0].to - shown[0].from, 2999);
    EXPECT_LE(shown[0].to - shown[0].from, 3001);
    EXPECT_GE(end - shown[0].to, 500);
    EXPECT_LE(end - shown[0].to, 503);
    EXPECT_EQ(shown[0].firstColumn, CentredColumn(Credit));
    // The black pause yields to the window; the message does not.
    EXPECT_GE(backend.Yields(), 99);
    EXPECT_LE(backend.Yields(), 101);
    EXPECT_FALSE(backend.CursorShown());
}

TEST_F(StartUp, TheAccessPhraseAddsTheSecondMessage) {
    backend.SetClipboard("We are sneaky rascals!");
    EXPECT_EQ(Run(5), shell::State::MainMenu);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].firstColumn, CentredColumn(Credit));
    EXPECT_EQ(shown[1].firstColumn, CentredColumn(Second));
    ASSERT_NE(CentredColumn(Credit), CentredColumn(Second));
    for (const Shown& s : shown) {
        EXPECT_GE(s.to - s.from, 2995);
        EXPECT_LE(s.to - s.from, 3005);
    }
    EXPECT_GE(shown[1].from - shown[0].to, 500);  // black between the two
    EXPECT_LE(shown[1].from - shown[0].to, 510);
    EXPECT_GE(end, 7100);
    EXPECT_LE(end, 7120);
    EXPECT_TRUE(AccessPhraseGiven());
}

TEST_F(StartUp, OnlyTheExactPhraseCounts) {
    for (const char* clip : {"we are sneaky rascals!", "We are sneaky rascals! ", "We are sneaky rascals!\n",
                             "We are sneaky rascals", "", "We are sneaky rascals!We are sneaky rascals!"}) {
        ClipboardText = clip;
        EXPECT_FALSE(AccessPhraseGiven()) << clip;
    }
    ClipboardText = "We are sneaky rascals!";
    EXPECT_TRUE(AccessPhraseGiven());
}

TEST_F(StartUp, LoadsThePlayersFilesAndLeavesNoKeyToggled) {
    MusicOn = 0;
    LevelsUnlocked = 12;
    data::Preferences("save");
    ResetProgramState();
    platform::PressKey(platform::VK_CAPITAL);  // Caps Lock on before the program
    platform::ReleaseKey(platform::VK_CAPITAL);
    backend.TapAt(20, platform::VkLetter('P'), 30);  // P pressed during the black pause
    backend.SetClipboard("WE ARE SNEAKY RASCALS!");  // the phrase in the wrong case
    FinalePending = True;
    Run(5);
    EXPECT_EQ(shown.size(), 1u);
    EXPECT_LE(end, 3620);
    EXPECT_EQ(ClipboardText, "WE ARE SNEAKY RASCALS!");
    // A game never starts paused.
    EXPECT_EQ(platform::GetKeyState(platform::VK_CAPITAL), 0);
    EXPECT_EQ(platform::GetKeyState(platform::VkLetter('P')), 0);
    EXPECT_EQ(FinalePending, False);
    EXPECT_EQ(MusicOn, 0);
    EXPECT_EQ(LevelsUnlocked, 12);
    EXPECT_FALSE(ScoreNames[0].empty());
    EXPECT_GE(ScoreValues[0], ScoreValues[9]);
    EXPECT_GT(platform::FontMetrics['A'].Width, 0);
    for (const LevelInfo& row : LevelTable) {
        EXPECT_GE(row.PieceKind, 1);
        EXPECT_LE(row.PieceKind, 4);
    }
    EXPECT_EQ(PanelRect, (Rect{20, 109, 190, 421}));
}

TEST_F(StartUp, ClosingTheWindowDuringTheCreditEndsTheProgramAtOnce) {
    backend.CloseAt(400);
    EXPECT_EQ(shell::RunProgram(), 0);
    EXPECT_EQ(backend.TickCount(), 400);
    EXPECT_TRUE(backend.CursorShown());
}

}  // namespace
