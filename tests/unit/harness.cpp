#include "harness.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "audio/audio.h"
#include "data/files.h"
#include "data/preferences.h"
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
    audio::KeepSoundLog(true);
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
    shell::OnStateEntered = nullptr;
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

void Headless::FinishLevel(int index, int unlocked, int32_t score) {
    UseLevel(index);
    LevelsUnlocked = uint8_t(unlocked);
    Score = score;
    Horizontals = int16_t(CurrentRow().LineQuota);
    LinesLeft = 0;
}

uint32_t BackPixel(int x, int y) { return platform::FromPixel565(platform::BackBuffer.Pixel(x, y)); }

int Logged(const std::string& line) {
    const auto& log = audio::SoundLog();
    return int(std::count(log.begin(), log.end(), line));
}

int StoredLevelsUnlocked() {
    const uint8_t kept = LevelsUnlocked;
    data::Preferences("load");
    const int stored = LevelsUnlocked;
    LevelsUnlocked = kept;
    return stored;
}

void WriteScrambledText(const std::string& path, const std::string& text) {
    std::string bytes = text;
    data::ScrambleBytes(bytes, DataKey);
    data::WriteFileAtomically(path, bytes);
}

std::string Unscrambled(const std::string& path) {
    std::string bytes = data::ReadWholeFile(path, SIZE_MAX);
    data::ScrambleBytes(bytes, DataKey);
    return bytes;
}

}  // namespace test
