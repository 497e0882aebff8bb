// The falling piece: its shapes and cells, moving and turning at the walls
// and against the stack, landing and game over, and the fall pace.
#include <cmath>
#include <map>

#include "audio/audio.h"
#include "game/pieces.h"
#include "game/play.h"
#include "game/random.h"
#include "harness.h"
#include "platform/keyboard.h"
#include "powers/powers.h"
#include "well_helpers.h"

namespace {

using game::Landing;
using shell::State;
using test::SetWell;

// The six shapes a falling piece can have: four kinds, and the two bars
// lying down after a block rotation.
struct Shape {
    const char* name;
    uint8_t kind;
    bool lying;
    int cells, height;
};
const Shape Shapes[] = {
    {"bar", 1, false, 3, 3},  {"lying bar", 1, true, 3, 1},    {"block", 2, false, 8, 4},
    {"lying block", 2, true, 8, 2}, {"small square", 3, false, 4, 2}, {"big square", 4, false, 9, 3},
};

class Pieces : public test::Headless {
protected:
    void SetUp() override {
        Headless::SetUp();
        LevelTable[0] = LevelInfo{};
        Row().ColourLimit = 101;  // coloured balls only
        Row().StoneLimit = 101;
        Row().Speed = 10;
        Row().LineQuota = 5;
        UseLevel(0);
        SetWell({});
    }
    static LevelInfo& Row() { return LevelTable[0]; }

    // Deals a piece of the shape and places it above the well; a lying bar
    // is turned (by a block rotation) as soon as its grid may turn, at
    // PieceY = -24(n - 1). RotationMode is left as it was.
    static void Deal(const Shape& shape) {
        Row().PieceKind = shape.kind;
        game::MakePiece();
        game::PlacePiece();
        if (shape.lying) {
            const uint8_t mode = RotationMode;
            RotationMode = 1;
            PieceY = int16_t(-CellSize * (PieceSize - 1));
            game::RotatePiece();
            RotationMode = mode;
        }
    }
    static bool Occupied(int i, int j) { return !PieceGrid[i][j].Empty; }
    static int CellsOfPiece() {
        int n = 0;
        for (int i = 0; i < PieceSize; ++i)
            for (int j = 0; j < PieceSize; ++j) n += Occupied(i, j) ? 1 : 0;
        return n;
    }
    // The occupied part of the piece in well columns and rows.
    struct Extent {
        int left = 99, right = -99, top = 99, bottom = -99;
    };
    static Extent PieceExtent() {
        Extent e;
        for (int i = 0; i < PieceSize; ++i)
            for (int j = 0; j < PieceSize; ++j)
                if (Occupied(i, j)) {
                    const int x = PieceX / CellSize + i, y = PieceY / CellSize + j;
                    e.left = std::min(e.left, x), e.right = std::max(e.right, x);
                    e.top = std::min(e.top, y), e.bottom = std::max(e.bottom, y);
                }
        return e;
    }
    static int SlideLeft() {
        int moves = 0;
        while (game::CanMoveLeft() && moves < 12) {
            PieceX = int16_t(PieceX - CellSize);
            ++moves;
        }
        return moves;
    }
    static int SlideRight() {
        int moves = 0;
        while (game::CanMoveRight() && moves < 12) {
            PieceX = int16_t(PieceX + CellSize);
            ++moves;
        }
        return moves;
    }
    static Landing Drop() {
        for (int rows = 0; rows < 30; ++rows) {
            const Landing l = game::TestLanding();
            if (l != Landing::Falls) return l;
            PieceY = int16_t(PieceY + CellSize);
        }
        ADD_FAILURE() << "the piece never stops";
        return Landing::Falls;
    }
    // A settled column x holding blocks from row top down to the floor.
    static void Column(int x, int top) {
        for (int y = 0; y < WellRows; ++y) Well[x][y] = y >= top ? StoneCell : EmptyCell;
    }
    static void SetPiece(std::initializer_list<std::pair<std::pair<int, int>, char>> cells) {
        for (auto& column : PieceGrid)
            for (auto& cell : column) cell = EmptyCell;
        for (const auto& [at, c] : cells) PieceGrid[at.first][at.second] = test::CellOf(c);
    }
    static std::string GridColumn(int i) {
        std::string s;
        for (int j = 0; j < PieceSize; ++j) s += test::CharOf(PieceGrid[i][j]);
        return s;
    }
    static std::string GridRow(int j) {
        std::string s;
        for (int i = 0; i < PieceSize; ++i) s += test::CharOf(PieceGrid[i][j]);
        return s;
    }

    // Runs the piece control loop for at most ms milliseconds of the virtual
    // clock, noting the piece's position at every pass.
    struct Pass {
        int32_t t;
        int16_t x, y;
    };
    State Control(int32_t ms) {
        trace.clear();
        entry = backend.TickCount();
        backend.onYield = [this] { trace.push_back({backend.TickCount(), PieceX, PieceY}); };
        backend.CloseAt(entry + ms);
        State next = State::Shutdown;
        try {
            next = game::PieceControl();
        } catch (const platform::ProgramEnded&) {
        }
        backend.CloseAt(INT32_MAX);
        backend.onYield = nullptr;
        return next;
    }
    // The times, from the loop's start, at which the piece had just moved
    // down (or sideways).
    std::vector<int32_t> FallTimes() const { return ChangeTimes(false); }
    std::vector<int32_t> MoveTimes() const { return ChangeTimes(true); }
    std::vector<int32_t> ChangeTimes(bool sideways) const {
        std::vector<int32_t> times;
        int16_t last = sideways ? startX : startY;
        for (const Pass& p : trace) {
            const int16_t v = sideways ? p.x : p.y;
            if (v != last) times.push_back(p.t - 1 - entry);  // seen at the yield after the pass
            last = v;
        }
        return times;
    }
    void PlaceAt(int16_t x, int16_t y) {
        PieceX = startX = x;
        PieceY = startY = y;
    }
    static std::vector<int32_t> Steps(const std::vector<int32_t>& times) {
        std::vector<int32_t> d;
        for (size_t i = 1; i < times.size(); ++i) d.push_back(times[i] - times[i - 1]);
        return d;
    }

    std::vector<Pass> trace;
    int32_t entry = 0;
    int16_t startX = 0, startY = 0;
};

TEST_F(Pieces, EveryKindHasItsShapeAndItsNumberOfRolledCells) {
    Row().ColourLimit = 0;  // every rolled cell a wild ball, so none is empty
    Row().StoneLimit = 0;
    const std::map<int, std::vector<std::string>> rows = {
        {1, {".W.", ".W.", ".W."}},
        {2, {".WW.", ".WW.", ".WW.", ".WW."}},
        {3, {"WW", "WW"}},
        {4, {"WWW", "WWW", "WWW"}},
    };
    // Each kind after a bigger or smaller one: the grid is made anew.
    for (int kind : {4, 2, 3, 1, 2, 4, 1, 3}) {
        Row().PieceKind = uint8_t(kind);
        game::MakePiece();
        std::vector<std::string> got;
        for (int j = 0; j < PieceSize; ++j) got.push_back(GridRow(j));
        EXPECT_EQ(got, rows.at(kind)) << "kind " << kind;
        EXPECT_EQ(CellsOfPiece(), (std::map<int, int>{{1, 3}, {2, 8}, {3, 4}, {4, 9}}).at(kind));
    }
}

TEST_F(Pieces, CellRollsFollowTheLevelsLimits) {
    // Sample sizes and tolerances: five standard deviations of the count.
    constexpr int Rolls = 40400;
    struct Case {
        uint8_t colour, stone;
        double pColour, pStone, pWild;
    };
    const Case cases[] = {
        {0, 0, 0, 0, 1},                     // every cell a wild ball
        {50, 50, 50 / 101.0, 0, 51 / 101.0},  // no stones; 50 to 100 wild
        {60, 40, 40 / 101.0, 0, 61 / 101.0},  // stone limit below colour limit: 40 and up wild
        {101, 101, 1, 0, 0},                 // coloured balls only
        {90, 95, 90 / 101.0, 5 / 101.0, 6 / 101.0},
    };
    for (const Case& c : cases) {
        std::map<char, int> counts;
        for (int i = 0; i < Rolls; ++i) ++counts[test::CharOf(game::RollCell(c.colour, c.stone))];
        const int colours = counts['R'] + counts['G'] + counts['B'] + counts['Y'];
        auto near = [](int count, double p, int n) {
            const double mean = p * n, sd = std::sqrt(n * p * (1 - p));
            return std::fabs(count - mean) <= 5 * sd + 0.5;
        };
        const std::string limits = std::to_string(c.colour) + "/" + std::to_string(c.stone);
        EXPECT_TRUE(near(colours, c.pColour, Rolls)) << limits << ": " << colours << " coloured balls";
        EXPECT_TRUE(near(counts['S'], c.pStone, Rolls)) << limits << ": " << counts['S'] << " stones";
        EXPECT_TRUE(near(counts['W'], c.pWild, Rolls)) << limits << ": " << counts['W'] << " wild balls";
        EXPECT_EQ(colours + counts['S'] + counts['W'], Rolls) << limits;
        for (char k : {'R', 'G', 'B', 'Y'})
            EXPECT_TRUE(near(counts[k], 0.25, colours)) << limits << ": " << counts[k] << " of colour " << k;
    }
}

TEST_F(Pieces, RandomDrawsAreUniformOverTheirRanges) {
    // Chi-square over 101 and 4 values; the limits lie far beyond the 99.9th
    // percentile of a uniform generator (149 for 100 degrees, 16.3 for 3).
    auto chiSquare = [](int n, int draws) {
        std::vector<int> bins(size_t(n), 0);
        for (int i = 0; i < draws; ++i) {
            const int r = game::RandomBelow(n);
            if (r < 0 || r >= n) return 1e9;
            ++bins[size_t(r)];
        }
        const double expected = double(draws) / n;
        double chi = 0;
        for (int b : bins) chi += (b - expected) * (b - expected) / expected;
        return chi;
    };
    EXPECT_LT(chiSquare(101, 101 * 400), 170.0);
    EXPECT_LT(chiSquare(4, 40000), 25.0);
    // Reals lie in [0, 1), evenly over ten bands.
    std::vector<int> bands(10, 0);
    for (int i = 0; i < 50000; ++i) {
        const double r = game::Rnd();
        ASSERT_GE(r, 0.0);
        ASSERT_LT(r, 1.0);
        ++bands[size_t(r * 10)];
    }
    for (int b : bands) EXPECT_NEAR(b, 5000, 5 * std::sqrt(50000 * 0.1 * 0.9));
}

TEST_F(Pieces, FallIntervalByDifficulty) {
    struct Case {
        uint8_t speed;
        int easy, medium, hard;
    };
    for (const Case c : {Case{10, 96, 80, 64}, Case{7, 67, 56, 44}, Case{255, 2448, 2040, 1632}, Case{0, 0, 0, 0}}) {
        Row().Speed = c.speed;
        Difficulty = 1;
        EXPECT_EQ(game::FallDelay(), c.easy) << "Speed " << int(c.speed);
        Difficulty = 2;
        EXPECT_EQ(game::FallDelay(), c.medium) << "Speed " << int(c.speed);
        Difficulty = 3;
        EXPECT_EQ(game::FallDelay(), c.hard) << "Speed " << int(c.speed);
    }
}

TEST_F(Pieces, SlidingToTheWallsKeepsEveryCellInTheWell) {
    struct Case {
        int shape, mode;  // index into Shapes, RotationMode
        int leftmostX, rightmostX;
    };
    const Case cases[] = {
        {0, 0, -24, 192}, {0, 1, -24, 192}, {1, 1, 0, 168},    {2, 0, -24, 168}, {2, 1, -24, 168},
        {3, 1, 0, 144},   {4, 0, 0, 192},   {4, 1, 0, 192},    {5, 0, 0, 168},   {5, 1, 0, 168},
    };
    for (const Case& c : cases) {
        const Shape& shape = Shapes[c.shape];
        SCOPED_TRACE(std::string(shape.name) + " in rotation mode " + std::to_string(c.mode));
        RotationMode = uint8_t(c.mode);
        Deal(shape);
        PieceY = 120;
        const int16_t home = PieceX;
        SlideLeft();
        EXPECT_EQ(PieceX, c.leftmostX);
        EXPECT_EQ(PieceExtent().left, 0);
        SlideRight();
        EXPECT_EQ(PieceX, c.rightmostX);
        EXPECT_EQ(PieceExtent().right, 9);
        PieceX = home;
        SlideRight();
        EXPECT_EQ(PieceX, c.rightmostX);
    }
}

TEST_F(Pieces, TheStackBesideThePieceStopsASideMove) {
    for (const Shape& shape : Shapes) {
        SCOPED_TRACE(shape.name);
        SetWell({});
        Deal(shape);
        PieceY = 120;
        const Extent e = PieceExtent();
        // A neighbour as high as the piece's bottom row blocks; one row lower
        // it does not.
        Column(e.left - 1, e.bottom);
        EXPECT_FALSE(game::CanMoveLeft());
        Column(e.left - 1, e.bottom + 1);
        EXPECT_TRUE(game::CanMoveLeft());
        Column(e.right + 1, e.bottom);
        EXPECT_FALSE(game::CanMoveRight());
        Column(e.right + 1, e.bottom + 1);
        EXPECT_TRUE(game::CanMoveRight());
        // The far side does not matter.
        Column(e.left - 1, 0);
        EXPECT_TRUE(game::CanMoveRight());
    }
}

TEST_F(Pieces, NoSideMoveBeforeTheBottomRowIsInTheWell) {
    for (const Shape& shape : Shapes) {
        if (shape.lying) continue;
        SCOPED_TRACE(shape.name);
        Deal(shape);
        EXPECT_FALSE(game::CanMoveLeft());
        EXPECT_FALSE(game::CanMoveRight());
        PieceY = int16_t(PieceY + CellSize);  // the grid's bottom row on row 0
        EXPECT_TRUE(game::CanMoveLeft());
        EXPECT_TRUE(game::CanMoveRight());
    }
}

TEST_F(Pieces, ColourRotationCyclesABarsColoursWithoutATest) {
    RotationMode = 0;
    Deal(Shapes[0]);
    SetPiece({{{1, 0}, 'R'}, {{1, 1}, 'G'}, {{1, 2}, 'B'}});
    PieceX = -24;  // against the wall, above the well, over a full column
    PieceY = -72;
    Column(0, 0);
    game::RotatePiece();
    EXPECT_EQ(GridColumn(1), "GBR");
    EXPECT_EQ(GridColumn(0) + GridColumn(2), "......");
    game::RotatePiece();
    game::RotatePiece();
    EXPECT_EQ(GridColumn(1), "RGB");

    Deal(Shapes[2]);
    SetPiece({{{1, 0}, 'R'}, {{1, 1}, 'G'}, {{1, 2}, 'B'}, {{1, 3}, 'Y'},
              {{2, 0}, 'W'}, {{2, 1}, 'S'}, {{2, 2}, 'R'}, {{2, 3}, 'G'}});
    game::RotatePiece();
    EXPECT_EQ(GridColumn(1), "GBYR");
    EXPECT_EQ(GridColumn(2), "SRGW");
    EXPECT_EQ(GridColumn(0) + GridColumn(3), "........");
}

TEST_F(Pieces, BlockRotationTurnsABarAQuarterClockwise) {
    RotationMode = 1;
    Deal(Shapes[0]);
    SetPiece({{{1, 0}, 'R'}, {{1, 1}, 'G'}, {{1, 2}, 'B'}});
    PieceY = 0;
    game::RotatePiece();
    EXPECT_EQ(GridRow(1), "BGR");  // the old top is the right end
    EXPECT_EQ(GridRow(0) + GridRow(2), "......");
    game::RotatePiece();
    EXPECT_EQ(GridColumn(1), "BGR");  // upright again, reversed
    EXPECT_EQ(GridColumn(0) + GridColumn(2), "......");

    Deal(Shapes[2]);
    PieceY = 0;
    SetPiece({{{1, 0}, 'R'}, {{1, 1}, 'G'}, {{1, 2}, 'B'}, {{1, 3}, 'Y'},
              {{2, 0}, 'W'}, {{2, 1}, 'S'}, {{2, 2}, 'R'}, {{2, 3}, 'G'}});
    game::RotatePiece();
    EXPECT_EQ(GridRow(1), "YBGR");
    EXPECT_EQ(GridRow(2), "GRSW");
    EXPECT_EQ(GridRow(0) + GridRow(3), "........");
}

TEST_F(Pieces, SquaresTurnInEitherRotationMode) {
    for (uint8_t mode : {uint8_t(0), uint8_t(1)}) {
        RotationMode = mode;
        Deal(Shapes[4]);
        PieceY = 0;
        SetPiece({{{0, 0}, 'R'}, {{1, 0}, 'G'}, {{0, 1}, 'B'}, {{1, 1}, 'Y'}});
        game::RotatePiece();
        EXPECT_EQ(GridRow(0) + "/" + GridRow(1), "BR/YG") << "mode " << int(mode);

        Deal(Shapes[5]);
        PieceY = 0;
        SetPiece({{{0, 0}, 'R'}, {{1, 0}, 'G'}, {{2, 0}, 'B'}, {{0, 1}, 'Y'}, {{1, 1}, 'W'},
                  {{2, 1}, 'S'}, {{0, 2}, 'G'}, {{1, 2}, 'B'}, {{2, 2}, 'R'}});
        game::RotatePiece();
        EXPECT_EQ(GridRow(0) + "/" + GridRow(1) + "/" + GridRow(2), "GYR/BWG/RSB") << "mode " << int(mode);
    }
}

TEST_F(Pieces, BlockRotationNeedsRoomInsideTheWell) {
    RotationMode = 1;
    Deal(Shapes[0]);
    SetPiece({{{1, 0}, 'R'}, {{1, 1}, 'G'}, {{1, 2}, 'B'}});
    auto turns = [](int16_t x, int16_t y) {
        const std::string before = GridColumn(1);
        PieceX = x;
        PieceY = y;
        game::RotatePiece();
        const bool turned = GridColumn(1) != before;
        if (turned) {  // turn it back upright in its old order
            game::RotatePiece();
            game::RotatePiece();
            game::RotatePiece();
        }
        return turned;
    };
    EXPECT_FALSE(turns(-24, 120));  // grid's left column outside the wall
    EXPECT_FALSE(turns(192, 120));  // grid's right column outside the wall
    EXPECT_FALSE(turns(96, -72));   // bottom row above the well
    EXPECT_TRUE(turns(96, -48));
    EXPECT_TRUE(turns(0, 120));
    EXPECT_TRUE(turns(168, 120));
    // The cells at the grid's bottom corners must be free: grid columns 4
    // and 6 over bottom row 7.
    Column(4, 7);
    EXPECT_FALSE(turns(96, 120));
    EXPECT_TRUE(turns(96, 96));
    Column(4, 15);
    Column(6, 7);
    EXPECT_FALSE(turns(96, 120));
}

TEST_F(Pieces, EveryShapeFallsToTheFloorOfAnEmptyWell) {
    for (const Shape& shape : Shapes) {
        SCOPED_TRACE(shape.name);
        SetWell({});
        Deal(shape);
        EXPECT_EQ(Drop(), Landing::Lands);
        // The grid's edge reaches the floor, so a lying piece whose grid has
        // an empty bottom row stops one row above it.
        EXPECT_EQ(PieceY + CellSize * PieceSize, 384);
        EXPECT_EQ(PieceExtent().bottom, shape.lying ? 14 : 15);
        game::LandPiece();
        int blocks = 0;
        for (auto& column : Well)
            for (auto& cell : column) blocks += cell.Empty ? 0 : 1;
        EXPECT_EQ(blocks, shape.cells);
        EXPECT_FALSE(Well[PieceExtent().left][PieceExtent().bottom].Empty);
    }
}

TEST_F(Pieces, ALyingBarIsSettledOntoTheFloor) {
    Deal(Shapes[1]);
    SetPiece({{{0, 1}, 'R'}, {{1, 1}, 'G'}, {{2, 1}, 'B'}});
    ASSERT_EQ(Drop(), Landing::Lands);
    game::LandPiece();
    EXPECT_EQ(test::LowestRows(2), (std::vector<std::string>{"....RGB...", ".........."}));
    EXPECT_EQ(game::SettleWell(), State::Resolve);
    EXPECT_EQ(test::LowestRows(2), (std::vector<std::string>{"..........", "....RGB..."}));
}

TEST_F(Pieces, APieceComesToRestOnTheStackUnderAnyOfItsColumns) {
    for (const Shape& shape : Shapes)
        for (bool underRight : {false, true}) {
            SCOPED_TRACE(std::string(shape.name) + (underRight ? ", stack under its right column" : ""));
            SetWell({});
            Deal(shape);
            const Extent e = PieceExtent();
            Column(underRight ? e.right : e.left, 11);
            EXPECT_EQ(Drop(), Landing::Lands);
            EXPECT_EQ(PieceExtent().bottom, 10);
            game::LandPiece();
            EXPECT_EQ(test::CharOf(Well[underRight ? e.right : e.left][10]) != '.', true);
        }
}

TEST_F(Pieces, BlockedWhileStillAboveTheWellIsGameOver) {
    for (const Shape& shape : Shapes) {
        SCOPED_TRACE(shape.name);
        // Room for the whole piece above the stack: it lands in rows 0 on.
        SetWell({});
        Deal(shape);
        Column(PieceExtent().left, shape.height);
        EXPECT_EQ(Drop(), Landing::Lands);
        EXPECT_EQ(PieceExtent().top, 0);
        // One row less: its top row is still above the well.
        SetWell({});
        Deal(shape);
        Column(PieceExtent().left, shape.height - 1);
        EXPECT_EQ(Drop(), Landing::GameOver);
        EXPECT_EQ(PieceExtent().top, -1);
    }
}

TEST_F(Pieces, DrawingShowsOnlyTheRowsInsideTheWell) {
    LoadContent();
    Deal(Shapes[0]);
    SetPiece({{{1, 0}, 'R'}, {{1, 1}, 'S'}, {{1, 2}, 'B'}});
    PieceY = -24;
    platform::FillRect(platform::BackBuffer, platform::WholeSurface, platform::Rgb(255, 255, 255));
    game::DrawPiece();
    const uint16_t white = platform::ToPixel565(platform::Rgb(255, 255, 255));
    // Copied whole: the stone's transparent colour is drawn too.
    ASSERT_TRUE(platform::BlockSurfaces[4].HasColourKey());
    EXPECT_TRUE(test::SamePixels(platform::BackBuffer, CellRectOf(5, 0), platform::BlockSurfaces[4], {0, 0, 24, 24}));
    EXPECT_TRUE(test::SamePixels(platform::BackBuffer, CellRectOf(5, 1), platform::BlockSurfaces[2], {0, 0, 24, 24}));
    EXPECT_TRUE(test::AllPixels(platform::BackBuffer, {320, 26, 344, 50}, white));  // the red one above the well
    EXPECT_TRUE(test::AllPixels(platform::BackBuffer, CellRectOf(4, 0), white));     // the grid's empty columns
    EXPECT_TRUE(test::AllPixels(platform::BackBuffer, CellRectOf(6, 1), white));
}

// The piece control loop on the virtual clock.

TEST_F(Pieces, ThePieceFallsOneRowPerIntervalFasterWithDownOrSpace) {
    struct Case {
        std::vector<int> keys;
        uint8_t difficulty;
        int32_t interval;
    };
    const Case cases[] = {
        {{}, 2, 80}, {{}, 1, 96}, {{}, 3, 64}, {{platform::VK_DOWN}, 2, 50}, {{platform::VK_SPACE}, 2, 10},
        {{platform::VK_DOWN, platform::VK_SPACE}, 2, 50},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("interval " + std::to_string(c.interval));
        platform::ResetKeyboard();
        for (int vk : c.keys) platform::PressKey(vk);
        Difficulty = c.difficulty;
        Deal(Shapes[0]);
        PlaceAt(96, -72);
        EXPECT_EQ(Control(c.interval * 5 + c.interval / 2), State::Shutdown);
        const auto falls = FallTimes();
        ASSERT_EQ(falls.size(), 5u);
        EXPECT_EQ(falls[0], c.interval);  // the first step one interval after entry
        EXPECT_EQ(Steps(falls), std::vector<int32_t>(4, c.interval));
        EXPECT_EQ(PieceY, -72 + 5 * 24);
    }
}

TEST_F(Pieces, HeldKeysActAfterAHundredMillisecondsAndRepeat) {
    Row().Speed = 200;  // 1.6 s: no fall while we watch
    Deal(Shapes[0]);
    PlaceAt(96, 120);
    platform::PressKey(platform::VK_LEFT);  // held when the piece enters
    backend.ReleaseAt(backend.TickCount() + 350, platform::VK_LEFT);
    Control(1000);
    EXPECT_EQ(MoveTimes(), (std::vector<int32_t>{100, 200, 300}));
    EXPECT_EQ(PieceX, 24);
    EXPECT_TRUE(FallTimes().empty());

    // Up turns the bar's colours every 100 ms while held.
    SetPiece({{{1, 0}, 'R'}, {{1, 1}, 'G'}, {{1, 2}, 'B'}});
    backend.PressAt(backend.TickCount() + 10, platform::VK_UP);
    backend.ReleaseAt(backend.TickCount() + 250, platform::VK_UP);
    Control(400);
    EXPECT_EQ(GridColumn(1), "BRG");  // two turns: at 100 and 200 ms
}

TEST_F(Pieces, PauseStopsThePieceWhileTimeGoesOn) {
    Deal(Shapes[0]);
    PlaceAt(96, 0);
    const int32_t t0 = backend.TickCount();
    backend.TapAt(t0 + 20, platform::VkLetter('P'), 30);   // paused from 50 ms
    backend.TapAt(t0 + 500, platform::VkLetter('P'), 30);  // held from 500 ms: running again
    Control(600);
    const auto falls = FallTimes();
    ASSERT_FALSE(falls.empty());
    // The interval ran out during the pause: the step comes as soon as the
    // second press lets the loop run.
    EXPECT_EQ(falls[0], 500);
    EXPECT_EQ(Steps(falls), std::vector<int32_t>(falls.size() - 1, 80));
}

TEST_F(Pieces, LandingHandsOverToSettlingAndABlockedEntryEndsTheGame) {
    Deal(Shapes[0]);
    SetPiece({{{1, 0}, 'R'}, {{1, 1}, 'G'}, {{1, 2}, 'B'}});
    PlaceAt(96, 240);  // rows 10 to 12, one step above the floor stack
    Column(5, 13);
    platform::PressKey(platform::VK_SPACE);
    EXPECT_EQ(Control(1000), State::Settle);
    EXPECT_EQ(test::LowestRows(6)[0], ".....R....");
    EXPECT_EQ(test::LowestRows(6)[2], ".....B....");
    EXPECT_TRUE(audio::SoundLog().empty());

    // The next bar meets the stack at once.
    Deal(Shapes[0]);
    PlaceAt(96, -72);
    Column(5, 1);
    EXPECT_EQ(Control(1000), State::GameOver);
    EXPECT_EQ(audio::SoundLog(), (std::vector<std::string>{"rewind intro.wav", "music stop"}));
    EXPECT_TRUE(test::CharOf(Well[5][0]) == '.');

    audio::SoundLog().clear();
    MusicOn = 0;
    PlaceAt(96, -72);
    EXPECT_EQ(Control(1000), State::GameOver);
    EXPECT_TRUE(audio::SoundLog().empty());
}

TEST_F(Pieces, PowerKeysEscapeAndACompletedLevelLeaveTheLoop) {
    Deal(Shapes[0]);
    PlaceAt(96, 0);
    // Key 6 cannot be paid from 5; key 5 can.
    PowerMeter = 5;
    platform::PressKey(platform::VkDigit(6));
    platform::PressKey(platform::VkDigit(5));
    EXPECT_EQ(Control(100), State::FirePower);
    EXPECT_EQ(powers::PendingPower, 5);

    // The lower key first; Airstone is passed over with no stone in the well.
    platform::ResetKeyboard();
    PowerMeter = 16;
    platform::PressKey(platform::VkDigit(4));
    platform::PressKey(platform::VkDigit(5));
    EXPECT_EQ(Control(100), State::FirePower);
    EXPECT_EQ(powers::PendingPower, 5);
    Well[0][15] = StoneCell;
    EXPECT_EQ(Control(100), State::FirePower);
    EXPECT_EQ(powers::PendingPower, 4);
    platform::PressKey(platform::VkDigit(2));
    platform::PressKey(platform::VkDigit(3));
    EXPECT_EQ(Control(100), State::FirePower);
    EXPECT_EQ(powers::PendingPower, 2);
    EXPECT_EQ(PowerMeter, 16);  // paid for by the power, not here

    // Nothing to pay with: the keys do nothing and the piece falls.
    PowerMeter = 1;
    EXPECT_EQ(Control(200), State::Shutdown);
    EXPECT_FALSE(FallTimes().empty());

    platform::ResetKeyboard();
    backend.PressAt(backend.TickCount() + 30, platform::VK_ESCAPE);
    EXPECT_EQ(Control(200), State::ExitConfirm);

    platform::ResetKeyboard();
    LinesLeft = 0;
    audio::SoundLog().clear();
    EXPECT_EQ(Control(200), State::CompleteLevel);
    EXPECT_EQ(audio::SoundLog(), (std::vector<std::string>{"music stop"}));
    EXPECT_TRUE(trace.empty());  // the loop did not run
}

}  // namespace
