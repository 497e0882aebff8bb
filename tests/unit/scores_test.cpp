// The best players table: sorting in a new score, the scores file, name
// entry and the best players screen; and the quick help file's reader.
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "data/best_players.h"
#include "data/files.h"
#include "data/scores.h"
#include "game/state.h"
#include "harness.h"
#include "platform/display.h"
#include "platform/keyboard.h"
#include "platform/surface.h"
#include "shell/screens.h"
#include "shell/window.h"

namespace {

namespace fs = std::filesystem;
using platform::VK_ESCAPE;
using platform::VK_RETURN;

// The table as "name score" entries, best first.
std::vector<std::string> Table() {
    std::vector<std::string> rows;
    for (int i = 0; i < ScoreEntries; ++i) rows.push_back(ScoreNames[size_t(i)] + " " + std::to_string(ScoreValues[size_t(i)]));
    return rows;
}

// Players a to j scoring 100, 90, ..., 10.
void TenPlayers() {
    for (int i = 0; i < ScoreEntries; ++i) {
        ScoreNames[size_t(i)] = std::string(1, char('a' + i));
        ScoreValues[size_t(i)] = 100 - 10 * i;
    }
}

class Scores : public test::Headless {
protected:
    std::string ScoresPath() const { return userDir + "/scores.znd"; }
    void WritePlain(const std::string& text) {
        std::string bytes = text;
        data::ScrambleBytes(bytes, DataKey);
        data::WriteFileAtomically(ScoresPath(), bytes);
    }
    std::string Unscrambled() {
        std::string bytes = data::ReadWholeFile(ScoresPath());
        data::ScrambleBytes(bytes, DataKey);
        return bytes;
    }
};

TEST_F(Scores, ANewScoreTakesItsPlaceAndTheTenthDrops) {
    TenPlayers();
    data::InsertScore("new", 55);
    EXPECT_EQ(Table(), (std::vector<std::string>{"a 100", "b 90", "c 80", "d 70", "e 60", "new 55", "f 50", "g 40",
                                                 "h 30", "i 20"}));
    TenPlayers();
    data::InsertScore("top", 1000);
    EXPECT_EQ(Table().front(), "top 1000");
    EXPECT_EQ(Table().back(), "i 20");
}

TEST_F(Scores, AScoreEqualToAnOldOneStandsAboveIt) {
    TenPlayers();
    data::InsertScore("new", 50);
    EXPECT_EQ(Table(), (std::vector<std::string>{"a 100", "b 90", "c 80", "d 70", "e 60", "new 50", "f 50", "g 40",
                                                 "h 30", "i 20"}));
    TenPlayers();
    data::InsertScore("new", 20);
    EXPECT_EQ(Table()[8], "new 20");
    EXPECT_EQ(Table()[9], "i 20");
}

TEST_F(Scores, SortingIsStableAndLowestFirst) {
    std::array<std::string, 10> names{"a", "b", "c", "d", "e", "f", "g", "h", "i", "j"};
    std::array<int32_t, 10> values{5, -3, 5, 9, 0, 5, 100000000, -3, 2, 9};
    data::SortScores(names, values);
    EXPECT_EQ(values, (std::array<int32_t, 10>{-3, -3, 0, 2, 5, 5, 5, 9, 9, 100000000}));
    EXPECT_EQ(names, (std::array<std::string, 10>{"b", "h", "e", "i", "a", "c", "f", "d", "j", "g"}));
}

TEST_F(Scores, TheFileRoundTripsWithAwkwardNames) {
    TenPlayers();
    ScoreNames[0] = "Smith, J.";  // a comma inside the quotes
    ScoreNames[3] = "";           // an empty name
    ScoreNames[5] = "  padded  ";
    ScoreValues[9] = -40;
    const auto before = Table();
    data::SaveScores();
    const std::string text = Unscrambled();
    const std::string start = "\"Smith, J.\"\r\n100\r\n\"b\"\r\n90\r\n";
    EXPECT_EQ(text.substr(0, start.size()), start);
    EXPECT_NE(text.find("\"\"\r\n70\r\n"), std::string::npos);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 20);
    ScoreNames.fill("x");
    ScoreValues.fill(0);
    data::LoadScores();
    EXPECT_EQ(Table(), before);
    EXPECT_TRUE(fs::is_empty(tempDir));
}

TEST_F(Scores, ALoadedTableKeepsTheFilesOrder) {
    std::string text;
    for (int v : {5, 70, 20, 90, 10, 60, 30, 80, 40, 50}) text += "\"p" + std::to_string(v) + "\"\r\n" + std::to_string(v) + "\r\n";
    WritePlain(text);
    data::LoadScores();
    EXPECT_EQ(Table(), (std::vector<std::string>{"p5 5", "p70 70", "p20 20", "p90 90", "p10 10", "p60 60", "p30 30",
                                                 "p80 80", "p40 40", "p50 50"}));
}

TEST_F(Scores, ADamagedFileIsKeptAsideAndTheShippedTableUsed) {
    data::LoadScores();  // the shipped table, seeded into the player's folder
    const auto shippedTable = Table();
    std::string nineEntries;
    for (int i = 0; i < 9; ++i) nineEntries += "\"x\"\r\n1\r\n";
    for (const std::string& damaged : {nineEntries, nineEntries + "\"x\"\r\nlots\r\n", std::string("\xfe\xff", 2)}) {
        WritePlain(damaged);
        const std::string bytes = data::ReadWholeFile(ScoresPath());
        TenPlayers();
        testing::internal::CaptureStderr();
        data::LoadScores();
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ(Table(), shippedTable);
        EXPECT_EQ(data::ReadWholeFile(ScoresPath() + ".bad"), bytes);
        EXPECT_NE(said.find("scores.znd.bad"), std::string::npos) << said;
        EXPECT_TRUE(fs::is_empty(tempDir));
    }
}

// ---------------------------------------------------------- Name field

TEST(NameField, TypingRefusesQuotesAndControlsAndStopsAtTheLimit) {
    platform::TextField field;
    field.Type("Jo\"e\r\n\t\x01\x7f\xc3\xa9,1");
    EXPECT_EQ(field.text, "Joe,1");
    field.Backspace();
    EXPECT_EQ(field.text, "Joe,");
    field.text.clear();
    field.Type(std::string(40, 'W'));
    EXPECT_EQ(field.text.size(), field.maxLength);
    // The widest name still fits between the name's column and the score's.
    for (char c = ' '; c < 127; ++c) {
        if (!platform::NameCharAllowed(c)) continue;
        EXPECT_LE(platform::SurfaceTextWidth(std::string(field.maxLength, c)), 389 - 169) << c;
    }
    field.Backspace();
    field.Type("MM");
    EXPECT_EQ(field.text.size(), field.maxLength);
}

// ---------------------------------------------------------- Name entry

class NameEntryScreen : public Scores {
protected:
    void SetUp() override {
        Scores::SetUp();
        LoadContent();
        TenPlayers();
        Score = 65;
    }
};

TEST_F(NameEntryScreen, TheNameIsTypedAndEnterMustBeReleasedFirst) {
    platform::PressKey(VK_RETURN);  // still held from the screen before
    backend.TypeAt(40, "Ann\"a\r");
    backend.ReleaseAt(100, VK_RETURN);
    backend.TypeAt(150, "!");
    backend.TapAt(300, VK_RETURN);
    backend.TypeAt(310, "late");
    EXPECT_EQ(data::NameEntry(), shell::State::BestPlayers);
    EXPECT_GE(backend.TickCount(), 300);
    EXPECT_LE(backend.TickCount(), 302);
    EXPECT_EQ(Table()[3], "d 70");
    EXPECT_EQ(Table()[4], "Anna! 65");
    EXPECT_EQ(Table()[9], "i 20");
    // Saved at once, and the field is put away.
    TenPlayers();
    data::LoadScores();
    EXPECT_EQ(Table()[4], "Anna! 65");
    EXPECT_FALSE(platform::NameField().visible);
    EXPECT_EQ(platform::NameField().top, 800);
    EXPECT_TRUE(platform::NameField().text.empty());
    EXPECT_FALSE(backend.TextInputOn());
    // Typing after the screen goes nowhere.
    backend.SetTime(320);
    shell::YieldToEvents();
    EXPECT_TRUE(platform::NameField().text.empty());
}

TEST_F(NameEntryScreen, AfterTheLastLevelTheFinaleFollows) {
    FinalePending = True;
    backend.TapAt(50, VK_RETURN);
    EXPECT_EQ(data::NameEntry(), shell::State::Finale);
    EXPECT_EQ(Table()[4], " 65");  // an empty name is kept
}

TEST_F(NameEntryScreen, TheFieldIsOnlyOpenDuringNameEntry) {
    backend.TypeAt(20, "Zed");
    backend.TapAt(60, VK_RETURN);
    backend.onYield = [this] {
        if (backend.TickCount() == 10) {
            EXPECT_TRUE(platform::NameField().visible);
            EXPECT_EQ(platform::NameField().top, 60);
            EXPECT_TRUE(backend.TextInputOn());
        }
    };
    platform::NameField().text = "stale";
    data::NameEntry();
    EXPECT_EQ(Table()[4], "Zed 65");
}

// -------------------------------------------------------- Best players

class BestPlayersScreen : public Scores {
protected:
    void SetUp() override {
        Scores::SetUp();
        LoadContent();
    }
};

TEST_F(BestPlayersScreen, TheBandWrapsEvery641Steps) {
    const platform::Surface& picture = platform::BestPlayersSurface;
    ASSERT_EQ(picture.Width(), 640);
    // The picture row the band's row 100 shows, taken from the screen.
    std::vector<std::vector<uint16_t>> rows;
    int steps = 0;
    int32_t stamp = 0;
    bool started = false;
    backend.onYield = [&] {
        if (!started || FrameStart == stamp) {  // no step in this pass
            started = true;
            stamp = FrameStart;
            return;
        }
        stamp = FrameStart;
        ++steps;
        if (steps == 1 || steps == 2 || steps == 300 || steps == 641 || steps == 642 || steps == 643 || steps == 941) {
            const uint16_t* row = platform::PrimarySurface.Row(100);
            rows.emplace_back(row, row + 640);
        }
        if (steps == 941) platform::PressKey(VK_ESCAPE);
    };
    EXPECT_EQ(data::BestPlayers(), shell::State::MainMenu);
    ASSERT_EQ(rows.size(), 7u);
    const uint16_t* source = picture.Row(40);
    // Step s shows the picture moved right by (s - 1) mod 641, where 640
    // looks like 0.
    auto shifted = [&](int o) {
        std::vector<uint16_t> row(640);
        for (int x = 0; x < 640; ++x) row[size_t(x)] = source[(x - o % 640 + 640) % 640];
        return row;
    };
    EXPECT_TRUE(rows[0] == shifted(0));
    EXPECT_TRUE(rows[1] == shifted(1));
    EXPECT_TRUE(rows[2] == shifted(299));
    EXPECT_TRUE(rows[3] == shifted(640));
    EXPECT_TRUE(rows[4] == shifted(0));
    EXPECT_TRUE(rows[5] == shifted(1));
    EXPECT_TRUE(rows[6] == shifted(299));
    ASSERT_FALSE(shifted(1) == shifted(2));  // the picture is not a plain band
}

TEST_F(BestPlayersScreen, EscapeLeavesAtTheNextStep) {
    backend.TapAt(60, VK_ESCAPE, 30);
    EXPECT_EQ(data::BestPlayers(), shell::State::MainMenu);
    EXPECT_GE(backend.TickCount(), 75);
    EXPECT_LE(backend.TickCount(), 90);
}

// ------------------------------------------------------------ Help file

TEST(HelpFile, QuotedItemsKeepTheirCommasAndMissingItemsAreBlank) {
    const auto lines = shell::ParseHelp("\"Left, Right: move\",plain one\r\n  spaced  , \"quoted\"\r\n\"last, really\"\r\n");
    EXPECT_EQ(lines[0], "Left, Right: move");
    EXPECT_EQ(lines[1], "plain one");
    EXPECT_EQ(lines[2], "spaced");
    EXPECT_EQ(lines[3], "quoted");
    EXPECT_EQ(lines[4], "last, really");
    for (int i = 5; i < shell::HelpLines; ++i) EXPECT_EQ(lines[size_t(i)], "") << i;

    std::string many;
    for (int i = 0; i < 25; ++i) many += "\"line " + std::to_string(i) + "\"\r\n";
    const auto first20 = shell::ParseHelp(many);
    EXPECT_EQ(first20[0], "line 0");
    EXPECT_EQ(first20[19], "line 19");
    EXPECT_EQ(shell::ParseHelp("")[0], "");
    EXPECT_EQ(shell::ParseHelp("\"unterminated, quote")[0], "unterminated, quote");
}

}  // namespace
