// State of the line builder: the line being filled, indentation, items,
// underline spans and paragraph spacing.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "state/WordKinds.h"

namespace vel {

struct ItemLevel {
  int leftEdge = 0;
  int rightEdge = 0;  // or kAutomaticLabelWidth
  int counter = 0;
};

struct LineState {
  int hpos = 0;
  int lineHeight = 0;
  int lineDepth = 0;
  int wordCount = 0;     // words of positive width on the current line
  int linesInPara = 0;
  int lineWidth = 0;
  int charClass = -1;    // class of the previous word, for automatic spacing
  int boxHeight = 0;     // height used by a box's lines (box mode)
  int boxPrevSkip = 0;

  // Paragraph spacing and indents in force for the line being built (the
  // settings themselves are the ParaStyle).
  bool parSkipSet = false;
  bool noIndent = false;
  bool itemLabelLine = false;
  int pendingMathIndent = 0;

  std::array<int, 10> pendingLeftIndent{};
  std::array<int, 10> pendingRightIndent{};
  bool leftIndentPending = false;
  bool rightIndentPending = false;
  int leftIndentRemainder = 0;
  int rightIndentRemainder = 0;
  int leftIndentForWidth = 0;
  int rightIndentForWidth = 0;

  // Items.
  int itemLevel = 0;
  bool itemMode = false;
  bool itemJustOpened = false;
  std::array<ItemLevel, 10> items{};
  int nextItemIndent = 0;
  int nextLabelWidth = kAutomaticLabelWidth;
  int outermostItemLine = -1;  // source line where the outermost open list began

  // Underline spans.
  bool underlineOpen = false;
  int underlineStartWord = -1;
  int underlineKind = 0;

  std::vector<std::string> nextColumnHeadList;
};

}  // namespace vel
