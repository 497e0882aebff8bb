// The MIDI pieces: ten level pieces, the quick-help piano piece and the
// finale. Each repeats from its end to its start, so every piece ends on a
// bar that leads back into its first.
#include <functional>

#include "tools/audio/compose.h"
#include "tools/content.h"

namespace content {

namespace {

// A melody that must fill exactly `bars` bars from bar `bar`.
void Phrase(Song& song, int channel, int bar, int bars, const std::string& notes, int velocity, int transpose = 0,
            double legato = 0.92) {
    const int end = Line(song, channel, song.Bar(bar), notes, velocity, transpose, legato);
    if (end != song.Bar(bar + bars))
        Fail("phrase at bar " + std::to_string(bar) + " lasts " + std::to_string(double(end - song.Bar(bar)) / song.BarTicks()) +
             " bars, not " + std::to_string(bars) + ": " + notes);
}

// The piece ends exactly where it was planned to, so that it repeats in time.
std::string Finish(Song& song, int bars) {
    song.SetEnd(song.Bar(bars));
    if (song.End() != song.Bar(bars))
        Fail("a note outlasts the end of the piece: " + std::to_string(song.End()) + " > " + std::to_string(song.Bar(bars)));
    return song.StandardMidiFile();
}

const std::vector<std::pair<int, std::string>> PopBeat = {
    {Kick, "x.....x.x......."}, {Snare, "....x.......x..."}, {ClosedHat, "x.x.x.x.x.x.x.x."}};

// mid0: bright and easy, G major, 116 a minute.
std::string Morning() {
    Song song("Morning Well", 116);
    song.Instrument(0, 73, 100, 72, 50, 10);  // flute
    song.Instrument(1, 4, 84, 48, 40, 30);    // electric piano
    song.Instrument(2, 33, 100, 64, 10);      // finger bass
    song.Instrument(3, 49, 70, 80, 70);       // slow strings
    song.Instrument(DrumChannel, 0, 84, 64, 30);
    const std::string a = "G | Em | C | D | G | Em | Am D | G", b = "C | D | Bm | Em | C | D | Am | D7";
    const std::string tuneA =
        "D5q G5q. F#5e E5e D5e | E5q. D5e B4h | C5q E5q G5q. E5e | F#5h. rq |"
        " D5q G5q. A5e B5e G5e | E5q. F#5e G5q B4q | C5q E5e D5e C5q. A4e | G4h. rq";
    const std::string tuneB =
        "E5e F#5e G5e A5e G5q E5q | F#5q. E5e D5h | D5e E5e F#5e G5e F#5q D5q | E5h. rq |"
        " C6q. B5e A5q G5q | A5q. G5e F#5h | E5q C5q A4q C5q | D5h F#5h";
    auto accompany = [&](int bar, const std::string& chart, bool drums, bool strings) {
        const auto spans = Chart(song, song.Bar(bar), chart);
        Comp(song, 1, spans, "x_.x_.x.", 384, 55, 72, 70);
        Bass(song, 2, spans, "R _ _ R 5 _ R A", 384, 36, 96);
        if (strings) Pad(song, 3, spans, 62, 79, 58);
        if (drums) Drums(song, song.Bar(bar), 8, PopBeat, 192, 84);
    };
    accompany(0, "G | C", false, false);
    Drums(song, song.Bar(1), 1, {{Snare, "............xoXo"}}, 192, 80);
    accompany(2, a, true, false);
    Phrase(song, 0, 2, 8, tuneA, 92);
    accompany(10, a, true, true);
    Phrase(song, 0, 10, 8, tuneA, 98, 12);
    accompany(18, b, true, true);
    Phrase(song, 0, 18, 8, tuneB, 100);
    accompany(26, a, true, false);
    Phrase(song, 0, 26, 8, tuneA, 94);
    Phrase(song, 3, 26, 8, "B4w | G4w | G4w | A4w | B4w | B4w | C5h A4h | B4h. rq", 56);
    return Finish(song, 34);
}

// mid1: a waltz in D minor with an accordion, 138 a minute in 3/4.
std::string Waltz() {
    Song song("Copper Waltz", 138, 3, 4);
    song.SetLevel(1.5);
    song.Instrument(0, 21, 100, 60, 50);  // accordion
    song.Instrument(1, 45, 90, 80, 50);   // pizzicato strings
    song.Instrument(2, 32, 100, 64, 20);  // acoustic bass
    song.Instrument(3, 71, 90, 40, 50);   // clarinet
    song.Instrument(DrumChannel, 0, 70, 64, 30);
    const std::string a = "Dm | Dm | A7 | A7 | A7 | A7 | Dm | Dm | Dm | D7 | Gm | Gm | Dm | A7 | Dm | A7";
    const std::string b = "F | F | C7 | C7 | C7 | C7 | F | F | Bb | Bb | F | Dm | Gm | A7 | Dm | A7";
    const std::string tuneA =
        "A4q D5q E5q | F5h. | E5q D5q C#5q | E5h. | G5q F5q E5q | A4h C#5q | D5h. | -h rq |"
        " A4q D5q F5q | A5h. | Bb5q A5q G5q | D5h. | F5q E5q D5q | E5q F5q E5q | D5h. | -h rq";
    const std::string tuneB =
        "A5q G5q F5q | C6h. | Bb5q A5q G5q | E5h. | G5q F5q E5q | Bb5h G5q | A5h. | F5h rq |"
        " D6q C6q Bb5q | F5h D5q | C6q Bb5q A5q | F5h. | Bb5q A5q G5q | E5q F5q G5q | F5h. | E5h rq";
    auto accompany = [&](int bar, const std::string& chart) {
        const auto spans = Chart(song, song.Bar(bar), chart);
        Bass(song, 2, spans, "R - -", 768, 38, 96);
        Comp(song, 1, spans, ".xx", 768, 57, 72, 72, 0.5);
        Drums(song, song.Bar(bar), 16, {{PedalHat, ".xx"}, {Kick, "x.."}}, 768, 60);
    };
    accompany(0, a);
    Phrase(song, 0, 0, 16, tuneA, 94);
    accompany(16, b);
    Phrase(song, 0, 16, 16, tuneB, 98);
    Phrase(song, 3, 16, 16,
           "F4h. | A4h. | G4h. | G4h. | E4h. | G4h. | F4h. | A4h. | D5h. | D5h. | C5h. | A4h. | Bb4h. | C#5h. | D5h. | C#5h.",
           64);
    accompany(32, a);
    Phrase(song, 3, 32, 16, tuneA, 90, -12);
    Phrase(song, 0, 32, 16,
           "rh. | D5h. | rh. | C#5h. | rh. | E5h. | rh. | F5h. | rh. | F#5h. | rh. | Bb5h. | rh. | G5h. | F5h. | E5h.",
           70);
    return Finish(song, 48);
}

// mid2: a late-night shuffle in Bb, organ and saxophone over a walking bass.
std::string Shuffle() {
    Song song("Night Shuffle", 98);
    song.SetSwing(128);
    song.Instrument(0, 66, 100, 70, 50);  // tenor sax
    song.Instrument(1, 17, 80, 50, 40, 30);  // percussive organ
    song.Instrument(2, 32, 105, 64, 10);  // acoustic bass
    song.Instrument(DrumChannel, 0, 80, 64, 40);
    const std::string blues = "Bb7 | Eb7 | Bb7 | Bb7 | Eb7 | Eb7 | Bb7 | G7 | Cm7 | F7 | Bb7 G7 | Cm7 F7";
    const std::string head =
        "rq F4e Ab4e Bb4q. Db5e | -e C5e Bb4e Ab4e Bb4h | rq D5e F5e D5e Bb4e C5q | Bb4h. rq |"
        " rq G4e Bb4e Db5q. Eb5e | -e Db5e C5e Bb4e G4h | rq F4e Ab4e Bb4e D5e F5q | G5h. rq |"
        " Eb5e D5e C5e Bb4e C5q G4q | A4q. C5e Eb5q D5e C5e | D5q Bb4q G4q D5q | C5h F4h";
    const std::string answer =
        "Bb5q. Ab5e F5e Db5e Bb4q | Eb5h. Db5e C5e | Bb4e Db5e F5e Ab5e -h | rh. F5q |"
        " Ab5q. G5e Eb5e Db5e Bb4q | G4h. Bb4e Db5e | D5q F5q Bb5q. A5e | B4h. rq |"
        " C5e Eb5e G5e Bb5e -q G5q | A5q F5q Eb5q C5q | D5e F5e Bb5q G5q B4q | C5h. rq";
    auto chorus = [&](int bar, bool ride) {
        const auto spans = Chart(song, song.Bar(bar), blues);
        Bass(song, 2, spans, "R 3 5 A", 768, 34, 96, 0.9);
        Comp(song, 1, spans, ".x.x", 768, 58, 72, 64, 0.4);
        Drums(song, song.Bar(bar), 12,
              {{ride ? Ride : ClosedHat, "x.xxx.xx"}, {PedalHat, "..x...x."}, {Kick, "x.......o..."}, {Snare, "........"}},
              384, 74);
    };
    chorus(0, false);
    Phrase(song, 0, 0, 12, head, 92);
    chorus(12, true);
    Phrase(song, 0, 12, 12, answer, 98);
    chorus(24, true);
    Phrase(song, 1, 24, 12,
           "rq F5e Ab5e Bb5q. Db6e | -e C6e Bb5e Ab5e Bb5h | rq D6e F6e D6e Bb5e C6q | Bb5h. rq |"
           " rq G5e Bb5e Db6q. Eb6e | -e Db6e C6e Bb5e G5h | rq F5e Ab5e Bb5e D6e F6q | G6h. rq |"
           " Eb6e D6e C6e Bb5e C6q G5q | A5q. C6e Eb6q D6e C6e | D6q Bb5q G5q D6q | C6h F5h",
           84);
    chorus(36, false);
    Phrase(song, 0, 36, 12, head, 96);
    return Finish(song, 48);
}

// mid3: a brisk march in F for brass band.
std::string March() {
    Song song("Quick March", 120);
    song.Instrument(0, 72, 100, 70, 40);  // piccolo
    song.Instrument(1, 56, 100, 56, 40);  // trumpet
    song.Instrument(2, 58, 100, 64, 30);  // tuba
    song.Instrument(3, 60, 90, 84, 50);   // horns
    song.Instrument(DrumChannel, 0, 90, 64, 30);
    const std::string a = "F | C7 | F | C7 | F | Bb | C7 | F", b = "Bb | F | C7 | F | Bb | F | G7 | C7";
    const std::string tuneA =
        "C5q. A4e F4q A4q | G4q. A4e Bb4q G4q | A4q. C5e F5q E5e D5e | C5h G4h |"
        " A4q. C5e F5q A5q | Bb5q. A5e G5q F5q | E5e F5e G5e E5e C5q E5q | F5h. rq";
    const std::string tuneB =
        "D5q. F5e Bb5q F5q | A5q. G5e F5h | E5q. F5e G5q C5q | A5h F5h |"
        " D5q. F5e Bb5q D6q | C6q. Bb5e A5q F5q | G5e A5e B5e G5e D5q B4q | C5h. rq";
    auto band = [&](int bar, const std::string& chart) {
        const auto spans = Chart(song, song.Bar(bar), chart);
        Bass(song, 2, spans, "R - L -", 768, 29, 98, 0.6);
        Comp(song, 3, spans, ".x.x", 768, 57, 70, 76, 0.5);
        Drums(song, song.Bar(bar), 8,
              {{Snare, "x.oox.o.x.oox.xo"}, {Kick, "x.......x......."}, {Crash, "x..............."}}, 192, 80);
    };
    band(0, a);
    Phrase(song, 1, 0, 8, tuneA, 96);
    band(8, a);
    Phrase(song, 1, 8, 8, tuneA, 96);
    Phrase(song, 0, 8, 8, tuneA, 84, 12);
    band(16, b);
    Phrase(song, 3, 16, 8, tuneB, 94, -12);
    Phrase(song, 0, 16, 8, tuneB, 86);
    band(24, b);
    Phrase(song, 1, 24, 8, tuneB, 100);
    band(32, a);
    Phrase(song, 1, 32, 8, tuneA, 104);
    Phrase(song, 0, 32, 8, tuneA, 90, 12);
    Drums(song, song.Bar(39), 1, {{Snare, "........xoxoXoXo"}}, 192, 84);
    return Finish(song, 40);
}

// mid4: a caravan in E with a lowered second, reed over hand drums.
std::string Caravan() {
    Song song("Desert Caravan", 100);
    song.SetLevel(0.85);
    song.Instrument(0, 111, 96, 60, 60);  // shanai
    song.Instrument(1, 48, 76, 70, 80);   // strings
    song.Instrument(2, 32, 100, 64, 20);  // acoustic bass
    song.Instrument(3, 104, 90, 40, 50);  // sitar
    song.Instrument(DrumChannel, 0, 90, 64, 40);
    const std::string a = "Em | F | Em | Dm Em", b = "Am | G | F | E";
    const std::string tuneA =
        "E5q F5e G#5e A5q G#5e F5e | E5h. rq | B5q A5e G#5e A5e B5e C6q | B5h. rq |"
        " E5q F5e E5e D5q E5q | F5q E5e D5e C5q B4q | D5e C5e B4e A4e B4q. G#4e | E4h. rq";
    const std::string tuneB =
        "A5q. B5e C6q B5e A5e | G5q. A5e B5h | A5q G5e F5e E5q D5q | E5e F5e G#5e B5e -h |"
        " C6q. B5e A5q G#5q | A5e G5e F5e E5e D5q C5q | B4e C5e D5e F5e E5q D5q | E5w";
    auto caravan = [&](int bar, int bars, const std::string& chart, bool drums) {
        const auto spans = Chart(song, song.Bar(bar), chart);
        Bass(song, 2, spans, "R _ _ R _ _ 5 _", 384, 28, 96);
        Pad(song, 1, spans, 52, 67, 56);
        Arpeggio(song, 3, spans, "0 _ 2 1 0 _ 3 _", 384, 52, 70, 0.95);
        if (drums)
            Drums(song, song.Bar(bar), bars,
                  {{LowConga, "x..x..x.x..x...."}, {HighConga, "..x..x....x..xx."}, {Tambourine, "....x.......x..."}},
                  192, 84);
    };
    const std::string twice = a + " | " + a;
    caravan(0, 4, a, true);
    caravan(4, 8, twice, true);
    Phrase(song, 0, 4, 8, tuneA, 92);
    caravan(12, 8, b + " | " + b, true);
    Phrase(song, 0, 12, 8, tuneB, 96);
    caravan(20, 8, twice, true);
    Phrase(song, 3, 20, 8, tuneA, 84, -12);
    caravan(28, 8, b + " | " + b, false);
    Phrase(song, 0, 28, 8, tuneB, 90);
    Drums(song, song.Bar(32), 4, {{LowConga, "x..x..x.x..x...."}, {HighConga, "..x..x....x..xxx"}}, 192, 88);
    caravan(36, 8, twice, true);
    Phrase(song, 0, 36, 8, tuneA, 98);
    return Finish(song, 44);
}

// mid5: a quiet garden in the rain, A minor, harp and clarinet.
std::string Garden() {
    Song song("Rain Garden", 84);
    song.SetLevel(1.3);
    song.Instrument(0, 71, 96, 70, 70);  // clarinet
    song.Instrument(1, 46, 90, 50, 70);  // harp
    song.Instrument(2, 49, 66, 64, 80);  // slow strings
    song.Instrument(3, 73, 80, 84, 70);  // flute
    song.Instrument(4, 32, 80, 64, 40);  // acoustic bass
    song.Instrument(DrumChannel, 0, 50, 64, 50);
    const std::string a = "Am | Fmaj7 | C | G | Am | Fmaj7 | Dm7 | E7",
                      b = "F | G | Em | Am | Dm7 | G | Cmaj7 | E7";
    const std::string tuneA =
        "E5q. D5e C5q B4q | A4h. C5q | G5q. F5e E5q D5q | D5h. rq |"
        " E5q. F5e E5q C5q | A5h. G5q | F5e E5e D5e C5e D5q E5q | B4h. rq";
    const std::string tuneB =
        "A5q. G5e F5q C5q | D5q. E5e F5q G5q | E5q. D5e B4q G4q | A4h C5h |"
        " F5q. E5e D5q A4q | B4q. C5e D5q F5q | E5q. D5e C5q B4q | G#4h. rq";
    auto garden = [&](int bar, const std::string& chart, bool bass) {
        const auto spans = Chart(song, song.Bar(bar), chart);
        Arpeggio(song, 1, spans, "0 2 4 5 6 5 4 2", 384, 45, 62);
        Pad(song, 2, spans, 57, 72, 46);
        if (bass) Bass(song, 4, spans, "R _ _ _ 5 _ _ _", 384, 33, 80);
        Drums(song, song.Bar(bar), 8, {{Shaker, "o.o.x.o.o.o.x.o."}}, 192, 62);
    };
    garden(0, a, false);
    Phrase(song, 0, 0, 8, tuneA, 84);
    garden(8, b, true);
    Phrase(song, 0, 8, 8, tuneB, 88);
    garden(16, a, true);
    Phrase(song, 3, 16, 8, tuneA, 82, 12);
    Phrase(song, 0, 16, 8, "A4w | F4w | G4w | B4w | C5w | A4w | F4h A4h | G#4h. rq", 64);
    garden(24, b, true);
    Phrase(song, 3, 24, 8, tuneB, 86);
    garden(32, a, false);
    Phrase(song, 0, 32, 8, tuneA, 80);
    return Finish(song, 40);
}

// mid6: a fast synth chase in C minor, four to the floor.
std::string Neon() {
    Song song("Neon Run", 136);
    song.Instrument(0, 81, 92, 64, 40, 30);  // saw lead
    song.Instrument(1, 38, 100, 64, 10);     // synth bass
    song.Instrument(2, 90, 70, 64, 70, 50);  // polysynth pad
    song.Instrument(3, 80, 76, 40, 40);      // square arpeggio
    song.Instrument(DrumChannel, 0, 96, 64, 20);
    const std::string a = "Cm | Ab | Eb | Bb | Cm | Ab | Fm | G", b = "Ab | Bb | Gm | Cm | Ab | Bb | Fm G | G7";
    const std::string tuneA =
        "C5e C5e G5q. F5e Eb5e D5e | C5q. Ab4e -h | Eb5e Eb5e Bb5q. Ab5e G5e F5e | D5h. rq |"
        " C5e C5e G5q. F5e Eb5e G5e | C6q. Ab5e -h | F5e G5e Ab5e G5e F5e Eb5e D5e C5e | B4h D5h";
    const std::string tuneB =
        "Eb5q. F5e G5q Ab5q | Bb5q. Ab5e G5e F5e D5q | Bb4e D5e G5e D5e Bb5q. A5e | G5q. Eb5e C5h |"
        " Ab5e G5e F5e Eb5e F5q Ab5q | Bb5e Ab5e G5e F5e D5q Bb4q | C5e D5e Eb5e F5e D5q Eb5q | D5h B4h";
    auto groove = [&](int bar, const std::string& chart, bool full) {
        const auto spans = Chart(song, song.Bar(bar), chart);
        Bass(song, 1, spans, "R R 8 R R R 8 R", 384, 36, 96, 0.6);
        Pad(song, 2, spans, 55, 70, 56);
        Arpeggio(song, 3, spans, "0 1 2 3 4 3 2 1", 192, 60, 66, 0.5);
        if (full)
            Drums(song, song.Bar(bar), 8,
                  {{Kick, "x...x...x...x..."}, {Clap, "....x.......x..."}, {ClosedHat, "..x...x...x...x."},
                   {OpenHat, "..............x."}},
                  192, 86);
        else
            Drums(song, song.Bar(bar), 8, {{Kick, "x...x...x...x..."}, {ClosedHat, "xxxxxxxxxxxxxxxx"}}, 192, 70);
    };
    groove(0, a, false);
    groove(8, a, true);
    Phrase(song, 0, 8, 8, tuneA, 96);
    groove(16, b, true);
    Phrase(song, 0, 16, 8, tuneB, 100);
    groove(24, a, true);
    Phrase(song, 0, 24, 8, tuneA, 100, 12);
    groove(32, b, false);
    Phrase(song, 0, 32, 8, tuneB, 90, -12);
    Drums(song, song.Bar(39), 1, {{Snare, "x.x.x.x.xxxxXXXX"}}, 192, 80);
    return Finish(song, 40);
}

// mid7: a jig in D, fiddle and whistle in 6/8.
std::string Jig() {
    Song song("Harbour Jig", 174, 6, 8);
    song.SetLevel(1.5);
    song.Instrument(0, 110, 100, 50, 40);  // fiddle
    song.Instrument(1, 78, 90, 80, 50);    // whistle
    song.Instrument(2, 25, 84, 64, 40);    // steel guitar
    song.Instrument(3, 32, 96, 64, 20);    // acoustic bass
    song.Instrument(DrumChannel, 0, 86, 64, 30);
    const std::string a = "D | D | G | A | D | D | G A | D", b = "Bm | Bm | G | A | Bm | G | Em A | D";
    const std::string tuneA =
        "F#5e A5e F#5e D5e F#5e A5e | B5e A5e F#5e A5q. | G5e B5e G5e D5e G5e B5e | A5q. E5q F#5e |"
        " F#5e A5e D6e A5e F#5e D5e | E5e F#5e E5e D5q B4e | D5e G5e B5e A5e F#5e E5e | D5q. D5q.";
    const std::string tuneB =
        "B5e C#6e D6e C#6e B5e F#5e | A5e F#5e D5e F#5q. | G5e A5e B5e A5e G5e F#5e | E5q. A5q. |"
        " B5e C#6e D6e F#6e E6e D6e | B5e G5e B5e D6q B5e | A5e G5e F#5e E5e F#5e G5e | F#5q. D5q.";
    auto session = [&](int bar, const std::string& chart, bool drums) {
        const auto spans = Chart(song, song.Bar(bar), chart);
        Comp(song, 2, spans, "x.xx.x", 384, 55, 69, 70, 0.6);
        Bass(song, 3, spans, "R _ _ 5 _ _", 384, 38, 90);
        if (drums) Drums(song, song.Bar(bar), 8, {{LowTom, "x.ox.o"}, {Rim, "...x.."}}, 384, 70);
    };
    session(0, a, false);
    Phrase(song, 0, 0, 8, tuneA, 92);
    session(8, a, true);
    Phrase(song, 0, 8, 8, tuneA, 96);
    Phrase(song, 1, 8, 8, tuneA, 84, 12);
    session(16, b, true);
    Phrase(song, 0, 16, 8, tuneB, 98);
    session(24, b, true);
    Phrase(song, 1, 24, 8, tuneB, 92, 12);
    session(32, a, true);
    Phrase(song, 0, 32, 8, tuneA, 100);
    Phrase(song, 1, 32, 8, tuneA, 88, 12);
    session(40, b, true);
    Phrase(song, 0, 40, 8, tuneB, 100);
    Phrase(song, 1, 40, 8, tuneB, 86, 12);
    session(48, a, false);
    Phrase(song, 1, 48, 8, tuneA, 90);
    session(56, a, true);
    Phrase(song, 0, 56, 8, tuneA, 102);
    Phrase(song, 1, 56, 8, tuneA, 90, 12);
    return Finish(song, 64);
}

// mid8: clockwork in B minor, celesta and marimba ticking over pizzicato.
std::string Clockwork() {
    Song song("Clockwork", 108);
    song.SetLevel(1.8);
    song.Instrument(0, 8, 100, 76, 50);   // celesta
    song.Instrument(1, 12, 90, 44, 40);   // marimba
    song.Instrument(2, 45, 90, 64, 40);   // pizzicato strings
    song.Instrument(3, 70, 84, 56, 50);   // bassoon
    song.Instrument(DrumChannel, 0, 70, 64, 30);
    const std::string a = "Bm | F#7 | Bm | F#7 | G | D | Em F#7 | Bm",
                      b = "D | A | Bm | F#m | G | D | Em | F#7";
    const std::string tuneA =
        "F#5e B5e D6e B5e F#5e D5e B4q | C#5e F#5e A#5e F#5e C#5e A#4e F#4q |"
        " D5e F#5e B5e F#5e D5e B4e D5q | C#5q A#4q F#4h |"
        " G5e B4e D5e G5e B5q. A5e | F#5e D5e A4e D5e F#5h | E5e G5e B5e G5e F#5e A#5e C#6q | B5h. rq";
    const std::string tuneB =
        "A5q F#5q D5q F#5q | E5q. C#5e A4h | D5q F#5q B5q. A5e | A5q F#5q C#5h |"
        " B5q. G5e D5q G5q | A5q F#5e D5e A4q D5q | G5e F#5e E5e D5e E5q G5q | F#5h A#4h";
    auto works = [&](int bar, const std::string& chart) {
        const auto spans = Chart(song, song.Bar(bar), chart);
        Arpeggio(song, 1, spans, "0 2 1 2 0 2 1 2", 384, 47, 66, 0.7);
        Bass(song, 2, spans, "R - 5 - 8 - 5 -", 384, 35, 84, 0.5);
        Drums(song, song.Bar(bar), 8, {{WoodBlock, "x.o.x.o.x.o.x.o."}, {Claves, "..........x....."}}, 192, 64);
    };
    works(0, a);
    Phrase(song, 0, 0, 8, tuneA, 88);
    works(8, a);
    Phrase(song, 0, 8, 8, tuneA, 92);
    Phrase(song, 3, 8, 8, "B3w | A#3w | B3w | C#4w | D4w | D4w | E4h F#4h | B3h. rq", 76);
    works(16, b);
    Phrase(song, 3, 16, 8, tuneB, 88, -12);
    works(24, b);
    Phrase(song, 0, 24, 8, tuneB, 94);
    works(32, a);
    Phrase(song, 0, 32, 8, tuneA, 96);
    return Finish(song, 40);
}

// mid9: a storm in E minor: guitars, driving drums, 144 a minute.
std::string Storm() {
    Song song("Storm Front", 144);
    song.Instrument(0, 30, 92, 70, 40);   // distortion guitar, the lead
    song.Instrument(1, 29, 86, 40, 30);   // overdriven guitar, the chords
    song.Instrument(2, 34, 104, 64, 10);  // picked bass
    song.Instrument(3, 48, 74, 64, 60);   // strings
    song.Instrument(DrumChannel, 0, 100, 64, 30);
    const std::string a = "E5 | C5 | D5 | B5 | E5 | C5 | A5 | B5", b = "C5 | D5 | E5 | E5 | C5 | D5 | B5 | B5";
    const std::string tuneA =
        "E5q. G5e B5q A5e G5e | E5h. rq | F#5q. A5e D6q C6e B5e | B5h. rq |"
        " E5q. G5e B5q E6q | C6q. B5e A5q G5q | A5e B5e C6e B5e A5q F#5q | B5h. rq";
    const std::string tuneB =
        "G5q. A5e B5q C6q | D6q. C6e A5h | B5e A5e G5e F#5e E5q G5q | B5h E6h |"
        " C6q. B5e G5q E5q | D5q. F#5e A5q D6q | D#6q. C6e B5q A5q | F#5h D#5h";
    auto rock = [&](int bar, const std::string& chart, bool full) {
        const auto spans = Chart(song, song.Bar(bar), chart);
        Comp(song, 1, spans, "X.x.x.x.", 384, 40, 59, 84, 0.7);
        Bass(song, 2, spans, "R R R R R R R R", 384, 28, 96, 0.7);
        if (full) {
            Pad(song, 3, spans, 59, 76, 56);
            Drums(song, song.Bar(bar), 8,
                  {{Kick, "x.x.....x.x....."}, {Snare, "....x.......x..."}, {ClosedHat, "x.x.x.x.x.x.x.x."},
                   {Crash, "x..............................................................."}},
                  192, 92);
        } else {
            Drums(song, song.Bar(bar), 8, {{Kick, "x.......x......."}, {Ride, "x.x.x.x.x.x.x.x."}}, 192, 80);
        }
    };
    rock(0, "E5 | C5 | D5 | B5", false);
    rock(4, a, true);
    Phrase(song, 0, 4, 8, tuneA, 96);
    rock(12, b, true);
    Phrase(song, 0, 12, 8, tuneB, 100);
    rock(20, a, false);
    Phrase(song, 3, 20, 8, tuneA, 80);
    rock(28, b, true);
    Phrase(song, 0, 28, 8, tuneB, 104);
    rock(36, a, true);
    Phrase(song, 0, 36, 8, tuneA, 104, 12);
    Drums(song, song.Bar(43), 1, {{Snare, "........XoXoXXXX"}, {HighTom, "..x..x.........."}}, 192, 90);
    return Finish(song, 44);
}

// piano.mid: the quick-help screen's solo piano, 4/4 at 88 a minute. The
// help screen repeats its music from tick 11000 to tick 152500: three bars
// of prelude, the last held under a pause so that the theme begins exactly
// at 11000; then 46 bars of the theme, the last held a little longer so
// that it ends exactly at 152500; then a short close.
std::string Piano() {
    Song song("Quick Help", 88);
    song.Instrument(0, 0, 127, 64, 50);
    song.Instrument(1, 0, 127, 64, 50);
    constexpr int LoopStart = 11000, LoopEnd = 152500;
    const int bar = song.BarTicks();
    static_assert(LoopStart > 3 * 3072 && LoopEnd > LoopStart + 46 * 3072);

    // Prelude: two bars, then a third whose chord is held under a pause.
    Arpeggio(song, 1, Chart(song, 0, "Fmaj7 | G6"), "0 2 4 6 7 6 4 2", 384, 41, 80);
    Phrase(song, 0, 0, 2, "rh E5q G5q | A5h. D5q", 90);
    song.Note(1, 2 * bar, LoopStart - 2 * bar - 96, Pitch("C3"), 80);
    song.Note(1, 2 * bar, LoopStart - 2 * bar - 96, Pitch("G3"), 76);
    song.Note(0, 2 * bar, LoopStart - 2 * bar - 96, Pitch("E4"), 76);
    song.Note(0, 2 * bar, LoopStart - 2 * bar - 96, Pitch("C5"), 86);

    // The theme: A A' B A'' C and a bridge that leads back to A.
    const std::string a = "C | Am | F | G | C | Am | Dm7 | G7", a2 = "C | Em | F | G | Am | F | Dm7 G7 | C",
                      b = "Am | Em | F | C | Dm | Am | Bb | G", c = "F | G | Em | Am | Dm | G | C | C7";
    const std::string bridge = "F | Fm | C/E | Am | Dm7 | G7";
    const std::string tuneA =
        "E5q. D5e C5q G4q | A4q. B4e C5h | F5q. E5e D5q C5q | D5h. G4q |"
        " E5q. F5e G5q C6q | A5q. G5e E5h | F5e E5e D5e C5e D5q A4q | B4h. G4q";
    const std::string tuneA2 =
        "E5q. D5e C5q G5q | B5q. A5e G5h | A5q. G5e F5q C5q | D5h. G5q |"
        " C6q. B5e A5q E5q | F5q. E5e D5q C5q | D5e E5e F5e D5e B4q G4q | C5h. rq";
    const std::string tuneB =
        "A5q. G5e E5q C5q | B4q. C5e E5h | A5q. G5e F5q E5q | G5h. E5q |"
        " F5q. E5e D5q A4q | C5q. B4e A4h | Bb4q. C5e D5q F5q | D5h B4h";
    const std::string tuneC =
        "A5e G5e F5e E5e F5q C5q | B4e C5e D5e E5e D5q G5q | G5q. F5e E5q B4q | C5q. D5e E5h |"
        " F5q. E5e D5q A5q | G5e F5e E5e D5e B4q D5q | C5q E5q G5q C6q | Bb5h. rq";
    const std::string tuneBridge = "A5q. G5e F5q C5q | Ab5q. G5e F5h | G5q. F5e E5q C5q | E5h. A4q | F5e E5e D5e C5e A4q C5q | B4h D5h";

    int at = 3;  // bar number from the loop start: tick LoopStart + bar * (at - 3)
    auto section = [&](const std::string& chart, const std::string& left, const std::string& tune, int bars, int velocity,
                       int transpose = 0) {
        const int tick = LoopStart + (at - 3) * bar;
        Arpeggio(song, 1, Chart(song, tick, chart), left, 384, 36, velocity - 24, 0.95);
        const int end = Line(song, 0, tick, tune, velocity, transpose);
        if (end != tick + bars * bar) Fail("piano section does not fill its bars: " + tune);
        at += bars;
    };
    section(a, "0 2 4 2 5 2 4 2", tuneA, 8, 100);
    section(a2, "0 2 4 2 5 2 4 2", tuneA2, 8, 104);
    section(b, "0 4 2 4 0 4 2 4", tuneB, 8, 102);
    section(a, "0 2 4 5 6 5 4 2", tuneA, 8, 108, 12);
    section(c, "0 2 4 2 5 2 4 2", tuneC, 8, 106);
    section(bridge, "0 2 4 2 5 2 4 2", tuneBridge, 6, 96);
    // The loop's last bar is held past its bar line up to the loop end.
    const int stretch = LoopEnd - (LoopStart + 46 * bar);
    song.Note(1, LoopStart + 46 * bar - 96, stretch, Pitch("G2"), 64);
    if (LoopStart + 46 * bar + stretch != LoopEnd) Fail("the piano loop is out of place");

    // The close, heard only when the repeats are used up.
    Arpeggio(song, 1, Chart(song, LoopEnd, "C | Fmaj7 | C"), "0 2 4 6 7 6 4 2", 384, 36, 72);
    Line(song, 0, LoopEnd, "E5q. D5e C5q G4q | A4h C5h | C5w", 88);
    song.SetEnd(LoopEnd + 3 * bar);
    if (song.End() != LoopEnd + 3 * bar) Fail("a note outlasts the end of the piano piece");
    return song.StandardMidiFile();
}

// endmid.mid: the finale, triumphant and warm: C major, full orchestra.
std::string Finale() {
    Song song("Finale", 92);
    song.SetLevel(0.45);
    song.Instrument(0, 56, 104, 60, 60);  // trumpet
    song.Instrument(1, 60, 92, 80, 60);   // horns
    song.Instrument(2, 48, 96, 64, 70);   // strings
    song.Instrument(3, 52, 80, 50, 80);   // choir
    song.Instrument(4, 46, 90, 30, 60);   // harp
    song.Instrument(5, 58, 96, 64, 40);   // tuba
    song.Instrument(6, 47, 100, 64, 50);  // timpani
    song.Instrument(7, 73, 88, 90, 60);   // flute
    const std::string a = "C | G/B | Am | Em/G | F | C/E | Dm7 | G7",
                      b = "F | G | Em | Am | Dm | G | C | C7", c = "F | G | Am | F | C/G | G | C | G7";
    const std::string tuneA =
        "G4q. C5e E5q G5q | G5q. F5e D5h | E5q. F5e G5q C6q | B5h. G5q |"
        " A5q. G5e F5q A5q | G5q. E5e C5h | D5q. E5e F5q A5q | G5h. rq";
    const std::string tuneB =
        "A5q. B5e C6q A5q | B5q. C6e D6h | G5q. A5e B5q E5q | A5h. E5q |"
        " F5q. G5e A5q D5q | G5q. F5e D5h | E5q G5q C6q E6q | D6h C6h";
    const std::string tuneC =
        "C6q. B5e A5q F5q | D6q. C6e B5h | C6q. B5e A5q E5q | F5q A5q C6q F6q |"
        " E6q. D6e C6q G5q | A5q B5q D6q F6q | E6w | D6h. rq";
    auto orchestra = [&](int bar, const std::string& chart, bool full) {
        const auto spans = Chart(song, song.Bar(bar), chart);
        Pad(song, 2, spans, 55, 76, full ? 80 : 64);
        Arpeggio(song, 4, spans, "0 1 2 3 4 5 4 3", 384, 48, 60);
        Bass(song, 5, spans, full ? "R _ _ _ 5 _ _ _" : "R _ _ _ _ _ _ _", 384, 31, 88);
        if (full) {
            Pad(song, 3, spans, 60, 74, 60);
            Comp(song, 1, spans, "x__.x_x_", 384, 55, 67, 72, 0.9);
        }
    };
    orchestra(0, a, false);
    Phrase(song, 7, 0, 8, tuneA, 80, 12);
    orchestra(8, a, true);
    Phrase(song, 0, 8, 8, tuneA, 96);
    Phrase(song, 6, 8, 8, "C3q rq rh | rw | rw | G2e G2e G2q rh | rw | rw | rw | G2s G2s G2s G2s G2q rh", 84);
    orchestra(16, b, true);
    Phrase(song, 0, 16, 8, tuneB, 100);
    Phrase(song, 7, 16, 8, tuneB, 76, 12);
    orchestra(24, c, true);
    Phrase(song, 0, 24, 8, tuneC, 106);
    Phrase(song, 1, 24, 8, "C5w | D5w | E5w | F5w | G5w | F5w | E5w | D5h. rq", 80);
    Phrase(song, 6, 24, 8, "C3q rq rh | G2q rq rh | A2q rq rh | F2q rq rh | G2q rq rh | G2q rq rh | C3s C3s C3s C3s C3q rh | G2s G2s G2s G2s G2e G2e G2q G2q", 92);
    return Finish(song, 32);
}

}  // namespace

void MakeMusic(Context& ctx) {
    const std::vector<std::function<std::string()>> levels = {Morning, Waltz, Shuffle, March,     Caravan,
                                                              Garden,  Neon,  Jig,     Clockwork, Storm};
    for (size_t i = 0; i < levels.size(); ++i) Ship(ctx, "mid/mid" + std::to_string(i) + ".Mid", levels[i](), Role::Looks);
    Ship(ctx, "mid/piano.mid", Piano(), Role::Looks);
    Ship(ctx, "mid/endmid.mid", Finale(), Role::Looks);
}

}  // namespace content
