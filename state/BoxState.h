// The stored-box bindings and the bounds of box typesetting.
#pragma once

#include <array>
#include <string>

namespace vel {

struct BoxState {
  std::array<int, 26> boxLetterIndex;  // BoxList index per letter, or -1
  BoxState() { boxLetterIndex.fill(-1); }

  // While above 0, footnotes met in boxes are left out instead of being made
  // and placed: makebox measures, and replays of words that were laid out
  // already (drawing does the same by its draw flag).
  int footnotesOff = 0;
  int footnotesLeftOut = 0;  // how many were left out so far (only grows)

  // Boxes and blocks being typeset inside each other (each level is a
  // recursion), and the walks made since the outermost one began: both are
  // bounded (Boxes.h), since stored boxes and border patterns repeat what
  // they hold and could otherwise multiply without end.
  int nesting = 0;
  long long walks = 0;
};

}  // namespace vel
