// The eleven WAV files: seven effects synthesised here sample by sample, and
// the menu tune and three jingles composed as MIDI and rendered through the
// game's soundfont.
#include <cmath>
#include <functional>

#include "tools/audio/compose.h"
#include "tools/audio/dsp.h"
#include "tools/audio/render.h"
#include "tools/content.h"

namespace content {

namespace {

// Sound of `seconds` from a function of (time, frame) giving left and right.
Stereo Synthesise(double seconds, const std::function<std::pair<float, float>(double, size_t)>& f) {
    Stereo s(FramesOf(seconds));
    for (size_t i = 0; i < s.Frames(); ++i) std::tie(s.left[i], s.right[i]) = f(double(i) / SampleRate, i);
    return s;
}

// Equal-power pan: -1 left, 1 right.
std::pair<float, float> Pan(double x, double pan) {
    const double angle = (pan + 1) * Pi / 4;
    return {float(x * std::cos(angle)), float(x * std::sin(angle))};
}

// A struck metal bar: a few inharmonic partials, the high ones dying first.
Stereo Bell(double frequency, double seconds, double decay, double pan, double brightness = 1.0) {
    static const double ratios[] = {1.0, 2.0, 3.01, 4.17, 5.43};
    static const double levels[] = {1.0, 0.55, 0.35, 0.22, 0.12};
    return Synthesise(seconds, [=](double t, size_t) {
        double x = 0;
        for (int k = 0; k < 5; ++k) {
            const double f = frequency * ratios[k];
            if (f > 16000) break;
            x += levels[k] * std::pow(brightness, k) * std::sin(2 * Pi * f * t) * std::exp(-t * (1 + k * 0.9) / decay);
        }
        const double attack = std::fmin(1.0, t / 0.002);
        return Pan(x * attack, pan);
    });
}

// line.wav: runs were found. Two quick bright strokes, a fifth apart.
Stereo Line() {
    Stereo s;
    s.Add(Bell(1318.5, 0.55, 0.30, -0.3), 0);
    s.Add(Bell(1975.5, 0.50, 0.26, 0.3), FramesOf(0.055), 0.8f);
    s.Add(Bell(2637.0, 0.40, 0.18, 0.0, 0.7), FramesOf(0.11), 0.35f);
    return Reverb(s, 0.5, 0.4, 0.25, 0.25);
}

// sb.wav: one meter cell blinks in. A short upward blip.
Stereo Blip() {
    double phase = 0;
    return Synthesise(0.075, [&](double t, size_t) {
        const double f = 900 * std::pow(1.6, t / 0.06);
        phase += 2 * Pi * f / SampleRate;
        const double envelope = std::fmin(1.0, t / 0.003) * std::pow(std::fmax(0.0, 1 - t / 0.075), 2);
        const double x = (std::sin(phase) + 0.25 * std::sin(2 * phase)) * envelope;
        return std::pair<float, float>{float(x), float(x)};
    });
}

// clear2l.wav: Sweep. Air rushing past from left to right.
Stereo Whoosh() {
    Noise noise(2);
    Biquad band(Biquad::BandPass), body(Biquad::LowPass);
    body.Set(500, 0.7);
    const double length = 0.95;
    Stereo s = Synthesise(length, [&](double t, size_t) {
        const double u = t / length;
        // The pitch of the air climbs to its height just after the middle, then eases down.
        const double centre = u < 0.55 ? 250 * std::pow(14.0, u / 0.55) : 3500 * std::pow(0.35, (u - 0.55) / 0.45);
        band.Set(centre, 1.8);
        const double n = noise.Bipolar();
        const double envelope = std::pow(std::sin(Pi * std::pow(u, 0.8)), 2);
        const double x = (band.Process(float(n)) * 2.2 + body.Process(float(n)) * 0.6) * envelope;
        return Pan(x, -0.9 + 1.8 * u);
    });
    return Reverb(s, 0.4, 0.5, 0.2, 0.15);
}

// rain.wav: Rain and the Bomb's fuse. Droplets shimmering down in pitch.
Stereo Rain() {
    Noise noise(3);
    Stereo s(FramesOf(1.2));
    for (int d = 0; d < 46; ++d) {
        const double at = 0.9 * std::pow(noise.Uniform(), 0.9);
        // Early drops ring high, later ones lower: the cascade falls.
        const double top = 5200 - 3600 * at / 0.9;
        const double frequency = top * (0.75 + 0.25 * noise.Uniform());
        const double pan = noise.Bipolar() * 0.8;
        const double level = 0.35 + 0.4 * noise.Uniform();
        Stereo drop = Synthesise(0.09, [=](double t, size_t) {
            const double f = frequency * (1 - 0.25 * t / 0.09);  // each drop bends down a little
            return Pan(level * std::sin(2 * Pi * f * t) * std::exp(-t / 0.022) * std::fmin(1.0, t / 0.001), pan);
        });
        s.Add(drop, FramesOf(at));
    }
    Biquad hiss(Biquad::HighPass);
    hiss.Set(4000, 0.7);
    for (size_t i = 0; i < s.Frames(); ++i) {
        const double t = double(i) / SampleRate;
        const float h = hiss.Process(float(noise.Bipolar())) * float(0.12 * std::sin(Pi * std::fmin(1.0, t / 1.1)));
        s.left[i] += h;
        s.right[i] += h;
    }
    return Reverb(s, 0.7, 0.3, 0.45, 0.3);
}

// deogratias2.wav: Airstone. Stones lifted on a rising breath of air.
Stereo Lift() {
    Noise noise(4);
    Biquad band(Biquad::BandPass);
    const double length = 1.15;
    double phases[3] = {0, 0, 0};
    const double bases[3] = {220, 330, 440};
    Stereo s = Synthesise(length, [&](double t, size_t) {
        const double u = t / length;
        const double envelope = std::pow(std::sin(Pi * std::pow(u, 0.65)), 1.5);
        band.Set(350 * std::pow(18.0, u), 2.5);
        double air = band.Process(float(noise.Bipolar())) * 1.6;
        double tone = 0;
        for (int k = 0; k < 3; ++k) {
            const double f = bases[k] * std::pow(2.0, 1.2 * u) * (1 + 0.004 * std::sin(2 * Pi * 6 * t + k));
            phases[k] += 2 * Pi * f / SampleRate;
            tone += std::sin(phases[k]) / (k + 1.5);
        }
        const double x = (air + 0.55 * tone) * envelope;
        return std::pair<float, float>{float(x * (1 - 0.3 * u)), float(x * (0.7 + 0.3 * u))};
    });
    return Reverb(s, 0.75, 0.3, 0.4, 0.2);
}

// bang.wav: a Bomb goes off. A low thump, a crack and a rumble.
Stereo Bang() {
    Noise noise(5);
    Biquad crack(Biquad::LowPass), rumble(Biquad::LowPass);
    rumble.Set(180, 0.8);
    double phase = 0;
    Stereo s = Synthesise(1.0, [&](double t, size_t) {
        const double f = 45 + 110 * std::exp(-t / 0.05);
        phase += 2 * Pi * f / SampleRate;
        const double thump = std::sin(phase) * std::exp(-t / 0.22) * std::fmin(1.0, t / 0.001);
        crack.Set(500 + 4500 * std::exp(-t / 0.04), 0.7);
        const double n = noise.Bipolar();
        const double hit = crack.Process(float(n)) * std::exp(-t / 0.07);
        const double roll = rumble.Process(float(n)) * 3.0 * std::exp(-t / 0.35) * std::fmin(1.0, t / 0.02);
        const double x = std::tanh(1.6 * (0.9 * thump + 0.8 * hit + 0.6 * roll));
        return std::pair<float, float>{float(x), float(x)};
    });
    return Reverb(s, 0.5, 0.6, 0.18, 0.35);
}

// cross.wav: HolyCross. A choir swells on a bright major chord: voices
// built from their harmonics, shaped by the formants of an open "ah".
Stereo Choir() {
    const double length = 1.6;
    const double keys[] = {57, 62, 66, 69, 74, 78};  // A3 D4 F#4 A4 D5 F#5
    auto formant = [](double f) {
        auto peak = [f](double centre, double width, double gain) {
            const double d = std::log2(f / centre) / width;
            return gain * std::exp(-d * d);
        };
        return 0.08 + peak(800, 0.35, 1.0) + peak(1150, 0.3, 0.7) + peak(2900, 0.25, 0.35);
    };
    Stereo s(FramesOf(length));
    int voice = 0;
    for (double key : keys) {
        for (int copy = 0; copy < 3; ++copy, ++voice) {
            const double f0 = 440 * std::pow(2.0, (key - 69) / 12) * std::pow(2.0, (copy - 1) * 5.0 / 1200);
            const double pan = std::sin(voice * 1.7) * 0.7;
            const double vibratoPhase = voice * 0.9;
            std::vector<double> phases(40, 0.0);
            for (size_t i = 0; i < s.Frames(); ++i) {
                const double t = double(i) / SampleRate;
                const double f = f0 * (1 + 0.005 * std::sin(2 * Pi * 5.3 * t + vibratoPhase) * std::fmin(1.0, t / 0.6));
                double x = 0;
                for (int h = 1; h <= 40 && h * f < 9000; ++h) {
                    phases[size_t(h - 1)] += 2 * Pi * h * f / SampleRate;
                    x += std::sin(phases[size_t(h - 1)]) * formant(h * f0) / h;
                }
                const double u = t / length;
                const double envelope = u < 0.5 ? std::pow(std::sin(Pi * u), 2) : std::pow(std::cos(Pi * (u - 0.5) / 1.0), 1.5);
                const auto [l, r] = Pan(x * envelope / std::sqrt(key - 40), pan);
                s.left[i] += l;
                s.right[i] += r;
            }
        }
    }
    // A glint of bells on top as the chord opens.
    s.Add(Bell(2349.3, 1.0, 0.5, -0.4, 0.6), FramesOf(0.45), 0.5f);
    s.Add(Bell(2960.0, 0.9, 0.45, 0.4, 0.6), FramesOf(0.6), 0.4f);
    return Reverb(s, 0.85, 0.35, 0.5, 0.3);
}

// Renders a jingle: tail trimmed, level raised to a common peak.
Stereo Jingle(const Song& song) {
    Stereo s = RenderSong(song, 3.0);
    TrimTail(s);
    Normalise(s, 0.75f);
    return s;
}

// deogratias.wav: a level begins. A bright fanfare in D, about 4.5 s.
Song LevelIntro() {
    Song song("Level intro", 120);
    song.Instrument(0, 56, 110, 50, 50);   // trumpet
    song.Instrument(1, 61, 95, 78, 50);    // brass section
    song.Instrument(2, 48, 90, 64, 60);    // strings
    song.Instrument(3, 47, 100, 64, 40);   // timpani
    song.Instrument(4, 58, 90, 64, 40);    // tuba
    Line(song, 0, 0, "A4e! D5e! F#5e! >A5q G5e F#5e E5e | >F#5h. rq", 96);
    Line(song, 1, 0, "rq. F#4+A4q B4+D5e A4+D5e A4+C#5e | A4+D5+F#5h. rq", 84);
    Line(song, 4, 0, "rq. D3q G2e F#2e A2e | D2h. rq", 96);
    Pad(song, 2, Chart(song, 0, "D - G A | D"), 62, 81, 70);
    Line(song, 3, 0, "D3s D3s D3s D3s D3q rh | D3s D3s A2e D3q rh", 100);
    song.SetEnd(song.Bar(2));
    return song;
}

// finished.wav: a level is complete. A quick rising run and a full cadence.
Song LevelComplete() {
    Song song("Level complete", 132);
    song.Instrument(0, 9, 105, 40, 50);    // glockenspiel
    song.Instrument(1, 61, 100, 88, 50);   // brass
    song.Instrument(2, 48, 92, 64, 60);    // strings
    song.Instrument(3, 47, 105, 64, 40);   // timpani
    song.Instrument(4, 33, 100, 64, 20);   // bass
    Line(song, 0, 0, "C5s E5s G5s C6s E6e G6e rq C6e! D6e! | E6h. rq", 92);
    Line(song, 1, 0, "rh. G4e! A4e! | >G4+C5+E5h. rq", 92);
    Line(song, 1, 0, "rh. D4e! F4e! | E4h. rq", 80);
    Pad(song, 2, Chart(song, 0, "C - F G | C"), 60, 79, 72);
    Bass(song, 4, Chart(song, 0, "C - F G | C"), "R _ R R", 384, 36, 95);
    Line(song, 3, 0, "C3q rq rq G2e G2e | >C3h rh", 100);
    song.SetEnd(song.Bar(2));
    return song;
}

// gameover.wav: the well is full. A slow sinking line in A minor.
Song GameOverTune() {
    Song song("Game over", 84);
    song.Instrument(0, 68, 100, 54, 60);   // oboe
    song.Instrument(1, 48, 88, 70, 70);    // strings
    song.Instrument(2, 58, 92, 64, 40);    // tuba
    song.Instrument(3, 47, 90, 64, 50);    // timpani
    Line(song, 0, 0, "E5q D5e C5e B4q. G#4e | A4h. rq", 88);
    Pad(song, 1, Chart(song, 0, "Am Dm/F E7 - | Am"), 55, 72, 62);
    Line(song, 2, 0, "A2q F2q E2h | A1h. rq", 88);
    Line(song, 3, 0, "rh. E2e E2e | A2q rh.", 84);
    song.SetEnd(song.Bar(2));
    return song;
}

// intro.wav: the main menu's tune, one pass of a 16-bar loop at 112 beats a
// minute (about 34 s), written from a given bar so that it can be rendered
// three times running and cut from the middle without a seam.
void MenuTune(Song& song, int from) {
    const int at = song.Bar(from);
    const std::string verse = "Em | C | G | D | Em | C | Am | B7";
    const std::string chorus = "C | D | Bm | Em | Am | D | G | B7";
    const auto a = Chart(song, at, verse), b = Chart(song, at + song.Bar(8), chorus);
    Line(song, 0, at,
         "@84 rq E5e F#5e G5q. B5e | A5q G5e E5e -h | rq D5e E5e F#5q. A5e | G5e F#5e D5e E5e -h |"
         " rq E5e F#5e G5q. B5e | C6q. B5e A5e G5e E5q | F#5q. G5e A5q B5e A5e | F#5w");
    Line(song, 0, at + song.Bar(8),
         "@88 E5q. G5e C6q B5e A5e | F#5q. A5e D6h | D6e C6e B5e A5e B5q F#5q | G5e F#5e E5e D5e E5h |"
         " C6q. B5e A5q G5e F#5e | A5q. G5e F#5h | G5e A5e B5e D6e -e B5e A5e G5e | F#5h D#5h");
    Arpeggio(song, 1, a, "0 1 2 3 4 3 2 1", 384, 52, 64);
    Arpeggio(song, 1, b, "0 2 3 4 5 4 3 2", 384, 52, 66);
    Pad(song, 2, a, 55, 71, 48);
    Pad(song, 2, b, 57, 74, 56);
    Bass(song, 3, a, "R _ _ R - R 5 _", 384, 28, 92);
    Bass(song, 3, b, "R _ 5 _ 8 _ 5 A", 384, 28, 95);
    Drums(song, at, 8, {{Kick, "x.......x.x....."}, {ClosedHat, "..x...x...x...x."}, {Shaker, "oxoxoxoxoxoxoxox"}}, 192, 80);
    Drums(song, at + song.Bar(8), 8,
          {{Kick, "x.....x.x......."}, {Snare, "....x.......x..."}, {ClosedHat, "x.x.x.x.x.x.x.x."},
           {Shaker, "oxoxoxoxoxoxoxox"}},
          192, 82);
}

Stereo MenuLoop() {
    Song song("Menu", 112);
    song.Instrument(0, 11, 100, 70, 60, 20);  // vibraphone
    song.Instrument(1, 4, 80, 44, 50, 30);    // electric piano
    song.Instrument(2, 89, 70, 64, 80, 40);   // warm pad
    song.Instrument(3, 33, 100, 64, 20);      // finger bass
    song.Instrument(DrumChannel, 0, 80, 64, 30);
    for (int pass = 0; pass < 3; ++pass) MenuTune(song, 16 * pass);
    song.SetEnd(song.Bar(48));
    const Stereo all = RenderSong(song, 0.0);
    // The middle pass begins with the tail of the pass before, as every
    // repeat will. Its first moments blend over from the start of the third
    // pass, which is what truly follows its last sample: the seam is then
    // continuous whatever the chorus and reverb were doing.
    const size_t from = FrameAt(song, song.Bar(16)), to = FrameAt(song, song.Bar(32)), blend = FramesOf(0.05);
    Stereo loop(to - from);
    for (size_t i = 0; i < loop.Frames(); ++i) {
        const float w = i < blend ? float(i) / float(blend) : 1.0f;
        loop.left[i] = w * all.left[from + i] + (1 - w) * all.left[to + i];
        loop.right[i] = w * all.right[from + i] + (1 - w) * all.right[to + i];
    }
    Normalise(loop, 0.6f);
    return loop;
}

void Write(Context& ctx, const std::string& name, const Stereo& sound) {
    Ship(ctx, "wav/" + name, EncodeWav(sound), Role::Looks);
}

}  // namespace

void MakeSounds(Context& ctx) {
    Stereo line = Line(), blip = Blip(), whoosh = Whoosh(), rain = Rain(), lift = Lift(), bang = Bang(), choir = Choir();
    for (Stereo* effect : {&line, &blip, &whoosh, &rain, &lift, &bang, &choir}) {
        TrimTail(*effect);
        Normalise(*effect, 0.75f);
    }
    Normalise(blip, 0.6f);  // played many times in a row: softer
    Write(ctx, "intro.wav", MenuLoop());
    Write(ctx, "line.wav", line);
    Write(ctx, "sb.wav", blip);
    Write(ctx, "finished.wav", Jingle(LevelComplete()));
    Write(ctx, "deogratias.wav", Jingle(LevelIntro()));
    Write(ctx, "clear2l.wav", whoosh);
    Write(ctx, "rain.wav", rain);
    Write(ctx, "deogratias2.wav", lift);
    Write(ctx, "bang.wav", bang);
    Write(ctx, "cross.wav", choir);
    Write(ctx, "gameover.wav", Jingle(GameOverTune()));
}

}  // namespace content
