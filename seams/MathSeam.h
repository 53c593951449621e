// Formulas as the text layout sees them.
//
// A formula is the text of one math span, "$...$" with one, two or three
// dollars. The line builder and the box layout normalise it once, measure
// it, and keep the normalised text in the word; page drawing draws that
// text later with the same style level, and must get the extent it
// measured. Measuring and drawing leave the typesetting state as they found
// it (fonts, metrics, counters), except that drawing advances the pen of
// the line being drawn (DrawState::linePenX).
//
// Extents of formulas are about the math axis: height above the axis,
// depth below it. A caller that places a formula on a text baseline adds
// the axis offset (FontState::mathAxis) to the height and subtracts it
// from the depth.
#pragma once

#include <string>
#include <string_view>

#include "base/Result.h"

namespace vel {

struct State;

class MathSeam {
 public:
  virtual ~MathSeam() = default;

  // Rewrites the span's text into the form the layout reads. MathNotClosed
  // when the span is not accepted (the caller reports the "$" line).
  virtual LayoutCode Normalise(State& st, std::string& formula) const = 0;

  // The normalised formula's extent at a style level (1 display, 2 text,
  // 3-5 scripts); MathError when the formula has an error.
  virtual Result<Extent> Measure(State& st, const std::string& formula, int styleLevel) const = 0;

  // Draws the normalised formula with the top-left corner of its box at
  // (left, top); the extent is the one Measure gives.
  virtual Result<Extent> Draw(State& st, const std::string& formula, int styleLevel, int left,
                              int top) const = 0;

  // The symbol number of a math command name (the letters after the
  // backslash, or one control byte), -1 for a name that is none. Its
  // hundreds digit is the class that decides spacing, which preprocessing
  // needs for formulas in running text.
  virtual int SymbolNumber(std::string_view name) const = 0;
};

}  // namespace vel
