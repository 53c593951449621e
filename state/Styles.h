// The settings a brace group scopes, as values by how long they live.
//
// A character style is what every group, box and formula keeps around its
// content: the font and the rules, separations and modes that commands set
// for the characters and boxes that follow. A paragraph style adds what
// only paragraphs use: skips and indents. Saving a scope is keeping a copy
// of the value; restoring it is making the copy current again and deriving
// what follows from it (the font metrics and the published lengths) in one
// place (layout/scopes/StateStacks.h). A new scoped setting is one field
// here: every save, restore, snapshot and drawing scope carries it.
#pragma once

#include <array>

#include "canvas/Canvas.h"

namespace vel {

struct CharStyle {
  Font font;                  // height: the layout height
  bool verticalFace = false;  // the face is the "@" (vertical) form of font.name
  double fontSize = 21000;    // points x 2000
  int styleLevel = 2;         // 1 display, 2 text, 3-5 scripts
  int alnumFontMode = 0;      // 0: Latin letters and digits in the roman face

  int ruleWidth = 157;
  Color ruleColor = kBlack;
  int frameBoxSep = 393;
  int underlineSep = 157;
  int doubleLineSep = 236;
  int tableRowSep = 787;
  int tableColSep = 787;
  int matrixRowSep = 0;
  int matrixColSep = 0;

  int mathKakkoMode = 0;   // \mathkakkomode
  int inlineMathMode = 0;  // \inlinemathmode
  bool boldMath = false;

  bool operator==(const CharStyle&) const = default;
};

struct ParaStyle {
  int lineSkip = 1574;
  int parSkip = 1574;
  int parIndent = 0;
  int mathIndent = 0;
  int mathRightIndent = 0;
  std::array<int, 10> leftIndent{};  // per line of the paragraph (\leftindent)
  std::array<int, 10> rightIndent{};
};

// What a brace group saves, and what a page keeps of the settings.
struct GroupStyle {
  CharStyle chr;
  ParaStyle para;
};

}  // namespace vel
