// Bomb: a steerable bomb that takes every block of the kind it lands on, or
// the bottom row when it reaches the floor.
#include "audio/audio.h"
#include "game/play.h"
#include "platform/display.h"
#include "platform/keyboard.h"
#include "platform/timing.h"
#include "powers/powers.h"
#include "shell/window.h"

namespace powers {

using namespace platform;

int BombX = 0, BombY = 0;

namespace {

Rect BombRect(int bx, int by) { return {200 + bx, 50 + by, 224 + bx, 74 + by}; }

// Row 15 blinks 20 phases of 30 ms, ending black, and is emptied.
void BombFloor() {
    if (SoundOn == 1) audio::PlayOnce(audio::BangWav);
    const Rect row{200, 410, 440, 434};
    FrameStart = TickCount();
    for (int c = 0;;) {
        if (StepDue(FrameStart, 30)) {
            if (++c == 21) break;
            if (c % 2 == 1) PresentRect(row);  // the row as last drawn, bomb and all
            else {
                FillRect(PrimarySurface, row, 0);
                ScreenChanged();
            }
        }
        shell::YieldToEvents();
    }
    for (int x = 0; x < WellColumns; ++x) Well[x][15] = EmptyCell;
}

// Every block of the kind blinks with the bomb 20 phases of 20 ms and goes.
void BombBurst(uint8_t kind, int bx, int by) {
    if (SoundOn == 1) audio::PlayOnce(audio::BangWav);
    FrameStart = TickCount();
    for (int c = 0;;) {
        if (StepDue(FrameStart, 20)) {
            if (++c == 21) break;
            const bool dark = c % 2 == 0;
            for (int x = 0; x < WellColumns; ++x)
                for (int y = 0; y < WellRows; ++y) {
                    if (Well[x][y].Sprite != kind) continue;
                    if (dark) FillRect(BackBuffer, CellRectOf(x, y), 0);
                    else CopyRect(BackBuffer, CellRectOf(x, y), BlockSurfaces[kind], WholeSurface);
                }
            // A bomb still above the well is not drawn: the back buffer
            // there holds the level's title and the well's frame.
            if (by >= 0) {
                if (dark) FillRect(BackBuffer, BombRect(bx, by), 0);
                else CopyRect(BackBuffer, BombRect(bx, by), BombFramesSurface, {0, 0, 24, 24});
            }
            PresentRect(WellRect);
        }
        shell::YieldToEvents();
    }
    for (auto& column : Well)
        for (Cell& cell : column)
            if (cell.Sprite == kind) cell = EmptyCell;
}

}  // namespace

shell::State Bomb() {
    BombX = 96, BombY = -24;
    int frame = -1;
    FrameStart = TickCount();
    int32_t animStamp = FrameStart, rightStamp = FrameStart, leftStamp = FrameStart;
    Rect source = WholeSurface;  // the whole strip until the first animation step
    bool redraw = true;  // the well is drawn again only when the bomb changed
    for (;;) {
        if (StepDue(animStamp, 25)) {
            redraw = true;
            if (frame == 2) frame = -1;
            ++frame;
            source = {24 * frame, 0, 24 * frame + 24, 24};
        }
        const int32_t interval = KeyHeld(VK_DOWN) ? 50 : KeyHeld(VK_SPACE) ? 10 : 500;
        if (StepDue(FrameStart, interval)) {
            if (BombY == 360) {
                BombFloor();
                return shell::State::Settle;
            }
            const Cell& below = Well[BombX / 24][BombY / 24 + 1];
            if (!below.Empty) {
                BombBurst(below.Sprite, BombX, BombY);
                return shell::State::Settle;
            }
            BombY += 24;
            redraw = true;
        }
        // Steering only inside the well, never into a wall or a block.
        if (KeyHeld(VK_RIGHT) && StepDue(rightStamp, 100)) {
            if (BombX < 216 && BombY >= 0 && Well[BombX / 24 + 1][BombY / 24].Empty) {
                BombX += 24;
                redraw = true;
            }
        }
        if (KeyHeld(VK_LEFT) && StepDue(leftStamp, 100)) {
            if (BombX >= 1 && BombY >= 0 && Well[BombX / 24 - 1][BombY / 24].Empty) {
                BombX -= 24;
                redraw = true;
            }
        }
        if (redraw) {
            game::DrawWell();
            // Unseen above the well.
            if (BombY >= 0) CopyRect(BackBuffer, BombRect(BombX, BombY), BombFramesSurface, source);
            PresentRect(WellRect);
            redraw = false;
        }
        shell::YieldToEvents();
    }
}

}  // namespace powers
