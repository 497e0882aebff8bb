// Clearing runs and scoring them.
#include <algorithm>

#include "game/play.h"
#include "platform/display.h"
#include "platform/timing.h"
#include "powers/powers.h"
#include "shell/window.h"

namespace game {

using namespace platform;

shell::State ClearRuns() {
    bool marked[WellColumns][WellRows] = {};
    for (int i = 1; i <= RunCount; ++i)
        for (int c = 0; c < MinBlocks; ++c) marked[RunCellX(RunList[i], c)][RunCellY(RunList[i], c)] = true;

    // Dark on odd steps, lit on even ones; 21 steps of 20 ms end lit.
    FrameStart = TickCount();
    for (int frame = 0;;) {
        if (StepDue(FrameStart, 20)) {
            if (++frame == 21) break;
            for (int x = 0; x < WellColumns; ++x)
                for (int y = 0; y < WellRows; ++y) {
                    if (!marked[x][y]) continue;
                    CellRect = CellRectOf(x, y);
                    if (frame % 2 == 0) CopyRect(BackBuffer, CellRect, BlockSurfaces[Well[x][y].Sprite], WholeSurface);
                    else FillRect(BackBuffer, CellRect, 0);
                }
            PresentRect(WellRect);
        }
        shell::YieldToEvents();
    }
    ScoreRuns();
    for (int x = 0; x < WellColumns; ++x)
        for (int y = 0; y < WellRows; ++y)
            if (marked[x][y]) Well[x][y] = EmptyCell;
    return shell::State::Settle;
}

bool DirectionCounts(int dir) {
    switch (CurrentRow().Directions) {
    case 0: return true;
    case 1: return dir == 0;
    case 2: return dir == 1;
    case 3: return dir == 2 || dir == 3;
    default: return false;
    }
}

bool RunCounts(int i) { return DirectionCounts(RunList[i].Dir); }

void ScoreRuns() {
    if (ScoringOn) {
        // A line is a longest chain of neighbouring entries that continue
        // each other; only neighbours in scan order are compared.
        int links = 0, counted = 0;
        for (int i = 1; i <= RunCount; ++i) {
            if (i > 1 && Continues(i - 1)) {
                ++links;
                continue;
            }
            const int dir = RunList[i].Dir;
            (dir == 0 ? Horizontals : dir == 1 ? Verticals : Diagonals)++;
            if (RunCounts(i)) ++counted;
        }
        LinesLeft = int16_t(std::max(0, LinesLeft - counted));
        const int points = 50 * RunCount;
        Score += points;
        // "+" and the points; built so that GCC 12 at -O3 sees no false overlap
        powers::ShowStripMessage(std::to_string(points).insert(0, 1, '+'));
        // Formed wide: any number of links fits before the cap at 16.
        const int sum = PowerMeter + links;
        const int overflow = std::max(0, sum - 16);
        PowerMeter = uint8_t(std::min(sum, 16));
        powers::DrawPowerMeter(int16_t(links - overflow));
        SweepPending = overflow > 0 ? True : False;
    }
    if (LinesLeft < 0) LinesLeft = 0;
    DrawStatusPanel();
    PresentPanel();
}

int16_t LevelBonus() {
    int blocks = 0;
    for (const auto& column : Well)
        for (const Cell& cell : column) blocks += cell.Empty ? 0 : 1;
    const int bonus = 4 * blocks + 5 * (Horizontals + Verticals + Diagonals - CurrentRow().LineQuota);
    return int16_t(std::clamp(bonus, int(INT16_MIN), int(INT16_MAX)));
}

}  // namespace game
