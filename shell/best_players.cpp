// Name entry after a qualifying game, and the best players screen.
#include "shell/best_players.h"

#include "data/scores.h"
#include "game/state.h"
#include "platform/backend.h"
#include "platform/display.h"
#include "platform/font.h"
#include "platform/keyboard.h"
#include "platform/timing.h"
#include "shell/window.h"

namespace shell {

using namespace platform;

State NameEntry() {
    BackBuffer.SetForeColour(Rgb(0, 255, 0));
    FillRect(BackBuffer, WholeSurface, 0);
    Present();
    TextField& field = NameField();
    field.text.clear();
    field.top = 60;
    field.visible = true;
    Active().SetTextInput(true);
    FrameStart = TickCount();
    FreshPress enter{VK_RETURN};  // not the Enter that ended the last screen
    for (;;) {
        if (enter.Held()) break;
        if (StepDue(FrameStart, 25)) {
            CopyRect(BackBuffer, WholeSurface, NameEntrySurface, WholeSurface);
            DrawSurfaceText(BackBuffer, 16, 15, "Your score is " + std::to_string(Score));
            DrawSurfaceText(BackBuffer, 16, 35, "Congratulations! Enter your name below !");
            Present();
        }
        shell::YieldToEvents();
    }
    data::EnterBestPlayer(field.text, Score);
    if (ReplayBestPlayer) ReplayBestPlayer(field.text, Score);
    field.text.clear();
    field.top = 800;
    field.visible = false;
    Active().SetTextInput(false);
    return FinalePending ? State::Finale : State::BestPlayers;
}

State BestPlayers() {
    FillRect(BackBuffer, WholeSurface, 0);
    // Below the band, while the table shown is not the one on disk.
    if (!ScoresNotSaved.empty()) DrawTextCentred(440, "Not saved: " + ScoresNotSaved, BackBuffer);
    int offset = -1;
    FrameStart = TickCount();
    for (;;) {
        const bool escape = KeyHeld(VK_ESCAPE);
        if (StepDue(FrameStart, 25)) {
            if (escape) return State::MainMenu;
            if (offset == 640) offset = -1;
            ++offset;
            // The band scrolls right one pixel a step and wraps around.
            CopyRect(BackBuffer, {offset, 60, 640, 420}, BestPlayersSurface, {0, 0, 640 - offset, 360});
            CopyRect(BackBuffer, {0, 60, offset, 420}, BestPlayersSurface, {640 - offset, 0, 640, 360});
            const std::string title = "BEST PLAYERS (Esc=Main Menu)";
            DrawTextCentred(25, title, BackBuffer);
            for (int i = 0; i < ScoreEntries; ++i) {
                const std::string& name = ScoreNames[size_t(i)];
                const std::string score = std::to_string(ScoreValues[size_t(i)]);
                const int y = 130 + 20 * i;
                BackBuffer.SetForeColour(0);  // a black shadow one pixel right and down
                DrawSurfaceText(BackBuffer, 170, y, name);
                DrawSurfaceText(BackBuffer, 390, y, score);
                BackBuffer.SetForeColour(Rgb(0, 190, 0));
                DrawSurfaceText(BackBuffer, 169, y - 1, name);
                DrawSurfaceText(BackBuffer, 389, y - 1, score);
            }
            Present();
        }
        shell::YieldToEvents();
    }
}

}  // namespace shell
