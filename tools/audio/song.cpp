#include "tools/audio/song.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

namespace content {

namespace {

void PutVarLength(std::string& out, uint32_t value) {
    std::string bytes(1, char(value & 0x7F));
    while (value >>= 7) bytes.insert(bytes.begin(), char(0x80 | (value & 0x7F)));
    out += bytes;
}

std::string BigEndian(uint32_t value, int bytes) {
    std::string out;
    for (int i = bytes - 1; i >= 0; --i) out += char((value >> (8 * i)) & 0xFF);
    return out;
}

std::string TrackChunk(std::vector<MidiEvent> events, int end) {
    std::stable_sort(events.begin(), events.end(),
                     [](const MidiEvent& a, const MidiEvent& b) { return std::tie(a.tick, a.order) < std::tie(b.tick, b.order); });
    std::string data;
    int last = 0;
    for (const MidiEvent& e : events) {
        PutVarLength(data, uint32_t(e.tick - last));
        data.append(e.bytes.begin(), e.bytes.end());
        last = e.tick;
    }
    PutVarLength(data, uint32_t(std::max(0, end - last)));
    data += std::string("\xFF\x2F\x00", 3);
    return "MTrk" + BigEndian(uint32_t(data.size()), 4) + data;
}

}  // namespace

Song::Song(const std::string& title, double bpm, int beatsPerBar, int beatUnit)
    : title_(title), barTicks_(beatsPerBar * Quarter * 4 / beatUnit) {
    Tempo(0, bpm);
    Meter(0, beatsPerBar, beatUnit);
}

void Song::Instrument(int channel, int program, int volume, int pan, int reverb, int chorus, int tick) {
    if (channel != 9) events_.push_back({tick, 0, {uint8_t(0xC0 | channel), uint8_t(program)}});
    // The synthesiser's volume follows the square of the controller.
    Control(channel, tick, 7, int(std::lround(volume * std::sqrt(level_))));
    Control(channel, tick, 10, pan);
    Control(channel, tick, 91, reverb);
    Control(channel, tick, 93, chorus);
}

void Song::Control(int channel, int tick, int control, int value) {
    events_.push_back({tick, 0, {uint8_t(0xB0 | channel), uint8_t(control), uint8_t(std::clamp(value, 0, 127))}});
}

void Song::Note(int channel, int tick, int length, int key, int velocity) {
    if (swing_ > 0) {
        // Off-beat eighths come late; notes that end on one end late too.
        if (tick % Quarter == Quarter / 2) tick += swing_, length -= swing_;
        if ((tick + length) % Quarter == Quarter / 2) length += swing_;
    }
    if (length <= 0 || key < 0 || key > 127) return;
    velocity = std::clamp(velocity, 1, 127);
    events_.push_back({tick, 2, {uint8_t(0x90 | channel), uint8_t(key), uint8_t(velocity)}});
    events_.push_back({tick + length, 1, {uint8_t(0x80 | channel), uint8_t(key), 0}});
    lastNoteEnd_ = std::max(lastNoteEnd_, tick + length);
}

void Song::Tempo(int tick, double bpm) {
    const int micros = int(std::lround(60000000.0 / bpm));
    tempi_.erase(std::remove_if(tempi_.begin(), tempi_.end(), [tick](const TempoChange& t) { return t.tick == tick; }),
                 tempi_.end());
    tempi_.push_back({tick, micros});
    std::sort(tempi_.begin(), tempi_.end(), [](auto& a, auto& b) { return a.tick < b.tick; });
    meta_.push_back({tick, 0, {0xFF, 0x51, 0x03, uint8_t(micros >> 16), uint8_t(micros >> 8), uint8_t(micros)}});
}

void Song::Meter(int tick, int beatsPerBar, int beatUnit) {
    const uint8_t power = uint8_t(std::log2(beatUnit));
    meta_.push_back({tick, 0, {0xFF, 0x58, 0x04, uint8_t(beatsPerBar), power, 24, 8}});
}

int Song::End() const { return std::max(end_, lastNoteEnd_); }

double Song::Seconds(int tick) const {
    double seconds = 0;
    for (size_t i = 0; i < tempi_.size() && tempi_[i].tick < tick; ++i) {
        const int until = i + 1 < tempi_.size() ? std::min(tick, tempi_[i + 1].tick) : tick;
        seconds += double(until - tempi_[i].tick) * tempi_[i].microsPerQuarter / 1e6 / Quarter;
    }
    return seconds;
}

std::string Song::StandardMidiFile() const {
    std::map<int, std::vector<MidiEvent>> byChannel;
    for (const MidiEvent& e : events_) byChannel[e.bytes[0] & 0x0F].push_back(e);
    std::vector<MidiEvent> conductor = meta_;
    std::string name = title_;
    conductor.push_back({0, -1, {0xFF, 0x03, uint8_t(name.size())}});
    conductor.back().bytes.insert(conductor.back().bytes.end(), name.begin(), name.end());

    const int end = End();
    std::string file = "MThd" + BigEndian(6, 4) + BigEndian(1, 2) + BigEndian(uint32_t(byChannel.size() + 1), 2) +
                       BigEndian(Quarter, 2);
    file += TrackChunk(conductor, end);
    for (auto& [channel, events] : byChannel) file += TrackChunk(events, end);
    return file;
}

}  // namespace content
