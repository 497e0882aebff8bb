#include "replay/recorder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <thread>
#include <utility>

#include "data/scores.h"
#include "game/state.h"
#include "platform/keyboard.h"
#include "powers/powers.h"
#include "replay/folder.h"
#include "replay/format.h"
#include "shell/command_line.h"

namespace fs = std::filesystem;

namespace replay {

KeyboardImage KeyboardImage::Now() {
    KeyboardImage k;
    for (int vk = 0; vk < 256; ++vk) k.states[size_t(vk)] = platform::GetKeyState(vk);
    k.name = platform::NameField().text;
    return k;
}

void KeyboardImage::Restore() const {
    for (int vk = 0; vk < 256; ++vk) platform::SetKeyState(vk, states[size_t(vk)] < 0, states[size_t(vk)] & 1);
    platform::NameField().text = name;
}

uint32_t GameDigest() {
    uint32_t h = 2166136261u;  // FNV-1a
    auto mix = [&](int64_t v) {
        for (int i = 0; i < 8; ++i) h = (h ^ uint8_t(v >> (8 * i))) * 16777619u;
    };
    for (int64_t v : {int64_t(Score), int64_t(LinesLeft), int64_t(PowerMeter), int64_t(CurrentLevel),
                      int64_t(PieceX), int64_t(PieceY), int64_t(LevelsUnlocked), int64_t(Horizontals),
                      int64_t(Verticals), int64_t(Diagonals), int64_t(powers::BombX), int64_t(powers::BombY),
                      int64_t(Difficulty), int64_t(RotationMode)})
        mix(v);
    for (const auto& column : Well)
        for (const Cell& c : column) mix(c.Sprite);
    for (const auto& column : PieceGrid)
        for (const Cell& c : column) mix(c.Sprite);
    return h;
}

namespace {

void SayRecordingStops(const std::string& path, int error) {
    std::fprintf(stderr, "zintari: the recording stops: %s: %s\n", path.c_str(), std::strerror(error));
}

}  // namespace

// Compresses what the game's thread hands it and writes it every few
// seconds on a thread of its own, so a slow disk never holds up a frame.
class Writer {
public:
    // Writes the file's header and the stream's first piece at once, so
    // that a run killed at any time leaves a file that can be checked.
    Writer(int fd, std::string path, const std::string& firstPiece, int flushMs)
        : fd_(fd), path_(std::move(path)), flushPeriod_(flushMs) {
        Write(std::string(Magic, sizeof Magic - 1) + char(FormatVersion));
        Flush(firstPiece, false);
        thread_ = std::thread([this] { Run(); });
    }
    ~Writer() { Close(""); }

    void Add(const std::string& bytes) {
        const std::lock_guard<std::mutex> lock(mutex_);
        pending_ += bytes;
    }
    // Writes what is left and last the bytes given, and ends the stream.
    void Close(const std::string& last) {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            if (closing_) return;
            pending_ += last;
            closing_ = true;
        }
        wake_.notify_one();
        thread_.join();
    }

private:
    void Run() {
        for (bool closing = false; !closing;) {
            std::string stream;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                wake_.wait_for(lock, flushPeriod_, [this] { return closing_; });
                stream = std::exchange(pending_, {});
                closing = closing_;
            }
            if (!stream.empty() || closing) Flush(stream, closing);
        }
    }

    // Each piece ends with the CRC-32 of the whole stream so far.
    void Flush(const std::string& stream, bool finish) {
        crc_ = crc32(crc_, reinterpret_cast<const Bytef*>(stream.data()), uInt(stream.size()));
        Encoder check;
        check.Byte(uint8_t(Tag::Check));
        check.Fixed32(uint32_t(crc_));
        crc_ = crc32(crc_, reinterpret_cast<const Bytef*>(check.bytes.data()), uInt(check.bytes.size()));
        Write(compressor_.Add(stream + check.bytes, finish));
    }

    void Write(const std::string& bytes) {
        if (failed_ || data::WriteAll(fd_, bytes)) return;
        failed_ = true;
        SayRecordingStops(path_, errno);
    }

    int fd_;
    std::string path_;
    std::chrono::milliseconds flushPeriod_;
    Compressor compressor_;
    uLong crc_ = crc32(0, nullptr, 0);
    std::mutex mutex_;
    std::condition_variable wake_;
    std::string pending_;
    bool closing_ = false;
    bool failed_ = false;  // only the thread that writes at the time sees it
    std::thread thread_;
};

namespace {

std::string LocalStamp() {
    char stamp[32];
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    return stamp;
}

// The lock of the replays folder, held while a copy of the game creates,
// numbers or removes replays there: a few file operations. Waited for 3 s
// at most, so that a copy stopped while it holds it holds up no other.
class FolderLock {
public:
    explicit FolderLock(const std::string& folder) : fd_(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        if (fd_ < 0) trouble_ = std::strerror(errno);
        for (int tries = 0; fd_ >= 0 && ::flock(fd_, LOCK_EX | LOCK_NB) != 0; ++tries) {
            if (errno != EWOULDBLOCK || tries == 300) {
                trouble_ = errno == EWOULDBLOCK ? "another copy of the game holds it" : std::strerror(errno);
                ::close(std::exchange(fd_, -1));
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    ~FolderLock() {
        if (fd_ >= 0) ::close(fd_);
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    bool Held() const { return fd_ >= 0; }
    const std::string& Trouble() const { return trouble_; }

private:
    int fd_;
    std::string trouble_;
};

}  // namespace

std::unique_ptr<Recorder> Recorder::Start(platform::Backend& inner, const std::string& folder,
                                          const std::string& gameFolder, int flushMs) {
    const ShippedDigests shipped = RulesFiles(gameFolder);
    for (const auto& [path, why] : shipped.unreadable)
        std::fprintf(stderr, "zintari: %s; the replay leaves it out\n", why.c_str());
    std::error_code failed;
    fs::create_directories(folder, failed);
    const std::string stamp = LocalStamp();
    // Made and locked under the folder's lock, so that another copy never
    // takes the new file for one left by a killed run.
    const FolderLock lock(folder);
    if (!lock.Held()) {
        std::fprintf(stderr, "zintari: the run is not recorded: %s: %s\n", folder.c_str(), lock.Trouble().c_str());
        return nullptr;
    }
    std::string path;
    int fd = -1;
    for (int n = 1; fd < 0 && n < 100; ++n) {  // a second run within the same second gets -2
        path = folder + "/" + stamp + (n > 1 ? "-" + std::to_string(n) : "") + ".zrp";
        fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        std::fprintf(stderr, "zintari: the run is not recorded: %s: %s\n", path.c_str(), std::strerror(errno));
        if (fd >= 0) ::close(fd);
        return nullptr;
    }
    auto writer = std::make_unique<Writer>(fd, path, HeaderBytes(RulesRevision, shell::VersionNumber(), shipped.files), flushMs);
    return std::unique_ptr<Recorder>(new Recorder(inner, folder, path, stamp, fd, std::move(writer)));
}

Recorder::Recorder(platform::Backend& inner, std::string folder, std::string path, std::string stamp, int fd,
                   std::unique_ptr<Writer> writer)
    : inner_(inner),
      writer_(std::move(writer)),
      folder_(std::move(folder)),
      path_(std::move(path)),
      stamp_(std::move(stamp)),
      fd_(fd) {
    data::UseFileLog(this);
    shell::ReplayWatch = [this](shell::State s) {
        Encoder e;
        e.Byte(uint8_t(Tag::State));
        e.Varint(uint64_t(s));
        e.Fixed32(GameDigest());
        writer_->Add(e.bytes);
    };
    shell::ReplayBestPlayer = [this](const std::string& name, int32_t score) { EnteredBestPlayer(name, score); };
}

Recorder::~Recorder() {
    data::UseFileLog(nullptr);
    shell::ReplayWatch = nullptr;
    shell::ReplayBestPlayer = nullptr;
    writer_.reset();
    if (fd_ >= 0) ::close(fd_);
}

// The step of the game's 32-bit clock since the last pass: exact modulo
// 2^32 whatever the pause, which is all the game can tell.
uint32_t Recorder::Delta() {
    const uint32_t now = uint32_t(inner_.TickCount());
    return now - std::exchange(clock_, now);
}

template <typename Pass>
void Recorder::RecordPass(uint8_t kind, Pass pass) {
    const KeyboardImage before = KeyboardImage::Now();
    Encoder e;
    try {
        pass();
    } catch (const platform::ProgramEnded&) {
        e.Byte(uint8_t(Tag::Closed));
        e.Varint(Delta());
        writer_->Add(e.bytes);
        throw;
    }
    e.Byte(kind);
    e.Varint(Delta());
    for (int vk = 0; vk < 256; ++vk)
        if (const int16_t state = platform::GetKeyState(vk); state != before.states[size_t(vk)]) {
            e.Byte(uint8_t(Tag::Key));
            e.Varint(uint64_t(vk) * 4 + (state < 0 ? 2 : 0) + (state & 1));
        }
    if (platform::NameField().text != before.name) {
        e.Byte(uint8_t(Tag::Text));
        e.String(platform::NameField().text);
    }
    writer_->Add(e.bytes);
}

void Recorder::ProcessEvents() {
    RecordPass(uint8_t(Tag::Yield), [this] { inner_.ProcessEvents(); });
}

void Recorder::Idle() {
    RecordPass(uint8_t(Tag::Idle), [this] { inner_.Idle(); });
}

bool Recorder::DisplayUsable() {
    const bool usable = inner_.DisplayUsable();
    if (usable != usable_) {
        usable_ = usable;
        writer_->Add(std::string{char(Tag::Usable), char(usable)});
    }
    return usable;
}

std::string Recorder::ClipboardText() {
    const std::string text = inner_.ClipboardText();
    // Only whether it was the access phrase matters to the game: the
    // player's clipboard stays out of a file meant to be shared.
    Encoder e;
    e.Byte(uint8_t(Tag::Clipboard));
    e.String(text == AccessPhrase ? text : "");
    writer_->Add(e.bytes);
    return text;
}

bool Recorder::TakeFocusLoss() {
    const bool lost = inner_.TakeFocusLoss();
    if (lost) writer_->Add(std::string(1, char(Tag::FocusLost)));
    return lost;
}

uint64_t Recorder::RandomSeed() {
    const uint64_t seed = inner_.RandomSeed();
    Encoder e;
    e.Byte(uint8_t(Tag::Seed));
    e.Varint(seed);
    writer_->Add(e.bytes);
    return seed;
}

void Recorder::Loaded(const std::string& relative, const std::string& text) {
    Encoder e;
    e.Byte(uint8_t(Tag::Load));
    e.String(relative);
    e.String(text);
    writer_->Add(e.bytes);
}

void Recorder::Saved(const std::string& relative, const data::SaveRecord& save) {
    Encoder e;
    e.Byte(uint8_t(Tag::Save));
    e.String(relative);
    e.Byte(save.current.has_value());
    if (save.current) e.String(*save.current);
    e.String(save.trouble);
    writer_->Add(e.bytes);
}

void Recorder::EnteredBestPlayer(const std::string& name, int32_t score) {
    Encoder e;
    e.Byte(uint8_t(Tag::BestPlayer));
    e.String(name);
    e.Varint(uint32_t(score));
    writer_->Add(e.bytes);
}

void Recorder::Finish(const shell::RunSummary& run) {
    Encoder e;
    e.Byte(uint8_t(Tag::End));
    e.Varint(uint64_t(run.levels));
    e.Varint(uint64_t(uint32_t(run.score)));
    e.Varint(uint64_t(run.lines));
    e.Varint(uint64_t(run.playMs));
    e.String(run.how);
    writer_->Close(e.bytes);
    // A run that ended in an error is kept however short: a fault report
    // needs it most.
    const bool kept = run.playMs >= KeptPlayMs || run.how.starts_with("error: ");
    if (!kept) ::unlink(path_.c_str());
    // Numbered while its file is still locked: no other copy takes it for
    // a killed run's before it is.
    const FolderLock lock(folder_);
    if (lock.Held()) {
        Replays replays(folder_);
        replays.NumberLeftOver();
        char level[16];
        std::snprintf(level, sizeof level, "-level%02d-", run.levels);
        if (kept) path_ = replays.Number(path_, stamp_ + level + std::to_string(run.score) + ".zrp");
        // The table as another copy may have saved it: a save replaces the
        // file whole, and an entry joins it only while its run is recorded,
        // when its replay is not removed.
        std::string unread;
        replays.KeepNewestAndBest(KeptRuns, data::ReadScoresFile(data::UserFile(data::ScoresFile), unread));
    } else if (kept) {
        std::fprintf(stderr, "zintari: %s: %s; the replay keeps its name until the next run\n", folder_.c_str(),
                     lock.Trouble().c_str());
    }
    if (::close(std::exchange(fd_, -1)) != 0) SayRecordingStops(path_, errno);
}

}  // namespace replay
