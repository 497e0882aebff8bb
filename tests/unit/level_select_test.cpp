// The level select screen: moves over the open levels, the masks over the
// locked ones, Enter only after a release, and a damaged count of open
// levels from the preferences file.
#include <string>
#include <utility>
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
#include "shell/screens.h"

namespace {

using platform::VK_DOWN;
using platform::VK_ESCAPE;
using platform::VK_LEFT;
using platform::VK_RETURN;
using platform::VK_RIGHT;
using platform::VK_UP;
using shell::State;

class LevelSelectTest : public test::Headless {
protected:
    void SetUp() override {
        Headless::SetUp();
        LoadContent();
    }

    // The level under the frame, from where the screen last drew it.
    static int Framed() {
        const int c = (LevelSelectRect.Left - 186) / 45, r = (LevelSelectRect.Top - 119) / 50;
        return 6 * r + c + 1;
    }

    // Taps each key 120 ms apart (held 40 ms) and records the framed level
    // 110 ms after each tap; Enter ends the visit.
    State Walk(const std::vector<int>& keys, std::vector<int>* framed = nullptr) {
        const int32_t now = platform::TickCount();
        std::vector<int32_t> probes;
        for (size_t i = 0; i < keys.size(); ++i) {
            const int32_t at = now + 50 + 120 * int32_t(i);
            backend.TapAt(at, keys[i], 40);
            probes.push_back(at + 110);
        }
        backend.onYield = [&] {
            if (framed && std::find(probes.begin(), probes.end(), platform::TickCount()) != probes.end())
                framed->push_back(Framed());
        };
        const State next = shell::LevelSelect();
        backend.onYield = nullptr;
        return next;
    }

    static bool Masked(int level) {
        const int row = (level - 1) / 6 + 1, column = (level - 1) % 6 + 1;
        return test::ShowsSprite(platform::PrimarySurface, 45 * column + 141, 50 * row + 70, platform::LevelMaskSurface);
    }
};

TEST_F(LevelSelectTest, WithOneLevelOpenOnlyLevelOneCanBeChosen) {
    LevelsUnlocked = 1;
    std::vector<int> framed;
    EXPECT_EQ(Walk({VK_RIGHT, VK_DOWN, VK_LEFT, VK_UP, VK_RIGHT, VK_RETURN}, &framed), State::NewGame);
    EXPECT_EQ(CurrentLevel, 0);
    EXPECT_EQ(framed, std::vector<int>({1, 1, 1, 1, 1}));
    int masked = 0;
    for (int level = 2; level <= 30; ++level) masked += Masked(level);
    EXPECT_EQ(masked, 29);
}

TEST_F(LevelSelectTest, WithEightLevelsOpenMovesStopAtTheRowEndAndTheLockedOnes) {
    LevelsUnlocked = 8;
    std::vector<int> framed;
    const std::vector<int> keys = {VK_RIGHT, VK_RIGHT, VK_RIGHT, VK_RIGHT, VK_RIGHT,  // to level 6
                                   VK_RIGHT,                                          // end of the row
                                   VK_DOWN,                                           // 12 is locked
                                   VK_LEFT,  VK_LEFT,  VK_LEFT,  VK_LEFT,             // back to 2
                                   VK_DOWN,                                           // 8
                                   VK_RIGHT,                                          // 9 is locked
                                   VK_DOWN,                                           // 14 is locked
                                   VK_RETURN};
    EXPECT_EQ(Walk(keys, &framed), State::NewGame);
    EXPECT_EQ(framed, std::vector<int>({2, 3, 4, 5, 6, 6, 6, 5, 4, 3, 2, 8, 8, 8}));
    EXPECT_EQ(CurrentLevel, 7);
    for (int level = 1; level <= 8; ++level) EXPECT_FALSE(Masked(level)) << level;
    for (int level = 9; level <= 30; ++level) EXPECT_TRUE(Masked(level)) << level;
}

TEST_F(LevelSelectTest, WithAllOpenTheFrameStopsAtLevelThirty) {
    LevelsUnlocked = 30;
    std::vector<int> keys(5, VK_DOWN);
    keys.insert(keys.end(), 6, VK_RIGHT);
    keys.push_back(VK_RETURN);
    std::vector<int> framed;
    EXPECT_EQ(Walk(keys, &framed), State::NewGame);
    EXPECT_EQ(framed, std::vector<int>({7, 13, 19, 25, 25, 26, 27, 28, 29, 30, 30}));
    EXPECT_EQ(CurrentLevel, 29);
    const std::string title = "Level 30 " + LevelTable[29].Title;
    EXPECT_TRUE(test::ShowsText(platform::BackBuffer, platform::CentredFloor(platform::TextWidth(title)), 65, title,
                                &platform::NewGameSurface));
}

TEST_F(LevelSelectTest, HeldLeftMovesOneColumnEveryEightyMilliseconds) {
    LevelsUnlocked = 8;
    const int32_t now = platform::TickCount();
    for (int i = 0; i < 5; ++i) backend.TapAt(now + 100 + 150 * i, VK_RIGHT, 40);  // to level 6
    backend.PressAt(now + 1000, VK_LEFT);
    backend.ReleaseAt(now + 1300, VK_LEFT);
    backend.TapAt(now + 1500, VK_RETURN, 40);
    std::vector<std::pair<int32_t, int>> changes;
    int last = 1;
    backend.onYield = [&] {
        if (Framed() != last) changes.push_back({platform::TickCount(), last = Framed()});
    };
    EXPECT_EQ(shell::LevelSelect(), State::NewGame);
    backend.onYield = nullptr;
    // The frame is drawn at the start of a pass, so each move shows one
    // pass later; the last, with no wait after it, shows at once.
    ASSERT_EQ(changes.size(), 9u);  // five right, four left
    for (size_t i = 5; i < changes.size(); ++i) EXPECT_EQ(changes[i].second, 10 - int(i));
    for (size_t i = 6; i < changes.size() - 1; ++i) {
        EXPECT_GE(changes[i].first - changes[i - 1].first, 80);
        EXPECT_LE(changes[i].first - changes[i - 1].first, 83);
    }
    EXPECT_EQ(CurrentLevel, 1);
}

TEST_F(LevelSelectTest, TheEnterThatChoseNewGameMustBeReleasedFirst) {
    LevelsUnlocked = 5;
    platform::PressKey(VK_RETURN);
    const int32_t now = platform::TickCount();
    backend.TapAt(now + 100, VK_RIGHT, 40);
    backend.ReleaseAt(now + 600, VK_RETURN);
    backend.PressAt(now + 700, VK_RETURN);
    EXPECT_EQ(shell::LevelSelect(), State::NewGame);
    EXPECT_GE(platform::TickCount() - now, 700);
    EXPECT_EQ(CurrentLevel, 1);
    const std::vector<std::string> expected = {"stop intro.wav"};
    EXPECT_EQ(audio::SoundLog(), expected);
}

TEST_F(LevelSelectTest, EscapeGoesBackToTheMenuWithTheTunePlaying) {
    LevelsUnlocked = 5;
    CurrentLevel = 3;
    EXPECT_EQ(Walk({VK_RIGHT, VK_ESCAPE}), State::MainMenu);
    EXPECT_EQ(CurrentLevel, 3);
    EXPECT_TRUE(audio::SoundLog().empty());
}

TEST_F(LevelSelectTest, WithMusicOffChoosingIsSilent) {
    MusicOn = 0;
    EXPECT_EQ(Walk({VK_RETURN}), State::NewGame);
    EXPECT_TRUE(audio::SoundLog().empty());
}

TEST_F(LevelSelectTest, TitleAndTopScoreOverThePicture) {
    LevelsUnlocked = 3;
    ScoreValues[0] = 4321;
    EXPECT_EQ(Walk({VK_RIGHT, VK_RETURN}), State::NewGame);
    const auto& back = platform::BackBuffer;
    const auto& ground = platform::NewGameSurface;
    auto centred = [](const std::string& s) { return platform::CentredFloor(platform::TextWidth(s)); };
    const std::string title = "Level 2 " + LevelTable[1].Title;
    EXPECT_TRUE(test::ShowsText(back, centred(title), 65, title, &ground));
    EXPECT_TRUE(test::ShowsText(back, centred("SELECT LEVEL"), 40, "SELECT LEVEL", &ground));
    EXPECT_TRUE(test::ShowsText(back, centred("Top Score : 4321"), 410, "Top Score : 4321", &ground));
    // The frame sits one pixel above the mask rectangle of level 2.
    EXPECT_TRUE(test::ShowsSprite(back, 231, 119, platform::LevelIconSurface));
}

// ---------------------------------------------------------------- damaged counts

class StoredLevelsUnlocked : public LevelSelectTest {
protected:
    void Store(int unlocked) {
        data::WriteScrambled(userDir + "/prefs.znd", "prefs.txt",
                             "1\r\n1\r\n2\r\n0\r\n" + std::to_string(unlocked) + "\r\n\"x\"\r\n");
    }
};

TEST_F(StoredLevelsUnlocked, OutsideOneToThirtyIsClampedWhenRead) {
    for (const auto& [stored, read] : std::vector<std::pair<int, int>>{{0, 1}, {31, 30}, {200, 30}, {17, 17}}) {
        Store(stored);
        LevelsUnlocked = 5;
        data::Preferences("load");
        EXPECT_EQ(LevelsUnlocked, read) << "stored " << stored;
    }
}

TEST_F(StoredLevelsUnlocked, AHugeCountNeitherWalksPastTheGridNorPastTheLastLevel) {
    Store(255);
    data::Preferences("load");
    std::vector<int> keys(8, VK_DOWN);
    keys.insert(keys.end(), 8, VK_RIGHT);
    keys.push_back(VK_RETURN);
    std::vector<int> framed;
    EXPECT_EQ(Walk(keys, &framed), State::NewGame);
    EXPECT_EQ(framed.back(), 30);
    EXPECT_EQ(CurrentLevel, 29);

    // Finishing that level ends the game rather than opening a 31st.
    Horizontals = int16_t(CurrentRow().LineQuota);
    backend.TapAt(platform::TickCount() + 20, VK_RETURN, 40);
    EXPECT_NE(levels::CompleteLevel(), State::NextLevel);
    EXPECT_EQ(LevelsUnlocked, 30);
    EXPECT_EQ(CurrentLevel, 29);
}

}  // namespace
