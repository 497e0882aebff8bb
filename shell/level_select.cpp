// Level select: the 30 levels as a 6 x 5 grid; locked ones are masked.
#include "audio/audio.h"
#include "game/state.h"
#include "platform/display.h"
#include "platform/font.h"
#include "platform/keyboard.h"
#include "platform/timing.h"
#include "shell/screens.h"
#include "shell/window.h"

namespace shell {

using namespace platform;

namespace {


// The screen without the frame: background, title, top score and the grid.
Surface ComposeSelectScreen() {
    Surface screen = NewGameSurface;
    DrawTextCentred(40, "SELECT LEVEL", screen);
    DrawTextCentred(410, "Top Score : " + std::to_string(ScoreValues[0]), screen);
    for (int r = 1; r <= 5; ++r)
        for (int c = 1; c <= 6; ++c) {
            const int n = 6 * (r - 1) + c;
            const std::string number = std::to_string(n);
            DrawText(45 * c + 163 - TextWidth(number) / 2, 50 * r + 84, number, screen);
            if (n > LevelsUnlocked) {
                LevelSelectRect = {45 * c + 141, 50 * r + 70, 45 * c + 186, 50 * r + 120};
                CopyRect(screen, LevelSelectRect, LevelMaskSurface, WholeSurface, Key::Source);
            }
        }
    return screen;
}

}  // namespace

State LevelSelect() {
    MarkerRect = {185, 118, 456, 364};
    FillRect(BackBuffer, WholeSurface, 0);
    const Surface selectSurface = ComposeSelectScreen();
    CopyRect(BackBuffer, WholeSurface, selectSurface, WholeSurface);
    int r = 0, c = 0;
    FreshPress enter{VK_RETURN};  // not the Enter that chose New Game
    for (;;) {
        CopyRect(BackBuffer, MarkerRect, selectSurface, MarkerRect);
        LevelSelectRect = {45 * c + 186, 50 * r + 119, 45 * c + 231, 50 * r + 169};
        CopyRect(BackBuffer, LevelSelectRect, LevelIconSurface, WholeSurface, Key::Source);
        const int s = 6 * r + c + 1;
        CopyRect(BackBuffer, {100, 65, 540, 85}, NewGameSurface, {100, 65, 540, 85});
        DrawTextCentred(65, "Level " + std::to_string(s) + " " + LevelTable[s - 1].Title, BackBuffer);

        // Moves right and down never reach a locked level.
        if (KeyHeld(VK_LEFT)) {
            if (c > 0) --c;
            Wait(80);
        }
        if (KeyHeld(VK_RIGHT) && s + 1 <= LevelsUnlocked) {
            if (c < 5) ++c;
            Wait(80);
        }
        if (KeyHeld(VK_UP)) {
            if (r > 0) --r;
            Wait(80);
        }
        if (KeyHeld(VK_DOWN) && s + 6 <= LevelsUnlocked) {
            ++r;
            Wait(80);
        }
        if (KeyHeld(VK_ESCAPE)) return State::MainMenu;
        if (enter.Held()) {
            if (MusicOn == 1) audio::Stop(audio::IntroWav);
            CurrentLevel = int16_t(s - 1);
            return State::NewGame;
        }
        Present();
        YieldToEvents();
    }
}

}  // namespace shell
