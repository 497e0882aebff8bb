// Gravity in the well: blocks fall one row per 30 ms pass, every pass is
// shown, and the settled well is the last picture before resolution.
#include "game/play.h"
#include "harness.h"
#include "well_helpers.h"

namespace {

using platform::BackBuffer;
using platform::PrimarySurface;
using shell::State;
using test::SetWell;

class Settling : public test::Headless {
protected:
    void SetUp() override {
        Headless::SetUp();
        recorder.SetTime(1000);
        platform::Use(&recorder);
        LoadContent();
        recorder.times.clear();
    }
    // Settles the well; notes the well's rows at every change of the screen
    // and whether the screen showed that well.
    State Settle() {
        pictures.clear();
        shownRight = true;
        recorder.onChange = [this] {
            pictures.push_back(test::WellRows16());
            shownRight = shownRight && test::WellShown(PrimarySurface);
        };
        start = recorder.TickCount();
        const State next = game::SettleWell();
        recorder.onChange = nullptr;
        return next;
    }

    class Recorder : public test::ScreenTimes {
    public:
        void ScreenChanged() override {
            ScreenTimes::ScreenChanged();
            if (onChange) onChange();
        }
        std::function<void()> onChange;
    };
    Recorder recorder;
    std::vector<std::vector<std::string>> pictures;
    bool shownRight = true;
    int32_t start = 0;
};

TEST_F(Settling, TwoBlocksFallElevenRowsInElevenPassesOfThirtyMilliseconds) {
    SetWell({});
    Well[3][3] = Colour1Cell;  // rows 5 to 15 below them are empty
    Well[3][4] = Colour2Cell;
    EXPECT_EQ(Settle(), State::Resolve);
    EXPECT_EQ(test::LowestRows(3), (std::vector<std::string>{"..........", "...R......", "...G......"}));
    // Eleven passes move and are shown; the twelfth moves nothing.
    ASSERT_EQ(recorder.times.size(), 11u);
    for (size_t i = 0; i < recorder.times.size(); ++i) EXPECT_EQ(recorder.times[i] - start, int32_t(30 * (i + 1)));
    EXPECT_EQ(recorder.TickCount() - start, 12 * 30);
    EXPECT_TRUE(shownRight);
    // Each pass moves the pair exactly one row.
    for (size_t i = 0; i < pictures.size(); ++i) {
        EXPECT_EQ(pictures[i][4 + i][3], 'R') << "pass " << i + 1;
        EXPECT_EQ(pictures[i][5 + i][3], 'G') << "pass " << i + 1;
    }
    EXPECT_TRUE(test::WellShown(PrimarySurface));
}

TEST_F(Settling, ASettledWellTakesOnePassAndIsShownOnce) {
    SetWell({"R.........",
             "RS......WG"});
    platform::FillRect(BackBuffer, platform::WholeSurface, platform::Rgb(255, 255, 255));
    platform::Present();
    recorder.times.clear();
    EXPECT_EQ(Settle(), State::Resolve);
    EXPECT_EQ(recorder.TickCount() - start, 30);
    EXPECT_EQ(recorder.times.size(), 1u);
    EXPECT_TRUE(test::WellShown(PrimarySurface));
    // Only the well is redrawn and presented.
    EXPECT_EQ(test::ScreenPixel(199, 100), platform::Rgb(255, 255, 255));
    EXPECT_EQ(test::ScreenPixel(440, 100), platform::Rgb(255, 255, 255));
    EXPECT_EQ(test::ScreenPixel(300, 434), platform::Rgb(255, 255, 255));
    EXPECT_EQ(test::ScreenPixel(300, 49), platform::Rgb(255, 255, 255));
}

TEST_F(Settling, AStackOfEveryKindFallsTogetherAndColumnsStayApart) {
    SetWell({});
    // Column 0: five blocks of every kind from row 0, a gap, one on the floor.
    const char stack[] = "SWRGB";
    for (int y = 0; y < 5; ++y) Well[0][y] = test::CellOf(stack[y]);
    Well[0][15] = Colour4Cell;
    // Column 1: a lone stone high up next to it; column 9 rests already.
    Well[1][2] = StoneCell;
    Well[9][14] = WildCell;
    Well[9][15] = StoneCell;
    EXPECT_EQ(Settle(), State::Resolve);
    EXPECT_EQ(test::LowestRows(6), (std::vector<std::string>{"S.........", "W.........", "R.........",
                                                             "G.........", "B........W", "YS.......S"}));
    // The stone in column 1 falls 13 rows, the stack 10: 13 shown passes.
    EXPECT_EQ(recorder.times.size(), 13u);
    EXPECT_EQ(recorder.TickCount() - start, 14 * 30);
    EXPECT_TRUE(shownRight);
    ASSERT_EQ(pictures.size(), 13u);
    EXPECT_EQ(pictures[0][1], "S.........");  // after one pass: every block one row lower
    EXPECT_EQ(pictures[0][5], "B.........");
    EXPECT_EQ(pictures[0][3], "RS........");
}

}  // namespace
