// Results of the box operations and the stored-box bindings.
#pragma once

#include <array>
#include <string>

namespace vel {

struct BoxState {
  int resultWidth = 0;   // BoxResultWidth
  int resultHeight = 0;  // BoxResultHeight, above the baseline
  int resultDepth = 0;   // BoxResultDepth
  int resultMiniPage = -1;
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

  // The argument of the last box command (\box, \framebox, \underline, ...)
  // as the box walk rewrote it: stored-box and mini page references and
  // resolved conditionals. The walk that met the command puts it back into
  // its own text, so that drawing later reads the same boxes.
  std::string rewrittenArg;
};

}  // namespace vel
