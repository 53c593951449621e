// Formulas as the text layout sees them: normalising the source of a span
// and measuring it.
#pragma once

#include <string>

#include "layout/state/State.h"

namespace vel {

// Rewrites a formula's text ("$...$") into its normal form; 0, or a
// negative code when the formula is not accepted.
int ReformMath(State& st, std::string& formula);
// Measures a formula at a style level: width in BoxResultWidth, height above
// the math axis in BoxResultHeight, depth below it in BoxResultDepth.
// 0, or -5 on a math error.
int SetMath(State& st, const std::string& formula, int styleLevel);

}  // namespace vel
