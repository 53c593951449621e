// The structure segments of a formula: scripts, limits, fractions, roots,
// delimiters, matrices, upright text, phantoms, dots and rules.
//
// Until the structure layout lands, these are set plainly: scripts at the
// script size beside their nucleus, limits centred above and below,
// fractions stacked on a rule, roots under a bar, delimiters at their text
// size, matrix cells on a grid, accents as their base. Every part is a
// formula of its own, measured and drawn by MathWidthHeight.
#pragma once

#include "math/MathLayout.h"

namespace vel {

// Measures one structure segment at the pen and draws it when the pen
// draws (the caller advances the pen). The width is -1 on an error.
MathBox SetMathStructure(State& st, MathPen& pen, const MathSegment& segment);

}  // namespace vel
