// The column builder on hand-made floats: the fit test when a float is met,
// the refill of a new column from the waiting queues, footnotes that move
// with their line, page records and their backgrounds.
#include <gtest/gtest.h>

#include "base/Cp932.h"
#include "canvas/FakeCanvas.h"
#include "layout/pages/Columns.h"
#include "StateFixture.h"

using namespace vel;

namespace {

constexpr int kHeight = 10000;  // column height
constexpr int kSep = 100;       // topbottomboxsep

enum { TopOfColumn, TopOfPage, BottomOfColumn, BottomOfPage, Footnote };

struct Columns : veltest::StateFixture {
  int lastLine = -1;

  explicit Columns(int perSheet = 1, int perPage = 0) {
    st.geo.columnHeight = kHeight;
    st.geo.topBottomBoxSep = kSep;
    st.geo.columnsPerSheet = perSheet;
    st.geo.columnsPerPage = perPage ? perPage : perSheet;
    SetPageInfoList(st, false);
  }
  int block(int extent) {
    MiniPage m;
    m.height = 0;  // floats hang from their reference line
    m.depth = extent;
    st.miniPageList.push_back(m);
    return static_cast<int>(st.miniPageList.size()) - 1;
  }
  int place(int extent, int sub) {
    int i = block(extent);
    EXPECT_EQ(PlaceFloat(st, i, sub, true), 0);
    return i;
  }
  // A new column after `text` units of text were committed to it.
  void close(int text = 0) {
    st.col.textHeight = st.col.textHeightMax = text;
    SetColumnInfoList(st, lastLine);
  }
  const ColumnInfo& column(int c) const { return st.columnList.at(static_cast<size_t>(c)); }
};

using Queue = std::vector<int>;

}  // namespace

// The fit test: column height >= the four float heights + the other
// group's gap + the text so far + the box + its own gap; exact boundaries.
TEST(PlaceFloat, FitsUpToTheColumnHeightExactly) {
  struct Case {
    const char* what;
    int topOfColumn, bottomOfColumn, text;
    int sub, extent;
    bool placed;
  };
  const Case cases[] = {
      {"empty column, top box", 0, 0, 0, TopOfColumn, kHeight - kSep, true},
      {"empty column, one unit more", 0, 0, 0, TopOfColumn, kHeight - kSep + 1, false},
      {"top box beside a top group: no other gap", 1000, 0, 0, TopOfColumn, kHeight - 1000 - kSep, true},
      {"top box beside a bottom group: its gap", 0, 1000, 0, TopOfColumn, kHeight - 1000 - 2 * kSep, true},
      {"top box beside a bottom group, one unit more", 0, 1000, 0, TopOfColumn, kHeight - 1000 - 2 * kSep + 1, false},
      {"bottom box beside a top group", 1000, 0, 0, BottomOfColumn, kHeight - 1000 - 2 * kSep, true},
      {"bottom box beside a top group, one more", 1000, 0, 0, BottomOfColumn, kHeight - 1000 - 2 * kSep + 1, false},
      {"bottom box below text", 0, 0, 4000, BottomOfColumn, kHeight - 4000 - kSep, true},
      {"footnote below text, one more", 0, 0, 4000, Footnote, kHeight - 4000 - kSep + 1, false},
      {"page box in a first column", 0, 0, 4000, TopOfPage, kHeight - 4000 - kSep, true},
      {"bottom page box too tall", 0, 0, 4000, BottomOfPage, kHeight - 4000 - kSep + 1, false},
  };
  for (const Case& c : cases) {
    Columns t;
    t.st.col.topOfColumnHeight = c.topOfColumn;
    t.st.col.bottomOfColumnHeight = c.bottomOfColumn;
    t.st.col.textHeightMax = c.text;
    int i = t.place(c.extent, c.sub);
    const ColumnState& C = t.st.col;
    const Queue* now[] = {&C.nowTopOfColumn, &C.nowTopOfPage, &C.nowBottomOfColumn, &C.nowBottomOfPage,
                          &C.nowBottomOfColumn};
    const Queue* waiting[] = {&C.waitingTopOfColumn, &C.waitingTopOfPage, &C.waitingBottomOfColumn,
                              &C.waitingBottomOfPage, &C.waitingBottomOfColumn};
    EXPECT_EQ(*now[c.sub], c.placed ? Queue{i} : Queue{}) << c.what;
    EXPECT_EQ(*waiting[c.sub], c.placed ? Queue{} : Queue{i}) << c.what;
    const int grown[] = {C.topOfColumnHeight - c.topOfColumn, C.topOfPageHeight,
                         C.bottomOfColumnHeight - c.bottomOfColumn, C.bottomOfPageHeight,
                         C.bottomOfColumnHeight - c.bottomOfColumn};
    EXPECT_EQ(grown[c.sub], c.placed ? c.extent : 0) << c.what;
  }
}

TEST(PlaceFloat, NotAllowedOrNothingToPlace) {
  Columns t;
  int i = t.block(100);
  for (int sub : {TopOfColumn, TopOfPage, BottomOfColumn, BottomOfPage}) EXPECT_EQ(PlaceFloat(t.st, i, sub, false), -2);
  EXPECT_EQ(PlaceFloat(t.st, i, 5, true), -2);
  EXPECT_EQ(PlaceFloat(t.st, i + 1, TopOfColumn, true), -10);  // no such block
  EXPECT_EQ(PlaceFloat(t.st, -1, Footnote, true), 0);          // left out inside a stored box
  // A footnote inside a box is still a footnote of the column.
  EXPECT_EQ(PlaceFloat(t.st, i, Footnote, false), 0);
  EXPECT_EQ(t.st.col.nowBottomOfColumn, Queue{i});
  const ColumnState& C = t.st.col;
  for (const Queue* q : {&C.nowTopOfColumn, &C.nowTopOfPage, &C.nowBottomOfPage, &C.waitingTopOfColumn,
                         &C.waitingTopOfPage, &C.waitingBottomOfColumn, &C.waitingBottomOfPage})
    EXPECT_TRUE(q->empty());
}

// Footnotes precede the other bottom boxes; one that does not fit takes the
// footnotes of its line along to the waiting queue, in the order met, and
// forces the column to end.
TEST(PlaceFloat, FootnoteThatDoesNotFitTakesItsLinesFootnotesAlong) {
  Columns t;
  ColumnState& C = t.st.col;
  int box = t.place(1000, BottomOfColumn);
  int a = t.place(1000, Footnote);
  C.footnotesOnLine = 0;  // the line of a ended
  int b = t.place(1000, Footnote);
  EXPECT_EQ(C.nowBottomOfColumn, (Queue{a, b, box}));
  EXPECT_EQ(C.footnotesInColumn, 2);
  int late = t.place(1000, BottomOfColumn);  // beside 3000 of bottom boxes it still fits
  EXPECT_EQ(C.nowBottomOfColumn, (Queue{a, b, box, late}));
  int waitingBox = t.place(kHeight, BottomOfColumn);
  int c = t.place(kHeight, Footnote);
  EXPECT_EQ(C.nowBottomOfColumn, (Queue{a, box, late}));
  EXPECT_EQ(C.waitingBottomOfColumn, (Queue{b, c, waitingBox}));
  EXPECT_EQ(C.footnotesPending, 2);
  EXPECT_EQ(C.footnotesInColumn, 1);
  EXPECT_EQ(C.footnotesOnLine, 0);
  EXPECT_EQ(C.bottomOfColumnHeight, 3000);
  EXPECT_EQ(C.textHeightMax, 10000000);
  // While footnotes are pending, even a small one waits behind them.
  int d = t.place(10, Footnote);
  EXPECT_EQ(C.waitingBottomOfColumn, (Queue{b, c, d, waitingBox}));
  EXPECT_EQ(C.footnotesPending, 3);

  // The next column counts the pending footnotes it takes as its own.
  t.close(500);
  EXPECT_EQ(t.column(0).bottomOfColumn, (Queue{a, box, late}));
  EXPECT_EQ(t.column(0).footnoteCount, 1);
  EXPECT_EQ(C.nowBottomOfColumn, Queue{b});  // c is taller than what is left
  EXPECT_EQ(C.footnotesInColumn, 1);
  EXPECT_EQ(C.footnotesPending, 2);
  t.close();
  EXPECT_EQ(t.column(1).footnoteCount, 1);
  EXPECT_EQ(C.nowBottomOfColumn, Queue{c});  // alone: taller than the column
  EXPECT_EQ(C.footnotesPending, 1);
  t.close();
  EXPECT_EQ(C.nowBottomOfColumn, Queue{d});
  EXPECT_EQ(C.footnotesInColumn, 1);
  EXPECT_EQ(C.footnotesPending, 0);
  t.close();
  EXPECT_EQ(C.nowBottomOfColumn, Queue{waitingBox});
  EXPECT_EQ(C.footnotesInColumn, 0);
}

// The refill takes each queue from its front in the fixed order while its
// inequality holds; the first box that fails ends that queue.
TEST(SetColumnInfoList, RefillOrderAndInequalities) {
  Columns t;
  ColumnState& C = t.st.col;
  C.waitingBottomOfColumn = {t.block(3000), t.block(3000), t.block(3000)};
  C.waitingTopOfPage = {t.block(1000)};
  C.waitingBottomOfPage = {t.block(500)};
  C.waitingTopOfColumn = {t.block(1000), t.block(10)};
  const Queue boc = C.waitingBottomOfColumn, top = C.waitingTopOfPage, bop = C.waitingBottomOfPage,
              toc = C.waitingTopOfColumn;
  // Room 9000: 3000 (alone), 3000 + 3000 + 100 <= 9000, 6000 + 3000 + 100 > 9000.
  t.close(1000);
  EXPECT_EQ(C.nowBottomOfColumn, (Queue{boc[0], boc[1]}));
  EXPECT_EQ(C.waitingBottomOfColumn, Queue{boc[2]});
  EXPECT_EQ(C.bottomOfColumnHeight, 6000);
  // Top of page: 6000 + 100 + 0 + 1000 + 100 = 7200 <= 9000.
  EXPECT_EQ(C.nowTopOfPage, top);
  EXPECT_EQ(C.topOfPageHeight, 1000);
  // Bottom of page: 1000 + 100 + 6000 + 500 + 100 = 7700.
  EXPECT_EQ(C.nowBottomOfPage, bop);
  EXPECT_EQ(C.bottomOfPageHeight, 500);
  // Top of column: 6500 + 100 + 1000 + 1000 + 100 = 8700; then 8700 + 10 <= 9000.
  EXPECT_EQ(C.nowTopOfColumn, toc);
  EXPECT_EQ(C.topOfColumnHeight, 1010);

  // A box that needs one unit more than is left waits.
  Columns u;
  ColumnState& D = u.st.col;
  D.waitingTopOfColumn = {u.block(kHeight - 2000 - kSep), u.block(1)};
  u.close(2000);
  EXPECT_EQ(D.nowTopOfColumn.size(), 1u);
  EXPECT_EQ(D.waitingTopOfColumn.size(), 1u);
}

// A bottom-of-page box fills the bottom group after its gap was first
// looked at; a top-of-column box must still leave that gap.
TEST(SetColumnInfoList, BottomGroupFilledByPageBoxKeepsItsGap) {
  Columns t;
  ColumnState& C = t.st.col;
  C.waitingBottomOfPage = {t.block(2000)};
  C.waitingTopOfColumn = {t.block(kHeight - 2000 - 2 * kSep + 50)};
  t.close();
  EXPECT_EQ(C.nowBottomOfPage.size(), 1u);
  EXPECT_TRUE(C.nowTopOfColumn.empty());
  t.close();
  t.close();  // a new page: the box gets a column of its own
  EXPECT_EQ(t.column(2).topOfColumn.size(), 1u);
}

// A box taller than the column is taken when nothing else is in it; when
// the line that opens the column cannot stand beside it, the box gets the
// column alone and the line opens the next.
TEST(SetColumnInfoList, BoxTallerThanTheColumnStandsAlone) {
  Columns t;
  ColumnState& C = t.st.col;
  int tall = t.place(2 * kHeight, TopOfColumn);
  EXPECT_EQ(C.waitingTopOfColumn, Queue{tall});
  int small = t.block(100);
  C.waitingTopOfColumn.push_back(small);
  t.lastLine = 7;
  t.close(1500);
  ASSERT_EQ(t.st.columnList.size(), 2u);
  EXPECT_EQ(t.column(0).lastLine, 7);
  EXPECT_EQ(t.column(1).lastLine, 7);  // no lines of its own
  EXPECT_EQ(t.column(1).topOfColumn, Queue{tall});
  EXPECT_EQ(C.nowTopOfColumn, Queue{small});  // beside the line in the column after
  EXPECT_EQ(t.host.lines(), (std::vector<std::string>{"[1][2]"}));

  // With no text committed (the floats after the end), it simply takes the column.
  Columns u;
  int alone = u.place(2 * kHeight, BottomOfColumn);
  u.close(0);
  EXPECT_EQ(u.st.columnList.size(), 1u);
  EXPECT_EQ(u.st.col.nowBottomOfColumn, Queue{alone});
}

// A line taller than any column opens a column after boxes that each
// take a column alone: every waiting box is placed first, and it ends.
TEST(SetColumnInfoList, LineTallerThanTheColumnAfterWaitingBoxes) {
  Columns t(2);
  ColumnState& C = t.st.col;
  C.waitingTopOfPage = {t.block(2 * kHeight), t.block(2 * kHeight)};
  C.waitingBottomOfColumn = {t.block(kHeight)};
  C.waitingTopOfColumn = {t.block(50)};
  t.close(3 * kHeight);
  const ColumnState& D = t.st.col;
  EXPECT_TRUE(D.waitingTopOfPage.empty());
  EXPECT_TRUE(D.waitingBottomOfColumn.empty());
  EXPECT_TRUE(D.waitingTopOfColumn.empty());
  // Nothing can stand beside such a line: each box had a column (the page
  // boxes a page) of its own, and the line's column holds none.
  EXPECT_EQ(D.topOfPageHeight + D.bottomOfPageHeight + D.bottomOfColumnHeight + D.topOfColumnHeight, 0);
  EXPECT_EQ(t.st.columnList.size(), 7u);
  EXPECT_EQ(t.host.lines(), (std::vector<std::string>{"[1][2][3][4][5][6][7]"}));
}

// Page boxes belong to all columns of their page; the Now page queues are
// renewed at the first column of each page; a page record starts each sheet.
TEST(SetColumnInfoList, PageBoxesSheetsAndTrace) {
  Columns t(4, 2);  // two pages per sheet, two columns each
  ColumnState& C = t.st.col;
  int p1 = t.place(100, TopOfPage);
  int b1 = t.place(100, BottomOfPage);
  int c1 = t.place(100, TopOfColumn);
  t.st.cmd.chapterTitle = "Ch";
  t.st.cmd.sectionNum = "1.2";
  t.close();
  EXPECT_EQ(t.column(0).topOfColumn, Queue{c1});
  EXPECT_EQ(t.column(0).chapterTitle, "Ch");
  EXPECT_EQ(t.column(0).sectionNum, "1.2");
  EXPECT_TRUE(C.nowTopOfColumn.empty());
  EXPECT_EQ(C.topOfColumnHeight, 0);
  EXPECT_EQ(C.topOfPageHeight, 100);  // the page's boxes stay for its second column
  EXPECT_EQ(C.bottomOfPageHeight, 100);
  t.close();
  EXPECT_EQ(t.column(1).topOfPage, Queue{p1});
  EXPECT_EQ(t.column(1).bottomOfPage, Queue{b1});
  EXPECT_TRUE(C.nowTopOfPage.empty());  // the second page of the sheet
  EXPECT_EQ(C.topOfPageHeight, 0);
  EXPECT_EQ(t.st.pageList.size(), 1u);
  t.close();
  t.close();
  EXPECT_EQ(t.st.pageList.size(), 2u);  // one record per sheet
  for (int i = 0; i < 4; ++i) t.close();
  EXPECT_EQ(t.st.pageList.size(), 3u);
  EXPECT_EQ(t.host.lines(), (std::vector<std::string>{"[1][2][3][4][5][6][7][8]"}));
}

// Counts in brackets: all, a number, anything else 0; no brackets: all.
TEST(Backgrounds, RequestsAndTheirCounts) {
  struct Case {
    const char* text;
    int count;  // -1: every one
    Color color;
  };
  const Case cases[] = {
      {"red", -1, rgb(255, 0, 0)},
      {"[all]blue", -1, rgb(0, 0, 255)},
      {"[2] #00ff00", 2, rgb(0, 255, 0)},
      {" [ 3 ]red", 3, rgb(255, 0, 0)},
      {"ignored[1]red", 1, rgb(255, 0, 0)},
      {"[x]red", 0, rgb(255, 0, 0)},
      {"[-1]red", 0, rgb(255, 0, 0)},
      {"[2red", 0, kWhite},  // the whole text is the value
  };
  for (const Case& c : cases) {
    Columns t;
    SetPageColumnBGColorImage(t.st, c.text, 1);
    const BackgroundRequest& r = t.st.col.columnColor;
    if (c.count < 0) EXPECT_GT(r.count, 1000000) << c.text;
    else EXPECT_EQ(r.count, c.count) << c.text;
    EXPECT_EQ(r.color, c.color) << c.text;
  }
  Columns t;
  SetPageColumnBGColorImage(t.st, "[1] tile.bmp ", 2);
  EXPECT_EQ(t.st.col.pageImage.image, "tile.bmp");
  // A trail byte that looks like a bracket is part of its character.
  const std::string name = SJ("ゼ[1]画像.bmp");  // ゼ ends in the byte '['
  SetPageColumnBGColorImage(t.st, name, 3);
  EXPECT_EQ(t.st.col.columnImage.count, 1);
  EXPECT_EQ(t.st.col.columnImage.image, SJ("画像.bmp"));
}

// A page request colours the page being filled and the following ones it
// counts; each page is settled once, also when the text's end and the next
// page record both settle it.
TEST(Backgrounds, PagesAndColumnsReceiveTheirRequests) {
  Columns t;
  SetPageColumnBGColorImage(t.st, "[2]red", 0);
  SetPageColumnBGColorImage(t.st, "[all]img.bmp", 3);
  SetPageColumnBGColorImage(t.st, "[1]blue", 1);
  t.close();
  SetPageInfoList(t.st, true);  // the end of the text settles the last page
  t.close();
  SetPageInfoList(t.st, true);
  t.close();
  t.close();
  std::vector<bool> coloured;
  for (const PageInfo& p : t.st.pageList) coloured.push_back(p.hasBgColor);
  EXPECT_EQ(coloured, (std::vector<bool>{true, true, false, false, false}));
  EXPECT_EQ(t.st.pageList[0].bgColor, rgb(255, 0, 0));
  EXPECT_TRUE(t.column(0).hasBgColor);
  EXPECT_EQ(t.column(0).bgColor, rgb(0, 0, 255));
  EXPECT_FALSE(t.column(1).hasBgColor);
  for (int c = 0; c < 4; ++c) {
    EXPECT_TRUE(t.column(c).hasBgImage);
    EXPECT_EQ(t.column(c).bgImage, "img.bmp");
  }
  // A new request replaces the pending one.
  SetPageColumnBGColorImage(t.st, "[1]green", 0);
  SetPageColumnBGColorImage(t.st, "[3]navy", 0);
  EXPECT_EQ(t.st.col.pageColor.count, 3);
  EXPECT_EQ(t.st.col.pageColor.color, rgb(0, 0, 128));
}
