// Play: the piece control loop and the resolution loop of the well
// (settle, detect, clear), each a state that returns the state that follows.
#pragma once
#include "game/state.h"
#include "shell/program.h"

namespace game {

// Paints every cell of the well into the back buffer (no present).
void DrawWell();
// Blocks with a gap below fall one row per 30 ms pass until nothing moves;
// each pass shows the well. Then resolution.
shell::State SettleWell();

// Fills RunList with every run of MinBlocks like cells, in scan order.
void FindRuns();
// Runs found: the line sound and clearing. None: the next piece is dealt
// and placed (after a pending free Sweep) and piece control takes over.
shell::State ResolveWell();

// The runs blink 21 steps of 20 ms, are scored and emptied; then settling.
shell::State ClearRuns();
void ScoreRuns();
bool RunCounts(int i);  // whether RunList entry i counts for the level's quota
bool DirectionCounts(int dir);  // whether runs along dir count for the level's quota
int16_t LevelBonus();

// The falling piece under the player's control.
shell::State PieceControl();
// Esc during play: Y leaves for the main menu, N resumes the piece.
shell::State ExitConfirm();

// The status panel left of the well.
void DrawStatusPanel();
void PresentPanel();

// The cell i of a run: (X, Y) moved i steps along Dir.
inline int RunCellX(const RunEntry& e, int i) { return e.X + (e.Dir == 1 ? 0 : i); }
inline int RunCellY(const RunEntry& e, int i) { return e.Y + (e.Dir == 0 ? 0 : e.Dir == 3 ? -i : i); }
// Whether RunList entry i + 1 continues entry i along the same line.
inline bool Continues(int i) {
    const RunEntry &a = RunList[i], &b = RunList[i + 1];
    return a.Dir == b.Dir && b.X == RunCellX(a, 1) && b.Y == RunCellY(a, 1);
}

}  // namespace game
