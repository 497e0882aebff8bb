// A short game on the virtual clock: scripted pieces are steered by key
// presses through the real piece control loop, land, settle, clear and
// cascade, and after each landing the well, the score and the screen agree.
#include <optional>

#include "harness.h"
#include "platform/keyboard.h"
#include "well_helpers.h"

namespace {

using platform::BackgroundSurface;
using platform::PrimarySurface;
using platform::VK_DOWN;
using platform::VK_LEFT;
using platform::VK_UP;
using shell::State;
using test::WellOf;
using Counters = std::vector<int>;

class Scenario : public test::Loaded {
protected:
    void SetUp() override {
        Loaded::SetUp();
        UseLevel(0);  // the first level as shipped: bars of three, runs of three
        ASSERT_EQ(Counters({CurrentRow().PieceKind, MinBlocks, CurrentRow().Directions}), Counters({1, 3, 0}));
        RotationMode = 0;
    }

    // Runs states from s until play comes back to piece control with a new
    // piece (or leaves play); returns every state run, in order.
    std::vector<State> PlayFrom(State s) {
        std::vector<State> run;
        backend.CloseAt(backend.TickCount() + 60000);  // a stuck game ends here
        try {
            while (run.size() < 40) {
                run.push_back(s);
                s = shell::RunState(s);
                if (run.back() == State::PieceControl) platform::ReleaseAllKeys();  // the player lets go
                if (s == State::PieceControl || s == State::GameOver || s == State::CompleteLevel) break;
            }
        } catch (const platform::ProgramEnded&) {
            ADD_FAILURE() << "the game did not come back to a new piece";
        }
        backend.CloseAt(INT32_MAX);
        return run;
    }

    // Gives the dealt bar the colours top to bottom.
    static void SetBar(const char* colours) {
        ASSERT_EQ(PieceSize, 3);
        for (int j = 0; j < 3; ++j) PieceGrid[1][j] = test::CellOf(colours[j]);
    }

    // Watches the screen while the piece falls: once the whole bar is in
    // the well, whether its three cells are drawn where the piece stands.
    void WatchFallingBar() {
        barDrawn.reset();
        backend.onYield = [this] {
            if (PieceY < 0 || barDrawn) return;
            barDrawn = true;
            for (int j = 0; j < 3; ++j)
                barDrawn = *barDrawn && test::ShowsSprite(PrimarySurface, WellLeft + PieceX + CellSize,
                                                          WellTop + PieceY + CellSize * j,
                                                          platform::BlockSurfaces[PieceGrid[1][j].Sprite]);
        };
    }

    std::optional<bool> barDrawn;  // none while the bar is not yet in the well
};

TEST_F(Scenario, ThreeBarsLandClearAndCascade) {
    test::SetWell({"...G......",
                   "RR.RG....."});
    // The level has begun: the settled well is resolved and the first piece
    // is dealt above it.
    EXPECT_EQ(PlayFrom(State::Resolve), (std::vector<State>{State::Resolve}));
    EXPECT_EQ(ScoringOn, True);
    EXPECT_EQ(PieceX, 96);
    EXPECT_EQ(PieceY, -72);

    // First bar: blue, blue, red, steered three columns left and pushed
    // down. Its red ball completes four reds in the bottom row.
    SetBar("BBR");
    Tap(1, VK_DOWN, 4999);
    Tap(1, VK_LEFT, 349);
    WatchFallingBar();
    EXPECT_EQ(PlayFrom(State::PieceControl),
              (std::vector<State>{State::PieceControl, State::Settle, State::Resolve, State::Clear, State::Settle,
                                  State::Resolve}));
    EXPECT_EQ(barDrawn, true);
    EXPECT_EQ(test::WellRows16(), WellOf({"..B.......", "..BGG....."}));
    EXPECT_EQ(Counters({Score, Horizontals, Verticals, LinesLeft, PowerMeter}), Counters({100, 1, 0, 4, 1}));
    EXPECT_TRUE(test::WellShown(PrimarySurface));
    EXPECT_TRUE(
        test::ShowsText(PrimarySurface, StripRect.Left, StripRect.Top, "+100", &BackgroundSurface, StripRect.Right));
    EXPECT_TRUE(test::ShowsText(PrimarySurface, 20, 230, "Score : 100", &BackgroundSurface, PanelRect.Right));
    EXPECT_EQ(test::MeterLights(PrimarySurface), "o...............");
    EXPECT_EQ(test::Logged("play line.wav once"), 1);
    EXPECT_EQ(test::Logged("play sb.wav once"), 1);
    EXPECT_EQ(PieceY, -72);  // the next bar waits above the well

    // Second bar: blue, green, green, turned once (green, green, blue) and
    // steered onto the two blues: three blues upright clear, the greens drop
    // next to two greens and clear in their turn.
    SetBar("BGG");
    Tap(1, VK_UP, 149);
    Tap(1, VK_DOWN, 4999);
    Tap(1, VK_LEFT, 349);
    WatchFallingBar();
    EXPECT_EQ(PlayFrom(State::PieceControl),
              (std::vector<State>{State::PieceControl, State::Settle, State::Resolve, State::Clear, State::Settle,
                                  State::Resolve, State::Clear, State::Settle, State::Resolve}));
    EXPECT_EQ(barDrawn, true);
    EXPECT_EQ(test::WellRows16(), WellOf({"..G......."}));
    EXPECT_EQ(Counters({Score, Horizontals, Verticals, LinesLeft, PowerMeter}), Counters({200, 2, 1, 2, 1}));
    EXPECT_TRUE(test::WellShown(PrimarySurface));
    EXPECT_TRUE(
        test::ShowsText(PrimarySurface, StripRect.Left, StripRect.Top, "+50", &BackgroundSurface, StripRect.Right));
    EXPECT_TRUE(test::ShowsText(PrimarySurface, 20, 110, "Lines left : 2", &BackgroundSurface, PanelRect.Right));
    EXPECT_TRUE(test::ShowsText(PrimarySurface, 20, 230, "Score : 200", &BackgroundSurface, PanelRect.Right));
    EXPECT_EQ(test::Logged("play line.wav once"), 3);

    // Third bar: left alone, it falls where it was dealt at the level's
    // pace, one row per 760 ms, and lands on the seventeenth step; nothing
    // clears.
    SetBar("RYR");
    WatchFallingBar();
    const int32_t dealt = backend.TickCount();
    EXPECT_EQ(PlayFrom(State::PieceControl),
              (std::vector<State>{State::PieceControl, State::Settle, State::Resolve}));
    EXPECT_EQ(backend.TickCount() - dealt, 17 * 760 + 30);  // the fall, then one pass of settling
    EXPECT_EQ(barDrawn, true);
    EXPECT_EQ(test::WellRows16(), WellOf({".....R....", ".....Y....", "..G..R...."}));
    EXPECT_EQ(Counters({Score, LinesLeft}), Counters({200, 2}));
    EXPECT_TRUE(test::WellShown(PrimarySurface));
    // The points message went a second after it came.
    EXPECT_TRUE(test::ShowsSprite(PrimarySurface, StripRect.Left, StripRect.Top, BackgroundSurface, StripRect));
    EXPECT_EQ(test::Logged("play line.wav once"), 3);
    backend.onYield = nullptr;
}

}  // namespace
