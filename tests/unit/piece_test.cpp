// The falling piece: its shapes and cells, moving and turning at the walls
// and against the stack, landing and game over, and the control loop's pace.
#include <set>
#include <tuple>

#include "audio/audio.h"
#include "game/pieces.h"
#include "game/play.h"
#include "harness.h"
#include "platform/keyboard.h"
#include "well_helpers.h"

namespace {

using game::Landing;
using shell::State;
using test::SetWell;

// The six shapes a falling piece can have: four kinds, and the two bars
// lying down after a block rotation.
struct Shape { const char* name; uint8_t kind; bool lying; int cells, height; };
const Shape Shapes[] = {
    {"bar", 1, false, 3, 3},        {"lying bar", 1, true, 3, 1},     {"block", 2, false, 8, 4},
    {"lying block", 2, true, 8, 2}, {"small square", 3, false, 4, 2}, {"big square", 4, false, 9, 3},
};

class Pieces : public test::Loaded {
protected:
    void SetUp() override {
        Loaded::SetUp();
        LevelTable[0] = LevelInfo{};
        Row().ColourLimit = Row().StoneLimit = 101;  // coloured balls only
        Row().Speed = 10;
        Row().LineQuota = 5;
        UseLevel(0);
        SetWell({});
    }
    static LevelInfo& Row() { return LevelTable[0]; }

    // Deals a piece of the shape above the well; a lying one is turned (by
    // a block rotation) as soon as its grid may turn.
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
    // The occupied part of the piece in well columns and rows.
    struct Extent { int left = 99, right = -99, top = 99, bottom = -99; };
    static Extent PieceExtent() {
        Extent e;
        for (int i = 0; i < PieceSize; ++i)
            for (int j = 0; j < PieceSize; ++j)
                if (!PieceGrid[i][j].Empty) {
                    const int x = PieceX / CellSize + i, y = PieceY / CellSize + j;
                    e.left = std::min(e.left, x), e.right = std::max(e.right, x);
                    e.top = std::min(e.top, y), e.bottom = std::max(e.bottom, y);
                }
        return e;
    }
    static void Slide(int step) {
        for (int moves = 0; moves < 12 && (step < 0 ? game::CanMoveLeft() : game::CanMoveRight()); ++moves)
            PieceX = int16_t(PieceX + step * CellSize);
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
    // A settled column x holding stones from row top down to the floor.
    static void Column(int x, int top) {
        for (int y = 0; y < WellRows; ++y) Well[x][y] = y >= top ? StoneCell : EmptyCell;
    }
    // The grid as text, rows joined by '/', and back.
    static std::string Grid() {
        std::string s;
        for (int j = 0; j < PieceSize; ++j) {
            if (j) s += '/';
            for (int i = 0; i < PieceSize; ++i) s += test::CharOf(PieceGrid[i][j]);
        }
        return s;
    }
    static void SetGrid(const std::string& text) {
        for (auto& column : PieceGrid)
            for (auto& cell : column) cell = EmptyCell;
        int i = 0, j = 0;
        for (char c : text) {
            if (c == '/') ++j, i = 0;
            else PieceGrid[i++][j] = test::CellOf(c);
        }
    }

    // Runs the piece control loop for at most ms, noting the times from its
    // start at which the piece had just moved down and sideways.
    State Control(int32_t ms) {
        falls.clear();
        moves.clear();
        const int32_t entry = backend.TickCount();
        int16_t x = PieceX, y = PieceY;
        backend.onYield = [&] {
            const int32_t t = backend.TickCount() - 1 - entry;  // seen at the yield after the pass
            if (PieceY != y) falls.push_back(t), y = PieceY;
            if (PieceX != x) moves.push_back(t), x = PieceX;
        };
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
    std::vector<int32_t> falls, moves;

    // Whether the screen shows the upright bar where it stands.
    static ::testing::AssertionResult BarShown() {
        for (int j = 0; j < 3; ++j)
            if (auto shown = test::ShowsSprite(platform::PrimarySurface, WellLeft + PieceX + CellSize,
                                               WellTop + PieceY + CellSize * j,
                                               platform::BlockSurfaces[PieceGrid[1][j].Sprite]);
                !shown)
                return shown << " (cell " << j << " of the bar)";
        return ::testing::AssertionSuccess();
    }
};

TEST_F(Pieces, CellRollsFollowTheLevelsLimits) {
    // Below the colour limit a colour, from the stone limit a wild ball,
    // between them a stone.
    for (const auto& [colour, stone, kinds] : {std::tuple{0, 0, "W"}, {101, 101, "BGRY"}, {60, 40, "BGRWY"},
                                               {90, 95, "BGRSWY"}}) {
        std::set<char> seen;
        for (int i = 0; i < 2000; ++i) seen.insert(test::CharOf(game::RollCell(uint8_t(colour), uint8_t(stone))));
        EXPECT_EQ(std::string(seen.begin(), seen.end()), kinds) << colour << "/" << stone;
    }
}

TEST_F(Pieces, SideMovesNeedTheBottomRowInTheWellAndRoomBesideAndStopAtTheWalls) {
    for (const Shape& shape : Shapes) {
        SCOPED_TRACE(shape.name);
        SetWell({});
        Deal(shape);
        if (!shape.lying) {
            EXPECT_FALSE(game::CanMoveLeft());
            EXPECT_FALSE(game::CanMoveRight());
            PieceY = int16_t(PieceY + CellSize);  // the grid's bottom row on row 0
            EXPECT_TRUE(game::CanMoveLeft());
            EXPECT_TRUE(game::CanMoveRight());
        }
        PieceY = 120;
        const int16_t x = PieceX;
        Slide(-1);
        EXPECT_EQ(PieceExtent().left, 0);
        Slide(+1);
        EXPECT_EQ(PieceExtent().right, 9);
        PieceX = x;
        const Extent e = PieceExtent();
        // A neighbour as high as the piece's bottom row blocks; one row
        // lower it does not; the far side does not matter.
        Column(e.left - 1, e.bottom);
        EXPECT_FALSE(game::CanMoveLeft());
        EXPECT_TRUE(game::CanMoveRight());
        Column(e.left - 1, e.bottom + 1);
        EXPECT_TRUE(game::CanMoveLeft());
        Column(e.right + 1, e.bottom);
        EXPECT_FALSE(game::CanMoveRight());
        Column(e.right + 1, e.bottom + 1);
        EXPECT_TRUE(game::CanMoveRight());
    }
}

TEST_F(Pieces, ColourRotationCyclesBlockRotationTurnsClockwiseSquaresAlwaysTurn) {
    struct Case { uint8_t mode; int shape; const char *before, *after; };
    const Case cases[] = {
        {0, 0, ".R./.G./.B.", ".G./.B./.R."},  // colours move up, the top one to the bottom
        {0, 2, ".RW./.GS./.BR./.YG.", ".GS./.BR./.YG./.RW."},
        {1, 0, ".R./.G./.B.", ".../BGR/..."},  // a quarter turn clockwise: the old top is the right end
        {1, 0, ".../BGR/...", ".B./.G./.R."},  // upright again, reversed
        {0, 4, "RG/BY", "BR/YG"},              // squares turn in either mode
        {1, 4, "RG/BY", "BR/YG"},
        {0, 5, "RGB/YWS/GBR", "GYR/BWG/RSB"},
        {1, 5, "RGB/YWS/GBR", "GYR/BWG/RSB"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.before) + " in rotation mode " + std::to_string(c.mode));
        SetWell({});
        RotationMode = c.mode;
        Deal(Shapes[c.shape]);
        SetGrid(c.before);
        PieceY = 0;
        if (c.mode == 0 && Shapes[c.shape].kind <= 2) {  // colour rotation needs no room
            PieceX = -24, PieceY = int16_t(-CellSize * PieceSize);
            Column(0, 0);
        }
        game::RotatePiece();
        EXPECT_EQ(Grid(), c.after);
    }
}

TEST_F(Pieces, BlockRotationNeedsRoomInsideTheWell) {
    RotationMode = 1;
    Deal(Shapes[0]);
    SetGrid(".R./.G./.B.");
    auto turns = [](int16_t x, int16_t y) {
        const std::string before = Grid();
        PieceX = x;
        PieceY = y;
        game::RotatePiece();
        const bool turned = Grid() != before;
        if (turned)  // back upright in its old order
            for (int i = 0; i < 3; ++i) game::RotatePiece();
        return turned;
    };
    // Not with the grid's left or right column outside the walls, nor its
    // bottom row above the well.
    for (const auto& [x, y, turned] : {std::tuple{-24, 120, false}, {192, 120, false}, {96, -72, false},
                                       {96, -48, true}, {0, 120, true}, {168, 120, true}})
        EXPECT_EQ(turns(int16_t(x), int16_t(y)), turned) << x << ", " << y;
    // The cells under the grid's bottom corners must be free: columns 4 and
    // 6 of row 7.
    Column(4, 7);
    EXPECT_FALSE(turns(96, 120));
    EXPECT_TRUE(turns(96, 96));
    Column(4, 15);
    Column(6, 7);
    EXPECT_FALSE(turns(96, 120));
}

TEST_F(Pieces, LandingOnTheFloorOrTheStackAndGameOverAboveTheWell) {
    for (const Shape& shape : Shapes) {
        SCOPED_TRACE(shape.name);
        SetWell({});
        Deal(shape);
        PieceY = 0;
        Slide(-1);  // against the left wall: column 0 keeps its cells too
        EXPECT_EQ(Drop(), Landing::Lands);
        // The grid's edge reaches the floor, so a lying piece whose grid has
        // an empty bottom row stops one row above it.
        EXPECT_EQ(PieceExtent().bottom, shape.lying ? 14 : 15);
        game::LandPiece();
        EXPECT_EQ(WellColumns * WellRows - test::Count('.'), shape.cells);
        EXPECT_FALSE(Well[0][PieceExtent().bottom].Empty);

        // A stack under any one column stops it just above. With room for
        // the whole piece above the stack it lands in rows 0 on; one row
        // less, its top row is still above the well and the game is over.
        for (const bool underRight : {false, true})
            for (const int stackTop : {11, shape.height, shape.height - 1}) {
                SetWell({});
                Deal(shape);
                Column(underRight ? PieceExtent().right : PieceExtent().left, stackTop);
                EXPECT_EQ(Drop(), stackTop >= shape.height ? Landing::Lands : Landing::GameOver) << stackTop;
                EXPECT_EQ(PieceExtent().top, stackTop - shape.height) << stackTop;
            }
    }
}

// The piece control loop on the virtual clock.

TEST_F(Pieces, ThePieceFallsOneRowPerIntervalFasterWithDownOrSpace) {
    struct Case { std::vector<int> keys; uint8_t difficulty; int32_t interval; };
    const Case cases[] = {
        {{}, 1, 96}, {{}, 2, 80}, {{}, 3, 64}, {{platform::VK_DOWN}, 2, 50}, {{platform::VK_SPACE}, 3, 10},
        {{platform::VK_DOWN, platform::VK_SPACE}, 2, 50},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("interval " + std::to_string(c.interval));
        platform::ResetKeyboard();
        for (int vk : c.keys) platform::PressKey(vk);
        Difficulty = c.difficulty;
        Deal(Shapes[0]);
        PieceX = 96, PieceY = -72;
        EXPECT_EQ(Control(c.interval * 5 + c.interval / 2), State::Shutdown);
        const int32_t i = c.interval;  // the first step one interval after entry
        EXPECT_EQ(falls, (std::vector<int32_t>{i, 2 * i, 3 * i, 4 * i, 5 * i}));
        EXPECT_EQ(PieceY, -72 + 5 * 24);
        EXPECT_TRUE(BarShown());  // drawn where it stands
    }
}

TEST_F(Pieces, HeldKeysActEveryHundredMillisecondsAndPauseStopsThePiece) {
    Row().Speed = 200;  // 1.6 s: no fall while we watch
    Deal(Shapes[0]);
    PieceX = 96, PieceY = 120;
    Control(50);
    EXPECT_TRUE(BarShown());  // a new piece shows before it first moves
    platform::PressKey(platform::VK_LEFT);  // held when the piece enters
    backend.ReleaseAt(backend.TickCount() + 350, platform::VK_LEFT);
    Control(1000);
    EXPECT_EQ(moves, (std::vector<int32_t>{100, 200, 300}));
    EXPECT_EQ(PieceX, 24);
    EXPECT_TRUE(falls.empty());
    // Up turns the bar's colours every 100 ms while held.
    SetGrid(".R./.G./.B.");
    Tap(10, platform::VK_UP, 240);
    Control(400);
    EXPECT_EQ(Grid(), ".B./.R./.G.");  // two turns: at 100 and 200 ms

    // P pauses from its first press to its second; the interval that ran
    // out meanwhile steps as soon as the loop runs again.
    Row().Speed = 10;
    PieceX = 96, PieceY = 0;
    Tap(20, platform::VkLetter('P'), 30);
    Tap(500, platform::VkLetter('P'), 30);
    Control(600);
    EXPECT_EQ(falls, (std::vector<int32_t>{500, 580}));
}

TEST_F(Pieces, TheLoopEndsByLandingGameOverEscapeOrACompletedLevel) {
    Deal(Shapes[0]);
    SetGrid(".R./.G./.B.");
    PieceX = 96, PieceY = 240;  // rows 10 to 12, one step above the stack
    Column(5, 13);
    platform::PressKey(platform::VK_SPACE);
    EXPECT_EQ(Control(1000), State::Settle);
    EXPECT_EQ(test::WellRows16(), test::WellOf({".....R....", ".....G....", ".....B....", ".....S....", ".....S....",
                                                ".....S...."}));

    // The next bar meets the stack at once: the menu tune is rewound and the
    // level music stops, with the music on only.
    for (uint8_t music : {1, 0}) {
        MusicOn = music;
        audio::SoundLog().clear();
        PieceX = 96, PieceY = -72;
        Column(5, 1);
        EXPECT_EQ(Control(1000), State::GameOver);
        EXPECT_EQ(audio::SoundLog(),
                  (music ? std::vector<std::string>{"rewind intro.wav", "music stop"} : std::vector<std::string>{}));
        EXPECT_EQ(test::CharOf(Well[5][0]), '.');
    }

    platform::ResetKeyboard();
    SetWell({});
    PieceX = 96, PieceY = 0;
    Tap(30, platform::VK_ESCAPE);
    EXPECT_EQ(Control(200), State::ExitConfirm);

    platform::ResetKeyboard();
    MusicOn = 1;
    LinesLeft = 0;
    audio::SoundLog().clear();
    const int yields = backend.Yields();
    EXPECT_EQ(Control(200), State::CompleteLevel);
    EXPECT_EQ(audio::SoundLog(), (std::vector<std::string>{"music stop"}));
    EXPECT_EQ(backend.Yields(), yields);  // the loop did not run
}

}  // namespace
