// The player's files and the best players: preferences, the scores table
// and its file, name entry, the best players screen, and the help reader.
#include <filesystem>
#include <regex>
#include <set>
#include <tuple>

#include "shell/best_players.h"
#include "data/files.h"
#include "data/preferences.h"
#include "data/scores.h"
#include "harness.h"
#include "platform/display.h"
#include "screen_checks.h"
#include "platform/keyboard.h"
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
        const std::string bytes = data::ReadWholeFile(path);
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
        EXPECT_EQ(data::ReadWholeFile(aside), bytes);
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

TEST_F(Data, ADamagedFileIsSetAsideAndTheShippedOneUsedAnUnreadableOneIsLeft) {
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
    // A file that cannot be read at all is not damaged (here a link to a
    // folder, which root cannot read either): it stays as it is, no save
    // writes over it, and the shipped values serve meanwhile.
    fs::remove(PrefsPath());
    fs::create_directory_symlink(tempDir, PrefsPath());
    Set(0, 0, 3, 1, 20);
    testing::internal::CaptureStderr();
    data::Preferences("load");
    EXPECT_FALSE(data::Preferences("save"));
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("prefs.znd: cannot be read: Is a directory; the file is left as it is"), std::string::npos)
        << said;
    EXPECT_EQ(Values(), shipped);
    EXPECT_TRUE(fs::is_symlink(PrefsPath()));
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
