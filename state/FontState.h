// The metrics derived from the current font (CharStyle) and the fonts the
// document is based on.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "canvas/Canvas.h"

namespace vel {

struct FontState {
  Font base;                // "ＭＳ Ｐ明朝" at the base size
  double baseSize = 21000;  // points x 2000
  std::array<double, 6> mathSizeRatio{1.0, 1.0, 1.0, 0.7, 0.55, 0.4};
  double layoutHeight = 0;  // negative: character height in layout units
  double deviceHeight = 0;  // layoutHeight x device scale

  // Metrics of the current font at the layout height.
  int ascent = 0;
  int descent = 0;
  double charHeight = 0;  // H, the full cell height
  double mathAxis = 0;    // (ascent - H/2) x 0.85
  std::array<double, 6> skip{};  // s0..s5: H/18, H/12, H/6, 2H/9, 5H/18, H/2
  int ruleThickness = 0;         // text-level rule of mathematics
  // The cell height and font size the skips and rule were worked out
  // from: formulas set them again with every glyph, mostly unchanged.
  double skipFromHeight = -1, ruleFromSize = -1;

  // Metrics of the document's base font (after \documentstyle).
  int docAscent = 0, docDescent = 0;
  double docCharHeight = 0;

  bool velFontInstalled = true;   // the roman face is "velr10" rather than "cmr10"
  int tateMode = 0;               // vertical writing: "@" faces
  int textRotationDeg = 0;        // rotated text inside figures
  double textRotationRad = 0;
  Font savedTextFont;             // the text font kept while math is set
  std::vector<std::string> reportedFaces;  // face names installed nowhere, already reported

  bool operator==(const FontState&) const = default;
};

}  // namespace vel
