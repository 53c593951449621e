// Generated documents (seeded: running text with inline formulas, items,
// footnotes, floats, counters, headings and queued column heads, in
// several widths and column counts) typeset whole on fixed metrics; the
// layout must keep the invariants a reader relies on.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "commands/Typeset.h"
#include "layout/commands/Commands.h"
#include "layout/lines/WordLine.h"
#include "layout/pages/Columns.h"

using namespace vel;

namespace {

struct Doc {
  std::string text;
  int counterSteps = 0, chapters = 0;
};

Doc generate(unsigned seed, int columns, int widthMM) {
  std::mt19937 rng(seed);
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  const char* kana[] = {"あ", "い", "う", "え", "お", "か", "き", "日", "本", "語", "組", "版"};
  const char* punct[] = {"、", "。", "「", "」", "（", "）"};
  const char* words[] = {"line", "break", "VELDRIS", "text"};
  Doc d;
  d.text = "\\documentstyle{10.5, papersize(" + std::to_string(widthMM) + ",120)}\\column{" + std::to_string(columns) +
           "}\\topmargin{10mm}\\bottommargin{10mm}\\leftmargin{8mm}\\rightmargin{8mm}\n\\begindocument\n";
  for (int p = 0; p < 40; ++p) {
    std::string line;
    const int r = pick(20);
    if (r == 0) {
      line += "\\chapter{" + std::to_string(++d.chapters) + "&章" + "}";
    } else if (r == 1) {
      line += "\\headofnextcolumn{（続き）}";
    } else if (r == 2) {
      line += "\\beginitem{2ch}\\item あいう\\item かき$x$。く\\enditem\\p ";
    }
    for (int i = 0, n = 10 + pick(60); i < n; ++i) {
      const int k = pick(30);
      if (k < 20) line += kana[pick(12)];
      else if (k < 24) line += punct[pick(6)];
      else if (k < 25) line += words[pick(4)];
      else if (k < 26) line += "$x+y$";
      else if (k < 27) line += "\\box{箱}";
      else if (k == 27 && pick(3) == 0) line += "\\footnote{注" + std::to_string(p) + "}";
      else if (k == 28 && pick(3) == 0) {
        line += "\\setcounter{5,counter(5)+1}";
        ++d.counterSteps;
      } else if (k == 29 && pick(4) == 0) {
        line += pick(2) ? "\\topofcolumnbox{上" + std::string(kana[pick(12)]) + "}"
                        : "\\bottomofpagebox{下" + std::string(kana[pick(12)]) + "}";
      }
    }
    d.text += line + "\\p\n";
  }
  return d;
}

int firstLineOf(const State& st, int c) { return c == 0 ? 0 : st.columnList[static_cast<size_t>(c - 1)].lastLine + 1; }
int firstWordOf(const State& st, int l) { return l == 0 ? 0 : st.lineList[static_cast<size_t>(l - 1)].lastWord + 1; }

int extent(const State& st, const std::vector<int>& list) {
  int s = 0;
  for (int m : list) s += FloatExtent(st, m);
  return s;
}

// The first or last word of a line that takes room.
int visibleWord(const State& st, int l, bool last) {
  const int a = firstWordOf(st, l), b = st.lineList[static_cast<size_t>(l)].lastWord;
  for (int i = last ? b : a; last ? i >= a : i <= b; i += last ? -1 : 1) {
    const WordInfo& w = st.wordList[static_cast<size_t>(i)];
    if (w.width != 0 && !(w.kind == cmd::Text && st.wordTextList[static_cast<size_t>(i)] == " ")) return i;
  }
  return -1;
}

uint16_t edgeCode(std::string_view t, bool last) {
  if (t.empty()) return 0;
  return last ? charCodeAt(t, t.size() >= 2 && isLead(t[t.size() - 2]) ? t.size() - 2 : t.size() - 1) : charCodeAt(t, 0);
}

void check(unsigned seed, int columns, int widthMM) {
  const Doc d = generate(seed, columns, widthMM);
  cmdtest::Typeset t(d.text);
  const std::string where = "seed " + std::to_string(seed) + ", " + std::to_string(columns) + " columns, " +
                            std::to_string(widthMM) + " mm";
  ASSERT_EQ(t.status, RunStatus::Done) << where << "\n" << (t.errors().empty() ? "" : t.errors().back());
  const State& st = t.st();
  const Settings& s = t.engine.settings;

  // Counters and headings stepped once each.
  EXPECT_EQ(st.val.counters[5], d.counterSteps) << where;
  EXPECT_EQ(st.val.counters[counter::kChapter], d.chapters) << where;

  // Lines: a broken line neither ends with a line-end character nor lets
  // the next start with a line-head one; its width is what its words take.
  std::map<int, int> columnOfLine;
  for (int c = 0; c < static_cast<int>(st.columnList.size()); ++c)
    for (int l = firstLineOf(st, c); l <= st.columnList[static_cast<size_t>(c)].lastLine; ++l) columnOfLine[l] = c;
  for (int l = 0; l < static_cast<int>(st.lineList.size()); ++l) {
    const LineInfo& li = st.lineList[static_cast<size_t>(l)];
    long sum = 0;
    bool right = false;
    for (int i = firstWordOf(st, l); i <= li.lastWord; ++i) {
      const WordInfo& w = st.wordList[static_cast<size_t>(i)];
      if (w.kind == cmd::RightLine) right = true;
      if (!IsLineCommand(w.kind) || w.kind == cmd::Item) sum += w.width;
    }
    if (!right) {
      EXPECT_EQ(li.width, sum) << where << ", line " << l;
    }
    if (li.kind != LineJustified || l + 1 >= static_cast<int>(st.lineList.size())) continue;
    const int last = visibleWord(st, l, true), next = visibleWord(st, l + 1, false);
    if (last >= 0 && st.wordList[static_cast<size_t>(last)].kind == cmd::Text && visibleWord(st, l, false) != last) {
      EXPECT_FALSE(InCharSet(s.xTail, edgeCode(st.wordTextList[static_cast<size_t>(last)], true)))
          << where << ", line " << l << " ends with " << cp932ToUtf8(st.wordTextList[static_cast<size_t>(last)]);
    }
    if (next >= 0 && st.wordList[static_cast<size_t>(next)].kind == cmd::Text && visibleWord(st, l, false) != last) {
      EXPECT_FALSE(InCharSet(s.xHead, edgeCode(st.wordTextList[static_cast<size_t>(next)], false)))
          << where << ", line " << l + 1 << " starts with " << cp932ToUtf8(st.wordTextList[static_cast<size_t>(next)]);
    }
  }

  // Floats: each placed once, footnotes in their line's column, and no
  // column holds more than its height (a box taller than a column alone).
  std::map<int, int> seen;
  for (int c = 0; c < static_cast<int>(st.columnList.size()); ++c) {
    const ColumnInfo& ci = st.columnList[static_cast<size_t>(c)];
    const bool firstOfPage = c % std::max(1, st.geo.columnsPerPage) == 0;
    for (int m : ci.topOfColumn) ++seen[m];
    for (int m : ci.bottomOfColumn) ++seen[m];
    if (firstOfPage) {
      for (int m : ci.topOfPage) ++seen[m];
      for (int m : ci.bottomOfPage) ++seen[m];
    }
    const int top = extent(st, ci.topOfPage) + extent(st, ci.topOfColumn);
    const int bottom = extent(st, ci.bottomOfPage) + extent(st, ci.bottomOfColumn);
    // The text reaches the foot of its last line that takes room.
    int text = 0, reach = 0;
    const int first = firstLineOf(st, c);
    for (int l = first; l <= ci.lastLine; ++l) {
      const LineInfo& li = st.lineList[static_cast<size_t>(l)];
      if (li.height > 0) reach = text + li.height;
      text += li.height + li.skip;
    }
    text = reach;
    const int used = top + (top ? st.geo.topBottomBoxSep : 0) + text + bottom + (bottom ? st.geo.topBottomBoxSep : 0);
    const int boxes = static_cast<int>(ci.topOfPage.size() + ci.topOfColumn.size() + ci.bottomOfPage.size() +
                                       ci.bottomOfColumn.size());
    if (!(boxes == 1 && text == 0) && !(boxes == 0 && ci.lastLine == first)) {
      EXPECT_LE(used, st.geo.columnHeight) << where << ", column " << c << ": top " << top << " text " << text
                                           << " bottom " << bottom << " (" << ci.bottomOfColumn.size() << " column, "
                                           << ci.bottomOfPage.size() << " page boxes, " << ci.footnoteCount
                                           << " footnotes)";
    }
    for (int f = 0; f < ci.footnoteCount && f < static_cast<int>(ci.bottomOfColumn.size()); ++f) {
      const int mini = ci.bottomOfColumn[static_cast<size_t>(f)];
      for (size_t i = 0; i < st.wordList.size(); ++i) {
        const WordInfo& w = st.wordList[i];
        if (w.kind != cmd::Float || w.subType != cmd::Footnote || w.value != mini) continue;
        int line = 0;
        while (line < static_cast<int>(st.lineList.size()) && st.lineList[static_cast<size_t>(line)].lastWord < static_cast<int>(i)) ++line;
        EXPECT_EQ(columnOfLine[line], c) << where << ", footnote " << mini;
      }
    }
  }
  for (size_t i = 0; i < st.wordList.size(); ++i) {
    const WordInfo& w = st.wordList[i];
    if (w.kind == cmd::Float && w.value >= 0) {
      EXPECT_EQ(seen[w.value], 1) << where << ", float " << w.value;
    }
  }
}

}  // namespace

TEST(GeneratedDocuments, LayoutInvariants) {
  for (unsigned seed = 1; seed <= 12; ++seed)
    for (const auto& [columns, width] : {std::pair{1, 90}, std::pair{2, 148}, std::pair{2, 105}}) check(seed, columns, width);
}
