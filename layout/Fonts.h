// The current font and its metrics: selecting fonts, the layout and device
// heights of the style levels, the spacing units.
#pragma once

#include "layout/state/State.h"

namespace vel {

// Makes the current font a copy of f at the style level and refreshes the
// metrics and spacing units.
void SetFont(State& st, const Font& f, int styleLevel);
// Stores the layout and device heights of the level; it becomes current.
void SetBigNormalHeight(State& st, int level);
// Ascent, descent and cell height of the current font, and the math axis.
void GetFontMetric(State& st);
// The six spacing units from the cell height, and the text rule thickness.
void SetSkip(State& st);

// The base font: "ＭＳ Ｐ明朝", Japanese character set, at the base size.
Font BaseFont(const State& st);

}  // namespace vel
