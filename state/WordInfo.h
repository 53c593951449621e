// A word of the layout: a character, a run of Latin text, a formula, a
// box or a command that the drawing replays.
#pragma once

#include <cstdint>

namespace vel {

struct WordInfo {
  int32_t width = 0;
  int32_t height = 0;  // above the baseline
  int32_t depth = 0;   // below the baseline
  int32_t kind = 0;
  int32_t subType = 0;
  int32_t value = 0;
  int32_t valueA = 0;  // for register assignments: the two halves of the double
  int32_t valueB = 0;
  int32_t line = 0;  // source line index
  int32_t pos = 0;   // 1-based byte position in that line

  bool operator==(const WordInfo&) const = default;
};

}  // namespace vel
