// libFuzzer targets for every file a player can touch or damage. Each
// reader must end in its value or in a clear FatalError, never a crash or
// a read out of bounds. The target is chosen at build time.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "data/fields.h"
#include "data/files.h"
#include "data/preferences.h"
#include "data/scores.h"
#include "game/state.h"
#include "platform/font.h"
#include "platform/key_bindings.h"
#include "replay/format.h"
#include "shell/screens.h"

namespace {

void Levels(const std::string& text) {
    try {
        platform::ParseLevelsAndFont(text);
        // What was read must be usable: drawing and measuring stay inside the sheet.
        for (const LevelInfo& row : LevelTable) (void)platform::TextWidth(row.Title);
    } catch (const data::FatalError&) {
    }
}

void Preferences(const std::string& text) {
    if (!data::ParsePreferences(text)) return;
    data::KeepPreferencesInRange();
    if (MusicOn > 1 || SoundOn > 1 || Difficulty < 1 || Difficulty > 3 || LevelsUnlocked < 1 ||
        LevelsUnlocked > LevelCount)
        __builtin_trap();
}

void Scores(const std::string& text) {
    if (!data::ParseScores(text)) return;
    // A table read back from its own text is the same table.
    const auto names = ScoreNames;
    const auto values = ScoreValues;
    if (!data::ParseScores(data::ScoresText()) || ScoreValues != values || ScoreNames != names) __builtin_trap();
}

void Help(const std::string& text) { (void)shell::ParseHelp(text); }

void Replay(const std::string& bytes) {
    // A file is either a recording or refused with a reason; every record
    // kept walks through whole, and the end is an End record.
    const replay::ReadResult read = replay::ReadRecording(bytes);
    if (read.recording.has_value() == !read.trouble.empty()) __builtin_trap();
    if (!read.recording) return;
    const replay::Recording& r = *read.recording;
    replay::Decoder d(r.records);
    while (!d.AtEnd())
        if (!replay::SkipRecord(replay::Tag(d.Byte()), d)) __builtin_trap();
    if (r.endAt && r.records[*r.endAt] != char(replay::Tag::End)) __builtin_trap();
}

// A scratch folder for the files the codec target writes, removed at exit.
const std::string& ScratchFolder() {
    static const std::string folder = [] {
        const std::string f = data::MakeTempFolder();
        data::SetFolders(f, f, f);
        std::atexit(data::RemoveTempFolder);
        return f;
    }();
    return folder;
}

void Codec(const std::string& text) {
    // Byte i goes with key byte i mod the key's length, whatever the length.
    std::string scrambled = text;
    data::ScrambleBytes(scrambled, DataKey);
    const std::string key = DataKey;
    for (size_t i = 0; i < text.size(); ++i)
        if (scrambled[i] != char(text[i] ^ key[i % key.size()])) __builtin_trap();
    // A saved file read back through its plain copy is the text again; only
    // an empty text is refused.
    const std::string path = ScratchFolder() + "/fuzz.znd";
    if (!data::SaveUserFile("fuzz.znd", "fuzz.txt", [&](const std::string*) { return std::optional(text); })) {
        if (!text.empty()) __builtin_trap();
        return;
    }
    const data::PlainCopy plain(path, "fuzz.txt", data::PlayerFileLimit);
    if (plain.Contents() != text) __builtin_trap();
}

void Keys(const std::string& text) {
    // Every complaint names a line of the text.
    const size_t lines = size_t(std::count(text.begin(), text.end(), '\n')) + 1;
    for (const std::string& complaint : platform::ParseKeyBindings(text).complaints)
        if (complaint.rfind("line ", 0) != 0 || std::stoul(complaint.substr(5)) > lines) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    ZINTARI_FUZZ_TARGET(text);
    return 0;
}
