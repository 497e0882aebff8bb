// A level's two endings: complete (bonus, unlocking, the next level or the
// end of the game) and game over (the skull and where Escape leads).
#include <map>
#include <string>
#include <vector>

#include "audio/audio.h"
#include "data/files.h"
#include "data/preferences.h"
#include "game/state.h"
#include "harness.h"
#include "levels/levels.h"
#include "platform/display.h"
#include "platform/keyboard.h"
#include "platform/timing.h"
#include "screen_checks.h"
#include "shell/program.h"

namespace {

using platform::VK_ESCAPE;
using platform::VK_RETURN;
using shell::State;

class LevelEnd : public test::Headless {
protected:
    void SetUp() override {
        Headless::SetUp();
        LoadContent();
        for (int i = 0; i < ScoreEntries; ++i) ScoreValues[size_t(i)] = 1000 - 100 * i;  // the tenth is 100
    }

    // The level finished with exactly its quota and an empty well: no bonus.
    void FinishLevel(int index, int unlocked) {
        UseLevel(index);
        LevelsUnlocked = uint8_t(unlocked);
        Horizontals = int16_t(CurrentRow().LineQuota);
        LinesLeft = 0;
    }

    // Completes the level with Enter pressed at the given time after entry.
    State Complete(int32_t enterAfter = 20) {
        backend.TapAt(platform::TickCount() + enterAfter, VK_RETURN, 60);
        return levels::CompleteLevel();
    }

    bool PrefsSaved() const { return data::FileExists(userDir + "/prefs.znd"); }

    // LevelsUnlocked as the preferences file holds it.
    int StoredLevelsUnlocked() {
        const uint8_t kept = LevelsUnlocked;
        data::Preferences("load");
        const int stored = LevelsUnlocked;
        LevelsUnlocked = kept;
        return stored;
    }

    bool Logged(const std::string& line) const {
        const auto& log = audio::SoundLog();
        return std::find(log.begin(), log.end(), line) != log.end();
    }
};

// ---------------------------------------------------------------- unlocking

TEST_F(LevelEnd, CompletingTheHighestOpenLevelOpensTheNextAndSavesIt) {
    FinishLevel(4, 5);
    EXPECT_EQ(Complete(), State::NextLevel);
    EXPECT_EQ(CurrentLevel, 5);
    EXPECT_EQ(LevelsUnlocked, 6);
    ASSERT_TRUE(PrefsSaved());
    EXPECT_EQ(StoredLevelsUnlocked(), 6);
}

TEST_F(LevelEnd, CompletingALowerLevelChangesNothingButStillSaves) {
    FinishLevel(2, 8);
    ASSERT_FALSE(PrefsSaved());
    EXPECT_EQ(Complete(), State::NextLevel);
    EXPECT_EQ(CurrentLevel, 3);
    EXPECT_EQ(LevelsUnlocked, 8);
    ASSERT_TRUE(PrefsSaved());
    EXPECT_EQ(StoredLevelsUnlocked(), 8);
}

TEST_F(LevelEnd, LastLevelWithABetterScoreGoesToNameEntryAndStoresThirty) {
    FinishLevel(29, 30);
    Score = 101;
    EXPECT_EQ(Complete(), State::NameEntry);
    EXPECT_EQ(FinalePending, True);
    EXPECT_EQ(LevelsUnlocked, 30);
    EXPECT_EQ(CurrentLevel, 29);
    ASSERT_TRUE(PrefsSaved());
    EXPECT_EQ(StoredLevelsUnlocked(), 30);
}

TEST_F(LevelEnd, LastLevelWithAScoreEqualToTheTenthGoesToTheFinale) {
    FinishLevel(29, 30);
    Score = 100;
    EXPECT_EQ(Complete(), State::Finale);
    EXPECT_EQ(FinalePending, False);
    EXPECT_EQ(LevelsUnlocked, 30);
    EXPECT_EQ(StoredLevelsUnlocked(), 30);
}

TEST_F(LevelEnd, LastLevelNeverLeadsToALevelPastIt) {
    // Fewer levels open than the one just played: the game still ends.
    FinishLevel(29, 12);
    Score = 50;
    EXPECT_EQ(Complete(), State::Finale);
    EXPECT_EQ(CurrentLevel, 29);
    EXPECT_EQ(LevelsUnlocked, 30);
}

// ---------------------------------------------------------------- the screen

TEST_F(LevelEnd, EnterAtOnceAdvancesBeforeAnyTextAndStopsTheJingle) {
    FinishLevel(0, 1);
    LinesLeft = -3;
    const int32_t t0 = platform::TickCount();
    EXPECT_EQ(Complete(5), State::NextLevel);
    EXPECT_LT(platform::TickCount() - t0, 20);
    EXPECT_EQ(LinesLeft, 0);
    const std::vector<std::string> expected = {"stop deogratias2.wav", "play finished.wav once", "stop finished.wav"};
    EXPECT_EQ(audio::SoundLog(), expected);
}

TEST_F(LevelEnd, WithMusicOffTheJingleStaysSilent) {
    FinishLevel(0, 1);
    MusicOn = 0;
    Complete();
    const std::vector<std::string> expected = {"stop deogratias2.wav"};
    EXPECT_EQ(audio::SoundLog(), expected);
}

TEST_F(LevelEnd, TextsAppearFromTwoAndAHalfToFourAndAHalfSeconds) {
    FinishLevel(0, 1);
    const int lineCount = CurrentRow().LineQuota + 2;
    Horizontals = int16_t(lineCount);
    Well[0][15] = Well[1][15] = Well[2][15] = StoneCell;
    Score = 1000;  // bonus 3 x 4 + 2 x 5 = 22
    std::map<int32_t, platform::Surface> shots;
    for (int32_t at : {2475, 2525, 2975, 3025, 3475, 3525, 3975, 4025, 4475, 4525}) shots[at] = {};
    const int32_t t0 = platform::TickCount();
    backend.onYield = [&] {
        const auto it = shots.find(platform::TickCount() - t0);
        if (it != shots.end()) it->second = platform::PrimarySurface;
    };
    EXPECT_EQ(Complete(4700), State::NextLevel);
    backend.onYield = nullptr;
    EXPECT_EQ(Score, 1022);

    const std::string lines = "Lines : " + std::to_string(lineCount);
    const struct {
        int32_t from;
        int y;
        std::string text;
    } texts[] = {{2500, 150, lines},
                 {3000, 180, "Score : 1000"},
                 {3500, 210, "Bonus : 22"},
                 {4000, 240, "Total : 1022"},
                 {4500, 270, "Top score : 1000"},
                 {4500, 300, "Level auto-saved"},
                 {4500, 330, "Enter=Next level"},
                 {4500, 360, "Well done !"}};
    for (const auto& t : texts) {
        EXPECT_TRUE(test::AllBlack(shots[t.from - 25], {200, t.y, 440, t.y + platform::GlyphHeight}))
            << t.text << " too early";
        EXPECT_TRUE(test::ShowsText(shots[t.from + 25], 210, t.y, t.text)) << t.text;
    }
    // The letters have fallen into the top of the well meanwhile.
    EXPECT_FALSE(test::AllBlack(shots[2525], {200, 90, 440, 119}));
}

TEST_F(LevelEnd, LinesShortOfTheQuotaLowerTheScore) {
    // With the access phrase a level ends after one line.
    FinishLevel(0, 1);
    Horizontals = 1;
    Score = 1000;
    const int quota = CurrentRow().LineQuota;
    Complete();
    EXPECT_EQ(Score, 1000 + 5 * (1 - quota));
}

// ---------------------------------------------------------------- game over

class GameOverTest : public LevelEnd {
protected:
    State Run(int32_t& took) {
        const int32_t t0 = platform::TickCount();
        const State next = levels::GameOver();
        took = platform::TickCount() - t0;
        return next;
    }
};

// The skull rises 74 steps of 35 ms, sinks 13 and rests from about 3.08 s.
TEST_F(GameOverTest, EscapeHeldAllAlongIsTakenOnlyOnceTheSkullRests) {
    platform::PressKey(VK_ESCAPE);
    Score = 100;  // equal to the tenth: not enough
    int32_t took = 0;
    EXPECT_EQ(Run(took), State::MainMenu);
    EXPECT_GE(took, 3050);
    EXPECT_LE(took, 3120);
    // At rest at top 195, showing a frame of the sheet's first row.
    bool frameShown = false;
    for (int c = 0; c < 5; ++c)
        frameShown = frameShown || test::ShowsSprite(platform::PrimarySurface, 272, 195, platform::GameOverSurface,
                                                     {96 * c, 0, 96 * c + 96, 96});
    EXPECT_TRUE(frameShown);
}

TEST_F(GameOverTest, EscapeWhileMovingIsIgnoredAndAcceptedAtRest) {
    Score = 101;
    backend.TapAt(1000, VK_ESCAPE, 500);
    backend.TapAt(2900, VK_ESCAPE, 100);  // sinking
    backend.TapAt(3400, VK_ESCAPE, 100);
    int32_t took = 0;
    EXPECT_EQ(Run(took), State::NameEntry);
    EXPECT_GE(took, 3400);
    EXPECT_LE(took, 3405);
}

TEST_F(GameOverTest, MusicStopsAndTheJinglePlaysOnlyWithMusicOn) {
    platform::PressKey(VK_ESCAPE);
    int32_t took = 0;
    Run(took);
    const std::vector<std::string> expected = {"music stop", "rewind gameover.wav", "play gameover.wav once"};
    EXPECT_EQ(audio::SoundLog(), expected);

    audio::SoundLog().clear();
    MusicOn = 0;
    Run(took);
    EXPECT_TRUE(audio::SoundLog().empty());
}

TEST_F(GameOverTest, EveryOtherRowOfTheWellIsDarkened) {
    platform::FillRect(platform::BackBuffer, platform::WholeSurface, platform::Rgb(255, 255, 255));
    platform::PressKey(VK_ESCAPE);
    int32_t took = 0;
    Run(took);
    const auto& screen = platform::PrimarySurface;
    const uint16_t white = platform::ToPixel565(platform::Rgb(255, 255, 255));
    int wrong = 0;
    for (int y = 50; y < 434; ++y)
        for (int x = 200; x < 440; ++x) {
            if (x >= 272 && x < 368) continue;  // the skull's path
            const uint16_t want = (y % 2 == 0) ? 0 : white;
            if (screen.Pixel(x, y) != want) ++wrong;
        }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(platform::BackBuffer.Pixel(440, 50), white);  // the lines end inside the well
    EXPECT_EQ(platform::BackBuffer.Pixel(199, 50), white);
}

}  // namespace
