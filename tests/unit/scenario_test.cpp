// A short game on the virtual clock: scripted pieces are steered by key
// presses through the real piece control loop, land, settle, clear and
// cascade, and after each landing the well, the score and the screen agree.
#include "audio/audio.h"
#include "game/play.h"
#include "harness.h"
#include "platform/keyboard.h"
#include "well_helpers.h"

namespace {

using platform::PrimarySurface;
using platform::VK_DOWN;
using platform::VK_LEFT;
using platform::VK_UP;
using shell::State;

class Scenario : public test::Headless {
protected:
    void SetUp() override {
        Headless::SetUp();
        LoadContent();
        UseLevel(0);  // the first level as shipped: bars of three, runs of three
        ASSERT_EQ(CurrentRow().PieceKind, 1);
        ASSERT_EQ(MinBlocks, 3);
        ASSERT_EQ(CurrentRow().Directions, 0);
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

    // Presses a key for a while from a moment after now.
    void Hold(int vk, int32_t from, int32_t until) {
        const int32_t now = backend.TickCount();
        backend.PressAt(now + from, vk);
        backend.ReleaseAt(now + until, vk);
    }

    // Watches the screen while the piece falls: once the whole bar is in
    // the well, its three cells are drawn where the piece stands.
    void WatchFallingBar() {
        barSeen = false;
        barDrawnRight = true;
        backend.onYield = [this] {
            if (PieceY < 0 || barSeen) return;
            barSeen = true;
            const int x = PieceX / CellSize + 1;
            for (int j = 0; j < 3; ++j) {
                const Rect cell = CellRectOf(x, PieceY / CellSize + j);
                barDrawnRight = barDrawnRight &&
                                test::SamePixels(PrimarySurface, cell, platform::BlockSurfaces[PieceGrid[1][j].Sprite],
                                                 {0, 0, CellSize, CellSize});
            }
        };
    }

    bool barSeen = false, barDrawnRight = true;
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
    Hold(VK_DOWN, 1, 5000);
    Hold(VK_LEFT, 1, 350);
    WatchFallingBar();
    EXPECT_EQ(PlayFrom(State::PieceControl),
              (std::vector<State>{State::PieceControl, State::Settle, State::Resolve, State::Clear, State::Settle,
                                  State::Resolve}));
    EXPECT_TRUE(barSeen);
    EXPECT_TRUE(barDrawnRight);
    EXPECT_EQ(test::LowestRows(3), (std::vector<std::string>{"..........", "..B.......", "..BGG....."}));
    EXPECT_EQ(Score, 100);
    EXPECT_EQ(Horizontals, 1);
    EXPECT_EQ(LinesLeft, 4);
    EXPECT_EQ(PowerMeter, 1);
    EXPECT_TRUE(test::WellShown(PrimarySurface));
    EXPECT_TRUE(test::StripReads("+100"));
    EXPECT_TRUE(test::PanelReads(PrimarySurface, 230, "Score : 100"));
    EXPECT_TRUE(test::MeterCellLit(PrimarySurface, 1));
    EXPECT_FALSE(test::MeterCellLit(PrimarySurface, 2));
    EXPECT_EQ(test::Logged("play line.wav once"), 1);
    EXPECT_EQ(test::Logged("play sb.wav once"), 1);
    EXPECT_EQ(PieceY, -72);  // the next bar waits above the well

    // Second bar: blue, green, green, turned once (green, green, blue) and
    // steered onto the two blues: three blues upright clear, the greens drop
    // next to two greens and clear in their turn.
    SetBar("BGG");
    Hold(VK_UP, 1, 150);
    Hold(VK_DOWN, 1, 5000);
    Hold(VK_LEFT, 1, 350);
    WatchFallingBar();
    EXPECT_EQ(PlayFrom(State::PieceControl),
              (std::vector<State>{State::PieceControl, State::Settle, State::Resolve, State::Clear, State::Settle,
                                  State::Resolve, State::Clear, State::Settle, State::Resolve}));
    EXPECT_TRUE(barDrawnRight);
    EXPECT_EQ(test::LowestRows(3), (std::vector<std::string>{"..........", "..........", "..G......."}));
    EXPECT_EQ(Score, 200);
    EXPECT_EQ(Horizontals, 2);
    EXPECT_EQ(Verticals, 1);
    EXPECT_EQ(LinesLeft, 2);
    EXPECT_EQ(PowerMeter, 1);
    EXPECT_TRUE(test::WellShown(PrimarySurface));
    EXPECT_TRUE(test::StripReads("+50"));
    EXPECT_TRUE(test::PanelReads(PrimarySurface, 110, "Lines left : 2"));
    EXPECT_TRUE(test::PanelReads(PrimarySurface, 230, "Score : 200"));
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
    EXPECT_TRUE(barDrawnRight);
    EXPECT_EQ(test::LowestRows(3), (std::vector<std::string>{".....R....", ".....Y....", "..G..R...."}));
    EXPECT_EQ(Score, 200);
    EXPECT_EQ(LinesLeft, 2);
    EXPECT_TRUE(test::WellShown(PrimarySurface));
    // The points message went a second after it came.
    EXPECT_TRUE(test::SamePixels(PrimarySurface, StripRect, platform::BackgroundSurface, StripRect));
    EXPECT_EQ(test::Logged("play line.wav once"), 3);
    backend.onYield = nullptr;
}

}  // namespace
