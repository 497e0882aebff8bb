// The sound engine: eleven sound buffers and the synthesiser of the two MIDI
// players mixed into the device's callback. The game's thread changes their
// state only while it holds the device's thread off (platform::AudioLock).
#include "audio/audio.h"
#include "audio/soundfont.h"

#include <malloc.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>
#include <exception>
#include <thread>
#include <utility>

#include "audio/mixer.h"
#include "audio/music.h"
#include "data/files.h"
#include "platform/backend.h"
#include "platform/wav.h"

namespace audio {

namespace {

constexpr const char* Files[SoundCount] = {"intro.wav",   "line.wav",  "sb.wav",          "finished.wav",
                                           "deogratias.wav", "clear2l.wav", "rain.wav", "deogratias2.wav",
                                           "bang.wav",    "cross.wav", "gameover.wav"};
const char* PlayerName(Player p) { return p == MusicPlayer ? "music" : "helpmusic"; }

// Work on a thread of its own that is always joined, also when the program
// ends without a shutdown of the sound; an error it met is raised on the
// game's thread when it is joined.
struct Loader {
    std::thread thread;
    std::exception_ptr error;
    ~Loader() {
        if (thread.joinable()) thread.join();
    }
    template <typename Work>
    void Start(Work work) {
        Join();
        thread = std::thread([this, work] {
            try {
                work();
            } catch (...) {
                error = std::current_exception();
            }
            platform::ReleaseThreadState();
            malloc_trim(0);  // what reading took and freed goes back to the system
        });
    }
    void Join() {
        if (thread.joinable()) thread.join();
        if (error) std::rethrow_exception(std::exchange(error, nullptr));
    }
};

// A piece loaded for a player, handed to the synthesiser when it plays.
struct Piece {
    std::string midi;  // the file's bytes; empty: silent
    int repeats = 0, loopStart = NoLoop, loopEnd = NoLoop;
};

struct Engine {
    std::array<SoundBuffer, SoundCount> sounds;
    // The two players never sound together (the help tune plays only on its
    // own screen), so they take turns on one synthesiser and the soundfont
    // is in memory once. `sounding` is the one that played last.
    std::unique_ptr<MidiPlayer> synth;
    std::array<Piece, 2> pieces;
    Player sounding = MusicPlayer;
    bool deviceOpen = false;
    // Reading the sounds and the soundfont takes a good part of a second:
    // it happens meanwhile, so that start-up does not wait for it.
    Loader soundLoader, musicLoader;
};
Engine engine;

void FinishSounds() { engine.soundLoader.Join(); }
void FinishMusic() { engine.musicLoader.Join(); }

bool keepLog = false;

void Log(const std::string& line) {
    if (keepLog) SoundLog().push_back(line);
}

// Runs on the device's thread (or in a test's).
void Mix(int16_t* out, int frames) {
    constexpr int Chunk = 256;
    float mix[2 * Chunk];
    while (frames > 0) {
        const int n = std::min(frames, Chunk);
        std::fill(mix, mix + 2 * n, 0.0f);
        for (auto& sound : engine.sounds) sound.MixInto(mix, n);
        if (engine.synth) engine.synth->MixInto(mix, n);
        for (int i = 0; i < 2 * n; ++i)
            out[i] = int16_t(std::clamp(mix[i] * 32768.0f, -32768.0f, 32767.0f));
        out += 2 * n;
        frames -= n;
    }
}

// Whether bytes are a standard MIDI file whose chunks all lie whole within
// it, as many tracks as its header says: fluidsynth takes a damaged one
// without a word.
bool WholeMidi(const std::string& bytes) {
    const auto number = [&](size_t at, int size) {
        uint64_t v = 0;
        for (int i = 0; i < size; ++i) v = v << 8 | uint8_t(bytes[at + size_t(i)]);
        return v;
    };
    if (bytes.size() < 14 || bytes.compare(0, 8, std::string("MThd\0\0\0\x06", 8)) != 0) return false;
    uint64_t tracks = 0;
    size_t at = 14;
    while (at + 8 <= bytes.size()) {
        const uint64_t length = number(at + 4, 4);
        if (length > bytes.size() - at - 8) return false;
        if (bytes.compare(at, 4, "MTrk") == 0) ++tracks;
        at += 8 + size_t(length);
    }
    return at == bytes.size() && tracks == number(10, 2);
}

MidiPlayer* ReadySynth() {
    FinishMusic();
    return engine.synth && engine.synth->Ready() ? engine.synth.get() : nullptr;
}

// The synthesiser while it plays (or last played) this player's piece.
MidiPlayer* SynthOf(Player p) { return ReadySynth() && engine.sounding == p ? engine.synth.get() : nullptr; }

void CloseDevice() {
    if (engine.deviceOpen) platform::Active().CloseAudio();
    engine.deviceOpen = false;
}

}  // namespace

const char* SoundFile(Sound s) { return Files[s]; }

void KeepSoundLog(bool keep) { keepLog = keep; }

std::vector<std::string>& SoundLog() {
    static std::vector<std::string> log;
    return log;
}

void SoundSetup() {
    FinishLoading();
    CloseDevice();
    // The device opens first: the loader hands its sounds over under the
    // device's lock. No device leaves the game silent; every call still works.
    engine.deviceOpen = platform::Active().OpenAudio(Mix);
    engine.soundLoader.Start([] {
        std::array<SoundBuffer, SoundCount> loaded;
        for (int s = 0; s < SoundCount; ++s) {
            platform::WavSound wav = platform::LoadWav(data::ProgramFile(std::string("wav/") + Files[s]));
            loaded[s] = SoundBuffer(std::move(wav.samples), wav.channels);
        }
        platform::AudioLock lock;
        engine.sounds = std::move(loaded);
    });
}

void MusicSetup() { MusicSetupWith(SoundFontPath()); }

void MusicSetupWith(const std::string& soundfont) {
    FinishMusic();
    engine.musicLoader.Start([soundfont] {
        std::unique_ptr<MidiPlayer> made;
        if (data::FileExists(soundfont)) made = std::make_unique<MidiPlayer>(soundfont);
        if (made && !made->Ready()) made = nullptr;
        if (!made)
            std::fprintf(stderr, "zintari: cannot load the soundfont %s: the music is silent\n", soundfont.c_str());
        platform::AudioLock lock;
        engine.synth = std::move(made);
    });
}

void FinishLoading() {
    FinishSounds();
    FinishMusic();
}

void AudioShutdown() {
    // A load that failed has nothing left to say at shutdown.
    try {
        FinishLoading();
    } catch (const data::FatalError&) {
    }
    CloseDevice();
    engine.synth = nullptr;
    engine.pieces = {};
    engine.sounds = {};
}

void PlayOnce(Sound s) {
    Log(std::string("play ") + Files[s] + " once");
    FinishSounds();
    platform::AudioLock lock;
    engine.sounds[s].PlayOnce();
}

void PlayLooping(Sound s) {
    Log(std::string("play ") + Files[s] + " loop");
    FinishSounds();
    platform::AudioLock lock;
    engine.sounds[s].PlayLooping();
}

void Stop(Sound s) {
    Log(std::string("stop ") + Files[s]);
    FinishSounds();
    platform::AudioLock lock;
    engine.sounds[s].Stop();
}

void Rewind(Sound s) {
    Log(std::string("rewind ") + Files[s]);
    FinishSounds();
    platform::AudioLock lock;
    engine.sounds[s].Rewind();
}

void PlayFromStart(Sound s) {
    Rewind(s);
    PlayOnce(s);
}

void LoadPiece(Player p, const std::string& file, int repeats, int loopStart, int loopEnd) {
    Log(std::string(PlayerName(p)) + " load " + file + " repeats " + std::to_string(repeats) +
        (loopStart != NoLoop ? " loop " + std::to_string(loopStart) + "-" + std::to_string(loopEnd) : ""));
    if (!ReadySynth()) return;
    const std::string path = data::ProgramFile("mid/" + file);
    std::string bytes;
    try {
        bytes = data::ReadWholeFile(path, data::ShippedFileLimit);
        if (!WholeMidi(bytes)) throw data::FatalError(path + ": not a standard MIDI file, or not whole");
    } catch (const data::FatalError& e) {
        // One piece of music is not worth the game: it stays silent.
        std::fprintf(stderr, "zintari: %s; that music is silent\n", e.what());
        bytes.clear();
    }
    engine.pieces[p] = {std::move(bytes), repeats, loopStart, loopEnd};
}

void PlayPiece(Player p) {
    Log(std::string(PlayerName(p)) + " play");
    MidiPlayer* synth = ReadySynth();
    const Piece& piece = engine.pieces[p];
    if (!synth || piece.midi.empty()) return;  // a silent piece leaves the music as it is
    platform::AudioLock lock;
    synth->Load(piece.midi, piece.repeats, piece.loopStart, piece.loopEnd);
    synth->Play();
    engine.sounding = p;
}

void StopAll(Player p) {
    Log(std::string(PlayerName(p)) + " stop");
    if (MidiPlayer* synth = SynthOf(p)) {
        platform::AudioLock lock;
        synth->Stop();
    }
}

void MixForTest(int16_t* out, int frames) {
    FinishLoading();
    platform::AudioLock lock;
    Mix(out, frames);
}

bool SoundPlaying(Sound s) {
    FinishSounds();
    platform::AudioLock lock;
    return engine.sounds[s].Playing();
}
int SoundPosition(Sound s) {
    FinishSounds();
    platform::AudioLock lock;
    return engine.sounds[s].Position();
}
int SoundFrames(Sound s) {
    FinishSounds();
    return engine.sounds[s].Frames();  // fixed once loaded
}
bool MusicReady() { return ReadySynth() != nullptr; }

int PieceTick(Player p) {
    MidiPlayer* synth = SynthOf(p);
    platform::AudioLock lock;
    return synth ? synth->Tick() : -1;
}

int PieceVoices(Player p) {
    MidiPlayer* synth = SynthOf(p);
    platform::AudioLock lock;
    return synth ? synth->ActiveVoices() : 0;
}

bool PieceRendering(Player p) {
    MidiPlayer* synth = SynthOf(p);
    platform::AudioLock lock;
    return synth && synth->Rendering();
}

}  // namespace audio
