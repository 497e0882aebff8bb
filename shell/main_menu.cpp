// The main menu: five entries over the logo picture.
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

void DrawMenu() {
    static const char* const texts[] = {"MAIN MENU", "New Game", "Options", "Quick Help", "Best Players", "Exit"};
    CopyRect(BackBuffer, UpdateRect, LogoSurface, UpdateRect);
    for (int i = 0; i < 6; ++i) DrawText(260, 120 + 40 * i, texts[i], BackBuffer);
    MarkerRect = {230, 120 + 40 * MenuChoice, 250, 140 + 40 * MenuChoice};
    CopyRect(BackBuffer, MarkerRect, MarkerSurface, WholeSurface, Key::Source);
    Present();
}

}  // namespace

void MoveMenuChoice(int entries, void (*draw)()) {
    // Down is tested before Up: both held move down and back up again.
    if (KeyHeld(VK_DOWN)) {
        MenuChoice = MenuChoice == entries ? 1 : MenuChoice + 1;
        draw();
        Wait(100);
    }
    if (KeyHeld(VK_UP)) {
        MenuChoice = MenuChoice == 1 ? entries : MenuChoice - 1;
        draw();
        Wait(100);
    }
}

State MainMenu() {
    DisableTimer1();
    UpdateRect = {200, 110, 450, 370};
    FinalePending = False;
    if (MusicOn == 1) audio::PlayLooping(audio::IntroWav);
    MenuChoice = 1;
    CopyRect(BackBuffer, WholeSurface, LogoSurface, WholeSurface);
    DrawMenu();
    for (;;) {
        MoveMenuChoice(5, DrawMenu);
        if (KeyHeld(VK_RETURN)) {
            switch (MenuChoice) {
            case 5:
                if (MusicOn == 1) audio::Stop(audio::IntroWav);
                return State::Shutdown;
            case 4: return State::BestPlayers;
            case 3:
                if (MusicOn == 1) audio::Stop(audio::IntroWav);
                return State::QuickHelp;
            case 2: return State::Options;
            default: return State::LevelSelect;
            }
        }
        YieldToEvents();
    }
}

}  // namespace shell
