#include "game/pieces.h"

#include <utility>

#include "game/random.h"
#include "platform/display.h"

namespace game {

namespace {

bool Occupied(int i, int j) { return !PieceGrid[i][j].Empty; }

// Cells beside the walls and below the floor count as occupied; the open
// space above the well is free.
bool WellCellEmpty(int x, int y) {
    if (x < 0 || x >= WellColumns || y >= WellRows) return false;
    return y < 0 || Well[x][y].Empty;
}

void ClearGrid(int n) {
    PieceSize = int16_t(n);
    for (auto& column : PieceGrid)
        for (auto& cell : column) cell = EmptyCell;
}

}  // namespace

Cell RollCell(uint8_t colourLimit, uint8_t stoneLimit) {
    const int r = RandomBelow(101);
    // The three tests are made one after another and the last that holds
    // wins: where StoneLimit lies below ColourLimit, a roll between the two
    // is a wild ball, not a colour.
    Cell cell = EmptyCell;
    if (r < colourLimit) cell = CellTemplates[size_t(RandomBelow(4))];
    if (r >= colourLimit && r < stoneLimit) cell = StoneCell;
    if (r >= stoneLimit) cell = WildCell;
    return cell;
}

void MakePiece() {
    const LevelInfo& row = CurrentRow();
    auto roll = [&row](int i, int j) { PieceGrid[i][j] = RollCell(row.ColourLimit, row.StoneLimit); };
    switch (row.PieceKind) {
    case 2:  // a block 2 wide and 4 tall in the middle of a 4 x 4 grid
        ClearGrid(4);
        for (int j = 0; j < 4; ++j) roll(1, j), roll(2, j);
        break;
    case 3:  // a full 2 x 2 square
        ClearGrid(2);
        for (int j = 0; j < 2; ++j) roll(0, j), roll(1, j);
        break;
    case 4:  // a full 3 x 3 square
        ClearGrid(3);
        for (int j = 0; j < 3; ++j) roll(0, j), roll(1, j), roll(2, j);
        break;
    default:  // 1: a bar of three in the middle column of a 3 x 3 grid
        ClearGrid(3);
        for (int j = 0; j < 3; ++j) roll(1, j);
        break;
    }
}

void PlacePiece() {
    PieceX = CurrentRow().PieceKind == 2 ? 72 : 96;
    PieceY = int16_t(-CellSize * PieceSize);
}

bool CanMoveLeft() {
    const int n = PieceSize, u = n - 1;
    if (PieceY < -CellSize * u) return false;  // the grid's bottom row is not in the well yet
    const int c = PieceX / CellSize, r = PieceY / CellSize + u;
    if (!Occupied(0, 1)) return PieceX >= 0 && WellCellEmpty(c, r);
    const int e = PieceY >= -CellSize * (u - 1) && !Occupied(0, u) ? 1 : 0;
    return PieceX >= CellSize && WellCellEmpty(c - 1, r - e);
}

bool CanMoveRight() {
    const int n = PieceSize, u = n - 1;
    if (PieceY < -CellSize * u) return false;
    const int c = PieceX / CellSize, r = PieceY / CellSize + u;
    if (!Occupied(0, 1)) return PieceX + CellSize * n <= 240 && WellCellEmpty(c + u, r);
    const int e = PieceY >= -CellSize * (u - 1) && !Occupied(u, u) ? 1 : 0;
    return PieceX + CellSize * n <= 216 && WellCellEmpty(c + u + 1, r - e);
}

bool TurnsWhole() {
    const uint8_t kind = CurrentRow().PieceKind;
    return RotationMode != 0 || kind == 3 || kind == 4;
}

void TurnGrid(Cell (&grid)[MaxPieceSize][MaxPieceSize], int n, bool whole) {
    const int u = n - 1;
    if (whole) {
        Cell turned[MaxPieceSize][MaxPieceSize];
        for (int a = 0; a < n; ++a)
            for (int b = 0; b < n; ++b) turned[a][b] = grid[b][u - a];
        for (int a = 0; a < n; ++a)
            for (int b = 0; b < n; ++b) grid[a][b] = turned[a][b];
        return;
    }
    // Colour rotation of a bar: its colours move up one cell, the top one
    // going to the bottom.
    for (int i = 1; i <= 2; ++i) {
        const Cell top = grid[i][0];
        for (int j = 0; j < u; ++j) grid[i][j] = grid[i][j + 1];
        grid[i][u] = top;
    }
    for (int j = 0; j < n; ++j) grid[0][j] = grid[u][j] = EmptyCell;
}

void RotatePiece() {
    const int n = PieceSize, u = n - 1;
    if (TurnsWhole()) {
        // A quarter turn, when the grid is inside the walls with its bottom
        // row in the well and free cells under its two corners.
        const int c = PieceX / CellSize, r = PieceY / CellSize + u;
        if (PieceX < 0 || PieceX + CellSize * n > 240 || PieceY < -CellSize * u) return;
        if (!WellCellEmpty(c, r) || !WellCellEmpty(c + u, r)) return;
    }
    TurnGrid(PieceGrid, n, TurnsWhole());
}

Landing TestLanding() {
    const int n = PieceSize, u = n - 1;
    const int d = Occupied(1, u) ? 1 : 0;  // 0: a piece lying across its grid
    if (PieceY + CellSize * n >= 384) return Landing::Lands;  // the grid's edge is on the floor
    const int r = PieceY / CellSize + u + d;
    for (int i = 0; i <= u; ++i) {
        if (!Occupied(i, 1) || WellCellEmpty(PieceX / CellSize + i, r)) continue;
        const bool aboveWell = (PieceY < -23 && Occupied(1, 0)) || (PieceY < -47 && !Occupied(1, 0));
        return aboveWell ? Landing::GameOver : Landing::Lands;
    }
    return Landing::Falls;
}

void LandPiece() {
    for (int i = 0; i < PieceSize; ++i)
        for (int j = 0; j < PieceSize; ++j) {
            const int x = PieceX / CellSize + i, y = PieceY / CellSize + j;
            if (Occupied(i, j) && x >= 0 && x < WellColumns && y >= 0 && y < WellRows) Well[x][y] = PieceGrid[i][j];
        }
}

void DrawPiece() {
    for (int i = 0; i < PieceSize; ++i)
        for (int j = 0; j < PieceSize; ++j) {
            if (!Occupied(i, j) || PieceY + CellSize * j < 0) continue;
            const int left = WellLeft + PieceX + CellSize * i, top = WellTop + PieceY + CellSize * j;
            platform::CopyRect(platform::BackBuffer, {left, top, left + CellSize, top + CellSize},
                               platform::BlockSurfaces[PieceGrid[i][j].Sprite], platform::WholeSurface);
        }
}

int32_t FallDelay() {
    int32_t delay = int32_t(CurrentRow().Speed) * 10 * 80 / 100;  // 8 ms a unit of Speed
    if (Difficulty == 1) delay = delay * 120 / 100;
    if (Difficulty == 3) delay = delay * 80 / 100;
    return delay;
}

}  // namespace game
