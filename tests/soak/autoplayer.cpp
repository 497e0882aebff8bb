#include "autoplayer.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "game/play.h"
#include "platform/keyboard.h"
#include "powers/powers.h"

namespace soak {

using namespace platform;

namespace {

using Grid = Cell[MaxPieceSize][MaxPieceSize];

void Copy(Grid& to, const Grid& from) { std::memcpy(&to, &from, sizeof(Grid)); }

// The rotations the game allows for the current piece, as grids.
int Rotations() {
    const uint8_t kind = CurrentRow().PieceKind;
    if (RotationMode != 0 || kind == 3 || kind == 4) return kind == 3 || kind == 4 ? 4 : 2;
    return PieceSize == 4 ? 4 : 3;  // colour cycles of a bar
}

void Rotate(Grid& g) {
    const int n = PieceSize, u = n - 1;
    const uint8_t kind = CurrentRow().PieceKind;
    Grid t;
    if (RotationMode != 0 || kind == 3 || kind == 4) {
        for (int a = 0; a < n; ++a)
            for (int b = 0; b < n; ++b) t[a][b] = g[b][u - a];
    } else {
        Copy(t, g);
        for (int i = 1; i <= 2; ++i) {
            for (int j = 0; j < u; ++j) t[i][j] = g[i][j + 1];
            t[i][u] = g[i][0];
        }
        for (int j = 0; j < n; ++j) t[0][j] = t[u][j] = EmptyCell;
    }
    Copy(g, t);
}

int Height(int x) {
    for (int y = 0; y < WellRows; ++y)
        if (!Well[x][y].Empty) return WellRows - y;
    return 0;
}

}  // namespace

// Drops the piece's columns onto the stacks (blocks settle one by one), then
// clears runs and cascades as the game would, and scores what is left.
double Autoplayer::Evaluate(const Grid& grid, int16_t x) const {
    Cell saved[WellColumns][WellRows];
    std::memcpy(&saved, &Well, sizeof Well);
    const int16_t savedRuns = RunCount;
    double score = 0;
    bool fits = true;
    for (int i = 0; i < PieceSize && fits; ++i) {
        const int column = x / CellSize + i;
        int cells = 0;
        for (int j = 0; j < PieceSize; ++j) cells += grid[i][j].Empty ? 0 : 1;
        if (cells == 0) continue;
        if (column < 0 || column >= WellColumns || Height(column) + cells > WellRows - 1) {
            fits = false;
            break;
        }
        int y = WellRows - Height(column) - 1;
        for (int j = PieceSize - 1; j >= 0; --j)
            if (!grid[i][j].Empty) Well[column][y--] = grid[i][j];
    }
    if (!fits) score = -1e9;
    for (int pass = 0; fits && pass < 10; ++pass) {
        game::FindRuns();
        if (RunCount == 0) break;
        score += 100.0 * RunCount * (pass + 1);
        for (int i = 1; i <= RunCount; ++i)
            for (int c = 0; c < MinBlocks; ++c)
                Well[game::RunCellX(RunList[i], c)][game::RunCellY(RunList[i], c)] = EmptyCell;
        for (int cx = 0; cx < WellColumns; ++cx) {  // settle each column
            int to = WellRows - 1;
            for (int y = WellRows - 1; y >= 0; --y)
                if (!Well[cx][y].Empty) {
                    const Cell c = Well[cx][y];
                    Well[cx][y] = EmptyCell;
                    Well[cx][to--] = c;
                }
        }
    }
    // Low, flat stacks with like colours side by side are good.
    int maxHeight = 0, bumps = 0, total = 0, pairs = 0;
    for (int cx = 0; cx < WellColumns; ++cx) {
        const int h = Height(cx);
        maxHeight = std::max(maxHeight, h);
        total += h;
        if (cx > 0) bumps += std::abs(h - Height(cx - 1));
        for (int y = 0; y < WellRows; ++y) {
            const Cell& c = Well[cx][y];
            if (c.Empty || c.Stone) continue;
            if (cx + 1 < WellColumns && Well[cx + 1][y].Sprite == c.Sprite) ++pairs;
            if (y + 1 < WellRows && Well[cx][y + 1].Sprite == c.Sprite) ++pairs;
        }
    }
    score += 6.0 * pairs - 3.0 * total - 4.0 * bumps - 12.0 * std::max(0, maxHeight - 10) * maxHeight;
    std::memcpy(&Well, &saved, sizeof Well);
    RunCount = savedRuns;
    return score;
}

void Autoplayer::NewPiece() {
    ReleaseAll();
    plan_ = Plan{};
    Grid grid;
    Copy(grid, PieceGrid);
    std::uniform_real_distribution<double> noise(0.0, 1.0);
    for (int r = 0; r < Rotations(); ++r) {
        for (int16_t x = -CellSize; x + CellSize <= 240; x = int16_t(x + CellSize)) {
            const double score = Evaluate(grid, x) + noise(rng_);
            if (score > plan_.score) {
                plan_.score = score;
                plan_.x = x;
                Copy(plan_.grid, grid);
            }
        }
        Rotate(grid);
    }
    // Sometimes spend the meter: when it is rich, or the well is getting full.
    int highest = 0;
    for (int x = 0; x < WellColumns; ++x) highest = std::max(highest, Height(x));
    powerKey_ = 0;
    if (PowerMeter >= 2 && (highest > 11 || (PowerMeter >= 12 && rng_() % 4 == 0))) {
        std::vector<int> affordable;
        for (int k = 2; k <= std::min<int>(PowerMeter, 6); ++k)
            if (k != 4 || powers::CountStones() > 0) affordable.push_back(k);
        powerKey_ = affordable[size_t(rng_() % affordable.size())];
    }
}

bool Autoplayer::GridMatchesPlan() const {
    for (int i = 0; i < PieceSize; ++i)
        for (int j = 0; j < PieceSize; ++j)
            if (!(PieceGrid[i][j] == plan_.grid[i][j])) return false;
    return true;
}

void Autoplayer::Hold(int vk, bool held) {
    if (held) PressKey(vk);
    else ReleaseKey(vk);
}

void Autoplayer::Drive(int32_t now) {
    if (powerKey_ != 0) {
        Hold(VkDigit(powerKey_), true);
        return;
    }
    // Rotation: a tap of Up each 100 ms until the grid matches the plan.
    const bool rotate = !GridMatchesPlan();
    if (upDown_) {
        Hold(VK_UP, false);
        upDown_ = false;
    } else if (rotate && now - lastUp_ >= 110) {
        Hold(VK_UP, true);
        upDown_ = true;
        lastUp_ = now;
    }
    Hold(VK_RIGHT, PieceX < plan_.x);
    Hold(VK_LEFT, PieceX > plan_.x);
    const bool inPlace = !rotate && PieceX == plan_.x;
    Hold(VK_SPACE, inPlace);
    // A piece that cannot reach its place (blocked) still comes down.
    Hold(VK_DOWN, !inPlace && PieceY > 4 * CellSize);
}

void Autoplayer::ReleaseAll() {
    for (int vk : {int(VK_UP), int(VK_LEFT), int(VK_RIGHT), int(VK_DOWN), int(VK_SPACE), VkDigit(2), VkDigit(3),
                   VkDigit(4), VkDigit(5), VkDigit(6)})
        ReleaseKey(vk);
    upDown_ = false;
}

}  // namespace soak
