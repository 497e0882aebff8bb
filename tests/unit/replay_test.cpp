// Runs recorded and played again: the same screen at every present and the
// same end, unseen or paced in a window; files cut short, damaged or made
// with other game files; which replays are kept; what a replay may hold.
#include <fcntl.h>
#include <sys/stat.h>
#include <zlib.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <regex>
#include <set>
#include <string_view>

#include "audio/audio.h"
#include "data/files.h"
#include "data/scores.h"
#include "harness.h"
#include "platform/display.h"
#include "platform/keyboard.h"
#include "platform/timing.h"
#include "replay/format.h"
#include "replay/player.h"
#include "replay/recorder.h"
#include "replay/replay.h"
#include "shell/command_line.h"

namespace {

namespace fs = std::filesystem;
using namespace platform;
using Screens = std::vector<std::pair<int32_t, size_t>>;  // tick and picture of every present

size_t Picture() {
    const auto& p = PrimarySurface.Pixels();
    return std::hash<std::string_view>{}(std::string_view(reinterpret_cast<const char*>(p.data()), p.size() * 2));
}

std::string Inflated(const std::string& compressed) {
    std::string out(1 << 22, '\0');
    uLongf size = uLongf(out.size());
    EXPECT_EQ(uncompress(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(compressed.data()),
                         uLong(compressed.size())),
              Z_OK);
    out.resize(size);
    return out;
}

// A replay file of the header and records given, its check made to hold.
std::string ReplayBytes(const replay::Recording& header, const std::string& records) {
    replay::Encoder log;
    log.bytes = replay::HeaderBytes(header.rules, header.version, header.files) + records;
    const uint32_t crc = crc32(0, reinterpret_cast<const Bytef*>(log.bytes.data()), uInt(log.bytes.size()));
    log.Byte(uint8_t(replay::Tag::Check));
    log.Fixed32(crc);
    return std::string(replay::Magic) + char(replay::FormatVersion) + replay::Compressor().Add(log.bytes, true);
}

class Replay : public test::Headless {
protected:
    void TearDown() override {
        audio::AudioShutdown();
        Headless::TearDown();
    }
    std::string Folder() const { return userDir + "/replays"; }

    // A run of the program recorded: a new game of level 1 with moves,
    // turns and drops, the window closed `close` ms after its start.
    // Returns its file.
    std::string Record(int32_t close, Screens* screens = nullptr, int flushMs = 2000,
                       const std::string& gameDir = test::GameDir()) {
        backend.SetSleeps(true);
        const int32_t t0 = backend.TickCount();
        backend.TapAt(t0 + 4000, VK_RETURN, 100);  // New Game
        backend.TapAt(t0 + 4500, VK_RETURN, 100);  // level 1
        for (int32_t t = 10000, i = 0; t < close; t += 700, ++i) {
            backend.TapAt(t0 + t, i % 2 ? VK_LEFT : VK_RIGHT, 150);
            backend.TapAt(t0 + t + 300, i % 3 ? VK_UP : VK_SPACE, 120);
        }
        backend.CloseAt(t0 + close);
        const auto recorder = replay::Recorder::Start(backend, Folder(), gameDir, flushMs);
        EXPECT_TRUE(recorder);
        if (screens) backend.onScreenChanged = [=] { screens->push_back({TickCount(), Picture()}); };
        Use(recorder.get());
        shell::RunProgram();
        recorder->Finish(shell::LastRun());
        Use(&backend);
        backend.onScreenChanged = nullptr;
        audio::AudioShutdown();
        return recorder->Path();
    }

    // --check of the file: its status and what it printed.
    static std::pair<int, std::string> Check(const std::string& file, const std::string& gameDir = test::GameDir()) {
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        const auto recording = replay::OpenReplay(file, gameDir);
        const int status = recording ? replay::CheckReplay(*recording) : 1;
        const std::string said = testing::internal::GetCapturedStdout() + testing::internal::GetCapturedStderr();
        return {status, said};
    }
};

TEST_F(Replay, ARunPlayedAgainShowsTheSameScreenAtEveryPresentAndEndsTheSame) {
    Screens recorded, replayed;
    const std::string file = Record(30000, &recorded);
    const shell::RunSummary end = shell::LastRun();
    EXPECT_EQ(end.levels, 1);
    EXPECT_GT(end.playMs, 15000);
    EXPECT_EQ(end.how, "closed");
    ASSERT_GT(recorded.size(), 50u);

    // Watched: paced by a window's clock (here the headless one, which
    // sleeps as the real one does), the real keyboard's keys its own.
    const replay::ReadResult read = replay::ReadRecording(data::ReadWholeFile(file, SIZE_MAX));
    ASSERT_TRUE(read.recording) << read.trouble;
    HeadlessBackend window;
    window.SetSleeps(true);
    window.onScreenChanged = [&] { replayed.push_back({TickCount(), Picture()}); };
    ResetKeyboard();
    {
        replay::Player player(*read.recording, &window);
        Use(&player);
        shell::RunProgram();
        Use(&backend);
        EXPECT_FALSE(player.Divergence()) << *player.Divergence();
        EXPECT_TRUE(player.AtEnd());
        EXPECT_EQ(player.RecordedEnd(), end);
    }
    EXPECT_EQ(shell::LastRun(), end);
    EXPECT_TRUE(replayed == recorded) << replayed.size() << " presents replayed, " << recorded.size() << " recorded";
    EXPECT_GE(window.TickCount(), 30000);  // at the pace it was played

    // Checked: unseen, the end printed.
    const auto [status, said] = Check(file);
    EXPECT_EQ(status, 0) << said;
    EXPECT_NE(said.find("level 1, score "), std::string::npos) << said;
    EXPECT_NE(said.find("ended: closed"), std::string::npos) << said;
}

// A file cut short (the run was killed) plays as far as its last flush; a
// damaged one, or one of a newer format, is refused or diverges, never
// taken for a good one; game files that differ are named.
TEST_F(Replay, FilesCutShortDamagedOrMadeElsewhere) {
    const std::string file = Record(20000, nullptr, 1);  // flushed every millisecond
    const std::string bytes = data::ReadWholeFile(file, SIZE_MAX);
    auto checkBytes = [&](const std::string& changed) {
        data::WriteFileAtomically(tempDir + "/changed.zrp", changed);
        return Check(tempDir + "/changed.zrp");
    };
    const auto [cutStatus, cut] = checkBytes(bytes.substr(0, bytes.size() - 64));
    EXPECT_EQ(cutStatus, 1) << cut;
    EXPECT_TRUE(cut.starts_with("cut short at tick ")) << cut;
    EXPECT_EQ(cut.find("at tick 0:"), std::string::npos) << cut;  // played up to its last flush

    std::string newer = bytes, older = bytes;
    newer[15] = 3;
    older[15] = 1;
    EXPECT_EQ(checkBytes(newer), std::pair(1, "zintari: " + tempDir + "/changed.zrp: made by a newer version of the game (replay format 3)\n"));
    EXPECT_EQ(checkBytes(older), std::pair(1, "zintari: " + tempDir + "/changed.zrp: made by an older version of the "
                                              "game (replay format 1), which this one cannot play\n"));
    EXPECT_EQ(checkBytes("ZINTARI"), std::pair(1, "zintari: " + tempDir + "/changed.zrp: not a replay file\n"));
    const auto [endlessStatus, endless] = Check("/dev/zero");  // read no further than any replay goes
    EXPECT_EQ(endlessStatus, 1);
    EXPECT_EQ(endless, "zintari: /dev/zero: not a regular file (a pipe or a device)\n");
    // A byte changed in the file, or in the log itself with the file
    // compressed again: zlib's check or ours no longer holds (a padding bit
    // zlib never reads changes nothing).
    const std::string stream = Inflated(bytes.substr(16)), records = replay::ReadRecording(bytes).recording->records;
    for (size_t at = 20; at < bytes.size() + stream.size(); at += (bytes.size() + stream.size()) / 29) {
        const bool inLog = at >= bytes.size();
        std::string changed = inLog ? stream : bytes;
        changed[inLog ? at - bytes.size() : at] ^= 0x10;
        if (inLog) changed = bytes.substr(0, 16) + replay::Compressor().Add(changed, true);
        const replay::ReadResult read = replay::ReadRecording(changed);
        if (read.recording && read.recording->records == records) continue;
        const auto [status, said] = checkBytes(changed);
        EXPECT_TRUE(status == 1 && (said.find("damaged") != std::string::npos || said.starts_with("cut short")))
            << "byte " << at << ": " << said;
    }
    // Every Left in the log made a Right, the file's check made to hold
    // again: the game goes another way, and the check says so.
    const replay::Recording recording = *replay::ReadRecording(bytes).recording;
    replay::Encoder log;
    for (replay::Decoder d(recording.records); !d.AtEnd();) {
        const size_t at = d.Position();
        const auto tag = replay::Tag(d.Byte());
        ASSERT_TRUE(replay::SkipRecord(tag, d));
        const uint64_t key = tag == replay::Tag::Key ? replay::Decoder(recording.records, at + 1).Varint() : 0;
        if (key / 4 != VK_LEFT) {
            log.bytes += recording.records.substr(at, d.Position() - at);
            continue;
        }
        log.Byte(uint8_t(tag));
        log.Varint(VK_RIGHT * 4 + key % 4);
    }
    const auto [swappedStatus, swapped] = checkBytes(ReplayBytes(recording, log.bytes));
    EXPECT_EQ(swappedStatus, 1) << swapped;
    EXPECT_TRUE(swapped.starts_with("diverged at tick ")) << swapped;
}

// A build plays a replay made with its rules revision and the same files
// its rules read, whatever its version and whatever pictures, sounds, music
// and help it has; else one line names the rules of both or the file.
TEST_F(Replay, PlaysForAsLongAsTheRulesStand) {
    const std::string file = Record(16000);
    const replay::Recording made = *replay::ReadRecording(data::ReadWholeFile(file, SIZE_MAX)).recording;
    const std::string looks = tempDir + "/looks", levels = tempDir + "/levels";
    for (const std::string& game : {looks, levels}) fs::copy(test::GameDir(), game, fs::copy_options::recursive);
    for (const auto& [from, to] : {std::pair("graphs/bg1.znd", "graphs/bg0.znd"), {"wav/bang.wav", "wav/cross.wav"},
                                   {"mid/mid1.Mid", "mid/mid0.Mid"}})
        fs::copy_file(looks + "/" + from, looks + "/" + to, fs::copy_options::overwrite_existing);
    test::WriteScrambledText(looks + "/qhelp.znd", "other help");
    data::WriteFileAtomically(levels + "/levlet.znd", data::ReadWholeFile(levels + "/levlet.znd", SIZE_MAX) + "\r\n");
    const std::string now = std::to_string(replay::RulesRevision), next = std::to_string(replay::RulesRevision + 1);
    for (const auto& [rules, version, game, refusal] : std::vector<std::tuple<uint64_t, std::string, std::string, std::string>>{
             {replay::RulesRevision, "0.9.1", test::GameDir(), ""},
             {replay::RulesRevision, made.version, looks, ""},
             {replay::RulesRevision + 1, made.version, test::GameDir(), "made with rules " + next + ", this is rules " + now},
             {replay::RulesRevision, made.version, levels, "made with other game files: levlet.znd differs"}}) {
        replay::Recording header = made;
        header.rules = rules, header.version = version;
        data::WriteFileAtomically(tempDir + "/case.zrp", ReplayBytes(header, made.records));
        const auto [status, said] = Check(tempDir + "/case.zrp", game);
        if (refusal.empty())
            EXPECT_TRUE(status == 0 && said.ends_with("closed\nrecorded by zintari " + version + " with rules " + now + "\n"))
                << game << ": " << said;
        else
            EXPECT_EQ(said, "zintari: " + tempDir + "/case.zrp: " + refusal + "\n");
    }
}

// Runs finished one after another, the clock set back an hour after the
// tenth: the newest 20 by their end are kept, whatever their names say. A
// run that another copy is still recording is never removed, and counts
// once finished; a killed run's file counts from the next run's end; a run
// with under 5 s of play is not kept unless an error ended it.
TEST_F(Replay, TheNewestTwentyFinishedRunsAreKept) {
    auto start = [&] { return replay::Recorder::Start(backend, Folder(), test::GameDir()); };
    auto run = [&](int score, int32_t playMs = 6000, const std::string& how = "exit") {
        start()->Finish({1, score, 0, playMs, how});
    };
    auto scoresKept = [&] {  // in the order of the names: 0 for a killed run, -1 for one being recorded
        std::set<std::string> names;
        for (const auto& f : fs::directory_iterator(Folder())) names.insert(f.path().filename().string());
        std::vector<int> scores;
        std::smatch m;
        for (const std::string& name : names)
            scores.push_back(!std::regex_match(name, m, std::regex(R"((\d{4}-)?\d{8}-\d{6}(-level01-(\d+)|-\d+)?\.zrp)"))
                                 ? -2 : !m[1].matched ? -1 : m[3].matched ? std::stoi(m[3]) : 0);
        return scores;
    };
    auto from = [](int first, int last, std::vector<int> then) {  // first...last, then
        for (int score = last; score >= first; --score) then.insert(then.begin(), score);
        return then;
    };
    const char* zone = std::getenv("TZ");
    const std::string zoneBefore = zone ? zone : "";
    setenv("TZ", "UTC0", 1);
    tzset();
    const auto otherCopy = start();
    for (int score = 1; score <= 25; ++score) {
        if (score == 11) setenv("TZ", "UTC+1", 1), tzset();  // an hour west: the names' times go back
        if (score == 25) start().reset();                    // killed
        run(score);
    }
    EXPECT_EQ(scoresKept(), from(7, 24, {0, 25, -1}));
    run(26, 4900);
    run(27, 10, "error: out of memory");
    otherCopy->Finish({1, 28, 0, 6000, "exit"});
    EXPECT_EQ(scoresKept(), from(9, 24, {0, 25, 27, 28}));
    zone ? setenv("TZ", zoneBefore.c_str(), 1) : unsetenv("TZ");
    tzset();

    // Two copies started in the same second and ending alike keep a name
    // each, with the level and the score.
    const auto a = start(), b = start();
    a->Finish({3, 500, 0, 6000, "exit"});
    b->Finish({3, 500, 0, 6000, "exit"});
    EXPECT_NE(a->Path(), b->Path());
    for (const auto& copy : {a.get(), b.get()})
        EXPECT_TRUE(copy->Path().ends_with("-level03-500.zrp") && fs::exists(copy->Path())) << copy->Path();
}

// A run that entered the best players keeps its replay beyond the newest 20
// for as long as its entry stays in the table as the player's file holds it
// (another copy's entries included), and loses it when the entry leaves; of
// equal names and scores, the newer runs hold the entries. A table that
// cannot be read removes none, nor does a replay of a newer format, whose
// entries cannot be told; a damaged one goes.
TEST_F(Replay, TheBestRunsAreKeptWhileTheirEntriesStay) {
    data::LoadScores();  // the shipped table: 30000 down to 1000
    auto start = [&] { return replay::Recorder::Start(backend, Folder(), test::GameDir()); };
    auto enter = [&](replay::Recorder& run, const std::string& name, int32_t score) {
        data::EnterBestPlayer(name, score);
        run.EnteredBestPlayer(name, score);
    };
    auto entering = [&](const std::string& name, int32_t score) {  // a run that enters the table
        const auto run = start();
        enter(*run, name, score);
        run->Finish({1, score, 0, 6000, "exit"});
        return run->Path();
    };
    auto runs = [&](int count) {
        for (int i = 0; i < count; ++i) start()->Finish({1, 1, 0, 6000, "exit"});
    };
    auto kept = [&] {  // the scores of the kept runs, in the order they ended
        std::set<std::string> names;
        for (const auto& f : fs::directory_iterator(Folder())) names.insert(f.path().filename().string());
        std::vector<int> scores;
        for (const std::string& name : names) scores.push_back(std::stoi(name.substr(name.rfind('-') + 1)));
        return scores;
    };
    auto then = [](std::vector<int> best, int plain, std::vector<int> after = {}) {
        best.insert(best.end(), size_t(plain), 1);
        best.insert(best.end(), after.begin(), after.end());
        return best;
    };
    fs::create_directories(Folder());
    data::WriteFileAtomically(Folder() + "/0001-20261206-142233-level01-7.zrp", std::string(replay::Magic) + "\x03");
    data::WriteFileAtomically(Folder() + "/0002-20261206-142233-level01-3.zrp", std::string(replay::Magic) + "\x02?");
    // Two copies enter at once; then the same player enters 8000 twice.
    const auto ann = start(), bo = start();
    enter(*ann, "Ann", 40000);
    enter(*bo, "Bo", 35000);
    bo->Finish({2, 35000, 0, 6000, "exit"});
    ann->Finish({2, 40000, 0, 6000, "exit"});
    const std::string older = entering("Ann", 8000), newer = entering("Ann", 8000);
    runs(25);
    EXPECT_EQ(kept(), then({7, 35000, 40000, 8000, 8000}, 20));
    // Cy's 9000 pushes the older 8000 out: its run's replay goes.
    entering("Cy", 9000);
    EXPECT_EQ(kept(), then({7, 35000, 40000, 8000}, 19, {9000}));
    EXPECT_TRUE(!fs::exists(older) && fs::exists(newer));
    // The table damaged, then written by another copy without Ann.
    test::WriteScrambledText(userDir + "/scores.znd", "\"Bo\"\r\n35000\r\n");
    runs(20);
    EXPECT_EQ(kept(), then({7, 35000, 40000, 8000, 9000}, 20));
    std::string table;
    for (const auto& [name, score] : {std::pair("Bo", 35000), {"Cy", 9000}})
        table += "\"" + std::string(name) + "\"\r\n" + std::to_string(score) + "\r\n";
    for (int i = 0; i < 8; ++i) table += "\"Sable\"\r\n2500\r\n";
    test::WriteScrambledText(userDir + "/scores.znd", table);
    runs(1);
    EXPECT_EQ(kept(), then({7, 35000, 9000}, 20));
}

// The best player a run entered is recorded, and the replayed run must
// enter the same.
TEST_F(Replay, TheReplayedRunEntersTheBestPlayerItRecorded) {
    const auto recorder = replay::Recorder::Start(backend, Folder(), test::GameDir());
    shell::ReplayBestPlayer("Ann", 500);
    recorder->Finish({1, 500, 0, 6000, "exit"});
    const replay::Recording recording =
        *replay::ReadRecording(data::ReadWholeFile(recorder->Path(), SIZE_MAX)).recording;
    for (const auto& [name, score] : {std::pair("Ann", 500), {"Ann", 501}, {"Anne", 500}}) {
        replay::Player player(recording, nullptr);
        try {
            shell::ReplayBestPlayer(name, score);
        } catch (const ProgramEnded&) {  // where it diverges
        }
        EXPECT_EQ(player.Divergence().has_value(), score != 500 || std::string(name) != "Ann") << name << " " << score;
    }
}

// zintari --replays: every replay, newest first, with when it ended, its
// end and whether it is a best run; one being recorded, cut short, damaged,
// of other rules or of a newer format is listed as such, never left out.
TEST_F(Replay, TheListShowsEveryReplayAsItIs) {
    data::LoadScores();
    auto start = [&] { return replay::Recorder::Start(backend, Folder(), test::GameDir()); };
    const auto best = start();
    data::EnterBestPlayer("Ann", 40000);
    best->EnteredBestPlayer("Ann", 40000);
    best->Finish({3, 40000, 12, 65000, "exit"});
    const auto plain = start();
    const std::string killed = data::ReadWholeFile(plain->Path(), SIZE_MAX);
    plain->Finish({2, 700, 5, 7000, "closed"});
    const std::string bytes = data::ReadWholeFile(plain->Path(), SIZE_MAX);
    replay::Recording rules = *replay::ReadRecording(bytes).recording;
    ++rules.rules;
    std::string damaged = bytes, newer = bytes;
    damaged.back() ^= 1;  // zlib's own check
    newer[15] = 3;
    const std::string made = Folder() + "/000";
    for (const auto& [name, content] : {std::pair("3-20261206-142233-level01-5", damaged), {"4-20261206-142233", killed},
                                        {"5-20261206-142233-level02-700", ReplayBytes(rules, rules.records)},
                                        {"6-20261206-142233-level01-6", newer}, {"notes", "not the game's"}})
        data::WriteFileAtomically(made + name + ".zrp", content);
    const auto recording = start();
    const timespec ended[2] = {{1796567110, 0}, {1796567110, 0}};  // 2026-12-06 14:25:10 UTC
    for (const auto& f : fs::directory_iterator(Folder())) ASSERT_EQ(utimensat(AT_FDCWD, f.path().c_str(), ended, 0), 0);
    const char* zone = std::getenv("TZ");
    const std::string zoneBefore = zone ? zone : "";
    setenv("TZ", "UTC0", 1);
    tzset();
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_EQ(replay::ListReplays(Folder(), userDir + "/scores.znd", test::GameDir()), 0);
    const std::string listed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    zone ? setenv("TZ", zoneBefore.c_str(), 1) : unsetenv("TZ");
    tzset();
    const std::string at = "2026-12-06 14:25:10  ", run700 = "level 2, score 700, lines 5, 7.0 s of play, ended: closed";
    EXPECT_EQ(listed, at + "being recorded  " + recording->Path() + "\n" +
                          at + "unplayable: made by a newer version of the game (replay format 3)  " + made + "6-20261206-142233-level01-6.zrp\n" +
                          at + run700 + "; unplayable: made with rules " + std::to_string(rules.rules) + ", this is rules " +
                              std::to_string(replay::RulesRevision) + "  " + made + "5-20261206-142233-level02-700.zrp\n" +
                          at + "cut short: no end recorded  " + made + "4-20261206-142233.zrp\n" +
                          at + "unplayable: damaged  " + made + "3-20261206-142233-level01-5.zrp\n" +
                          at + run700 + "  " + plain->Path() + "\n" +
                          at + "level 3, score 40000, lines 12, 65.0 s of play, ended: exit; best run  " + best->Path() + "\n");
    recording->Finish({});
}

// A run killed at once leaves a replay that checks as cut short: its header
// and the digests of the game's files are written when the run starts.
TEST_F(Replay, ARunKilledAtItsStartLeavesAReplayCutShort) {
    const auto recorder = replay::Recorder::Start(backend, Folder(), test::GameDir());
    fs::copy_file(recorder->Path(), tempDir + "/killed.zrp");  // what a kill leaves now
    recorder->Finish({});
    const auto [status, said] = Check(tempDir + "/killed.zrp");
    EXPECT_EQ(status, 1);
    EXPECT_TRUE(said.starts_with("cut short at tick 0: ")) << said;
}

// The build's list of shipped files is every file it made. Nothing else in
// the game's folder stops the game, a recording or a check: it is not looked
// at, and a tune that cannot be read is none of the rules' business.
TEST_F(Replay, OddEntriesInTheGameFolderAreLeftAlone) {
    std::set<std::string> made, listed;
    for (const auto& f : fs::recursive_directory_iterator(test::GameDir()))
        if (f.is_regular_file() && f.path().filename() != "zintari") made.insert(fs::relative(f, test::GameDir()));
    for (const replay::ShippedName& name : replay::ShippedNames()) listed.insert(name.path);
    EXPECT_EQ(listed, made);
    const std::string game = tempDir + "/game";
    fs::copy(test::GameDir(), game, fs::copy_options::recursive);
    fs::create_symlink("loop", game + "/loop");
    fs::create_directory_symlink("..", game + "/graphs/up");
    ASSERT_EQ(mkfifo((game + "/pipe").c_str(), 0644), 0);
    data::WriteFileAtomically(game + "/unreadable", "x");
    fs::permissions(game + "/unreadable", fs::perms::none);
    fs::remove(game + "/mid/piano.mid");
    fs::create_symlink("piano.mid", game + "/mid/piano.mid");
    data::SetFolders(game, userDir, tempDir);
    bool menu = false;
    shell::OnStateEntered = [&](shell::State s) { menu |= s == shell::State::MainMenu; };
    testing::internal::CaptureStderr();
    const std::string file = Record(16000, nullptr, 2000, game);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    shell::OnStateEntered = nullptr;
    EXPECT_TRUE(menu);
    const auto [status, said] = Check(file, game);
    EXPECT_EQ(status, 0) << said;
}

// Watching, the window draws the name field as the recorded player typed
// it; the viewer's own typing never reaches it.
TEST_F(Replay, WatchingShowsTheRecordedNameField) {
    replay::Encoder log;
    for (const char* typed : {"Ann", "Anna", ""}) {
        log.Byte(uint8_t(replay::Tag::Yield));
        log.Varint(100);
        log.Byte(uint8_t(replay::Tag::Text));
        log.String(typed);
    }
    replay::Recording recording;
    recording.records = log.bytes;
    HeadlessBackend window;
    window.SetSleeps(true);
    window.SetTextInput(true);
    window.TypeAt(150, "zz");
    std::vector<std::string> drawn;
    window.onYield = [&] {
        if (drawn.empty() || drawn.back() != NameField().text) drawn.push_back(NameField().text);
    };
    replay::Player player(recording, &window);
    EXPECT_THROW(for (;;) player.ProcessEvents(), ProgramEnded);
    EXPECT_EQ(drawn, (std::vector<std::string>{"", "Ann", "Anna"}));
}

// The game's clock has 32 bits that wrap: a step of any size between two
// passes is recorded and replayed modulo 2^32, as the game read it; a file
// may hold a larger number, which means the same. Watching waits for no
// step longer than 10 s.
TEST_F(Replay, StepsOfAnySize) {
    const std::vector<uint64_t> steps = {1, 0x7FFFFFFF, 0x80000000, 0x80000005, 0xFFFFFFFF};
    std::vector<int32_t> read;  // the clock after each pass
    for (uint64_t step : steps) read.push_back(int32_t(uint32_t(read.empty() ? 0 : read.back()) + uint32_t(step)));
    size_t pass = 0;
    backend.onYield = [&] { backend.SetTime(read[pass++]); };
    auto recorder = replay::Recorder::Start(backend, Folder(), test::GameDir());
    for (size_t i = 0; i < steps.size(); ++i) recorder->ProcessEvents();
    recorder->Finish({1, 0, 0, 6000, "exit"});
    backend.onYield = nullptr;
    replay::Recording recording = *replay::ReadRecording(data::ReadWholeFile(recorder->Path(), SIZE_MAX)).recording;
    replay::Encoder larger;  // one more step, as 2^40 + 3
    larger.Byte(uint8_t(replay::Tag::Yield));
    larger.Varint((uint64_t(1) << 40) + 3);
    recording.records.insert(*recording.endAt, larger.bytes);
    *recording.endAt += larger.bytes.size();
    read.push_back(read.back() + 3);

    replay::Player checked(recording, nullptr);
    for (int32_t tick : read) {
        checked.ProcessEvents();
        EXPECT_EQ(checked.TickCount(), tick);
    }
    HeadlessBackend window;
    window.SetSleeps(true);
    replay::Player watched(recording, &window);
    for (size_t i = 0; i < read.size(); ++i) watched.ProcessEvents();
    EXPECT_TRUE(test::Between(window.TickCount(), 1 + 4 * 10000 + 3, 1 + 4 * 10000 + 3 + 50));
}

// Texts from a replay file reach the terminal with their control characters
// escaped.
TEST(ReplayText, ControlCharactersAreEscaped) {
    for (const auto& [text, printed] : std::vector<std::pair<std::string, std::string>>{
             {"level 3, ended: closed", "level 3, ended: closed"},
             {"\x1b]0;owned\x07\r\n", "\\x1B]0;owned\\x07\\x0D\\x0A"},
             {"caf\xC3\xA9 \xE2\x82\xAC", "caf\xC3\xA9 \xE2\x82\xAC"},          // UTF-8 as it is
             {"\xC2\x9B" "2J\x7F", "\\xC2\\x9B2J\\x7F"},                       // C1 and DEL
             {"\xFF\xC3", "\\xFF\\xC3"}})                                        // no UTF-8
        EXPECT_EQ(replay::Printable(text), printed);
    // The version a replay was made by, as --check shows it.
    replay::Recording recording;
    recording.rules = replay::RulesRevision;
    recording.version = "\x1b[2J9";
    testing::internal::CaptureStdout();
    EXPECT_EQ(replay::CheckReplay(recording), 1);
    EXPECT_TRUE(testing::internal::GetCapturedStdout().ends_with("\nrecorded by zintari \\x1B[2J9 with rules " +
                                                                   std::to_string(replay::RulesRevision) + "\n"));
}

}  // namespace
