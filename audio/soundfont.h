// The soundfont the music is played with (the content generator renders the
// jingles with it too): the first of these places that holds one, where
// Debian and Ubuntu, then Fedora and Arch put a General MIDI soundfont. A
// packager may put another first with the build's ZINTARI_SOUNDFONT.
// Without any the music is silent and the game goes on.
#pragma once
#include <filesystem>
#include <string>

namespace audio {

inline constexpr const char* SoundFontPlaces[] = {
#ifdef ZINTARI_SOUNDFONT
    ZINTARI_SOUNDFONT,
#endif
    "/usr/share/sounds/sf2/TimGM6mb.sf2",   "/usr/share/sounds/sf2/FluidR3_GM.sf2",
    "/usr/share/sounds/sf2/default-GM.sf2", "/usr/share/soundfonts/default.sf2",
    "/usr/share/soundfonts/FluidR3_GM.sf2",
};

// The first place that holds a soundfont, else the first place.
inline std::string SoundFontPath() {
    std::error_code ignored;
    for (const char* place : SoundFontPlaces)
        if (std::filesystem::is_regular_file(place, ignored)) return place;
    return SoundFontPlaces[0];
}

}  // namespace audio
