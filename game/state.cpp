#include "game/state.h"

#include "powers/powers.h"

Cell EmptyCell, Colour1Cell, Colour2Cell, Colour3Cell, Colour4Cell, StoneCell, WildCell;
std::array<Cell, 6> CellTemplates;

Cell Well[WellColumns][WellRows];
Cell PieceGrid[MaxPieceSize][MaxPieceSize];
int16_t PieceSize = 3;
int16_t PieceX = 0, PieceY = 0;

LevelInfo LevelTable[LevelCount];
RunEntry RunList[MaxRuns + 1];
int16_t RunCount = 0;

int16_t CurrentLevel = 0;
int32_t Score = 0;
int16_t LinesLeft = 0, Horizontals = 0, Verticals = 0, Diagonals = 0;
uint8_t MinBlocks = 3;
uint8_t PowerMeter = 0;
Boolean PowerFired = False, ScoringOn = False, SweepPending = False, Moved = False, FinalePending = False,
        DisplayLost = False;

int32_t FrameStart = 0, FrameNow = 0;
std::string ClipboardText;
uint8_t MenuChoice = 1;

uint8_t MusicOn = 1, SoundOn = 1, Difficulty = 2, RotationMode = 0, LevelsUnlocked = 1;

std::array<std::string, ScoreEntries> ScoreNames;
std::array<int32_t, ScoreEntries> ScoreValues;
std::vector<EnteredPlayer> UnsavedPlayers;
std::string ScoresNotSaved;

Rect WellRect, MeterRect, PanelRect, FinaleRect, UpdateRect, LevelSelectRect, MarkerRect, CellRect;

const LevelInfo& CurrentRow() { return LevelTable[CurrentLevel >= 0 && CurrentLevel < LevelCount ? CurrentLevel : 0]; }

void BuildCellTemplates() {
    auto make = [](uint8_t sprite) {
        Cell c;  // every flag False, sprite 0, then the template's values
        c.Sprite = sprite;
        return c;
    };
    EmptyCell = make(6);
    EmptyCell.Empty = True;
    Colour1Cell = make(0);
    Colour1Cell.Colour1 = True;
    Colour2Cell = make(1);
    Colour2Cell.Colour2 = True;
    Colour3Cell = make(2);
    Colour3Cell.Colour3 = True;
    Colour4Cell = make(3);
    Colour4Cell.Colour4 = True;
    StoneCell = make(4);
    StoneCell.Stone = True;
    WildCell = make(5);
    WildCell.Colour1 = WildCell.Colour2 = WildCell.Colour3 = WildCell.Colour4 = True;
    CellTemplates = {Colour1Cell, Colour2Cell, Colour3Cell, Colour4Cell, StoneCell, WildCell};
}

void ResetLevelState() {
    for (auto& column : Well)
        for (auto& cell : column) cell = EmptyCell;
    for (auto& column : PieceGrid)
        for (auto& cell : column) cell = EmptyCell;
    PieceSize = 3;
    PieceX = PieceY = 0;
    RunCount = 0;
    LinesLeft = Horizontals = Verticals = Diagonals = 0;
    MinBlocks = 3;
    PowerFired = ScoringOn = SweepPending = Moved = False;
    powers::BombX = powers::BombY = 0;  // no bomb yet
}

void ResetGameState() {
    Score = 0;
    PowerMeter = 0;
}

void ResetProgramState() {
    BuildCellTemplates();
    for (auto& row : LevelTable) row = LevelInfo{};
    MusicOn = SoundOn = 1;
    Difficulty = 2;
    RotationMode = 0;
    LevelsUnlocked = 1;
    ScoreNames.fill("");
    ScoreValues.fill(0);
    UnsavedPlayers.clear();
    ScoresNotSaved.clear();
    ClipboardText.clear();
    MenuChoice = 1;
    DisplayLost = False;
    FrameStart = FrameNow = 0;
    WellRect = {200, 50, 440, 434};
    MeterRect = {460, 50, 484, 434};
    FinaleRect = {248, 169, 390, 313};
    PanelRect = {20, 109, 190, 421};
    UpdateRect = LevelSelectRect = MarkerRect = CellRect = {};
    CurrentLevel = 0;
    FinalePending = False;
    ResetGameState();
    ResetLevelState();
}
