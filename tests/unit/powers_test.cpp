// The five powers on hand-built wells, the meter that pays for them and the
// keys that fire them, all on the virtual clock.
#include <algorithm>
#include <optional>
#include <set>
#include <tuple>

#include "audio/audio.h"
#include "game/pieces.h"
#include "game/random.h"
#include "harness.h"
#include "platform/keyboard.h"
#include "powers/powers.h"
#include "well_helpers.h"

namespace {

using namespace platform;
using shell::State;
using test::Count;
using test::Rows;
using test::SetWell;
using test::WellOf;

class Powers : public test::Loaded {
protected:
    void SetUp() override {
        Loaded::SetUp();
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
    static void DealPiece() {
        game::MakePiece();
        game::PlacePiece();
    }
};

// A power on a hand-built well until the next piece: the well it leaves,
// the points, and how long the power itself runs.
TEST_F(Powers, SweepAirstoneAndHolyCrossOnHandBuiltWells) {
    struct Case { const char* what; State (*power)(); Rows before, after; int points; int32_t least, most; };
    const int32_t cross = 33 * 25 + 50 * 20;
    const Case cases[] = {
        // Ten busy waits of 100 ms.
        {"Sweep", powers::Sweep, {"R.G.......", "BSYW.RGB..", "SWRGBYSRGB", "GBYSRWBYSR"}, {"R.G.......", "BSYW.RGB.."},
         0, 1000, 1010},
        // Three reds fall together after a Sweep: they clear unscored.
        {"Sweep cascade", powers::Sweep,
         {"..R.......", "..........", "..........", "..........", "..........", "..........", "..........",
          "..........", "RR........", "GBS.......", "BGS......."},
         {}, 0, 1000, 1010},
        // The lowest stone, from row 15, needs 64 steps of 20 ms.
        {"Airstone", powers::Airstone, {"...R......", "...G.G....", "...B.S..Y.", "S..S.Y..S."},
         {"...R......", "...G.G....", "...B.Y..Y."}, 0, 1280, 1285},
        {"Airstone without stones", powers::Airstone, {"RG........"}, {"RG........"}, 0, 0, 0},
        {"HolyCross over an empty cross", powers::HolyCross, {"SR......GB", "RS......BG"}, {"SR......GB", "RS......BG"},
         0, cross, cross + 5},
        {"Airstone completing a run", powers::Airstone, {"..R.......", "RRS......."}, {}, 50, 0, INT32_MAX},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetWell(c.before);
        Score = Horizontals = 0;
        PowerMeter = 9;
        SweepPending = c.power == powers::Sweep ? True : False;
        const int32_t start = backend.TickCount();
        EXPECT_EQ(c.power(), State::Settle);
        EXPECT_TRUE(test::Between(backend.TickCount() - start, c.least, c.most));
        if (c.power == powers::Sweep) {
            for (int x = WellLeft; x < WellLeft + WellColumns * CellSize; x += CellSize) {
                EXPECT_TRUE(test::ShowsSprite(PrimarySurface, x, WellTop + 14 * CellSize, SweepUpperSurface));
                EXPECT_TRUE(test::ShowsSprite(PrimarySurface, x, WellTop + 15 * CellSize, SweepLowerSurface));
            }
            EXPECT_EQ(SweepPending, False);
            EXPECT_EQ(ScoringOn, False);  // what falls into place now clears unscored
        }
        RunToNextPiece(State::Settle);
        EXPECT_EQ(test::WellRows16(), WellOf(c.after));
        EXPECT_EQ(std::vector<int>({Score, Horizontals, PowerMeter}), std::vector<int>({c.points, c.points / 50, 9}));
        EXPECT_EQ(ScoringOn, True);  // back on with the next piece
        if (!c.points) {
            EXPECT_TRUE(test::AllPixels(PrimarySurface, StripRect, 0));
        }
    }
    SetWell({});  // a stone in the top row rises four steps
    Well[7][0] = StoneCell;
    const int32_t start = backend.TickCount();
    powers::Airstone();
    EXPECT_NEAR(backend.TickCount() - start, 81, 1);
}

// ----------------------------------------------------------------- Rain

TEST_F(Powers, RainDropsFiveWildBallsIntoAlternateColumnsButNotOntoBlocksAndTheyScore) {
    std::set<std::string> tops;
    for (uint64_t seed = 1; seed <= 24; ++seed) {
        SetWell({});
        game::SeedRandom(seed);
        EXPECT_EQ(powers::Rain(), State::Settle);
        tops.insert(test::WellRows16()[0]);
    }
    EXPECT_EQ(tops, (std::set<std::string>{"W.W.W.W.W.", ".W.W.W.W.W"}));
    RunToNextPiece(State::Settle);
    EXPECT_EQ(Count('W'), 5);
    EXPECT_EQ(tops.count(test::WellRows16()[15]), 1u);

    SetWell({});
    for (int x = 0; x < WellColumns; ++x) Well[x][0] = StoneCell;
    powers::Rain();
    RunToNextPiece(State::Settle);
    EXPECT_EQ(test::WellRows16(), WellOf({"SSSSSSSSSS"}));

    // A wild ball completes a run of any colour, and it scores.
    for (uint64_t seed : {1, 2, 3, 4}) {
        SetWell({".RR......."});
        Score = Horizontals = 0;
        game::SeedRandom(seed);
        powers::Rain();
        RunToNextPiece(State::Settle);
        EXPECT_EQ(std::vector<int>({Count('R'), Count('W'), Score, Horizontals}), std::vector<int>({0, 4, 50, 1}))
            << "seed " << seed;  // one wild ball went with the reds
    }
}

TEST_F(Powers, RisingStonesAndABombLeaveNothingAboveTheWell) {
    // Above the well the back buffer holds the level's title and the well's
    // frame; a full present (after the display comes back) shows it.
    FillRect(BackBuffer, WholeSurface, Rgb(90, 60, 30));
    const Surface before = BackBuffer;
    SetWell({"S.........", "S........S"});
    Well[5][0] = StoneCell;
    powers::Airstone();
    EXPECT_TRUE(test::ShowsSprite(BackBuffer, 0, 0, before, {0, 0, 640, 50}));
    SetWell({"RGBG.GBGBY"});
    backend.PressAt(backend.TickCount() + 300, VK_SPACE);
    std::set<int> rowsShown;  // the bomb shows on every row of the well it passes, the top one too
    backend.onYield = [&] {
        const Rect cell = CellRectOf(powers::BombX / 24, powers::BombY / 24);
        if (powers::BombY >= 0 && !test::AllPixels(PrimarySurface, cell, 0)) rowsShown.insert(powers::BombY / 24);
    };
    powers::Bomb();
    backend.onYield = nullptr;
    EXPECT_EQ(rowsShown.size(), size_t(WellRows));
    EXPECT_TRUE(test::ShowsSprite(BackBuffer, 0, 0, before, {0, 0, 640, 50}));
    FillRect(BackBuffer, WholeSurface, Rgb(90, 60, 30));
    SetWell({});  // an occupied top cell: it bursts at the first step, above the well
    for (int y = 0; y < WellRows; ++y) Well[4][y] = test::CellOf("RGBYS"[y % 5]);
    powers::Bomb();
    EXPECT_TRUE(test::ShowsSprite(BackBuffer, 0, 0, before, {0, 0, 640, 50}));
    RunToNextPiece(State::Settle);
    EXPECT_EQ(Count('R'), 0);  // every red gone, the top one too
    EXPECT_EQ(Count('G'), 3);
}

// ------------------------------------------------------------ HolyCross

TEST_F(Powers, HolyCrossEmptiesTheCrossAndTheArmsFall) {
    // Full columns 0 and 4, stones in the arm.
    SetWell({"R...R.....", "S...G.....", "S...B.....", "S...Y.....", "S...S.....", "G...R....R", "S...G....S",
             "S...B....S", "B...Y....S", "S...S....S", "S...R....S", "S...G....S", "S...B....S", "S...Y....S",
             "S...SW.Y.S", "S...RS.S.S"});
    // The sparkles stay inside the cross's cells (nothing is drawn over column
    // 3 above the arm, nor over column 4's edge pixels) and reach its lowest block.
    bool stray = false;
    std::set<std::vector<uint16_t>> lowest;
    backend.onIdle = [&] {
        stray = stray || !test::ShowsSprite(PrimarySurface, 272, 50, BackBuffer, {272, 50, 297, 194}, Key::None);
        std::vector<uint16_t> cell;
        for (int y = 410; y < 434; ++y)
            for (int x = 296; x < 320; ++x) cell.push_back(PrimarySurface.Pixel(x, y));
        lowest.insert(cell);
    };
    EXPECT_EQ(powers::HolyCross(), State::Settle);
    backend.onIdle = nullptr;
    EXPECT_FALSE(stray);
    EXPECT_GE(lowest.size(), 10u);
    RunToNextPiece(State::Settle);
    EXPECT_EQ(test::WellRows16(),
              (Rows{"..........", "..........", "R.........", "S.........", "S.........", "S.........", "S.........",
                    "G........R", "B........S", "S........S", "S........S", "S........S", "S........S", "S........S",
                    "S......Y.S", "S......S.S"}));
}

// ----------------------------------------------------------------- Bomb

TEST_F(Powers, TheBombTakesTheKindItLandsOnOrTheBottomRow) {
    using Keys = std::vector<std::pair<int32_t, int>>;
    struct Case { Rows rows; Keys presses, releases; const char* bottom; int32_t least, most; };  // most 0: any time
    const Case cases[] = {
        // Down to the floor: 16 steps of 500 ms, the 17th at the floor, then
        // the bottom row blinks 20 phases of 30 ms and goes.
        {{"RGBG.GBGBY"}, {}, {}, "..........", 17 * 500 + 20 * 30, 17 * 500 + 21 * 30 + 2},
        // Space: 10 ms a row; on a blue every blue goes (20 phases of 20 ms).
        {{"RGBGBGBGBY"}, {{0, VK_SPACE}}, {}, "RG.G.G.G.Y", 16 * 10 + 20 * 20, 16 * 10 + 21 * 20 + 2},
        {{".R.....G..", "RSGBSYRSGB"}, {{0, VK_SPACE}}, {}, "RRGB.YRGGB", 0, 0},  // every stone
        {{"RWGBWYRWGB"}, {{0, VK_SPACE}}, {}, "R.GB.YR.GB", 0, 0},                  // every wild ball
        {{"GWRBGYWBRG"}, {{0, VK_SPACE}}, {}, ".WRB.YWBR.", 0, 0},                  // a colour: wild balls stay
        {{"RGBGBGBGBY"}, {{0, VK_DOWN}, {0, VK_LEFT}}, {}, ".GBGBGBGBY", 0, 0},      // the left wall stops it
        {{"RGBGBGBGBY"}, {{0, VK_DOWN}, {0, VK_RIGHT}}, {}, "RGBGBGBGB.", 0, 0},     // and the right one
        // No steering above the well: four tries there, then down.
        {{"RGBG.GBGBY"}, {{1, VK_RIGHT}, {460, VK_SPACE}}, {{450, VK_RIGHT}}, "..........", 0, 0},
        // A block beside it stops the move even with room diagonally below:
        // row 8 from 450 to 500 ms at Down's pace.
        {{"...S......", "..........", "..........", "..........", "..........", "..........", "..........",
          "RGB.BGBGBY"},
         {{0, VK_DOWN}, {460, VK_LEFT}}, {{490, VK_LEFT}}, "RG.S.G.G.Y", 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rows.back());
        ResetKeyboard();
        SetWell(c.rows);
        audio::SoundLog().clear();
        const int32_t start = backend.TickCount();
        for (const auto& [at, vk] : c.presses) backend.PressAt(start + at, vk);
        for (const auto& [at, vk] : c.releases) backend.ReleaseAt(start + at, vk);
        FillRect(PrimarySurface, WellRect, Rgb(255, 255, 255));
        std::optional<bool> shownAtOnce;  // the well is drawn before the first step
        backend.onYield = [&] { shownAtOnce = shownAtOnce.value_or(test::WellShown(PrimarySurface)); };
        EXPECT_EQ(powers::Bomb(), State::Settle);
        backend.onYield = nullptr;
        EXPECT_TRUE(shownAtOnce.value_or(false));
        if (c.most) {
            EXPECT_TRUE(test::Between(backend.TickCount() - start, c.least, c.most));
        }
        EXPECT_EQ(test::Logged("play bang.wav once"), 1);
        RunToNextPiece(State::Settle);
        EXPECT_EQ(test::WellRows16()[15], c.bottom);
    }
}

// ------------------------------------------------------- paying and keys

TEST_F(Powers, FiringShowsTheNamePlaysTheSoundAndPays) {
    struct Case { int key; const char *banner, *sound; State routine; };
    for (const Case& c : {Case{2, "Sweep", "clear2l.wav", State::Sweep}, Case{3, "Rain", "rain.wav", State::Rain},
                          Case{4, "Airstone", "deogratias2.wav", State::Airstone},
                          Case{5, "Holycross", "cross.wav", State::HolyCross},
                          Case{6, "Bomb", "rain.wav", State::Bomb}}) {
        SCOPED_TRACE(c.banner);
        for (uint8_t sound : {1, 0}) {
            SoundOn = sound;
            PowerMeter = 10;
            PowerFired = False;
            audio::SoundLog().clear();
            powers::PendingPower = c.key;
            EXPECT_EQ(shell::RunState(State::FirePower), c.routine);
            EXPECT_EQ(std::vector<int>({PowerMeter, PowerFired}), std::vector<int>({10 - c.key, True}));
            EXPECT_EQ(test::Logged(std::string("rewind ") + c.sound), 1);
            EXPECT_EQ(test::Logged(std::string("play ") + c.sound + " once"), sound);
            EXPECT_EQ(test::Logged("rewind bang.wav"), c.key == 6);  // played when the bomb bursts
            EXPECT_TRUE(
                test::ShowsText(PrimarySurface, StripRect.Left, StripRect.Top, c.banner, nullptr, StripRect.Right));
        }
    }
}

TEST_F(Powers, PowerKeysNeedTheMeterLowerKeysFirstAndAirstoneNeedsAStone) {
    struct Case { std::vector<int> keys; int meter; State next; int pending; const char* row = "RGBYRGBYRG"; };
    const Case cases[] = {
        {{6, 5}, 5, State::FirePower, 5},  // 6 cannot be paid from 5; 5 can
        {{3, 2}, 3, State::FirePower, 2},  // the lower key first
        {{4, 6}, 6, State::FirePower, 6},  // no stone: Airstone is passed over, free
        {{4}, 4, State::Settle, 0},        // and the piece just lands
        {{4}, 4, State::FirePower, 4, "RGBYSGBYRG"},  // with a stone it fires
        {{2}, 1, State::Settle, 0},        // nothing to pay with
    };
    for (const Case& c : cases) {
        SetWell({c.row});
        DealPiece();
        ResetKeyboard();
        PressKey(VK_SPACE);  // an unfired piece lands quickly
        for (int k : c.keys) PressKey(VkDigit(k));
        PowerMeter = uint8_t(c.meter);
        powers::PendingPower = 0;
        audio::SoundLog().clear();
        EXPECT_EQ(shell::RunState(State::PieceControl), c.next) << "meter " << c.meter;
        EXPECT_EQ(powers::PendingPower, c.pending);
        EXPECT_EQ(PowerMeter, c.meter);  // paid for by the power, not here
    }
}

TEST_F(Powers, AHeldKeyFiresWithEveryNewPieceUntilTheMeterRunsOut) {
    SetWell({"RGBYRGBYRG"});
    DealPiece();
    PowerMeter = 16;
    PressKey(VkDigit(2));
    std::vector<int> meterAfterFiring;
    State s = State::PieceControl;
    int pieces = 0;
    while (pieces < 10) {
        if (s == State::PieceControl) {
            ++pieces;
            if (PowerMeter < 2) break;
        }
        const State next = shell::RunState(s);
        if (s == State::FirePower) meterAfterFiring.push_back(PowerMeter);
        s = next;
    }
    EXPECT_EQ(meterAfterFiring, (std::vector<int>{14, 12, 10, 8, 6, 4, 2, 0}));
    EXPECT_EQ(pieces, 9);  // one firing per piece
}

// ---------------------------------------------------------------- the meter

TEST_F(Powers, SpendingAnimatesTheTopCellsThenLowersTheMeter) {
    for (const auto& [meter, cost, after] : {std::tuple{10, 3, "ooooooo........."}, {6, 6, "................"}}) {
        PowerMeter = uint8_t(meter);
        powers::DrawPowerMeter(powers::RedrawMeter);
        Present();
        std::set<std::string> shown;
        backend.onYield = [&] { shown.insert(test::MeterLights(PrimarySurface)); };
        const int32_t start = backend.TickCount();
        powers::SpendPower(uint8_t(cost));
        backend.onYield = nullptr;
        EXPECT_TRUE(test::Between(backend.TickCount() - start, 9 * 30, 9 * 30 + 3));  // nine steps of 30 ms
        // Meanwhile every spent cell, and only those, showed the spending frames.
        EXPECT_EQ(shown.count(std::string(size_t(meter - cost), 'o') + std::string(size_t(cost), '?') +
                              std::string(size_t(16 - meter), '.')),
                  1u);
        EXPECT_EQ(PowerMeter, meter - cost);
        EXPECT_EQ(test::MeterLights(PrimarySurface), after);
        EXPECT_EQ(test::MeterLights(BackBuffer), after);
    }
}

TEST_F(Powers, MeterGrowthBlinksTheNewCellsLowestFirstEachWithItsSound) {
    PowerMeter = 5;
    powers::DrawPowerMeter(powers::RedrawMeter);
    Present();
    PowerMeter = 8;  // three cells gained, as scoring leaves it
    std::vector<int> litOrder;       // cells counted from the bottom, as each first lights up
    std::vector<size_t> soundsThen;  // sound calls made by then
    backend.onYield = [&] {
        const std::string lights = test::MeterLights(PrimarySurface);
        for (int k = 6; k <= 8; ++k)
            if (lights[size_t(k - 1)] == 'o' && std::find(litOrder.begin(), litOrder.end(), k) == litOrder.end()) {
                litOrder.push_back(k);
                soundsThen.push_back(audio::SoundLog().size());
            }
    };
    const int32_t start = backend.TickCount();
    powers::DrawPowerMeter(3);
    EXPECT_EQ(litOrder, (std::vector<int>{6, 7, 8}));
    EXPECT_EQ(soundsThen, (std::vector<size_t>{2, 4, 6}));  // a rewind and a play before each
    EXPECT_EQ(test::Logged("play sb.wav once"), 3);
    EXPECT_TRUE(test::Between(backend.TickCount() - start, 3 * 21 * 10, 3 * 21 * 10 + 5));
    EXPECT_EQ(test::MeterLights(PrimarySurface), "oooooooo........");

    SoundOn = 0;  // the cell blinks without its sound
    audio::SoundLog().clear();
    powers::DrawPowerMeter(1);
    EXPECT_EQ(audio::SoundLog(), Rows{});
}

}  // namespace
