// The composer's tools: pitches and chord symbols, melodies written as text,
// and accompaniment patterns laid over a chord chart.
#pragma once
#include <string>
#include <utility>
#include <vector>

#include "tools/audio/song.h"

namespace content {

// General MIDI drum keys used by the pieces.
enum Drum {
    Kick = 36, Rim = 37, Snare = 38, Clap = 39, LowTom = 45, ClosedHat = 42, PedalHat = 44, OpenHat = 46,
    MidTom = 47, Crash = 49, HighTom = 50, Ride = 51, RideBell = 53, Tambourine = 54, Splash = 55, Cowbell = 56,
    HighBongo = 60, LowBongo = 61, HighConga = 63, LowConga = 64, Cabasa = 69, Shaker = 70, Triangle = 81, Claves = 75, WoodBlock = 76
};
inline constexpr int DrumChannel = 9;

// "C4" is 60 (middle C); "F#3", "Bb5".
int Pitch(const std::string& name);

struct Chord {
    int root = 0;             // pitch class
    std::vector<int> tones;   // semitones above the root, the root first
    int bass = 0;             // pitch class of the lowest note
};
Chord ParseChord(const std::string& symbol);  // "Am7", "F#dim", "C/E", "Gsus4"

struct ChordSpan {
    int tick = 0, length = 0;
    Chord chord;
};

// A chord chart: bars split by '|', each bar shared evenly by its chords;
// '-' holds the chord before for its share.
std::vector<ChordSpan> Chart(const Song& song, int tick, const std::string& chart);

// A melody in text, from a tick; returns the tick after its last note.
//   E5q D5e C5e.  notes with durations w h q e s (+ '.' dotted, '3' triplet);
//   a token without a duration keeps the last one
//   C4+E4+G4h     a chord
//   rq            a rest;  -q  holds the previous note longer
//   >E5q          accented;   E5e!  short (staccato)
//   @80           velocity from here on;   |  bar lines, for the reader only
int Line(Song& song, int channel, int tick, const std::string& notes, int velocity = 90, int transpose = 0,
         double legato = 0.92);

// Accompaniment, each over the chord spans of a chart. Patterns repeat for
// the length of each chord, one token per step of `step` ticks.
// Sustained chords, voiced between low and high, led smoothly from chord to chord.
void Pad(Song& song, int channel, const std::vector<ChordSpan>& spans, int low, int high, int velocity);
// Broken chords: tokens are indices into the chord stacked upward from its
// root above `low` (0 the lowest); '-' is a rest, '_' holds.
void Arpeggio(Song& song, int channel, const std::vector<ChordSpan>& spans, const std::string& pattern, int step,
              int low, int velocity, double legato = 0.9);
// Bass line: R root, 3 third, 5 fifth, 7 seventh, 8 octave, L fifth below,
// A approach (a step into the next chord's root), '-' rest, '_' hold.
void Bass(Song& song, int channel, const std::vector<ChordSpan>& spans, const std::string& pattern, int step,
          int low, int velocity, double legato = 0.85);
// Struck chords: 'x' strike, 'X' accented strike, '.' rest, '_' hold.
void Comp(Song& song, int channel, const std::vector<ChordSpan>& spans, const std::string& rhythm, int step,
          int low, int high, int velocity, double legato = 0.8);
// Drum patterns for `bars` bars: each string is one bar of steps, 'x' hit,
// 'X' accent, 'o' ghost note, '.' rest.
void Drums(Song& song, int tick, int bars, const std::vector<std::pair<int, std::string>>& patterns, int step,
           int velocity);

// A small, repeatable variation of loudness, so that repeated notes live.
int Humanise(int velocity, int tick, int key);

}  // namespace content
