#include "data/files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <set>

#include "game/state.h"

namespace fs = std::filesystem;

namespace data {

namespace {

std::string programFolder = ".", userFolder = ".", tempFolder = ".";
std::string createdTemp;
// The player's files that could not be read this run: saves leave them be.
std::set<std::string> leftUnread;

std::string Join(const std::string& folder, const std::string& relative) { return folder + "/" + relative; }
std::string Reason() { return std::strerror(errno); }
// Whether anything at all, even a folder or a broken link, has the name.
bool Present(const std::string& path) {
    std::error_code ignored;
    return fs::exists(fs::symlink_status(path, ignored));
}

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

std::string MakeTempFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/zintari-XXXXXX";
    if (!mkdtemp(pattern.data())) throw FatalError("cannot create a temporary folder: " + Reason());
    createdTemp = pattern;
    return pattern;
}

void RemoveTempFolder() {
    if (createdTemp.empty()) return;
    std::error_code ignored;
    fs::remove_all(createdTemp, ignored);
    createdTemp.clear();
}

bool FileExists(const std::string& path) {
    std::error_code ignored;
    return fs::is_regular_file(path, ignored);
}

std::string ReadWholeFile(const std::string& path) {
    // Plain system calls: every read error is seen, also a folder's.
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) throw FatalError(path + (errno == ENOENT ? ": missing" : ": cannot be read: " + Reason()));
    std::string bytes;
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const std::string why = Reason();
            ::close(fd);
            throw FatalError(path + ": cannot be read: " + why);
        }
        if (n == 0) break;
        bytes.append(chunk, size_t(n));
    }
    ::close(fd);
    return bytes;
}

void WriteFileAtomically(const std::string& path, const std::string& bytes, Sync sync) {
    const std::string part = path + ".part";
    const int fd = ::open(part.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) throw FatalError(path + ": cannot be written: " + Reason());
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const std::string why = Reason();
            ::close(fd);
            ::unlink(part.c_str());
            throw FatalError(path + ": cannot be written: " + why);
        }
        done += size_t(n);
    }
    const bool synced = sync == Sync::No || ::fsync(fd) == 0;
    if (::close(fd) != 0 || !synced || ::rename(part.c_str(), path.c_str()) != 0) {
        const std::string why = Reason();
        ::unlink(part.c_str());
        throw FatalError(path + ": cannot be written: " + why);
    }
}

void ScrambleBytes(std::string& bytes, const std::string& key) {
    if (key.empty()) return;
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = char(bytes[i] ^ key[i % key.size()]);
}

void ScrambleFile(const std::string& source, const std::string& destination, const std::string& key, Sync sync) {
    std::string bytes = ReadWholeFile(source);
    if (bytes.empty()) throw Damaged(source + ": empty file");
    ScrambleBytes(bytes, key);
    WriteFileAtomically(destination, bytes, sync);
}

PlainCopy::PlainCopy(const std::string& scrambledPath, const std::string& plainName) : plain_(PlainFile(plainName)) {
    ScrambleFile(scrambledPath, plain_, DataKey, Sync::No);
}

PlainCopy::~PlainCopy() { ::unlink(plain_.c_str()); }

std::string PlainCopy::Contents() const { return ReadWholeFile(plain_); }

bool WriteScrambled(const std::string& destination, const std::string& plainName, const std::string& text) {
    if (leftUnread.count(destination)) {
        std::fprintf(stderr, "zintari: not saved: %s could not be read and is left as it is\n", destination.c_str());
        return false;
    }
    const std::string plain = PlainFile(plainName);
    bool saved = true;
    try {
        WriteFileAtomically(plain, text, Sync::No);
        ScrambleFile(plain, destination, DataKey);
    } catch (const FatalError& e) {
        std::fprintf(stderr, "zintari: not saved: %s; the previous %s is kept\n", e.what(), destination.c_str());
        saved = false;
    }
    ::unlink(plain.c_str());
    return saved;
}

void SeedUserFile(const std::string& relative) {
    const std::string target = UserFile(relative);
    if (Present(target)) return;
    WriteFileAtomically(target, ReadWholeFile(ProgramFile(relative)));
}

void LoadUserFile(const std::string& relative, const std::string& plainName, bool (*parse)(const std::string&),
                  const std::string& what) {
    const std::string path = UserFile(relative);
    auto load = [&](const std::string& from) {
        const PlainCopy plain(from, plainName);
        if (!parse(plain.Contents())) throw Damaged(from + ": not " + what);
    };
    std::string trouble;
    try {
        SeedUserFile(relative);
        load(path);
        return;
    } catch (const Damaged& e) {
        const std::string aside = SetAside(path);
        if (!aside.empty()) {
            std::fprintf(stderr, "zintari: %s; kept as %s, using the shipped one\n", e.what(), aside.c_str());
            SeedUserFile(relative);
            load(path);
            return;
        }
        trouble = std::string(e.what()) + " and cannot be set aside";
    } catch (const FatalError& e) {
        trouble = e.what();
    }
    // Not the file's fault, or nothing to be done about it: the player's
    // file stays as it is and the shipped one serves this run.
    std::fprintf(stderr, "zintari: %s; the file is left as it is and the shipped one is used for now\n",
                 trouble.c_str());
    if (Present(path)) leftUnread.insert(path);
    load(ProgramFile(relative));
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
