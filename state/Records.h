// The records of a typesetting run: words, lines, columns, pages, mini
// pages and stored boxes, and the snapshot of the state kept per page.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "state/WordList.h"
#include "state/WordTexts.h"
#include "base/Shared.h"
#include "canvas/Canvas.h"
#include "state/Styles.h"
#include "state/WordKinds.h"
#include "base/NameList.h"

namespace vel {

using LengthNameList = NameList<int>;
using ValueNameList = NameList<double>;

struct LineInfo {
  int32_t lastWord = 0;
  int32_t height = 0;  // height + depth
  int32_t width = 0;   // width used
  int32_t ascent = 0;
  int32_t kind = 0;
  int32_t count = 0;  // words of positive width
  int32_t skip = 0;   // vertical space below the line
  int32_t offset = 0;
  int32_t lineWidth = 0;
};

struct ColumnInfo {
  int32_t lastLine = -1;
  std::string chapterTitle, chapterNum, sectionTitle, sectionNum, subsectionTitle, subsectionNum;
  std::vector<int> topOfColumn;     // MiniPageList indexes
  std::vector<int> topOfPage;       // shared by the columns of a page
  std::vector<int> bottomOfColumn;  // footnotes first, then the other bottom boxes
  std::vector<int> bottomOfPage;    // shared by the columns of a page
  int32_t footnoteCount = 0;
  Color bgColor = kWhite;
  bool hasBgColor = false;
  std::string bgImage;
  bool hasBgImage = false;
};

// A snapshot of the state at the start of a sheet, so that the sheet can
// be drawn alone: the settings, the lengths, the counters, the item level
// and the page's background.
struct PageInfo {
  GroupStyle style;
  Shared<LengthNameList> lengths;
  Shared<LengthNameList> userLengths;
  std::array<int, 100> counters{};
  int itemLevel = 0;
  int tateMode = 0;  // vertical writing as the page starts: its font commands take "@" faces
  Color bgColor = kWhite;
  bool hasBgColor = false;
  std::string bgImage;
  bool hasBgImage = false;
};

// A block typeset apart: \minipage contents, floats and footnotes.
struct MiniPage {
  WordTexts wordTexts;
  WordList words;
  std::vector<LineInfo> lines;
  int width = 0;
  int height = 0;  // above the reference line
  int depth = 0;
};

struct StoredBox {
  int width = 0;
  int height = 0;
  int depth = 0;
  std::string text;
  bool footnotesRemoved = false;
};

}  // namespace vel
