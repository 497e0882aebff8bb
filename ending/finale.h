// The finale after the thirtieth level.
#pragma once
#include <cstdint>

#include "shell/program.h"

namespace ending {

struct Star {
    int32_t colour = 0;  // 0xBBGGRR
    int16_t x = 0, y = 0;
    uint8_t speed = 1;
};

// One 20 ms step of a star: left by its speed, or, once past the left edge,
// back in at the right on a new row with a new speed (1 to 4) and colour.
void MoveStar(Star& star);

// Stars drifting over black, the framed picture and music; Escape draws the
// curtain, shows the closing message and returns to the main menu.
shell::State Finale();

}  // namespace ending
