// A headless program for tests: the real game code on a virtual clock, with
// the shipped data of the build and scratch folders for the player's files.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "platform/headless_backend.h"

namespace test {

// The program's folder made by the build.
std::string GameDir();

class Headless : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Loads the display, the font and the levels like start-up does.
    void LoadContent();
    // Sets up a level row for play without a level start.
    void UseLevel(int index);

    platform::HeadlessBackend backend;
    std::string userDir, tempDir;
};

// Pixel of the screen or the back buffer as 0xBBGGRR at 5-6-5 precision.
uint32_t ScreenPixel(int x, int y);
uint32_t BackPixel(int x, int y);

}  // namespace test
