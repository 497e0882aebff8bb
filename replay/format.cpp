#include "replay/format.h"

#include <zlib.h>

#include <cstring>

#include "data/files.h"

namespace replay {

void Encoder::Varint(uint64_t v) {
    while (v >= 0x80) {
        Byte(uint8_t(v | 0x80));
        v >>= 7;
    }
    Byte(uint8_t(v));
}

void Encoder::String(const std::string& s) {
    Varint(s.size());
    bytes += s;
}

void Encoder::Fixed32(uint32_t v) {
    for (int i = 0; i < 4; ++i) Byte(uint8_t(v >> (8 * i)));
}

uint8_t Decoder::Byte() {
    if (!ok_ || pos_ >= bytes_->size()) return Fail();
    return uint8_t((*bytes_)[pos_++]);
}

uint64_t Decoder::Varint() {
    uint64_t v = 0;
    for (int shift = 0; shift < 64; shift += 7) {
        const uint8_t b = Byte();
        v |= uint64_t(b & 0x7F) << shift;
        if (!(b & 0x80)) return ok_ ? v : 0;
    }
    return Fail();  // longer than any 64-bit number
}

std::string Decoder::String() {
    const uint64_t size = Varint();
    if (!ok_ || size > MaxString || size > bytes_->size() - pos_) return Fail(), std::string();
    std::string s = bytes_->substr(pos_, size_t(size));
    pos_ += size_t(size);
    return s;
}

uint32_t Decoder::Fixed32() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= uint32_t(Byte()) << (8 * i);
    return ok_ ? v : 0;
}

ShippedDigests ShippedFiles(const std::string& folder) {
    ShippedDigests digests;
    for (const ShippedName& name : ShippedNames()) try {
            const std::string bytes = data::ReadWholeFile(folder + "/" + name.path, data::ShippedFileLimit);
            digests.files.push_back(
                {name.path, uint32_t(crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), uInt(bytes.size()))),
                 bytes.size()});
        } catch (const data::FatalError& e) {
            digests.unreadable[name.path] = e.what();
        }
    return digests;
}

std::string HeaderBytes(const std::string& version, const std::vector<ShippedFile>& files) {
    Encoder e;
    e.String(version);
    e.Varint(files.size());
    for (const ShippedFile& f : files) {
        e.String(f.path);
        e.Fixed32(f.crc);
        e.Varint(f.size);
    }
    return e.bytes;
}

struct Compressor::State {
    z_stream z{};
};

Compressor::Compressor() : state_(new State) { deflateInit(&state_->z, Z_BEST_COMPRESSION); }

Compressor::~Compressor() {
    deflateEnd(&state_->z);
    delete state_;
}

std::string Compressor::Add(const std::string& input, bool finish) {
    z_stream& z = state_->z;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data()));
    z.avail_in = uInt(input.size());
    std::string out;
    char chunk[16384];
    do {
        z.next_out = reinterpret_cast<Bytef*>(chunk);
        z.avail_out = sizeof chunk;
        deflate(&z, finish ? Z_FINISH : Z_SYNC_FLUSH);
        out.append(chunk, sizeof chunk - z.avail_out);
    } while (z.avail_out == 0);
    return out;
}

namespace {

// Inflates the stream after the header: what came out, whether the stream
// ended properly, and a trouble when it is damaged or too large. A stream
// that just stops (a run that was killed) is not damaged.
struct Inflated {
    std::string bytes;
    bool complete = false;
    std::string trouble;
};

Inflated Inflate(const char* data, size_t size) {
    Inflated result;
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return {{}, false, "cannot be read: out of memory"};
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
    z.avail_in = uInt(size);
    char chunk[65536];
    for (;;) {
        z.next_out = reinterpret_cast<Bytef*>(chunk);
        z.avail_out = sizeof chunk;
        const int status = inflate(&z, Z_NO_FLUSH);
        result.bytes.append(chunk, sizeof chunk - z.avail_out);
        if (result.bytes.size() > MaxStream) {
            result.trouble = "too long for a replay";
            break;
        }
        if (status == Z_STREAM_END) {
            result.complete = z.avail_in == 0;
            if (!result.complete) result.trouble = "damaged (bytes after its end)";
            break;
        }
        if (status == Z_BUF_ERROR && z.avail_in == 0) break;  // cut short
        if (status != Z_OK && status != Z_BUF_ERROR) {
            result.trouble = "damaged";
            break;
        }
    }
    inflateEnd(&z);
    return result;
}

}  // namespace

bool SkipRecord(Tag tag, Decoder& d) {
    switch (tag) {
    case Tag::Yield:
    case Tag::Idle:
    case Tag::Closed:
    case Tag::Key:
    case Tag::Seed: d.Varint(); break;
    case Tag::Text:
    case Tag::Clipboard: d.String(); break;
    case Tag::FocusLost: break;
    case Tag::Usable: d.Byte(); break;
    case Tag::Load:
        d.String();
        d.String();
        break;
    case Tag::Save:
        d.String();
        if (d.Byte()) d.String();
        d.String();
        break;
    case Tag::State:
        d.Varint();
        d.Fixed32();
        break;
    case Tag::Check: d.Fixed32(); break;
    case Tag::End:
        for (int i = 0; i < 4; ++i) d.Varint();
        d.String();
        break;
    default: return false;
    }
    return d.Ok();
}

ReadResult ReadRecording(const std::string& fileBytes) {
    const size_t magic = sizeof Magic - 1;
    if (fileBytes.size() < magic + 1 || fileBytes.compare(0, magic, Magic) != 0) return {{}, "not a replay file"};
    const uint8_t format = uint8_t(fileBytes[magic]);
    if (format > FormatVersion)
        return {{}, "made by a newer version of the game (replay format " + std::to_string(format) + ")"};
    if (format == 0) return {{}, "damaged"};
    const Inflated stream = Inflate(fileBytes.data() + magic + 1, fileBytes.size() - magic - 1);
    if (!stream.trouble.empty()) return {{}, stream.trouble};

    Recording r;
    Decoder d(stream.bytes);
    r.version = d.String();
    const uint64_t count = d.Varint();
    if (!d.Ok() || count > MaxFiles) return {{}, "damaged (its list of game files)"};
    for (uint64_t i = 0; i < count && d.Ok(); ++i) {
        ShippedFile f;
        f.path = d.String();
        f.crc = d.Fixed32();
        f.size = d.Varint();
        r.files.push_back(f);
    }
    if (!d.Ok()) return {{}, "damaged (its list of game files)"};

    // Records up to the last Check whose CRC holds; a record after it is
    // kept only when the Check comes.
    uLong crc = crc32(0, reinterpret_cast<const Bytef*>(stream.bytes.data()), uInt(d.Position()));
    size_t checked = d.Position();
    Tag last = Tag::Check;
    size_t lastSize = 0;
    std::string unchecked;
    while (!d.AtEnd()) {
        const size_t start = d.Position();
        const Tag tag = Tag(d.Byte());
        if (!SkipRecord(tag, d)) {
            if (!stream.complete) break;  // cut short: what follows the last check is dropped
            return {{}, "damaged (record " + std::to_string(start) + ")"};
        }
        crc = crc32(crc, reinterpret_cast<const Bytef*>(stream.bytes.data() + checked), uInt(start - checked));
        checked = start;
        if (tag == Tag::Check) {
            Decoder stored(stream.bytes, start + 1);
            if (stored.Fixed32() != crc) return {{}, "damaged (its check at " + std::to_string(start) + " fails)"};
            r.records += unchecked;
            unchecked.clear();
        } else {
            unchecked += stream.bytes.substr(start, d.Position() - start);
            last = tag;
            lastSize = d.Position() - start;
        }
    }
    if (stream.complete && !unchecked.empty()) return {{}, "damaged (records after its last check)"};
    if (stream.complete && last == Tag::End) r.endAt = r.records.size() - lastSize;
    return {std::move(r), {}};
}

}  // namespace replay
