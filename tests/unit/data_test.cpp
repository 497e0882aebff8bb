// The player's files and the best players: preferences, the scores table
// and its file, name entry, the best players screen, and the help reader.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <regex>
#include <set>
#include <tuple>

#include "shell/best_players.h"
#include "data/files.h"
#include "data/preferences.h"
#include "audio/audio.h"
#include "data/scores.h"
#include "harness.h"
#include "platform/display.h"
#include "screen_checks.h"
#include "platform/keyboard.h"
#include "platform/font.h"
#include "platform/sdl_backend.h"
#include "platform/timing.h"
#include "shell/screens.h"

namespace {

namespace fs = std::filesystem;
using platform::VK_ESCAPE;
using platform::VK_RETURN;
using Table = std::vector<std::string>;

class Data : public test::Headless {
protected:
    std::string PrefsPath() const { return userDir + "/prefs.znd"; }
    std::string ScoresPath() const { return userDir + "/scores.znd"; }
    static void Set(uint8_t music, uint8_t sound, uint8_t difficulty, uint8_t rotation, uint8_t levels) {
        std::tie(MusicOn, SoundOn, Difficulty, RotationMode, LevelsUnlocked) = std::tie(music, sound, difficulty, rotation, levels);
    }
    static std::string Values() {
        return std::to_string(MusicOn) + " " + std::to_string(SoundOn) + " " + std::to_string(Difficulty) + " " +
               std::to_string(RotationMode) + " " + std::to_string(LevelsUnlocked);
    }
    // The table as "name score" entries, best first.
    static Table Scores() {
        Table rows;
        for (int i = 0; i < ScoreEntries; ++i) rows.push_back(ScoreNames[size_t(i)] + " " + std::to_string(ScoreValues[size_t(i)]));
        return rows;
    }
    // Players a to j scoring 100, 90, ..., 10.
    static void TenPlayers() {
        for (int i = 0; i < ScoreEntries; ++i) {
            ScoreNames[size_t(i)] = std::string(1, char('a' + i));
            ScoreValues[size_t(i)] = 100 - 10 * i;
        }
    }
    // The files set aside in the player's folder.
    std::set<std::string> SetAside() const {
        std::set<std::string> names;
        for (const auto& f : fs::directory_iterator(userDir))
            if (f.path().extension() == ".bad") names.insert(f.path().string());
        return names;
    }
    // Loads a damaged file; checks it was set aside as it was under a name of
    // its own (name.YYYYMMDD-HHMMSS[-n].bad), said so, and that the
    // replacement is whole.
    template <typename Load>
    void LoadsDamaged(const std::string& path, const std::string& plain, Load load) {
        test::WriteScrambledText(path, plain);
        const std::string bytes = data::ReadWholeFile(path, SIZE_MAX);
        const auto before = SetAside();
        testing::internal::CaptureStderr();
        load();
        const std::string said = testing::internal::GetCapturedStderr();
        std::set<std::string> added = SetAside();
        for (const auto& old : before) added.erase(old);
        ASSERT_EQ(added.size(), 1u) << said;  // one more: none replaced
        const std::string aside = *added.begin();
        EXPECT_TRUE(aside.starts_with(path) &&
                    std::regex_match(aside.substr(path.size()), std::regex(R"(\.\d{8}-\d{6}(-\d+)?\.bad)")))
            << aside;
        EXPECT_EQ(data::ReadWholeFile(aside, SIZE_MAX), bytes);
        EXPECT_NE(said.find(aside), std::string::npos) << said;
        EXPECT_TRUE(fs::is_empty(tempDir));
        testing::internal::CaptureStderr();
        load();
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    }
    const std::string shipped = "1 1 2 0 1";  // the preferences the game comes with
};

// ---------------------------------------------------------------- preferences

TEST_F(Data, PreferencesRoundTripAndTheFirstLoadTakesTheShippedFile) {
    Set(0, 0, 3, 1, 9);
    data::Preferences("load");
    EXPECT_EQ(Values(), shipped);
    EXPECT_TRUE(data::FileExists(PrefsPath()));

    Set(0, 1, 3, 1, 17);
    data::Preferences("save");
    EXPECT_EQ(test::Unscrambled(PrefsPath()), "0\r\n1\r\n3\r\n1\r\n17\r\n\"Rise and fall it is just so always\"\r\n");
    Set(1, 0, 1, 0, 1);
    data::Preferences("load");
    EXPECT_EQ(Values(), "0 1 3 1 17");
    EXPECT_TRUE(fs::is_empty(tempDir));

    // Commas separate too. Values out of range go back to their defaults,
    // the count of open levels to the nearer end of 1-30, and say so; the
    // rotation mode has no range.
    for (const auto& [text, values, said] : std::vector<std::tuple<std::string, std::string, std::string>>{
             {"2\r\n0\r\n7\r\n9\r\n0\r\n", "1 0 2 9 1", "music 2 is out of range; using 1"},
             {"1,1,2,0,31\r\n", "1 1 2 0 30", "open levels 31 is out of range; using 30"},
             {"1\r\n1\r\n0\r\n0\r\n255\r\n", "1 1 2 0 30", "difficulty 0 is out of range; using 2"},
             {"1\r\n1\r\n2\r\n255\r\n17\r\n", "1 1 2 255 17", ""}}) {  // any rotation but 0 turns blocks
        test::WriteScrambledText(PrefsPath(), text);
        testing::internal::CaptureStderr();
        data::Preferences("load");
        const std::string stderrText = testing::internal::GetCapturedStderr();
        EXPECT_EQ(Values(), values) << text;
        EXPECT_EQ(said.empty(), stderrText.empty()) << stderrText;
        EXPECT_NE(stderrText.find(said), std::string::npos) << stderrText;
    }
}

TEST_F(Data, ADamagedFileIsSetAsideAndTheShippedOneUsed) {
    for (const std::string& damaged : {std::string("1\r\n1\r\n2\r\n"), std::string("one\r\ntwo\r\n"),
                                       std::string("1\r\n1\r\n2\r\n0\r\n300\r\n"), std::string("\x01\x02\xff", 3),
                                       std::string()}) {
        SCOPED_TRACE(damaged);
        Set(0, 0, 3, 1, 20);
        LoadsDamaged(PrefsPath(), damaged, [] { data::Preferences("load"); });
        EXPECT_EQ(Values(), shipped);
    }
    data::LoadScores();  // the shipped table, seeded into the player's folder
    const Table shippedTable = Scores();
    std::string nineEntries;
    for (int i = 0; i < 9; ++i) nineEntries += "\"x\"\r\n1\r\n";
    for (const std::string& damaged : {nineEntries, nineEntries + "\"x\"\r\nlots\r\n", std::string("\xfe\xff", 2)}) {
        TenPlayers();
        LoadsDamaged(ScoresPath(), damaged, [] { data::LoadScores(); });
        EXPECT_EQ(Scores(), shippedTable);
    }
    EXPECT_EQ(SetAside().size(), 8u);
}

// ---------------------------------------------------------------- scores

TEST_F(Data, ANewScoreTakesItsPlaceAboveEqualOnesAndTheTenthDrops) {
    for (const auto& [score, table] : std::vector<std::pair<int, Table>>{
             {55, {"a 100", "b 90", "c 80", "d 70", "e 60", "new 55", "f 50", "g 40", "h 30", "i 20"}},
             {50, {"a 100", "b 90", "c 80", "d 70", "e 60", "new 50", "f 50", "g 40", "h 30", "i 20"}},
             {20, {"a 100", "b 90", "c 80", "d 70", "e 60", "f 50", "g 40", "h 30", "new 20", "i 20"}},
             {1000, {"new 1000", "a 100", "b 90", "c 80", "d 70", "e 60", "f 50", "g 40", "h 30", "i 20"}}}) {
        TenPlayers();
        data::InsertScore("new", score);
        EXPECT_EQ(Scores(), table);
    }
}

TEST_F(Data, TheScoresFileRoundTripsAndLoadsInItsOwnOrder) {
    TenPlayers();
    ScoreNames[0] = "Smith, J.";  // a comma inside the quotes
    ScoreNames[3] = "";           // an empty name
    ScoreNames[5] = "  padded  ";
    ScoreValues[9] = -40;
    const Table before = Scores();
    data::SaveScores();
    const std::string text = test::Unscrambled(ScoresPath());
    const std::string start = "\"Smith, J.\"\r\n100\r\n\"b\"\r\n90\r\n\"c\"";
    EXPECT_EQ(text.substr(0, start.size()), start);
    ScoreNames.fill("x");
    ScoreValues.fill(0);
    data::LoadScores();
    EXPECT_EQ(Scores(), before);

    std::string unsorted;
    for (int v : {5, 70, 20, 90, 10, 60, 30, 80, 40, 50}) unsorted += "\"p" + std::to_string(v) + "\"\r\n" + std::to_string(v) + "\r\n";
    test::WriteScrambledText(ScoresPath(), unsorted);
    data::LoadScores();
    EXPECT_EQ(Scores(), (Table{"p5 5", "p70 70", "p20 20", "p90 90", "p10 10", "p60 60", "p30 30", "p80 80", "p40 40",
                               "p50 50"}));

    // A hand-edited name with a quote, a line break or too many letters
    // keeps what the name field would, and saves back unchanged.
    test::WriteScrambledText(ScoresPath(), "e\"\r\n50\r\n\"two\nlines\"\r\n40\r\n\"abcdefghijklmnopqrstu\"\r\n30\r\n" +
                                               unsorted.substr(unsorted.find("\"p90")));
    data::LoadScores();
    const Table edited = Scores();
    EXPECT_EQ(Table(edited.begin(), edited.begin() + 3), (Table{"e 50", "twolines 40", "abcdefghijklmnop 30"}));
    data::SaveScores();
    data::LoadScores();
    EXPECT_EQ(Scores(), edited);
}

// ---------------------------------------------------------------- name entry

TEST_F(Data, NameEntryTakesTheTypedNameAfterTheOldEnterIsReleased) {
    LoadContent();
    TenPlayers();
    Score = 65;
    platform::PressKey(VK_RETURN);  // still held from the screen before
    backend.TypeAt(40, "Ann\"a\r");
    backend.ReleaseAt(100, VK_RETURN);
    backend.TypeAt(150, "!");
    backend.TapAt(300, VK_RETURN);
    bool fieldOpen = false;
    backend.onYield = [&] {
        if (backend.TickCount() == 10)
            fieldOpen = platform::NameField().visible && platform::NameField().top == 60 && backend.TextInputOn();
    };
    platform::NameField().text = "stale";
    EXPECT_EQ(shell::NameEntry(), shell::State::BestPlayers);
    backend.onYield = nullptr;
    EXPECT_TRUE(fieldOpen);
    EXPECT_TRUE(test::Between(backend.TickCount(), 300, 302));
    const Table after = Scores();
    EXPECT_EQ(Table(after.begin() + 3, after.begin() + 6), (Table{"d 70", "Anna! 65", "e 60"}));
    TenPlayers();
    data::LoadScores();  // saved at once
    EXPECT_EQ(Scores()[4], "Anna! 65");
    // The field is put away and takes no more typing.
    EXPECT_FALSE(platform::NameField().visible);
    EXPECT_EQ(platform::NameField().top, 800);
    EXPECT_FALSE(backend.TextInputOn());

    FinalePending = True;  // after the last level the finale follows; an empty name is kept
    TenPlayers();
    backend.TapAt(400, VK_RETURN);
    EXPECT_EQ(shell::NameEntry(), shell::State::Finale);
    EXPECT_EQ(Scores()[4], " 65");
}

TEST_F(Data, BestPlayersScrollTheBandUnderTheTableUntilEscape) {
    LoadContent();
    TenPlayers();
    backend.SetTime(1000);
    backend.TapAt(1990, VK_ESCAPE);
    EXPECT_EQ(shell::BestPlayers(), shell::State::MainMenu);
    EXPECT_EQ(backend.TickCount(), 2000);  // at the first step after the press: one every 25 ms
    // 39 steps drawn: the band has moved 38 pixels right, under the title and
    // the table, green on a black shadow one pixel right and down.
    using namespace platform;
    Surface expected(640, 480);
    CopyRect(expected, {38, 60, 640, 420}, BestPlayersSurface, {0, 0, 602, 360});
    CopyRect(expected, {0, 60, 38, 420}, BestPlayersSurface, {602, 0, 640, 360});
    DrawTextCentred(25, "BEST PLAYERS (Esc=Main Menu)", expected);
    for (const auto& [dx, colour] : {std::pair{1, Rgb(0, 0, 0)}, {0, Rgb(0, 190, 0)}}) {
        expected.SetForeColour(colour);
        for (int i = 0; i < ScoreEntries; ++i) {
            DrawSurfaceText(expected, 169 + dx, 129 + dx + 20 * i, ScoreNames[size_t(i)]);
            DrawSurfaceText(expected, 389 + dx, 129 + dx + 20 * i, std::to_string(ScoreValues[size_t(i)]));
        }
    }
    EXPECT_TRUE(expected.Pixels() == PrimarySurface.Pixels());
}

// ---------------------------------------------------------------- saves

// A full disk: a small tmpfs mounted over folder, in a mount namespace of
// this test's own. False where mounting is not allowed.
bool MountSmallDisk(const std::string& folder) {
    static const bool own = ::unshare(CLONE_NEWNS) == 0 && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    return own && ::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=64k") == 0;
}
// Takes every free block of the disk that holds folder.
void FillDisk(const std::string& folder) {
    const int fd = ::open((folder + "/filler").c_str(), O_WRONLY | O_CREAT, 0644);
    const std::string block(4096, 'x');
    while (::write(fd, block.data(), block.size()) > 0) {
    }
    ::close(fd);
}

// Another copy of the game in the middle of a save: a process that holds
// the save lock in folder until it is killed.
pid_t HoldSaveLock(const std::string& folder) {
    int ready[2];
    if (::pipe(ready) != 0) return 0;
    const pid_t child = fork();
    if (child == 0) {
        const int fd = ::open((folder + "/saves.lock").c_str(), O_RDWR | O_CREAT, 0644);
        if (::flock(fd, LOCK_EX) == 0 && ::write(ready[1], "", 1) == 1)
            for (;;) ::pause();
        _exit(1);
    }
    char held = 1;
    EXPECT_EQ(::read(ready[0], &held, 1), 1);
    ::close(ready[0]);
    ::close(ready[1]);
    return child;
}

// Whether no save left its scratch file behind.
::testing::AssertionResult NoScratchLeft(const std::string& folder) {
    for (const auto& file : fs::directory_iterator(folder))
        if (file.path().string().find(".part-") != std::string::npos) return ::testing::AssertionFailure() << file.path();
    return ::testing::AssertionSuccess();
}

// Each way a save can fail, and the scratch name of old in the way, which
// must not stop it: what the options and best players screens say, and
// what the player's files hold afterwards.
TEST_F(Data, AFailedSaveIsSaidOnTheScreenAndTheFilesKeepWhatTheyHeld) {
    LoadContent();
    struct Fault {
        std::string name, trouble;  // no trouble: saved
        std::function<void(const std::string& folder)> before, after;  // the player's files are seeded in between
    };
    // A file that cannot be read at all is not damaged: it stays as it is,
    // no save writes over it, and the shipped values serve meanwhile.
    const auto unreadable = [](const std::string& folder) {
        for (const char* f : {"/prefs.znd", "/scores.znd"}) {
            fs::rename(folder + f, folder + f + std::string(".real"));
            fs::create_directory_symlink("/", folder + f);  // cannot be read, even by root
        }
        data::Preferences("load");
        data::LoadScores();
    };
    pid_t holder = 0;  // another copy, saving meanwhile
    const std::vector<Fault> faults = {
        {"saved", "", {}, {}},
        {"old scratch name taken", "",
         {}, [](const std::string& folder) { fs::create_directory(folder + "/prefs.znd.part"), fs::create_directory(folder + "/scores.znd.part"); }},
        {"disk full", "disk full",
         [](const std::string& folder) { ASSERT_TRUE(MountSmallDisk(folder)) << "mounting a tmpfs is not allowed here"; },
         FillDisk},
        {"unreadable", "file unreadable", {}, unreadable},
        // The plain copies of the files are made in the temporary folder.
        {"temporary folder full", "disk full",
         [&](const std::string&) { ASSERT_TRUE(MountSmallDisk(tempDir)) << "mounting a tmpfs is not allowed here"; },
         [&](const std::string&) { FillDisk(tempDir); }},
        // Stopped in the middle of a save (Ctrl+Z), say: this one gives up
        // after a few seconds.
        {"another copy saving", "another copy is saving", {}, [&](const std::string& folder) { holder = HoldSaveLock(folder); }},
    };
    for (const Fault& f : faults) {
        SCOPED_TRACE(f.name);
        const std::string folder = userDir + "/" + f.name;
        fs::create_directory(folder);
        data::SetFolders(test::GameDir(), folder, tempDir);
        if (f.before) f.before(folder);
        data::Preferences("load");
        data::LoadScores();
        if (f.after) f.after(folder);
        const auto held = [&](const char* file) {  // a link that cannot be read stands for itself
            const std::string path = folder + file;
            return fs::is_symlink(path) ? fs::read_symlink(path).string() : test::Unscrambled(path);
        };
        const std::string prefs = held("/prefs.znd"), scores = held("/scores.znd");
        const bool fails = !f.trouble.empty();
        const std::string said = "Not saved: " + f.trouble;
        EXPECT_TRUE(test::Between(platform::TextWidth(said), 1, 600)) << said;  // clear of the screen's edges

        testing::internal::CaptureStderr();
        Difficulty = 3;
        const int32_t left = backend.TickCount();
        Tap(10, VK_ESCAPE);
        EXPECT_EQ(shell::OptionsScreen(), shell::State::MainMenu);
        EXPECT_EQ(test::ShowsText(platform::PrimarySurface, platform::CentredFloor(platform::TextWidth(said)), 400, said,
                                  &platform::LogoSurface),
                  fails);
        EXPECT_EQ(backend.TickCount() - left >= 2000, fails);  // long enough to be read
        Score = 1000000;
        backend.TypeAt(backend.TickCount() + 20, "Zed");
        Tap(50, VK_RETURN);
        EXPECT_EQ(shell::NameEntry(), shell::State::BestPlayers);
        Tap(100, VK_ESCAPE);
        EXPECT_EQ(shell::BestPlayers(), shell::State::MainMenu);
        EXPECT_EQ(test::ShowsText(platform::PrimarySurface, platform::CentredFloor(platform::TextWidth(said)), 440, said),
                  fails);
        EXPECT_EQ(ScoreNames[0], "Zed");  // shown, saved or not
        EXPECT_EQ(testing::internal::GetCapturedStderr().find("not saved") != std::string::npos, fails);
        EXPECT_EQ(held("/prefs.znd") == prefs, fails);
        EXPECT_EQ(held("/scores.znd") == scores, fails);
        EXPECT_TRUE(NoScratchLeft(folder));
        if (f.name == "disk full") ::umount2(folder.c_str(), MNT_DETACH);
        if (f.name == "temporary folder full") ::umount2(tempDir.c_str(), MNT_DETACH);
        if (holder) ::kill(holder, SIGKILL), ::waitpid(std::exchange(holder, 0), nullptr, 0);
    }
    EXPECT_TRUE(fs::is_empty(tempDir));
}

// A damaged preferences file on a full disk is set aside; the shipped one
// cannot be copied in, so it serves from memory, and the game plays.
TEST_F(Data, ADamagedFileOnAFullDiskLeavesThePlayerTheShippedOneInMemory) {
    if (!MountSmallDisk(userDir)) GTEST_SKIP() << "mounting a tmpfs is not allowed here";
    data::WriteFileAtomically(PrefsPath(), "");
    FillDisk(userDir);
    Set(0, 0, 3, 1, 20);
    testing::internal::CaptureStderr();
    shell::OnStateEntered = [&](shell::State s) {
        if (s == shell::State::MainMenu) backend.CloseAt(backend.TickCount() + 100);
    };
    EXPECT_EQ(shell::RunProgram(), 0);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(Values(), shipped);
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 2) << said;  // the preferences, the scores
    EXPECT_NE(said.find("prefs.znd: empty file; kept as"), std::string::npos) << said;
    EXPECT_NE(said.find("No space left on device; the shipped one is used for now"), std::string::npos) << said;
    EXPECT_EQ(SetAside().size(), 1u);
    EXPECT_EQ(data::Preferences("save").trouble, "disk full");
    audio::AudioShutdown();
    ::umount2(userDir.c_str(), MNT_DETACH);
}

// A name that cannot be looked at (here a link to itself on the way to the
// player's folder: ELOOP) may hide a file: nothing is copied over it, and
// it is treated as a file that cannot be read. A player's folder that
// cannot be made (a full disk on the first run) is said once.
TEST_F(Data, NamesThatCannotBeLookedAtOrMadeStopNothing) {
    fs::create_directory_symlink("loop", userDir + "/loop");
    data::SetFolders(test::GameDir(), userDir + "/loop", tempDir);
    Set(0, 0, 3, 1, 20);
    testing::internal::CaptureStderr();
    data::Preferences("load");
    EXPECT_EQ(data::Preferences("save").trouble, "file unreadable");
    const std::string dataHome = std::getenv("XDG_DATA_HOME") ? std::getenv("XDG_DATA_HOME") : "";
    setenv("XDG_DATA_HOME", "/proc/version", 1);  // a file: nothing can be made under it
    EXPECT_EQ(platform::UserDataFolder(), "/proc/version/zintari");
    dataHome.empty() ? unsetenv("XDG_DATA_HOME") : setenv("XDG_DATA_HOME", dataHome.c_str(), 1);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(Values(), shipped);
    EXPECT_NE(said.find("prefs.znd: a link that loops; the file is left as it is"),
              std::string::npos)
        << said;
    EXPECT_NE(said.find("zintari: cannot make /proc/version/zintari: Not a directory; nothing is kept this run\n"),
              std::string::npos)
        << said;
}

// Sets the time a name (not what a link points to) was last changed to
// minutes ago.
void Age(const std::string& path, int minutes) {
    const timespec then[2] = {{std::time(nullptr) - 60 * minutes, 0}, {std::time(nullptr) - 60 * minutes, 0}};
    ::utimensat(AT_FDCWD, path.c_str(), then, AT_SYMLINK_NOFOLLOW);
}

// A save removes the scratch files of its file that saves killed before
// their rename left behind, once they are stale; never a young one,
// another copy's save under way, nor anything else.
TEST_F(Data, ASaveRemovesItsFilesStaleScratchFilesAndNothingElse) {
    struct Entry {
        std::string name;
        int minutes;  // old
        bool removed;
    };
    const std::vector<Entry> entries = {
        {"prefs.znd.part-Ab3xY9", 11, true},     // a killed save's
        {"prefs.znd.part-Young1", 1, false},     // a save under way
        {"prefs.znd.part-short", 11, false},     // not a name a save makes
        {"prefs.znd.part-Link99", 11, false},    // a link, not a scratch file
        {"scores.znd.part-Ab3xY9", 11, false},   // the scores' save sweeps it
        {"myprefs.znd.part-Ab3xY9", 11, false},  // not the game's
    };
    data::Preferences("load");
    for (const Entry& e : entries) {
        const std::string path = userDir + "/" + e.name;
        e.name.ends_with("Link99") ? fs::create_symlink("prefs.znd", path) : data::WriteFileAtomically(path, "x");
        Age(path, e.minutes);
    }
    EXPECT_TRUE(data::Preferences("save"));
    for (const Entry& e : entries) EXPECT_EQ(fs::exists(fs::symlink_status(userDir + "/" + e.name)), !e.removed) << e.name;
}

// A run that is gone (killed, crashed) leaves its temporary folder in
// $TMPDIR: the next start-up removes it. Never a live run's, one just made
// and not yet marked, the tests' own, another user's, or anything but a
// folder named as the game names them.
TEST_F(Data, StartUpRemovesTheTemporaryFoldersOfRunsThatAreGoneAndNothingElse) {
    const std::string base = userDir + "/tmp", tmpdir = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "";
    fs::create_directory(base);
    setenv("TMPDIR", base.c_str(), 1);
    // Copies of the game that made their folders as start-up does.
    const auto copy = [] {
        int made[2];
        EXPECT_EQ(::pipe(made), 0);
        const pid_t child = fork();
        if (child == 0) {
            const std::string folder = data::MakeTempFolder();
            if (::write(made[1], folder.data(), folder.size()) == ssize_t(folder.size()))
                for (;;) ::pause();
            _exit(1);
        }
        char folder[4096] = {};
        EXPECT_GT(::read(made[0], folder, sizeof folder - 1), 0);
        ::close(made[0]), ::close(made[1]);
        return std::pair(child, std::string(folder));
    };
    const auto end = [](pid_t copy) { ::kill(copy, SIGKILL), ::waitpid(copy, nullptr, 0); };
    const auto [live, liveFolder] = copy();
    const auto [killed, killedFolder] = copy();
    end(killed);
    struct Other {
        std::string name;
        std::function<void(const std::string& path)> make;
        bool removed;
    };
    const auto folder = [](int minutes) {
        return [=](const std::string& path) { fs::create_directory(path), Age(path, minutes); };
    };
    const std::vector<Other> others = {
        {"zintari-Old0ne", folder(61), true},    // unmarked: a killed run of a game from before the mark
        {"zintari-Fresh1", folder(1), false},    // unmarked: a run between making its folder and marking it
        {"zintari-test-Ab12Cd", folder(61), false},
        {"zintari-e2e-ab12cd34", folder(61), false},
        {"zintari-Link01",
         [&](const std::string& path) {
             folder(61)(userDir + "/elsewhere");
             fs::create_directory_symlink(userDir + "/elsewhere", path), Age(path, 61);
         },
         false},
        {"zintari-Nobody", [&](const std::string& path) { folder(61)(path), ::lchown(path.c_str(), 65534, 65534); }, false},
        {"zintari-File01", [](const std::string& path) { data::WriteFileAtomically(path, ""), Age(path, 61); }, false},
        {"zintari-ab.cde", folder(61), false},
    };
    for (const Other& o : others) o.make(base + "/" + o.name);

    const std::string own = data::MakeTempFolder();
    EXPECT_TRUE(fs::is_directory(own));
    EXPECT_TRUE(fs::is_directory(liveFolder));
    EXPECT_FALSE(fs::exists(killedFolder));
    for (const Other& o : others) EXPECT_EQ(fs::exists(fs::symlink_status(base + "/" + o.name)), !o.removed) << o.name;
    EXPECT_TRUE(fs::is_directory(userDir + "/elsewhere"));  // the link's
    end(live);
    data::RemoveTempFolder();
    data::MakeTempFolder();  // the next start-up
    EXPECT_FALSE(fs::exists(liveFolder));
    data::RemoveTempFolder();
    tmpdir.empty() ? unsetenv("TMPDIR") : setenv("TMPDIR", tmpdir.c_str(), 1);
}

// Two copies of the game saving at once, 1,000 times each: every read of
// the files parses, the open levels never go down, and in the end the
// files hold every level either opened and the ten best of every player
// either entered.
TEST_F(Data, TwoCopiesSavingAtOnceLoseNothingAndGarbleNothing) {
    // In memory where there is a tmpfs at /dev/shm: 2,000 waits for the disk
    // would take most of a minute.
    char shm[] = "/dev/shm/zintari-test-XXXXXX";
    const std::string folder = fs::is_directory("/dev/shm") && mkdtemp(shm) ? shm : userDir;
    data::SetFolders(test::GameDir(), folder, tempDir);
    data::Preferences("load");
    data::LoadScores();
    constexpr int Saves = 500;  // of each file, by each copy
    auto copy = [&](int id) {
        const std::string temp = tempDir + "/" + std::to_string(id);  // each copy has its own
        fs::create_directory(temp);
        data::SetFolders(test::GameDir(), folder, temp);
        for (int i = 0; i < Saves; ++i) {
            Difficulty = uint8_t(1 + id);
            LevelsUnlocked = id == 0 ? uint8_t(1 + i * (LevelCount - 1) / (Saves - 1)) : 1;  // one copy opens levels
            if (!data::Preferences("save")) _exit(2);
            if (!data::EnterBestPlayer("p" + std::to_string(id), 100000 + 2 * i + id)) _exit(3);
        }
        _exit(0);
    };
    for (int id = 0; id < 2; ++id)
        if (fork() == 0) copy(id);
    int reads = 0, lowest = 1, ended = 0, status = 0;
    while (ended < 2) {
        if (::waitpid(-1, &status, WNOHANG) > 0 && ++ended) {
            EXPECT_TRUE(WIFEXITED(status) && !WEXITSTATUS(status)) << status;
        }
        ASSERT_TRUE(data::ParsePreferences(test::Unscrambled(folder + "/prefs.znd")));
        ASSERT_TRUE(data::ParseScores(test::Unscrambled(folder + "/scores.znd")));
        EXPECT_GE(LevelsUnlocked, lowest);
        lowest = LevelsUnlocked;
        ++reads;
    }
    data::Preferences("load");
    EXPECT_EQ(LevelsUnlocked, LevelCount);
    data::LoadScores();
    Table best;
    for (int v = 100000 + 2 * Saves - 1; v >= 100000 + 2 * Saves - 10; --v) best.push_back("p" + std::to_string(v % 2) + " " + std::to_string(v));
    EXPECT_EQ(Scores(), best);
    EXPECT_GT(reads, 10);
    EXPECT_TRUE(NoScratchLeft(folder));
    if (folder != userDir) fs::remove_all(folder);
}

// ---------------------------------------------------------------- help file

TEST(HelpFile, QuotedItemsKeepTheirCommasAndBlankOrMissingItemsAreBlank) {
    // A blank line is an empty item: what follows keeps its place.
    const auto lines =
        shell::ParseHelp("\"Left, Right: move\",plain one\r\n  spaced  , \"quoted\"\r\n\r\n\"last, really\"\r\n");
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 7),
              (std::vector<std::string>{"Left, Right: move", "plain one", "spaced", "quoted", "", "last, really", ""}));
    EXPECT_EQ(lines[shell::HelpLines - 1], "");
    std::string many;
    for (int i = 0; i < 25; ++i) many += "\"line " + std::to_string(i) + "\"\r\n";
    EXPECT_EQ(shell::ParseHelp(many)[19], "line 19");
    EXPECT_EQ(shell::ParseHelp("")[0], "");
    EXPECT_EQ(shell::ParseHelp("\"unterminated, quote")[0], "unterminated, quote");
}

}  // namespace
