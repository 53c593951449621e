// Stores that expressions read: value registers, named values, counters,
// built-in and user lengths, and the evaluator's flags.
#pragma once

#include <array>
#include <vector>

#include "base/Shared.h"
#include "state/Records.h"

namespace vel {

struct ValueStore {
  // 0-25 \valA..\valZ, 26-51 \vala..\valz, 52-77 \pvalA..\pvalZ.
  std::array<double, 78> registers{};
  std::vector<std::array<double, 52>> valueInfoList;  // \valgroup stack
  ValueNameList valueList;                            // inmath, itemlebel, tatemode, ...
  std::array<int, 100> counters{};
  // Shared with the page snapshots until changed (change them through mut()).
  Shared<LengthNameList> lengthList;      // built-in lengths (hpos, linewidth, margins, ...)
  Shared<LengthNameList> userLengthList;  // names padded with 'Z' to five characters
  std::vector<Shared<LengthNameList>> lengthSaveInfoList;  // \lengroup stack
  std::vector<Shared<LengthNameList>> lengthRestoredList;  // copies popped from it

  // Free variables of the plotting commands (\c, \d).
  double calcVarC = 0;
  double calcVarD = 0;

  bool calcUndefined = false;  // the last Calc met a domain or arithmetic error
  bool unitGiven = false;      // the last UnitToPix text ended in a unit
  bool lengthVarUsed = false;  // the last UnitToPix substituted a length variable
};

}  // namespace vel
