// Results of the box operations and the stored-box bindings.
#pragma once

#include <array>

namespace vel {

struct BoxState {
  int resultWidth = 0;   // BoxResultWidth
  int resultHeight = 0;  // BoxResultHeight, above the baseline
  int resultDepth = 0;   // BoxResultDepth
  int resultMiniPage = -1;
  std::array<int, 26> boxLetterIndex;  // BoxList index per letter, or -1
  BoxState() { boxLetterIndex.fill(-1); }
};

}  // namespace vel
