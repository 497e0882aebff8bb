// A headless program for tests: the real game code on a virtual clock, with
// the shipped data of the build and scratch folders for the player's files.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "game/state.h"
#include "platform/headless_backend.h"
#include "shell/program.h"

namespace shell {
// States print by name in failure messages.
inline void PrintTo(State s, std::ostream* os) { *os << StateName(s); }
}  // namespace shell

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
    // The level at index finished with exactly its quota, with `unlocked`
    // levels open and the score given.
    void FinishLevel(int index, int unlocked, int32_t score = 0);
    // A key tap that starts `after` ms from now.
    void Tap(int32_t after, int vk, int32_t hold = 60) { backend.TapAt(backend.TickCount() + after, vk, hold); }

    platform::HeadlessBackend backend;
    std::string userDir, tempDir;
};

// The same with the display, the font and the levels loaded.
class Loaded : public Headless {
protected:
    void SetUp() override { Headless::SetUp(); LoadContent(); }
};

// Whether lo <= v <= hi; the message names all three when not.
inline ::testing::AssertionResult Between(int64_t v, int64_t lo, int64_t hi) {
    if (v >= lo && v <= hi) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << v << " is not within [" << lo << ", " << hi << "]";
}

// Pixel of the back buffer as 0xBBGGRR at 5-6-5 precision.
uint32_t BackPixel(int x, int y);

// How often the sound log holds the line.
int Logged(const std::string& line);

// LevelsUnlocked as the preferences file holds it.
int StoredLevelsUnlocked();

// A player's file from plain text, and back.
void WriteScrambledText(const std::string& path, const std::string& text);
std::string Unscrambled(const std::string& path);

}  // namespace test
