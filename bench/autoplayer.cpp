#include "autoplayer.h"

#include <algorithm>

#include "game/play.h"
#include "platform/keyboard.h"
#include "powers/powers.h"
#include "tests/soak/player.h"

namespace autoplayer {

using namespace platform;
using soak::Height;

namespace {

constexpr double MeterCell = 35;  // what a cell of the power meter is worth

soak::Target plan;
int power = 0, bombColumn = 4;
int32_t start = 0;

// What the lines that count and the meter's gain are worth.
double Gain(const soak::Cleared& c) {
    LinesLeft = int16_t(LinesLeft - c.lines);
    return (LinesLeft <= 0 ? 1e6 : 1000.0 * c.lines) + MeterCell * std::min(c.links, 16 - PowerMeter);
}

// Low stacks, most of all where pieces come in, and lines nearly made, most
// of all in the directions that count.
double WellValue() {
    int h[WellColumns];
    double v = 0;
    for (int x = 0; x < WellColumns; ++x) {
        h[x] = Height(x);
        v -= 2.0 * h[x] + (h[x] > 8 ? 12.0 * (h[x] - 8) * (h[x] - 8) : 0) + (x >= 3 && x <= 6 && h[x] > 11 ? 300 : 0);
    }
    for (int x = 0; x < WellColumns; ++x)
        for (int y = 0; y < WellRows; ++y)
            for (uint8_t dir = 0; dir < 4; ++dir) {
                const RunEntry e{uint8_t(x), uint8_t(y), dir};
                int filled = 0, gaps = 0, colours = 15;
                for (int i = 0; i < MinBlocks && colours; ++i) {
                    const int cx = game::RunCellX(e, i), cy = game::RunCellY(e, i);
                    if (cx >= WellColumns || cy < 0 || cy >= WellRows || Well[cx][cy].Stone) colours = 0;
                    else if (Well[cx][cy].Empty) gaps += WellRows - 1 - cy - h[cx];
                    else {
                        ++filled;
                        for (int k = 1; k <= 4; ++k) colours &= Well[cx][cy].HasColour(k) ? 15 : ~(1 << (k - 1));
                    }
                }
                if (colours == 0 || filled < 2 || filled >= MinBlocks) continue;
                const int missing = MinBlocks - filled;
                v += (missing == 1 ? 20 : missing == 2 ? 5 : 1) * (game::DirectionCounts(dir) ? 1.0 : 0.3) / (1 + gaps);
            }
    return v - 4.0 * powers::CountStones();
}

double Worth(const soak::Cleared& c) { return Gain(c) + WellValue(); }

// What power k leaves in the well; variant v is Rain's column parity or the
// bomb's column. False when the bomb cannot get there.
bool Fire(int k, int v) {
    if (k == 2)
        for (auto& column : Well) column[14] = column[15] = EmptyCell;
    if (k == 3)
        for (int x = v; x < WellColumns; x += 2)
            if (Well[x][0].Empty) Well[x][0] = WildCell;
    for (int x = 0; x < WellColumns; ++x)
        for (int y = 0; y < WellRows; ++y)
            if ((k == 4 && Well[x][y].Stone) || (k == 5 && (x == 4 || x == 5 || y == 6 || y == 7))) Well[x][y] = EmptyCell;
    if (k != 6) return true;
    for (int x = std::min(v, 4); x <= std::max(v, 4); ++x)
        if (!Well[x][0].Empty) return false;
    // The floor takes the bottom row; a block, every block of its kind.
    const int top = WellRows - Height(v), kind = top < WellRows ? Well[v][top].Sprite : -1;
    for (auto& column : Well)
        for (int y = 0; y < WellRows; ++y)
            if (kind < 0 ? y == 15 : column[y].Sprite == kind) column[y] = EmptyCell;
    return true;
}

}  // namespace

// Each power the meter can pay for is weighed by what it leaves with a piece
// placed after it (this one stands in for the unknown next), less its cost;
// Rain by both its patterns, the bomb at its best column.
void NewPiece(int32_t now) {
    soak::ReleaseAll();
    start = now;
    power = 0;
    double best = soak::Place(&plan, Worth);
    for (int k = 2; k <= std::min<int>(PowerMeter, 6); ++k) {
        if (k == 4 && powers::CountStones() == 0) continue;
        double sum = 0, top = -1e18;
        int column = 4;
        for (int v = 0; v < (k == 3 ? 2 : k == 6 ? WellColumns : 1); ++v) {
            soak::Keep keep;
            PowerMeter = uint8_t(PowerMeter - k);
            double value = -1e18;
            if (Fire(k, v)) {
                const soak::Cleared c = soak::Resolve();
                value = (k != 2 ? Gain(c) : 0) + soak::Place(nullptr, Worth) - MeterCell * k;
            }
            sum += value;
            if (value > top) top = value, column = v;
        }
        if ((k == 3 ? sum / 2 : top) > best) best = k == 3 ? sum / 2 : top, power = k, bombColumn = column;
    }
}

void Drive(int32_t now) {
    if (power != 0 && now - start >= soak::ReactionMs) return PressKey(VkDigit(power));
    soak::Drive(plan, start, now);
}

void DriveBomb(int32_t) { soak::DriveBomb(bombColumn); }

}  // namespace autoplayer
