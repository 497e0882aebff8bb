// Play on hand-built wells: finding runs, resolution, clearing and scoring
// with the points message and the meter, settling, and the status panel.
#include <tuple>

#include "audio/audio.h"
#include "game/play.h"
#include "harness.h"
#include "shell/window.h"
#include "well_helpers.h"

namespace {

using platform::BackBuffer;
using platform::BackgroundSurface;
using platform::PrimarySurface;
using shell::State;
using test::Rows;
using test::SetWell;
using test::WellOf;
using Entries = std::vector<RunEntry>;

// ---------------------------------------------------------------- detection

class Detection : public test::Headless {
protected:
    static Entries Find(const Rows& rows, int minBlocks = 3) {
        SetWell(rows);
        MinBlocks = uint8_t(minBlocks);
        game::FindRuns();
        return test::Runs();
    }
};

TEST_F(Detection, RunsOnHandBuiltWellsInScanOrder) {
    // One entry per start cell and direction, ordered by column, row and
    // direction (0 across, 1 down, 2 down-right, 3 up-right).
    EXPECT_EQ(Find({"RRRR......"}), (Entries{{0, 15, 0}, {1, 15, 0}}));
    EXPECT_EQ(Find({"R.........", "R.........", "RRR......."}), (Entries{{0, 13, 1}, {0, 15, 0}}));
    // A wild ball joins any colour, but a run keeps one colour.
    EXPECT_EQ(Find({"RWBB......"}), (Entries{{1, 15, 0}}));
    EXPECT_EQ(Find({"RRWBB....."}), (Entries{{0, 15, 0}, {2, 15, 0}}));
    EXPECT_EQ(Find({"WWW......."}), (Entries{{0, 15, 0}}));
    EXPECT_EQ(Find({".....W....", ".....Y....", ".....Y...."}), (Entries{{5, 13, 1}}));
    // Stones and gaps break runs and never start one.
    EXPECT_TRUE(Find({"RRSRR....."}).empty());
    EXPECT_TRUE(Find({"SSS.RR.R.."}).empty());
    EXPECT_TRUE(Find({"WWS......."}).empty());
    EXPECT_EQ(Find({"S.........", "W.........", "W.........", "W........."}), (Entries{{0, 13, 1}}));
    // Diagonals both ways; a rising one is found from its lowest cell.
    EXPECT_EQ(Find({"..G.......", "...G......", "....G...Y.", ".......Y..", "......Y...", ".....Y...."}),
              (Entries{{2, 10, 2}, {5, 15, 3}, {6, 14, 3}}));
    // Against the walls and the floor, and into the top-right corner.
    EXPECT_EQ(Find({".......RRR", "B........G", "B........G", "B........G"}),
              (Entries{{0, 13, 1}, {7, 12, 0}, {9, 13, 1}}));
    SetWell({});
    Well[7][2] = Well[8][1] = Well[9][0] = Colour4Cell;
    Well[7][13] = Well[8][14] = Well[9][15] = Colour2Cell;
    game::FindRuns();
    EXPECT_EQ(test::Runs(), (Entries{{7, 2, 3}, {7, 13, 2}}));
    // Overlapping runs of every direction.
    EXPECT_EQ(Find({"R.........", "RRR.......", "RRR.......", "RRRR......"}),
              (Entries{{0, 12, 1}, {0, 12, 2}, {0, 13, 0}, {0, 13, 1}, {0, 13, 2}, {0, 14, 0}, {0, 15, 0},
                       {0, 15, 3}, {1, 13, 1}, {1, 13, 2}, {1, 15, 0}, {2, 13, 1}}));
    // MinBlocks sets the length of a run.
    const Rows l = {"B.........", "B.........", "B.........", "B.........", "BYYYYY...."};
    EXPECT_EQ(Find(l, 4), (Entries{{0, 11, 1}, {0, 12, 1}, {1, 15, 0}, {2, 15, 0}}));
    EXPECT_EQ(Find(l, 5), (Entries{{0, 11, 1}, {1, 15, 0}}));
    EXPECT_TRUE(Find(l, 6).empty());
}

TEST_F(Detection, AWellFullOfWildBallsHasARunAtEveryStartThatFitsAndNoMore) {
    SetWell(Rows(WellRows, "WWWWWWWWWW"));
    for (int m : {3, 4, 5, 1}) {
        MinBlocks = uint8_t(m);
        game::FindRuns();
        // (11 - m) x 16 across, 10 x (17 - m) down and (11 - m) x (17 - m) each diagonal.
        EXPECT_EQ(RunCount, (11 - m) * 16 + 10 * (17 - m) + 2 * (11 - m) * (17 - m)) << "MinBlocks " << m;
    }
}

// ---------------------------------------------------------------- resolution

class Play : public test::Loaded {
protected:
    void SetUp() override {
        Loaded::SetUp();
        // A background that is not black, so that restored areas show.
        platform::FillRect(BackgroundSurface, platform::WholeSurface, platform::Rgb(40, 60, 120));
        LevelTable[0] = LevelInfo{};
        LevelTable[0].ColourLimit = LevelTable[0].StoneLimit = 101;
        LevelTable[0].MinBlocks = 3;
        LevelTable[0].LineQuota = 10;
        UseLevel(0);
        ScoringOn = True;
    }
    static void ScoreWell() {
        game::FindRuns();
        EXPECT_GE(RunCount, 1);
        game::ScoreRuns();
    }
};

TEST_F(Play, ResolutionDealsOnAStableWellOtherwiseClearsWithTheLineSound) {
    struct Case {
        uint8_t kind;
        int size, x, y;
    };
    for (const Case c : {Case{1, 3, 96, -72}, Case{2, 4, 72, -96}, Case{3, 2, 96, -48}, Case{4, 3, 96, -72}}) {
        SetWell({"RRGGRRGGRR"});
        LevelTable[0].PieceKind = c.kind;
        ScoringOn = False;
        EXPECT_EQ(game::ResolveWell(), State::PieceControl) << "kind " << int(c.kind);
        EXPECT_EQ(ScoringOn, True);
        EXPECT_EQ(std::vector<int>({PieceSize, PieceX, PieceY}), std::vector<int>({c.size, c.x, c.y}));
        EXPECT_FALSE(PieceGrid[1][0].Empty);
    }
    EXPECT_TRUE(audio::SoundLog().empty());
    SweepPending = True;  // an earned Sweep runs in place of the dealt piece
    EXPECT_EQ(game::ResolveWell(), State::Sweep);

    SetWell({"..G.......", "..G.......", "..G......."});
    for (uint8_t sound : {1, 0}) {
        SoundOn = sound;
        audio::SoundLog().clear();
        ScoringOn = False;
        EXPECT_EQ(game::ResolveWell(), State::Clear);
        EXPECT_EQ(test::Runs(), (Entries{{2, 13, 1}}));
        EXPECT_EQ(audio::SoundLog(), (sound ? Rows{"rewind line.wav", "play line.wav once"} : Rows{}));
        EXPECT_EQ(ScoringOn, False);  // only a stable well turns scoring on
    }
    // The run blinks ten times, a step every 20 ms, ends lit and goes.
    game::DrawWell();
    platform::Present();
    std::string phases = "o";  // the run's lowest cell at each change: lit 'o', dark '.'
    backend.onYield = [&] {
        const char now = test::AllPixels(PrimarySurface, CellRectOf(2, 15), 0) ? '.' : 'o';
        if (phases.back() != now) phases += now;
    };
    const int32_t t0 = backend.TickCount();
    EXPECT_EQ(game::ClearRuns(), State::Settle);
    backend.onYield = nullptr;
    EXPECT_EQ(phases, "o.o.o.o.o.o.o.o.o.o.o");
    EXPECT_TRUE(test::Between(backend.TickCount() - t0, 420, 425));
    EXPECT_EQ(test::Count('G'), 0);
}

// ---------------------------------------------------------------- scoring

TEST_F(Play, LinesLinksPointsAndTheMeter) {
    struct Case {
        Rows rows;
        int minBlocks, entries, h, v, d, points, meter;
    };
    const Case cases[] = {
        {{"G.........", "RRRRG....."}, 3, 2, 1, 0, 0, 100, 1},              // four in a row: one line, a link
        {{".R........", ".R........", "RRRR......"}, 3, 3, 2, 1, 0, 150, 0},  // not neighbours in scan order
        // Five in a row, but the vertical from (1, 13) stands between the
        // first two entries in scan order: two lines, one link.
        {{".R........", ".R........", "RRRRR....."}, 3, 4, 2, 1, 0, 200, 1},
        {{"YYYYY....."}, 3, 3, 1, 0, 0, 150, 2},
        {{"RWWB......"}, 3, 2, 1, 0, 0, 100, 1},  // red and blue entries link: colour plays no part
        {{"B........Y", ".B......Y.", "..B....Y..", "...B..Y..."}, 3, 4, 0, 0, 2, 200, 2},
        {{"GGGGGGG..."}, 5, 3, 1, 0, 0, 150, 2},  // MinBlocks does not change the points
        {{"..B.......", "...B......", "....B....."}, 3, 1, 0, 0, 1, 50, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rows.back());
        Score = PowerMeter = Horizontals = Verticals = Diagonals = 0;
        SetWell(c.rows);
        MinBlocks = uint8_t(c.minBlocks);
        game::FindRuns();
        EXPECT_EQ(RunCount, c.entries);
        game::ScoreRuns();
        EXPECT_EQ(std::vector<int>({Horizontals, Verticals, Diagonals, Score, PowerMeter}),
                  std::vector<int>({c.h, c.v, c.d, c.points, c.meter}));
        EXPECT_TRUE(test::ShowsText(PrimarySurface, StripRect.Left, StripRect.Top, "+" + std::to_string(c.points),
                                    &BackgroundSurface, StripRect.Right));
    }
}

TEST_F(Play, OnlyTheLevelsDirectionsCountTowardsTheQuotaAndLinesLeftStopsAtZero) {
    // One line in each direction: horizontal, falling diagonal, rising
    // diagonal, vertical.
    const int counted[4] = {4, 1, 1, 2};
    for (int directions = 0; directions < 4; ++directions) {
        LevelTable[0].Directions = uint8_t(directions);
        LinesLeft = 10;
        SetWell({"...B......", "....B.....", ".....B.Y.G", "......Y..G", "RRR..Y...G"});
        ScoreWell();
        ASSERT_EQ(RunCount, 4);
        EXPECT_EQ(LinesLeft, 10 - counted[directions]) << "Directions " << directions;
        EXPECT_EQ(game::RunCounts(1), directions == 0 || directions == 1);  // the horizontal
        EXPECT_EQ(game::RunCounts(4), directions == 0 || directions == 2);  // the vertical
        EXPECT_EQ(game::RunCounts(2), directions == 0 || directions == 3);  // falling diagonal
        EXPECT_EQ(game::RunCounts(3), directions == 0 || directions == 3);  // rising diagonal
    }
    EXPECT_EQ(Horizontals + Verticals + Diagonals, 16);  // every line is counted on the panel
    EXPECT_EQ(Score, 4 * 200);                           // points never depend on Directions
    LinesLeft = 1;
    ScoreWell();
    EXPECT_EQ(LinesLeft, 0);
    LinesLeft = -3;  // scored or not, a clearing never leaves it negative
    ScoringOn = False;
    ScoreWell();
    EXPECT_EQ(LinesLeft, 0);
}

TEST_F(Play, AnOverflowingMeterStopsAtSixteenAndEarnsASweepThatTheNextClearingTakesBack) {
    PowerMeter = 15;
    SetWell({"RRRRRR...."});  // four entries, three links
    ScoreWell();
    EXPECT_EQ(PowerMeter, 16);
    EXPECT_EQ(SweepPending, True);
    EXPECT_EQ(test::Logged("play sb.wav once"), 1);  // the display grows by one cell
    SetWell({"GGGG......"});  // a full meter gains nothing it can show
    ScoreWell();
    EXPECT_EQ(SweepPending, True);
    EXPECT_EQ(test::Logged("rewind sb.wav"), 1);
    SetWell({"YYY......."});  // a clearing of the cascade without overflow
    ScoreWell();
    EXPECT_EQ(PowerMeter, 16);
    EXPECT_EQ(SweepPending, False);
}

TEST_F(Play, LevelBonusPaysForBlocksLeftAndLinesBeyondTheQuota) {
    SetWell({"RGBYSWRGBY", "RGBYSWRGBY"});
    Horizontals = 5, Verticals = 4, Diagonals = 3;
    EXPECT_EQ(game::LevelBonus(), 4 * 20 + 5 * 2);
    SetWell({"S........."});
    Horizontals = 3, Verticals = Diagonals = 0;
    EXPECT_EQ(game::LevelBonus(), 4 - 5 * 7);
}

TEST_F(Play, BlocksFallTogetherOneRowEveryThirtyMillisecondsAndOnlyTheWellIsShown) {
    // Columns stay apart; the stone in column 1 falls 13 rows.
    SetWell({"S.........", "W.........", "RS........", "G.........", "B.........", "..........", "..........",
             "..........", "..........", "..........", "..........", "..........", "..........", "..........",
             ".........W", "Y........S"});
    const uint16_t white = platform::ToPixel565(platform::Rgb(255, 255, 255));
    platform::FillRect(BackBuffer, platform::WholeSurface, platform::Rgb(255, 255, 255));
    platform::Present();
    const int32_t start = backend.TickCount();
    EXPECT_EQ(game::SettleWell(), State::Resolve);
    EXPECT_EQ(backend.TickCount() - start, 14 * 30);  // the fourteenth pass moves nothing
    EXPECT_EQ(test::WellRows16(),
              WellOf({"S.........", "W.........", "R.........", "G.........", "B........W", "YS.......S"}));
    EXPECT_TRUE(test::WellShown(PrimarySurface));
    for (const auto& [x, y] : {std::pair{199, 100}, {440, 100}, {300, 434}, {300, 49}})
        EXPECT_EQ(PrimarySurface.Pixel(x, y), white);
}

// ---------------------------------------------------------------- the panel

TEST_F(Play, ThePanelShowsEveryValueAndFramesThePowersTheMeterCanPay) {
    LevelTable[0].MinBlocks = 4;
    LinesLeft = 0;
    Horizontals = 12;
    Verticals = 3;
    Score = -35;  // a level bonus can leave the score below zero
    const uint16_t white = platform::ToPixel565(platform::Rgb(255, 255, 255));
    platform::FillRect(BackBuffer, platform::WholeSurface, platform::Rgb(255, 255, 255));
    game::DrawStatusPanel();
    for (const auto& [y, text] : std::vector<std::pair<int, std::string>>{
             {110, "Lines left : 0"}, {150, "Horizontals : 12"}, {170, "Verticals : 3"}, {190, "Diagonals : 0"},
             {230, "Score : -35"}, {270, "Min blocks : 4"}})
        EXPECT_TRUE(test::ShowsText(BackBuffer, 20, y, text, &BackgroundSurface, PanelRect.Right));
    EXPECT_TRUE(test::ShowsSprite(BackBuffer, 20, 130, BackgroundSurface, {20, 130, 190, 150}));
    EXPECT_TRUE(test::AllPixels(BackBuffer, {190, 109, 640, 480}, white));  // nothing outside the panel
    EXPECT_TRUE(test::AllPixels(PrimarySurface, PanelRect, 0));             // nor shown yet
    game::PresentPanel();
    EXPECT_TRUE(test::ShowsSprite(PrimarySurface, PanelRect.Left, PanelRect.Top, BackBuffer, PanelRect));
    EXPECT_TRUE(test::AllPixels(PrimarySurface, {190, 109, 640, 480}, 0));

    const char* const labels[5] = {"(2) Sweep", "(3) Rain", "(4) Airstone", "(5) HolyCross", "(6) Bomb"};
    for (int meter : {0, 1, 2, 4, 5, 6, 16}) {
        PowerMeter = uint8_t(meter);
        game::DrawStatusPanel();
        for (int k = 2; k <= 6; ++k) {
            const int top = 309 + 20 * (k - 2), w = platform::TextWidth(labels[k - 2]);
            const platform::Colour expected = meter >= k ? platform::Rgb(0, 255, 0) : platform::Rgb(255, 0, 0);
            SCOPED_TRACE(std::string(labels[k - 2]) + " with the meter at " + std::to_string(meter));
            EXPECT_EQ(test::BackPixel(20 + w / 2, top), expected);       // top edge
            EXPECT_EQ(test::BackPixel(20, top + 9), expected);           // left edge
            EXPECT_EQ(test::BackPixel(20 + w - 1, top + 9), expected);   // right edge
            EXPECT_EQ(test::BackPixel(20 + w / 2, top + 18), expected);  // bottom edge
        }
    }
}

}  // namespace
