// Dealing the falling piece and the rules of moving, turning, drawing and
// landing it.
#pragma once
#include "game/state.h"

namespace game {

// One cell of a piece: a ball of a random colour, a stone or a wild ball,
// by a roll of 0 to 100 against the level's limits.
Cell RollCell(uint8_t colourLimit, uint8_t stoneLimit);
// Fills PieceGrid with a new piece of the current level's kind.
void MakePiece();
// Puts the new piece just above the well, over columns 4 and 5.
void PlacePiece();

// The tests of the falling piece against the well and its walls.
bool CanMoveLeft();
bool CanMoveRight();
// Turns or recolours the piece as RotationMode and the piece kind ask.
void RotatePiece();
// Whether a turn is a quarter turn of the grid (RotationMode Block, or a
// square), not a recolouring of a bar.
bool TurnsWhole();
// One turn of an n x n grid, whatever stands around it: a quarter turn
// clockwise, or the colours of a bar moved up one cell.
void TurnGrid(Cell (&grid)[MaxPieceSize][MaxPieceSize], int n, bool whole);

enum class Landing { Falls, Lands, GameOver };
// Whether the piece can fall one more row.
Landing TestLanding();
// Copies the piece's cells into the well.
void LandPiece();
// Draws the piece's cells inside the well onto the back buffer.
void DrawPiece();

// The fall interval of the current level at the current difficulty.
int32_t FallDelay();

}  // namespace game
