// The status panel left of the well: its values and the power frames.
#include <algorithm>

#include "game/play.h"
#include "harness.h"
#include "well_helpers.h"

namespace {

using platform::BackBuffer;
using platform::BackgroundSurface;
using platform::PrimarySurface;

class Panel : public test::Headless {
protected:
    void SetUp() override {
        Headless::SetUp();
        LoadContent();
        platform::FillRect(BackgroundSurface, platform::WholeSurface, platform::Rgb(40, 60, 120));
        LevelTable[0].MinBlocks = 4;
        UseLevel(0);
    }
    // Whether the surface shows the text at (20, y) over the background,
    // with nothing after it up to the panel's edge.
    static ::testing::AssertionResult Reads(const platform::Surface& s, int y, const std::string& text) {
        const int right = std::max(20 + platform::TextWidth(text), int(PanelRect.Right));
        const auto expected = test::TextOver(BackgroundSurface, 20, y, text);
        const Rect band = test::TextBand(20, y, right);
        if (test::SamePixels(s, band, expected, band)) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "the line at y = " << y << " does not read \"" << text << "\"";
    }
    static const char* const Labels[5];
};
const char* const Panel::Labels[5] = {"(2) Sweep", "(3) Rain", "(4) Airstone", "(5) HolyCross", "(6) Bomb"};

TEST_F(Panel, ShowsEveryValueAfterItsLabel) {
    LinesLeft = 0;
    Horizontals = 12;
    Verticals = 3;
    Diagonals = 0;
    Score = 1234567;
    // The play screen is composed on the background.
    platform::CopyRect(BackBuffer, platform::WholeSurface, BackgroundSurface, platform::WholeSurface);
    game::DrawStatusPanel();
    EXPECT_TRUE(Reads(BackBuffer, 110, "Lines left : 0"));
    EXPECT_TRUE(Reads(BackBuffer, 150, "Horizontals : 12"));
    EXPECT_TRUE(Reads(BackBuffer, 170, "Verticals : 3"));
    EXPECT_TRUE(Reads(BackBuffer, 190, "Diagonals : 0"));
    EXPECT_TRUE(Reads(BackBuffer, 230, "Score : 1234567"));
    EXPECT_FALSE(Reads(BackBuffer, 230, "Score : 123456"));
    EXPECT_TRUE(Reads(BackBuffer, 270, "Min blocks : 4"));

    // A level bonus can leave the score below zero.
    Score = -35;
    game::DrawStatusPanel();
    EXPECT_TRUE(Reads(BackBuffer, 230, "Score : -35"));
}

TEST_F(Panel, RepaintsFromTheBackgroundAndShowsOnlyThePanel) {
    const uint16_t white = platform::ToPixel565(platform::Rgb(255, 255, 255));
    platform::FillRect(BackBuffer, platform::WholeSurface, platform::Rgb(255, 255, 255));
    Score = 42;
    game::DrawStatusPanel();
    // Between the lines and below the last frame lies the background.
    EXPECT_TRUE(test::SamePixels(BackBuffer, {20, 130, 190, 150}, BackgroundSurface, {20, 130, 190, 150}));
    EXPECT_TRUE(test::SamePixels(BackBuffer, {20, 410, 190, 421}, BackgroundSurface, {20, 410, 190, 421}));
    // Outside the panel nothing changed.
    EXPECT_TRUE(test::AllPixels(BackBuffer, {0, 0, 640, 109}, white));
    EXPECT_TRUE(test::AllPixels(BackBuffer, {190, 109, 640, 480}, white));
    EXPECT_TRUE(test::AllPixels(BackBuffer, {0, 421, 190, 480}, white));
    EXPECT_TRUE(test::AllPixels(BackBuffer, {0, 109, 20, 421}, white));

    EXPECT_TRUE(test::AllPixels(PrimarySurface, PanelRect, 0));  // drawn, not yet shown
    game::PresentPanel();
    EXPECT_TRUE(Reads(PrimarySurface, 230, "Score : 42"));
    EXPECT_TRUE(test::SamePixels(PrimarySurface, PanelRect, BackBuffer, PanelRect));
    EXPECT_TRUE(test::AllPixels(PrimarySurface, {0, 0, 640, 109}, 0));
    EXPECT_TRUE(test::AllPixels(PrimarySurface, {190, 109, 640, 480}, 0));
}

TEST_F(Panel, PowersAreFramedGreenWhenTheMeterCanPayForThem) {
    const platform::Colour green = platform::Rgb(0, 255, 0), red = platform::Rgb(255, 0, 0);
    for (int meter : {0, 1, 2, 4, 5, 6, 16}) {
        PowerMeter = uint8_t(meter);
        game::DrawStatusPanel();
        for (int k = 2; k <= 6; ++k) {
            const int top = 309 + 20 * (k - 2), w = platform::TextWidth(Labels[k - 2]);
            ASSERT_GT(w, 0);
            const platform::Colour expected = meter >= k ? green : red;
            SCOPED_TRACE(std::string(Labels[k - 2]) + " with the meter at " + std::to_string(meter));
            EXPECT_EQ(test::BackPixel(20 + w / 2, top), expected);       // top edge
            EXPECT_EQ(test::BackPixel(20, top + 9), expected);           // left edge
            EXPECT_EQ(test::BackPixel(20 + w - 1, top + 9), expected);   // right edge
            EXPECT_EQ(test::BackPixel(20 + w / 2, top + 18), expected);  // bottom edge
        }
    }
}

}  // namespace
