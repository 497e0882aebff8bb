// The power meter right of the well, the message strip and paying for a
// power.
#include "audio/audio.h"
#include "game/play.h"
#include "platform/display.h"
#include "platform/font.h"
#include "platform/timing.h"
#include "powers/powers.h"
#include "shell/window.h"

namespace powers {

using namespace platform;

int PendingPower = 0;

namespace {

// The i-th filled cell counted from the top of the filled part (i from 1)
// of a meter holding m cells.
Rect MeterCell(int m, int i) {
    const int top = 434 - 24 * m + 24 * (i - 1);
    return {460, top, 484, top + 24};
}

}  // namespace

void ShowStripMessage(const std::string& text) {
    shell::DisableTimer1();
    CopyRect(BackBuffer, StripRect, BackgroundSurface, StripRect);
    PresentRect(StripRect);
    DrawText(StripRect.Left, StripRect.Top, text, BackBuffer);
    PresentRect(StripRect);
    shell::EnableTimer1();
}

void DrawPowerMeter(int16_t code) {
    const int m = PowerMeter;
    if (code == RedrawMeter) {
        FillRect(BackBuffer, MeterRect, 0);
        for (int i = 1; i <= m; ++i) CopyRect(BackBuffer, MeterCell(m, i), BlockSurfaces[6], WholeSurface);
        return;
    }
    // The lowest new cell first; each blinks 20 phases of 10 ms and ends lit.
    for (int i = code; i >= 1; --i) {
        if (SoundOn == 1) audio::PlayFromStart(audio::SbWav);
        const Rect cell = MeterCell(m, i);
        FrameStart = TickCount();
        for (int c = 0;;) {
            if (StepDue(FrameStart, 10)) {
                if (++c == 21) break;
                if (c % 2 == 0) CopyRect(BackBuffer, cell, BlockSurfaces[6], WholeSurface);
                else FillRect(BackBuffer, cell, 0);
                PresentRect(MeterRect);
            }
            shell::YieldToEvents();
        }
    }
}

void SpendPower(uint8_t cost) {
    const int m = PowerMeter;
    auto cell = [m](int i) { return MeterCell(m, i); };
    // Nine steps; the strip holds eight frames, so the last step keeps the
    // eighth frame standing.
    FrameStart = TickCount();
    for (int f = -1; f < 8;) {
        if (StepDue(FrameStart, 30)) {
            ++f;
            const int shown = f < 8 ? f : 7;
            for (int i = 1; i <= cost; ++i) {
                CopyRect(BackBuffer, cell(i), MeterSpendSurface, {24 * shown, 0, 24 * shown + 24, 24});
                PresentRect(cell(i));
            }
        }
        shell::YieldToEvents();
    }
    for (int i = 1; i <= cost; ++i) {
        FillRect(BackBuffer, cell(i), 0);
        FillRect(PrimarySurface, cell(i), 0);
    }
    ScreenChanged();
    PowerMeter = uint8_t(m - cost);
    DrawPowerMeter(RedrawMeter);
}

int CountStones() {
    int stones = 0;
    for (const auto& column : Well)
        for (const Cell& cell : column) stones += cell.Stone ? 1 : 0;
    return stones;
}

shell::State FirePower() {
    struct Power {
        const char* banner;
        audio::Sound sound;
        shell::State routine;
    };
    static const Power table[] = {
        {"Sweep", audio::Clear2lWav, shell::State::Sweep},
        {"Rain", audio::RainWav, shell::State::Rain},
        {"Airstone", audio::Deogratias2Wav, shell::State::Airstone},
        {"Holycross", audio::CrossWav, shell::State::HolyCross},
        {"Bomb", audio::RainWav, shell::State::Bomb},
    };
    const int k = PendingPower;
    if (k < 2 || k > 6) return shell::State::PieceControl;
    const Power& power = table[k - 2];
    // The falling piece vanishes: it is never placed.
    game::DrawWell();
    PresentRect(WellRect);
    PowerFired = True;
    ShowStripMessage(power.banner);
    audio::Rewind(power.sound);
    if (k == 6) audio::Rewind(audio::BangWav);
    if (SoundOn == 1) audio::PlayOnce(power.sound);
    SpendPower(uint8_t(k));
    game::DrawStatusPanel();
    game::PresentPanel();
    return power.routine;
}

}  // namespace powers
