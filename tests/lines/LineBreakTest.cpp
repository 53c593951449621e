// Words and lines on fixed metrics (FakeCanvas: a double-byte character is
// one em wide, a single byte half an em, the cell height one em): the
// spacing words, the number and punctuation splitting, the Japanese
// line-breaking rules, line ends and justification, with exact numbers.
#include <gtest/gtest.h>

#include "StateFixture.h"
#include "TestSupport.h"
#include "base/Cp932.h"
#include "canvas/FakeCanvas.h"
#include "frontend/Calc.h"
#include "frontend/Values.h"
#include "layout/fonts/Fonts.h"
#include "layout/lines/WordLine.h"

using namespace vel;
using veltest::sj;

namespace {

constexpr int kEm = 2916;  // 10.5 points in layout units
constexpr int kHalf = 1458;

struct Typeset : veltest::StateFixture {
  int result = 0;

  explicit Typeset(int columnChars, int columnLines = 1000) { body(columnChars * kEm, columnLines * kEm); }
  Typeset& run(const std::string& utf8) {
    st.sourceLines = {sj(utf8)};
    result = veltest::ValueOrCode(MakeWordLineList(st, st.sourceLines, st.wordList, true, st.lineList, st.wordTextList));
    return *this;
  }
  // The text of each line (plain-text words joined), UTF-8.
  std::vector<std::string> lines() const {
    std::vector<std::string> out;
    int first = 0;
    for (const LineInfo& l : st.lineList) {
      std::string t;
      for (int w = first; w <= l.lastWord; ++w)
        if (st.wordList[w].kind == 0) t += st.wordTextList[w];
      out.push_back(cp932ToUtf8(t));
      first = l.lastWord + 1;
    }
    return out;
  }
  std::vector<std::pair<int, int>> kindsAndWidths() const {
    std::vector<std::pair<int, int>> out;
    for (const WordInfo& w : st.wordList) out.emplace_back(w.kind, w.width);
    return out;
  }
};

}  // namespace

TEST(Words, AutomaticSpacingBetweenScripts) {
  Typeset t(100);
  t.run("あabc12ab3.14.い$x$");
  ASSERT_EQ(t.result, t.st.col.textHeight);
  const int h6 = kEm / 6, h18 = kEm / 18, h518 = kEm * 5 / 18;
  EXPECT_EQ(t.kindsAndWidths(), (std::vector<std::pair<int, int>>{
                                    {0, kEm},             // あ
                                    {42, h6},             // Japanese -> Latin
                                    {0, 3 * kHalf},       // abc
                                    {0, 2 * kHalf},       // 12
                                    {44, h18},            // digits -> letters
                                    {0, 2 * kHalf},       // ab
                                    {0, 4 * kHalf},       // 3.14
                                    {0, kHalf},           // the second full stop
                                    {0, kEm},             // い (after punctuation: no spacing)
                                    {40, h518},           // Japanese -> math
                                    {2, kHalf},           // $x$
                                }));
  EXPECT_EQ(t.st.wordTextList[6], "3.14");
  EXPECT_EQ(t.st.wordTextList[7], ".");
  EXPECT_EQ(h18, 162);
}

TEST(Words, SpacesAndIdeographicSpace) {
  Typeset t(100);
  t.run("a b　c");
  // a, space, b, spacing, "　" (a Japanese character), spacing, c.
  auto kw = t.kindsAndWidths();
  ASSERT_EQ(kw.size(), 7u);
  EXPECT_EQ(kw[1], (std::pair<int, int>{0, kEm * 5 / 18}));  // a space: 5H/18
  EXPECT_EQ(kw[3].first, 42);
  EXPECT_EQ(kw[4], (std::pair<int, int>{0, kEm}));  // "　": one character height, no text
  EXPECT_EQ(t.st.wordTextList[4], "");
  EXPECT_EQ(kw[5].first, 42);
}

TEST(LineBreaking, LineHeadCharacterTakesThePrecedingOneAlong) {
  EXPECT_EQ(Typeset(3).run("あいう。え").lines(), (std::vector<std::string>{"あい", "う。え"}));
  EXPECT_EQ(Typeset(3).run("あいう。」").lines(), (std::vector<std::string>{"あい", "う。」"}));
  EXPECT_EQ(Typeset(3).run("あい。」え").lines(), (std::vector<std::string>{"あ", "い。」", "え"}));
}

TEST(LineBreaking, LineEndCharacterGoesDown) {
  EXPECT_EQ(Typeset(3).run("あい「うえ").lines(), (std::vector<std::string>{"あい", "「うえ"}));
}

TEST(LineBreaking, NeverEmptiesALine) {
  // Only prohibited characters: they cannot all move, so the line breaks as is.
  EXPECT_EQ(Typeset(2).run("。。。。").lines(), (std::vector<std::string>{"。。", "。。"}));
}

TEST(LineBreaking, WideWordStandsAlone) {
  Typeset t(3);
  t.run("あ abcdefghij い");
  // The spaces at the breaks vanish.
  EXPECT_EQ(t.lines(), (std::vector<std::string>{"あ", "abcdefghij", "い"}));
  EXPECT_GT(t.st.lineList[1].width, t.st.lineList[1].lineWidth);
}

TEST(LineBreaking, SpacingAtALineStartIsRemoved) {
  Typeset t(3);
  t.run("あいうabc");
  ASSERT_EQ(t.lines(), (std::vector<std::string>{"あいう", "abc"}));
  EXPECT_EQ(t.st.wordList[3].kind, 50);
  EXPECT_EQ(t.st.wordList[3].width, 0);
}

TEST(LineBreaking, SpacesVanishAtBreaks) {
  // "aa bb cc": each pair is one em; the line holds three ems.
  Typeset t(3);
  t.run("aa bb cc dd");
  EXPECT_EQ(t.lines(), (std::vector<std::string>{"aa bb", "cc dd"}));
  EXPECT_EQ(t.st.lineList[0].width, 2 * kEm + kEm * 5 / 18);  // the inner space stays, the trailing one goes
  EXPECT_EQ(t.st.lineList[0].count, 3);
  EXPECT_EQ(t.st.lineList[1].width, 2 * kEm + kEm * 5 / 18);
}

TEST(LineEnds, KindsAndJustification) {
  Typeset t(10);
  t.run("あい\\\\うえ\\crrお");
  ASSERT_EQ(t.st.lineList.size(), 3u);
  EXPECT_EQ(t.st.lineList[0].kind, 1);  // \\ : not spread
  EXPECT_EQ(t.st.lineList[1].kind, 0);  // \crr: spread
  EXPECT_EQ(t.st.lineList[2].kind, 1);  // end of text
  Justification j = JustificationOf(t.st.lineList[1]);
  // Two words, one gap: the whole remaining width goes to it.
  EXPECT_EQ(j.n, 1);
  EXPECT_EQ(j.q, 8 * kEm);
  EXPECT_EQ(j.r, 0);
  EXPECT_EQ(JustificationOf(t.st.lineList[0]).n, 0);
}

TEST(LineEnds, JustificationFloorRule) {
  LineInfo l{};
  l.kind = 0;
  l.count = 4;
  l.lineWidth = 1000;
  l.width = 990;  // gap 10 over 3: 4, 3, 3
  Justification j = JustificationOf(l);
  EXPECT_EQ(j.q, 3);
  EXPECT_EQ(j.r, 1);
  l.width = 1010;  // gap -10: floor(-10/3) = -4, r = 2
  j = JustificationOf(l);
  EXPECT_EQ(j.q, -4);
  EXPECT_EQ(j.r, 2);
  l.count = 0;  // an empty \crr line has no gaps
  EXPECT_EQ(JustificationOf(l).n, 0);
}

TEST(LineEnds, EmptyLineAddsOnlyItsLength) {
  Typeset t(10);
  t.run("あ\\\\\\\\{5mm}い");
  ASSERT_EQ(t.st.lineList.size(), 3u);
  EXPECT_EQ(t.st.lineList[1].height, 0);
  EXPECT_EQ(t.st.lineList[1].skip, 3937);
}

TEST(Items, NestingErrors) {
  std::string deep;
  for (int i = 0; i < 10; ++i) deep += "\\beginitem ";
  Typeset t(10);
  t.run(deep);
  EXPECT_EQ(t.result, -5);
  Typeset u(10);
  u.run("\\enditem");
  EXPECT_EQ(u.result, -5);
  Typeset v(10);
  v.run("\\item{a}");
  EXPECT_EQ(v.result, -5);
}

TEST(ReformPara, EncodedLengthsGrowShortPieces) {
  Typeset t(10);
  DefLength(t.st, "\\ab");
  SetUserLength(t.st, "ab", 20000);
  std::string text = "\\ab,1cm";
  EXPECT_EQ(ReformPara(t.st, text), 7874);
  EXPECT_EQ(text.size(), kEncodedLengthSize + 4);  // "\ab" (3 bytes) became 6 bytes
  EXPECT_EQ(text.substr(kEncodedLengthSize), ",1cm");
  int v = 0;
  ASSERT_TRUE(DecodeLength(text, 0, v));
  EXPECT_EQ(v, 20000);
  // Reading the frozen text again gives the frozen value, whatever the length is now.
  SetUserLength(t.st, "ab", 1);
  std::string first = text.substr(0, kEncodedLengthSize);
  EXPECT_EQ(ReformPara(t.st, first), 20000);
}

TEST(HeadOfNextColumn, QueuedTextHeadsTheNextColumnOnce) {
  Typeset t(10, 3);  // two lines (and their skip) per column
  t.run("\\headofnextcolumn{X}あ\\\\い\\\\う\\\\え");
  ASSERT_GE(t.result, 0);
  std::string all;
  for (const auto& l : t.lines()) all += l + "|";
  EXPECT_EQ(all, "あ|い|Xう|え|");
  ASSERT_FALSE(t.st.columnList.empty());
  EXPECT_EQ(t.st.columnList[0].lastLine, 1);
}

TEST(HeadOfNextColumn, TheDroppedLineHappensOnce) {
  // The third line opens the second column: its counter step, footnote
  // and list end happen once, and the queued text heads the column.
  Typeset t(10, 3);
  t.run("\\headofnextcolumn{X}\\beginitem\\item あ\\\\い\\\\"
        "\\setcounter{5,counter(5)+1}う\\footnote{注}\\enditem\\\\え");
  ASSERT_GE(t.result, 0) << cp932ToUtf8(t.host.lines().empty() ? "" : t.host.lines().back());
  EXPECT_EQ(t.st.val.counters[5], 1);
  EXPECT_EQ(t.st.miniPageList.size(), 1u);
  EXPECT_EQ(t.st.line.itemLevel, 0);
  std::string all;
  for (const auto& l : t.lines()) all += l + "|";
  // As without the queued text, which heads the second column.
  Typeset plain(10, 3);
  plain.run("\\beginitem\\item あ\\\\い\\\\\\setcounter{5,counter(5)+1}う\\footnote{注}\\enditem\\\\え");
  std::vector<std::string> expected = plain.lines();
  ASSERT_EQ(expected.size(), 5u);
  expected[2] = "X" + expected[2];
  EXPECT_EQ(t.lines(), expected);
}

TEST(UnderlineSpans, SplitAtLineEndsAndStyleChecked) {
  Typeset t(3);
  t.run("\\Underline{あいうえお}");
  ASSERT_GE(t.result, 0);
  ASSERT_EQ(t.lines(), (std::vector<std::string>{"あいう", "えお"}));
  // Each line has its own start and end marker; the capital form gives the
  // start marker a depth below the text's.
  int starts = 0, ends = 0;
  for (const WordInfo& w : t.st.wordList) {
    if (w.kind != 118) continue;
    if (w.subType == 2) {
      ++ends;
    } else {
      ++starts;
      EXPECT_GT(w.depth, t.st.font.descent);
    }
  }
  EXPECT_EQ(starts, 2);
  EXPECT_EQ(ends, 2);
  EXPECT_EQ(t.st.lineList[0].lastWord + 1, 5);  // start, あ, い, う, end

  Typeset bad(10);
  bad.run("\\underline{\\style{9}x}");
  EXPECT_EQ(bad.result, -10);
  ASSERT_FALSE(bad.host.lines().empty());
  EXPECT_EQ(cp932ToUtf8(bad.host.lines().back()), "** \\underlineコマンドのエラー");
}
