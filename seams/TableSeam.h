// Tables (\table) as the text layout and formulas see them: a box placed
// on the text baseline, measured when the line is built and drawn when the
// page is drawn. The argument is the command's argument as written; what
// the table holds (boxes, formulas, stored-box references) is read through
// the box layout, so measuring may rewrite the argument the way a box walk
// does (stored boxes replaced by references to what was measured), and the
// word keeps the rewritten text for drawing.
#pragma once

#include <string>

#include "base/Result.h"

namespace vel {

struct State;

class TableSeam {
 public:
  virtual ~TableSeam() = default;

  // Width, height above the baseline, depth below it; `rewritten` (when
  // given) receives the argument as the layout left it. A table that
  // cannot be laid out fails with InvalidArgument (its message written).
  virtual Result<Extent> Measure(State& st, const std::string& arg, int styleLevel,
                                 std::string* rewritten) const = 0;

  // Draws the table with its left edge at x and the baseline at y.
  virtual Result<Extent> Draw(State& st, const std::string& arg, int styleLevel, int x, int baseline) const = 0;
};

}  // namespace vel
