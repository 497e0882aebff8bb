#include "data/preferences.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <optional>

#include "data/fields.h"
#include "data/files.h"
#include "game/state.h"

namespace data {

namespace {

constexpr const char* PrefsFile = "prefs.znd";
constexpr const char* PlainName = "prefs.txt";

}  // namespace

namespace {

// The five values in the order of the file.
using Values = std::array<uint8_t, 5>;

std::optional<Values> ReadValues(const std::string& text) {
    FieldReader in(text);
    Values values;
    for (uint8_t& v : values) {
        const auto n = in.NextNumber(0, 255);
        if (!n) return std::nullopt;
        v = uint8_t(*n);
    }
    return values;
}

std::string TextOf(const Values& values) {
    std::string text;
    for (uint8_t v : values) text += std::to_string(v) + "\r\n";
    return text + "\"Rise and fall it is just so always\"\r\n";
}

}  // namespace

bool ParsePreferences(const std::string& text) {
    const std::optional<Values> v = ReadValues(text);
    if (!v) return false;
    MusicOn = (*v)[0];
    SoundOn = (*v)[1];
    Difficulty = (*v)[2];
    RotationMode = (*v)[3];
    LevelsUnlocked = (*v)[4];
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
            std::fprintf(stderr, "zintari: %s: %s %d is out of range; using %d\n", UserFile(PrefsFile).c_str(), o.name,
                         o.value, o.fallback);
            o.value = uint8_t(o.fallback);
        }
}

SaveResult Preferences(const std::string& mode) {
    if (mode == "load") {
        LoadUserFile(PrefsFile, PlainName, ParsePreferences, "a preferences file");
        KeepPreferencesInRange();
        return {};
    }
    // The options are the player's latest choice; of the open levels, the
    // most that this copy of the game or another has opened.
    uint8_t opened = LevelsUnlocked;
    const SaveResult result = SaveUserFile(PrefsFile, PlainName, [&](const std::string* current) {
        opened = LevelsUnlocked;
        if (current) {
            const std::optional<Values> file = ReadValues(*current);
            if (!file) return std::optional<std::string>();
            opened = std::max(opened, std::min((*file)[4], uint8_t(LevelCount)));
        }
        return std::optional(TextOf({MusicOn, SoundOn, Difficulty, RotationMode, opened}));
    });
    if (result) LevelsUnlocked = opened;
    return result;
}

}  // namespace data
