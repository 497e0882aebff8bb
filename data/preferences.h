// The preferences file: music, sound, difficulty, rotation mode and the
// number of open levels, in the player's data folder.
#pragma once
#include <string>

#include "data/files.h"

namespace data {

// "load" or "save". A load of a damaged file prints one line, sets the file
// aside (LoadUserFile) and uses the shipped defaults. A save writes the
// options and, of the open levels, the most this copy of the game or
// another has opened into a new file whole and renames it into place.
SaveResult Preferences(const std::string& mode);

// Reads the five values of a preferences text; false (nothing changed)
// when the text does not hold them.
bool ParsePreferences(const std::string& text);

// A hand-edited file may hold values the game has no use for: each goes
// back to its default, the count of open levels to the nearer end of 1 to
// 30, with a one-line message.
void KeepPreferencesInRange();

}  // namespace data
