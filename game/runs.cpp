// Finding runs of like balls and what follows from them.
#include "audio/audio.h"
#include "game/pieces.h"
#include "game/play.h"

namespace game {

namespace {

// Whether the run of MinBlocks cells from (x, y) along dir stays in the well.
bool RunFits(int x, int y, int dir) {
    const int m = MinBlocks;
    const bool across = x <= WellColumns - m, down = y <= WellRows - m;
    switch (dir) {
    case 0: return across;
    case 1: return down;
    case 2: return across && down;
    default: return across && y >= m - 1;
    }
}

}  // namespace

void FindRuns() {
    RunCount = 0;
    for (int x = 0; x < WellColumns; ++x)
        for (int y = 0; y < WellRows; ++y)
            for (int dir = 0; dir < 4; ++dir) {
                const Cell& start = Well[x][y];
                if (!RunFits(x, y, dir) || start.Empty || start.Stone) continue;
                const RunEntry entry{uint8_t(x), uint8_t(y), uint8_t(dir)};
                for (int k = 1; k <= 4; ++k) {
                    if (!start.HasColour(k)) continue;
                    bool whole = true;
                    for (int i = 1; i < MinBlocks && whole; ++i)
                        whole = Well[RunCellX(entry, i)][RunCellY(entry, i)].HasColour(k);
                    if (whole) {
                        RunList[++RunCount] = entry;  // one entry per cell and direction
                        break;
                    }
                }
            }
}

shell::State ResolveWell() {
    FindRuns();
    if (RunCount == 0) {
        ScoringOn = True;
        MakePiece();
        PlacePiece();
        // An overflowing meter earns a free Sweep; the piece dealt after its
        // settling replaces this one.
        if (SweepPending) return shell::State::Sweep;
        return shell::State::PieceControl;
    }
    if (SoundOn == 1) audio::PlayFromStart(audio::LineWav);
    return shell::State::Clear;
}

}  // namespace game
