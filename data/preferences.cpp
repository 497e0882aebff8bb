#include "data/preferences.h"

#include <cstdio>

#include "data/fields.h"
#include "data/files.h"
#include "game/state.h"

namespace data {

namespace {

constexpr const char* PrefsFile = "prefs.znd";
constexpr const char* PlainName = "prefs.txt";

}  // namespace

bool ParsePreferences(const std::string& text) {
    FieldReader in(text);
    uint8_t values[5];
    for (uint8_t& v : values) {
        const auto n = in.NextNumber(0, 255);
        if (!n) return false;
        v = uint8_t(*n);
    }
    MusicOn = values[0];
    SoundOn = values[1];
    Difficulty = values[2];
    RotationMode = values[3];
    LevelsUnlocked = values[4];
    return true;
}

void KeepPreferencesInRange() {
    struct Option {
        const char* name;
        uint8_t& value;
        int low, high, fallback;
    };
    const Option options[] = {
        {"music", MusicOn, 0, 1, 1},
        {"sound", SoundOn, 0, 1, 1},
        {"difficulty", Difficulty, 1, 3, 2},
        {"open levels", LevelsUnlocked, 1, LevelCount, LevelsUnlocked < 1 ? 1 : LevelCount},
    };
    // The rotation mode has no range: 0 turns colours, any other value blocks.
    for (const Option& o : options)
        if (o.value < o.low || o.value > o.high) {
            std::fprintf(stderr, "zintari: preferences: %s %d is out of range; using %d\n", o.name, o.value, o.fallback);
            o.value = uint8_t(o.fallback);
        }
}

bool Preferences(const std::string& mode) {
    if (mode == "save") {
        return WriteScrambled(UserFile(PrefsFile), PlainName,
                              std::to_string(MusicOn) + "\r\n" + std::to_string(SoundOn) + "\r\n" +
                                  std::to_string(Difficulty) + "\r\n" + std::to_string(RotationMode) + "\r\n" +
                                  std::to_string(LevelsUnlocked) + "\r\n\"Rise and fall it is just so always\"\r\n");
    }
    LoadUserFile(PrefsFile, PlainName, ParsePreferences, "a preferences file");
    KeepPreferencesInRange();
    return true;
}

}  // namespace data
