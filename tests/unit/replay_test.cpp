// Runs recorded and played again: the same screen at every present and the
// same end, unseen or paced in a window; files cut short, damaged or made
// with other game files; which replays are kept.
#include <zlib.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <regex>
#include <string_view>
#include <thread>

#include "audio/audio.h"
#include "data/files.h"
#include "harness.h"
#include "platform/display.h"
#include "platform/keyboard.h"
#include "platform/timing.h"
#include "replay/format.h"
#include "replay/player.h"
#include "replay/recorder.h"
#include "replay/replay.h"

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
    std::string Record(int32_t close, Screens* screens = nullptr, int flushMs = 2000) {
        backend.SetSleeps(true);
        const int32_t t0 = backend.TickCount();
        backend.TapAt(t0 + 4000, VK_RETURN, 100);  // New Game
        backend.TapAt(t0 + 4500, VK_RETURN, 100);  // level 1
        for (int32_t t = 10000, i = 0; t < close; t += 700, ++i) {
            backend.TapAt(t0 + t, i % 2 ? VK_LEFT : VK_RIGHT, 150);
            backend.TapAt(t0 + t + 300, i % 3 ? VK_UP : VK_SPACE, 120);
        }
        backend.CloseAt(t0 + close);
        const auto recorder = replay::Recorder::Start(backend, Folder(), test::GameDir(), "", flushMs);
        EXPECT_TRUE(recorder);
        // The game's files digested and the header on disk: from here on
        // every flush ends with a check.
        while (fs::file_size(recorder->Path()) <= 16) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (screens) backend.onScreenChanged = [=] { screens->push_back({TickCount(), Picture()}); };
        Use(recorder.get());
        shell::RunProgram();
        recorder->Finish(shell::LastRun());
        Use(&backend);
        backend.onScreenChanged = nullptr;
        audio::AudioShutdown();
        return recorder->Path();
    }

    // CheckReplay of the file: its status and what it printed.
    static std::pair<int, std::string> Check(const std::string& file, const std::string& gameDir = test::GameDir()) {
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        const int status = replay::CheckReplay(file, gameDir, "");
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

    std::string newer = bytes;
    newer[15] = 2;
    EXPECT_EQ(checkBytes(newer), std::pair(1, "zintari: " + tempDir + "/changed.zrp: made by a newer version of the game (replay format 2)\n"));
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
    log.bytes = replay::HeaderBytes(recording.version, recording.files);
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
    const uint32_t crc = crc32(0, reinterpret_cast<const Bytef*>(log.bytes.data()), uInt(log.bytes.size()));
    log.Byte(uint8_t(replay::Tag::Check));
    log.Fixed32(crc);
    const auto [swappedStatus, swapped] = checkBytes(bytes.substr(0, 16) + replay::Compressor().Add(log.bytes, true));
    EXPECT_EQ(swappedStatus, 1) << swapped;
    EXPECT_TRUE(swapped.starts_with("diverged at tick ")) << swapped;

    const std::string other = tempDir + "/game";
    fs::copy(test::GameDir(), other, fs::copy_options::recursive);
    data::WriteFileAtomically(other + "/qhelp.znd", "other help");
    EXPECT_NE(Check(file, other).second.find("made with other game files: qhelp.znd differs"), std::string::npos);
}

// The last 20 runs are kept, oldest removed first; a run with under 5 s of
// play is not kept at all.
TEST_F(Replay, TheLastTwentyRunsWithFiveSecondsOfPlayAreKept) {
    fs::create_directories(Folder());
    for (int i = 0; i < 20; ++i) data::WriteFileAtomically(Folder() + "/2000010" + std::to_string(i % 10) + "-00000" + std::to_string(i / 10) + ".zrp", "x");
    const std::string oldest = Folder() + "/20000100-000000.zrp";
    ASSERT_TRUE(fs::exists(oldest));
    const std::string kept = Record(16000);  // 5.2 s of play
    EXPECT_TRUE(std::regex_match(fs::path(kept).filename().string(), std::regex(R"(\d{8}-\d{6}-level01-\d+\.zrp)"))) << kept;
    EXPECT_FALSE(fs::exists(oldest));
    EXPECT_EQ(std::distance(fs::directory_iterator(Folder()), fs::directory_iterator()), 20);

    EXPECT_FALSE(fs::exists(Record(15000)));  // 4.2 s of play: not kept
    EXPECT_TRUE(fs::exists(kept));
}

}  // namespace
