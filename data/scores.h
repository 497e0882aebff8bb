// The best players table: ten names and scores, best first.
#pragma once
#include <array>
#include <string>

namespace data {

// Loads the table in file order. A damaged file prints one line, is kept
// aside as scores.znd.bad, and the shipped table is used.
void LoadScores();
// Writes the table whole and renames it into place.
void SaveScores();

// Odd-even transposition sort, lowest first; stable.
void SortScores(std::array<std::string, 10>& names, std::array<int32_t, 10>& values);
// Puts a new score in place of the tenth, sorts and reverses: the table is
// best first and a score equal to older ones stands above them.
void InsertScore(const std::string& name, int32_t score);

// The text of the scores file for the current table.
std::string ScoresText();
// Reads a scores text into the table; false (table unchanged) when damaged.
bool ParseScores(const std::string& text);

}  // namespace data
