// A level's start (the random fill, the intro and its Escape rules, the
// counters and the composed screen) and its two endings: complete, with
// the bonus and unlocking, and game over.
#include <filesystem>
#include <map>

#include "audio/audio.h"
#include "data/preferences.h"
#include "game/random.h"
#include "harness.h"
#include "levels/levels.h"
#include "platform/display.h"
#include "platform/font.h"
#include "platform/keyboard.h"
#include "platform/timing.h"
#include "screen_checks.h"
#include "well_helpers.h"
#include "shell/window.h"

namespace {

using namespace platform;
using shell::State;
using Log = std::vector<std::string>;

// ---------------------------------------------------------------- the fill

TEST(FillWell, TheFillRangeSetsWhatTheWellStartsWith) {
    ResetProgramState();
    game::SeedRandom(7);  // whatever tests ran before
    struct Case { int range, fills, least[7], most[7]; };  // per kind: colours 1-4, stone, wild, empty
    const int all = WellColumns * WellRows;
    const Case cases[] = {
        {99, 3, {0, 0, 0, 0, 0, 0, 3 * all}, {0, 0, 0, 0, 0, 0, 3 * all}},
        {0, 2, {2 * all, 0, 0, 0, 0, 0, 0}, {2 * all, 0, 0, 0, 0, 0, 0}},
        {1, 2, {2 * all, 0, 0, 0, 0, 0, 0}, {2 * all, 0, 0, 0, 0, 0, 0}},
        {4, 5, {120, 120, 120, 120, 0, 0, 0}, {280, 280, 280, 280, 0, 0, 0}},     // about 200 each
        {6, 5, {80, 80, 80, 80, 80, 80, 0}, {200, 200, 200, 200, 200, 200, 0}},  // about 133 each
        {60, 40, {60, 60, 60, 60, 60, 60, 40 * all - 760}, {160, 160, 160, 160, 160, 160, 40 * all - 520}},
    };
    for (const Case& c : cases) {
        LevelTable[0].FillRange = uint8_t(c.range);
        CurrentLevel = 0;
        std::map<char, int> counts;
        for (int n = 0; n < c.fills; ++n) {
            test::SetWell(test::Rows(WellRows, "SSSSSSSSSS"));  // leftovers of an earlier well must not survive
            levels::FillWell();
            for (const auto& row : test::WellRows16())
                for (char k : row) ++counts[k];
        }
        EXPECT_EQ(counts['?'], 0);  // every cell a copy of a template
        for (int k = 0; k < 7; ++k) {
            EXPECT_TRUE(test::Between(counts["RGBYSW."[k]], c.least[k], c.most[k]))
                << "range " << c.range << ", kind " << k;
        }
    }
}

// ---------------------------------------------------------------- the intro

class Levels : public test::Loaded {
protected:
    // Starts the level at index; Escape skips its intro at skipAt (0: the
    // whole intro plays).
    State Start(int index, bool newGame, int32_t skipAt = 5) {
        CurrentLevel = int16_t(index);
        if (skipAt > 0) Tap(skipAt, VK_ESCAPE, 20);
        return levels::StartLevel(newGame);
    }
};

TEST_F(Levels, TheIntroLastsItsTimesUnlessAFreshEscapeEndsIt) {
    constexpr int32_t Show = 600, Black = 300;
    UseLevel(2);
    // Escape pressed (true) or released at a time; a fresh Escape in the
    // text phase, still held, ends the black one too.
    using Keys = std::vector<std::pair<int32_t, bool>>;
    struct Case { const char* what; bool heldAtStart; Keys keys; int32_t took; bool skipped; };
    const Case cases[] = {
        {"no key", false, {}, Show + Black, false},
        {"held from the last screen", true, {}, Show + Black, false},
        {"held, let go and pressed again", true, {{200, false}, {400, true}}, 400, true},
        {"a fresh tap", false, {{300, true}, {330, false}}, 300, true},
        {"let go in the text, pressed in the black", true, {{Show + 50, false}, {Show + 150, true}}, Show + 150, true},
        {"let go in the black alone", true, {{Show + 50, false}}, Show + Black, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ResetKeyboard();
        audio::SoundLog().clear();
        if (c.heldAtStart) PressKey(VK_ESCAPE);
        const int32_t t0 = TickCount();
        for (const auto& [at, press] : c.keys) press ? backend.PressAt(t0 + at, VK_ESCAPE) : backend.ReleaseAt(t0 + at, VK_ESCAPE);
        shell::EnableTimer1();
        levels::ShowLevelIntro("3", CurrentRow().Title, Show, Black);
        EXPECT_TRUE(test::Between(TickCount() - t0, c.took, c.took + 5));
        EXPECT_FALSE(shell::Timer1Enabled());
        Log expected = {"stop finished.wav", "rewind finished.wav", "rewind deogratias.wav", "play deogratias.wav once"};
        if (c.skipped) expected.push_back("stop deogratias.wav");  // else the jingle plays on
        EXPECT_EQ(audio::SoundLog(), expected);
    }
}

// ---------------------------------------------------------------- the start

TEST_F(Levels, AWholeStartShowsTheComposedScreenHalfASecondBeforeTheMusic) {
    LevelTable[0].DisplayNumber = 7;
    const uint16_t grey = ToPixel565(Rgb(128, 128, 128));
    int32_t firstShown = -1;
    const int32_t t0 = TickCount();
    backend.onYield = [&] {
        if (firstShown < 0 && PrimarySurface.Pixel(199, 200) == grey) firstShown = TickCount() - t0;
    };
    EXPECT_EQ(Start(0, true, 0), State::Settle);
    backend.onYield = nullptr;
    const int32_t end = TickCount() - t0;
    // After the whole intro of 4800 + 1000 ms and the first 20 ms step.
    EXPECT_TRUE(test::Between(firstShown, 5800 + 20, 5800 + 40));
    EXPECT_TRUE(test::Between(end - firstShown, 470, 505));
    // The tune is loaded first and plays at the very end (the intro's sounds
    // come between).
    EXPECT_EQ(audio::SoundLog().front(), "music load mid" + std::to_string(LevelTable[0].Music) + ".Mid repeats 999");
    EXPECT_EQ(audio::SoundLog().back(), "music play");
    EXPECT_EQ(test::Logged("music play"), 1);

    // Frames around the well and the meter, the well black (the fill has not
    // fallen yet), the title with the displayed number over the level's own
    // background, and the back buffer shown whole.
    const auto& screen = PrimarySurface;
    for (const auto& [x, y] : {std::pair{199, 49}, {440, 300}, {300, 434}, {459, 200}, {484, 434}})
        EXPECT_EQ(screen.Pixel(x, y), grey) << x << ", " << y;
    EXPECT_TRUE(test::AllPixels(screen, WellRect, 0));
    const std::string title = "Level 7 " + LevelTable[0].Title;
    EXPECT_TRUE(test::ShowsText(BackBuffer, CentredFloor(TextWidth(title)), 15, title, &BackgroundSurface));
    EXPECT_TRUE(BackBuffer.Pixels() == screen.Pixels());
    EXPECT_TRUE(BackgroundSurface.Pixels() ==
                LoadScrambledPicture("bg" + std::to_string(LevelTable[0].Background)).Pixels());
}

TEST_F(Levels, TheDirectionPanelTicksTheDirectionsWhoseLinesCount) {
    // Per level directions: horizontals, verticals, diagonals ('t' a tick,
    // 'x' a cross).
    const char* const panels[] = {"ttt", "txx", "xtx", "xxt"};
    for (int directions = 0; directions < 4; ++directions) {
        LevelTable[0].Directions = uint8_t(directions);
        Start(0, true);
        for (int d = 0; d < 3; ++d) {
            const Rect icon = panels[directions][d] == 't' ? Rect{0, 0, 32, 32} : Rect{32, 0, 64, 32};
            EXPECT_TRUE(test::ShowsSprite(BackBuffer, 578, 140 + 104 * d, TickCrossSurface, icon))
                << "directions " << directions << ", panel " << d;
        }
    }
}

TEST_F(Levels, ANewGameResetsScoreAndMeterTheNextLevelKeepsThem) {
    Score = 4321;
    PowerMeter = 9;
    Horizontals = Verticals = Diagonals = 3;
    SweepPending = ScoringOn = True;
    MusicOn = 0;
    EXPECT_EQ(Start(4, false), State::Settle);
    EXPECT_EQ(std::vector<int>({Score, PowerMeter, Horizontals + Verticals + Diagonals, LinesLeft, MinBlocks}),
              std::vector<int>({4321, 9, 0, LevelTable[4].LineQuota, LevelTable[4].MinBlocks}));
    EXPECT_EQ(ScoringOn, False);
    EXPECT_EQ(SweepPending, False);
    EXPECT_EQ(test::Logged("music play") + test::Logged("play deogratias.wav once"), 0);  // silent with music off

    Horizontals = 2;
    EXPECT_EQ(Start(9, true), State::Settle);
    EXPECT_EQ(std::vector<int>({Score, PowerMeter, Horizontals, LinesLeft, MinBlocks}),
              std::vector<int>({0, 0, 0, LevelTable[9].LineQuota, LevelTable[9].MinBlocks}));
    ClipboardText = AccessPhrase;  // the access phrase makes every level one line
    EXPECT_EQ(Start(9, false), State::Settle);
    EXPECT_EQ(LinesLeft, 1);
}

// ---------------------------------------------------------------- complete

class LevelEnd : public Levels {
protected:
    void SetUp() override {
        Levels::SetUp();
        for (int i = 0; i < ScoreEntries; ++i) ScoreValues[size_t(i)] = 1000 - 100 * i;  // the tenth is 100
    }
};

TEST_F(LevelEnd, CompletingUnlocksSavesAndLeadsOn) {
    struct Case { int index, unlocked, score; State next; int level, unlockedAfter; bool finale; };
    const Case cases[] = {
        {4, 5, 0, State::NextLevel, 5, 6, false},     // the highest open level opens the next
        {2, 8, 0, State::NextLevel, 3, 8, false},     // a lower one changes nothing, but still saves
        {29, 30, 101, State::NameEntry, 29, 30, true},  // the last, with a better score than the tenth
        {29, 30, 100, State::Finale, 29, 30, false},    // the last, with a score equal to the tenth
        {29, 12, 50, State::Finale, 29, 30, false},     // fewer open than the one played: the game still ends
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("level " + std::to_string(c.index + 1) + " of " + std::to_string(c.unlocked));
        std::filesystem::remove(userDir + "/prefs.znd");
        FinishLevel(c.index, c.unlocked, c.score);  // an empty well: no bonus
        FinalePending = False;
        Tap(20, VK_RETURN);
        EXPECT_EQ(levels::CompleteLevel(), c.next);
        EXPECT_EQ(std::vector<int>({CurrentLevel, LevelsUnlocked, test::StoredLevelsUnlocked(), FinalePending, Score}),
                  std::vector<int>({c.level, c.unlockedAfter, c.unlockedAfter, c.finale ? True : False, c.score}));
    }
}

TEST_F(LevelEnd, TheUnlockIsSavedBeforeEnterSoClosingTheWindowKeepsItAndAFailedSaveSaysSo) {
    std::filesystem::remove(userDir + "/prefs.znd");
    FinishLevel(4, 5, 70);
    backend.CloseAt(TickCount() + 6000);  // no Enter: the window is closed
    EXPECT_THROW(levels::CompleteLevel(), ProgramEnded);
    EXPECT_EQ(test::StoredLevelsUnlocked(), 6);
    const std::map<int, std::string> texts = {
        {150, "Lines : " + std::to_string(LevelTable[4].LineQuota)}, {180, "Score : 70"}, {210, "Bonus : 0"},
        {240, "Total : 70"}, {270, "Top score : 1000"}, {330, "Enter=Next level"},
        {360, "Well done !"}};
    for (const auto& [y, text] : texts) EXPECT_TRUE(test::ShowsText(BackBuffer, 210, y, text));
    EXPECT_TRUE(test::ShowsText(BackBuffer, 210, 300, "Level auto-saved"));

    // The new file cannot be written (the player's folder has become a file,
    // which stops root too): the screen says so, and the open level waits in
    // memory for the next save that works.
    const std::string gone = userDir + "/gone";
    data::WriteFileAtomically(gone, "x");
    data::SetFolders(test::GameDir(), gone, tempDir);
    FinishLevel(5, 6);
    testing::internal::CaptureStderr();
    backend.CloseAt(TickCount() + 6000);
    EXPECT_THROW(levels::CompleteLevel(), ProgramEnded);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("not saved"), std::string::npos);
    EXPECT_TRUE(test::ShowsText(PrimarySurface, 210, 300, "Level not saved"));
    data::SetFolders(test::GameDir(), userDir, tempDir);
    EXPECT_EQ(std::vector<int>({LevelsUnlocked, test::StoredLevelsUnlocked()}), std::vector<int>({7, 6}));
    EXPECT_TRUE(data::Preferences("save"));
    EXPECT_EQ(test::StoredLevelsUnlocked(), 7);
}

TEST_F(LevelEnd, EnterAtOnceAdvancesWithTheBonusAndTheJingleNeedsTheMusic) {
    for (uint8_t music : {1, 0}) {
        FinishLevel(0, 1, 1000);
        LinesLeft = -3;
        Horizontals = int16_t(Horizontals + 2);  // two lines beyond the quota and a stone left: 2 x 5 + 4
        Well[0][15] = StoneCell;
        MusicOn = music;
        audio::SoundLog().clear();
        const int32_t t0 = TickCount();
        Tap(5, VK_RETURN);
        EXPECT_EQ(levels::CompleteLevel(), State::NextLevel);
        EXPECT_LT(TickCount() - t0, 20);
        EXPECT_EQ(LinesLeft, 0);
        EXPECT_EQ(Score, 1014);
        const Log expected = music ? Log{"stop deogratias2.wav", "play finished.wav once", "stop finished.wav"}
                                   : Log{"stop deogratias2.wav"};
        EXPECT_EQ(audio::SoundLog(), expected);
        ResetKeyboard();
    }
}

// ---------------------------------------------------------------- game over

// The skull rises 74 steps of 35 ms, sinks 13 and rests from about 3.08 s.
TEST_F(LevelEnd, GameOverTakesEscapeOnlyOnceTheSkullRests) {
    PressKey(VK_ESCAPE);  // held all along
    Score = 100;          // equal to the tenth: not enough
    int32_t t0 = TickCount();
    EXPECT_EQ(levels::GameOver(), State::MainMenu);
    EXPECT_TRUE(test::Between(TickCount() - t0, 3050, 3120));
    EXPECT_EQ(audio::SoundLog(), (Log{"music stop", "rewind gameover.wav", "play gameover.wav once"}));

    ResetKeyboard();
    audio::SoundLog().clear();
    MusicOn = 0;
    Score = 101;
    t0 = TickCount();
    Tap(1000, VK_ESCAPE, 500);  // rising
    Tap(2900, VK_ESCAPE, 100);  // sinking
    Tap(3400, VK_ESCAPE, 100);
    std::vector<uint16_t> resting, later;  // at rest the skull's frames turn
    backend.onYield = [&] {
        if (TickCount() - t0 == 3150) resting = PrimarySurface.Pixels();
        if (TickCount() - t0 == 3350) later = PrimarySurface.Pixels();
    };
    EXPECT_EQ(levels::GameOver(), State::NameEntry);
    backend.onYield = nullptr;
    EXPECT_TRUE(test::Between(TickCount() - t0, 3400, 3405));
    EXPECT_FALSE(resting.empty());
    EXPECT_NE(resting, later);
    EXPECT_TRUE(audio::SoundLog().empty());
}

}  // namespace
