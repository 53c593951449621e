// State of preprocessing, macros, footnote marks and the table-of-contents
// passes.
#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "base/Lines.h"
#include "base/NameList.h"

namespace vel {

struct MacroDef {
  int params = 0;
  std::string body;
  bool operator==(const MacroDef&) const = default;
};
using MacroList = NameList<MacroDef>;

// The date and time of a run, read once when preprocessing starts.
struct RunClock {
  int year = 2000, month = 1, day = 1, hour = 0, minute = 0, second = 0;
  int dayOfWeek = 7;  // 1 Sunday .. 7 Saturday
};

struct PreprocState {
  MacroList macroNameList;
  MacroList figureFunctionList;

  // Footnote marks.
  int footnoteCount = 0;
  std::string footnotePrefix = "*";
  std::string footnoteSuffix;
  int footnoteStyle = 1;  // 0 fixed, 1 number, 2 letter, 3 symbol

  // Table of contents.
  bool contentsRequested = false;
  bool contentsPassDone = false;
  int frontMatterPages = 0;
  int contentsLevel = -1;
  Lines preambleLines;
  Lines contentsLines;
  Lines afterContentsLines;
  // Size of contentsLines once the front matter has been moved into it
  // (the generated entries follow).
  int frontMatterEnd = -1;

  RunClock clock;
};

}  // namespace vel
