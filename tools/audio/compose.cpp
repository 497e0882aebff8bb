#include "tools/audio/compose.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <sstream>

#include "tools/content.h"

namespace content {

namespace {

int PitchClass(const std::string& name, size_t& at) {
    static const std::map<char, int> naturals = {{'C', 0}, {'D', 2}, {'E', 4}, {'F', 5}, {'G', 7}, {'A', 9}, {'B', 11}};
    if (at >= name.size() || !naturals.count(name[at])) Fail("bad note name: " + name);
    int pc = naturals.at(name[at++]);
    while (at < name.size() && (name[at] == '#' || name[at] == 'b')) pc += name[at++] == '#' ? 1 : -1;
    return (pc + 12) % 12;
}

std::vector<std::string> Tokens(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> tokens;
    for (std::string t; in >> t;) tokens.push_back(t);
    return tokens;
}

// The chord's pitches stacked upward from its lowest root at or above low.
std::vector<int> Stack(const Chord& chord, int low, int count) {
    const int base = low + ((chord.root - low) % 12 + 12) % 12;
    std::vector<int> pitches;
    for (int octave = 0; int(pitches.size()) < count; octave += 12)
        for (int tone : chord.tones)
            if (int(pitches.size()) < count) pitches.push_back(base + octave + tone);
    std::sort(pitches.begin(), pitches.end());
    return pitches;
}

// One pitch for each chord tone within [low, high], as near as possible to
// the centre of the last voicing.
std::vector<int> Voice(const Chord& chord, int low, int high, double centre) {
    std::vector<int> pitches;
    for (int tone : chord.tones) {
        const int pc = (chord.root + tone) % 12;
        int best = -1;
        for (int p = low; p <= high; ++p)
            if (p % 12 == pc && (best < 0 || std::fabs(p - centre) < std::fabs(best - centre))) best = p;
        if (best >= 0 && std::find(pitches.begin(), pitches.end(), best) == pitches.end()) pitches.push_back(best);
    }
    std::sort(pitches.begin(), pitches.end());
    return pitches;
}

double Centre(const std::vector<int>& pitches, double fallback) {
    if (pitches.empty()) return fallback;
    double sum = 0;
    for (int p : pitches) sum += p;
    return sum / double(pitches.size());
}

// Louder on the bar's first beat, softer off the beat.
int Metric(const Song& song, int tick, int velocity) {
    if (tick % song.BarTicks() == 0) return velocity + 6;
    if (tick % Quarter == 0) return velocity + 2;
    return velocity - 3;
}

// Steps of a pattern laid over one chord span: calls step(token, tick, length)
// where length runs through the holds ('_') that follow.
template <typename F>
void EachStep(const std::vector<std::string>& tokens, const ChordSpan& span, int step, F&& f) {
    const int steps = span.length / step;
    for (int i = 0; i < steps; ++i) {
        const std::string& token = tokens[size_t(i) % tokens.size()];
        if (token == "_" || token == "-" || token == "." ) continue;
        int length = step;
        for (int j = i + 1; j < steps && tokens[size_t(j) % tokens.size()] == "_"; ++j) length += step;
        f(token, span.tick + i * step, length);
    }
}

std::vector<std::string> Characters(const std::string& s) {
    std::vector<std::string> out;
    for (char c : s)
        if (c != ' ' && c != '|') out.push_back(std::string(1, c));
    return out;
}

}  // namespace

int Pitch(const std::string& name) {
    static const std::map<char, int> naturals = {{'C', 0}, {'D', 2}, {'E', 4}, {'F', 5}, {'G', 7}, {'A', 9}, {'B', 11}};
    if (name.empty() || !naturals.count(name[0])) Fail("bad note name: " + name);
    int key = naturals.at(name[0]);
    size_t at = 1;
    while (at < name.size() && (name[at] == '#' || name[at] == 'b')) key += name[at++] == '#' ? 1 : -1;
    if (at >= name.size()) Fail("note without octave: " + name);
    return key + 12 * (std::stoi(name.substr(at)) + 1);
}

Chord ParseChord(const std::string& symbol) {
    static const std::map<std::string, std::vector<int>> qualities = {
        {"", {0, 4, 7}},          {"m", {0, 3, 7}},           {"7", {0, 4, 7, 10}},      {"maj7", {0, 4, 7, 11}},
        {"m7", {0, 3, 7, 10}},    {"dim", {0, 3, 6}},         {"dim7", {0, 3, 6, 9}},    {"m7b5", {0, 3, 6, 10}},
        {"aug", {0, 4, 8}},       {"sus4", {0, 5, 7}},        {"sus2", {0, 2, 7}},       {"add9", {0, 4, 7, 14}},
        {"madd9", {0, 3, 7, 14}}, {"6", {0, 4, 7, 9}},        {"m6", {0, 3, 7, 9}},      {"9", {0, 4, 7, 10, 14}},
        {"m9", {0, 3, 7, 10, 14}}, {"maj9", {0, 4, 7, 11, 14}}, {"7sus4", {0, 5, 7, 10}}, {"5", {0, 7}}};
    size_t at = 0;
    Chord chord;
    chord.root = PitchClass(symbol, at);
    const size_t slash = symbol.find('/', at);
    const std::string quality = symbol.substr(at, slash == std::string::npos ? std::string::npos : slash - at);
    if (!qualities.count(quality)) Fail("unknown chord: " + symbol);
    chord.tones = qualities.at(quality);
    chord.bass = chord.root;
    if (slash != std::string::npos) {
        size_t b = slash + 1;
        chord.bass = PitchClass(symbol, b);
    }
    return chord;
}

std::vector<ChordSpan> Chart(const Song& song, int tick, const std::string& chart) {
    std::vector<ChordSpan> spans;
    std::istringstream bars(chart);
    for (std::string bar; std::getline(bars, bar, '|');) {
        const auto symbols = Tokens(bar);
        if (symbols.empty()) continue;
        const int share = song.BarTicks() / int(symbols.size());
        for (const std::string& s : symbols) {
            if (s == "-" && !spans.empty())
                spans.back().length += share;
            else if (s != "_")
                spans.push_back({tick, share, ParseChord(s)});
            tick += share;
        }
    }
    return spans;
}

int Line(Song& song, int channel, int tick, const std::string& notes, int velocity, int transpose, double legato) {
    static const std::map<char, int> lengths = {
        {'w', 4 * Quarter}, {'h', 2 * Quarter}, {'q', Quarter}, {'e', Quarter / 2}, {'s', Quarter / 4}};
    int duration = Quarter;
    struct Pending {
        int key, start, length, velocity;
        bool staccato;
    };
    std::vector<Pending> sounding;  // the notes struck last, still growing by holds
    auto flush = [&]() {
        for (const Pending& n : sounding) {
            const int gap = n.staccato ? n.length / 2 : std::min(n.length / 4, int((1.0 - legato) * Quarter));
            song.Note(channel, n.start, std::max(24, n.length - gap), n.key, n.velocity);
        }
        sounding.clear();
    };
    for (std::string token : Tokens(notes)) {
        if (token == "|") continue;
        if (token[0] == '@') {
            velocity = std::stoi(token.substr(1));
            continue;
        }
        const bool accent = token[0] == '>';
        if (accent) token.erase(0, 1);
        const bool staccato = token.back() == '!';
        if (staccato) token.pop_back();
        const bool restOrHold = token[0] == 'r' || token[0] == '-';
        const size_t split = restOrHold ? 1 : token.find_last_of("0123456789") + 1;
        if (split == 0) Fail("bad note: " + token);
        const std::string head = token.substr(0, split), length = token.substr(split);
        if (!length.empty()) {
            if (!lengths.count(length[0])) Fail("bad duration: " + token);
            duration = lengths.at(length[0]);
            for (char c : length.substr(1)) {
                if (c == '.') duration = duration * 3 / 2;
                else if (c == '3') duration = duration * 2 / 3;
                else Fail("bad duration: " + token);
            }
        }
        if (head == "-") {
            for (Pending& n : sounding) n.length += duration;
        } else {
            flush();
            if (head != "r") {
                std::istringstream parts(head);
                for (std::string name; std::getline(parts, name, '+');) {
                    const int key = Pitch(name) + transpose;
                    sounding.push_back({key, tick, duration, Humanise(accent ? velocity + 18 : velocity, tick, key), staccato});
                }
            }
        }
        tick += duration;
    }
    flush();
    return tick;
}

void Pad(Song& song, int channel, const std::vector<ChordSpan>& spans, int low, int high, int velocity) {
    double centre = (low + high) / 2.0;
    for (const ChordSpan& span : spans) {
        const auto pitches = Voice(span.chord, low, high, centre);
        centre = Centre(pitches, centre);
        for (int p : pitches) song.Note(channel, span.tick, span.length - 8, p, Humanise(velocity, span.tick, p));
    }
}

void Arpeggio(Song& song, int channel, const std::vector<ChordSpan>& spans, const std::string& pattern, int step,
              int low, int velocity, double legato) {
    const auto tokens = Tokens(pattern);
    for (const ChordSpan& span : spans) {
        const auto stack = Stack(span.chord, low, 8);
        EachStep(tokens, span, step, [&](const std::string& token, int tick, int length) {
            const int key = stack[size_t(std::stoi(token)) % stack.size()];
            song.Note(channel, tick, int(length * legato), key, Humanise(Metric(song, tick, velocity), tick, key));
        });
    }
}

void Bass(Song& song, int channel, const std::vector<ChordSpan>& spans, const std::string& pattern, int step,
          int low, int velocity, double legato) {
    const auto tokens = Tokens(pattern);
    for (size_t s = 0; s < spans.size(); ++s) {
        const ChordSpan& span = spans[s];
        const Chord& c = span.chord;
        const int root = low + ((c.bass - low) % 12 + 12) % 12;
        auto tone = [&](int index, int fallback) {
            return index < int(c.tones.size()) ? c.tones[size_t(index)] % 12 : fallback;
        };
        const int nextRoot = s + 1 < spans.size() ? spans[s + 1].chord.bass : c.bass;
        EachStep(tokens, span, step, [&](const std::string& token, int tick, int length) {
            int key = root;
            const int chordRoot = root + ((c.root - c.bass) % 12 + 12) % 12;
            switch (token[0]) {
            case 'R': key = root; break;
            case '3': key = chordRoot + tone(1, 4); break;
            case '5': key = chordRoot + tone(2, 7); break;
            case '7': key = chordRoot + (c.tones.size() > 3 ? c.tones[3] % 12 : 10); break;
            case '8': key = root + 12; break;
            case 'L': key = chordRoot + tone(2, 7) - 12; break;
            case 'A': {
                int target = low + ((nextRoot - low) % 12 + 12) % 12;
                key = target + (target > root ? -1 : (target == root ? 2 : 1));
                break;
            }
            default: Fail("bad bass step " + token);
            }
            while (key > low + 19) key -= 12;
            song.Note(channel, tick, int(length * legato), key, Humanise(Metric(song, tick, velocity), tick, key));
        });
    }
}

void Comp(Song& song, int channel, const std::vector<ChordSpan>& spans, const std::string& rhythm, int step,
          int low, int high, int velocity, double legato) {
    const auto tokens = Characters(rhythm);
    double centre = (low + high) / 2.0;
    for (const ChordSpan& span : spans) {
        const auto pitches = Voice(span.chord, low, high, centre);
        centre = Centre(pitches, centre);
        EachStep(tokens, span, step, [&](const std::string& token, int tick, int length) {
            const int v = Metric(song, tick, token == "X" ? velocity + 15 : velocity);
            for (int p : pitches) song.Note(channel, tick, int(length * legato), p, Humanise(v, tick, p));
        });
    }
}

void Drums(Song& song, int tick, int bars, const std::vector<std::pair<int, std::string>>& patterns, int step,
           int velocity) {
    for (const auto& [key, pattern] : patterns) {
        const auto tokens = Characters(pattern);
        const int steps = bars * song.BarTicks() / step;
        for (int i = 0; i < steps; ++i) {
            const std::string& t = tokens[size_t(i) % tokens.size()];
            if (t == ".") continue;
            const int v = t == "X" ? velocity + 20 : t == "o" ? velocity - 35 : velocity;
            const int at = tick + i * step;
            song.Note(DrumChannel, at, step / 2, key, Humanise(Metric(song, at, v), at, key));
        }
    }
}

int Humanise(int velocity, int tick, int key) {
    uint32_t h = uint32_t(tick) * 2654435761u ^ uint32_t(key) * 40503u;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return std::clamp(velocity + int(h % 9) - 4, 1, 127);
}

}  // namespace content
