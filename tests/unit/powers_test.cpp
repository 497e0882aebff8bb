// The five powers on hand-built wells, the meter that pays for them and the
// keys that fire them, all on the virtual clock.
#include <algorithm>
#include <initializer_list>
#include <set>
#include <string>
#include <vector>

#include "audio/audio.h"
#include "game/pieces.h"
#include "game/play.h"
#include "game/random.h"
#include "game/state.h"
#include "harness.h"
#include "platform/display.h"
#include "platform/font.h"
#include "platform/keyboard.h"
#include "platform/timing.h"
#include "powers/powers.h"
#include "shell/program.h"

namespace {

using namespace platform;
using shell::State;

// '.' empty, 'R' 'G' 'B' 'Y' colours 1 to 4, 'S' stone, 'W' wild ball.
Cell Block(char c) {
    switch (c) {
    case 'R': return Colour1Cell;
    case 'G': return Colour2Cell;
    case 'B': return Colour3Cell;
    case 'Y': return Colour4Cell;
    case 'S': return StoneCell;
    case 'W': return WildCell;
    default: return EmptyCell;
    }
}

char Letter(const Cell& cell) {
    for (char c : std::string(".RGBYSW"))
        if (cell == Block(c)) return c;
    return '?';
}

// The well from a picture of rows: the last string is row 15, the one
// before row 14, and so on; rows not given are empty.
void Fill(std::initializer_list<std::string> rows) {
    for (auto& column : Well)
        for (Cell& cell : column) cell = EmptyCell;
    int y = WellRows - int(rows.size());
    for (const std::string& row : rows) {
        for (int x = 0; x < WellColumns; ++x) Well[x][y] = Block(row.at(size_t(x)));
        ++y;
    }
}

// The whole well as 16 strings, row 0 first.
std::vector<std::string> Picture() {
    std::vector<std::string> rows(WellRows, std::string(WellColumns, '.'));
    for (int x = 0; x < WellColumns; ++x)
        for (int y = 0; y < WellRows; ++y) rows[size_t(y)][size_t(x)] = Letter(Well[x][y]);
    return rows;
}

// The picture a Fill of these rows gives.
std::vector<std::string> PictureOf(std::initializer_list<std::string> rows) {
    std::vector<std::string> all(WellRows - rows.size(), std::string(WellColumns, '.'));
    all.insert(all.end(), rows.begin(), rows.end());
    return all;
}

int Count(char c) {
    int n = 0;
    for (const std::string& row : Picture()) n += int(std::count(row.begin(), row.end(), c));
    return n;
}

bool SameRect(const Surface& a, const Rect& ra, const Surface& b, const Rect& rb) {
    for (int y = 0; y < ra.Bottom - ra.Top; ++y)
        for (int x = 0; x < ra.Right - ra.Left; ++x)
            if (a.Pixel(ra.Left + x, ra.Top + y) != b.Pixel(rb.Left + x, rb.Top + y)) return false;
    return true;
}

bool AllBlack(const Surface& s, const Rect& r) {
    for (int y = r.Top; y < r.Bottom; ++y)
        for (int x = r.Left; x < r.Right; ++x)
            if (s.Pixel(x, y) != 0) return false;
    return true;
}

// Whether a 24 x 24 cell of the screen shows a whole sprite.
bool Shows(const Rect& cell, const Surface& sprite) {
    return SameRect(PrimarySurface, cell, sprite, {0, 0, CellSize, CellSize});
}

bool Logged(const std::string& line) {
    const auto& log = audio::SoundLog();
    return std::find(log.begin(), log.end(), line) != log.end();
}

class Powers : public test::Headless {
protected:
    void SetUp() override {
        Headless::SetUp();
        LoadContent();
        UseLevel(0);  // bars of three, runs of three
        ScoringOn = True;
    }

    // Runs states from s until piece control is entered again, which
    // happens once the well has settled and a new piece is dealt.
    std::vector<State> RunToNextPiece(State s) {
        std::vector<State> seen;
        while (s != State::PieceControl && seen.size() < 200) {
            seen.push_back(s);
            s = shell::RunState(s);
        }
        EXPECT_EQ(s, State::PieceControl);
        return seen;
    }

    // A new piece just above the well, as resolution deals it.
    void DealPiece() {
        game::MakePiece();
        game::PlacePiece();
    }
};

// ---------------------------------------------------------------- Sweep

TEST_F(Powers, SweepOnEmptyBottomRowsStillAnimatesAndTurnsScoringOff) {
    SweepPending = True;
    std::vector<bool> earlyOrder;
    backend.onIdle = [&] {
        if (backend.TickCount() != 50) return;
        // First step: the upper broom at the left of row 14, the lower at
        // the right of row 15, nothing further yet.
        earlyOrder = {Shows(CellRectOf(0, 14), SweepUpperSurface), Shows(CellRectOf(9, 15), SweepLowerSurface),
                      Shows(CellRectOf(1, 14), SweepUpperSurface), Shows(CellRectOf(8, 15), SweepLowerSurface)};
    };
    EXPECT_EQ(powers::Sweep(), State::Settle);
    EXPECT_EQ(earlyOrder, (std::vector<bool>{true, true, false, false}));
    for (int x = 0; x < WellColumns; ++x) {
        EXPECT_TRUE(Shows(CellRectOf(x, 14), SweepUpperSurface)) << x;
        EXPECT_TRUE(Shows(CellRectOf(x, 15), SweepLowerSurface)) << x;
    }
    EXPECT_GE(backend.TickCount(), 1000);  // ten busy waits of 100 ms
    EXPECT_LE(backend.TickCount(), 1010);
    EXPECT_EQ(backend.Yields(), 0);
    EXPECT_EQ(SweepPending, False);
    EXPECT_EQ(ScoringOn, False);
    RunToNextPiece(State::Settle);
    EXPECT_EQ(Count('.'), WellColumns * WellRows);
    EXPECT_EQ(ScoringOn, True);  // back on with the next piece
}

TEST_F(Powers, SweepEmptiesTheTwoBottomRowsWhateverTheyHold) {
    Fill({"R.G.......",
          "BSYW.RGB..",
          "SWRGBYSRGB",
          "GBYSRWBYSR"});
    powers::Sweep();
    RunToNextPiece(State::Settle);
    EXPECT_EQ(Picture(), PictureOf({"R.G.......",
                                    "BSYW.RGB.."}));
}

TEST_F(Powers, RunsThatFallTogetherAfterASweepClearUnscored) {
    Fill({"RR........",
          "GBS.......",
          "BGS......."});
    Well[2][5] = Colour1Cell;  // a red above the gap of column 2
    Score = 700;
    LinesLeft = 5;
    PowerMeter = 9;
    powers::Sweep();
    const auto seen = RunToNextPiece(State::Settle);
    EXPECT_NE(std::find(seen.begin(), seen.end(), State::Clear), seen.end());  // the three reds were cleared
    EXPECT_EQ(Count('.'), WellColumns * WellRows);
    EXPECT_EQ(Score, 700);
    EXPECT_EQ(LinesLeft, 5);
    EXPECT_EQ(Horizontals, 0);
    EXPECT_EQ(PowerMeter, 9);
    EXPECT_EQ(SweepPending, False);
    EXPECT_TRUE(AllBlack(PrimarySurface, StripRect));  // no "+50"
}

TEST_F(Powers, AnOverflowingMeterSweepsForFreeInPlaceOfTheDealtPiece) {
    Fill({"RGBYRGBYRG",
          "YRGBYRGBYR"});
    Well[0][13] = Colour3Cell;
    SweepPending = True;
    PowerMeter = 16;
    ScoringOn = False;
    game::SeedRandom(7);
    EXPECT_EQ(shell::RunState(State::Resolve), State::Sweep);
    EXPECT_EQ(ScoringOn, True);  // the piece was dealt first
    std::vector<Cell> first(&PieceGrid[0][0], &PieceGrid[0][0] + MaxPieceSize * MaxPieceSize);
    const auto seen = RunToNextPiece(State::Sweep);
    EXPECT_EQ(seen, (std::vector<State>{State::Sweep, State::Settle, State::Resolve}));
    std::vector<Cell> second(&PieceGrid[0][0], &PieceGrid[0][0] + MaxPieceSize * MaxPieceSize);
    EXPECT_NE(first, second);  // resolution dealt again after the Sweep
    EXPECT_EQ(PieceY, -72);
    EXPECT_EQ(Picture(), PictureOf({"B........."}));
    // No banner, no sound, no cost.
    EXPECT_EQ(PowerMeter, 16);
    EXPECT_FALSE(Logged("rewind clear2l.wav"));
    EXPECT_FALSE(Logged("play clear2l.wav once"));
    EXPECT_TRUE(AllBlack(PrimarySurface, StripRect));
    EXPECT_EQ(SweepPending, False);
    EXPECT_EQ(ScoringOn, True);
}

// ----------------------------------------------------------------- Rain

TEST_F(Powers, RainDropsFiveWildBallsIntoAlternateColumns) {
    std::set<std::string> tops;
    for (uint64_t seed = 1; seed <= 24; ++seed) {
        Fill({});
        game::SeedRandom(seed);
        EXPECT_EQ(powers::Rain(), State::Settle);
        tops.insert(Picture()[0]);
    }
    EXPECT_EQ(tops, (std::set<std::string>{"W.W.W.W.W.", ".W.W.W.W.W"}));

    RunToNextPiece(State::Settle);
    const std::string bottom = Picture()[15];
    EXPECT_TRUE(bottom == "W.W.W.W.W." || bottom == ".W.W.W.W.W") << bottom;
    EXPECT_EQ(Count('W'), 5);
}

TEST_F(Powers, RainOnAFullTopRowAddsNothingButStillSettles) {
    Fill({});
    for (int x = 0; x < WellColumns; ++x) Well[x][0] = StoneCell;
    powers::Rain();
    EXPECT_EQ(Count('W'), 0);
    RunToNextPiece(State::Settle);
    EXPECT_EQ(Picture(), PictureOf({"SSSSSSSSSS"}));
}

TEST_F(Powers, RainCompletesRunsOfAnyColourAndTheyScore) {
    for (uint64_t seed : {1, 2, 3, 4}) {
        Fill({".RR......."});
        Score = 0;
        Horizontals = 0;
        game::SeedRandom(seed);
        powers::Rain();
        RunToNextPiece(State::Settle);
        EXPECT_EQ(Count('R'), 0) << seed;
        EXPECT_EQ(Count('W'), 4) << seed;  // one wild went with the reds
        EXPECT_EQ(Score, 50) << seed;
        EXPECT_EQ(Horizontals, 1) << seed;
    }
}

// ------------------------------------------------------------- Airstone

TEST_F(Powers, AirstoneLiftsEveryStoneAndTheBallsAboveDrop) {
    Fill({"...R......",
          "...G.G....",
          "...B.S..Y.",
          "S..S.Y..S."});
    bool checked = false;
    backend.onYield = [&] {
        if (checked) return;
        checked = true;
        // The stones are gone before the first frame; the balls wait.
        EXPECT_EQ(Count('S'), 0);
        EXPECT_EQ(Letter(Well[3][12]), 'R');
        EXPECT_EQ(Letter(Well[5][13]), 'G');
    };
    const int32_t start = backend.TickCount();
    EXPECT_EQ(powers::Airstone(), State::Settle);
    // The lowest stone, from row 15, needs 64 steps of 20 ms.
    EXPECT_GE(backend.TickCount() - start, 1280);
    EXPECT_LE(backend.TickCount() - start, 1285);
    RunToNextPiece(State::Settle);
    EXPECT_EQ(Picture(), PictureOf({"...R......",
                                    "...G.G....",
                                    "...B.Y..Y."}));
}

TEST_F(Powers, AirstoneTimesItsFlightByTheLowestStone) {
    Fill({});
    Well[7][0] = StoneCell;
    const int32_t start = backend.TickCount();
    powers::Airstone();
    EXPECT_GE(backend.TickCount() - start, 80);  // four steps
    EXPECT_LE(backend.TickCount() - start, 82);

    Fill({});
    const int32_t again = backend.TickCount();
    EXPECT_EQ(powers::Airstone(), State::Settle);  // no stone: nothing at all
    EXPECT_EQ(backend.TickCount(), again);
}

TEST_F(Powers, AirstoneCanCompleteAScoredRun) {
    Fill({"..R.......",
          "RRS......."});
    powers::Airstone();
    RunToNextPiece(State::Settle);
    EXPECT_EQ(Count('.'), WellColumns * WellRows);
    EXPECT_EQ(Score, 50);
}

// ------------------------------------------------------------ HolyCross

TEST_F(Powers, HolyCrossEmptiesTheCrossAndTheArmsFall) {
    Fill({});
    const std::string pattern = "RGBYS";
    for (int y = 0; y < WellRows; ++y) {
        Well[4][y] = Block(pattern[size_t(y) % 5]);  // a full column 4
        Well[0][y] = StoneCell;                    // a full column 0, stones in the arm
    }
    Well[0][0] = Colour1Cell;
    Well[0][5] = Colour2Cell;
    Well[0][8] = Colour3Cell;
    Well[9][5] = Colour1Cell;
    for (int y = 6; y < WellRows; ++y) Well[9][y] = StoneCell;
    Well[5][14] = WildCell;
    Well[5][15] = StoneCell;
    Well[7][14] = Colour4Cell;
    Well[7][15] = StoneCell;
    const int32_t start = backend.TickCount();
    EXPECT_EQ(powers::HolyCross(), State::Settle);
    EXPECT_GE(backend.TickCount() - start, 33 * 25 + 50 * 20);
    EXPECT_LE(backend.TickCount() - start, 33 * 25 + 50 * 20 + 5);
    RunToNextPiece(State::Settle);
    EXPECT_EQ(Picture(), (std::vector<std::string>{
                             "..........",
                             "..........",
                             "R.........",
                             "S.........",
                             "S.........",
                             "S.........",
                             "S.........",
                             "G........R",
                             "B........S",
                             "S........S",
                             "S........S",
                             "S........S",
                             "S........S",
                             "S........S",
                             "S......Y.S",
                             "S......S.S",
                         }));
}

TEST_F(Powers, HolyCrossOverAnEmptyCrossChangesNothingButTakesItsTime) {
    Fill({"SR......GB",
          "RS......BG"});
    const auto before = Picture();
    std::vector<uint16_t> afterGlow;
    backend.onIdle = [&] {
        if (afterGlow.empty()) afterGlow = PrimarySurface.Pixels();
    };
    const int32_t start = backend.TickCount();
    powers::HolyCross();
    EXPECT_GE(backend.TickCount() - start, 33 * 25 + 50 * 20);
    EXPECT_EQ(Picture(), before);
    ASSERT_FALSE(afterGlow.empty());
    EXPECT_TRUE(PrimarySurface.Pixels() == afterGlow);  // no circle anywhere
}

TEST_F(Powers, StonesLeavingTheWellLeaveNothingAboveIt) {
    // Above the well the back buffer holds the level's title and the
    // well's frame; a full present (after the display comes back) shows it.
    FillRect(BackBuffer, WholeSurface, Rgb(90, 60, 30));
    const Surface before = BackBuffer;
    Fill({"S.........",
          "S........S"});
    Well[5][0] = StoneCell;
    powers::Airstone();
    EXPECT_TRUE(SameRect(BackBuffer, {0, 0, 640, 50}, before, {0, 0, 640, 50}));
}

// ----------------------------------------------------------------- Bomb

class BombTest : public Powers {
protected:
    // Drops the bomb, lets the well settle and returns the bottom row.
    std::string DropBomb() {
        start = backend.TickCount();
        EXPECT_EQ(powers::Bomb(), State::Settle);
        end = backend.TickCount();
        RunToNextPiece(State::Settle);
        return Picture()[15];
    }
    int32_t start = 0, end = 0;
};

TEST_F(BombTest, ReachingTheFloorEmptiesTheBottomRowAfterSixteenSteps) {
    Fill({"RGBG.GBGBY"});
    EXPECT_EQ(DropBomb(), "..........");
    // 16 steps of 500 ms into row 15, the floor at the 17th, then 20
    // phases of 30 ms.
    EXPECT_GE(end - start, 17 * 500 + 20 * 30);
    EXPECT_LE(end - start, 17 * 500 + 21 * 30 + 2);
    EXPECT_TRUE(Logged("play bang.wav once"));
}

TEST_F(BombTest, SpaceDropsItTenMillisecondsARow) {
    Fill({"RGBGBGBGBY"});
    backend.PressAt(0, VK_SPACE);
    EXPECT_EQ(DropBomb(), "RG.G.G.G.Y");  // it lands on a blue: every blue goes
    EXPECT_GE(end - start, 16 * 10 + 20 * 20);
    EXPECT_LE(end - start, 16 * 10 + 21 * 20 + 2);
}

TEST_F(BombTest, OnAStoneEveryStoneGoesAndTheBallsStay) {
    Fill({".R.....G..",
          "RSGBSYRSGB"});
    backend.PressAt(0, VK_SPACE);
    EXPECT_EQ(DropBomb(), "RRGB.YRGGB");
    EXPECT_EQ(Count('S'), 0);
}

TEST_F(BombTest, OnAWildBallEveryWildBallGoes) {
    Fill({"RWGBWYRWGB"});
    backend.PressAt(0, VK_SPACE);
    EXPECT_EQ(DropBomb(), "R.GB.YR.GB");
}

TEST_F(BombTest, OnAColourTheWildBallsStay) {
    Fill({"GWRBGYWBRG"});
    backend.PressAt(0, VK_SPACE);
    EXPECT_EQ(DropBomb(), ".WRB.YWBR.");
}

TEST_F(BombTest, AnOccupiedTopCellBurstsAtTheFirstStep) {
    Fill({});
    const std::string pattern = "RGBYS";
    for (int y = 0; y < WellRows; ++y) Well[4][y] = Block(pattern[size_t(y) % 5]);
    DropBomb();
    EXPECT_GE(end - start, 500 + 20 * 20);
    EXPECT_LE(end - start, 500 + 21 * 20 + 2);
    std::string column;
    for (int y = 0; y < WellRows; ++y) column += Letter(Well[4][y]);
    EXPECT_EQ(column, "....GBYSGBYSGBYS");  // every red gone
}

TEST_F(BombTest, TheWallsStopItSideways) {
    Fill({"RGBGBGBGBY"});
    backend.PressAt(0, VK_DOWN);
    backend.PressAt(0, VK_LEFT);
    EXPECT_EQ(DropBomb(), ".GBGBGBGBY");  // from column 4 to column 0, and no further

    Fill({"RGBGBGBGBY"});
    backend.ReleaseAt(backend.TickCount() + 1, VK_LEFT);
    backend.PressAt(backend.TickCount() + 1, VK_RIGHT);
    EXPECT_EQ(DropBomb(), "RGBGBGBGB.");
}

TEST_F(BombTest, ItCannotBeSteeredAboveTheWell) {
    Fill({"RGBG.GBGBY"});
    backend.PressAt(1, VK_RIGHT);  // four move attempts while it is above the well
    backend.ReleaseAt(450, VK_RIGHT);
    backend.PressAt(460, VK_SPACE);
    EXPECT_EQ(DropBomb(), "..........");  // still column 4, down to the floor
}

TEST_F(BombTest, ABlockBesideItStopsTheMoveEvenWithRoomDiagonallyBelow) {
    Fill({"RGB.BGBGBY"});
    Well[3][8] = StoneCell;  // beside the bomb when it is in row 8; row 9 is free
    backend.PressAt(0, VK_DOWN);  // a row every 50 ms: row 8 from 450 to 500
    backend.PressAt(460, VK_LEFT);
    backend.ReleaseAt(490, VK_LEFT);
    EXPECT_EQ(DropBomb(), "RG.S.G.G.Y");  // it stayed in column 4 and hit the blue
}

TEST_F(BombTest, TheBombLeavesNothingAboveTheWell) {
    FillRect(BackBuffer, WholeSurface, Rgb(90, 60, 30));
    const Surface before = BackBuffer;
    Fill({"RGBG.GBGBY"});
    backend.PressAt(300, VK_SPACE);
    DropBomb();
    EXPECT_TRUE(SameRect(BackBuffer, {0, 0, 640, 50}, before, {0, 0, 640, 50}));
    // Bursting on a full column while still above the well.
    FillRect(BackBuffer, WholeSurface, Rgb(90, 60, 30));
    for (int y = 0; y < WellRows; ++y) Well[4][y] = Block("RGBYS"[y % 5]);
    DropBomb();
    EXPECT_TRUE(SameRect(BackBuffer, {0, 0, 640, 50}, before, {0, 0, 640, 50}));
}

// ------------------------------------------------------- Paying and keys

class PowerKeys : public Powers {
protected:
    void SetUp() override {
        Powers::SetUp();
        Fill({"RGBYRGBYRG"});
        DealPiece();
    }
    // Piece control with these keys held from the start; Space makes an
    // unfired piece land quickly.
    State Control(std::initializer_list<int> keys) {
        for (int k : keys) PressKey(k);
        return shell::RunState(State::PieceControl);
    }
};

TEST_F(PowerKeys, TheMeterMustCoverTheCost) {
    PowerMeter = 5;
    EXPECT_EQ(Control({VkDigit(6), VK_SPACE}), State::Settle);  // the piece just landed
    EXPECT_EQ(PowerMeter, 5);
    ReleaseAllKeys();
    DealPiece();
    EXPECT_EQ(Control({VkDigit(5)}), State::FirePower);
    EXPECT_EQ(powers::PendingPower, 5);
    EXPECT_EQ(shell::RunState(State::FirePower), State::HolyCross);
    EXPECT_EQ(PowerMeter, 0);
}

TEST_F(PowerKeys, LowerKeysAreTestedFirst) {
    PowerMeter = 3;
    EXPECT_EQ(Control({VkDigit(3), VkDigit(2)}), State::FirePower);
    EXPECT_EQ(powers::PendingPower, 2);
    EXPECT_EQ(backend.Yields(), 0);  // in the first pass
    EXPECT_EQ(shell::RunState(State::FirePower), State::Sweep);
    EXPECT_EQ(PowerMeter, 1);
}

TEST_F(PowerKeys, AirstoneWithoutStonesCostsNothingAndLetsTheNextKeyFire) {
    PowerMeter = 6;
    EXPECT_EQ(Control({VkDigit(4), VkDigit(6)}), State::FirePower);
    EXPECT_EQ(powers::PendingPower, 6);
    EXPECT_EQ(backend.Yields(), 0);  // in the same pass
    EXPECT_EQ(PowerMeter, 6);

    ReleaseAllKeys();
    PowerMeter = 4;
    audio::SoundLog().clear();
    EXPECT_EQ(Control({VkDigit(4), VK_SPACE}), State::Settle);
    EXPECT_EQ(PowerMeter, 4);
    EXPECT_TRUE(audio::SoundLog().empty());

    ReleaseAllKeys();
    Fill({"RGBYSGBYRG"});
    DealPiece();
    EXPECT_EQ(Control({VkDigit(4)}), State::FirePower);
    EXPECT_EQ(powers::PendingPower, 4);
}

TEST_F(PowerKeys, FiringShowsTheNamePlaysTheSoundAndPays) {
    struct Case {
        int key;
        const char* banner;
        const char* sound;
        State routine;
    };
    for (const Case& c : {Case{2, "Sweep", "clear2l.wav", State::Sweep}, Case{3, "Rain", "rain.wav", State::Rain},
                          Case{4, "Airstone", "deogratias2.wav", State::Airstone},
                          Case{5, "Holycross", "cross.wav", State::HolyCross},
                          Case{6, "Bomb", "rain.wav", State::Bomb}}) {
        SCOPED_TRACE(c.banner);
        PowerMeter = 10;
        PowerFired = False;
        audio::SoundLog().clear();
        powers::PendingPower = c.key;
        EXPECT_EQ(shell::RunState(State::FirePower), c.routine);
        EXPECT_EQ(PowerMeter, 10 - c.key);
        EXPECT_EQ(PowerFired, True);
        const auto& log = audio::SoundLog();
        EXPECT_TRUE(Logged(std::string("rewind ") + c.sound));
        EXPECT_TRUE(Logged(std::string("play ") + c.sound + " once"));
        EXPECT_EQ(Logged("rewind bang.wav"), c.key == 6);
        EXPECT_FALSE(Logged("play bang.wav once"));
        EXPECT_EQ(std::count(log.begin(), log.end(), std::string("play ") + c.sound + " once"), 1);
        Surface strip(640, 480);
        DrawText(StripRect.Left, StripRect.Top, c.banner, strip);
        EXPECT_TRUE(SameRect(PrimarySurface, StripRect, strip, StripRect));
    }
    SoundOn = 0;
    audio::SoundLog().clear();
    PowerMeter = 2;
    powers::PendingPower = 2;
    shell::RunState(State::FirePower);
    EXPECT_TRUE(Logged("rewind clear2l.wav"));
    EXPECT_FALSE(Logged("play clear2l.wav once"));
}

TEST_F(PowerKeys, AHeldKeyFiresAgainWithEveryNewPieceUntilTheMeterRunsOut) {
    PowerMeter = 16;
    PressKey(VkDigit(2));
    std::vector<int> meterAfterFiring;
    State s = State::PieceControl;
    int piecesControlled = 0;
    while (piecesControlled < 10) {
        if (s == State::PieceControl) {
            ++piecesControlled;
            if (PowerMeter < 2) break;
        }
        const State next = shell::RunState(s);
        if (s == State::FirePower) meterAfterFiring.push_back(PowerMeter);
        s = next;
    }
    EXPECT_EQ(meterAfterFiring, (std::vector<int>{14, 12, 10, 8, 6, 4, 2, 0}));
    EXPECT_EQ(piecesControlled, 9);  // one firing per piece
}

TEST_F(PowerKeys, LettingGoOfTheKeyStopsTheFiring) {
    PowerMeter = 16;
    PressKey(VkDigit(2));
    backend.ReleaseAt(100, VkDigit(2));  // during the payment
    EXPECT_EQ(shell::RunState(State::PieceControl), State::FirePower);
    RunToNextPiece(State::FirePower);
    EXPECT_EQ(PowerMeter, 14);
    backend.CloseAt(backend.TickCount() + 600);  // the piece is still above the well then
    EXPECT_THROW(shell::RunState(State::PieceControl), ProgramEnded);
    EXPECT_EQ(PowerMeter, 14);
}

// ---------------------------------------------------------------- Meter

// A meter cell on the screen: the i-th filled cell from the top of a meter
// holding m cells.
Rect MeterCell(int m, int i) {
    const int top = 434 - 24 * m + 24 * (i - 1);
    return {460, top, 484, top + 24};
}

class Meter : public Powers {
protected:
    void SetUp() override {
        Powers::SetUp();
        // A spend strip of eight solid frames, each its own colour.
        MeterSpendSurface = Surface(192, 24);
        for (int f = 0; f < 8; ++f) FillRect(MeterSpendSurface, {24 * f, 0, 24 * f + 24, 24}, FrameColour(f));
    }
    static Colour FrameColour(int f) { return Rgb(40 + 25 * f, 200 - 20 * f, 8 * f); }
    static uint16_t FramePixel(int f) { return ToPixel565(FrameColour(f)); }
    // Draws the meter as the game shows it, on both surfaces.
    static void ShowMeter() {
        powers::DrawPowerMeter(powers::RedrawMeter);
        Present();
    }
};

TEST_F(Meter, SpendingShowsNineStepsOnTheTopCellsThenLowersTheMeter) {
    PowerMeter = 10;
    ShowMeter();
    std::vector<uint16_t> steps;  // the top cell's colour at every step
    bool othersFollow = true, restStayed = true, started = false;
    int32_t stamp = 0;
    backend.onYield = [&] {
        if (!started || FrameStart == stamp) {  // no step in this pass
            started = true;
            stamp = FrameStart;
            return;
        }
        stamp = FrameStart;
        const uint16_t top = PrimarySurface.Pixel(470, MeterCell(10, 1).Top + 10);
        steps.push_back(top);
        for (int i = 2; i <= 3; ++i) othersFollow = othersFollow && PrimarySurface.Pixel(470, MeterCell(10, i).Top + 10) == top;
        restStayed = restStayed && Shows(MeterCell(10, 4), BlockSurfaces[6]);
    };
    const int32_t start = backend.TickCount();
    powers::SpendPower(3);
    std::vector<uint16_t> expected;
    for (int f = 0; f < 8; ++f) expected.push_back(FramePixel(f));
    expected.push_back(FramePixel(7));  // the ninth step has no frame of its own
    EXPECT_EQ(steps, expected);
    EXPECT_TRUE(othersFollow);
    EXPECT_TRUE(restStayed);
    EXPECT_GE(backend.TickCount() - start, 9 * 30);
    EXPECT_LE(backend.TickCount() - start, 9 * 30 + 3);
    EXPECT_EQ(PowerMeter, 7);
    for (int i = 1; i <= 3; ++i) EXPECT_TRUE(AllBlack(PrimarySurface, MeterCell(10, i))) << i;
    // The back buffer holds the lowered meter: seven cells from the bottom.
    EXPECT_TRUE(AllBlack(BackBuffer, {460, 50, 484, 434 - 24 * 7}));
    for (int i = 1; i <= 7; ++i)
        EXPECT_TRUE(SameRect(BackBuffer, MeterCell(7, i), BlockSurfaces[6], {0, 0, 24, 24})) << i;
}

TEST_F(Meter, SpendingTheWholeMeterLeavesTheColumnBlack) {
    PowerMeter = 6;
    ShowMeter();
    std::set<int> animated;
    backend.onYield = [&] {
        for (int i = 1; i <= 6; ++i)
            if (PrimarySurface.Pixel(470, MeterCell(6, i).Top + 10) == FramePixel(0)) animated.insert(i);
    };
    powers::SpendPower(6);
    EXPECT_EQ(animated, (std::set<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(PowerMeter, 0);
    EXPECT_TRUE(AllBlack(BackBuffer, MeterRect));
    EXPECT_TRUE(AllBlack(PrimarySurface, MeterRect));
}

TEST_F(Meter, GrowthBlinksTheNewCellsLowestFirstEachWithItsSound) {
    PowerMeter = 5;
    ShowMeter();
    PowerMeter = 8;  // three cells gained, as scoring leaves it
    std::vector<int> litOrder;       // cells counted from the bottom, as each first lights up
    std::vector<size_t> soundsThen;  // sound calls made by then
    backend.onYield = [&] {
        for (int k = 6; k <= 8; ++k) {
            const Rect cell{460, 434 - 24 * k, 484, 458 - 24 * k};
            if (Shows(cell, BlockSurfaces[6]) && std::find(litOrder.begin(), litOrder.end(), k) == litOrder.end()) {
                litOrder.push_back(k);
                soundsThen.push_back(audio::SoundLog().size());
            }
        }
    };
    const int32_t start = backend.TickCount();
    powers::DrawPowerMeter(3);
    EXPECT_EQ(litOrder, (std::vector<int>{6, 7, 8}));
    EXPECT_EQ(soundsThen, (std::vector<size_t>{2, 4, 6}));
    EXPECT_EQ(audio::SoundLog(), (std::vector<std::string>{"rewind sb.wav", "play sb.wav once", "rewind sb.wav",
                                                            "play sb.wav once", "rewind sb.wav", "play sb.wav once"}));
    EXPECT_GE(backend.TickCount() - start, 3 * 21 * 10);
    EXPECT_LE(backend.TickCount() - start, 3 * 21 * 10 + 5);
    for (int i = 1; i <= 8; ++i) EXPECT_TRUE(Shows(MeterCell(8, i), BlockSurfaces[6])) << i;  // all end lit

    SoundOn = 0;
    audio::SoundLog().clear();
    powers::DrawPowerMeter(1);
    EXPECT_EQ(audio::SoundLog(), (std::vector<std::string>{"rewind sb.wav"}));

    audio::SoundLog().clear();
    const int32_t idle = backend.TickCount();
    powers::DrawPowerMeter(0);
    EXPECT_EQ(backend.TickCount(), idle);
    EXPECT_TRUE(audio::SoundLog().empty());
}

// ------------------------------------------------ From the keyboard

struct Scenario {
    int key;
    State routine;
    std::vector<std::string> before;  // the lowest rows
    std::vector<std::string> after;   // empty: checked by hand below
};

class PowersFromTheKeyboard : public Powers, public ::testing::WithParamInterface<Scenario> {};

TEST_P(PowersFromTheKeyboard, FiresSettlesAndDealsTheNextPiece) {
    const Scenario& sc = GetParam();
    Fill({});
    int y = WellRows - int(sc.before.size());
    for (const std::string& row : sc.before) {
        for (int x = 0; x < WellColumns; ++x) Well[x][y] = Block(row[size_t(x)]);
        ++y;
    }
    PowerMeter = 16;
    DealPiece();
    backend.SetTime(5000);
    backend.PressAt(5030, VkDigit(sc.key));
    backend.PressAt(5030, VK_SPACE);  // the bomb drops fast
    backend.ReleaseAt(5100, VkDigit(sc.key));
    std::vector<State> seen{State::PieceControl};
    const auto rest = RunToNextPiece(shell::RunState(State::PieceControl));
    seen.insert(seen.end(), rest.begin(), rest.end());
    ASSERT_GE(seen.size(), 4u);
    EXPECT_EQ(seen[1], State::FirePower);
    EXPECT_EQ(seen[2], sc.routine);
    EXPECT_EQ(seen.back(), State::Resolve);
    EXPECT_EQ(PowerMeter, 16 - sc.key);
    EXPECT_EQ(PieceY, -72);
    if (!sc.after.empty()) {
        std::vector<std::string> expected(WellRows - sc.after.size(), "..........");
        expected.insert(expected.end(), sc.after.begin(), sc.after.end());
        EXPECT_EQ(Picture(), expected);
    } else {  // Rain: five wild balls on alternate columns, the stones kept
        const auto rows = Picture();
        const bool even = rows[14] == "W.W.W.W.W." && rows[15] == "S.S.S.S.S.";
        const bool odd = rows[14] == ".........." && rows[15] == "SWSWSWSWSW";
        EXPECT_TRUE(even || odd) << rows[14] << "\n" << rows[15];
    }
}

INSTANTIATE_TEST_SUITE_P(
    EachPower, PowersFromTheKeyboard,
    ::testing::Values(Scenario{2, State::Sweep, {"G...Y.....", "RS..B..SB.", "YRS.RB.YGS"}, {"G...Y....."}},
                      Scenario{3, State::Rain, {"S.S.S.S.S."}, {}},
                      Scenario{4, State::Airstone, {"G...Y.....", "RS..B..SB.", "YRS.RB.YGS"},
                               {"G...Y.....", "R...B...B.", "YR..RB.YG."}},
                      Scenario{5, State::HolyCross, {"G...Y.....", "RS..B..SB.", "YRS.RB.YGS"},
                               {"G.........", "RS.....SB.", "YRS....YGS"}},
                      // The bomb lands on the yellow on top of column 4.
                      Scenario{6, State::Bomb, {"G...Y.....", "RS..B..SB.", "YRS.RB.YGS"},
                               {"GS..B...B.", "RRS.RB.SGS"}}),
    [](const ::testing::TestParamInfo<Scenario>& info) { return "Key" + std::to_string(info.param.key); });

}  // namespace
