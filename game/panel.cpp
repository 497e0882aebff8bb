// The status panel left of the well.
#include "game/play.h"
#include "platform/display.h"
#include "platform/font.h"

namespace game {

using namespace platform;

void DrawStatusPanel() {
    UpdateRect = {20, 109, 190, 421};
    CopyRect(BackBuffer, UpdateRect, BackgroundSurface, UpdateRect);
    auto line = [](int y, const std::string& text) { DrawText(20, y, text, BackBuffer); };
    line(110, "Lines left : " + std::to_string(LinesLeft));
    line(150, "Horizontals : " + std::to_string(Horizontals));
    line(170, "Verticals : " + std::to_string(Verticals));
    line(190, "Diagonals : " + std::to_string(Diagonals));
    line(230, "Score : " + std::to_string(Score));
    line(270, "Min blocks : " + std::to_string(CurrentRow().MinBlocks));
    // Each power's label framed green when the meter can pay for it.
    static const char* const labels[] = {"(2) Sweep", "(3) Rain", "(4) Airstone", "(5) HolyCross", "(6) Bomb"};
    for (int k = 2; k <= 6; ++k) {
        const int y = 310 + 20 * (k - 2);
        line(y, labels[k - 2]);
        BackBuffer.SetForeColour(PowerMeter >= k ? Rgb(0, 255, 0) : Rgb(255, 0, 0));
        DrawBox(BackBuffer, 20, y - 1, 20 + TextWidth(labels[k - 2]), y + 18);
    }
}

void PresentPanel() { PresentRect(PanelRect); }

}  // namespace game
