// A level's start: the random fill, the intro and its Escape rules, the
// counters and the composed playing screen.
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "audio/audio.h"
#include "game/state.h"
#include "harness.h"
#include "levels/levels.h"
#include "platform/display.h"
#include "platform/keyboard.h"
#include "platform/timing.h"
#include "screen_checks.h"
#include "shell/program.h"
#include "shell/window.h"

namespace {

using platform::VK_ESCAPE;
using shell::State;

// ---------------------------------------------------------------- the fill

class FillWellTest : public test::Headless {
protected:
    // Counts of each kind of cell over several fills: 0-5 the templates,
    // 6 empty.
    std::array<int, 7> Fill(int range, int times) {
        LevelTable[0].FillRange = uint8_t(range);
        CurrentLevel = 0;
        std::array<int, 7> counts{};
        for (int n = 0; n < times; ++n) {
            // Leftovers of an earlier well must not survive a new fill.
            for (auto& column : Well)
                for (auto& cell : column) cell = StoneCell;
            levels::FillWell();
            for (const auto& column : Well)
                for (const Cell& cell : column) {
                    int kind = 6;
                    for (int k = 0; k < 6; ++k)
                        if (cell == CellTemplates[size_t(k)]) kind = k;
                    if (cell != EmptyCell && kind == 6) ADD_FAILURE() << "a cell that is no template";
                    ++counts[size_t(kind)];
                }
        }
        return counts;
    }
};

TEST_F(FillWellTest, NinetyNineLeavesTheWellEmpty) {
    const auto counts = Fill(99, 3);
    EXPECT_EQ(counts[6], 3 * WellColumns * WellRows);
}

TEST_F(FillWellTest, SixtyFillsAboutOneCellInTenWithAllSixKinds) {
    const int cells = 40 * WellColumns * WellRows;  // 6400 cells: expected 640 blocks
    const auto counts = Fill(60, 40);
    const int blocks = cells - counts[6];
    EXPECT_GT(blocks, cells / 10 - 120);
    EXPECT_LT(blocks, cells / 10 + 120);
    for (int k = 0; k < 6; ++k) {
        EXPECT_GT(counts[size_t(k)], 60) << "kind " << k;  // about 107 each
        EXPECT_LT(counts[size_t(k)], 160) << "kind " << k;
    }
}

TEST_F(FillWellTest, FourFillsEveryCellWithBallsOfTheFourColours) {
    const auto counts = Fill(4, 5);
    EXPECT_EQ(counts[4], 0);  // no stone
    EXPECT_EQ(counts[5], 0);  // no wild ball
    EXPECT_EQ(counts[6], 0);  // no empty cell
    for (int k = 0; k < 4; ++k) EXPECT_GT(counts[size_t(k)], 120) << "colour " << k + 1;  // about 200 each
}

TEST_F(FillWellTest, SixFillsEveryCellAndZeroOrOneGiveOnlyColourOne) {
    const auto six = Fill(6, 5);
    EXPECT_EQ(six[6], 0);
    for (int k = 0; k < 6; ++k) EXPECT_GT(six[size_t(k)], 80) << "kind " << k;
    for (int range : {0, 1}) {
        const auto counts = Fill(range, 2);
        EXPECT_EQ(counts[0], 2 * WellColumns * WellRows) << "range " << range;
    }
}

// ---------------------------------------------------------------- the intro

class IntroTest : public test::Headless {
protected:
    void SetUp() override {
        Headless::SetUp();
        LoadContent();
        UseLevel(2);
    }

    // Runs the intro with shortened times (the level start's own are
    // checked with a whole start); returns how long it took.
    static constexpr int32_t ShowMs = 600, BlackMs = 300;
    int32_t RunIntro() {
        const int32_t start = platform::TickCount();
        levels::ShowLevelIntro("3", CurrentRow().Title, ShowMs, BlackMs);
        return platform::TickCount() - start;
    }

    bool Logged(const std::string& line) const {
        const auto& log = audio::SoundLog();
        return std::find(log.begin(), log.end(), line) != log.end();
    }
};

TEST_F(IntroTest, LastsShowTimePlusBlackTimeAndPlaysTheJingle) {
    shell::EnableTimer1();
    platform::Surface text, black;
    backend.onYield = [&] {
        if (platform::TickCount() == ShowMs - 50) text = platform::PrimarySurface;
        if (platform::TickCount() == ShowMs + 50) black = platform::PrimarySurface;
    };
    const int32_t took = RunIntro();
    backend.onYield = nullptr;
    EXPECT_FALSE(test::AllBlack(text, {0, 210, 640, 270}));
    EXPECT_TRUE(test::AllBlack(black, platform::WholeSurface));
    EXPECT_GE(took, ShowMs + BlackMs);
    EXPECT_LE(took, ShowMs + BlackMs + 5);
    EXPECT_FALSE(shell::Timer1Enabled());
    const std::vector<std::string> expected = {"stop finished.wav", "rewind finished.wav", "rewind deogratias.wav",
                                               "play deogratias.wav once"};
    EXPECT_EQ(audio::SoundLog(), expected);  // the jingle is not stopped here
}

TEST_F(IntroTest, JingleIsSilentWithMusicOff) {
    MusicOn = 0;
    RunIntro();
    EXPECT_FALSE(Logged("play deogratias.wav once"));
    EXPECT_TRUE(Logged("rewind deogratias.wav"));
}

TEST_F(IntroTest, EscapeHeldFromTheLastScreenDoesNotSkip) {
    platform::PressKey(VK_ESCAPE);
    EXPECT_GE(RunIntro(), ShowMs + BlackMs);
    EXPECT_FALSE(Logged("stop deogratias.wav"));
}

TEST_F(IntroTest, EscapeReleasedAndPressedAgainSkipsBothPhases) {
    platform::PressKey(VK_ESCAPE);
    backend.ReleaseAt(200, VK_ESCAPE);
    backend.PressAt(400, VK_ESCAPE);
    const int32_t took = RunIntro();
    EXPECT_GE(took, 400);
    EXPECT_LE(took, 405);
    EXPECT_TRUE(Logged("stop deogratias.wav"));
}

TEST_F(IntroTest, AFreshEscapeInEitherPhaseEndsTheIntro) {
    backend.TapAt(300, VK_ESCAPE, 30);
    int32_t took = RunIntro();
    EXPECT_GE(took, 300);
    EXPECT_LE(took, 305);

    // In the black phase; the key that was held through the text phase had
    // to be let go first.
    audio::SoundLog().clear();
    const int32_t t0 = platform::TickCount();
    platform::PressKey(VK_ESCAPE);
    backend.ReleaseAt(t0 + ShowMs + 50, VK_ESCAPE);
    backend.PressAt(t0 + ShowMs + 150, VK_ESCAPE);
    took = RunIntro();
    EXPECT_GE(took, ShowMs + 150);
    EXPECT_LE(took, ShowMs + 155);
    EXPECT_TRUE(Logged("stop deogratias.wav"));
}

TEST_F(IntroTest, EscapeLetGoInTheBlackPhaseAloneSkipsNothing) {
    platform::PressKey(VK_ESCAPE);
    backend.ReleaseAt(ShowMs + 50, VK_ESCAPE);
    EXPECT_GE(RunIntro(), ShowMs + BlackMs);
}

TEST_F(IntroTest, TextsAreCentredWithTheDirectionLine) {
    const std::map<int, std::string> lines = {
        {0, "All directions count."}, {1, "Horizontals only!"}, {2, "Verticals only!"}, {3, "Diagonals only!"}};
    for (int directions = 0; directions <= 4; ++directions) {
        LevelTable[CurrentLevel].Directions = uint8_t(directions);
        platform::Surface shown;
        const int32_t t0 = platform::TickCount();
        backend.onYield = [&] {
            if (platform::TickCount() == t0 + 100) shown = platform::PrimarySurface;
        };
        levels::ShowLevelIntro("7", "Pebble Path", 150, 10);
        backend.onYield = nullptr;
        ASSERT_FALSE(shown.IsEmpty());
        for (const auto& [y, text] : std::map<int, std::string>{{210, "Level 7"}, {230, "Pebble Path"}}) {
            EXPECT_TRUE(test::ShowsText(shown, platform::CentredHalfEven(platform::TextWidth(text)), y, text));
        }
        if (directions < 4) {
            const std::string& text = lines.at(directions);
            EXPECT_TRUE(test::ShowsText(shown, platform::CentredHalfEven(platform::TextWidth(text)), 250, text))
                << "directions " << directions;
        } else {
            EXPECT_TRUE(test::AllBlack(shown, {0, 250, 640, 250 + platform::GlyphHeight}));
        }
        EXPECT_EQ(levels::DirectionText(directions), directions < 4 ? lines.at(directions) : std::string());
    }
}

TEST(IntroCentring, OddWidthsRoundTheHalfToTheEvenSide) {
    EXPECT_EQ(platform::CentredHalfEven(100), 270);
    EXPECT_EQ(platform::CentredHalfEven(5), 318);  // 317.5
    EXPECT_EQ(platform::CentredHalfEven(7), 316);  // 316.5
    EXPECT_EQ(platform::CentredHalfEven(1), 320);  // 319.5
}

// ---------------------------------------------------------------- the start

class StartLevelTest : public test::Headless {
protected:
    void SetUp() override {
        Headless::SetUp();
        LoadContent();
    }

    // Starts the level at index; Escape skips its intro at skipAt (0: the
    // whole intro plays). Snapshots the screen at the times of shots, in
    // virtual ms after the start.
    State Start(int index, bool newGame, int32_t skipAt = 5, std::map<int32_t, platform::Surface>* shots = nullptr) {
        CurrentLevel = int16_t(index);
        const int32_t t0 = platform::TickCount();
        if (skipAt > 0) backend.TapAt(t0 + skipAt, VK_ESCAPE, 20);
        if (shots)
            backend.onYield = [&] {
                const auto it = shots->find(platform::TickCount() - t0);
                if (it != shots->end()) it->second = platform::PrimarySurface;
            };
        const State next = levels::StartLevel(newGame);
        backend.onYield = nullptr;
        return next;
    }

    static platform::Rect IconRect(int top) { return {578, top + 40, 610, top + 72}; }
};

TEST_F(StartLevelTest, NewGameResetsScoreAndMeterTheNextLevelKeepsThem) {
    Score = 4321;
    PowerMeter = 9;
    Horizontals = Verticals = Diagonals = 3;
    SweepPending = ScoringOn = True;
    EXPECT_EQ(Start(4, false), State::Settle);
    EXPECT_EQ(Score, 4321);
    EXPECT_EQ(PowerMeter, 9);
    EXPECT_EQ(Horizontals + Verticals + Diagonals, 0);
    EXPECT_EQ(LinesLeft, LevelTable[4].LineQuota);
    EXPECT_EQ(MinBlocks, LevelTable[4].MinBlocks);
    EXPECT_EQ(ScoringOn, False);
    EXPECT_EQ(SweepPending, False);

    Horizontals = 2;
    EXPECT_EQ(Start(9, true), State::Settle);
    EXPECT_EQ(Score, 0);
    EXPECT_EQ(PowerMeter, 0);
    EXPECT_EQ(Horizontals, 0);
    EXPECT_EQ(MinBlocks, LevelTable[9].MinBlocks);
    EXPECT_EQ(LinesLeft, LevelTable[9].LineQuota);
}

TEST_F(StartLevelTest, SoundsInOrderAndNoTemporaryPictureLeft) {
    const int index = 5;
    Start(index, true);
    const std::vector<std::string> expected = {
        "music load mid" + std::to_string(LevelTable[index].Music) + ".Mid repeats 999",
        "stop finished.wav",
        "rewind finished.wav",
        "rewind deogratias.wav",
        "play deogratias.wav once",
        "stop deogratias.wav",  // Escape ends the text phase
        "stop deogratias.wav",  // and, still held, the black phase
        "stop deogratias.wav",  // the level start
        "music play"};
    EXPECT_EQ(audio::SoundLog(), expected);
    EXPECT_TRUE(std::filesystem::is_empty(tempDir));

    audio::SoundLog().clear();
    MusicOn = 0;
    Start(index, false);
    const auto& log = audio::SoundLog();
    EXPECT_EQ(std::count(log.begin(), log.end(), "music play"), 0);
    EXPECT_EQ(std::count(log.begin(), log.end(), "play deogratias.wav once"), 0);
}

TEST_F(StartLevelTest, ComposedScreenStandsHalfASecondBeforeTheMusic) {
    const platform::Colour grey = platform::Rgb(128, 128, 128);
    const uint16_t greyPixel = platform::ToPixel565(grey);
    int32_t firstShown = -1;
    bool musicBefore = false;
    const int32_t t0 = platform::TickCount();
    backend.onYield = [&] {
        if (firstShown < 0 && platform::PrimarySurface.Pixel(199, 200) == greyPixel) {
            firstShown = platform::TickCount() - t0;
            const auto& log = audio::SoundLog();
            musicBefore = std::find(log.begin(), log.end(), "music play") != log.end();
        }
    };
    CurrentLevel = 0;
    levels::StartLevel(true);
    backend.onYield = nullptr;
    const int32_t end = platform::TickCount() - t0;
    // After the whole intro of 4800 + 1000 ms and the first 20 ms step.
    EXPECT_GE(firstShown, 5800 + 20);
    EXPECT_LE(firstShown, 5800 + 40);
    EXPECT_GE(end - firstShown, 470);
    EXPECT_LE(end - firstShown, 505);
    EXPECT_FALSE(musicBefore);
    EXPECT_EQ(audio::SoundLog().back(), "music play");

    // Frames around the well and the meter; the well itself black (the
    // fill has not fallen yet).
    const auto& screen = platform::PrimarySurface;
    EXPECT_EQ(screen.Pixel(199, 49), greyPixel);
    EXPECT_EQ(screen.Pixel(440, 300), greyPixel);
    EXPECT_EQ(screen.Pixel(300, 434), greyPixel);
    EXPECT_EQ(screen.Pixel(459, 200), greyPixel);
    EXPECT_EQ(screen.Pixel(484, 434), greyPixel);
    EXPECT_TRUE(test::AllBlack(screen, WellRect));
}

TEST_F(StartLevelTest, TitleUsesTheDisplayedNumber) {
    const int index = 2;
    LevelTable[index].DisplayNumber = 7;
    Start(index, true);
    const std::string title = "Level 7 " + LevelTable[index].Title;
    EXPECT_TRUE(test::ShowsText(platform::BackBuffer, platform::CentredFloor(platform::TextWidth(title)), 15, title,
                                &platform::BackgroundSurface));
    EXPECT_TRUE(test::SameArea(platform::BackBuffer, platform::PrimarySurface, {0, 0, 640, 480}));
    // The level's own background picture, behind the whole screen.
    const platform::Surface picture =
        platform::LoadScrambledPicture("bg" + std::to_string(LevelTable[index].Background));
    EXPECT_TRUE(test::SameArea(platform::BackgroundSurface, picture, {0, 0, 640, 480}));
    EXPECT_TRUE(test::SameArea(platform::BackBuffer, picture, {0, 0, 190, 15}));
    EXPECT_FALSE(test::AllBlack(picture, {0, 0, 190, 15}));
}

TEST_F(StartLevelTest, IntroAndTickCrossIconsFollowTheDirections) {
    const platform::Rect tick{0, 0, 32, 32}, cross{32, 0, 64, 32};
    // A sheet whose two halves cannot be taken for each other, each with a
    // see-through border in the key colour.
    platform::Surface sheet(64, 32);
    platform::FillRect(sheet, platform::WholeSurface, platform::BlackKey);
    platform::FillRect(sheet, {2, 2, 30, 30}, platform::Rgb(255, 0, 0));
    platform::FillRect(sheet, {34, 2, 62, 30}, platform::Rgb(0, 0, 255));
    sheet.SetColourKey(platform::BlackKey);
    platform::TickCrossSurface = sheet;
    const std::map<int, std::string> texts = {
        {0, "All directions count."}, {1, "Horizontals only!"}, {2, "Verticals only!"}, {3, "Diagonals only!"}};
    // Levels 1, 5, 6 and 8 count all, horizontals, verticals, diagonals.
    for (const auto& [index, directions] : std::map<int, int>{{0, 0}, {4, 1}, {5, 2}, {7, 3}}) {
        ASSERT_EQ(LevelTable[index].Directions, directions) << "level table changed";
        std::map<int32_t, platform::Surface> shots{{300, {}}};
        Start(index, true, 400, &shots);
        const std::string& text = texts.at(directions);
        EXPECT_TRUE(test::ShowsText(shots[300], platform::CentredHalfEven(platform::TextWidth(text)), 250, text));

        const auto& back = platform::BackBuffer;
        const bool counts[3] = {directions == 0 || directions == 1, directions == 0 || directions == 2,
                                directions == 0 || directions == 3};
        const int tops[3] = {100, 204, 308};
        const platform::Surface* pictures[3] = {&platform::HorizontalsSurface, &platform::VerticalsSurface,
                                                &platform::DiagonalsSurface};
        for (int i = 0; i < 3; ++i) {
            const platform::Rect icon = IconRect(tops[i]);
            const platform::Rect wanted = counts[i] ? tick : cross, other = counts[i] ? cross : tick;
            EXPECT_TRUE(test::ShowsSprite(back, icon.Left, icon.Top, platform::TickCrossSurface, wanted))
                << "directions " << directions << ", picture " << i;
            EXPECT_FALSE(test::ShowsSprite(back, icon.Left, icon.Top, platform::TickCrossSurface, other))
                << "directions " << directions << ", picture " << i;
            // The picture itself, above its icon and through the icon's border.
            platform::Surface top(96, 40);
            platform::CopyRect(top, platform::WholeSurface, *pictures[i], {0, 0, 96, 40});
            EXPECT_TRUE(test::ShowsSprite(back, 514, tops[i], top)) << "picture " << i;
            EXPECT_EQ(back.Pixel(icon.Left, icon.Top), pictures[i]->Pixel(64, 40)) << "picture " << i;
            EXPECT_EQ(back.Pixel(icon.Right - 1, icon.Bottom - 1), pictures[i]->Pixel(95, 71)) << "picture " << i;
        }
    }
}

// ---------------------------------------------------------------- the access phrase

// Runs the real start-up, which also sets up the sound; it is shut again
// so that later tests start silent.
class AccessPhraseTest : public test::Headless {
protected:
    void TearDown() override {
        audio::AudioShutdown();
        Headless::TearDown();
    }
};

TEST_F(AccessPhraseTest, PhraseOnTheClipboardAtStartUpMakesEveryLevelOneLine) {
    backend.SetClipboard("We are sneaky rascals!");
    ASSERT_EQ(shell::Form_Load(), State::MainMenu);
    for (int index : {5, 12}) {
        CurrentLevel = int16_t(index);
        backend.TapAt(platform::TickCount() + 5, VK_ESCAPE, 20);  // no need to watch the intro
        levels::StartLevel(index == 5);
        EXPECT_EQ(LinesLeft, 1) << "level " << index + 1;
        ASSERT_GT(LevelTable[index].LineQuota, 1);
    }
}

TEST_F(AccessPhraseTest, PhraseInAnotherCaseCountsForNothing) {
    ClipboardText = "We are Sneaky rascals!";
    CurrentLevel = 5;
    LoadContent();
    backend.TapAt(platform::TickCount() + 5, VK_ESCAPE, 20);
    levels::StartLevel(true);
    EXPECT_EQ(LinesLeft, LevelTable[5].LineQuota);
}

}  // namespace
