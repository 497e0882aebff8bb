// The options screen: music, sound effects, difficulty and rotation mode.
#include "audio/audio.h"
#include "data/preferences.h"
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

constexpr int32_t NotSavedMs = 2000;

std::string OptionText(int choice) {
    switch (choice) {
    case 1: return MusicOn == 1 ? "Music on" : "Music off";
    case 2: return SoundOn == 1 ? "Sound FX on" : "Sound FX off";
    case 3: return Difficulty == 1 ? "Difficulty Easy" : Difficulty == 2 ? "Difficulty Medium"
                   : Difficulty == 3 ? "Difficulty Hard" : "";
    default: return RotationMode != 0 ? "Rotation:Block" : "Rotation:Color";
    }
}

void DrawOptions() {
    CopyRect(BackBuffer, UpdateRect, LogoSurface, UpdateRect);
    DrawText(260, 160, "OPTIONS", BackBuffer);
    for (int i = 1; i <= 4; ++i) DrawText(260, 160 + 40 * i, OptionText(i), BackBuffer);
    MarkerRect = {230, 160 + 40 * MenuChoice, 250, 180 + 40 * MenuChoice};
    CopyRect(BackBuffer, MarkerRect, MarkerSurface, WholeSurface, Key::Source);
    Present();
}

void ChangeOption(int choice) {
    switch (choice) {
    case 1: MusicOn = MusicOn == 1 ? 0 : 1; break;
    case 2: SoundOn = SoundOn == 1 ? 0 : 1; break;
    case 3: Difficulty = Difficulty == 1 ? 2 : Difficulty == 2 ? 3 : 1; break;
    default: RotationMode = RotationMode == 0 ? 1 : 0; break;
    }
}

}  // namespace

State OptionsScreen() {
    MenuChoice = 1;
    CopyRect(BackBuffer, WholeSurface, LogoSurface, WholeSurface);
    DrawOptions();
    FreshPress enter{VK_RETURN};  // not the Enter that chose Options
    for (;;) {
        MoveMenuChoice(4, DrawOptions);
        if (KeyHeld(VK_ESCAPE)) {
            // A failed save is said before the screen goes: the options
            // hold for this run only.
            if (const data::SaveResult saved = data::Preferences("save"); !saved) {
                DrawTextCentred(400, "Not saved: " + saved.trouble, BackBuffer);
                Present();
                Wait(NotSavedMs);
            }
            return State::MainMenu;
        }
        // Held Enter repeats the change every 100 ms.
        if (enter.Held()) {
            ChangeOption(MenuChoice);
            Wait(100);
            if (MenuChoice == 1 && MusicOn == 0) {
                audio::Stop(audio::IntroWav);
                audio::Rewind(audio::IntroWav);
            } else if (MenuChoice == 1) {
                audio::PlayLooping(audio::IntroWav);
            }
            DrawOptions();
        }
        YieldToEvents();
    }
}

}  // namespace shell
