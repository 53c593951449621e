// Page geometry and the preamble's settings.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "base/Units.h"
#include "canvas/Region.h"

namespace vel {

// A running header or footer of one page parity.
struct HeadFoot {
  bool defined = false;
  int ruleWidth = 0;
  std::string left, center, right;
};

struct Geometry {
  int topMargin = units::kUnitsPerInch, bottomMargin = units::kUnitsPerInch;
  int leftMargin = units::kUnitsPerInch, rightMargin = units::kUnitsPerInch;
  int columnsPerSheet = 1;
  int pagesPerSheet = 1;
  int columnsPerPage = 1;
  std::array<int, 3> columnSep{7874, 7874, 7874};
  std::array<int, 3> columnRule{0, 0, 0};
  int firstPageNum = 1;
  int titlePageNum = 0;
  int headSep = 2362;
  int footSep = 2362;
  int topBottomBoxSep = 3937;
  std::string baseFontSizeText = "10.5";

  // Paper in millimetres (carried over from run to run by the engine).
  double paperWidthMM = 182;
  double paperHeightMM = 257;

  // Derived after \begindocument.
  int columnWidth = 0;
  int columnHeight = 0;
  int pageWidth = 0;
  int paperHeight = 0;  // layout units

  // Headers and footers: index 0 even pages, 1 odd pages.
  std::array<HeadFoot, 2> header;
  std::array<HeadFoot, 2> footer;

  // The full-page clipping region at the current output resolution.
  std::optional<Region> fullRegion;
};

}  // namespace vel
