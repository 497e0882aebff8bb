// The preferences file: what a save writes, what a load reads, and what
// happens to a damaged or half-written file.
#include <filesystem>
#include <string>

#include "data/files.h"
#include "data/preferences.h"
#include "game/state.h"
#include "harness.h"

namespace {

namespace fs = std::filesystem;

class Prefs : public test::Headless {
protected:
    std::string PrefsPath() const { return userDir + "/prefs.znd"; }
    // The plain text of a scrambled file.
    std::string Unscrambled(const std::string& path) {
        std::string bytes = data::ReadWholeFile(path);
        data::ScrambleBytes(bytes, DataKey);
        return bytes;
    }
    void WritePlain(const std::string& text) {
        std::string bytes = text;
        data::ScrambleBytes(bytes, DataKey);
        data::WriteFileAtomically(PrefsPath(), bytes);
    }
    void Set(uint8_t music, uint8_t sound, uint8_t difficulty, uint8_t rotation, uint8_t levels) {
        MusicOn = music;
        SoundOn = sound;
        Difficulty = difficulty;
        RotationMode = rotation;
        LevelsUnlocked = levels;
    }
    std::string Values() const {
        return std::to_string(MusicOn) + " " + std::to_string(SoundOn) + " " + std::to_string(Difficulty) + " " +
               std::to_string(RotationMode) + " " + std::to_string(LevelsUnlocked);
    }
    bool TempFolderEmpty() const { return fs::is_empty(tempDir); }

    const std::string shipped = "1 1 2 0 1";  // what the game comes with
};

TEST_F(Prefs, ASaveWritesAllSixLinesAndALoadReadsThemBack) {
    Set(0, 1, 3, 1, 17);
    data::Preferences("save");
    EXPECT_EQ(Unscrambled(PrefsPath()), "0\r\n1\r\n3\r\n1\r\n17\r\n\"Rise and fall it is just so always\"\r\n");
    EXPECT_TRUE(TempFolderEmpty());
    Set(1, 0, 1, 0, 1);
    data::Preferences("load");
    EXPECT_EQ(Values(), "0 1 3 1 17");
    EXPECT_TRUE(TempFolderEmpty());
    // Saving unchanged values writes the whole file again.
    WritePlain("0\r\n1\r\n3\r\n1\r\n17\r\n");
    data::Preferences("save");
    EXPECT_EQ(Unscrambled(PrefsPath()), "0\r\n1\r\n3\r\n1\r\n17\r\n\"Rise and fall it is just so always\"\r\n");
}

TEST_F(Prefs, TheFirstLoadTakesTheShippedFile) {
    ASSERT_FALSE(data::FileExists(PrefsPath()));
    Set(0, 0, 3, 5, 9);
    data::Preferences("load");
    EXPECT_EQ(Values(), shipped);
    EXPECT_TRUE(data::FileExists(PrefsPath()));
    EXPECT_TRUE(TempFolderEmpty());
}

TEST_F(Prefs, OtherValuesAreKeptAsStoredAndTheLevelsClamped) {
    WritePlain("0\r\n0\r\n7\r\n9\r\n0\r\n\"Rise and fall it is just so always\"\r\n");
    data::Preferences("load");
    EXPECT_EQ(Values(), "0 0 7 9 1");
    WritePlain("1,1,2,0,31\r\n");  // free format: commas separate too
    data::Preferences("load");
    EXPECT_EQ(Values(), "1 1 2 0 30");
    WritePlain("1\r\n1\r\n2\r\n0\r\n255\r\n");
    data::Preferences("load");
    EXPECT_EQ(LevelsUnlocked, 30);
    WritePlain("1\r\n1\r\n2\r\n0\r\n30\r\n");
    data::Preferences("load");
    EXPECT_EQ(LevelsUnlocked, 30);
}

TEST_F(Prefs, ADamagedFileIsKeptAsideAndTheDefaultsUsed) {
    for (const std::string& damaged : {std::string("1\r\n1\r\n2\r\n"), std::string("one\r\ntwo\r\n"),
                                       std::string("1\r\n1\r\n2\r\n0\r\n300\r\n"), std::string("\x01\x02\xff", 3)}) {
        SCOPED_TRACE(damaged);
        WritePlain(damaged);
        const std::string bytes = data::ReadWholeFile(PrefsPath());
        Set(0, 0, 3, 1, 20);
        testing::internal::CaptureStderr();
        data::Preferences("load");
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ(Values(), shipped);
        EXPECT_EQ(data::ReadWholeFile(PrefsPath() + ".bad"), bytes);  // kept as it was
        EXPECT_NE(said.find("prefs.znd.bad"), std::string::npos) << said;
        EXPECT_TRUE(TempFolderEmpty());
        // The replacement is whole: the next load is quiet.
        testing::internal::CaptureStderr();
        data::Preferences("load");
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    }
}

TEST_F(Prefs, AnEmptyFileGivesTheDefaults) {
    data::WriteFileAtomically(PrefsPath(), "");
    Set(0, 0, 3, 1, 20);
    testing::internal::CaptureStderr();
    data::Preferences("load");
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(Values(), shipped);
    EXPECT_TRUE(data::FileExists(PrefsPath() + ".bad"));
}

TEST_F(Prefs, AnInterruptedSaveKeepsThePreviousFile) {
    Set(0, 1, 3, 1, 17);
    data::Preferences("save");
    const std::string before = data::ReadWholeFile(PrefsPath());
    // The new file cannot be written (its temporary name is taken by a
    // folder): the save fails, and the old file stands untouched.
    fs::create_directory(PrefsPath() + ".part");
    Set(1, 1, 1, 0, 29);
    EXPECT_THROW(data::Preferences("save"), data::FatalError);
    EXPECT_EQ(data::ReadWholeFile(PrefsPath()), before);
    EXPECT_TRUE(TempFolderEmpty());
    fs::remove(PrefsPath() + ".part");
    data::Preferences("load");
    EXPECT_EQ(Values(), "0 1 3 1 17");

    // A half-written temporary left by a crash is never read.
    data::WriteFileAtomically(PrefsPath() + ".part", "garbage");
    data::Preferences("load");
    EXPECT_EQ(Values(), "0 1 3 1 17");
    data::Preferences("save");
    EXPECT_FALSE(data::FileExists(PrefsPath() + ".part"));
}

}  // namespace
