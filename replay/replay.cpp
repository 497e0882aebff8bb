#include "replay/replay.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <optional>
#include <vector>

#include "data/files.h"
#include "data/scores.h"
#include "replay/folder.h"
#include "replay/format.h"
#include "replay/player.h"
#include "shell/program.h"

namespace replay {

std::string Printable(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size();) {
        const auto byte = [&](size_t at) { return at < text.size() ? uint8_t(text[at]) : 0; };
        const uint8_t c = byte(i);
        // The length of the UTF-8 sequence c starts; 0 for a byte that starts none.
        const size_t length = c < 0x80 ? 1 : c >= 0xC2 && c < 0xE0 ? 2 : c >= 0xE0 && c < 0xF0 ? 3
                                         : c >= 0xF0 && c < 0xF5 ? 4 : 0;
        bool whole = length > 0;
        for (size_t k = 1; whole && k < length; ++k) whole = (byte(i + k) & 0xC0) == 0x80;
        const bool control = c < 0x20 || c == 0x7F || (c == 0xC2 && byte(i + 1) < 0xA0);  // C0, DEL, C1
        if (whole && !control) {
            out.append(text, i, length);
            i += length;
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            out += escaped;
            ++i;
        }
    }
    return out;
}

namespace {

// One line on stdout or stderr; its text may come from a replay file.
void Say(std::FILE* to, const std::string& line) { std::fprintf(to, "%s\n", Printable(line).c_str()); }

}  // namespace

std::optional<std::string> Incompatibility(const Recording& r, const ShippedDigests& here) {
    if (r.rules != RulesRevision)
        return "made with rules " + std::to_string(r.rules) + ", this is rules " + std::to_string(RulesRevision);
    for (const ShippedFile& f : r.files) {
        const auto same =
            std::find_if(here.files.begin(), here.files.end(), [&](const ShippedFile& h) { return h.path == f.path; });
        if (const auto unreadable = here.unreadable.find(f.path); unreadable != here.unreadable.end())
            return "made with game files that have " + f.path + "; here " + unreadable->second;
        if (same == here.files.end()) return "made with game files that have " + f.path + ", which these rules do not read";
        if (!(*same == f)) return "made with other game files: " + f.path + " differs";
    }
    for (const ShippedFile& h : here.files)
        if (std::none_of(r.files.begin(), r.files.end(), [&](const ShippedFile& f) { return f.path == h.path; }))
            return "made with game files that did not have " + h.path;
    return std::nullopt;
}

std::optional<Recording> OpenReplay(const std::string& file, const std::string& gameFolder) {
    auto refuse = [&](const std::string& why) {
        Say(stderr, "zintari: " + file + ": " + why);
        return std::nullopt;
    };
    ReadResult read;
    try {
        read = ReadReplayFile(file);
    } catch (const data::FatalError& e) {
        Say(stderr, std::string("zintari: ") + e.what());
        return std::nullopt;
    }
    if (!read.recording) return refuse(read.trouble);
    if (const auto why = Incompatibility(*read.recording, RulesFiles(gameFolder))) return refuse(*why);
    return std::move(read.recording);
}

namespace {

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
        Say(stdout, "diverged " + *player.Divergence());
        return 1;
    }
    const std::string tick = std::to_string(player.Tick());
    if (!player.RecordedEnd()) {  // a run that was killed, or a file whose rest cannot be read
        Say(stdout, "cut short at tick " + tick + ": the recording stops before the run's end, at " + Describe(replayed));
        return 1;
    }
    if (!player.AtEnd() || !(replayed == *player.RecordedEnd())) {
        Say(stdout, "diverged at tick " + tick + ": the run ends with " + Describe(replayed) +
                        "; it was recorded ending with " + Describe(*player.RecordedEnd()));
        return 1;
    }
    Say(stdout, Describe(replayed));
    return 0;
}

}  // namespace

namespace {

// The local time the file was last written: "2026-12-06 14:25:10".
std::string LastWritten(const std::string& path) {
    struct stat info;
    if (::lstat(path.c_str(), &info) != 0) return "(gone)";
    std::tm local{};
    localtime_r(&info.st_mtime, &local);
    char when[32];
    std::strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S", &local);
    return when;
}

}  // namespace

int ListReplays(const std::string& folder, const std::string& scoresFile, const std::string& gameFolder) {
    const Replays replays(folder);
    if (!replays.Trouble().empty()) {
        Say(stderr, "zintari: " + folder + ": " + replays.Trouble());
        return 1;
    }
    std::vector<std::string> recorded, finished;
    for (const std::string& path : replays.NewestFirst()) (RecordingLockHeld(path) == true ? recorded : finished).push_back(path);
    for (const std::string& path : recorded) Say(stdout, LastWritten(path) + "  being recorded  " + path);

    std::string unread;
    const auto table = data::ReadScoresFile(scoresFile, unread);
    const ShippedDigests here = RulesFiles(gameFolder);
    bool anyBest = false;
    for (const ReplayFile& file : ReadReplays(finished, table)) {
        std::string what = file.end ? Describe(*file.end) : file.header ? "cut short: no end recorded" : "";
        if (file.header && file.best) what += "; best run";
        anyBest |= file.header && file.best;
        const std::optional<std::string> unplayable =
            file.header ? Incompatibility(*file.header, here) : std::optional(file.trouble);
        if (unplayable) what += (what.empty() ? "" : "; ") + ("unplayable: " + *unplayable);
        Say(stdout, LastWritten(file.path) + "  " + what + "  " + file.path);
    }
    if (!table && anyBest)
        Say(stderr, "zintari: " + unread + "; every run that entered the best players is listed as a best run");
    return 0;
}

int CheckReplay(const Recording& recording) {
    Player player(recording, nullptr);
    const int status = Play(player);
    Say(stdout, "recorded by zintari " + recording.version + " with rules " + std::to_string(recording.rules));
    return status;
}

int WatchReplay(const Recording& recording, platform::Backend& window) {
    Player player(recording, &window);
    return Play(player);
}

}  // namespace replay
