// State of mathematics shared with the text layout.
#pragma once

#include <string>
#include <vector>

namespace vel {

struct MathState {
  bool mathMode = false;  // a formula is being set
  int depth = 0;          // formulas being set inside one another
  // A display that begins with \array is cut into one display per row:
  // while set, the array leaves its rows' texts here instead of drawing.
  bool arrayRowExport = false;
  std::vector<std::string> arrayRowList;
};

}  // namespace vel
