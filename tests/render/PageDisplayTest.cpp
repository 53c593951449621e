// PageDisplay and WriteHeaderFooter on hand-built layouts, read from the
// FakeCanvas drawing log at S = 0.01 (layout 100 = 1 device pixel).
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "SheetFixture.h"
#include "TestSupport.h"
#include "base/Cp932.h"
#include "layout/commands/Commands.h"
#include "layout/drawing/PageDisplay.h"

namespace veltest {
namespace {


// x of every glyph drawn, in drawing order.
std::vector<int> glyphXs(const std::vector<std::string>& log) {
  std::vector<int> xs;
  for (const std::string& l : withPrefix(log, "text ")) {
    int x = 0, y = 0;
    if (std::sscanf(l.c_str(), "text %d %d", &x, &y) == 2) xs.push_back(x);
  }
  return xs;
}

// The (x, y) of the glyph whose log line ends with " <glyph>".
bool glyphAt(const std::vector<std::string>& log, const std::string& glyph, int& x, int& y) {
  for (const std::string& l : withPrefix(log, "text ")) {
    const std::string tail = " " + glyph;
    if (l.size() >= tail.size() && l.compare(l.size() - tail.size(), tail.size(), tail) == 0 &&
        std::sscanf(l.c_str(), "text %d %d", &x, &y) == 2)
      return true;
  }
  return false;
}

// ---------------------------------------------------------------- lines

struct JustifyCase {
  const char* name;
  int kind;
  int lineWidth;
  std::vector<int> xs;  // A B C D D
};

// Words "AB" (1000), "C" (500) and "DD" (1000), 2500 wide together: a line
// of kind 0 spreads lineWidth - 2500 over two gaps, the first r gaps one
// unit more, floor division also for a line wider than its width.
TEST(PageDisplayLines, JustificationSpreadsTheGapOverTheWordAdvances) {
  const std::vector<JustifyCase> cases = {
      {"even gap", 0, 3500, {200, 205, 215, 225, 230}},
      {"odd gap: the first gap gets one more", 0, 3501, {200, 205, 215, 225, 230}},
      {"negative gap", 0, 2000, {200, 205, 208, 210, 215}},
      {"negative odd gap: floor", 0, 2001, {200, 205, 208, 210, 215}},
      {"a line of kind 1 is not spread", 1, 3500, {200, 205, 210, 215, 220}},
      {"a line of kind 3 is not spread", 3, 9000, {200, 205, 210, 215, 220}},
  };
  for (const JustifyCase& c : cases) {
    SheetFixture f;
    f.word(0, 1000, "AB");
    f.word(0, 500, "C");
    f.word(0, 1000, "DD");
    f.line(c.kind, 2500, 3, c.lineWidth);
    f.column();
    EXPECT_EQ(glyphXs(f.draw()), c.xs) << c.name;
  }
}

TEST(PageDisplayLines, TheLastWordOfAJustifiedLineEndsAtTheRightEdge) {
  // Nine double-byte words of different widths, 1234 short of the line.
  SheetFixture f;
  const int widths[] = {1000, 900, 1000, 700, 1000, 1000, 800, 1000, 1000};
  int total = 0;
  for (int w : widths) {
    f.word(0, w, SJ("字"));
    total += w;
  }
  f.line(0, total, 9, total + 1234);
  f.column();
  std::vector<int> xs = glyphXs(f.draw());
  ASSERT_EQ(xs.size(), 9u);
  // The last glyph starts its own width before the right edge.
  EXPECT_EQ(xs.back(), (20000 + total + 1234 - 1000 + 50) / 100);
}

// Which words move the pen and take a gap: text, spacing 40-48 do;
// removed spacing (50), floats (8), underline markers (118) and line ends
// (100) do not.
TEST(PageDisplayLines, OnlyAdvancingWordsTakeAGap) {
  SheetFixture f;
  f.word(0, 500, "A");
  f.word(50, 0, "");
  f.word(8, 0, "");
  f.word(vel::cmd::UnderlineMark, 0, "");
  f.word(40, 300, "");
  f.word(0, 500, "B");
  f.word(vel::cmd::LineEnd, 0, "");
  // Gap 200 over n = 2: A and the spacing word get 100 each, B nothing.
  f.line(0, 1300, 3, 1500);
  f.column();
  EXPECT_EQ(glyphXs(f.draw()), (std::vector<int>{200, 210}));
}

TEST(PageDisplayLines, TextIsPlacedByItsCellTopLeftWithRoundedPositions) {
  SheetFixture f;
  f.st.geo.leftMargin = 20049;  // 200.49 px: rounds to 200
  f.st.geo.topMargin = 20051;   // 200.51 px: rounds to 201
  f.word(0, 500, "A");
  f.line(1, 500, 1, 100000, 0);
  f.column();
  int x = 0, y = 0;
  ASSERT_TRUE(glyphAt(f.draw(), "A", x, y));
  EXPECT_EQ(x, 200);
  EXPECT_EQ(y, 201);
}

// ---------------------------------------------------------------- areas

struct RuleCase {
  const char* name;
  int columnsPerPage;  // 2: one page of two columns; 1: two pages on the sheet
  int rule;
  bool drawn;
  int y1, y2;
  int columns = 2;  // columns made: 1 leaves the sheet's second slot empty
};

TEST(PageDisplayColumns, TheColumnRuleIsCentredInTheGap) {
  const std::vector<RuleCase> cases = {
      {"between two columns of a page: below the top-of-page box", 2, 500, true, 270, 2200},
      {"between two pages on one sheet: the full text height", 1, 500, true, 200, 2200},
      {"no rule width: nothing", 2, 0, false, 0, 0},
      {"beside the empty slot after the last column: nothing", 2, 500, false, 0, 0, 1},
  };
  for (const RuleCase& c : cases) {
    SheetFixture f;
    f.st.geo.columnsPerSheet = 2;
    f.st.geo.columnsPerPage = c.columnsPerPage;
    f.st.geo.columnSep[0] = 10000;
    f.st.geo.columnRule[0] = c.rule;
    const int box = f.block("T", 4000);
    f.word(0, 500, "A");
    f.line(1, 500, 1, 100000);
    f.column().topOfPage = {box};
    if (c.columns == 2) {
      f.word(0, 500, "B");
      f.line(1, 500, 1, 100000);
      f.column().topOfPage = c.columnsPerPage == 2 ? std::vector<int>{box} : std::vector<int>{};
    }
    std::vector<std::string> log = f.draw();
    const std::vector<std::string> lines = withPrefix(log, "line ");
    if (!c.drawn) {
      EXPECT_TRUE(lines.empty()) << c.name;
      continue;
    }
    ASSERT_EQ(lines.size(), 1u) << c.name;
    // x = left 200 + column 1000 + half the 100 px gap; pen 500 x 0.01 + 0.5.
    char expected[64];
    std::snprintf(expected, sizeof expected, "line 1250 %d 1250 %d", c.y1, c.y2);
    EXPECT_EQ(lines[0], expected) << c.name;
    EXPECT_FALSE(withPrefix(log, "pen 5 000000").empty()) << c.name;
    // The second column's text starts right of the gap.
    int x = 0, y = 0;
    ASSERT_TRUE(glyphAt(log, "B", x, y)) << c.name;
    EXPECT_EQ(x, 1300) << c.name;
  }
}

// Bottom area from the bottom of the text area upwards: the page's bottom
// box, the footnotes (last first), the footnote rule, the other bottom
// boxes of the column.
TEST(PageDisplayColumns, FootnotesSitBelowTheirRuleAndTheColumnBoxesAbove) {
  SheetFixture f;
  const int page = f.block("P", 2000);
  const int note1 = f.block("1", 3000);
  const int note2 = f.block("2", 4000);
  const int other = f.block("O", 5000);
  f.word(0, 500, "A");
  f.line(1, 500, 1, 100000);
  vel::ColumnInfo& c = f.column();
  c.bottomOfPage = {page};
  c.bottomOfColumn = {note1, note2, other};
  c.footnoteCount = 2;
  std::vector<std::string> log = f.draw();

  struct Expect {
    const char* glyph;
    int top;
  } expects[] = {{"P", 2180}, {"2", 2140}, {"1", 2110}, {"O", 2060}, {"A", 200}};
  for (const Expect& e : expects) {
    int x = 0, y = 0;
    ASSERT_TRUE(glyphAt(log, e.glyph, x, y)) << e.glyph;
    EXPECT_EQ(y, e.top) << e.glyph;
    EXPECT_EQ(x, 200) << e.glyph;
  }
  // 0.25 mm at 200 dpi is 1.97 px: pen 2; 0.4 of the 1000 px column.
  EXPECT_EQ(withPrefix(log, "line "), (std::vector<std::string>{"line 200 2110 600 2110"}));
  EXPECT_FALSE(withPrefix(log, "pen 2 000000").empty());
}

TEST(PageDisplayColumns, ColumnsWithoutFootnotesHaveNoRule) {
  SheetFixture f;
  const int other = f.block("O", 5000);
  f.word(0, 500, "A");
  f.line(1, 500, 1, 100000);
  f.column().bottomOfColumn = {other};
  EXPECT_TRUE(withPrefix(f.draw(), "line ").empty());
}

TEST(PageDisplayColumns, TopBoxesPushTheTextDownWithTheirGap) {
  SheetFixture f;
  const int page = f.block("P", 2000);
  const int col = f.block("Q", 1000);
  f.word(0, 500, "A");
  f.line(1, 500, 1, 100000);
  vel::ColumnInfo& c = f.column();
  c.topOfPage = {page};
  c.topOfColumn = {col};
  std::vector<std::string> log = f.draw();
  int x = 0, y = 0;
  ASSERT_TRUE(glyphAt(log, "P", x, y));
  EXPECT_EQ(y, 200);
  ASSERT_TRUE(glyphAt(log, "Q", x, y));
  EXPECT_EQ(y, 220);
  ASSERT_TRUE(glyphAt(log, "A", x, y));
  EXPECT_EQ(y, 260);  // 20000 + 2000 + 1000 + the gap of 3000
}

// Backgrounds fill without an outline and truncate, inside the text area.
TEST(PageDisplayColumns, BackgroundsFillTheTextAreaTruncated) {
  SheetFixture f;
  f.st.geo.leftMargin = 20070;  // 200.7 px: a fill starts at 200
  const int box = f.block("T", 4000);
  f.word(0, 500, "A");
  f.line(1, 500, 1, 100000);
  vel::ColumnInfo& c = f.column();
  c.topOfColumn = {box};
  c.hasBgColor = true;
  c.bgColor = vel::rgb(0, 255, 0);
  f.st.pageList[0].hasBgColor = true;
  f.st.pageList[0].bgColor = vel::rgb(255, 0, 0);
  std::vector<std::string> fills = withPrefix(f.draw(), "fill ");
  ASSERT_EQ(fills.size(), 2u);
  EXPECT_EQ(fills[0], "fill 200 200 1200 2200 0000FF");  // the page, first
  EXPECT_EQ(fills[1], "fill 200 270 1200 2200 00FF00");  // the column, below its top box and gap
}

// A background image is one tiled image over the text area, its pixels at
// 96 dpi; past the tile limit a tile holds several copies of the bitmap.
TEST(PageDisplayColumns, BackgroundImagesAreTiledAsOneImage) {
  struct Case {
    int w, h;
    const char* tile;
  } cases[] = {
      // 40 x 20 pixels at 96 dpi are 83.33 x 41.67 px at 200 dpi: 12 x 48 tiles.
      {40, 20, "tile 200 200 1200 2200 from 200.00 200.00 by 83.33 41.67 40x20"},
      // 1 x 1: 480 x 960 tiles of 2.08 px; doubled to 60 x 120 tiles of 8 x 8 copies.
      {1, 1, "tile 200 200 1200 2200 from 200.00 200.00 by 16.67 16.67 8x8"},
  };
  for (const Case& c : cases) {
    SheetFixture f;
    TempDir dir;
    f.st.documentDir = dir.path();
    ASSERT_TRUE(vel::Bitmap(c.w, c.h, vel::rgb(0, 128, 255)).saveBmp(dir.file("bg.bmp")));
    f.word(0, 500, "A");
    f.line(1, 500, 1, 100000);
    f.column();
    f.st.pageList[0].hasBgImage = true;
    f.st.pageList[0].bgImage = "bg.bmp";
    std::vector<std::string> log = f.draw();
    EXPECT_EQ(withPrefix(log, "tile "), (std::vector<std::string>{c.tile})) << c.w;
    EXPECT_TRUE(withPrefix(log, "stretch ").empty()) << c.w;
  }
}

// ---------------------------------------------------------------- headers

TEST(WriteHeaderFooterTest, HeaderTextsSitOnTheRuleAndTheRightTextIsRightAligned) {
  SheetFixture f;
  vel::HeadFoot& h = f.st.geo.header[1];
  h.defined = true;
  h.ruleWidth = 1000;
  h.left = "L";
  h.right = "R";
  vel::HeadFoot& foot = f.st.geo.footer[1];
  foot.defined = true;
  foot.center = "C";
  f.st.geo.header[0] = h;
  f.st.geo.footer[0] = foot;
  f.word(0, 500, "A");
  f.line(1, 500, 1, 100000);
  f.column();
  std::vector<std::string> log = f.draw();
  int x = 0, y = 0;
  // Baseline: top 20000 - half the rule 500 - headsep 2000 - depth 200;
  // the cell's top is the ascent 800 above it.
  ASSERT_TRUE(glyphAt(log, "L", x, y));
  EXPECT_EQ(x, 200);
  EXPECT_EQ(y, 165);
  ASSERT_TRUE(glyphAt(log, "R", x, y));
  EXPECT_EQ(x, 1195);  // 20000 + 100000 - 500
  EXPECT_EQ(y, 165);
  // The rule: 10 px at top - headsep - half its width.
  EXPECT_FALSE(withPrefix(log, "pen 10 000000").empty());
  EXPECT_EQ(withPrefix(log, "line "), (std::vector<std::string>{"line 200 175 1200 175"}));
  // Footer: the text's top at paper height - bottom margin + footsep.
  ASSERT_TRUE(glyphAt(log, "C", x, y));
  EXPECT_EQ(x, 698);  // 20000 + (100000 - 500) / 2, rounded
  EXPECT_EQ(y, 2220);
}

TEST(WriteHeaderFooterTest, OnlyTheFirstColumnOfAPageGetsAHeader) {
  SheetFixture f;
  f.st.geo.columnsPerSheet = 2;
  f.st.geo.columnsPerPage = 2;
  vel::HeadFoot h;
  h.defined = true;
  h.right = "R";
  f.st.geo.header = {h, h};
  for (const char* t : {"A", "B"}) {
    f.word(0, 500, t);
    f.line(1, 500, 1, 100000);
    f.column();
  }
  EXPECT_EQ(withPrefix(f.draw(), "text ").size(), 3u);  // A, B and one R
}

struct NumberCase {
  const char* name;
  bool contents;
  int frontMatter, titlePages, firstPage, page;
  bool front;
  std::string text;
};

TEST(WriteHeaderFooterTest, PageNumbers) {
  const std::vector<NumberCase> cases = {
      {"plain", false, 0, 0, 1, 0, false, "1"},
      {"first page number", false, 0, 0, 5, 2, false, "7"},
      {"title pages", false, 0, 2, 1, 1, false, "0"},
      {"title pages, later page", false, 0, 2, 1, 4, false, "3"},
      {"front matter in Roman numerals", true, 3, 0, 1, 1, true, "ii"},
      {"front matter after a title page", true, 3, 1, 1, 2, true, "ii"},
      {"the title page itself has no number", true, 3, 1, 1, 0, true, ""},
      {"after the front matter", true, 3, 1, 1, 3, false, "1"},
  };
  for (const NumberCase& c : cases) {
    SheetFixture f;
    f.st.pre.contentsRequested = f.st.pre.contentsPassDone = c.contents;
    f.st.pre.frontMatterPages = c.frontMatter;
    f.st.geo.titlePageNum = c.titlePages;
    f.st.geo.firstPageNum = c.firstPage;
    bool front = false;
    int number = 0;
    EXPECT_EQ(vel::PageNumberText(f.st, c.page, front, number), c.text) << c.name;
    EXPECT_EQ(front, c.front) << c.name;
  }
}

TEST(WriteHeaderFooterTest, FrontMatterPagesShowOnlyTheirNumberAtTheRight) {
  SheetFixture f;
  f.st.pre.contentsRequested = f.st.pre.contentsPassDone = true;
  f.st.pre.frontMatterPages = 1;
  vel::HeadFoot h;
  h.defined = true;
  h.left = "L";
  h.ruleWidth = 1000;
  f.st.geo.header = {h, h};
  f.word(0, 500, "A");
  f.line(1, 500, 1, 100000);
  f.column();
  std::vector<std::string> log = f.draw();
  int x = 0, y = 0;
  EXPECT_FALSE(glyphAt(log, "L", x, y));
  EXPECT_TRUE(withPrefix(log, "line ").empty());
  ASSERT_TRUE(glyphAt(log, "i", x, y));
  EXPECT_EQ(x, 1195);
  EXPECT_EQ(y, 170);  // baseline 20000 - 2000 - depth 200, less the ascent
}

// ---------------------------------------------------------------- modes

TEST(PageDisplayReplay, ReplayRunsTheCommandsFromTheFirstWordAndDrawsNothing) {
  SheetFixture f;
  f.word(vel::cmd::LengthCounter, 0, "7, 1");
  f.retouchLast([](vel::WordInfo& w) { w.subType = 1; });  // \setcounter
  const int first = f.word(0, 500, "A");
  f.word(vel::cmd::LengthCounter, 0, "8, 2");
  f.retouchLast([](vel::WordInfo& w) { w.subType = 1; });
  f.line(1, 500, 1, 100000);
  f.column();
  f.canvas.clearLog();
  vel::PageDisplay(f.st, first, -1, 0, 0, 0);
  EXPECT_EQ(f.st.val.counters[7], 0);  // before the first word replayed
  EXPECT_EQ(f.st.val.counters[8], 2);
  EXPECT_TRUE(f.canvas.log().empty());
}

TEST(PageDisplayReplay, AMiniPageThatHoldsItselfEnds) {
  SheetFixture f;
  vel::MiniPage m;
  m.width = 10000;
  m.depth = 1000;
  f.st.miniPageList.push_back(m);
  f.word(vel::cmd::MiniPage, 500, "", 0);
  f.retouchLast([](vel::WordInfo& w) { w.value = 0; }, 0);
  f.line(1, 500, 1, 10000, 0, 0);
  f.word(vel::cmd::MiniPage, 500, "");
  f.retouchLast([](vel::WordInfo& w) { w.value = 0; });
  f.line(1, 500, 1, 100000);
  f.column();
  f.draw();  // returns
  vel::PageDisplay(f.st, 0, -1, 0, 0, 0);
  SUCCEED();
}

TEST(PageDisplaySheets, ASheetNumberOutOfRangeIsClamped) {
  SheetFixture f;
  for (const char* t : {"A", "B"}) {
    f.word(0, 500, t);
    f.line(1, 500, 1, 100000);
    f.column();
  }
  int x = 0, y = 0;
  EXPECT_TRUE(glyphAt(f.draw(99), "B", x, y));
  EXPECT_TRUE(glyphAt(f.draw(-3), "A", x, y));
  EXPECT_EQ(f.st.draw.currentSheet, 1);
}

TEST(PageDisplaySheets, DrawingLeavesTheStateAsTheRunLeftIt) {
  SheetFixture f;
  f.word(0, 500, "A");
  f.line(1, 500, 1, 77777);
  f.column();
  f.st.val.counters[3] = 9;
  f.st.pageList[0].counters[3] = 4;
  f.st.pageList[0].style.chr.fontSize = 14400;
  const auto lengths = f.st.val.lengthList;
  const double size = f.st.chr.fontSize;
  f.draw();
  EXPECT_EQ(f.st.val.counters[3], 9);
  EXPECT_EQ(f.st.chr.fontSize, size);
  EXPECT_TRUE(f.st.val.lengthList == lengths);
  EXPECT_FALSE(f.st.draw.drawing);
}

// ---------------------------------------------------------------- caption

TEST(SheetCaptionTest, ZoomTextOnlyAwayFromOne) {
  struct Case {
    double zoom;
    int sheet, sheets;
    std::string label;
  } cases[] = {
      {1.0, 3, 10, "3/10 "},
      {1.5, 1, 2, SJ("(表示倍率 150%) ") + "1/2 "},
      {0.58, 1, 1, SJ("(表示倍率 58%) ") + "1/1 "},  // 0.58 x 100 is 57.99... in binary
      {2.32, 4, 9, SJ("(表示倍率 232%) ") + "4/9 "},
      {0.4, 1, 1, SJ("(表示倍率 40%) ") + "1/1 "},
  };
  for (const Case& c : cases) EXPECT_EQ(vel::SheetLabel(c.zoom, c.sheet, c.sheets), c.label) << c.zoom;
  EXPECT_EQ(vel::SheetCaption("/home/u/doc.vdr", 1.0, 2, 5), "VELDRIS2(/home/u/doc.vdr)" + SJ("　") + "2/5 ");
}

TEST(SheetCaptionTest, DrawingASheetSetsTheCaptionAndLabel) {
  SheetFixture f;
  f.st.documentPath = "/tmp/a.vdr";
  f.word(0, 500, "A");
  f.line(1, 500, 1, 100000);
  f.column();
  f.draw();
  EXPECT_EQ(f.host.caption(), "VELDRIS2(/tmp/a.vdr)" + SJ("　") + "1/1 ");
}

// ---------------------------------------------------------------- printing

TEST(PrinterScopeTest, SwitchesToThePrinterAndBack) {
  SheetFixture f;
  vel::FakeCanvas printer(600);
  const vel::DrawState before = f.st.draw;
  {
    // A printable area 60 px right and 120 px down at 600 dpi: the page
    // moves back by 2000 and 4000 layout units.
    vel::PrinterScope scope(f.st, printer, 600, 60, 120);
    EXPECT_EQ(f.st.canvas, &printer);
    EXPECT_TRUE(f.st.draw.printing);
    EXPECT_DOUBLE_EQ(f.st.draw.penBias, 0.99);
    EXPECT_DOUBLE_EQ(f.st.draw.scale, 600 / 20000.0);
    EXPECT_EQ(f.st.geo.leftMargin, 18000);
    EXPECT_EQ(f.st.geo.rightMargin, 22000);
    EXPECT_EQ(f.st.geo.topMargin, 16000);
    EXPECT_EQ(f.st.geo.bottomMargin, 24000);
    // 0.25 mm at 600 dpi: 196 x 0.03 = 5.88, and the printer bias 0.99 gives 6.
    EXPECT_EQ(vel::DevicePen(f.st, 196), 6);
  }
  EXPECT_EQ(f.st.canvas, &f.canvas);
  EXPECT_FALSE(f.st.draw.printing);
  EXPECT_DOUBLE_EQ(f.st.draw.penBias, before.penBias);
  EXPECT_DOUBLE_EQ(f.st.draw.scale, before.scale);
  EXPECT_EQ(f.st.geo.leftMargin, 20000);
  EXPECT_EQ(f.st.geo.topMargin, 20000);
}

}  // namespace
}  // namespace veltest
