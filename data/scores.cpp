#include "data/scores.h"

#include <algorithm>

#include "data/fields.h"
#include "data/files.h"
#include "game/state.h"
#include "platform/keyboard.h"

namespace data {

namespace {

constexpr const char* PlainName = "scores.txt";

struct Table {
    std::array<std::string, ScoreEntries> names;
    std::array<int32_t, ScoreEntries> values;
};

std::optional<Table> ReadTable(const std::string& text) {
    FieldReader in(text);
    Table t;
    for (int i = 0; i < ScoreEntries; ++i) {
        const auto name = in.Next();
        const auto value = in.NextNumber(INT32_MIN, INT32_MAX);
        if (!name || !value) return std::nullopt;
        // A name keeps only what the name field accepts, so that it saves
        // back as it was read.
        platform::TextField field;
        field.Type(*name);
        t.names[size_t(i)] = field.text;
        t.values[size_t(i)] = int32_t(*value);
    }
    return t;
}

std::string TextOf(const Table& t) {
    std::string text;
    for (int i = 0; i < ScoreEntries; ++i)
        text += "\"" + t.names[size_t(i)] + "\"\r\n" + std::to_string(t.values[size_t(i)]) + "\r\n";
    return text;
}

void Insert(std::array<std::string, 10>& names, std::array<int32_t, 10>& values, const std::string& name,
            int32_t score) {
    values[9] = score;
    names[9] = name;
    SortScores(names, values);
    std::reverse(names.begin(), names.end());
    std::reverse(values.begin(), values.end());
}

}  // namespace

bool ParseScores(const std::string& text) {
    const std::optional<Table> t = ReadTable(text);
    if (!t) return false;
    ScoreNames = t->names;
    ScoreValues = t->values;
    UnsavedPlayers.clear();  // the table is the file's now
    return true;
}

std::optional<std::vector<EnteredPlayer>> ReadScoresFile(const std::string& path, std::string& trouble) {
    try {
        std::string text = ReadWholeFile(path, PlayerFileLimit);
        ScrambleBytes(text, DataKey);
        if (const std::optional<Table> t = ReadTable(text)) {
            std::vector<EnteredPlayer> players;
            for (int i = 0; i < ScoreEntries; ++i) players.push_back({t->names[size_t(i)], t->values[size_t(i)]});
            return players;
        }
        trouble = path + ": not a best players file";
    } catch (const FatalError& e) {
        trouble = e.what();
    }
    return std::nullopt;
}

std::string ScoresText() { return TextOf({ScoreNames, ScoreValues}); }

void LoadScores() { LoadUserFile(ScoresFile, PlainName, ParseScores, "a best players file"); }

SaveResult EnterBestPlayer(const std::string& name, int32_t score) {
    InsertScore(name, score);
    UnsavedPlayers.push_back({name, score});
    return SaveScores();
}

SaveResult SaveScores() {
    Table saved;
    const SaveResult result = SaveUserFile(ScoresFile, PlainName, [&](const std::string* current) {
        saved = {ScoreNames, ScoreValues};
        if (current) {
            const std::optional<Table> file = ReadTable(*current);
            if (!file) return std::optional<std::string>();
            saved = *file;
            for (const EnteredPlayer& p : UnsavedPlayers)
                if (p.score > saved.values[ScoreEntries - 1]) Insert(saved.names, saved.values, p.name, p.score);
        }
        return std::optional(TextOf(saved));
    });
    ScoresNotSaved = result.trouble;
    if (result) {
        ScoreNames = saved.names;
        ScoreValues = saved.values;
        UnsavedPlayers.clear();
    }
    return result;
}

void SortScores(std::array<std::string, 10>& names, std::array<int32_t, 10>& values) {
    auto pass = [&](size_t first) {
        int swaps = 0;
        for (size_t i = first; i + 1 < values.size(); i += 2)
            if (values[i] > values[i + 1]) {
                std::swap(values[i], values[i + 1]);
                std::swap(names[i], names[i + 1]);
                ++swaps;
            }
        return swaps;
    };
    for (;;) {
        int swaps = pass(0);  // pairs (0, 1), (2, 3), ...
        swaps += pass(1);     // then (1, 2), (3, 4), ...
        if (swaps == 0) break;
    }
}

void InsertScore(const std::string& name, int32_t score) { Insert(ScoreNames, ScoreValues, name, score); }

}  // namespace data
