// State set by the text commands: the sub-type of the command looked up,
// the exact matrix separations, heading texts, the header being drawn.
#pragma once

#include <string>
#include <vector>

#include "canvas/Canvas.h"

namespace vel {

struct CommandState {
  int subType = 0;  // sub-type of the last command looked up

  double matrixRowSepExact = 0;  // unrounded, for mathematics
  double matrixColSepExact = 0;

  // Heading texts, copied into every column.
  std::string chapterTitle, chapterNum, sectionTitle, sectionNum, subsectionTitle, subsectionNum;

  // Headers and footers being drawn: \pagenum and the heading commands act only then.
  bool inHeaderFooter = false;
  std::string pageNumText;

};

}  // namespace vel
