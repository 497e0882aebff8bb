// The screens a player walks through, played on the virtual clock.
#include <vector>

#include "audio/audio.h"
#include "game/state.h"
#include "harness.h"
#include "platform/keyboard.h"
#include "shell/program.h"

namespace {

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

}  // namespace
