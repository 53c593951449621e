// Drawing and replaying the words of the layout.
#pragma once

#include "state/State.h"

namespace vel {

// Draws sheet `first` (box -1, draw 1), replays words from `first` (box -1,
// draw 0), or draws/replays mini page `box` at (x, y).
void PageDisplay(State& st, int first, int box, int draw, int y, int x);

}  // namespace vel
