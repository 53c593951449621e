// State of mathematics shared with the text layout.
#pragma once

namespace vel {

struct MathState {
  bool mathMode = false;  // a formula is being set
  int depth = 0;          // formulas being set inside one another
};

}  // namespace vel
