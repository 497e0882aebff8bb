// The screens a player walks through, played on the virtual clock.
#include <vector>

#include "audio/audio.h"
#include "data/files.h"
#include "data/preferences.h"
#include "game/state.h"
#include "harness.h"
#include "platform/keyboard.h"
#include "platform/timing.h"
#include "shell/program.h"

namespace {

using platform::VK_DOWN;
using platform::VK_ESCAPE;
using platform::VK_RETURN;
using platform::VK_SPACE;
using shell::State;

class ScreenChain : public test::Headless {
protected:
    // Runs the whole program until the window closes at closeAt; returns the
    // states entered, in order.
    std::vector<State> RunUntil(int32_t closeAt) {
        std::vector<State> seen;
        shell::OnStateEntered = [&seen](State s) { seen.push_back(s); };
        backend.CloseAt(closeAt);
        shell::RunProgram();
        shell::OnStateEntered = nullptr;
        return seen;
    }
    static bool Saw(const std::vector<State>& seen, State s) {
        return std::find(seen.begin(), seen.end(), s) != seen.end();
    }
};

TEST_F(ScreenChain, MenuToLevelSelectToAPlayedLevel) {
    // Start-up: 100 ms black, 3.5 s message: the menu stands at about 3.6 s.
    backend.TapAt(4000, VK_RETURN, 100);   // New Game
    backend.TapAt(4500, VK_RETURN, 100);   // level 1, after Enter was released
    for (int t = 12000; t < 40000; t += 400) backend.TapAt(t, VK_SPACE, 50);
    const auto seen = RunUntil(40000);
    ASSERT_GE(seen.size(), 5u);
    EXPECT_EQ(seen[0], State::MainMenu);
    EXPECT_EQ(seen[1], State::LevelSelect);
    EXPECT_EQ(seen[2], State::NewGame);
    EXPECT_TRUE(Saw(seen, State::PieceControl));
    EXPECT_EQ(CurrentLevel, 0);
}

// From a chosen state, without start-up: the content is loaded, the states
// run in the program's loop until the window closes.
class StateChain : public test::Headless {
protected:
    struct Entry {
        State state;
        int32_t at;  // virtual ms after the start
        int16_t pieceX, pieceY;
    };

    void SetUp() override {
        Headless::SetUp();
        start_ = platform::TickCount();
        LoadContent();
        for (int i = 0; i < ScoreEntries; ++i) {
            ScoreNames[size_t(i)] = "Player " + std::to_string(i + 1);
            ScoreValues[size_t(i)] = 1000 - 100 * i;  // the tenth is 100
        }
    }

    // A key tap at a time after the start.
    void Tap(int32_t at, int vk, int32_t hold = 60) { backend.TapAt(start_ + at, vk, hold); }

    std::vector<Entry> RunFrom(State first, int32_t closeAfter) {
        std::vector<Entry> seen;
        backend.CloseAt(start_ + closeAfter);
        State s = first;
        try {
            while (s != State::Shutdown) {
                seen.push_back({s, platform::TickCount() - start_, PieceX, PieceY});
                s = shell::RunState(s);
            }
        } catch (const platform::ProgramEnded&) {
        }
        return seen;
    }

    static std::vector<State> States(const std::vector<Entry>& seen) {
        std::vector<State> states;
        for (const Entry& e : seen) states.push_back(e.state);
        return states;
    }
    // The states entered, leaving out those of a level's play.
    static std::vector<State> Screens(const std::vector<Entry>& seen) {
        std::vector<State> screens;
        for (const Entry& e : seen)
            if (e.state != State::Settle && e.state != State::Resolve && e.state != State::Clear &&
                e.state != State::PieceControl)
                screens.push_back(e.state);
        return screens;
    }

    int StoredLevelsUnlocked() {
        const uint8_t kept = LevelsUnlocked;
        data::Preferences("load");
        const int stored = LevelsUnlocked;
        LevelsUnlocked = kept;
        return stored;
    }

    // A well of stones only: nothing to clear and no room for a piece.
    static void StoneWell() {
        for (auto& column : Well)
            for (auto& cell : column) cell = StoneCell;
    }

    bool LoggedInOrder(const std::vector<std::string>& lines) const {
        const auto& log = audio::SoundLog();
        auto it = log.begin();
        for (const auto& line : lines) {
            it = std::find(it, log.end(), line);
            if (it == log.end()) return false;
            ++it;
        }
        return true;
    }

    int32_t start_ = 0;
};

TEST_F(StateChain, LevelCompleteLeadsToTheNextLevelKeepingTheScore) {
    UseLevel(3);
    LevelsUnlocked = 4;
    Score = 5000;
    PowerMeter = 7;
    Horizontals = int16_t(CurrentRow().LineQuota);
    LinesLeft = 0;
    const int nextMusic = LevelTable[4].Music;
    Tap(300, VK_RETURN);
    Tap(400, VK_ESCAPE, 30);  // skips the intro
    const auto seen = RunFrom(State::PieceControl, 4000);
    const auto states = States(seen);
    ASSERT_GE(states.size(), 5u);
    EXPECT_EQ(states[0], State::PieceControl);
    EXPECT_EQ(states[1], State::CompleteLevel);
    EXPECT_EQ(states[2], State::NextLevel);
    EXPECT_EQ(states[3], State::Settle);
    EXPECT_TRUE(std::find(states.begin() + 3, states.end(), State::PieceControl) != states.end());
    EXPECT_EQ(CurrentLevel, 4);
    EXPECT_EQ(LevelsUnlocked, 5);
    EXPECT_EQ(StoredLevelsUnlocked(), 5);
    EXPECT_EQ(Score, 5000);  // runs in the random fill clear unscored
    EXPECT_EQ(PowerMeter, 7);
    EXPECT_TRUE(LoggedInOrder({"music stop", "play finished.wav once", "stop finished.wav",
                               "music load mid" + std::to_string(nextMusic) + ".Mid repeats 999", "music play"}));
}

TEST_F(StateChain, LastLevelWithABetterScoreGoesToNameEntryThenTheFinale) {
    UseLevel(29);
    LevelsUnlocked = 30;
    Score = 101;
    Horizontals = int16_t(CurrentRow().LineQuota);
    LinesLeft = 0;
    Tap(100, VK_RETURN);
    backend.TypeAt(start_ + 400, "Ann");
    Tap(600, VK_RETURN);
    const auto seen = RunFrom(State::PieceControl, 1000);
    EXPECT_EQ(Screens(seen), std::vector<State>({State::CompleteLevel, State::NameEntry, State::Finale}));
    EXPECT_EQ(StoredLevelsUnlocked(), 30);
    EXPECT_EQ(FinalePending, True);
    EXPECT_EQ(ScoreNames[9], "Ann");
    EXPECT_EQ(ScoreValues[9], 101);
}

TEST_F(StateChain, LastLevelWithAScoreEqualToTheTenthGoesStraightToTheFinale) {
    UseLevel(29);
    LevelsUnlocked = 30;
    Score = 100;
    Horizontals = int16_t(CurrentRow().LineQuota);
    LinesLeft = 0;
    Tap(100, VK_RETURN);
    const auto seen = RunFrom(State::PieceControl, 500);
    EXPECT_EQ(Screens(seen), std::vector<State>({State::CompleteLevel, State::Finale}));
    EXPECT_EQ(StoredLevelsUnlocked(), 30);
}

TEST_F(StateChain, GameOverWithABetterScoreGoesToNameEntryThenTheBestPlayers) {
    UseLevel(0);
    StoneWell();
    Score = 101;
    Tap(5000, VK_ESCAPE);  // the skull rests from about 3.1 s after game over
    Tap(5400, VK_RETURN);
    Tap(6000, VK_ESCAPE);
    const auto seen = RunFrom(State::Settle, 6500);
    EXPECT_EQ(Screens(seen),
              std::vector<State>({State::GameOver, State::NameEntry, State::BestPlayers, State::MainMenu}));
    EXPECT_TRUE(LoggedInOrder({"rewind intro.wav", "music stop", "music stop", "rewind gameover.wav",
                               "play gameover.wav once"}));
}

TEST_F(StateChain, GameOverWithAScoreEqualToTheTenthGoesToTheMenu) {
    UseLevel(0);
    StoneWell();
    Score = 100;
    Tap(5000, VK_ESCAPE);
    const auto seen = RunFrom(State::Settle, 5500);
    EXPECT_EQ(Screens(seen), std::vector<State>({State::GameOver, State::MainMenu}));
}

TEST_F(StateChain, EscapeThenNoResumesThePieceWhereItWas) {
    UseLevel(0);  // an empty well; a step every 760 ms
    Tap(1000, VK_ESCAPE, 50);
    Tap(3000, platform::VkLetter('N'), 50);
    int16_t yAfterResume = -1000;
    backend.onYield = [&] {
        if (platform::TickCount() - start_ == 3700) yAfterResume = PieceY;
    };
    const auto seen = RunFrom(State::Resolve, 4500);
    backend.onYield = nullptr;
    const auto states = States(seen);
    ASSERT_EQ(states, std::vector<State>({State::Resolve, State::PieceControl, State::ExitConfirm,
                                          State::PieceControl}));
    const Entry &asked = seen[2], &resumed = seen[3];
    EXPECT_GE(asked.at, 1000);
    EXPECT_GE(resumed.at, 3000);
    EXPECT_EQ(resumed.pieceX, asked.pieceX);
    EXPECT_EQ(resumed.pieceY, asked.pieceY);
    EXPECT_GT(asked.pieceY, seen[1].pieceY);  // it had fallen before the question
    // The next step comes one whole interval after the answer.
    EXPECT_EQ(yAfterResume, asked.pieceY);
    EXPECT_EQ(PieceY, asked.pieceY + 24);
}

TEST_F(StateChain, EscapeThenYesLeavesForTheMenuStoppingTheLevelMusic) {
    UseLevel(0);
    Tap(1000, VK_ESCAPE, 50);
    Tap(2000, platform::VkLetter('Y'), 50);
    const auto seen = RunFrom(State::Resolve, 2500);
    EXPECT_EQ(States(seen), std::vector<State>({State::Resolve, State::PieceControl, State::ExitConfirm,
                                                State::MainMenu}));
    EXPECT_TRUE(LoggedInOrder({"music stop", "rewind intro.wav", "play intro.wav loop"}));
}

TEST_F(StateChain, MenuRoundTripsThroughOptionsAndQuickHelp) {
    Tap(100, VK_DOWN, 50);
    Tap(300, VK_RETURN);       // Options; this Enter changes nothing there
    Tap(600, VK_ESCAPE);       // saved, back to the menu on New Game
    Tap(800, VK_DOWN, 50);
    Tap(1000, VK_DOWN, 50);
    Tap(1200, VK_RETURN);      // Quick Help
    Tap(1600, VK_ESCAPE);
    Tap(1800, VK_RETURN);      // New Game again
    Tap(2000, VK_ESCAPE);
    const auto seen = RunFrom(State::MainMenu, 2400);
    EXPECT_EQ(States(seen), std::vector<State>({State::MainMenu, State::Options, State::MainMenu, State::QuickHelp,
                                                State::MainMenu, State::LevelSelect, State::MainMenu}));
    EXPECT_EQ(MusicOn, 1);
    EXPECT_TRUE(data::FileExists(userDir + "/prefs.znd"));
    const std::vector<std::string> expected = {
        "play intro.wav loop", "play intro.wav loop", "stop intro.wav",
        "helpmusic load piano.mid repeats 999 loop 11000-152500", "helpmusic play", "rewind intro.wav",
        "helpmusic stop", "play intro.wav loop", "play intro.wav loop"};
    EXPECT_EQ(audio::SoundLog(), expected);
}

}  // namespace
