// The finale: the stars' drift and re-entry, Escape, the curtain and the
// closing message.
#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "audio/audio.h"
#include "ending/finale.h"
#include "game/random.h"
#include "game/state.h"
#include "harness.h"
#include "platform/display.h"
#include "platform/keyboard.h"

namespace {

using ending::Star;

class Stars : public test::Headless {};

TEST_F(Stars, AStarDriftsLeftAndIsDrawnOnceOffTheLeftEdge) {
    Star s;
    s.x = 5;
    s.y = 77;
    s.speed = 3;
    s.colour = 0x123456;
    ending::MoveStar(s);
    EXPECT_EQ(s.x, 2);
    ending::MoveStar(s);
    EXPECT_EQ(s.x, -1);  // drawn here once, partly off the screen
    EXPECT_EQ(s.y, 77);
    EXPECT_EQ(s.colour, 0x123456);
    ending::MoveStar(s);
    EXPECT_EQ(s.x, 640);  // back in just beyond the right edge
    ending::MoveStar(s);
    EXPECT_EQ(s.x, 640 - s.speed);

    Star edge;
    edge.x = 0;
    edge.speed = 4;
    ending::MoveStar(edge);
    EXPECT_EQ(edge.x, -4);  // 0 is still on the screen: it moves on first
}

TEST_F(Stars, ReEnteringStarsGetANewRowSpeedAndColour) {
    std::set<int> speeds, rows;
    std::set<int> reds, greens, blues;
    for (int i = 0; i < 4000; ++i) {
        Star s;
        s.x = -2;
        s.y = 10;
        s.speed = 2;
        ending::MoveStar(s);
        ASSERT_EQ(s.x, 640);
        speeds.insert(s.speed);
        rows.insert(s.y);
        reds.insert(s.colour & 255);
        greens.insert(s.colour >> 8 & 255);
        blues.insert(s.colour >> 16 & 255);
        ASSERT_EQ(s.colour >> 24, 0);
    }
    EXPECT_EQ(speeds, (std::set<int>{1, 2, 3, 4}));
    EXPECT_GE(*rows.begin(), 0);
    EXPECT_LE(*rows.rbegin(), 479);
    EXPECT_GT(rows.size(), 400u);  // rows all over the screen
    for (const auto* channel : {&reds, &greens, &blues}) {
        EXPECT_EQ(*channel->begin(), 128);
        EXPECT_EQ(*channel->rbegin(), 255);
        EXPECT_EQ(channel->size(), 128u);
    }
}

class FinaleScreen : public test::Headless {
protected:
    void SetUp() override {
        Headless::SetUp();
        LoadContent();
    }
};

TEST_F(FinaleScreen, EscapeDrawsTheCurtainLeavingTheOuterColumnsThenTheMessage) {
    using platform::PrimarySurface;
    MusicOn = 0;
    backend.PressAt(500, platform::VK_ESCAPE);
    // While Escape waits to be seen, the outer columns of the last frame
    // are marked, so that the curtain's last picture shows what it left.
    const uint16_t mark = platform::ToPixel565(platform::Rgb(255, 0, 255));
    backend.onYield = [&] {
        if (!platform::KeyHeld(platform::VK_ESCAPE)) return;
        for (int y = 0; y < 480; ++y)
            for (int x : {0, 1, 2, 3, 636, 637, 638, 639}) platform::BackBuffer.SetPixel(x, y, mark);
    };
    // The curtain's frames, seen in its busy waits: which columns are
    // still marked in each.
    std::vector<std::string> frames;
    int32_t curtainEnd = -1;
    backend.onIdle = [&] {
        std::string marked;
        for (int x : {0, 1, 2, 3, 636, 637, 638, 639}) {
            bool whole = true;
            for (int y = 0; y < 480; ++y) whole = whole && PrimarySurface.Pixel(x, y) == mark;
            marked += whole ? 'm' : '.';
        }
        if (frames.empty() || frames.back() != marked) frames.push_back(marked);
        if (marked == "........" && curtainEnd < 0) curtainEnd = backend.TickCount();
        // The closing message's timing is the message box's own: 5 ms a
        // pass is close enough here.
        if (curtainEnd >= 0) backend.SetTime(backend.TickCount() + 4);
    };
    EXPECT_EQ(ending::Finale(), shell::State::MainMenu);
    ASSERT_FALSE(frames.empty());
    EXPECT_EQ(frames.front(), "mmmmmmmm");
    ASSERT_GE(frames.size(), 3u);
    EXPECT_EQ(frames[frames.size() - 2], "mmm..mmm");  // the last curtain frame
    EXPECT_EQ(frames.back(), "........");              // the closing message clears it all
    // 80 steps of 20 ms, then 3000 ms of message and 500 ms of black.
    EXPECT_GE(curtainEnd, 500 + 80 * 20);
    EXPECT_LE(curtainEnd, 500 + 80 * 20 + 25);
    EXPECT_GE(backend.TickCount(), curtainEnd + 3500);
    EXPECT_LE(backend.TickCount(), curtainEnd + 3515);
    // Silent with the music off, and the menu tune is ready again.
    const auto& log = audio::SoundLog();
    EXPECT_EQ(std::count(log.begin(), log.end(), "music play"), 0);
    EXPECT_EQ(std::count(log.begin(), log.end(), "music stop"), 0);
    EXPECT_EQ(log.back(), "rewind intro.wav");
}

TEST_F(FinaleScreen, TheMusicPlaysAndStopsWhenItIsOn) {
    MusicOn = 1;
    backend.TapAt(100, platform::VK_ESCAPE);
    // Only the start matters here: the window closes during the curtain.
    backend.CloseAt(400);
    EXPECT_THROW(ending::Finale(), platform::ProgramEnded);
    const auto& log = audio::SoundLog();
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log[0], "music load endmid.mid repeats 999");
    EXPECT_EQ(log[1], "music play");
    EXPECT_EQ(log[2], "music stop");
}

TEST_F(FinaleScreen, AShortTapBetweenStepsIsMissed) {
    MusicOn = 1;
    // Steps at 20, 40, 60, ...: a tap from 41 to 55 falls between two.
    backend.TapAt(41, platform::VK_ESCAPE, 14);
    backend.CloseAt(300);
    EXPECT_THROW(ending::Finale(), platform::ProgramEnded);
    EXPECT_EQ(audio::SoundLog().back(), "music play");  // still playing: the screen stayed
}

}  // namespace
