// State set by the text commands: rules and separations, heading texts,
// the outputs of the last executed command.
#pragma once

#include <string>
#include <vector>

#include "canvas/Canvas.h"

namespace vel {

// What SetCommand reports for the word it makes.
struct CommandResult {
  int kind = 0;
  int width = 0;
  int height = 0;
  int depth = 0;
  int value = 0;
  int subType = 0;
  int valueA = 0;
  int valueB = 0;
};

struct CommandState {
  int subType = 0;  // sub-type of the last command looked up
  CommandResult out;

  double matrixRowSepExact = 0;  // unrounded, for mathematics
  double matrixColSepExact = 0;

  // Heading texts, copied into every column.
  std::string chapterTitle, chapterNum, sectionTitle, sectionNum, subsectionTitle, subsectionNum;

  // Headers and footers being drawn: \pagenum and the heading commands act only then.
  bool inHeaderFooter = false;
  std::string pageNumText;

  // A command that rewrites itself (the string functions): the text that
  // replaces the command and its argument in the source.
  bool replaced = false;
  std::string replacement;

  // The shared argument list filled by StrTok.
  std::vector<std::string> args;
};

}  // namespace vel
