// A typeset state built by hand: geometry, words, lines, columns and page
// records, drawn on a FakeCanvas at 200 dpi (S = 0.01: layout 100 = 1 px),
// so that the drawing log gives exact device coordinates.
#pragma once

#include <string>
#include <vector>

#include "canvas/FakeCanvas.h"
#include "layout/fonts/Fonts.h"
#include "layout/drawing/SheetDrawing.h"
#include "layout/scopes/StateStacks.h"
#include "StateFixture.h"

namespace veltest {

struct SheetFixture : StateFixture {
  vel::FakeCanvas& canvas = fake;

  // Text area: left 20000, top 20000, one 100000-wide column 200000 high.
  SheetFixture() : StateFixture(nullptr, 200) {
    vel::Geometry& g = st.geo;
    g.paperWidthMM = 200;
    g.paperHeightMM = 300;
    g.topMargin = g.leftMargin = 20000;
    g.bottomMargin = 20000;
    g.columnWidth = 100000;
    g.columnHeight = 200000;
    g.paperHeight = 240000;
    g.pageWidth = 100000;
    g.headSep = 2000;
    g.footSep = 2000;
    g.topBottomBoxSep = 3000;
    // A font of em 1000 layout units: FakeCanvas single bytes advance 500,
    // double bytes 1000, ascent 800, descent 200.
    st.chr.fontSize = 7200;
    st.font.baseSize = 7200;
    vel::Font f;
    f.name = "F";
    f.height = -1000;
    vel::SetFont(st, f, 2);
    vel::SetDrawTarget(st, vel::DrawTarget{&canvas, 200, 1.0, false});
    st.pageList.push_back(vel::MakePageSnapshot(st));
  }

  // Appends a word to the main lists (or to mini page `mini`).
  int word(int kind, int width, const std::string& text, int mini = -1, int height = 800, int depth = 200) {
    vel::WordInfo w{};
    w.kind = kind;
    w.width = width;
    w.height = height;
    w.depth = depth;
    auto& words = mini < 0 ? st.wordList : st.miniPageList[size_t(mini)].words;
    auto& texts = mini < 0 ? st.wordTextList : st.miniPageList[size_t(mini)].wordTexts;
    words.push_back(w);
    texts.push_back(text);
    return static_cast<int>(words.size()) - 1;
  }

  // Changes the last word appended (words are written back whole).
  template <class Edit>
  void retouchLast(Edit edit, int mini = -1) {
    auto& words = mini < 0 ? st.wordList : st.miniPageList[size_t(mini)].words;
    vel::WordInfo w = words.back();
    edit(w);
    words.set(words.size() - 1, w);
  }

  // Closes a line after the last word appended.
  void line(int kind, int width, int count, int lineWidth, int offset = 0, int mini = -1) {
    auto& words = mini < 0 ? st.wordList : st.miniPageList[size_t(mini)].words;
    auto& lines = mini < 0 ? st.lineList : st.miniPageList[size_t(mini)].lines;
    vel::LineInfo li{};
    li.lastWord = static_cast<int>(words.size()) - 1;
    li.height = 1000;
    li.width = width;
    li.ascent = 800;
    li.kind = kind;
    li.count = count;
    li.skip = 500;
    li.offset = offset;
    li.lineWidth = lineWidth;
    lines.push_back(li);
  }

  // A float block of one text line, `extent` high, hanging from its top.
  int block(const std::string& text, int extent) {
    vel::MiniPage m;
    m.width = st.geo.columnWidth;
    m.height = 0;
    m.depth = extent;
    st.miniPageList.push_back(m);
    const int index = static_cast<int>(st.miniPageList.size()) - 1;
    word(0, 500, text, index);
    line(1, 500, 1, m.width, 0, index);
    return index;
  }

  vel::ColumnInfo& column() {
    vel::ColumnInfo c;
    c.lastLine = static_cast<int>(st.lineList.size()) - 1;
    st.columnList.push_back(c);
    st.col.columnsMade = static_cast<int>(st.columnList.size());
    const int per = std::max(1, st.geo.columnsPerSheet);
    st.col.sheets = (st.col.columnsMade + per - 1) / per;
    return st.columnList.back();
  }

  std::vector<std::string> draw(int sheet = 1) {
    canvas.clearLog();
    vel::DrawSheet(st, sheet);
    return canvas.log();
  }
};

// Log lines that start with `prefix`.
inline std::vector<std::string> withPrefix(const std::vector<std::string>& log, const std::string& prefix) {
  std::vector<std::string> out;
  for (const std::string& l : log)
    if (l.compare(0, prefix.size(), prefix) == 0) out.push_back(l);
  return out;
}

}  // namespace veltest
