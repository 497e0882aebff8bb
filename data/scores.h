// The best players table: ten names and scores, best first.
#pragma once
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "data/files.h"
#include "game/state.h"

namespace data {

// The player's file of the table, in the player's folder.
inline constexpr const char* ScoresFile = "scores.znd";

// Loads the table in file order. A damaged file prints one line, is kept
// aside as scores.znd.bad, and the shipped table is used.
void LoadScores();
// A new best player: joins the table and the file at once.
SaveResult EnterBestPlayer(const std::string& name, int32_t score);
// Saves the best players entered since the file was last read into the
// file as it is now (another copy of the game may have saved it since),
// and shows that table. When the save fails, ScoresNotSaved says why.
SaveResult SaveScores();

// Odd-even transposition sort, lowest first; stable.
void SortScores(std::array<std::string, 10>& names, std::array<int32_t, 10>& values);
// Puts a new score in place of the tenth, sorts and reverses: the table is
// best first and a score equal to older ones stands above them.
void InsertScore(const std::string& name, int32_t score);

// The text of the scores file for the current table.
std::string ScoresText();
// Reads a scores text into the table; false (table unchanged) when damaged.
bool ParseScores(const std::string& text);
// The table in the player's scores file at path as it stands now (another
// copy of the game may have saved it), best first, without touching the
// game's own; nothing, with why in trouble, when it cannot be read or is
// damaged.
std::optional<std::vector<EnteredPlayer>> ReadScoresFile(const std::string& path, std::string& trouble);

}  // namespace data
