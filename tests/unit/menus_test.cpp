// The main menu, the options screen, the quick help screen and the exit
// confirmation of a running game.
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "audio/audio.h"
#include "data/files.h"
#include "data/preferences.h"
#include "game/play.h"
#include "game/state.h"
#include "harness.h"
#include "platform/display.h"
#include "platform/keyboard.h"
#include "platform/timing.h"
#include "screen_checks.h"
#include "shell/program.h"
#include "shell/screens.h"
#include "shell/window.h"

namespace {

using platform::VK_DOWN;
using platform::VK_ESCAPE;
using platform::VK_RETURN;
using platform::VK_UP;
using shell::State;

class Menus : public test::Headless {
protected:
    void SetUp() override {
        Headless::SetUp();
        LoadContent();
    }

    // Key taps at times after now, each held 50 ms.
    void Taps(const std::vector<std::pair<int32_t, int>>& taps) {
        const int32_t now = platform::TickCount();
        for (const auto& [at, vk] : taps) backend.TapAt(now + at, vk, 50);
    }

    // Calls probe with the virtual time since now at every yield and every
    // busy-wait pass.
    void Watch(std::function<void(int32_t)> probe) {
        const int32_t now = platform::TickCount();
        backend.onYield = backend.onIdle = [probe, now] { probe(platform::TickCount() - now); };
    }
    void Unwatch() { backend.onYield = backend.onIdle = nullptr; }

    bool Logged(const std::string& line) const {
        const auto& log = audio::SoundLog();
        return std::find(log.begin(), log.end(), line) != log.end();
    }
};

// ---------------------------------------------------------------- main menu

class MainMenuTest : public Menus {};

TEST_F(MainMenuTest, EachEntryHandsOverAndOnlyQuickHelpAndExitStopTheTune) {
    struct Case {
        std::vector<int> moves;
        uint8_t choice;
        State next;
        bool stopsTune;
    };
    const Case cases[] = {
        {{}, 1, State::LevelSelect, false},
        {{VK_DOWN}, 2, State::Options, false},
        {{VK_DOWN, VK_DOWN}, 3, State::QuickHelp, true},
        {{VK_UP, VK_UP}, 4, State::BestPlayers, false},
        {{VK_UP}, 5, State::Shutdown, true},            // Up from New Game wraps to Exit
        {{VK_UP, VK_DOWN}, 1, State::LevelSelect, false},  // and Down from Exit back
    };
    for (uint8_t music : {1, 0})
        for (const Case& c : cases) {
            MusicOn = music;
            audio::SoundLog().clear();
            std::vector<std::pair<int32_t, int>> taps;
            for (size_t i = 0; i < c.moves.size(); ++i) taps.push_back({20 + 200 * int32_t(i), c.moves[i]});
            taps.push_back({20 + 200 * int32_t(c.moves.size()), VK_RETURN});
            Taps(taps);
            EXPECT_EQ(shell::MainMenu(), c.next) << "choice " << int(c.choice);
            EXPECT_EQ(MenuChoice, c.choice);
            std::vector<std::string> expected;
            if (music == 1) {
                expected.push_back("play intro.wav loop");
                if (c.stopsTune) expected.push_back("stop intro.wav");
            }
            EXPECT_EQ(audio::SoundLog(), expected) << "choice " << int(c.choice) << ", music " << int(music);
            EXPECT_TRUE(test::ShowsSprite(platform::PrimarySurface, 230, 120 + 40 * c.choice, platform::MarkerSurface));
            platform::ResetKeyboard();
        }
}

TEST_F(MainMenuTest, EntryResetsTheChoiceTheFinaleFlagAndTheStripTimer) {
    MenuChoice = 4;
    FinalePending = True;
    shell::EnableTimer1();
    Taps({{20, VK_RETURN}});
    EXPECT_EQ(shell::MainMenu(), State::LevelSelect);
    EXPECT_EQ(FinalePending, False);
    EXPECT_FALSE(shell::Timer1Enabled());
    EXPECT_EQ(UpdateRect, (platform::Rect{200, 110, 450, 370}));
    const auto& screen = platform::PrimarySurface;
    EXPECT_TRUE(test::ShowsSprite(screen, 230, 160, platform::MarkerSurface));
    EXPECT_FALSE(test::ShowsSprite(screen, 230, 320, platform::MarkerSurface));
    const std::map<int, std::string> texts = {{120, "MAIN MENU"}, {160, "New Game"},     {200, "Options"},
                                              {240, "Quick Help"}, {280, "Best Players"}, {320, "Exit"}};
    for (const auto& [y, text] : texts) EXPECT_TRUE(test::ShowsText(screen, 260, y, text, &platform::LogoSurface));
}

TEST_F(MainMenuTest, HeldDownMovesEveryHundredMillisecondsAndWraps) {
    const int32_t now = platform::TickCount();
    backend.PressAt(now + 10, VK_DOWN);
    backend.ReleaseAt(now + 460, VK_DOWN);
    backend.TapAt(now + 700, VK_ESCAPE);  // nothing in the menu
    backend.TapAt(now + 800, VK_RETURN);
    std::vector<std::pair<int32_t, int>> changes;
    int last = 1;
    Watch([&](int32_t t) {
        if (MenuChoice != last) changes.push_back({t, last = MenuChoice});
    });
    EXPECT_EQ(shell::MainMenu(), State::LevelSelect);
    Unwatch();
    ASSERT_EQ(changes.size(), 5u);
    const int order[] = {2, 3, 4, 5, 1};
    for (size_t i = 0; i < changes.size(); ++i) {
        EXPECT_EQ(changes[i].second, order[i]);
        if (i > 0) {
            EXPECT_GE(changes[i].first - changes[i - 1].first, 100);
            EXPECT_LE(changes[i].first - changes[i - 1].first, 103);
        }
    }
}

TEST_F(MainMenuTest, DownAndUpHeldTogetherCancelOut) {
    const int32_t now = platform::TickCount();
    backend.PressAt(now + 10, VK_DOWN);
    backend.PressAt(now + 10, VK_UP);
    backend.ReleaseAt(now + 500, VK_DOWN);
    backend.ReleaseAt(now + 500, VK_UP);
    backend.TapAt(now + 600, VK_RETURN);
    int movedAtAYield = 0;
    backend.onYield = [&] { movedAtAYield += MenuChoice != 1; };
    EXPECT_EQ(shell::MainMenu(), State::LevelSelect);
    backend.onYield = nullptr;
    EXPECT_EQ(movedAtAYield, 0);
}

// ---------------------------------------------------------------- options

class OptionsTest : public Menus {
protected:
    void SetUp() override {
        Menus::SetUp();
        UpdateRect = {200, 110, 450, 370};  // as the main menu leaves it
    }
    bool PrefsSaved() const { return data::FileExists(userDir + "/prefs.znd"); }
};

TEST_F(OptionsTest, ChoiceWrapsBothWays) {
    std::map<int32_t, int> seen;
    Watch([&](int32_t t) {
        if (t == 150 || t == 350) seen[t] = MenuChoice;
    });
    Taps({{20, VK_UP}, {220, VK_DOWN}, {420, VK_ESCAPE}});
    EXPECT_EQ(shell::OptionsScreen(), State::MainMenu);
    Unwatch();
    EXPECT_EQ(seen[150], 4);  // Up from Music: Rotation
    EXPECT_EQ(seen[350], 1);  // Down from Rotation: Music
}

TEST_F(OptionsTest, TheEnterThatChoseOptionsChangesNothing) {
    platform::PressKey(VK_RETURN);
    const int32_t now = platform::TickCount();
    backend.ReleaseAt(now + 300, VK_RETURN);
    backend.TapAt(now + 400, VK_ESCAPE);
    EXPECT_EQ(shell::OptionsScreen(), State::MainMenu);
    EXPECT_EQ(MusicOn, 1);
    EXPECT_TRUE(audio::SoundLog().empty());
}

TEST_F(OptionsTest, MusicOffStopsAndRewindsTheTuneAndOnPlaysItLooping) {
    platform::Surface afterOff;
    Watch([&](int32_t t) {
        if (t == 300) afterOff = platform::PrimarySurface;
    });
    Taps({{20, VK_RETURN}, {400, VK_RETURN}, {600, VK_ESCAPE}});
    EXPECT_EQ(shell::OptionsScreen(), State::MainMenu);
    Unwatch();
    EXPECT_EQ(MusicOn, 1);
    const std::vector<std::string> expected = {"stop intro.wav", "rewind intro.wav", "play intro.wav loop"};
    EXPECT_EQ(audio::SoundLog(), expected);
    EXPECT_TRUE(test::ShowsText(afterOff, 260, 200, "Music off", &platform::LogoSurface));
    EXPECT_TRUE(test::ShowsText(platform::PrimarySurface, 260, 200, "Music on", &platform::LogoSurface));
}

TEST_F(OptionsTest, ThreeEntersOnDifficultyComeBackToTheFirstValue) {
    std::map<int32_t, int> seen;
    Watch([&](int32_t t) {
        if (t == 380 || t == 580 || t == 780) seen[t] = Difficulty;
    });
    Taps({{20, VK_DOWN}, {220, VK_DOWN}, {300, VK_RETURN}, {500, VK_RETURN}, {700, VK_RETURN}, {900, VK_ESCAPE}});
    EXPECT_EQ(shell::OptionsScreen(), State::MainMenu);
    Unwatch();
    EXPECT_EQ(seen[380], 3);
    EXPECT_EQ(seen[580], 1);
    EXPECT_EQ(seen[780], 2);
    EXPECT_EQ(Difficulty, 2);
    EXPECT_TRUE(audio::SoundLog().empty());
}

TEST_F(OptionsTest, HeldEnterRepeatsTheChangeAboutEveryHundredMilliseconds) {
    const int32_t now = platform::TickCount();
    backend.TapAt(now + 20, VK_DOWN, 50);  // Sound FX
    backend.PressAt(now + 200, VK_RETURN);
    backend.ReleaseAt(now + 450, VK_RETURN);
    backend.TapAt(now + 600, VK_ESCAPE);
    std::vector<int32_t> changes;
    int last = SoundOn;
    Watch([&](int32_t t) {
        if (SoundOn != last) {
            last = SoundOn;
            changes.push_back(t);
        }
    });
    EXPECT_EQ(shell::OptionsScreen(), State::MainMenu);
    Unwatch();
    ASSERT_EQ(changes.size(), 3u);
    for (size_t i = 1; i < changes.size(); ++i) {
        EXPECT_GE(changes[i] - changes[i - 1], 100);
        EXPECT_LE(changes[i] - changes[i - 1], 105);
    }
    EXPECT_EQ(SoundOn, 0);
}

TEST_F(OptionsTest, RotationTextsFollowTheMode) {
    Taps({{20, VK_UP}, {200, VK_RETURN}, {400, VK_ESCAPE}});
    platform::Surface before;
    Watch([&](int32_t t) {
        if (t == 10) before = platform::PrimarySurface;
    });
    EXPECT_EQ(shell::OptionsScreen(), State::MainMenu);
    Unwatch();
    EXPECT_EQ(RotationMode, 1);
    EXPECT_TRUE(test::ShowsText(before, 260, 320, "Rotation:Color", &platform::LogoSurface));
    EXPECT_TRUE(test::ShowsText(before, 260, 280, "Difficulty Medium", &platform::LogoSurface));
    EXPECT_TRUE(test::ShowsText(before, 260, 160, "OPTIONS", &platform::LogoSurface));
    EXPECT_TRUE(test::ShowsText(platform::PrimarySurface, 260, 320, "Rotation:Block", &platform::LogoSurface));
    EXPECT_TRUE(test::ShowsSprite(platform::PrimarySurface, 230, 320, platform::MarkerSurface));
}

TEST_F(OptionsTest, EscapeSavesEvenWithNothingChanged) {
    MusicOn = 0;
    SoundOn = 0;
    Difficulty = 3;
    RotationMode = 1;
    LevelsUnlocked = 7;
    Taps({{20, VK_ESCAPE}});
    ASSERT_FALSE(PrefsSaved());
    EXPECT_EQ(shell::OptionsScreen(), State::MainMenu);
    ASSERT_TRUE(PrefsSaved());
    MusicOn = SoundOn = 1;
    Difficulty = 1;
    RotationMode = 0;
    LevelsUnlocked = 1;
    data::Preferences("load");
    EXPECT_EQ(MusicOn, 0);
    EXPECT_EQ(SoundOn, 0);
    EXPECT_EQ(Difficulty, 3);
    EXPECT_EQ(RotationMode, 1);
    EXPECT_EQ(LevelsUnlocked, 7);
}

// ---------------------------------------------------------------- quick help

class QuickHelpTest : public Menus {
protected:
    // The help items of a scrambled help file, read without the game's
    // reader: one item a line, quotes removed.
    static std::vector<std::string> ItemsOf(const std::string& path) {
        std::string bytes = data::ReadWholeFile(path);
        const std::string key = "Duke Ormand";
        for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = char(bytes[i] ^ key[i % key.size()]);
        std::vector<std::string> items;
        size_t start = 0;
        while (start < bytes.size()) {
            size_t end = bytes.find("\r\n", start);
            if (end == std::string::npos) end = bytes.size();
            std::string line = bytes.substr(start, end - start);
            if (line.size() >= 2 && line.front() == '"' && line.back() == '"') line = line.substr(1, line.size() - 2);
            items.push_back(line);
            start = end + 2;
        }
        return items;
    }

    // The text band as it should look with these lines.
    static platform::Surface Band(const std::vector<std::string>& lines) {
        platform::Surface band(640, 480);
        platform::FillRect(band, platform::WholeSurface, 0);
        band.SetForeColour(platform::Rgb(0, 255, 0));
        for (size_t i = 0; i < lines.size() && i < 20; ++i)
            platform::DrawSurfaceText(band, 15, 160 + 15 * int(i), lines[i]);
        return band;
    }

    // Runs the screen until Escape at 150 ms; returns what it showed at 100.
    platform::Surface RunHelp() {
        platform::Surface shown;
        Watch([&](int32_t t) {
            if (t == 100) shown = platform::BackBuffer;
        });
        Taps({{150, VK_ESCAPE}});
        EXPECT_EQ(shell::QuickHelp(), State::MainMenu);
        Unwatch();
        return shown;
    }

    static bool PlainHelpLeftIn(const std::string& folder) {
        std::error_code ignored;
        for (const auto& f : std::filesystem::recursive_directory_iterator(folder, ignored))
            if (f.path().filename() == "qhelp.txt") return true;
        return false;
    }
};

TEST_F(QuickHelpTest, ShowsTheTwentyItemsOfTheHelpFileAndLeavesNoPlainCopy) {
    const auto items = ItemsOf(data::ProgramFile("qhelp.znd"));
    ASSERT_EQ(items.size(), 20u);
    ASSERT_TRUE(std::any_of(items.begin(), items.end(), [](const std::string& s) {
        return s.find(',') != std::string::npos;
    })) << "the shipped help has an item with commas";
    const platform::Surface shown = RunHelp();
    EXPECT_TRUE(test::SameArea(shown, Band(items), {0, 160, 640, 470}));
    EXPECT_TRUE(test::ShowsText(shown, platform::CentredFloor(platform::TextWidth("ZINTARI QUICK HELP")), 20,
                                "ZINTARI QUICK HELP"));
    EXPECT_FALSE(PlainHelpLeftIn(tempDir));
    EXPECT_FALSE(PlainHelpLeftIn(userDir));
    EXPECT_FALSE(PlainHelpLeftIn(data::ProgramFolder()));
}

TEST_F(QuickHelpTest, PianoPlaysOnlyWithMusicOnAndTheMenuTuneIsRewound) {
    RunHelp();
    const std::vector<std::string> withMusic = {"helpmusic load piano.mid repeats 999 loop 11000-152500",
                                                "helpmusic play", "rewind intro.wav", "helpmusic stop"};
    EXPECT_EQ(audio::SoundLog(), withMusic);

    audio::SoundLog().clear();
    MusicOn = 0;
    RunHelp();
    const std::vector<std::string> silent = {"helpmusic load piano.mid repeats 999 loop 11000-152500",
                                             "rewind intro.wav"};
    EXPECT_EQ(audio::SoundLog(), silent);
}

TEST_F(QuickHelpTest, QuotedItemKeepsItsCommasAndAShortFileLeavesBlankLines) {
    const std::string folder = tempDir + "/program";
    std::filesystem::create_directories(folder);
    data::SetFolders(folder, userDir, tempDir);
    data::WriteScrambled(folder + "/qhelp.znd", "source.txt",
                         "First item\r\n\"Second, with, commas\"\r\nthird,fourth\r\n");
    const platform::Surface shown = RunHelp();
    EXPECT_TRUE(test::SameArea(shown, Band({"First item", "Second, with, commas", "third", "fourth"}),
                               {0, 160, 640, 470}));
    EXPECT_FALSE(PlainHelpLeftIn(tempDir));
}

TEST_F(QuickHelpTest, MissingHelpFileLeavesTheLinesBlank) {
    const std::string folder = tempDir + "/program";
    std::filesystem::create_directories(folder);
    data::SetFolders(folder, userDir, tempDir);
    const platform::Surface shown = RunHelp();
    EXPECT_TRUE(test::AllBlack(shown, {0, 160, 640, 470}));
}

// ---------------------------------------------------------------- exit confirmation

class ExitConfirmTest : public Menus {};

TEST_F(ExitConfirmTest, YesLeavesForTheMenuStoppingTheLevelMusic) {
    for (uint8_t music : {1, 0}) {
        MusicOn = music;
        audio::SoundLog().clear();
        Taps({{500, platform::VkLetter('Y')}});
        EXPECT_EQ(game::ExitConfirm(), State::MainMenu);
        std::vector<std::string> expected;
        if (music == 1) expected.push_back("music stop");
        expected.push_back("rewind intro.wav");
        EXPECT_EQ(audio::SoundLog(), expected);
        platform::ResetKeyboard();
    }
}

TEST_F(ExitConfirmTest, NoResumesSilentlyAndOtherKeysWait) {
    // P toggled on would pause the game resumed afterwards.
    platform::PressKey(platform::VkLetter('P'));
    platform::ReleaseKey(platform::VkLetter('P'));
    Taps({{100, platform::VK_SPACE}, {200, VK_ESCAPE}, {300, VK_RETURN}, {600, platform::VkLetter('N')}});
    const int32_t t0 = platform::TickCount();
    EXPECT_EQ(game::ExitConfirm(), State::PieceControl);
    EXPECT_GE(platform::TickCount() - t0, 600);
    EXPECT_TRUE(audio::SoundLog().empty());
    EXPECT_EQ(platform::GetKeyState(platform::VkLetter('P')) & 1, 0);
}

TEST_F(ExitConfirmTest, YesAndNoTogetherLeave) {
    const int32_t now = platform::TickCount();
    backend.PressAt(now + 50, platform::VkLetter('N'));
    backend.PressAt(now + 50, platform::VkLetter('Y'));
    EXPECT_EQ(game::ExitConfirm(), State::MainMenu);
}

TEST_F(ExitConfirmTest, QuestionIsDrawnOnTheScreenOverAGreyHatching) {
    platform::FillRect(platform::PrimarySurface, platform::WholeSurface, 0);
    platform::FillRect(platform::BackBuffer, platform::WholeSurface, 0);
    Taps({{50, platform::VkLetter('N')}});
    game::ExitConfirm();
    platform::Surface hatched(640, 480);
    platform::FillRect(hatched, platform::WholeSurface, 0);
    const uint16_t grey = platform::ToPixel565(platform::Rgb(128, 128, 128));
    for (int y = 220; y <= 256; y += 2)
        for (int x = 200; x < 440; ++x) hatched.SetPixel(x, y, grey);
    const auto& screen = platform::PrimarySurface;
    int left = 440, right = 200;
    for (const auto& [y, text] : std::map<int, std::string>{{220, "Are you sure you want to"},
                                                            {240, "exit to Main Menu? Y/N"}}) {
        const int w = platform::TextWidth(text), x = 320 - w / 2;
        EXPECT_TRUE(test::ShowsText(screen, x, y, text, &hatched));
        left = std::min(left, x);
        right = std::max(right, x + w);
    }
    // The hatching beside the texts and nothing below it.
    EXPECT_TRUE(test::SameArea(screen, hatched, {190, 218, left, 260}));
    EXPECT_TRUE(test::SameArea(screen, hatched, {right, 218, 450, 260}));
    EXPECT_TRUE(test::AllBlack(screen, {200, 260, 440, 264}));
    EXPECT_TRUE(test::AllBlack(platform::BackBuffer, platform::WholeSurface));
}

}  // namespace
