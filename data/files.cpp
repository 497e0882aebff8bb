#include "data/files.h"

#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <set>

#include "game/state.h"

#ifndef sigev_notify_thread_id  // glibc before 2.35 names it only so
#define sigev_notify_thread_id _sigev_un._tid
#endif

namespace fs = std::filesystem;

namespace data {

namespace {

std::string programFolder = ".", userFolder = ".", tempFolder = ".";
std::string createdTemp;
int createdTempMark = -1;  // the lock that marks createdTemp as a live run's
// The player's files that could not be read this run: saves leave them be.
std::set<std::string> leftUnread;
constexpr const char* LockFile = "saves.lock";
FileLog* fileLog = nullptr;

std::string Join(const std::string& folder, const std::string& relative) { return folder + "/" + relative; }
std::string Reason() { return std::strerror(errno); }
// Whether anything at all, even a folder or a broken link, has the name. A
// name that cannot be looked at (a disk error, a network folder gone for a
// moment) counts as taken: nothing is ever put in its place.
bool Present(const std::string& path) {
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0 || errno != ENOENT;
}

[[noreturn]] void CannotWrite(const std::string& path, int error) {
    throw WriteFailed(path + ": cannot be written: " + std::strerror(error), error);
}

// Each entry of folder, named without the folder; none when it cannot be listed.
void ForEachEntry(const std::string& folder, const std::function<void(const std::string&)>& visit) {
    std::error_code failed;
    for (fs::directory_iterator it(folder, failed), end; !failed && it != end; it.increment(failed))
        visit(it->path().filename().string());
}

// A save writes its scratch file and renames it within seconds, even on a
// slow or network disk; one ten minutes old is a killed save's, and no
// copy of the game can still be writing it.
constexpr std::time_t StaleScratchSeconds = 10 * 60;
constexpr const char* ScratchTail = ".part-";  // and six letters or digits

// Removes the scratch files of path that saves killed before their rename
// left behind, once they are stale.
void SweepScratch(const std::string& path) {
    const fs::path target(path);
    const std::string folder = target.parent_path().string(), prefix = target.filename().string() + ScratchTail;
    const std::time_t now = std::time(nullptr);
    ForEachEntry(folder, [&](const std::string& name) {
        const std::string scratch = Join(folder, name);
        struct stat info;
        if (name.size() == prefix.size() + 6 && name.starts_with(prefix) && ::lstat(scratch.c_str(), &info) == 0 &&
            S_ISREG(info.st_mode) && now - info.st_mtime > StaleScratchSeconds)
            ::unlink(scratch.c_str());
    });
}

// Writes bytes whole to a new scratch file beside path, named after it, and
// returns the scratch file's name. Each writer has a name of its own, so
// two copies of the game saving at once never write into one file.
std::string WriteScratch(const std::string& path, const std::string& bytes, Sync sync) {
    SweepScratch(path);
    std::string scratch = path + ScratchTail + "XXXXXX";
    const int fd = ::mkstemp(scratch.data());
    if (fd < 0) CannotWrite(path, errno);
    bool written = ::fchmod(fd, 0644) == 0  // as any file the player makes, not mkstemp's private 0600
                   && WriteAll(fd, bytes) && (sync == Sync::No || ::fsync(fd) == 0);
    int error = errno;
    if (::close(fd) != 0 && written) written = false, error = errno;
    if (!written) {
        ::unlink(scratch.c_str());
        CannotWrite(path, error);
    }
    return scratch;
}

// Gives a finished scratch file the name path unless that name is taken
// (another copy of the game may have just put its own there). The scratch
// file is gone either way.
void LinkIntoPlace(const std::string& scratch, const std::string& path) {
    int result = ::link(scratch.c_str(), path.c_str());
    if (result != 0 && (errno == EPERM || errno == EOPNOTSUPP))  // a file system without hard links
        result = ::renameat2(AT_FDCWD, scratch.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE);
    const int error = errno;
    ::unlink(scratch.c_str());
    if (result != 0 && error != EEXIST) CannotWrite(path, error);
}

// How long a save waits for another copy's save: one takes milliseconds,
// a second on a slow disk. A copy that holds the lock longer is stopped or
// stuck, and this one gives its save up rather than freeze the game.
constexpr auto SaveLockWait = std::chrono::seconds(3);

// Takes the lock on fd; true when another copy held it all of SaveLockWait.
// The wait blocks, so that the lock is had the moment the other copy lets
// go (asking again now and then could miss every moment it is free, were
// the other copy saving again and again); a timer of this thread's own
// interrupts it every 100 ms with a signal that does nothing else, to look
// at the clock.
bool LockedOut(int fd) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK) return false;
    struct sigaction interrupts {};
    interrupts.sa_handler = [](int) {};  // without SA_RESTART: the wait ends with EINTR
    ::sigaction(SIGRTMIN, &interrupts, nullptr);
    sigevent tick{};
    tick.sigev_notify = SIGEV_THREAD_ID;
    tick.sigev_signo = SIGRTMIN;
    tick.sigev_notify_thread_id = ::gettid();
    timer_t timer;
    if (::timer_create(CLOCK_MONOTONIC, &tick, &timer) != 0) return true;
    const itimerspec every{{0, 100'000'000}, {0, 100'000'000}};
    ::timer_settime(timer, 0, &every, nullptr);
    const auto deadline = std::chrono::steady_clock::now() + SaveLockWait;
    bool out = false;
    while (!out && ::flock(fd, LOCK_EX) != 0 && errno == EINTR) out = std::chrono::steady_clock::now() >= deadline;
    ::timer_delete(timer);
    return out;
}

// The advisory lock that keeps two copies' saves from interleaving, held
// while the object lives. A lock that cannot be had at all (the folder
// cannot be written) leaves the save to find out and say why; one that
// another copy holds past SaveLockWait leaves Busy().
class SaveLock {
public:
    SaveLock()
        : fd_(::open(UserFile(LockFile).c_str(), O_RDWR | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0644)),
          busy_(fd_ >= 0 && LockedOut(fd_)) {}
    ~SaveLock() {
        if (fd_ >= 0) ::close(fd_);
    }
    SaveLock(const SaveLock&) = delete;
    SaveLock& operator=(const SaveLock&) = delete;
    bool Busy() const { return busy_; }

private:
    int fd_;
    bool busy_;
};

}  // namespace

void SetFolders(const std::string& program, const std::string& user, const std::string& temp) {
    programFolder = program;
    userFolder = user;
    tempFolder = temp;
    leftUnread.clear();
}
std::string ProgramFile(const std::string& relative) { return Join(programFolder, relative); }
std::string UserFile(const std::string& relative) { return Join(userFolder, relative); }

std::string PlainFile(const std::string& relative) {
    std::string flat = relative;
    for (char& c : flat)
        if (c == '/') c = '_';
    return Join(tempFolder, flat);
}

namespace {

// A run's temporary folder holds RunMark, locked for as long as the run
// lives: the system lets go of the lock however the process ends, and no
// process number is involved that another process could take over.
constexpr const char* RunMark = "run.lock";
constexpr const char* TempPrefix = "zintari-";
// A folder without the mark is a run's that has only just made it, or one
// of a game from before the mark: given an hour before it counts as left.
constexpr std::time_t UnmarkedSeconds = 60 * 60;

// Whether folder (a run's temporary folder, by its name) is left by a run
// that is gone.
bool LeftBehind(const std::string& folder, const struct stat& info) {
    const int fd = ::open(Join(folder, RunMark).c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT && std::time(nullptr) - info.st_mtime > UnmarkedSeconds;
    const bool unlocked = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    ::close(fd);
    return unlocked;
}

// Whether name is one MakeTempFolder makes: "zintari-" and six letters or
// digits (not the tests' zintari-test-... and zintari-e2e-...).
bool RunFolderName(const std::string& name) {
    const size_t prefix = std::strlen(TempPrefix);
    return name.size() == prefix + 6 && name.starts_with(TempPrefix) &&
           std::all_of(name.begin() + long(prefix), name.end(), [](char c) { return std::isalnum(uint8_t(c)); });
}

// Removes the temporary folders in base of this user's runs that are gone
// (killed, crashed), and nothing else: only real folders by the name the
// game gives them.
void SweepTempFolders(const std::string& base) {
    ForEachEntry(base, [&](const std::string& name) {
        const std::string folder = Join(base, name);
        struct stat info;
        const bool ours = RunFolderName(name) && ::lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
                          info.st_uid == ::geteuid();
        if (ours && LeftBehind(folder, info)) {
            std::error_code ignored;
            fs::remove_all(folder, ignored);
        }
    });
}

}  // namespace

std::string MakeTempFolder() {
    const char* set = std::getenv("TMPDIR");
    const std::string base = set && *set ? set : "/tmp";
    std::string folder = base + "/" + TempPrefix + "XXXXXX";
    if (!mkdtemp(folder.data())) throw FatalError("cannot create a temporary folder: " + Reason());
    createdTemp = folder;
    // Locked under another name first and then named as the mark, so no
    // sweep ever sees the mark unlocked while this run lives.
    const std::string mark = Join(folder, RunMark), unnamed = mark + ".new";
    createdTempMark = ::open(unnamed.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (createdTempMark >= 0 && ::flock(createdTempMark, LOCK_EX | LOCK_NB) == 0)
        ::rename(unnamed.c_str(), mark.c_str());
    SweepTempFolders(base);
    return folder;
}

void RemoveTempFolder() {
    if (createdTemp.empty()) return;
    std::error_code ignored;
    fs::remove_all(createdTemp, ignored);
    createdTemp.clear();
    if (createdTempMark >= 0) ::close(createdTempMark);
    createdTempMark = -1;
}

bool FileExists(const std::string& path) {
    std::error_code ignored;
    return fs::is_regular_file(path, ignored);
}

std::string ReadWholeFile(const std::string& path, size_t limit) {
    // Plain system calls: every read error is seen, also a folder's.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) throw Missing(path + ": missing");
        throw FatalError(path + (errno == ELOOP ? ": a link that loops" : ": cannot be read: " + Reason()));
    }
    auto refuse = [&](const std::string& why) {
        ::close(fd);
        throw FatalError(path + ": " + why);
    };
    struct stat info;
    if (::fstat(fd, &info) != 0) refuse("cannot be read: " + Reason());
    if (S_ISDIR(info.st_mode)) refuse("a folder, not a file");
    if (!S_ISREG(info.st_mode)) refuse("not a regular file (a pipe or a device)");
    const std::string tooLong = "longer than " + std::to_string(limit) + " bytes";
    if (uint64_t(info.st_size) > limit) refuse(tooLong);
    std::string bytes;
    bytes.reserve(size_t(info.st_size));
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) refuse("cannot be read: " + Reason());
        if (n == 0) break;
        if (size_t(n) > limit - bytes.size()) refuse(tooLong);  // it grew while read
        bytes.append(chunk, size_t(n));
    }
    ::close(fd);
    return bytes;
}

std::string TextOnly(std::string bytes, const std::string& path) {
    if (bytes.find('\0') != std::string::npos) throw FatalError(path + ": not a text file");
    return bytes;
}

bool WriteAll(int fd, const std::string& bytes) {
    for (size_t done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += size_t(n);
    }
    return true;
}

void WriteFileAtomically(const std::string& path, const std::string& bytes, Sync sync) {
    const std::string scratch = WriteScratch(path, bytes, sync);
    if (::rename(scratch.c_str(), path.c_str()) != 0) {
        const int error = errno;
        ::unlink(scratch.c_str());
        CannotWrite(path, error);
    }
}

void ScrambleBytes(std::string& bytes, const std::string& key) {
    if (key.empty()) return;
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = char(bytes[i] ^ key[i % key.size()]);
}

void ScrambleFile(const std::string& source, const std::string& destination, const std::string& key, size_t limit,
                  Sync sync) {
    std::string bytes = ReadWholeFile(source, limit);
    if (bytes.empty()) throw Damaged(source + ": empty file");
    ScrambleBytes(bytes, key);
    WriteFileAtomically(destination, bytes, sync);
}

PlainCopy::PlainCopy(const std::string& scrambledPath, const std::string& plainName, size_t limit)
    : plain_(PlainFile(plainName)), limit_(limit) {
    ScrambleFile(scrambledPath, plain_, DataKey, limit, Sync::No);
}

PlainCopy::~PlainCopy() { ::unlink(plain_.c_str()); }

std::string PlainCopy::Contents() const { return ReadWholeFile(plain_, limit_); }

std::string TroubleOf(int error) {
    switch (error) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return "disk full";
    case EACCES:
    case EPERM: return "no permission";
    case EROFS: return "read-only disk";
    default: return "disk error";
    }
}

void UseFileLog(FileLog* log) { fileLog = log; }

namespace {

// The save itself; seen is the file's text it merged into.
SaveResult SaveToDisk(const std::string& relative, const std::string& plainName, const Merge& merge,
                      std::optional<std::string>& seen) {
    const std::string path = UserFile(relative);
    if (leftUnread.count(path)) {
        std::fprintf(stderr, "zintari: not saved: %s could not be read and is left as it is\n", path.c_str());
        return {"file unreadable"};
    }
    const SaveLock lock;
    if (lock.Busy()) {
        std::fprintf(stderr, "zintari: not saved: another copy of the game has been saving for %d s; the previous %s is kept\n",
                     int(SaveLockWait.count()), path.c_str());
        return {"another copy is saving"};
    }
    std::optional<std::string> text;
    try {
        if (Present(path)) {
            const std::string current = PlainCopy(path, plainName, PlayerFileLimit).Contents();
            seen = current;
            text = merge(&current);
            if (!text) {
                const std::string aside = SetAside(path);
                if (aside.empty()) throw WriteFailed(path + " is damaged and cannot be set aside", EIO);
                std::fprintf(stderr, "zintari: %s was damaged; kept as %s\n", path.c_str(), aside.c_str());
            }
        }
        if (!text) text = merge(nullptr);
    } catch (const Damaged&) {  // empty: nothing to keep from it
        text = merge(nullptr);
    } catch (const WriteFailed& e) {  // its plain copy, in the temporary folder
        std::fprintf(stderr, "zintari: not saved: %s; the previous %s is kept\n", e.what(), path.c_str());
        return {TroubleOf(e.error)};
    } catch (const FatalError& e) {
        std::fprintf(stderr, "zintari: not saved: %s; the file is left as it is\n", e.what());
        return {"file unreadable"};
    }
    const std::string plain = PlainFile(plainName);
    SaveResult result;
    try {
        WriteFileAtomically(plain, *text, Sync::No);
        ScrambleFile(plain, path, DataKey, PlayerFileLimit);
    } catch (const FatalError& e) {
        std::fprintf(stderr, "zintari: not saved: %s; the previous %s is kept\n", e.what(), path.c_str());
        const auto* failed = dynamic_cast<const WriteFailed*>(&e);
        result.trouble = TroubleOf(failed ? failed->error : EIO);
    }
    ::unlink(plain.c_str());
    return result;
}

}  // namespace

SaveResult SaveUserFile(const std::string& relative, const std::string& plainName, const Merge& merge) {
    if (const std::optional<SaveRecord> replayed = fileLog ? fileLog->ReplaySave(relative) : std::nullopt) {
        if (replayed->trouble.empty() && !merge(replayed->current ? &*replayed->current : nullptr)) merge(nullptr);
        return {replayed->trouble};
    }
    std::optional<std::string> seen;
    const SaveResult result = SaveToDisk(relative, plainName, merge, seen);
    if (fileLog) fileLog->Saved(relative, {seen, result.trouble});
    return result;
}

void SeedUserFile(const std::string& relative) {
    const std::string target = UserFile(relative);
    if (Present(target)) return;
    LinkIntoPlace(WriteScratch(target, ReadWholeFile(ProgramFile(relative), PlayerFileLimit), Sync::Yes), target);
}

void LoadUserFile(const std::string& relative, const std::string& plainName, bool (*parse)(const std::string&),
                  const std::string& what) {
    if (const std::optional<std::string> replayed = fileLog ? fileLog->ReplayLoad(relative) : std::nullopt) {
        if (!parse(*replayed)) throw Damaged(relative + " in the replay: not " + what);
        return;
    }
    const std::string path = UserFile(relative);
    // A load that only checks is not logged: a replay gives back each load once.
    auto load = [&](const std::string& from, bool logged = true) {
        const std::string text = PlainCopy(from, plainName, PlayerFileLimit).Contents();
        if (!parse(text)) throw Damaged(from + ": not " + what);
        if (fileLog && logged) fileLog->Loaded(relative, text);
    };
    std::string trouble;
    try {
        // A shipped file that cannot serve is never copied in: it stops the game below.
        if (!Present(path)) load(ProgramFile(relative), false);
        SeedUserFile(relative);
        load(path);
        return;
    } catch (const Damaged& e) {
        const std::string aside = SetAside(path);
        if (aside.empty()) {
            trouble = std::string(e.what()) + " and cannot be set aside";
        } else {
            try {
                SeedUserFile(relative);
                load(path);
                std::fprintf(stderr, "zintari: %s; kept as %s, using the shipped one\n", e.what(), aside.c_str());
                return;
            } catch (const FatalError& f) {  // a full disk, say: the shipped one serves from memory
                trouble = std::string(e.what()) + "; kept as " + aside + ", but " + f.what();
            }
        }
    } catch (const FatalError& e) {
        trouble = e.what();
    }
    // Not the file's fault, or nothing to be done about it: the player's
    // file stays as it is and the shipped one serves this run; a later save
    // puts a file where there is none. A shipped one that cannot serve
    // either stops the game, with its own line alone.
    load(ProgramFile(relative));
    const bool there = Present(path);
    std::fprintf(stderr, "zintari: %s; %sthe shipped one is used for now\n", trouble.c_str(),
                 there ? "the file is left as it is and " : "");
    if (there) leftUnread.insert(path);
}

std::string SetAside(const std::string& path) {
    char stamp[32];
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    const std::string base = path + "." + stamp;
    std::string aside = base + ".bad";
    std::error_code failed;
    for (int n = 2; fs::exists(aside, failed); ++n) aside = base + "-" + std::to_string(n) + ".bad";
    if (!failed) fs::rename(path, aside, failed);
    return failed ? "" : aside;
}

}  // namespace data
