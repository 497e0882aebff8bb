#include "ending/finale.h"

#include <array>

#include "audio/audio.h"
#include "game/random.h"
#include "game/state.h"
#include "platform/display.h"
#include "platform/font.h"
#include "platform/keyboard.h"
#include "platform/timing.h"
#include "shell/window.h"

namespace ending {

using namespace platform;

namespace {

int32_t StarColour() {
    const int r = 128 + int(game::Rnd() * 128);
    const int g = 128 + int(game::Rnd() * 128);
    const int b = 128 + int(game::Rnd() * 128);
    return int32_t(Rgb(r, g, b));
}

}  // namespace

void MoveStar(Star& star) {
    if (star.x < 0) {
        star.x = 640;
        star.y = int16_t(game::Rnd() * 480);
        star.speed = uint8_t(1 + int(game::Rnd() * 4));
        star.colour = StarColour();
    } else {
        star.x = int16_t(star.x - star.speed);
    }
}

shell::State Finale() {
    FillRect(BackBuffer, WholeSurface, 0);
    Present();
    audio::LoadPiece(audio::MusicPlayer, "endmid.mid", 999);
    std::array<Star, 100> stars;
    for (Star& s : stars) {
        s.x = int16_t(game::Rnd() * 641);
        s.y = int16_t(game::Rnd() * 480);
        s.speed = uint8_t(1 + int(game::Rnd() * 3));
        s.colour = StarColour();
    }
    shell::DisableTimer1();
    if (MusicOn == 1) audio::PlayPiece(audio::MusicPlayer);
    const Colour green = Rgb(0, 255, 0);
    const std::string thanks = "Thank you for playing Zintari!";
    FrameStart = TickCount();
    for (;;) {
        if (StepDue(FrameStart, 20)) {
            if (KeyHeld(VK_ESCAPE)) break;
            FillRect(BackBuffer, WholeSurface, 0);
            for (Star& s : stars) {
                MoveStar(s);
                BackBuffer.SetForeColour(Colour(s.colour));
                DrawRoundBox(BackBuffer, s.x, s.y, s.x + 4, s.y + 4, 2, 2, true);
            }
            BackBuffer.SetForeColour(green);
            DrawText(10, 10, "CONGRATULATIONS!", BackBuffer);
            DrawText(630 - TextWidth(thanks), 455, thanks, BackBuffer);
            CopyRect(BackBuffer, FinaleRect, FinaleSurface, WholeSurface);
            DrawBox(BackBuffer, 246, 167, 392, 315);
            DrawSurfaceText(BackBuffer, 234, 320, "Aahh...isn't she wonderful?");
            Present();
        }
        shell::YieldToEvents();
    }
    if (MusicOn == 1) audio::StopAll(audio::MusicPlayer);
    // The curtain closes from the middle outwards.
    for (int k = 1; k <= 320; k += 4) {
        FillRect(BackBuffer, {320 - k, 0, 320 + k, 480}, 0);
        Present();
        Wait(20);
    }
    ShowMessage("More to come...very soon.", 3000, 500);
    audio::Rewind(audio::IntroWav);
    return shell::State::MainMenu;
}

}  // namespace ending
