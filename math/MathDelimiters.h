// Stretchable signs built from strokes and filled outlines at any size:
// parentheses, braces, brackets and bars (upright, or turned on their side
// over and under a base), and the radical sign with its index.
#pragma once

#include <string_view>

#include "math/MathAtoms.h"

namespace vel {

// A delimiter of `kind` (KindOfKakko) spanning `length` from the top y.
// Kinds 1-8: the result is the sign's width with its side margins; kinds
// 9 and 10 (over- and underbrace): the length runs across and the result
// is the brace's thickness. Draws only when pen.draw; `level` gives the
// size ratio.
int Kakko(State& st, const MathPen& pen, double x, double top, int level, int kind, double length);

// The radical sign spanning height f from the top y, its bar running to
// x + g; with an index (measured at indexLevel: its height and width),
// the index is placed against the long stroke and drawn. Returns the
// extra width the index needs left of x (0 without one).
int WriteRoot(State& st, const MathPen& pen, double x, double top, int indexLevel, int indexHeight, int indexWidth,
              std::string_view index, bool hasIndex, double f, double g);

}  // namespace vel
