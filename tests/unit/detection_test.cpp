// Finding runs in hand-built wells, and what resolution does with them.
#include <algorithm>
#include <tuple>

#include "audio/audio.h"
#include "game/play.h"
#include "harness.h"
#include "well_helpers.h"

namespace {

using shell::State;
using test::Runs;
using test::SetWell;
using Entries = std::vector<RunEntry>;

class Detection : public test::Headless {
protected:
    void SetUp() override {
        Headless::SetUp();
        MinBlocks = 3;
    }
    static Entries Find() {
        game::FindRuns();
        return Runs();
    }
};

TEST_F(Detection, FourInARowGivesOneEntryPerStartCell) {
    SetWell({"RRRR......"});
    EXPECT_EQ(Find(), (Entries{{0, 15, 0}, {1, 15, 0}}));
}

TEST_F(Detection, RunsSharingACellAreBothFoundInScanOrder) {
    SetWell({"R.........",
             "R.........",
             "RRR......."});
    EXPECT_EQ(Find(), (Entries{{0, 13, 1}, {0, 15, 0}}));
}

TEST_F(Detection, WildBallJoinsAnyColourButTheRunKeepsOneColour) {
    // Red, wild, blue, blue: only wild-blue-blue is a run; the red is left out.
    SetWell({"RWBB......"});
    EXPECT_EQ(Find(), (Entries{{1, 15, 0}}));

    // One wild ball in two runs of different colours, one from each side.
    SetWell({"RRWBB....."});
    EXPECT_EQ(Find(), (Entries{{0, 15, 0}, {2, 15, 0}}));

    // A run of wild balls alone counts, once per start cell and direction.
    SetWell({"WWW......."});
    EXPECT_EQ(Find(), (Entries{{0, 15, 0}}));

    // A wild ball starts a run of the colour that follows it.
    SetWell({".....W....",
             ".....Y....",
             ".....Y...."});
    EXPECT_EQ(Find(), (Entries{{5, 13, 1}}));
}

TEST_F(Detection, StonesAndGapsBreakRunsAndNeverStartOne) {
    SetWell({"RRSRR....."});
    EXPECT_TRUE(Find().empty());
    SetWell({"SSS.RR.R.."});
    EXPECT_TRUE(Find().empty());
    // A stone where the third cell of a wild run would be.
    SetWell({"WWS......."});
    EXPECT_TRUE(Find().empty());
    SetWell({"S.........",
             "W.........",
             "W.........",
             "W........."});
    EXPECT_EQ(Find(), (Entries{{0, 13, 1}}));
}

TEST_F(Detection, DiagonalsInBothDirections) {
    // Down and right from (2, 11); up and right from (5, 15), found at its
    // lowest cell.
    SetWell({"..G.......",
             "...G......",
             "....G...Y.",
             ".......Y..",
             "......Y...",
             ".....Y...."});
    EXPECT_EQ(Find(), (Entries{{2, 10, 2}, {5, 15, 3}, {6, 14, 3}}));
}

TEST_F(Detection, RunsReachingTheWallsFloorAndTop) {
    SetWell({".......RRR",
             "B........G",
             "B........G",
             "B........G"});
    EXPECT_EQ(Find(), (Entries{{0, 13, 1}, {7, 12, 0}, {9, 13, 1}}));

    // The diagonals into the top-right and bottom-right corners.
    for (auto& column : Well)
        for (auto& cell : column) cell = EmptyCell;
    Well[7][2] = Well[8][1] = Well[9][0] = Colour4Cell;
    Well[7][13] = Well[8][14] = Well[9][15] = Colour2Cell;
    EXPECT_EQ(Find(), (Entries{{7, 2, 3}, {7, 13, 2}}));
}

TEST_F(Detection, MinBlocksSetsTheLengthOfARun) {
    SetWell({"B.........",
             "B.........",
             "B.........",
             "B.........",
             "BYYYYY...."});
    MinBlocks = 3;
    EXPECT_EQ(Find(), (Entries{{0, 11, 1}, {0, 12, 1}, {0, 13, 1}, {1, 15, 0}, {2, 15, 0}, {3, 15, 0}}));
    MinBlocks = 4;
    EXPECT_EQ(Find(), (Entries{{0, 11, 1}, {0, 12, 1}, {1, 15, 0}, {2, 15, 0}}));
    MinBlocks = 5;
    EXPECT_EQ(Find(), (Entries{{0, 11, 1}, {1, 15, 0}}));
    MinBlocks = 6;
    EXPECT_TRUE(Find().empty());
}

TEST_F(Detection, EntriesFollowColumnsThenRowsThenDirections) {
    SetWell({"R.........",
             "RRR.......",
             "RRR.......",
             "RRRR......"});
    EXPECT_EQ(Find(), (Entries{{0, 12, 1}, {0, 12, 2}, {0, 13, 0}, {0, 13, 1}, {0, 13, 2}, {0, 14, 0},
                               {0, 15, 0}, {0, 15, 3}, {1, 13, 1}, {1, 13, 2}, {1, 15, 0}, {2, 13, 1}}));
}

TEST_F(Detection, AWellFullOfWildBallsStaysInsideTheWellAndInScanOrder) {
    for (auto& column : Well)
        for (auto& cell : column) cell = WildCell;
    // Starts that fit: horizontal (11 - m) x 16, vertical 10 x (17 - m), and
    // (11 - m) x (17 - m) for each diagonal.
    for (int m : {3, 4, 5, 1}) {
        MinBlocks = uint8_t(m);
        const Entries found = Find();
        const int expected = (11 - m) * 16 + 10 * (17 - m) + 2 * (11 - m) * (17 - m);
        EXPECT_EQ(int(found.size()), expected) << "MinBlocks " << m;
        EXPECT_LE(int(found.size()), MaxRuns);
        const auto key = [](const RunEntry& e) { return std::tuple(e.X, e.Y, e.Dir); };
        EXPECT_TRUE(std::is_sorted(found.begin(), found.end(),
                                   [&](const RunEntry& a, const RunEntry& b) { return key(a) < key(b); }));
        for (const RunEntry& e : found) {
            const int lastX = game::RunCellX(e, m - 1), lastY = game::RunCellY(e, m - 1);
            EXPECT_TRUE(lastX >= 0 && lastX < WellColumns && lastY >= 0 && lastY < WellRows)
                << "run from (" << int(e.X) << ", " << int(e.Y) << ") dir " << int(e.Dir) << " leaves the well";
        }
    }
}

// Resolution: a stable well deals the next piece, runs go to clearing.
class Resolution : public test::Headless {
protected:
    void SetUp() override {
        Headless::SetUp();
        LevelTable[0] = LevelInfo{};
        LevelTable[0].ColourLimit = 101;
        LevelTable[0].StoneLimit = 101;
        UseLevel(0);
    }
};

TEST_F(Resolution, RunsPlayTheLineSoundAndGoToClearing) {
    SetWell({"..G.......",
             "..G.......",
             "..G......."});
    LevelTable[0].Directions = 1;  // only horizontals count, but every run clears
    EXPECT_EQ(game::ResolveWell(), State::Clear);
    EXPECT_EQ(Runs(), (Entries{{2, 13, 1}}));
    EXPECT_EQ(audio::SoundLog(), (std::vector<std::string>{"rewind line.wav", "play line.wav once"}));
    EXPECT_EQ(ScoringOn, False);  // only a stable well turns scoring on

    audio::SoundLog().clear();
    SoundOn = 0;
    EXPECT_EQ(game::ResolveWell(), State::Clear);
    EXPECT_TRUE(audio::SoundLog().empty());
}

TEST_F(Resolution, AStableWellDealsAndPlacesTheNextPiece) {
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
        EXPECT_EQ(PieceSize, c.size);
        EXPECT_EQ(PieceX, c.x);
        EXPECT_EQ(PieceY, c.y);
        EXPECT_FALSE(PieceGrid[1][0].Empty) << "kind " << int(c.kind);
        EXPECT_EQ(test::LowestRows(1)[0], "RRGGRRGGRR");
    }
    EXPECT_TRUE(audio::SoundLog().empty());
}

TEST_F(Resolution, APendingSweepRunsBeforeThePieceIsControlled) {
    SweepPending = True;
    EXPECT_EQ(game::ResolveWell(), State::Sweep);
    EXPECT_EQ(ScoringOn, True);
    EXPECT_EQ(PieceY, -72);
}

}  // namespace
