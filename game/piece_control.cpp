// The piece control loop and the exit confirmation it opens.
#include <algorithm>

#include "audio/audio.h"
#include "game/pieces.h"
#include "game/play.h"
#include "platform/backend.h"
#include "platform/display.h"
#include "platform/font.h"
#include "platform/keyboard.h"
#include "platform/timing.h"
#include "powers/powers.h"
#include "shell/window.h"

namespace game {

using namespace platform;
using shell::State;

namespace {

// Whether power key k may fire now. Airstone is passed over while the well
// holds no stone: nothing is paid and the falling piece stays in sight.
bool PowerKeyTaken(int k) {
    if (PowerMeter < k || !KeyHeld(VkDigit(k)) || PowerFired) return false;
    return k != 4 || powers::CountStones() > 0;
}

}  // namespace

State PieceControl() {
    shell::ResetKeyToggles();
    if (LinesLeft < 1) {
        if (MusicOn == 1) audio::StopAll(audio::MusicPlayer);
        return State::CompleteLevel;
    }
    const int32_t fallDelay = FallDelay();
    FrameStart = TickCount();
    int32_t rotateStamp = FrameStart, rightStamp = FrameStart, leftStamp = FrameStart;
    // Only the piece changes while it falls: the well is drawn again when it
    // has moved or turned, and not on the passes in between.
    bool redraw = true;
    bool pauseShown = false;
    for (;;) {
        // A window that loses the keyboard pauses the game as P does, so a
        // piece never falls unseen.
        if (Active().TakeFocusLoss()) SetKeyToggle(VkLetter('P'));
        // P toggled on and not held: paused. Time goes on meanwhile.
        if (GetKeyState(VkLetter('P')) == 1) {
            if (!pauseShown) {
                DrawTextCentred(230, "PAUSED", PrimarySurface);
                ScreenChanged();
                pauseShown = true;
            }
            redraw = true;  // the well covers the text again when play goes on
            shell::YieldToEvents();
            continue;
        }
        pauseShown = false;
        for (int k = 2; k <= 6; ++k)
            if (PowerKeyTaken(k)) {
                powers::PendingPower = k;
                return State::FirePower;
            }
        PowerFired = False;

        const int32_t interval = KeyHeld(VK_DOWN) ? 50 : KeyHeld(VK_SPACE) ? 10 : fallDelay;
        if (StepDue(FrameStart, interval)) {
            switch (TestLanding()) {
            case Landing::Lands:
                LandPiece();
                return State::Settle;
            case Landing::GameOver:
                if (MusicOn == 1) {
                    audio::Rewind(audio::IntroWav);
                    audio::StopAll(audio::MusicPlayer);
                }
                return State::GameOver;
            case Landing::Falls:
                PieceY = int16_t(PieceY + CellSize);
                redraw = true;
                break;
            }
        }
        if (KeyHeld(VK_UP) && StepDue(rotateStamp, 100)) {
            RotatePiece();
            redraw = true;
        }
        if (KeyHeld(VK_RIGHT) && StepDue(rightStamp, 100)) {
            if (CanMoveRight()) {
                PieceX = int16_t(PieceX + CellSize);
                redraw = true;
            }
        }
        if (KeyHeld(VK_LEFT) && StepDue(leftStamp, 100)) {
            if (CanMoveLeft()) {
                PieceX = int16_t(PieceX - CellSize);
                redraw = true;
            }
        }
        if (KeyHeld(VK_ESCAPE)) return State::ExitConfirm;
        if (redraw) {
            DrawWell();
            DrawPiece();
            PresentRect(WellRect);
            redraw = false;
        }
        shell::YieldToEvents();
    }
}

State ExitConfirm() {
    // Drawn straight onto the screen; the next redraw of the well removes it.
    PrimarySurface.SetForeColour(Rgb(128, 128, 128));
    for (int y = 220; y <= 256; y += 2) DrawLine(PrimarySurface, 200, y, 440, y);
    Rect dialog{200, 220, 440, 259};
    for (const auto& [text, y] : {std::pair<std::string, int>{"Are you sure you want to", 220},
                                  std::pair<std::string, int>{"exit to Main Menu? Y/N", 240}}) {
        const int left = DrawTextCentred(y, text, PrimarySurface);
        dialog.Left = std::min(dialog.Left, left);
        dialog.Right = std::max(dialog.Right, left + TextWidth(text));
    }
    ScreenChanged();
    shell::ResetKeyToggles();
    for (;;) {
        if (KeyHeld(VkLetter('Y'))) {
            if (MusicOn == 1) audio::StopAll(audio::MusicPlayer);
            audio::Rewind(audio::IntroWav);
            return State::MainMenu;
        }
        if (KeyHeld(VkLetter('N'))) {
            // The first line is wider than the well: what it covers beside
            // the well comes back from the back buffer too.
            PresentRect(dialog);
            return State::PieceControl;
        }
        shell::YieldToEvents();
    }
}

}  // namespace game
