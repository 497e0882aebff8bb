#include "tools/audio/render.h"

#include <fluidsynth.h>

#include <algorithm>
#include <cmath>
#include <tuple>

#include "audio/audio.h"
#include "audio/soundfont.h"
#include "audio/music.h"
#include "tools/content.h"

namespace content {

size_t FrameAt(const Song& song, int tick) { return size_t(std::llround(song.Seconds(tick) * SampleRate)); }

Stereo RenderSong(const Song& song, double tailSeconds) {
    fluid_settings_t* settings = new_fluid_settings();
    fluid_settings_setnum(settings, "synth.sample-rate", double(SampleRate));
    fluid_settings_setnum(settings, "synth.gain", audio::SynthGain);
    fluid_synth_t* synth = new_fluid_synth(settings);
    const std::string soundfont = audio::SoundFontPath();
    if (!synth || fluid_synth_sfload(synth, soundfont.c_str(), 1) == FLUID_FAILED)
        Fail("cannot load the soundfont " + soundfont);

    std::vector<MidiEvent> events = song.Events();
    std::stable_sort(events.begin(), events.end(),
                     [](const MidiEvent& a, const MidiEvent& b) { return std::tie(a.tick, a.order) < std::tie(b.tick, b.order); });
    const size_t total = FrameAt(song, song.End()) + size_t(tailSeconds * SampleRate);
    Stereo out(total);
    size_t done = 0;
    auto renderTo = [&](size_t frame) {
        frame = std::min(frame, total);
        if (frame > done)
            fluid_synth_write_float(synth, int(frame - done), out.left.data(), int(done), 1, out.right.data(), int(done), 1);
        done = std::max(done, frame);
    };
    for (const MidiEvent& e : events) {
        renderTo(FrameAt(song, e.tick));
        const int channel = e.bytes[0] & 0x0F;
        switch (e.bytes[0] & 0xF0) {
        case 0x90: fluid_synth_noteon(synth, channel, e.bytes[1], e.bytes[2]); break;
        case 0x80: fluid_synth_noteoff(synth, channel, e.bytes[1]); break;
        case 0xB0: fluid_synth_cc(synth, channel, e.bytes[1], e.bytes[2]); break;
        case 0xC0: fluid_synth_program_change(synth, channel, e.bytes[1]); break;
        }
    }
    renderTo(total);
    delete_fluid_synth(synth);
    delete_fluid_settings(settings);
    return out;
}

}  // namespace content
