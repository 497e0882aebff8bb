#include "data/files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "game/state.h"

namespace fs = std::filesystem;

namespace data {

namespace {

std::string programFolder = ".", userFolder = ".", tempFolder = ".";
std::string createdTemp;

std::string Join(const std::string& folder, const std::string& relative) { return folder + "/" + relative; }
std::string Reason() { return std::strerror(errno); }

}  // namespace

void SetFolders(const std::string& program, const std::string& user, const std::string& temp) {
    programFolder = program;
    userFolder = user;
    tempFolder = temp;
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
    std::ifstream in(path, std::ios::binary);
    if (!in) throw FatalError(path + ": cannot be read: " + Reason());
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (in.bad()) throw FatalError(path + ": read error");
    return bytes.str();
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
    if (!FileExists(source)) throw FatalError(source + ": missing");
    std::string bytes = ReadWholeFile(source);
    if (bytes.empty()) throw FatalError(source + ": empty file");
    ScrambleBytes(bytes, key);
    WriteFileAtomically(destination, bytes, sync);
}

PlainCopy::PlainCopy(const std::string& scrambledPath, const std::string& plainName) : plain_(PlainFile(plainName)) {
    ScrambleFile(scrambledPath, plain_, DataKey, Sync::No);
}

PlainCopy::~PlainCopy() { ::unlink(plain_.c_str()); }

std::string PlainCopy::Contents() const { return ReadWholeFile(plain_); }

bool WriteScrambled(const std::string& destination, const std::string& plainName, const std::string& text) {
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
    if (FileExists(target)) return;
    WriteFileAtomically(target, ReadWholeFile(ProgramFile(relative)));
}

void LoadUserFile(const std::string& relative, const std::string& plainName, bool (*parse)(const std::string&),
                  const std::string& what) {
    const std::string path = UserFile(relative);
    auto load = [&] {
        const PlainCopy plain(path, plainName);
        if (!parse(plain.Contents())) throw FatalError(path + ": not " + what);
    };
    SeedUserFile(relative);
    try {
        load();
    } catch (const FatalError& e) {
        std::fprintf(stderr, "zintari: %s; kept as %s, using the shipped one\n", e.what(), SetAside(path).c_str());
        SeedUserFile(relative);
        load();
    }
}

std::string SetAside(const std::string& path) {
    const std::string aside = path + ".bad";
    std::error_code ignored;
    fs::rename(path, aside, ignored);
    return aside;
}

}  // namespace data
