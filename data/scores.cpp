#include "data/scores.h"

#include <algorithm>

#include "data/fields.h"
#include "data/files.h"
#include "game/state.h"
#include "platform/keyboard.h"

namespace data {

namespace {

constexpr const char* ScoresFile = "scores.znd";
constexpr const char* PlainName = "scores.txt";

}  // namespace

bool ParseScores(const std::string& text) {
    FieldReader in(text);
    std::array<std::string, ScoreEntries> names;
    std::array<int32_t, ScoreEntries> values;
    for (int i = 0; i < ScoreEntries; ++i) {
        const auto name = in.Next();
        const auto value = in.NextNumber(INT32_MIN, INT32_MAX);
        if (!name || !value) return false;
        // A name keeps only what the name field accepts, so that it saves
        // back as it was read.
        platform::TextField field;
        field.Type(*name);
        names[size_t(i)] = field.text;
        values[size_t(i)] = int32_t(*value);
    }
    ScoreNames = names;
    ScoreValues = values;
    return true;
}

std::string ScoresText() {
    std::string text;
    for (int i = 0; i < ScoreEntries; ++i)
        text += "\"" + ScoreNames[size_t(i)] + "\"\r\n" + std::to_string(ScoreValues[size_t(i)]) + "\r\n";
    return text;
}

void LoadScores() { LoadUserFile(ScoresFile, PlainName, ParseScores, "a best players file"); }

void SaveScores() { WriteScrambled(UserFile(ScoresFile), PlainName, ScoresText()); }

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

void InsertScore(const std::string& name, int32_t score) {
    ScoreValues[9] = score;
    ScoreNames[9] = name;
    SortScores(ScoreNames, ScoreValues);
    std::reverse(ScoreNames.begin(), ScoreNames.end());
    std::reverse(ScoreValues.begin(), ScoreValues.end());
}

}  // namespace data
