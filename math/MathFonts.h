// The fonts formulas are set in: the math font of a kind at a style level,
// and text drawn along a turned baseline.
//
// A math font is the current font of the state (st.chr.font) while a
// formula is measured or drawn; callers save and restore the state around
// a formula, so selecting one here never leaks into the text after it.
#pragma once

#include <string>
#include <string_view>

#include "math/MathSymbols.h"
#include "state/State.h"

namespace vel {

struct MathFontChoice {
  std::string_view name;    // CP932 face name (the text lives as long as the program)
  bool substitute = false;  // a platform face in place of a small math font
};

// The face of a font kind at a style level. `substitute` asks for the
// small-size substitutes (the user's printer cannot print small math
// characters and the caller sets a letter, digit or function name).
MathFontChoice MathFontName(MathFontKind kind, int styleLevel, bool boldMath, bool substitute);
// The same for a kind number as the tables write it: any number that is no
// kind is the math italic.
MathFontKind MathFontKindOf(int kind);

// Makes the math font of `kind` at `styleLevel` current: the level's layout
// height, bold under \boldmath, and the spacing units recomputed. With a
// substitute face, its own metrics (ascent, descent, axis) are read too.
void SetMathFont(State& st, MathFontKind kind, int styleLevel, bool substitutionAllowed);

// Draws `text` in the current font turned by the text rotation, at the
// layout point (x, y) moved `along` the turned baseline and `across` it
// (positive: down the page when unturned).
void InclineTextOut(State& st, double x, double y, std::string_view text, double across, double along);

}  // namespace vel
