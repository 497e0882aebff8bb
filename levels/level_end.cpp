// The two ways a level ends: complete, or a well too full for a new piece.
#include "audio/audio.h"
#include "data/preferences.h"
#include "game/play.h"
#include "levels/levels.h"
#include "platform/display.h"
#include "platform/font.h"
#include "platform/keyboard.h"
#include "platform/timing.h"
#include "shell/window.h"

namespace levels {

using namespace platform;
using shell::State;

bool Qualifies(int32_t score) { return score > ScoreValues[ScoreEntries - 1]; }

namespace {

// "LEVEL CLEAR!" falls letter by letter and then bobs between y 90 and 100.
struct Letter {
    std::string text;
    int x, y, v;
};

void StepLetter(Letter& l) {
    if (l.y >= 100) l.v = -1;
    if (l.y == 90) l.v = 1;
    if (l.y < 90) l.v = 5;
    l.y += l.v;
}

}  // namespace

State CompleteLevel() {
    const int lines = Horizontals + Verticals + Diagonals;
    const int16_t bonus = game::LevelBonus();
    const int32_t total = bonus + Score;
    Score = total;
    if (LinesLeft < 0) LinesLeft = 0;
    game::DrawStatusPanel();
    game::PresentPanel();
    std::vector<Letter> letters;
    const std::string word = "LEVEL CLEAR!";
    for (int i = 0; i < int(word.size()); ++i) letters.push_back({word.substr(size_t(i), 1), 205 + 20 * i, -20 - 10 * i, 0});
    audio::Stop(audio::Deogratias2Wav);
    if (MusicOn == 1) audio::PlayOnce(audio::FinishedWav);
    // Finishing the highest open level opens the next one, the last opens
    // them all. Saved before the screen says so: closing the window on this
    // screen keeps it. A failed save is said as such; the open level stays
    // in memory for the next save that works.
    if (CurrentLevel + 1 == LevelCount) LevelsUnlocked = LevelCount;
    else if (CurrentLevel + 1 == LevelsUnlocked) ++LevelsUnlocked;
    const bool saved = bool(data::Preferences("save"));

    FrameStart = FrameNow = TickCount();
    const int32_t shown = FrameNow;
    while (!KeyHeld(VK_RETURN)) {
        if (StepDue(FrameStart, 50)) {
            const int32_t t = FrameStart;
            FillRect(BackBuffer, WellRect, 0);
            for (Letter& l : letters) {
                StepLetter(l);
                DrawText(l.x, l.y, l.text, BackBuffer);
            }
            const int32_t e = Since(t, shown);
            auto text = [](int y, const std::string& s) { DrawText(210, y, s, BackBuffer); };
            if (e >= 2500) text(150, "Lines : " + std::to_string(lines));
            if (e >= 3000) text(180, "Score : " + std::to_string(Score - bonus));
            if (e >= 3500) text(210, "Bonus : " + std::to_string(bonus));
            if (e >= 4000) text(240, "Total : " + std::to_string(total));
            if (e >= 4500) {
                text(270, "Top score : " + std::to_string(ScoreValues[0]));
                text(300, saved ? "Level auto-saved" : "Level not saved");
                text(330, "Enter=Next level");
                text(360, "Well done !");
            }
            PresentRect(WellRect);
        }
        shell::YieldToEvents();
    }

    if (MusicOn == 1) audio::Stop(audio::FinishedWav);
    if (CurrentLevel + 1 < LevelCount) {
        ++CurrentLevel;
        return State::NextLevel;
    }
    // The last level is done: the game ends.
    if (Qualifies(Score)) {
        FinalePending = True;
        return State::NameEntry;
    }
    return State::Finale;
}

State GameOver() {
    if (MusicOn == 1) {
        audio::StopAll(audio::MusicPlayer);
        audio::PlayFromStart(audio::GameOverWav);
    }
    BackBuffer.SetForeColour(0);
    for (int y = 50; y <= 432; y += 2) DrawLine(BackBuffer, 200, y, 440, y);
    PresentRect(WellRect);

    // The skull's path, kept to restore behind it every step.
    const Rect path{272, 130, 368, 480};
    Surface behind(96, 350);
    CopyRect(behind, WholeSurface, BackBuffer, path);
    int column = -1, row = -1, toggle = 1, dy = -5, top = 500;
    FrameStart = TickCount();
    for (;;) {
        if (KeyHeld(VK_ESCAPE) && dy == 0) return Qualifies(Score) ? State::NameEntry : State::MainMenu;
        if (StepDue(FrameStart, 35)) {
            // At rest the frames turn every second step.
            if (top == 195 && dy == 0 && ++toggle == 2) toggle = 0;
            if (toggle == 1 && ++column == 5) {
                column = 0;
                if (++row == 4) row = 0;
            }
            // Rises from below the screen to 130, sinks back to 195 and stays.
            if (top <= 130) dy = 5;
            if (top == 195 && dy == 5) dy = 0;
            top += dy;
            CopyRect(BackBuffer, path, behind, WholeSurface);
            // Before the first row is reached there is no frame to show;
            // the skull is still below the screen then.
            if (row >= 0)
                CopyRect(BackBuffer, {272, top, 368, top + 96}, GameOverSurface,
                         {96 * column, 96 * row, 96 * column + 96, 96 * row + 96}, Key::Source);
            PresentRect(path);
        }
        shell::YieldToEvents();
    }
}

}  // namespace levels
