#include "replay/replay.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "data/files.h"
#include "replay/format.h"
#include "replay/player.h"
#include "shell/command_line.h"
#include "shell/program.h"

namespace replay {

namespace {

// The recording in file, or nothing after one line on stderr that says
// why this game cannot replay it.
std::optional<Recording> Open(const std::string& file, const std::string& gameFolder, const std::string& executable) {
    auto refuse = [&](const std::string& why) {
        std::fprintf(stderr, "zintari: %s: %s\n", file.c_str(), why.c_str());
        return std::nullopt;
    };
    std::string bytes;
    try {
        // A stream that inflates to at most MaxStream takes hardly more
        // compressed (zlib's stored blocks add 5 bytes in 64 KiB).
        bytes = data::ReadWholeFile(file, MaxStream + MaxStream / 1024 + 64);
    } catch (const data::FatalError& e) {
        std::fprintf(stderr, "zintari: %s\n", e.what());
        return std::nullopt;
    }
    ReadResult read = ReadRecording(bytes);
    if (!read.recording) return refuse(read.trouble);
    const Recording& r = *read.recording;
    if (r.version != shell::VersionNumber())
        return refuse("made by zintari " + r.version + ", this is zintari " + shell::VersionNumber());
    const std::vector<ShippedFile> here = ShippedFiles(gameFolder, executable);
    for (const ShippedFile& f : r.files) {
        const auto same = std::find_if(here.begin(), here.end(), [&](const ShippedFile& h) { return h.path == f.path; });
        if (same == here.end()) return refuse("made with game files that have " + f.path + ", which is missing here");
        if (!(*same == f)) return refuse("made with other game files: " + f.path + " differs");
    }
    for (const ShippedFile& h : here)
        if (std::none_of(r.files.begin(), r.files.end(), [&](const ShippedFile& f) { return f.path == h.path; }))
            return refuse("made with game files that did not have " + h.path);
    return std::move(read.recording);
}

std::string Describe(const shell::RunSummary& run) {
    char text[256];
    std::snprintf(text, sizeof text, "level %d, score %d, lines %d, %.1f s of play, ended: ", run.levels, run.score,
                  run.lines, run.playMs / 1000.0);
    return text + run.how;
}

// Plays the recording on player and says how it went: 0 when the replayed
// game came to the recorded end.
int Play(Player& player) {
    platform::Use(&player);
    shell::RunProgram();
    platform::Use(nullptr);
    const shell::RunSummary& replayed = shell::LastRun();
    if (player.ViewerEnded()) return 0;
    if (player.Divergence()) {
        std::printf("diverged %s\n", player.Divergence()->c_str());
        return 1;
    }
    if (!player.RecordedEnd()) {  // a run that was killed, or a file whose rest cannot be read
        std::printf("cut short at tick %d: the recording stops before the run's end, at %s\n", player.Tick(),
                    Describe(replayed).c_str());
        return 1;
    }
    if (!player.AtEnd() || !(replayed == *player.RecordedEnd())) {
        std::printf("diverged at tick %d: the run ends with %s; it was recorded ending with %s\n", player.Tick(),
                    Describe(replayed).c_str(), Describe(*player.RecordedEnd()).c_str());
        return 1;
    }
    std::printf("%s\n", Describe(replayed).c_str());
    return 0;
}

}  // namespace

int CheckReplay(const std::string& file, const std::string& gameFolder, const std::string& executable) {
    const std::optional<Recording> recording = Open(file, gameFolder, executable);
    if (!recording) return 1;
    Player player(*recording, nullptr);
    return Play(player);
}

int WatchReplay(const std::string& file, const std::string& gameFolder, const std::string& executable,
                platform::Backend& window) {
    const std::optional<Recording> recording = Open(file, gameFolder, executable);
    if (!recording) return 1;
    Player player(*recording, &window);
    return Play(player);
}

}  // namespace replay
