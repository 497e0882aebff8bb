#include "player.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <utility>

#include "game/pieces.h"
#include "game/play.h"
#include "platform/keyboard.h"
#include "powers/powers.h"

namespace soak {

using namespace platform;

namespace {

bool Same(const Grid& a, const Grid& b) {
    return std::equal(&a[0][0], &a[0][0] + MaxPieceSize * MaxPieceSize, &b[0][0]);
}

// Drives the piece to column x and the turned grid as Drive does, at the
// game's pace and with its own moves, and leaves it where it lands. False
// when the game would be over.
bool Steer(int16_t x, const Grid& turned) {
    int32_t fall = game::FallDelay(), nextFall = fall, nextKey = std::max<int32_t>(ReactionMs, 100);
    for (;;) {
        if (nextKey < nextFall) {
            const bool turn = !Same(PieceGrid, turned);
            if (turn) game::RotatePiece();
            if (PieceX < x && game::CanMoveRight()) PieceX = int16_t(PieceX + CellSize);
            if (PieceX > x && game::CanMoveLeft()) PieceX = int16_t(PieceX - CellSize);
            if (!turn && PieceX == x) nextFall = nextKey, fall = 10;  // Space
            nextKey += 100;
            continue;
        }
        const game::Landing landing = game::TestLanding();
        if (landing != game::Landing::Falls) return landing == game::Landing::Lands;
        PieceY = int16_t(PieceY + CellSize);
        nextFall += fall;
    }
}

void Hold(std::initializer_list<std::pair<int, bool>> keys) {
    for (auto [vk, held] : keys) held ? PressKey(vk) : ReleaseKey(vk);
}

}  // namespace

Keep::Keep() : x(PieceX), y(PieceY), runs(RunCount), left(LinesLeft), meter(PowerMeter) {
    std::memcpy(well, Well, sizeof Well), std::memcpy(grid, PieceGrid, sizeof grid);
}

Keep::~Keep() {
    std::memcpy(Well, well, sizeof Well), std::memcpy(PieceGrid, grid, sizeof grid);
    PieceX = x, PieceY = y, RunCount = runs, LinesLeft = left, PowerMeter = meter;
}

int Height(int column) {
    int y = 0;
    while (y < WellRows && Well[column][y].Empty) ++y;
    return WellRows - y;
}

Cleared Resolve() {
    Cleared c;
    for (;;) {
        for (auto& column : Well)
            for (int y = WellRows - 1, to = y; y >= 0; --y)
                if (!column[y].Empty) std::swap(column[y], column[to--]);
        game::FindRuns();
        if (RunCount == 0) return c;
        for (int i = 1; i <= RunCount; ++i)
            if (i > 1 && game::Continues(i - 1)) ++c.links;
            else c.lines += game::RunCounts(i);
        for (int i = 1; i <= RunCount; ++i)
            for (int k = 0; k < MinBlocks; ++k)
                Well[game::RunCellX(RunList[i], k)][game::RunCellY(RunList[i], k)] = EmptyCell;
    }
}

double Place(Target* best, double (*value)(const Cleared&)) {
    Target t;
    std::memcpy(&t.grid, &PieceGrid, sizeof t.grid);
    double top = -1e18;
    for (int turn = 0; turn < 4; ++turn, game::TurnGrid(t.grid, PieceSize, game::TurnsWhole()))
        for (t.x = -CellSize; t.x < 240; t.x = int16_t(t.x + CellSize)) {
            Keep keep;
            double v = -1e9;
            if (Steer(t.x, t.grid)) {
                if (PieceX != t.x) continue;  // out of reach: another target lands there
                game::LandPiece();
                v = value(Resolve());
            }
            if (v > top && best) *best = t;
            top = std::max(top, v);
        }
    return top;
}

void Drive(const Target& target, int32_t start, int32_t now) {
    if (now - start < ReactionMs) return;
    const bool turn = !Same(PieceGrid, target.grid);
    Hold({{VK_UP, turn}, {VK_RIGHT, PieceX < target.x}, {VK_LEFT, PieceX > target.x},
          {VK_SPACE, !turn && PieceX == target.x}});
}

void DriveBomb(int column) {
    const int at = powers::BombX / CellSize;
    Hold({{VK_DOWN, powers::BombY < 0}, {VK_RIGHT, at < column}, {VK_LEFT, at > column},
          {VK_SPACE, powers::BombY >= 0 && at == column}});
}

void ReleaseAll() {
    for (int vk : {int(VK_UP), int(VK_LEFT), int(VK_RIGHT), int(VK_DOWN), int(VK_SPACE), VkDigit(2), VkDigit(3),
                   VkDigit(4), VkDigit(5), VkDigit(6)})
        ReleaseKey(vk);
}

}  // namespace soak
