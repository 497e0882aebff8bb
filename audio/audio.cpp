#include "audio/audio.h"

namespace audio {

namespace {
constexpr const char* Files[SoundCount] = {"intro.wav",   "line.wav",  "sb.wav",          "finished.wav",
                                           "deogratias.wav", "clear2l.wav", "rain.wav", "deogratias2.wav",
                                           "bang.wav",    "cross.wav", "gameover.wav"};
const char* PlayerName(Player p) { return p == MusicPlayer ? "music" : "helpmusic"; }
}  // namespace

const char* SoundFile(Sound s) { return Files[s]; }

std::vector<std::string>& SoundLog() {
    static std::vector<std::string> log;
    return log;
}

void SoundSetup() {}
void MusicSetup() {}
void AudioShutdown() {}

void PlayOnce(Sound s) { SoundLog().push_back(std::string("play ") + Files[s] + " once"); }
void PlayLooping(Sound s) { SoundLog().push_back(std::string("play ") + Files[s] + " loop"); }
void Stop(Sound s) { SoundLog().push_back(std::string("stop ") + Files[s]); }
void Rewind(Sound s) { SoundLog().push_back(std::string("rewind ") + Files[s]); }

void LoadPiece(Player p, const std::string& file, int repeats, int loopStart, int loopEnd) {
    SoundLog().push_back(std::string(PlayerName(p)) + " load " + file + " repeats " + std::to_string(repeats) +
                         (loopStart != NoLoop ? " loop " + std::to_string(loopStart) + "-" + std::to_string(loopEnd)
                                              : ""));
}
void PlayPiece(Player p) { SoundLog().push_back(std::string(PlayerName(p)) + " play"); }
void StopAll(Player p) { SoundLog().push_back(std::string(PlayerName(p)) + " stop"); }

}  // namespace audio
