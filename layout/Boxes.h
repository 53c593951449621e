// Single-line boxes, frames, underlines and mini pages.
#pragma once

#include <string>

#include "layout/state/State.h"

namespace vel {

// Typesets text as one unbroken line: size in st.box.result*, drawn at
// (x, baseline y) when draw is set. 0 or an error code.
int BoxWidthHeight(State& st, const std::string& text, int styleLevel, bool vertical, bool draw, int y, int x);

// The depth an underline of this style adds below its text (kind 1, the
// capital form, adds it to the line; kind 0 draws the same rule without).
int UnderlineExtraDepth(State& st, const std::string& style);

}  // namespace vel
