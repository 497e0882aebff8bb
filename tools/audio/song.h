// A piece of music as timed MIDI events: written out as a standard MIDI file
// for the game's players, or rendered offline through the soundfont.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace content {

inline constexpr int Quarter = 768;  // ticks per quarter note, in every piece

struct MidiEvent {
    int tick = 0;
    int order = 0;  // at one tick: set-up first, then note-offs, then note-ons
    std::vector<uint8_t> bytes;
};

struct TempoChange {
    int tick = 0;
    int microsPerQuarter = 500000;
};

class Song {
public:
    Song(const std::string& title, double bpm, int beatsPerBar = 4, int beatUnit = 4);

    int BarTicks() const { return barTicks_; }
    int Bar(int n) const { return n * barTicks_; }  // tick of bar n (from 0)

    // A channel's instrument and mix, from tick 0 (and again wherever called).
    void Instrument(int channel, int program, int volume, int pan = 64, int reverb = 40, int chorus = 0,
                    int tick = 0);
    void Note(int channel, int tick, int length, int key, int velocity);
    void Control(int channel, int tick, int control, int value);
    void Tempo(int tick, double bpm);
    void Meter(int tick, int beatsPerBar, int beatUnit);
    // Scales the loudness of every channel set up after it (1 is as written).
    void SetLevel(double amplitude) { level_ = amplitude; }
    // Delays off-beat eighths by this many ticks (a shuffle feel).
    void SetSwing(int ticks) { swing_ = ticks; }

    // The end of the piece (where a repeat starts again); at least the last note.
    int End() const;
    void SetEnd(int tick) { end_ = tick; }

    const std::vector<MidiEvent>& Events() const { return events_; }
    // Seconds from tick 0 to a tick, by the tempo map.
    double Seconds(int tick) const;

    // Format 1: a conductor track, then one track per channel used.
    std::string StandardMidiFile() const;

private:
    std::string title_;
    int barTicks_;
    int swing_ = 0;
    double level_ = 1.0;
    int end_ = 0;
    int lastNoteEnd_ = 0;
    std::vector<MidiEvent> events_;  // channel events
    std::vector<MidiEvent> meta_;    // tempo and meter
    std::vector<TempoChange> tempi_;
};

}  // namespace content
