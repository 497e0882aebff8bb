#include "audio/music.h"

#include <algorithm>

namespace audio {

namespace {
constexpr int FadeFrames = 7 * MidiPlayer::BlockFrames;  // about 10 ms
constexpr int TailFrames = 2 * 44100;                     // the reverb rings on after the last voice
constexpr int AllSoundOff = 120, ResetAllControllers = 121;
}  // namespace

MidiPlayer::MidiPlayer(const std::string& soundfont) {
    settings_ = new_fluid_settings();
    fluid_settings_setnum(settings_, "synth.sample-rate", 44100.0);
    fluid_settings_setnum(settings_, "synth.gain", SynthGain);
    // Every call is made with the device's callback held off.
    fluid_settings_setint(settings_, "synth.threadsafe-api", 0);
    // A repeat goes straight on: no reset that would cut the notes still sounding.
    fluid_settings_setint(settings_, "player.reset-synth", 0);
    // Every instrument's samples are read with the soundfont, on the
    // loader's thread: read when a piece first chose an instrument, they
    // would be read on the sound thread, where a slow disk or a loaded
    // machine breaks the sound up (up to 47 ms seen, against a 23 ms buffer).
    synth_ = new_fluid_synth(settings_);
    if (synth_ && fluid_synth_sfload(synth_, soundfont.c_str(), 1) == FLUID_FAILED) {
        delete_fluid_synth(synth_);
        synth_ = nullptr;
    }
}

MidiPlayer::~MidiPlayer() {
    ReleasePlayer();
    if (synth_) delete_fluid_synth(synth_);
    delete_fluid_settings(settings_);
}

void MidiPlayer::Load(std::string midiFile, int repeats, int loopStart, int loopEnd) {
    piece_ = std::move(midiFile);
    repeats_ = std::max(0, repeats);
    const bool looped = loopStart >= 0 && loopEnd > loopStart;
    loopStart_ = looped ? loopStart : -1;
    loopEnd_ = looped ? loopEnd : -1;
}

void MidiPlayer::Play() {
    if (!synth_ || piece_.empty()) return;
    if (fadeLeft_ > 0) SilenceSynth();
    ReleasePlayer();
    // Notes of the piece that played before die away naturally.
    fluid_synth_all_notes_off(synth_, -1);
    for (int channel = 0; channel < 16; ++channel) fluid_synth_cc(synth_, channel, ResetAllControllers, 0);

    player_ = new_fluid_player(synth_);
    if (!player_) return;
    fluid_player_set_playback_callback(player_, OnEvent, this);
    fluid_player_set_tick_callback(player_, OnTick, this);
    fluid_player_add_mem(player_, piece_.data(), piece_.size());
    // fluidsynth counts passes in all; the loop points repeat by seeking instead.
    fluid_player_set_loop(player_, loopEnd_ >= 0 ? 1 : repeats_ + 1);
    loopsLeft_ = loopEnd_ >= 0 ? repeats_ : 0;
    seekPending_ = seekInThisBlock_ = false;
    fluid_player_play(player_);
}

void MidiPlayer::Stop() {
    if (!synth_) return;
    const bool sounding = player_ || fluid_synth_get_active_voice_count(synth_) > 0 || tailLeft_ > 0;
    ReleasePlayer();
    if (sounding && fadeLeft_ == 0) fadeLeft_ = FadeFrames;
}

void MidiPlayer::ReleasePlayer() {
    if (!player_) return;
    delete_fluid_player(player_);
    player_ = nullptr;
    seekPending_ = seekInThisBlock_ = false;
}

void MidiPlayer::SilenceSynth() {
    // Controllers and the effects' memory start afresh. The reset leaves the
    // voices the sequencer started sounding: they are silenced after it.
    fluid_synth_system_reset(synth_);
    fluid_synth_all_sounds_off(synth_, -1);
    // The synthesiser carries that out in its next block, which is thrown away.
    float discarded[2 * BlockFrames];
    fluid_synth_write_float(synth_, BlockFrames, discarded, 0, 2, discarded, 1, 2);
    fadeLeft_ = tailLeft_ = 0;
}

int MidiPlayer::Tick() const {
    if (!player_ || fluid_player_get_status(player_) != FLUID_PLAYER_PLAYING) return -1;
    return fluid_player_get_current_tick(player_);
}

int MidiPlayer::ActiveVoices() const { return synth_ ? fluid_synth_get_active_voice_count(synth_) : 0; }

void MidiPlayer::MixInto(float* mix, int frames) {
    if (!synth_) return;
    while (frames > 0) {
        if (blockUsed_ == BlockFrames) {
            RenderBlock(block_);
            blockUsed_ = 0;
        }
        const int n = std::min(frames, BlockFrames - blockUsed_);
        if (blockSounding_)
            for (int i = 0; i < 2 * n; ++i) mix[i] += block_[2 * blockUsed_ + i];
        blockUsed_ += n;
        mix += 2 * n;
        frames -= n;
    }
}

void MidiPlayer::RenderBlock(float* block) {
    const bool playing = player_ && fluid_player_get_status(player_) == FLUID_PLAYER_PLAYING;
    blockSounding_ = playing || tailLeft_ > 0 || fadeLeft_ > 0 || fluid_synth_get_active_voice_count(synth_) > 0;
    if (!blockSounding_) return;  // idle: nothing to render

    // A seek asked for in the last block is carried out at the start of this one.
    seekInThisBlock_ = seekPending_;
    fluid_synth_write_float(synth_, BlockFrames, block, 0, 2, block, 1, 2);

    if (fadeLeft_ > 0) {
        for (int i = 0; i < BlockFrames; ++i) {
            const float gain = float(std::max(0, fadeLeft_ - i)) / float(FadeFrames);
            block[2 * i] *= gain;
            block[2 * i + 1] *= gain;
        }
        fadeLeft_ -= BlockFrames;
        if (fadeLeft_ <= 0) SilenceSynth();
        return;
    }
    if (playing || fluid_synth_get_active_voice_count(synth_) > 0)
        tailLeft_ = TailFrames;
    else
        tailLeft_ = std::max(0, tailLeft_ - BlockFrames);
}

int MidiPlayer::OnTick(void* data, int tick) {
    auto* self = static_cast<MidiPlayer*>(data);
    if (self->loopEnd_ < 0) return FLUID_OK;
    if (tick < self->loopEnd_) {
        self->seekPending_ = false;  // the seek has been made (or none was due)
        return FLUID_OK;
    }
    // fluidsynth refuses a second seek while one is outstanding.
    if (!self->seekPending_ && self->loopsLeft_ > 0 && fluid_player_seek(self->player_, self->loopStart_) == FLUID_OK) {
        self->seekPending_ = true;
        --self->loopsLeft_;
    }
    return FLUID_OK;
}

int MidiPlayer::OnEvent(void* data, fluid_midi_event_t* event) {
    auto* self = static_cast<MidiPlayer*>(data);
    const int type = fluid_midi_event_get_type(event);
    const int channel = fluid_midi_event_get_channel(event);

    // The block in which the tick reaches the loop end sends that block's
    // notes before the tick is reported; notes at or past the end belong to
    // no pass of the loop, since the seek takes the music back.
    if (type == 0x90 && fluid_midi_event_get_velocity(event) > 0 && self->loopEnd_ >= 0 &&
        !self->seekInThisBlock_ && (self->loopsLeft_ > 0 || self->seekPending_) &&
        fluid_player_get_current_tick(self->player_) >= self->loopEnd_)
        return FLUID_OK;

    // The seek silences the channels that play: let their notes release
    // instead, so that the jump does not click.
    if (type == 0xB0 && fluid_midi_event_get_control(event) == AllSoundOff)
        return fluid_synth_all_notes_off(self->synth_, channel);

    return fluid_synth_handle_midi_event(self->synth_, event);
}

}  // namespace audio
