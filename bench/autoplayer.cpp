#include "autoplayer.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <utility>

#include "game/pieces.h"
#include "game/play.h"
#include "platform/keyboard.h"
#include "powers/powers.h"

namespace autoplayer {

using namespace platform;

namespace {

using Grid = Cell[MaxPieceSize][MaxPieceSize];
constexpr int32_t ReactionMs = 400;  // from a new piece to the first key
constexpr double MeterCell = 35;     // what a cell of the power meter is worth

struct Target {  // a turn of the piece's grid and a column
    Grid grid;
    int16_t x = 0;
} plan;
int power = 0, bombColumn = 4;
int32_t start = 0;

// Keeps what the weighing changes and puts it back.
struct Keep {
    Cell well[WellColumns][WellRows];
    Grid grid;
    int16_t x = PieceX, y = PieceY, runs = RunCount, left = LinesLeft;
    uint8_t meter = PowerMeter;
    Keep() { std::memcpy(well, Well, sizeof Well), std::memcpy(grid, PieceGrid, sizeof grid); }
    ~Keep() {
        std::memcpy(Well, well, sizeof Well), std::memcpy(PieceGrid, grid, sizeof grid);
        PieceX = x, PieceY = y, RunCount = runs, LinesLeft = left, PowerMeter = meter;
    }
};

bool Same(const Grid& a, const Grid& b) {
    return std::equal(&a[0][0], &a[0][0] + MaxPieceSize * MaxPieceSize, &b[0][0]);
}

int Height(int x) {
    int y = 0;
    while (y < WellRows && Well[x][y].Empty) ++y;
    return WellRows - y;
}

// Settles the well and clears its runs as the game would, cascades and all;
// returns what the lines that count and the meter's gain are worth.
double Resolve(bool scoring) {
    int lines = 0, links = 0;
    for (;;) {
        for (auto& column : Well)
            for (int y = WellRows - 1, to = y; y >= 0; --y)
                if (!column[y].Empty) std::swap(column[y], column[to--]);
        game::FindRuns();
        if (RunCount == 0) break;
        for (int i = 1; i <= RunCount; ++i)
            if (i > 1 && game::Continues(i - 1)) ++links;
            else lines += game::RunCounts(i);
        for (int i = 1; i <= RunCount; ++i)
            for (int c = 0; c < MinBlocks; ++c)
                Well[game::RunCellX(RunList[i], c)][game::RunCellY(RunList[i], c)] = EmptyCell;
    }
    if (!scoring) return 0;
    LinesLeft = int16_t(LinesLeft - lines);
    return (LinesLeft <= 0 ? 1e6 : 1000.0 * lines) + MeterCell * std::min(links, 16 - PowerMeter);
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

// The best turn and column for the piece in the well as it is, and its worth.
double Place(Target* best) {
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
                v = Resolve(true) + WellValue();
            }
            if (v > top && best) *best = t;
            top = std::max(top, v);
        }
    return top;
}

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

void Hold(std::initializer_list<std::pair<int, bool>> keys) {
    for (auto [vk, held] : keys) held ? PressKey(vk) : ReleaseKey(vk);
}

void ReleaseAll() {
    for (int vk : {int(VK_UP), int(VK_LEFT), int(VK_RIGHT), int(VK_DOWN), int(VK_SPACE), VkDigit(2), VkDigit(3),
                   VkDigit(4), VkDigit(5), VkDigit(6)})
        ReleaseKey(vk);
}

}  // namespace

// Each power the meter can pay for is weighed by what it leaves with a piece
// placed after it (this one stands in for the unknown next), less its cost;
// Rain by both its patterns, the bomb at its best column.
void NewPiece(int32_t now, int) {
    ReleaseAll();
    start = now;
    power = 0;
    double best = Place(&plan);
    for (int k = 2; FirePowers && k <= std::min<int>(PowerMeter, 6); ++k) {
        if (k == 4 && powers::CountStones() == 0) continue;
        double sum = 0, top = -1e18;
        int column = 4;
        for (int v = 0; v < (k == 3 ? 2 : k == 6 ? WellColumns : 1); ++v) {
            Keep keep;
            PowerMeter = uint8_t(PowerMeter - k);
            const double value = Fire(k, v) ? Resolve(k != 2) + Place(nullptr) - MeterCell * k : -1e18;
            sum += value;
            if (value > top) top = value, column = v;
        }
        if ((k == 3 ? sum / 2 : top) > best) best = k == 3 ? sum / 2 : top, power = k, bombColumn = column;
    }
}

void Drive(int32_t now) {
    if (now - start < ReactionMs) return;
    if (power != 0) return PressKey(VkDigit(power));
    const bool turn = !Same(PieceGrid, plan.grid);
    Hold({{VK_UP, turn}, {VK_RIGHT, PieceX < plan.x}, {VK_LEFT, PieceX > plan.x}, {VK_SPACE, !turn && PieceX == plan.x}});
}

// Down until the bomb is in the well, across to its column, then Space.
void DriveBomb(int32_t) {
    const int column = powers::BombX / CellSize;
    Hold({{VK_DOWN, powers::BombY < 0}, {VK_RIGHT, column < bombColumn}, {VK_LEFT, column > bombColumn},
          {VK_SPACE, powers::BombY >= 0 && column == bombColumn}});
}

}  // namespace autoplayer
