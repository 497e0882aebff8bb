#include "replay/folder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string_view>

#include "data/files.h"
#include "replay/player.h"

namespace fs = std::filesystem;

namespace replay {

std::optional<bool> RecordingLockHeld(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    const bool held = ::flock(fd, LOCK_SH | LOCK_NB) != 0;
    ::close(fd);
    return held;
}

bool BeingRecorded(const std::string& path) { return RecordingLockHeld(path).value_or(true); }

namespace {

// The best players a run entered, in its BestPlayer records.
std::vector<BestEntry> BestPlayersIn(const Recording& recording) {
    std::vector<BestEntry> entered;
    for (Decoder d(recording.records); !d.AtEnd();) {
        const Tag tag = Tag(d.Byte());
        if (tag == Tag::BestPlayer) {
            std::string name = d.String();
            entered.push_back({std::move(name), int32_t(uint32_t(d.Varint()))});
        } else if (!SkipRecord(tag, d)) {
            break;  // cannot be: the records were walked when the file was read
        }
    }
    return entered;
}

ReplayFile ReadReplay(const std::string& path) {
    ReplayFile file{path, {}, {}, {}, {}, false};
    try {
        ReadResult read = ReadReplayFile(path);
        file.trouble = read.trouble;
        if (read.recording) {
            file.end = RecordedEnd(*read.recording);
            file.entered = BestPlayersIn(*read.recording);
            read.recording->records.clear();
            file.header = std::move(read.recording);
        } else if (!read.newer) {
            file.entered.emplace();  // damaged, or too old to play: no best run to keep
        }
    } catch (const data::FatalError& e) {
        file.trouble = e.what();
        if (file.trouble.starts_with(path + ": ")) file.trouble.erase(0, path.size() + 2);
    }
    return file;
}

}  // namespace

std::vector<ReplayFile> ReadReplays(const std::vector<std::string>& newestFirst,
                                    const std::optional<std::vector<EnteredPlayer>>& table) {
    std::map<BestEntry, int> left;  // the table's entries no newer run has taken
    if (table)
        for (const EnteredPlayer& p : *table) ++left[{p.name, p.score}];
    std::vector<ReplayFile> files;
    for (const std::string& path : newestFirst) {
        ReplayFile file = ReadReplay(path);
        file.best = !file.entered || (!table && !file.entered->empty());
        if (table && file.entered)
            for (const BestEntry& entry : *file.entered)
                if (const auto it = left.find(entry); it != left.end() && it->second > 0) {
                    --it->second;
                    file.best = true;
                }
        files.push_back(std::move(file));
    }
    return files;
}

namespace {

// How many digits text starts with.
size_t Digits(std::string_view text) {
    size_t n = 0;
    while (n < text.size() && text[n] >= '0' && text[n] <= '9') ++n;
    return n;
}

// Whether text starts with the local time a run started: "20261206-142233".
bool StartsWithStamp(std::string_view text) {
    return Digits(text) == 8 && text.size() > 9 && text[8] == '-' && Digits(text.substr(9)) == 6;
}

// Renames from to a name that no file has: false, with errno EEXIST, when
// one has it.
bool RenameToFreeName(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    // A file system that cannot (NFS): a second link, which takes no name
    // that is taken either.
    if (errno != EINVAL || ::link(from.c_str(), to.c_str()) != 0) return false;
    ::unlink(from.c_str());
    return true;
}

}  // namespace

Replays::Replays(std::string folder) : folder_(std::move(folder)) {
    std::error_code failed;
    for (auto it = fs::directory_iterator(folder_, failed); !failed && it != fs::directory_iterator();
         it.increment(failed)) {
        const std::string name = it->path().filename().string();
        std::error_code unknown;
        if (it->symlink_status(unknown).type() != fs::file_type::regular || !name.ends_with(".zrp")) continue;
        const size_t digits = Digits(name);
        if (digits >= 4 && digits <= 9 && name[digits] == '-' && StartsWithStamp(name.substr(digits + 1)))
            numbered_.insert({uint32_t(std::stoul(name.substr(0, digits))), name});
        else if (StartsWithStamp(name))
            byStart_.push_back(name);
    }
    if (failed && failed != std::errc::no_such_file_or_directory) trouble_ = failed.message();
    std::sort(byStart_.begin(), byStart_.end());
}

std::string Replays::Number(const std::string& path, const std::string& name) {
    for (uint32_t next = numbered_.empty() ? 1 : numbered_.rbegin()->first + 1;; ++next) {
        char number[16];
        std::snprintf(number, sizeof number, "%04u-", unsigned(next));
        const std::string numberedPath = folder_ + "/" + number + name;
        if (RenameToFreeName(path, numberedPath)) {
            numbered_.insert({next, number + name});
            return numberedPath;
        }
        if (errno != EEXIST) return path;
    }
}

void Replays::NumberLeftOver() {
    std::erase_if(byStart_, [&](const std::string& name) {
        const std::string path = folder_ + "/" + name;
        return !BeingRecorded(path) && Number(path, name) != path;
    });
}

std::vector<std::string> Replays::NewestFirst() const {
    std::vector<std::string> paths;
    for (auto it = byStart_.rbegin(); it != byStart_.rend(); ++it) paths.push_back(folder_ + "/" + *it);
    for (auto it = numbered_.rbegin(); it != numbered_.rend(); ++it) paths.push_back(folder_ + "/" + it->second);
    return paths;
}

void Replays::KeepNewestAndBest(size_t keep, const std::optional<std::vector<EnteredPlayer>>& table) {
    std::vector<std::string> newestFirst;
    for (auto it = numbered_.rbegin(); it != numbered_.rend(); ++it) newestFirst.push_back(folder_ + "/" + it->second);
    const std::vector<ReplayFile> files = ReadReplays(newestFirst, table);
    for (size_t i = keep; i < files.size(); ++i)
        if (!files[i].best) ::unlink(files[i].path.c_str());
}

}  // namespace replay
