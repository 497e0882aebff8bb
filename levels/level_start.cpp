// Starting a level: its intro, its screen and its random initial fill.
#include "audio/audio.h"
#include "game/play.h"
#include "game/random.h"
#include "levels/levels.h"
#include "platform/display.h"
#include "platform/font.h"
#include "platform/keyboard.h"
#include "platform/timing.h"
#include "powers/powers.h"
#include "shell/window.h"

namespace levels {

using namespace platform;
using shell::State;

const char* DirectionText(int directions) {
    switch (directions) {
    case 0: return "All directions count.";
    case 1: return "Horizontals only!";
    case 2: return "Verticals only!";
    case 3: return "Diagonals only!";
    default: return "";
    }
}

namespace {

void BlackScreen() {
    FillRect(BackBuffer, WholeSurface, 0);
    FillRect(PrimarySurface, WholeSurface, 0);
    ScreenChanged();
}

// The three direction pictures right of the meter, each with a tick when
// its lines count in this level and a cross when they do not.
void DrawDirectionPanel(int directions) {
    struct Panel {
        const Surface* picture;
        int top;
        int counted;
    };
    const Panel panels[] = {{&HorizontalsSurface, 100, 1}, {&VerticalsSurface, 204, 2}, {&DiagonalsSurface, 308, 3}};
    for (const Panel& p : panels) {
        CopyRect(BackBuffer, {514, p.top, 610, p.top + 72}, *p.picture, WholeSurface);
        const bool counts = directions == 0 || directions == p.counted;
        const Rect icon = counts ? Rect{0, 0, 32, 32} : Rect{32, 0, 64, 32};
        CopyRect(BackBuffer, {578, p.top + 40, 610, p.top + 72}, TickCrossSurface, icon, Key::Source);
    }
}

}  // namespace

void ShowLevelIntro(const std::string& number, const std::string& title, int32_t showMs, int32_t blackMs) {
    shell::DisableTimer1();
    audio::Stop(audio::FinishedWav);
    audio::Rewind(audio::FinishedWav);
    const std::vector<std::string> lines = {"Level " + number, title, DirectionText(CurrentRow().Directions)};
    if (MusicOn == 1) audio::PlayFromStart(audio::DeogratiasWav);
    FreshPress escape{VK_ESCAPE};  // a held Escape does not skip; let go and pressed again does
    const bool skipped = ShowLines(lines, 210, showMs, blackMs, [&] {
        if (escape.Held()) return true;
        shell::YieldToEvents();
        return false;
    });
    if (skipped) audio::Stop(audio::DeogratiasWav);  // otherwise the jingle plays on
}

void FillWell() {
    const int range = CurrentRow().FillRange;
    for (int x = 0; x < WellColumns; ++x)
        for (int y = 0; y < WellRows; ++y) {
            const int r = range == 99 ? 99 : int(game::Rnd() * range);
            Well[x][y] = r < 6 ? CellTemplates[size_t(r)] : EmptyCell;
        }
}

State StartLevel(bool newGame) {
    BlackScreen();
    const LevelInfo& row = CurrentRow();
    audio::LoadPiece(audio::MusicPlayer, "mid" + std::to_string(row.Music) + ".Mid", 999);
    ShowLevelIntro(std::to_string(row.DisplayNumber), row.Title, 4800, 1000);
    audio::Stop(audio::DeogratiasWav);
    ResetLevelState();
    if (newGame) ResetGameState();
    BlackScreen();
    MinBlocks = row.MinBlocks;
    CopyRect(BackgroundSurface, {0, 0, 640, 480}, LoadScrambledPicture("bg" + std::to_string(row.Background)),
             {0, 0, 640, 480});
    LinesLeft = AccessPhraseGiven() ? 1 : row.LineQuota;
    // ScoringOn stays off: runs in the random fill clear unscored.
    FillWell();

    CopyRect(BackBuffer, WholeSurface, BackgroundSurface, WholeSurface);
    const std::string title = "Level " + std::to_string(row.DisplayNumber) + " " + row.Title;
    DrawTextCentred(15, title, BackBuffer);
    BackBuffer.SetForeColour(Rgb(128, 128, 128));
    DrawBox(BackBuffer, 199, 49, 441, 435);
    DrawBox(BackBuffer, 459, 49, 485, 435);
    DrawDirectionPanel(row.Directions);
    game::DrawStatusPanel();
    FillRect(BackBuffer, WellRect, 0);
    powers::DrawPowerMeter(powers::RedrawMeter);

    // Half a second of the composed screen before the fill falls.
    FrameStart = FrameNow = TickCount();
    for (;;) {
        if (StepDue(FrameStart, 20)) {
            Present();
            if (Elapsed(FrameNow) >= 500) break;
        }
        shell::YieldToEvents();
    }
    if (MusicOn == 1) audio::PlayPiece(audio::MusicPlayer);
    return State::Settle;
}

}  // namespace levels
