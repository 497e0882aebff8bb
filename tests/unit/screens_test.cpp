// The screens around the game: the main menu, options, quick help, the exit
// confirmation, level select and the finale.
#include <filesystem>
#include <map>
#include <set>
#include <tuple>

#include "audio/audio.h"
#include "game/random.h"
#include "data/preferences.h"
#include "ending/finale.h"
#include "game/play.h"
#include "harness.h"
#include "platform/display.h"
#include "platform/font.h"
#include "platform/keyboard.h"
#include "platform/timing.h"
#include "screen_checks.h"
#include "shell/screens.h"
#include "shell/window.h"

namespace {

using namespace platform;
using shell::State;
using Log = std::vector<std::string>;

class Screens : public test::Loaded {
protected:
    // Key taps at times after now, each held 50 ms.
    void Taps(const std::vector<std::pair<int32_t, int>>& taps) {
        for (const auto& [at, vk] : taps) Tap(at, vk, 50);
    }
};

// ---------------------------------------------------------------- main menu

TEST_F(Screens, EachMenuEntryHandsOverAndOnlyQuickHelpAndExitStopTheTune) {
    struct Case { std::vector<int> moves; uint8_t choice; State next; bool stopsTune; };
    const Case cases[] = {
        {{}, 1, State::LevelSelect, false},
        {{VK_DOWN}, 2, State::Options, false},
        {{VK_DOWN, VK_DOWN}, 3, State::QuickHelp, true},
        {{VK_UP, VK_UP}, 4, State::BestPlayers, false},
        {{VK_UP}, 5, State::Shutdown, true},               // Up from New Game wraps to Exit
        {{VK_UP, VK_DOWN}, 1, State::LevelSelect, false},  // and Down from Exit back
    };
    for (uint8_t music : {1, 0})
        for (const Case& c : cases) {
            MusicOn = music;
            MenuChoice = 4;
            FinalePending = True;
            shell::EnableTimer1();
            audio::SoundLog().clear();
            for (size_t i = 0; i <= c.moves.size(); ++i)  // the moves, then Enter
                Tap(20 + 200 * int32_t(i), i < c.moves.size() ? c.moves[i] : VK_RETURN, 50);
            EXPECT_EQ(shell::MainMenu(), c.next) << "choice " << int(c.choice);
            EXPECT_EQ(MenuChoice, c.choice);
            EXPECT_EQ(FinalePending, False);
            EXPECT_FALSE(shell::Timer1Enabled());
            const Log expected = !music         ? Log{}
                                 : c.stopsTune ? Log{"play intro.wav loop", "stop intro.wav"}
                                               : Log{"play intro.wav loop"};
            EXPECT_EQ(audio::SoundLog(), expected) << "choice " << int(c.choice) << ", music " << int(music);
            EXPECT_TRUE(test::ShowsSprite(PrimarySurface, 230, 120 + 40 * c.choice, MarkerSurface));
            ResetKeyboard();
        }
    const std::map<int, std::string> texts = {{120, "MAIN MENU"},  {160, "New Game"},     {200, "Options"},
                                              {240, "Quick Help"}, {280, "Best Players"}, {320, "Exit"}};
    for (const auto& [y, text] : texts) EXPECT_TRUE(test::ShowsText(PrimarySurface, 260, y, text, &LogoSurface));
}

// ---------------------------------------------------------------- options

TEST_F(Screens, OptionsChangeWithEnterAndEscapeSavesThem) {
    UpdateRect = {200, 110, 450, 370};  // as the main menu leaves it
    Surface first, afterOff;
    std::map<int32_t, int> difficulty;
    const int32_t t0 = TickCount();
    backend.onYield = backend.onIdle = [&] {  // at every yield and busy-wait pass
        const int32_t t = TickCount() - t0;
        if (t == 10) first = PrimarySurface;
        if (t == 300) afterOff = PrimarySurface;
        if (t == 980 || t == 1180 || t == 1380) difficulty[t] = Difficulty;
    };
    Taps({{20, VK_RETURN}, {400, VK_RETURN},                          // music off and on again
          {600, VK_DOWN}, {800, VK_DOWN}, {900, VK_RETURN}, {1100, VK_RETURN}, {1300, VK_RETURN},  // difficulty
          {1500, VK_DOWN}, {1700, VK_RETURN},                          // rotation
          {1900, VK_DOWN}, {2100, VK_DOWN}, {2300, VK_RETURN},         // Music again from the wrap, then Sound FX
          {2500, VK_ESCAPE}});
    EXPECT_EQ(shell::OptionsScreen(), State::MainMenu);
    backend.onYield = backend.onIdle = nullptr;
    for (const auto& [screen, y, text] : std::vector<std::tuple<const Surface*, int, std::string>>{
             {&first, 160, "OPTIONS"}, {&first, 280, "Difficulty Medium"}, {&first, 320, "Rotation:Color"},
             {&afterOff, 200, "Music off"}, {&PrimarySurface, 200, "Music on"},
             {&PrimarySurface, 240, "Sound FX off"}, {&PrimarySurface, 320, "Rotation:Block"}})
        EXPECT_TRUE(test::ShowsText(*screen, 260, y, text, &LogoSurface));
    EXPECT_EQ(difficulty, (std::map<int32_t, int>{{980, 3}, {1180, 1}, {1380, 2}}));
    EXPECT_EQ(audio::SoundLog(), (Log{"stop intro.wav", "rewind intro.wav", "play intro.wav loop"}));
    EXPECT_TRUE(test::ShowsSprite(PrimarySurface, 230, 240, MarkerSurface));

    MusicOn = SoundOn = Difficulty = 1;  // saved before leaving: the file says otherwise
    RotationMode = 0;
    data::Preferences("load");
    EXPECT_EQ(std::vector<int>({MusicOn, SoundOn, Difficulty, RotationMode}), std::vector<int>({1, 0, 2, 1}));
}

// ---------------------------------------------------------------- quick help

TEST_F(Screens, QuickHelpPlaysThePianoOnlyWithMusicOnAndLeavesNoPlainCopy) {
    for (uint8_t music : {1, 0}) {
        MusicOn = music;
        audio::SoundLog().clear();
        Tap(150, VK_ESCAPE);
        EXPECT_EQ(shell::QuickHelp(), State::MainMenu);
        const std::string load = "helpmusic load piano.mid repeats 999 loop 11000-152500";
        EXPECT_EQ(audio::SoundLog(), (music ? Log{load, "helpmusic play", "rewind intro.wav", "helpmusic stop"}
                                            : Log{load, "rewind intro.wav"}));
        ResetKeyboard();  // Escape is still held when the screen has gone
    }
    for (const auto& f : std::filesystem::recursive_directory_iterator(tempDir))
        ADD_FAILURE() << f.path() << " was left behind";
}

// ---------------------------------------------------------------- exit confirmation

TEST_F(Screens, ExitConfirmationYesLeavesNoResumesOtherKeysWait) {
    for (uint8_t music : {1, 0}) {
        MusicOn = music;
        audio::SoundLog().clear();
        Tap(500, VkLetter('Y'), 50);
        EXPECT_EQ(game::ExitConfirm(), State::MainMenu);
        EXPECT_EQ(audio::SoundLog(), (music ? Log{"music stop", "rewind intro.wav"} : Log{"rewind intro.wav"}));
        ResetKeyboard();
    }
    // P toggled on would pause the game resumed afterwards.
    SetKeyToggle(VkLetter('P'));
    audio::SoundLog().clear();
    Taps({{100, VK_SPACE}, {200, VK_ESCAPE}, {300, VK_RETURN}, {600, VkLetter('N')}});
    const int32_t t0 = TickCount();
    EXPECT_EQ(game::ExitConfirm(), State::PieceControl);
    EXPECT_GE(TickCount() - t0, 600);
    EXPECT_TRUE(audio::SoundLog().empty());
    EXPECT_EQ(GetKeyState(VkLetter('P')) & 1, 0);

    ResetKeyboard();
    backend.PressAt(TickCount() + 50, VkLetter('N'));
    backend.PressAt(TickCount() + 50, VkLetter('Y'));
    EXPECT_EQ(game::ExitConfirm(), State::MainMenu);  // both together leave
}

// ---------------------------------------------------------------- level select

class LevelSelect : public Screens {
protected:
    // The level the screen shows framed (0: none).
    static int Framed() {
        for (int level = 1; level <= 30; ++level)
            if (test::ShowsSprite(PrimarySurface, 45 * ((level - 1) % 6) + 186, 50 * ((level - 1) / 6) + 119,
                                  LevelIconSurface))
                return level;
        return 0;
    }
    // Taps each key 120 ms apart (held 40 ms) and notes the framed level
    // 110 ms after each; Enter ends the visit.
    State Walk(const std::vector<int>& keys, std::vector<int>* framed = nullptr) {
        const int32_t now = TickCount();
        std::set<int32_t> probes;
        for (size_t i = 0; i < keys.size(); ++i) {
            backend.TapAt(now + 50 + 120 * int32_t(i), keys[i], 40);
            probes.insert(now + 160 + 120 * int32_t(i));
        }
        backend.onYield = [&] {
            if (framed && probes.count(TickCount())) framed->push_back(Framed());
        };
        const State next = shell::LevelSelect();
        backend.onYield = nullptr;
        return next;
    }
    static bool Masked(int level) {
        const int row = (level - 1) / 6 + 1, column = (level - 1) % 6 + 1;
        return test::ShowsSprite(PrimarySurface, 45 * column + 141, 50 * row + 70, LevelMaskSurface);
    }
};

TEST_F(LevelSelect, MovesStayOnTheOpenLevelsWhichAloneAreUnmaskedAndEscapeChoosesNothing) {
    struct Case { int unlocked; std::vector<int> keys, framed; int chosen; };
    const Case cases[] = {
        {1, {VK_RIGHT, VK_DOWN, VK_LEFT, VK_UP, VK_RIGHT}, {1, 1, 1, 1, 1}, 1},
        // To level 6, the row's end; 12 locked; back to 2, down to 8; 9 and
        // 14 locked.
        {8,
         {VK_RIGHT, VK_RIGHT, VK_RIGHT, VK_RIGHT, VK_RIGHT, VK_RIGHT, VK_DOWN, VK_LEFT, VK_LEFT, VK_LEFT, VK_LEFT,
          VK_DOWN, VK_RIGHT, VK_DOWN},
         {2, 3, 4, 5, 6, 6, 6, 5, 4, 3, 2, 8, 8, 8},
         8},
        {30, {VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RIGHT, VK_RIGHT, VK_RIGHT, VK_RIGHT, VK_RIGHT, VK_RIGHT},
         {7, 13, 19, 25, 25, 26, 27, 28, 29, 30, 30}, 30},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.unlocked) + " open");
        LevelsUnlocked = uint8_t(c.unlocked);
        std::vector<int> keys = c.keys, framed;
        keys.push_back(VK_RETURN);
        audio::SoundLog().clear();
        EXPECT_EQ(Walk(keys, &framed), State::NewGame);
        EXPECT_EQ(framed, c.framed);
        EXPECT_EQ(CurrentLevel, c.chosen - 1);
        for (int level = 1; level <= 30; ++level) EXPECT_EQ(Masked(level), level > c.unlocked) << level;
        EXPECT_EQ(audio::SoundLog(), Log{"stop intro.wav"});
        const std::string title = "Level " + std::to_string(c.chosen) + " " + LevelTable[c.chosen - 1].Title;
        EXPECT_TRUE(test::ShowsText(BackBuffer, CentredFloor(TextWidth(title)), 65, title, &NewGameSurface));
    }
    CurrentLevel = 3;  // Escape goes back with the tune playing
    audio::SoundLog().clear();
    EXPECT_EQ(Walk({VK_RIGHT, VK_ESCAPE}), State::MainMenu);
    EXPECT_EQ(CurrentLevel, 3);
    EXPECT_TRUE(audio::SoundLog().empty());
}

// ---------------------------------------------------------------- the finale

TEST(Stars, AStarDriftsLeftIsDrawnOnceOffTheEdgeAndReEntersAnew) {
    game::SeedRandom(7);  // whatever tests ran before
    ending::Star s{.colour = 0x123456, .x = 5, .y = 77, .speed = 3};
    std::vector<int> xs;
    for (int i = 0; i < 4; ++i) ending::MoveStar(s), xs.push_back(s.x);
    EXPECT_EQ(xs, (std::vector<int>{2, -1, 640, 640 - s.speed}));  // drawn at -1 once, partly off the screen
    ending::Star edge{.x = 0, .speed = 4};
    ending::MoveStar(edge);
    EXPECT_EQ(edge.x, -4);  // 0 is still on the screen: it moves on first

    std::set<int> rows, speeds, channels;  // a re-entering star gets a new row, speed and pale colour
    for (int i = 0; i < 2000; ++i) {
        ending::Star r{.x = -2};
        ending::MoveStar(r);
        ASSERT_EQ(r.x, 640);
        rows.insert(r.y);
        speeds.insert(r.speed);
        for (int shift : {0, 8, 16}) channels.insert(r.colour >> shift & 255);
        ASSERT_EQ(r.colour >> 24, 0);
    }
    EXPECT_TRUE(*rows.begin() >= 0 && *rows.rbegin() < 480 && rows.size() > 400) << rows.size();  // anywhere down the screen
    EXPECT_EQ(speeds, (std::set<int>{1, 2, 3, 4}));
    EXPECT_EQ(*channels.begin(), 128);
    EXPECT_EQ(*channels.rbegin(), 255);
}

TEST_F(Screens, TheFinaleMusicPlaysAndStopsAShortTapIsMissedAndTheCurtainClosesFromTheMiddle) {
    MusicOn = 1;
    // Steps at 20, 40, 60, ...: a tap from 41 to 55 falls between two.
    backend.TapAt(41, VK_ESCAPE, 14);
    backend.CloseAt(300);
    EXPECT_THROW(ending::Finale(), ProgramEnded);
    EXPECT_EQ(audio::SoundLog(), (Log{"music load endmid.mid repeats 999", "music play"}));
    audio::SoundLog().clear();
    backend.TapAt(400, VK_ESCAPE);
    backend.CloseAt(700);  // the window closes during the curtain
    EXPECT_THROW(ending::Finale(), ProgramEnded);
    EXPECT_EQ(audio::SoundLog(), (Log{"music load endmid.mid repeats 999", "music play", "music stop"}));
    // About 280 ms into the curtain, 4 pixels a side every 20 ms: the middle
    // of the picture is black, its edges still shown.
    EXPECT_TRUE(test::AllPixels(PrimarySurface, {290, 0, 350, 480}, 0));
    EXPECT_TRUE(test::ShowsSprite(PrimarySurface, FinaleRect.Left, FinaleRect.Top, FinaleSurface, {0, 0, 10, 144},
                                  Key::None));
}

}  // namespace
