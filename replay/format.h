// The replay file: a short plain header, then one zlib stream of records.
//
//   "ZINTARI REPLAY\n", one byte: the format (1)
//   zlib stream:
//     string  the program's version ("1.0")
//     varint  the number of shipped files, then for each: string path
//             (relative to the game's folder), 4 bytes CRC-32 (little
//             endian), varint size
//     records, each a tag byte and its fields (see Tag)
//
// A varint is 7 bits a byte, low bits first, the high bit set on all but
// the last byte; a string is a varint length and its bytes. Every few
// seconds the stream is flushed and a Check record written with the CRC-32
// of all the stream's bytes before it, so a run that was killed leaves a
// file that is checked and plays up to its last flush.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace replay {

inline constexpr char Magic[] = "ZINTARI REPLAY\n";
inline constexpr uint8_t FormatVersion = 1;

enum class Tag : uint8_t {
    Yield = 'Y',      // varint ms since the last pass: a yield to the window's events
    Idle = 'I',       // the same for a pass of a busy wait
    Closed = 'X',     // varint ms: the window was closed at this pass
    Key = 'K',        // varint vk * 4 + held * 2 + toggled: a game key's new state
    Text = 'T',       // string: the name field's new text
    FocusLost = 'F',  // the window lost the keyboard
    Usable = 'U',     // byte: whether the window can be drawn on, when it changes
    Clipboard = 'C',  // string: the access phrase when the clipboard held it, else empty
    Seed = 'S',       // varint: the random seed
    Load = 'L',       // string file, string text: what a load of a player's file read
    Save = 'W',       // string file, byte 1 + string text or byte 0, string trouble
    State = 'H',      // varint state, 4 bytes: a digest of the game at the state's start
    Check = 'Z',      // 4 bytes: CRC-32 of the stream before this record
    End = 'E',        // varint levels, varint score, varint lines, varint ms of play, string how
};

// Bounds a reader holds a file to, so a hostile one cannot take the machine.
inline constexpr size_t MaxString = 1 << 16;
inline constexpr size_t MaxStream = 64u << 20;  // over five hours of play
inline constexpr size_t MaxFiles = 4096;

// Appends records' fields.
struct Encoder {
    std::string bytes;
    void Byte(uint8_t b) { bytes += char(b); }
    void Varint(uint64_t v);
    void String(const std::string& s);
    void Fixed32(uint32_t v);
};

// Reads fields; every read past the end or beyond a bound fails, after
// which Ok() is false and reads give zeros.
class Decoder {
public:
    explicit Decoder(const std::string& bytes, size_t from = 0) : bytes_(&bytes), pos_(from) {}
    uint8_t Byte();
    uint64_t Varint();
    std::string String();
    uint32_t Fixed32();
    bool Ok() const { return ok_; }
    bool AtEnd() const { return pos_ >= bytes_->size(); }
    size_t Position() const { return pos_; }

private:
    bool Fail() { return ok_ = false; }
    const std::string* bytes_;
    size_t pos_;
    bool ok_ = true;
};

struct ShippedFile {
    std::string path;
    uint32_t crc = 0;
    uint64_t size = 0;
    bool operator==(const ShippedFile&) const = default;
};
// Every regular file under folder but skip, by relative path in order.
std::vector<ShippedFile> ShippedFiles(const std::string& folder, const std::string& skip);

std::string HeaderBytes(const std::string& version, const std::vector<ShippedFile>& files);

// A replay file read whole: its header and the records of its stream, up
// to the last Check that holds (all of a file that ended properly).
struct Recording {
    std::string version;
    std::vector<ShippedFile> files;
    std::string records;           // the records, Check records taken out
    std::optional<size_t> endAt;   // where the End record is, when the run ended properly
};
// Walks one record's fields after its tag; false when they do not hold
// together (or the tag is unknown).
bool SkipRecord(Tag tag, Decoder& d);
// The file's recording, or the one line that says why it cannot be used.
struct ReadResult {
    std::optional<Recording> recording;
    std::string trouble;
};
ReadResult ReadRecording(const std::string& fileBytes);

// Compresses a zlib stream in pieces, each piece flushed so far.
class Compressor {
public:
    Compressor();
    ~Compressor();
    Compressor(const Compressor&) = delete;
    Compressor& operator=(const Compressor&) = delete;
    // The compressed bytes of more input, flushed (finish: the stream's end).
    std::string Add(const std::string& input, bool finish);

private:
    struct State;
    State* state_;
};

}  // namespace replay
