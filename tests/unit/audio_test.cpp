// The sound engine without a device: the buffers' positions and the MIDI
// players' loops, read from the mix that the device's callback would get.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "audio/audio.h"
#include "audio/soundfont.h"
#include "data/files.h"
#include "harness.h"

namespace {

using namespace audio;

std::vector<int16_t> Mix(int frames) {
    std::vector<int16_t> out(size_t(frames) * 2);
    MixForTest(out.data(), frames);
    return out;
}

int Peak(const std::vector<int16_t>& samples) {
    int peak = 0;
    for (int16_t s : samples) peak = std::max(peak, std::abs(int(s)));
    return peak;
}

// The loudest sample of one side (0 left, 1 right) in frames [from, to).
int SidePeak(const std::vector<int16_t>& samples, int side, int from, int to) {
    int peak = 0;
    for (int f = from; f < to; ++f) peak = std::max(peak, std::abs(int(samples[size_t(2 * f + side)])));
    return peak;
}

// The first frames of a sound as its file holds them (the generator writes a
// 44-byte header), as the mix has them: a mono sound alike on both sides.
std::vector<int16_t> FromFile(Sound s, size_t frames) {
    const std::string file = data::ReadWholeFile(data::ProgramFile(std::string("wav/") + SoundFile(s)), SIZE_MAX);
    const size_t channels = size_t(file[22]);
    std::vector<int16_t> stereo(2 * frames);
    for (size_t i = 0; i < stereo.size(); ++i)
        std::memcpy(&stereo[i], file.data() + 44 + 2 * (channels * (i / 2) + (channels - 1) * (i % 2)), 2);
    return stereo;
}

class AudioTest : public test::Headless {
protected:
    void TearDown() override {
        AudioShutdown();
        Headless::TearDown();
    }
};

TEST_F(AudioTest, PlayOnceStopsAtTheEndBackAtZeroLoopingWrapsAndStopKeepsThePosition) {
    SoundSetup();
    const int length = SoundFrames(SbWav);
    ASSERT_GT(length, 1000);
    PlayOnce(SbWav);  // a mono sound
    EXPECT_EQ(Mix(1000), FromFile(SbWav, 1000));
    EXPECT_EQ(SoundPosition(SbWav), 1000);
    Mix(length);  // past the end
    EXPECT_FALSE(SoundPlaying(SbWav));
    EXPECT_EQ(SoundPosition(SbWav), 0);
    EXPECT_EQ(Peak(Mix(1000)), 0);
    PlayOnce(SbWav);
    Mix(length);  // ends exactly with the buffer: done, not played again
    EXPECT_FALSE(SoundPlaying(SbWav));
    EXPECT_EQ(Peak(Mix(1000)), 0);

    PlayLooping(SbWav);
    Mix(length + 300);
    EXPECT_TRUE(SoundPlaying(SbWav));
    EXPECT_EQ(SoundPosition(SbWav), 300);
    Stop(SbWav);
    EXPECT_EQ(Peak(Mix(500)), 0);
    EXPECT_EQ(SoundPosition(SbWav), 300);
    PlayLooping(SbWav);  // goes on from where it stopped
    Mix(200);
    EXPECT_EQ(SoundPosition(SbWav), 500);
}

TEST_F(AudioTest, RewindRestartsAPlayingSoundAndPlayingItAgainNeitherDoublesNorRestartsIt) {
    SoundSetup();
    PlayOnce(CrossWav);  // alone from its start: one copy, as its file holds it
    const auto reference = Mix(3000);
    EXPECT_EQ(reference, FromFile(CrossWav, 3000));
    Stop(CrossWav);
    Rewind(CrossWav);
    PlayOnce(CrossWav);
    auto first = Mix(1000);
    PlayOnce(CrossWav);
    auto rest = Mix(2000);
    first.insert(first.end(), rest.begin(), rest.end());
    EXPECT_EQ(first, reference);

    Rewind(CrossWav);  // still playing: from the top again
    EXPECT_TRUE(SoundPlaying(CrossWav));
    EXPECT_EQ(Mix(3000), reference);
    Stop(CrossWav);
    Rewind(CrossWav);
    EXPECT_FALSE(SoundPlaying(CrossWav));
    EXPECT_EQ(Peak(Mix(100)), 0);
}

TEST_F(AudioTest, AMissingWavFileStopsTheStartWithItsPath) {
    data::SetFolders(tempDir, userDir, tempDir);
    SoundSetup();  // the files are read meanwhile: the error comes when they are needed
    try {
        FinishLoading();
        FAIL() << "no error";
    } catch (const data::FatalError& e) {
        EXPECT_EQ(std::string(e.what()), data::ProgramFile("wav/intro.wav") + ": missing");
    }
    std::filesystem::create_directories(tempDir + "/wav");
    for (int s = 0; s < SoundCount; ++s) data::WriteFileAtomically(tempDir + "/wav/" + SoundFile(Sound(s)), "RIFF junk");
    SoundSetup();
    EXPECT_THROW(PlayOnce(LineWav), data::FatalError);
}

// The root mean square of each stretch of so many frames.
std::vector<double> Loudness(const std::vector<int16_t>& sound, size_t frames) {
    std::vector<double> rms(sound.size() / (2 * frames));
    for (size_t i = 0; i < rms.size() * 2 * frames; ++i) rms[i / (2 * frames)] += double(sound[i]) * sound[i];
    for (double& r : rms) r = std::sqrt(r / double(2 * frames));
    return rms;
}

// The tunes in turn as the screens play them, the two MIDI players on one
// soundfont: the menu tune, the help tune, the menu tune again, a level
// tune, the help tune again. Each sounds from its start with no gap (no
// 50 ms below -70 dB); the help tune, after the level tune, is as loud as
// the first time all along.
TEST_F(AudioTest, TheMenuTuneAndTheHelpTuneTakeTurnsWithNoGapInEither) {
    SoundSetup();
    MusicSetup();
    ASSERT_TRUE(MusicReady());
    PlayLooping(IntroWav);  // the main menu
    const auto menu = Mix(2 * 44100);
    Stop(IntroWav);  // Quick Help
    LoadPiece(HelpMusicPlayer, "piano.mid", 999, 11000, 152500);
    PlayPiece(HelpMusicPlayer);
    const auto help = Mix(3 * 44100);
    Rewind(IntroWav);  // back to the menu
    StopAll(HelpMusicPlayer);
    Mix(512);  // the fade
    PlayLooping(IntroWav);
    const auto menuAgain = Mix(2 * 44100);
    Stop(IntroWav);  // a level
    LoadPiece(MusicPlayer, "mid0.Mid", 999);
    PlayPiece(MusicPlayer);
    StopAll(HelpMusicPlayer);  // not the one playing: the level tune goes on
    const auto level = Mix(3 * 44100);
    StopAll(MusicPlayer);
    Mix(512);
    PlayPiece(HelpMusicPlayer);  // Quick Help again
    const auto helpAgain = Mix(3 * 44100);

    const auto quietest = [](const std::vector<int16_t>& tune) {
        const auto rms = Loudness(tune, 2205);
        return *std::min_element(rms.begin(), rms.end());
    };
    EXPECT_GT(quietest(menu), 10);
    EXPECT_GT(quietest(help), 10);
    EXPECT_GT(quietest(level), 10);
    EXPECT_GT(quietest(helpAgain), 10);
    EXPECT_EQ(menuAgain, menu);
    const auto first = Loudness(help, 11025), again = Loudness(helpAgain, 11025);
    for (size_t i = 0; i < first.size(); ++i) EXPECT_NEAR(again[i] / first[i], 1.0, 0.05) << "quarter second " << i;
}

// A MIDI piece of one note on channel 0, written by the test: format 0,
// 768 ticks a quarter note, 120 beats a minute (a tick is 0.65 ms; a
// synthesiser block of 64 frames is about two ticks).
std::string OneNote(int tick, int length, int key, int program, int endTick) {
    const std::vector<std::pair<int, std::string>> events = {{tick, {char(0xC0), char(program)}},
                                                             {tick, {char(0x90), char(key), 110}},
                                                             {tick + length, {char(0x80), char(key), 0}},
                                                             {endTick, {char(0xFF), 0x2F, 0}}};
    std::string track;
    int last = 0;
    for (const auto& [at, bytes] : events) {
        int delta = at - last;
        last = at;
        std::string vlq(1, char(delta & 0x7F));
        while (delta >>= 7) vlq.insert(vlq.begin(), char(0x80 | (delta & 0x7F)));
        track += vlq + bytes;
    }
    auto u32 = [](size_t v) { return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; };
    return std::string("MThd\0\0\0\6\0\0\0\1\x03\x00", 14) + "MTrk" + u32(track.size()) + track;
}

class MidiTest : public AudioTest {
protected:
    void SetUp() override {
        AudioTest::SetUp();
        ASSERT_TRUE(data::FileExists(SoundFontPath())) << "no soundfont at " << SoundFontPath();
        const std::string program = tempDir + "/program";
        std::filesystem::create_directories(program + "/mid");
        data::SetFolders(program, userDir, tempDir);
        MusicSetup();
        ASSERT_TRUE(MusicReady());
    }
    static void Write(const std::string& name, const std::string& bytes) {
        data::WriteFileAtomically(data::ProgramFile("mid/" + name), bytes);
    }
    // Follows the player block by block: the ticks seen, the blocks'
    // loudest samples, and the blocks before and after each jump back.
    struct Trace {
        std::vector<int> ticks, peaks;
        std::vector<std::pair<size_t, size_t>> wraps;
    };
    Trace Follow(Player p, double seconds) {
        Trace t;
        for (size_t i = 0; i < size_t(seconds * 44100 / 64); ++i) {
            t.peaks.push_back(Peak(Mix(64)));
            t.ticks.push_back(PieceTick(p));
            if (i && t.ticks[i] >= 0 && t.ticks[i] < t.ticks[i - 1]) t.wraps.push_back({i - 1, i});
        }
        return t;
    }
};

TEST_F(MidiTest, TheLoopRepeatsItsCountAndNotesAtItsEndWaitForTheLastPass) {
    // Silence up to the loop end, where a note starts: it may sound only when
    // the repeats are used up and the piece goes on past the loop.
    Write("loop.mid", OneNote(1536, 1536, 72, 56, 3072));
    LoadPiece(HelpMusicPlayer, "loop.mid", 3, 384, 1536);
    PlayPiece(HelpMusicPlayer);
    const Trace trace = Follow(HelpMusicPlayer, 9.0);

    ASSERT_EQ(trace.wraps.size(), 3u);
    for (const auto& [from, to] : trace.wraps) {
        EXPECT_TRUE(test::Between(trace.ticks[from], 1536, 1536 + 7));  // at or past the end, never before
        EXPECT_TRUE(test::Between(trace.ticks[to], 384, 384 + 7));       // back at the start of the loop
    }
    const size_t lastWrap = trace.wraps.back().second;
    for (size_t i = 0; i < lastWrap; ++i) ASSERT_EQ(trace.peaks[i], 0) << "block " << i << " tick " << trace.ticks[i];
    EXPECT_GT(*std::max_element(trace.peaks.begin() + long(lastWrap), trace.peaks.end()), 1000);
    EXPECT_EQ(trace.ticks.back(), -1);  // the piece has ended
}

TEST_F(MidiTest, WithoutLoopPointsTheWholePieceRepeats) {
    Write("whole.mid", OneNote(0, 700, 67, 0, 768));
    LoadPiece(MusicPlayer, "whole.mid", 2, NoLoop, NoLoop);
    PlayPiece(MusicPlayer);
    const Trace trace = Follow(MusicPlayer, 8.0);
    EXPECT_EQ(trace.wraps.size(), 2u);  // three passes in all
    EXPECT_EQ(trace.ticks.back(), -1);
}

TEST_F(MidiTest, TheReverbRingsForTwoSecondsAfterTheLastVoiceThenTheSynthesiserRests) {
    Write("short.mid", OneNote(0, 300, 67, 0, 384));
    LoadPiece(MusicPlayer, "short.mid", 0);
    PlayPiece(MusicPlayer);
    for (int block = 0; PieceTick(MusicPlayer) >= 0 || PieceVoices(MusicPlayer) > 0; ++block) {
        ASSERT_LT(block, 5000);
        Mix(64);
    }
    int tail = 0;
    for (; PieceRendering(MusicPlayer); ++tail) {
        ASSERT_LT(tail, 2000);
        Mix(64);
    }
    EXPECT_TRUE(test::Between(64 * tail, 2 * 44100, 2 * 44100 + 3 * 64));
}

TEST_F(MidiTest, StopAllSilencesAtOnceAndPlayStartsAgainFromTheTop) {
    Write("organ.mid", OneNote(0, 3000, 60, 19, 3072));
    LoadPiece(MusicPlayer, "organ.mid", 999);
    PlayPiece(MusicPlayer);
    const auto playing = Mix(22050);
    EXPECT_GT(Peak(playing), 1000);
    StopAll(MusicPlayer);
    // The rest of the block the device had already been given (30 frames),
    // then the fade of seven blocks, both sides alike: its last two blocks
    // are below a third of what played.
    const auto fade = Mix(512);
    for (int side = 0; side < 2; ++side)
        EXPECT_LT(3 * SidePeak(fade, side, 30 + 5 * 64, 30 + 7 * 64), SidePeak(playing, side, 0, 22050)) << side;
    EXPECT_EQ(Peak(Mix(4410)), 0);
    EXPECT_EQ(PieceTick(MusicPlayer), -1);
    PlayPiece(MusicPlayer);
    Mix(64);
    EXPECT_LT(PieceTick(MusicPlayer), 10);
    EXPECT_GT(Peak(Mix(4410)), 1000);
}

TEST_F(MidiTest, AMissingOrBrokenPieceIsSilentWithOneLineOnStderr) {
    Write("organ.mid", OneNote(0, 3000, 60, 19, 3072));
    Write("broken.mid", "RIFF, not a tune");
    for (const std::string file : {"piano.mid", "broken.mid"}) {
        LoadPiece(HelpMusicPlayer, "organ.mid", 999);  // the piece before goes too
        testing::internal::CaptureStderr();
        LoadPiece(HelpMusicPlayer, file, 999, 11000, 152500);
        PlayPiece(HelpMusicPlayer);
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ(Peak(Mix(4410)), 0) << file;
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
        EXPECT_NE(said.find(file), std::string::npos) << said;
    }
}

TEST_F(AudioTest, WithoutASoundfontTheMusicIsSilentAndTheGameGoesOn) {
    MusicSetupWith(tempDir + "/no-such.sf2");
    EXPECT_FALSE(MusicReady());
    LoadPiece(MusicPlayer, "mid0.Mid", 999);
    PlayPiece(MusicPlayer);
    EXPECT_EQ(Peak(Mix(4410)), 0);
    EXPECT_EQ(SoundLog(), (std::vector<std::string>{"music load mid0.Mid repeats 999", "music play"}));
}

}  // namespace

