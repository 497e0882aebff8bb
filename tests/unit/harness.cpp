#include "harness.h"

#include <cstdlib>
#include <filesystem>

#include "audio/audio.h"
#include "data/files.h"
#include "game/random.h"
#include "game/state.h"
#include "platform/display.h"
#include "platform/font.h"
#include "platform/keyboard.h"
#include "shell/window.h"

namespace test {

std::string GameDir() {
    const char* dir = std::getenv("ZINTARI_GAME_DIR");
    return dir ? dir : "build/game";
}

void Headless::SetUp() {
    platform::Use(&backend);
    platform::ResetKeyboard();
    ResetProgramState();
    game::SeedRandom(12345);
    audio::SoundLog().clear();
    shell::DisableTimer1();
    shell::DisableTimer2();
    char pattern[] = "/tmp/zintari-test-XXXXXX";
    const std::string root = mkdtemp(pattern);
    userDir = root + "/user";
    tempDir = root + "/temp";
    std::filesystem::create_directories(userDir);
    std::filesystem::create_directories(tempDir);
    data::SetFolders(GameDir(), userDir, tempDir);
}

void Headless::TearDown() {
    platform::ReleaseDisplay();
    platform::Use(nullptr);
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(userDir).parent_path(), ignored);
}

void Headless::LoadContent() {
    platform::InitDisplay();
    platform::LoadLevelsAndFont();
}

void Headless::UseLevel(int index) {
    CurrentLevel = int16_t(index);
    MinBlocks = CurrentRow().MinBlocks;
    LinesLeft = CurrentRow().LineQuota;
}

uint32_t ScreenPixel(int x, int y) { return platform::FromPixel565(platform::PrimarySurface.Pixel(x, y)); }
uint32_t BackPixel(int x, int y) { return platform::FromPixel565(platform::BackBuffer.Pixel(x, y)); }

}  // namespace test
