// The game's sounds: eleven sampled sounds (effects, jingles and the menu
// tune) and two MIDI players. Every call is also written to an in-memory log
// that tests read. Without a sound device every call is silent.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace audio {

// The eleven sound buffers, named by their files, in loading order.
enum Sound {
    IntroWav,        // intro.wav: the menu tune, looping
    LineWav,         // line.wav: runs were found
    SbWav,           // sb.wav: a meter cell blinks in
    FinishedWav,     // finished.wav: level complete jingle
    DeogratiasWav,   // deogratias.wav: level intro jingle
    Clear2lWav,      // clear2l.wav: Sweep
    RainWav,         // rain.wav: Rain and Bomb
    Deogratias2Wav,  // deogratias2.wav: Airstone
    BangWav,         // bang.wav: Bomb explosions
    CrossWav,        // cross.wav: HolyCross
    GameOverWav,     // gameover.wav: game over
    SoundCount
};
const char* SoundFile(Sound s);  // "intro.wav"

// Loads the eleven WAV files from the program's wav folder and opens the
// sound device (a missing device leaves the game silent).
void SoundSetup();
// Prepares the two MIDI players: they take turns on one synthesiser, which
// holds the soundfont.
void MusicSetup();
// Waits until the sounds and the soundfont, read meanwhile, are ready; a
// sound file that could not be read raises its FatalError here.
void FinishLoading();
// Stops everything and releases the device.
void AudioShutdown();

// Buffer operations.
void PlayOnce(Sound s);     // from the current position; stops at the end
void PlayLooping(Sound s);  // repeats without end
void Stop(Sound s);         // the position stays where it stopped
void Rewind(Sound s);       // position 0; a playing sound restarts
void PlayFromStart(Sound s);  // Rewind, then PlayOnce: an effect or a jingle

// MIDI players.
enum Player { MusicPlayer, HelpMusicPlayer };
inline constexpr int NoLoop = -1;
// Loads a MIDI file from the program's mid folder for the player, with the
// number of repeats and optional loop points in music time (768 ticks a
// quarter note). Releases the piece loaded before. A file that is missing
// or not a standard MIDI file is said on stderr and leaves the player
// silent until the next piece.
void LoadPiece(Player p, const std::string& file, int repeats, int loopStart = NoLoop, int loopEnd = NoLoop);
void PlayPiece(Player p);
void StopAll(Player p);

// The log of sound operations, one line per call ("play intro.wav loop"),
// kept only once a test asks for it: a long game would grow it for nothing.
void KeepSoundLog(bool keep);
std::vector<std::string>& SoundLog();

// MusicSetup with another soundfont file.
void MusicSetupWith(const std::string& soundfont);

// For tests and benchmarks: the next frames of the mix (interleaved stereo at
// 44100 Hz), rendered exactly as the device's callback renders them.
void MixForTest(int16_t* out, int frames);
bool SoundPlaying(Sound s);
int SoundPosition(Sound s);  // in frames from the start
int SoundFrames(Sound s);
bool MusicReady();            // the soundfont is loaded
int PieceTick(Player p);      // position in music time, -1 when not playing
int PieceVoices(Player p);    // voices sounding or dying away
bool PieceRendering(Player p); // the synthesiser renders: the piece, its fade or its reverb tail

}  // namespace audio
