// State of mathematics shared with the text layout.
#pragma once

namespace vel {

struct MathState {
  bool mathMode = false;   // a formula is being set
  bool boldMath = false;
  int kakkoMode = 0;       // \mathkakkomode
  int inlineMathMode = 0;  // \inlinemathmode
};

}  // namespace vel
