// Clearing runs: the blinking, the lines and their counters, the points and
// their message, the power meter and the free Sweep it may earn.
#include <algorithm>

#include "audio/audio.h"
#include "game/play.h"
#include "harness.h"
#include "powers/powers.h"
#include "shell/window.h"
#include "well_helpers.h"

namespace {

using platform::BackBuffer;
using platform::BackgroundSurface;
using platform::PrimarySurface;
using shell::State;
using test::SetWell;

class Scoring : public test::Headless {
protected:
    void SetUp() override {
        Headless::SetUp();
        LoadContent();
        // A background that is not black, so that restored areas show.
        platform::FillRect(BackgroundSurface, platform::WholeSurface, platform::Rgb(40, 60, 120));
        LevelTable[0].MinBlocks = 3;
        LevelTable[0].LineQuota = 10;
        LevelTable[0].Directions = 0;
        UseLevel(0);
        ScoringOn = True;
    }
    // Detection, then clearing with its blinking and scoring.
    State Clear() {
        game::FindRuns();
        EXPECT_GE(RunCount, 1);
        return game::ClearRuns();
    }
    // Detection and scoring alone.
    void ScoreWell() {
        game::FindRuns();
        EXPECT_GE(RunCount, 1);
        game::ScoreRuns();
    }
    static int SoundsOf(const std::string& line) {
        const auto& log = audio::SoundLog();
        return int(std::count(log.begin(), log.end(), line));
    }
    // The strip below the well on the screen reads exactly this text.
    static bool StripReads(const std::string& text) {
        const auto expected = test::TextOver(BackgroundSurface, StripRect.Left, StripRect.Top, text);
        return test::SamePixels(PrimarySurface, StripRect, expected, StripRect);
    }
    static bool StripBlank() { return test::SamePixels(PrimarySurface, StripRect, BackgroundSurface, StripRect); }
};

TEST_F(Scoring, FourInARowIsOneLineWithOneLink) {
    SetWell({"G.........",
             "RRRRG....."});
    const int32_t before = Score;
    EXPECT_EQ(Clear(), State::Settle);
    EXPECT_EQ(Horizontals, 1);
    EXPECT_EQ(Verticals + Diagonals, 0);
    EXPECT_EQ(LinesLeft, 9);
    EXPECT_EQ(Score, before + 100);
    EXPECT_TRUE(StripReads("+100"));
    EXPECT_FALSE(StripReads("+50"));
    EXPECT_EQ(PowerMeter, 1);
    EXPECT_EQ(SweepPending, False);
    EXPECT_EQ(test::LowestRows(2), (std::vector<std::string>{"G.........", "....G....."}));
}

TEST_F(Scoring, RunsThatAreNotNeighboursInScanOrderAreSeparateLines) {
    // (0,15,0), (1,13,1), (1,15,0): nothing continues its neighbour.
    SetWell({".R........",
             ".R........",
             "RRRR......"});
    Clear();
    EXPECT_EQ(RunCount, 3);
    EXPECT_EQ(Horizontals, 2);
    EXPECT_EQ(Verticals, 1);
    EXPECT_EQ(LinesLeft, 7);
    EXPECT_EQ(Score, 150);
    EXPECT_TRUE(StripReads("+150"));
    EXPECT_EQ(PowerMeter, 0);
    EXPECT_EQ(test::LowestRows(3), (std::vector<std::string>(3, "..........")));
}

TEST_F(Scoring, ALongRunSplitByAnotherEntryCountsAsTwoLines) {
    // Five in a row give (0,15,0), (1,15,0), (2,15,0), but the vertical run
    // from (1,13) stands between the first two in scan order.
    SetWell({".R........",
             ".R........",
             "RRRRR....."});
    game::FindRuns();
    ASSERT_EQ(test::Runs(), (std::vector<RunEntry>{{0, 15, 0}, {1, 13, 1}, {1, 15, 0}, {2, 15, 0}}));
    game::ScoreRuns();
    EXPECT_EQ(Horizontals, 2);
    EXPECT_EQ(Verticals, 1);
    EXPECT_EQ(LinesLeft, 7);
    EXPECT_EQ(Score, 200);
    EXPECT_EQ(PowerMeter, 1);  // only (1,15) to (2,15) is a link
}

TEST_F(Scoring, LongerRunsEarnPointsPerEntryAndPowerPerLink) {
    SetWell({"YYYYY....."});
    ScoreWell();
    EXPECT_EQ(Horizontals, 1);
    EXPECT_EQ(Score, 150);
    EXPECT_EQ(PowerMeter, 2);

    // Red and blue entries continue each other: colour plays no part.
    SetWell({"RWWB......"});
    ScoreWell();
    EXPECT_EQ(RunCount, 2);
    EXPECT_EQ(Horizontals, 2);
    EXPECT_EQ(Score, 250);
    EXPECT_EQ(PowerMeter, 3);
    EXPECT_TRUE(StripReads("+100"));

    // A longer diagonal links along its own direction, in both directions.
    SetWell({"B........Y",
             ".B......Y.",
             "..B....Y..",
             "...B..Y..."});
    ScoreWell();
    EXPECT_EQ(RunCount, 4);
    EXPECT_EQ(Diagonals, 2);
    EXPECT_EQ(Score, 450);
    EXPECT_EQ(PowerMeter, 5);
}

TEST_F(Scoring, MinBlocksDoesNotChangeThePoints) {
    LevelTable[0].MinBlocks = MinBlocks = 5;
    SetWell({"GGGGGGG..."});  // three entries of five
    ScoreWell();
    EXPECT_EQ(Horizontals, 1);
    EXPECT_EQ(Score, 150);
    EXPECT_EQ(PowerMeter, 2);
}

TEST_F(Scoring, OnlyTheLevelsDirectionsCountTowardsTheQuota) {
    // One line in each direction: horizontal, falling diagonal, rising
    // diagonal, vertical.
    const auto build = [] {
        SetWell({"...B......",
                 "....B.....",
                 ".....B.Y.G",
                 "......Y..G",
                 "RRR..Y...G"});
    };
    const int counted[4] = {4, 1, 1, 2};
    for (int directions = 0; directions < 4; ++directions) {
        LevelTable[0].Directions = uint8_t(directions);
        LinesLeft = 10;
        Horizontals = Verticals = Diagonals = 0;
        build();
        game::FindRuns();
        ASSERT_EQ(RunCount, 4);
        game::ScoreRuns();
        EXPECT_EQ(LinesLeft, 10 - counted[directions]) << "Directions " << directions;
        EXPECT_EQ(Horizontals, 1);
        EXPECT_EQ(Verticals, 1);
        EXPECT_EQ(Diagonals, 2);
        EXPECT_EQ(game::RunCounts(1), directions == 0 || directions == 1);  // the horizontal
        EXPECT_EQ(game::RunCounts(4), directions == 0 || directions == 2);  // the vertical
        EXPECT_EQ(game::RunCounts(2), directions == 0 || directions == 3);  // falling diagonal
        EXPECT_EQ(game::RunCounts(3), directions == 0 || directions == 3);  // rising diagonal
    }
    EXPECT_EQ(Score, 4 * 200);  // points never depend on Directions
}

TEST_F(Scoring, ALineOutsideTheLevelsDirectionsIsStillClearedAndCounted) {
    LevelTable[0].Directions = 1;  // horizontals only
    SetWell({"....B.....",
             "....B.....",
             "....B....."});
    EXPECT_EQ(Clear(), State::Settle);
    EXPECT_EQ(Verticals, 1);
    EXPECT_EQ(LinesLeft, 10);
    EXPECT_EQ(Score, 50);
    EXPECT_EQ(test::LowestRows(3), (std::vector<std::string>(3, "..........")));
}

TEST_F(Scoring, LinesLeftStopsAtZero) {
    LinesLeft = 1;
    SetWell({"G.........",
             "G.......Y.",
             "GRRR....Y.",
             "........Y."});
    ScoreWell();
    EXPECT_EQ(RunCount, 3);
    EXPECT_EQ(LinesLeft, 0);

    // Scored or not, a clearing never leaves it negative.
    LinesLeft = -3;
    ScoringOn = False;
    ScoreWell();
    EXPECT_EQ(LinesLeft, 0);
}

TEST_F(Scoring, ASingleEntryScoresFiftyAndCancelsAPendingSweep) {
    SweepPending = True;
    PowerMeter = 7;
    SetWell({"..B.......",
             "...B......",
             "....B....."});
    ScoreWell();
    EXPECT_EQ(Diagonals, 1);
    EXPECT_EQ(Score, 50);
    EXPECT_TRUE(StripReads("+50"));
    EXPECT_EQ(PowerMeter, 7);
    EXPECT_EQ(SweepPending, False);
    EXPECT_EQ(SoundsOf("rewind sb.wav"), 0);  // no growth, no blink
}

TEST_F(Scoring, AnOverflowingMeterStopsAtSixteenAndEarnsASweep) {
    PowerMeter = 15;
    SetWell({"RRRRRR...."});  // four entries, three links
    ScoreWell();
    EXPECT_EQ(PowerMeter, 16);
    EXPECT_EQ(SweepPending, True);
    EXPECT_EQ(SoundsOf("rewind sb.wav"), 1);  // the display grows by one cell
    EXPECT_EQ(SoundsOf("play sb.wav once"), 1);

    // A full meter gains nothing it can show, and the Sweep stays earned.
    audio::SoundLog().clear();
    SetWell({"GGGG......"});
    ScoreWell();
    EXPECT_EQ(PowerMeter, 16);
    EXPECT_EQ(SweepPending, True);
    EXPECT_EQ(SoundsOf("rewind sb.wav"), 0);

    // A later clearing of the cascade without overflow takes it back.
    SetWell({"YYY......."});
    ScoreWell();
    EXPECT_EQ(PowerMeter, 16);
    EXPECT_EQ(SweepPending, False);
}

TEST_F(Scoring, WithScoringOffRunsClearButNothingIsCounted) {
    ScoringOn = False;
    SweepPending = True;
    PowerMeter = 3;
    Score = 1000;
    platform::FillRect(BackBuffer, platform::WholeSurface, platform::Rgb(255, 255, 255));
    platform::Present();
    SetWell({".B........",
             ".B........",
             "RRRRR....."});
    EXPECT_EQ(Clear(), State::Settle);
    EXPECT_EQ(Score, 1000);
    EXPECT_EQ(LinesLeft, 10);
    EXPECT_EQ(Horizontals + Verticals + Diagonals, 0);
    EXPECT_EQ(PowerMeter, 3);
    EXPECT_EQ(SweepPending, True);
    EXPECT_FALSE(shell::Timer1Enabled());  // no message was shown
    EXPECT_TRUE(test::AllPixels(PrimarySurface, StripRect, platform::ToPixel565(platform::Rgb(255, 255, 255))));
    EXPECT_EQ(SoundsOf("rewind sb.wav"), 0);
    EXPECT_EQ(test::LowestRows(3), (std::vector<std::string>{".B........", ".B........", ".........."}));
    // The panel is redrawn from the background all the same.
    const auto expected = test::TextOver(BackgroundSurface, 20, 230, "Score : 1000");
    EXPECT_TRUE(test::SamePixels(PrimarySurface, test::TextBand(20, 230, 190), expected, test::TextBand(20, 230, 190)));
}

TEST_F(Scoring, ThePointsMessageStaysForASecond) {
    SetWell({"RRR......."});
    ScoreWell();
    EXPECT_TRUE(StripReads("+50"));
    EXPECT_TRUE(shell::Timer1Enabled());
    const int32_t shown = backend.TickCount();
    while (backend.TickCount() - shown < 990) shell::YieldToEvents();
    EXPECT_TRUE(StripReads("+50"));
    // A second message restarts the second and replaces the first (a full
    // meter, so that no growth animation passes time).
    PowerMeter = 16;
    SetWell({"GGGG......"});
    ScoreWell();
    EXPECT_TRUE(StripReads("+100"));
    const int32_t again = backend.TickCount();
    while (backend.TickCount() - again < 990) shell::YieldToEvents();
    EXPECT_TRUE(StripReads("+100"));
    while (backend.TickCount() - again < 1010) shell::YieldToEvents();
    EXPECT_TRUE(StripBlank());
    EXPECT_FALSE(shell::Timer1Enabled());
}

TEST_F(Scoring, TheMarkedCellsBlinkTwentyTimesAndEndLit) {
    ScoringOn = False;
    SetWell({"..B.......",
             "..B.......",
             "RRWY......"});  // red run and blue run share the wild ball
    game::DrawWell();
    platform::Present();
    game::FindRuns();
    ASSERT_EQ(RunCount, 2);

    struct Watch {
        int x, y;
        bool lastLit = true;
        int changes = 0, darkPhases = 0;
    };
    Watch marked[] = {{0, 15}, {2, 13}, {2, 15}};
    Watch unmarked{3, 15};
    bool stray = false;
    backend.onYield = [&] {
        for (Watch& w : marked) {
            const bool lit = test::CellShown(PrimarySurface, w.x, w.y);
            const bool dark = test::AllPixels(PrimarySurface, CellRectOf(w.x, w.y), 0);
            stray = stray || (!lit && !dark);
            if (lit != w.lastLit) {
                ++w.changes;
                w.darkPhases += lit ? 0 : 1;
                w.lastLit = lit;
            }
        }
        stray = stray || !test::CellShown(PrimarySurface, unmarked.x, unmarked.y);
    };
    const int32_t start = backend.TickCount();
    EXPECT_EQ(game::ClearRuns(), State::Settle);
    backend.onYield = nullptr;
    EXPECT_GE(backend.TickCount() - start, 21 * 20);
    EXPECT_LT(backend.TickCount() - start, 21 * 20 + 10);
    EXPECT_FALSE(stray);
    for (const Watch& w : marked) {
        EXPECT_EQ(w.darkPhases, 10) << "cell (" << w.x << ", " << w.y << ")";
        EXPECT_EQ(w.changes, 20);
        EXPECT_TRUE(w.lastLit);
    }
    // Emptied once the blinking is over; the well shows them until it settles.
    EXPECT_EQ(test::LowestRows(3), (std::vector<std::string>{"..........", "..........", "...Y......"}));
}

TEST_F(Scoring, GrowingMeterCellsBlinkInFromTheLowestWithASoundEach) {
    PowerMeter = 5;
    powers::DrawPowerMeter(powers::RedrawMeter);
    platform::Present();
    PowerMeter = 8;
    // Cells counted from the bottom: k has its top at 434 - 24k.
    auto lit = [](int k) {
        return test::SamePixels(PrimarySurface, {460, 434 - 24 * k, 484, 458 - 24 * k}, platform::BlockSurfaces[6],
                                {0, 0, 24, 24});
    };
    std::vector<int> order;
    backend.onYield = [&] {
        for (int k = 6; k <= 8; ++k)
            if (lit(k) && std::find(order.begin(), order.end(), k) == order.end()) order.push_back(k);
    };
    const int32_t start = backend.TickCount();
    powers::DrawPowerMeter(3);
    backend.onYield = nullptr;
    EXPECT_EQ(order, (std::vector<int>{6, 7, 8}));
    EXPECT_GE(backend.TickCount() - start, 3 * 21 * 10);
    for (int k = 1; k <= 8; ++k) EXPECT_TRUE(lit(k)) << "cell " << k;
    for (int k = 9; k <= 16; ++k)
        EXPECT_TRUE(test::AllPixels(PrimarySurface, {460, 434 - 24 * k, 484, 458 - 24 * k}, 0)) << "cell " << k;
    EXPECT_EQ(SoundsOf("rewind sb.wav"), 3);
    EXPECT_EQ(SoundsOf("play sb.wav once"), 3);

    // Without sound effects the sound is rewound but not played; a growth
    // of nothing does nothing.
    audio::SoundLog().clear();
    SoundOn = 0;
    powers::DrawPowerMeter(1);
    powers::DrawPowerMeter(0);
    EXPECT_EQ(audio::SoundLog(), (std::vector<std::string>{"rewind sb.wav"}));
}

TEST_F(Scoring, TheRedrawnMeterFillsFromTheBottom) {
    for (int m : {0, 6, 16}) {
        platform::FillRect(BackBuffer, platform::WholeSurface, platform::Rgb(255, 255, 255));
        PowerMeter = uint8_t(m);
        powers::DrawPowerMeter(powers::RedrawMeter);
        for (int k = 1; k <= 16; ++k) {
            const Rect cell{460, 434 - 24 * k, 484, 458 - 24 * k};
            if (k <= m)
                EXPECT_TRUE(test::SamePixels(BackBuffer, cell, platform::BlockSurfaces[6], {0, 0, 24, 24}))
                    << "meter " << m << " cell " << k;
            else
                EXPECT_TRUE(test::AllPixels(BackBuffer, cell, 0)) << "meter " << m << " cell " << k;
        }
    }
    // Drawn into the back buffer only.
    EXPECT_TRUE(test::AllPixels(PrimarySurface, MeterRect, 0));
}

TEST_F(Scoring, LevelBonusPaysForBlocksLeftAndLinesBeyondTheQuota) {
    SetWell({"RGBYSWRGBY",
             "RGBYSWRGBY"});
    LevelTable[0].LineQuota = 10;
    Horizontals = 5;
    Verticals = 4;
    Diagonals = 3;
    EXPECT_EQ(game::LevelBonus(), 4 * 20 + 5 * 2);

    SetWell({"S........."});
    Horizontals = 3;
    Verticals = Diagonals = 0;
    EXPECT_EQ(game::LevelBonus(), 4 - 5 * 7);
}

}  // namespace
