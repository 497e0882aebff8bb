// The replays folder: which files there are the game's replays, their
// numbers in the order the runs ended, and which are kept: the newest
// finished runs, and the best runs, those whose best player is still in the
// Best Players table.
#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "game/state.h"
#include "replay/format.h"
#include "shell/program.h"

namespace replay {

// Whether a copy of the game is still recording the replay at path: it
// holds the file's lock for as long as it does, and a run that was killed
// holds it no more. Nothing when the file cannot be opened.
std::optional<bool> RecordingLockHeld(const std::string& path);
// The same, with a file that cannot be opened taken as recorded, so that
// it is left alone.
bool BeingRecorded(const std::string& path);

// A best player as the table holds it: name and score.
using BestEntry = std::pair<std::string, int32_t>;

// A replay file read for the list and for keeping the best runs.
struct ReplayFile {
    std::string path;
    std::string trouble;                // why it cannot be used (also when it cannot be read at all)
    std::optional<Recording> header;    // the recording without its records, when it can be used
    std::optional<shell::RunSummary> end;  // how the run ended, when the file holds it
    // The best players the run entered; nothing when that cannot be told
    // (the file cannot be read, or is of a newer format), which keeps it.
    std::optional<std::vector<BestEntry>> entered;
    bool best = false;  // a best player it entered is still in the table
};
// Reads the replays at paths, newest first, and marks the best runs: the
// table's entries go to the newest replays that entered them, so of a
// player who entered the same score twice the newer run keeps the entry
// the table drops last. Without a table (it could not be read) every run
// that entered a best player counts as one: nothing is removed on doubt.
std::vector<ReplayFile> ReadReplays(const std::vector<std::string>& newestFirst,
                                    const std::optional<std::vector<EnteredPlayer>>& table);

// The replays of a folder. A finished run's replay is numbered in the order
// the runs ended ("0042-20261206-142233-level07-4150.zrp"); one named by its
// start alone ("20261206-142233.zrp") is being recorded, or was left by a
// run that was killed or by an older version of the game. Other files are
// not the game's and are left alone. Changed only under the folder's lock.
class Replays {
public:
    explicit Replays(std::string folder);

    // Gives the replay at path the next number, before name; its new path,
    // or path when it cannot be renamed. The name is taken only when free.
    std::string Number(const std::string& path, const std::string& name);
    // Numbers the replays named by their start that no copy is recording
    // any more: they count as finished now.
    void NumberLeftOver();
    // Removes the numbered replays but the newest keep and the best runs
    // by table (as ReadReplays marks them).
    void KeepNewestAndBest(size_t keep, const std::optional<std::vector<EnteredPlayer>>& table);
    // The paths of the replays, newest first: those named by their start
    // (runs going on, or killed since the last run ended), then the
    // numbered ones.
    std::vector<std::string> NewestFirst() const;
    // Why the folder could not be looked through ("" when it could, or is
    // missing: no run has been kept yet).
    const std::string& Trouble() const { return trouble_; }

private:
    std::string folder_, trouble_;
    std::multimap<uint32_t, std::string> numbered_;
    std::vector<std::string> byStart_;
};

}  // namespace replay
