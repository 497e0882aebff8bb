// The MIDI synthesiser: fluidsynth with one sequencer, rendered inside the
// sound device's callback. It plays one piece at a time, a number of times,
// or repeating a loop between two points in music time.
#pragma once
#include <fluidsynth.h>

#include <string>

namespace audio {

// The synthesiser's output level: the soundfont's instruments are quiet at
// fluidsynth's default of 0.2. The content generator renders at the same gain.
inline constexpr float SynthGain = 0.5f;

class MidiPlayer {
public:
    // Loads the soundfont; Ready() tells whether that worked.
    explicit MidiPlayer(const std::string& soundfont);
    ~MidiPlayer();
    MidiPlayer(const MidiPlayer&) = delete;
    MidiPlayer& operator=(const MidiPlayer&) = delete;
    bool Ready() const { return synth_ != nullptr; }

    // Keeps a standard MIDI file for the next Play. With loop points (both
    // not negative) the stretch between them is repeated `repeats` times
    // before the piece goes on to its end; without, the whole piece is.
    void Load(std::string midiFile, int repeats, int loopStart, int loopEnd);
    // Starts the loaded piece from its beginning in place of the one playing.
    void Play();
    // Stops at once (with a 10 ms fade so that it does not click).
    void Stop();

    // Adds the next frames to an interleaved stereo mix. Renders in whole
    // synthesiser blocks so that the seek of a loop is seen block by block.
    void MixInto(float* mix, int frames);

    // Position in music time; -1 when nothing plays.
    int Tick() const;
    int ActiveVoices() const;
    // Whether the synthesiser still renders: the piece, its stop fade or the
    // reverb ringing on after the last voice. Idle, it costs nothing.
    bool Rendering() const { return blockSounding_; }

    static constexpr int BlockFrames = 64;  // fluidsynth's own block size

private:
    static int OnTick(void* self, int tick);
    static int OnEvent(void* self, fluid_midi_event_t* event);
    void ReleasePlayer();
    void SilenceSynth();
    void RenderBlock(float* mix);

    fluid_settings_t* settings_ = nullptr;
    fluid_synth_t* synth_ = nullptr;
    fluid_player_t* player_ = nullptr;

    std::string piece_;
    int repeats_ = 0, loopStart_ = -1, loopEnd_ = -1;

    // Loop state, touched only by the callbacks of the render.
    int loopsLeft_ = 0;
    bool seekPending_ = false;     // asked for; fluidsynth takes it in the next block
    bool seekInThisBlock_ = false; // the block now rendered carries out the seek

    int fadeLeft_ = 0;  // frames of the stop fade still to go
    int tailLeft_ = 0;  // frames of reverb tail to render after the last voice

    // The block rendered last, handed out in the device's own portions.
    float block_[2 * BlockFrames] = {};
    int blockUsed_ = BlockFrames;
    bool blockSounding_ = false;
};

}  // namespace audio
