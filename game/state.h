// The program-wide state of Zintari. Every routine reads and writes these
// variables directly; nothing is passed around. Each lifetime has one reset:
// ResetProgramState (start-up), ResetGameState (a new game) and
// ResetLevelState (a level start), so a test can begin from a known state.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/surface.h"

// Booleans of the game's data are 16-bit: 0 is False, -1 is True.
using Boolean = int16_t;
inline constexpr Boolean True = -1;
inline constexpr Boolean False = 0;

using platform::Rect;

// One square of the well or of the falling piece. Always assigned whole.
struct Cell {
    Boolean Colour1 = False, Colour2 = False, Colour3 = False, Colour4 = False;
    Boolean Stone = False, Empty = False;
    uint8_t Sprite = 0;  // index into BlockSurfaces
    bool HasColour(int k) const { return (k == 1 ? Colour1 : k == 2 ? Colour2 : k == 3 ? Colour3 : Colour4) != False; }
    bool operator==(const Cell&) const = default;
};

// The seven templates every well and piece cell is copied from.
extern Cell EmptyCell, Colour1Cell, Colour2Cell, Colour3Cell, Colour4Cell, StoneCell, WildCell;
// The six non-empty templates by sprite index: colours 1-4, stone, wild.
extern std::array<Cell, 6> CellTemplates;
void BuildCellTemplates();

inline constexpr int WellColumns = 10, WellRows = 16, CellSize = 24;
inline constexpr int WellLeft = 200, WellTop = 50;

// Well[x][y]: column x from the left, row y from the top.
extern Cell Well[WellColumns][WellRows];

// The falling piece: an n x n grid (n = 2, 3 or 4), PieceGrid[i][j] column i,
// row j, placed PieceX, PieceY pixels from the well's top-left corner.
inline constexpr int MaxPieceSize = 4;
extern Cell PieceGrid[MaxPieceSize][MaxPieceSize];
extern int16_t PieceSize;
extern int16_t PieceX, PieceY;

struct LevelInfo {
    uint8_t Background = 0, Music = 0, PieceKind = 1, ColourLimit = 0, StoneLimit = 0, Speed = 0;
    uint8_t MinBlocks = 3, LineQuota = 0, FillRange = 99, DisplayNumber = 0, Directions = 0;
    std::string Title;
};
inline constexpr int LevelCount = 30;
extern LevelInfo LevelTable[LevelCount];
const LevelInfo& CurrentRow();  // LevelTable[CurrentLevel]

// A run start found by detection; RunList[0] is a placeholder.
struct RunEntry {
    uint8_t X = 0, Y = 0, Dir = 0;
    bool operator==(const RunEntry&) const = default;
};
inline constexpr int MaxRuns = 640;
extern RunEntry RunList[MaxRuns + 1];
extern int16_t RunCount;  // n: the highest used index of RunList

// Level and game counters.
extern int16_t CurrentLevel;
extern int32_t Score;
extern int16_t LinesLeft, Horizontals, Verticals, Diagonals;
extern uint8_t MinBlocks;
extern uint8_t PowerMeter;
extern Boolean PowerFired, ScoringOn, SweepPending, Moved, FinalePending, DisplayLost;

// Time stamps shared by every timed loop (milliseconds of TickCount).
extern int32_t FrameStart, FrameNow;

extern std::string ClipboardText;
extern uint8_t MenuChoice;

// Options, kept in the preferences file.
extern uint8_t MusicOn, SoundOn, Difficulty, RotationMode, LevelsUnlocked;

// The best players: ten names and scores, best first.
inline constexpr int ScoreEntries = 10;
extern std::array<std::string, ScoreEntries> ScoreNames;
extern std::array<int32_t, ScoreEntries> ScoreValues;
// Best players entered since the scores file was last read or saved: the
// next save adds them to the file as it then stands, which another copy of
// the game may have changed meanwhile.
struct EnteredPlayer {
    std::string name;
    int32_t score;
};
extern std::vector<EnteredPlayer> UnsavedPlayers;
// Why the best players shown are not all in the scores file ("disk full");
// empty when they are.
extern std::string ScoresNotSaved;

// Screen rectangles shared by several screens.
extern Rect WellRect, MeterRect, PanelRect, FinaleRect, UpdateRect, LevelSelectRect, MarkerRect, CellRect;
inline constexpr Rect StripRect{200, 447, 400, 467};  // the message strip below the well

inline constexpr const char* DataKey = "Duke Ormand";
inline constexpr const char* AccessPhrase = "We are sneaky rascals!";
inline bool AccessPhraseGiven() { return ClipboardText == AccessPhrase; }

// The rectangle of well cell (x, y) on the screen.
inline Rect CellRectOf(int x, int y) {
    return {WellLeft + CellSize * x, WellTop + CellSize * y, WellLeft + CellSize * (x + 1), WellTop + CellSize * (y + 1)};
}

void ResetProgramState();  // everything, as before start-up
void ResetGameState();     // Score and PowerMeter, at a new game
void ResetLevelState();    // counters, flags and an empty well of a level start
