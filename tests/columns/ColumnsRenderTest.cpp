// Columns, pages and floats end to end: veldris-render --fake-metrics
// --dump-layout on a 100 mm square paper with 10 mm margins (a column of
// 62,992 layout units holds fourteen one-character lines).
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <map>

#include "TestSupport.h"

using namespace veltest;

namespace {

struct Layout {
  int exitCode = -1;
  std::string out;
  QJsonObject root;

  QJsonArray columns() const { return root["columns"].toArray(); }
  QJsonArray lines() const { return root["lines"].toArray(); }
  QJsonObject column(int c) const { return columns()[c].toObject(); }
  int sheets() const { return root["sheets"].toInt(); }
  static std::vector<int> ints(const QJsonValue& v) {
    std::vector<int> out;
    for (const QJsonValue& x : v.toArray()) out.push_back(x.toInt());
    return out;
  }
  // The column of the first line whose text is `text`; -1 when none.
  int columnOfLine(const std::string& text) const {
    for (const QJsonValue& l : lines())
      if (l.toObject()["text"].toString().toStdString() == text) return l.toObject()["column"].toInt();
    return -1;
  }
  int firstLineOf(int c) const { return c == 0 ? 0 : column(c - 1)["lastLine"].toInt() + 1; }
  std::string trace() const {
    std::string t;
    for (int c = 1; c <= static_cast<int>(columns().size()); ++c) t += "[" + std::to_string(c) + "]";
    return t;
  }
};

Layout typeset(const std::string& preamble, const std::string& body) {
  TempDir d;
  writeSjis(d.file("a.vdr"),
            "\\documentstyle{10.5, papersize(100,100)}\\topmargin{10mm}\\bottommargin{10mm}"
            "\\leftmargin{10mm}\\rightmargin{10mm}" +
                preamble + "\n\\begindocument\n" + body);
  RunResult r = runRender({"--defaults", "--fake-metrics", "--dump-layout", d.file("a.json"), d.file("a.vdr")});
  Layout l;
  l.exitCode = r.exitCode;
  l.out = r.out;
  l.root = QJsonDocument::fromJson(QByteArray::fromStdString(readFile(d.file("a.json")))).object();
  return l;
}

std::string repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

// Every float of the text is in exactly one column (column boxes) or on
// exactly one page (page boxes, listed by the page's first column), and no
// queue holds anything at the end.
void ExpectEveryFloatPlacedOnce(const Layout& l) {
  std::map<int, int> kindOf;  // mini page -> float sub-type
  for (const QJsonValue& line : l.lines())
    for (const QJsonValue& w : line.toObject()["words"].toArray()) {
      QJsonObject o = w.toObject();
      if (o["kind"].toInt() == 8 && o["value"].toInt() >= 0) kindOf[o["value"].toInt()] = o["subtype"].toInt();
    }
  std::map<int, int> seen;
  const int perPage = l.root["columnsPerPage"].toInt();
  const QJsonArray cols = l.columns();
  for (int c = 0; c < cols.size(); ++c) {
    QJsonObject col = cols[c].toObject();
    for (const char* k : {"topOfColumn", "bottomOfColumn"})
      for (int m : Layout::ints(col[k])) ++seen[m];
    if (c % perPage == 0)
      for (const char* k : {"topOfPage", "bottomOfPage"})
        for (int m : Layout::ints(col[k])) ++seen[m];
  }
  for (const auto& [m, sub] : kindOf) EXPECT_EQ(seen[m], 1) << "float " << m << " of kind " << sub;
  EXPECT_EQ(seen.size(), kindOf.size());
  for (const QJsonValue& q : l.root["floatQueues"].toObject()) EXPECT_TRUE(q.toArray().isEmpty());
  // The progress trace names every column made.
  EXPECT_NE(l.out.find("\n" + l.trace() + "\n"), std::string::npos) << l.out;
}

}  // namespace

// A top-of-page box waits for the next page when it is met in a page's
// second column; in the first column it stays on its page.
TEST(ColumnsRender, PageFloatMetInTheSecondColumnOpensTheNextPage) {
  struct Case {
    const char* before;
    int page;  // 1-based page that shows the box
  };
  for (const Case& c : {Case{"", 1}, Case{"\\newcolumn\n", 2}}) {
    Layout l = typeset("\\column{2}", std::string("あ\\\\\n") + c.before + "い\\topofpagebox{箱}う\\\\\nえ\n");
    ASSERT_EQ(l.exitCode, 0) << l.out;
    const int first = (c.page - 1) * 2;
    for (int col = 0; col < static_cast<int>(l.columns().size()); ++col) {
      bool onItsPage = col == first || col == first + 1;
      EXPECT_EQ(Layout::ints(l.column(col)["topOfPage"]), onItsPage ? std::vector<int>{0} : std::vector<int>{})
          << c.before << " column " << col;
    }
    EXPECT_EQ(l.columnOfLine("いう"), c.page == 1 ? 0 : 1);
    EXPECT_EQ(l.sheets(), c.page);
    ExpectEveryFloatPlacedOnce(l);
  }
}

// The footnote's line and the footnote share a column: where both fit, in
// the column being filled; where the footnote fits but its line then does
// not, or the footnote does not fit, both open the next column.
TEST(ColumnsRender, FootnoteSharesItsLinesColumn) {
  struct Case {
    int linesBefore;
    int column;
  };
  for (const Case& c : {Case{2, 0}, Case{12, 1}, Case{13, 1}}) {
    Layout l = typeset("", repeat("あ\\\\\n", c.linesBefore) + "い\\footnote{注}う\\\\\n" + repeat("え\\\\\n", 3));
    ASSERT_EQ(l.exitCode, 0) << l.out;
    const int col = l.columnOfLine("いう");
    EXPECT_EQ(col, c.column) << c.linesBefore;
    EXPECT_EQ(Layout::ints(l.column(col)["bottomOfColumn"]), std::vector<int>{0}) << c.linesBefore;
    EXPECT_EQ(l.column(col)["footnotes"].toInt(), 1);
    if (c.column == 1) {
      EXPECT_EQ(l.firstLineOf(1), c.linesBefore);  // the line opens the column
      EXPECT_EQ(l.column(0)["footnotes"].toInt(), 0);
    }
    ExpectEveryFloatPlacedOnce(l);
  }
}

// A footnote that does not fit beside its line and a page box goes on with
// its line; it never stays behind in a column of its own.
TEST(ColumnsRender, FootnoteGoesOnWithItsLinePastAPageBox) {
  // The page box takes ten lines of a column of fourteen; the footnote's
  // three lines fit beside it, but not together with its line.
  Layout l = typeset("\\column{2}", "あ\\topofpagebox{" + repeat("箱\\\\", 9) + "箱}\\\\\n" + repeat("い\\\\\n", 1) +
                                          "う\\footnote{注\\\\注\\\\注}え\\\\\n" + repeat("お\\\\\n", 8));
  ASSERT_EQ(l.exitCode, 0) << l.out;
  const int col = l.columnOfLine("うえ");
  ASSERT_GE(col, 0);
  EXPECT_EQ(l.column(col)["footnotes"].toInt(), 1) << "the footnote left its line";
  ExpectEveryFloatPlacedOnce(l);
}

// Boxes of a page's second column are taken only where they fit beside the
// page's own boxes: a page box and a column box never overlap.
TEST(ColumnsRender, ColumnBoxWaitsForRoomBesidePageBoxes) {
  Layout l = typeset("\\column{2}", "あ\\topofpagebox{" + repeat("箱\\\\", 7) + "箱}\\\\\n" + repeat("い\\\\\n", 14) +
                                          "う\\bottomofcolumnbox{" + repeat("下\\\\", 6) + "下}え\\\\\n" +
                                          repeat("お\\\\\n", 10));
  ASSERT_EQ(l.exitCode, 0) << l.out;
  const int height = l.root["geometry"].toObject()["columnHeight"].toInt();
  const QJsonArray minis = l.root["miniPages"].toArray();
  auto extent = [&](const QJsonValue& list) {
    int s = 0;
    for (int m : Layout::ints(list)) s += minis[m].toObject()["height"].toInt() + minis[m].toObject()["depth"].toInt();
    return s;
  };
  for (int c = 0; c < static_cast<int>(l.columns().size()); ++c) {
    const QJsonObject col = l.column(c);
    const int boxes = extent(col["topOfPage"]) + extent(col["topOfColumn"]) + extent(col["bottomOfPage"]) +
                      extent(col["bottomOfColumn"]);
    EXPECT_LE(boxes, height) << "column " << c;
  }
  ExpectEveryFloatPlacedOnce(l);
}

// A box taller than the column gets a column to itself; the text goes on
// in the next one.
TEST(ColumnsRender, BoxTallerThanTheColumnStandsAlone) {
  Layout l = typeset("", "あ\\topofcolumnbox{" + repeat("い\\\\", 30) + "}う\\\\\n" + repeat("え\\\\\n", 20));
  ASSERT_EQ(l.exitCode, 0) << l.out;
  int alone = -1;
  for (int c = 0; c < static_cast<int>(l.columns().size()); ++c)
    if (!Layout::ints(l.column(c)["topOfColumn"]).empty()) alone = c;
  ASSERT_EQ(alone, 1);
  EXPECT_EQ(Layout::ints(l.column(1)["topOfColumn"]), std::vector<int>{0});
  EXPECT_EQ(l.column(1)["lastLine"].toInt(), l.column(0)["lastLine"].toInt());  // no lines of its own
  EXPECT_EQ(l.column(0)["lastLine"].toInt(), 13);
  EXPECT_EQ(l.column(2)["lastLine"].toInt(), 20);  // all 21 lines kept, none under the box
  ExpectEveryFloatPlacedOnce(l);
}

// 98 one-line paragraphs make 7 columns of 14 lines; the sheets follow the
// columns per sheet, and with two pages per sheet the page numbers follow
// the columns per page.
TEST(ColumnsRender, SheetCountsAndTrace) {
  struct Case {
    const char* preamble;
    int sheets;
    int perPage;
  };
  const Case cases[] = {
      {"", 7, 1},
      {"\\column{2}", 4, 2},
      {"\\column{3}", 3, 3},
      {"\\column{4}", 2, 4},
      {"\\column{2}\\pageperpaper{2}", 4, 1},
      {"\\column{3}\\pageperpaper{2}", 3, 3},
      {"\\column{4}\\pageperpaper{2}", 2, 2},
  };
  for (const Case& c : cases) {
    Layout l = typeset(c.preamble, repeat("あ\\\\\n", 98));
    ASSERT_EQ(l.exitCode, 0) << c.preamble << l.out;
    ASSERT_EQ(l.columns().size(), 7) << c.preamble;
    EXPECT_EQ(l.sheets(), c.sheets) << c.preamble;
    for (int col = 0; col < 7; ++col) {
      EXPECT_EQ(l.column(col)["lastLine"].toInt(), 14 * col + 13) << c.preamble;
      EXPECT_EQ(l.column(col)["page"].toInt(), col / c.perPage + 1) << c.preamble;
    }
    EXPECT_EQ(l.out, "VELDRIS (a.vdr)\n処理済みカラム数\n" + l.trace() + "\n") << c.preamble;
  }
}

// \newcolumn ends the column; \newpaper pads with empty columns to the
// next sheet and \newpage to the next page (two pages of two columns on
// each sheet here).
TEST(ColumnsRender, PageAndSheetBreaksPadWithEmptyColumns) {
  Layout l = typeset("\\column{4}\\pageperpaper{2}", "あ\\newcolumn い\\newpaper う\\newpage え\n");
  ASSERT_EQ(l.exitCode, 0) << l.out;
  EXPECT_EQ(l.columnOfLine("あ"), 0);
  EXPECT_EQ(l.columnOfLine("い"), 1);
  EXPECT_EQ(l.columnOfLine("う"), 4);
  EXPECT_EQ(l.columnOfLine("え"), 6);
  EXPECT_EQ(l.columns().size(), 7);
  EXPECT_EQ(l.sheets(), 2);
  ExpectEveryFloatPlacedOnce(l);
}

// Floats that outrun the text get columns and sheets of their own until
// every one is placed; a footnote still shares its line's column.
TEST(ColumnsRender, FloatsOutrunTheText) {
  const std::string tall = "\\topofcolumnbox{" + repeat("い\\\\", 8) + "}";
  const std::string page = "\\bottomofpagebox{" + repeat("お\\\\", 3) + "}";
  const std::string top = "\\topofpagebox{" + repeat("か\\\\", 4) + "}";
  Layout l = typeset("\\column{2}", "あ" + tall + tall + page + top + "\\\\\nき" + tall + tall + page + top +
                                        tall + "く\\footnote{注}け\n");
  ASSERT_EQ(l.exitCode, 0) << l.out;
  ASSERT_EQ(l.lines().size(), 2);
  EXPECT_GE(l.columns().size(), 5);
  EXPECT_EQ(l.sheets(), (static_cast<int>(l.columns().size()) + 1) / 2);
  const int col = l.columnOfLine("きくけ");
  EXPECT_EQ(l.column(col)["footnotes"].toInt(), 1);
  ExpectEveryFloatPlacedOnce(l);
}

// A page's stored counters are those before its first line, although that
// line was built (and its \item counted) before the page record existed.
TEST(ColumnsRender, PageCountersStartBeforeTheFirstLine) {
  Layout l = typeset("", "\\beginitem\n" + repeat("\\item あ\n", 20) + "\\enditem\n");
  ASSERT_EQ(l.exitCode, 0) << l.out;
  ASSERT_EQ(l.columns().size(), 2);
  int itemsOnPage1 = 0;
  for (const QJsonValue& line : l.lines())
    if (line.toObject()["column"].toInt() == 0 && line.toObject()["text"].toString() == "あ") ++itemsOnPage1;
  ASSERT_GT(itemsOnPage1, 0);
  ASSERT_LT(itemsOnPage1, 20);
  const QJsonArray pages = l.root["pages"].toArray();
  EXPECT_EQ(pages[0].toObject()["counters"].toArray()[91].toInt(), 0);
  EXPECT_EQ(pages[1].toObject()["counters"].toArray()[91].toInt(), itemsOnPage1);
  EXPECT_EQ(l.root["counters"].toArray()[91].toInt(), 20);

  // A counter set outright by the page's first line: its value before it.
  Layout s = typeset("", "\\setcounter{5, 3}\\setcounter{6, 4}" + repeat("あ\\\\\n", 14) +
                             "\\setcounter{5, 9}い\\\\\nう\n");
  ASSERT_EQ(s.exitCode, 0) << s.out;
  ASSERT_EQ(s.columnOfLine("い"), 1);
  const QJsonArray counters = s.root["pages"].toArray()[1].toObject()["counters"].toArray();
  EXPECT_EQ(counters[5].toInt(), 3);
  EXPECT_EQ(counters[6].toInt(), 4);
  EXPECT_EQ(s.root["counters"].toArray()[5].toInt(), 9);
}

// The text ends in a page's first column while a page box waits for the
// next page: no Now queue holds anything then, yet the box is placed.
TEST(ColumnsRender, PageBoxWaitingAfterTheLastLineIsPlaced) {
  Layout l = typeset("\\column{2}", repeat("あ\\\\\n", 3) + "い\\bottomofpagebox{" + repeat("う\\\\", 13) + "}\n");
  ASSERT_EQ(l.exitCode, 0) << l.out;
  ASSERT_EQ(l.columns().size(), 4);  // the page that shows the box is filled out
  for (int c = 0; c < 4; ++c)
    EXPECT_EQ(Layout::ints(l.column(c)["bottomOfPage"]), c < 2 ? std::vector<int>{} : std::vector<int>{0}) << c;
  EXPECT_EQ(l.sheets(), 2);
  ExpectEveryFloatPlacedOnce(l);
}

// Background requests: a page count in brackets colours the page being
// filled and the next ones; a column request the column being filled; a
// request for all pages reaches the pages made for floats after the text.
TEST(ColumnsRender, BackgroundsPerPageAndColumn) {
  auto colouredPages = [](const Layout& l) {
    std::vector<bool> out;
    const QJsonArray pages = l.root["pages"].toArray();
    for (int p = 0; p < l.sheets(); ++p) out.push_back(pages[p].toObject().contains("bgColor"));
    return out;
  };
  Layout l = typeset("", "\\pageBGcolor{[2]red}" + repeat("あ\\\\\n", 20) + "\\columnBGcolor{[1]#0000ff}" +
                             repeat("い\\\\\n", 30));
  ASSERT_EQ(l.exitCode, 0) << l.out;
  ASSERT_EQ(l.sheets(), 4);
  EXPECT_EQ(colouredPages(l), (std::vector<bool>{true, true, false, false}));
  EXPECT_EQ(l.root["pages"].toArray()[0].toObject()["bgColor"].toInt(), 0x0000FF);  // red in the low byte
  for (int c = 0; c < 4; ++c) EXPECT_EQ(l.column(c)["background"].toObject().contains("color"), c == 1) << c;
  EXPECT_EQ(l.column(1)["background"].toObject()["color"].toInt(), 0xFF0000);

  Layout f = typeset("", "\\pageBGcolor{teal}あ\\topofcolumnbox{" + repeat("い\\\\", 30) + "}\n");
  ASSERT_EQ(f.exitCode, 0) << f.out;
  ASSERT_EQ(f.sheets(), 2);
  EXPECT_EQ(colouredPages(f), (std::vector<bool>{true, true}));
  ExpectEveryFloatPlacedOnce(f);
}
