// MakeMiniPage: a block typeset apart with its own words and lines
// (\minipage, floats, footnotes); SetDefVar: the settings such blocks start from.
#include <algorithm>

#include "base/Cp932.h"
#include "base/Units.h"
#include "frontend/Calc.h"
#include "frontend/Values.h"
#include "layout/boxes/BoxText.h"
#include "layout/boxes/Boxes.h"
#include "layout/fonts/Fonts.h"
#include "layout/lines/WordLine.h"
#include "layout/drawing/PageDisplay.h"
#include "layout/scopes/StateStacks.h"

namespace vel {

namespace {

using namespace boxtext;


int mm(double v) { return static_cast<int>(v * units::kPerMM); }

bool failWith(State& st, const std::string& message) {
  st.message("** " + message);
  return false;
}

// The options at the start of a \minipage: up to two of \align{x} and
// \width{length}. false (the message written) when they are unusable.
bool readOptions(State& st, const std::string& text, char& align, int& width, size_t& contentStart) {
  align = 'c';
  bool widthGiven = false;
  size_t pos = SkipSpaces(text, 0);
  for (int n = 0; n < 2; ++n) {
    NamedGroup g;
    bool ok = ReadNamedGroup(text, pos, g);
    if (g.name == "align") {
      if (!ok) return failWith(st, SJ("\\alignコマンドの{}が閉じていません。"));
      size_t c = SkipSpaces(g.content, 0);
      char a = c < g.content.size() ? g.content[c] : 'c';
      align = (a == 'b' || a == 't') ? a : 'c';
    } else if (g.name == "width") {
      if (!ok) return failWith(st, SJ("\\widthコマンドの{}が閉じていません。"));
      width = UnitToPix(st, g.content);
      widthGiven = true;
    } else {
      break;
    }
    pos = SkipSpaces(text, g.end);
  }
  if (!widthGiven) return failWith(st, SJ("\\widthコマンドがありません。"));
  if (width <= 0) return failWith(st, SJ("\\widthコマンドで負の値が指定されています。"));
  contentStart = pos;
  return true;
}

Lines splitLines(const std::string& text) {
  Lines out;
  size_t start = 0;
  for (;;) {
    size_t nl = text.find('\n', start);
    out.push_back(text.substr(start, nl == std::string::npos ? std::string::npos : nl - start));
    if (nl == std::string::npos) break;
    start = nl + 1;
  }
  return out;
}

}  // namespace

void SetDefVar(State& st) {
  st.chr.fontSize = st.font.baseSize;
  SetFont(st, BaseFont(st), 2);
  const double H = st.font.charHeight;
  st.para.lineSkip = st.para.parSkip = mm(2);
  st.chr.ruleWidth = static_cast<int>(units::kPerInch / 144);
  st.chr.frameBoxSep = mm(0.5);
  st.chr.tableRowSep = st.chr.tableColSep = mm(1);
  st.para.mathIndent = st.para.mathRightIndent = static_cast<int>(2 * H);
  st.para.parIndent = 0;
  st.chr.ruleColor = kBlack;
  st.cmd.matrixRowSepExact = 0.3 * H;
  st.cmd.matrixColSepExact = H;
  st.chr.matrixRowSep = static_cast<int>(st.cmd.matrixRowSepExact);
  st.chr.matrixColSep = static_cast<int>(st.cmd.matrixColSepExact);
  st.chr.underlineSep = mm(0.2);
  st.chr.doubleLineSep = mm(0.3);
  st.chr.alnumFontMode = 0;

  PublishSettingLengths(st);
}

Result<int> MakeMiniPage(State& st, const std::string& text, int styleLevel, int width) {
  const Result<int> failed = LayoutCode::InvalidArgument;
  char align = 'c';
  size_t contentStart = 0;
  const bool hangs = width >= 1;  // floats and footnotes: the caller gave the width
  if (!hangs && !readOptions(st, text, align, width, contentStart)) return failed;
  BoxLevel level(st);
  if (!level.ok()) {
    st.message("** " + SJ("\\minipageのエラー"));
    return failed;
  }

  const int index = static_cast<int>(st.miniPageList.size());
  st.miniPageList.emplace_back();

  // The block's own settings, with everything it changes put back after it.
  const double rowExact = st.cmd.matrixRowSepExact, colExact = st.cmd.matrixColSepExact;
  SaveGroupVariables(st);
  SaveMiniPageVariables(st);
  SetDefVar(st);
  if (styleLevel != st.chr.styleLevel) SetFont(st, st.chr.font, styleLevel);
  st.geo.columnWidth = width;
  st.line.lineWidth = width - st.para.parIndent;
  SetLengthList(st, "columnwidth", width);
  SetLengthList(st, "linewidth", st.line.lineWidth);

  // Built apart: a block inside this one appends to MiniPageList meanwhile.
  MiniPage page;
  Lines source = splitLines(text.substr(contentStart));
  const Result<int> made = MakeWordLineList(st, source, page.words, false, page.lines, page.wordTexts);

  RestoreMiniPageVariables(st);
  RestoreGroupVariables(st);
  st.cmd.matrixRowSepExact = rowExact;
  st.cmd.matrixColSepExact = colExact;
  if (!made) {
    st.message("** " + SJ("\\minipageのエラー"));
    return failed;
  }
  const int total = *made;

  int height, depth;
  if (hangs) {
    height = 0;
    depth = total;
  } else if (align == 'b') {
    depth = st.font.descent;
    height = total - depth;
  } else if (align == 't') {
    height = st.font.ascent;
    depth = total - height;
  } else {
    height = static_cast<int>(total / 2 + st.font.mathAxis);
    depth = total - height;
  }
  page.width = width;
  page.height = height;
  page.depth = depth;
  st.miniPageList[static_cast<size_t>(index)] = std::move(page);
  return index;
}

void DrawMiniPageBlock(State& st, int index, int y, int x) {
  if (index < 0 || index >= static_cast<int>(st.miniPageList.size())) return;
  const double rowExact = st.cmd.matrixRowSepExact, colExact = st.cmd.matrixColSepExact;
  SaveGroupVariables(st);
  SaveMiniPageVariables(st);
  SaveBoxVariables(st);
  SetDefVar(st);
  PageDisplay(st, 0, index, 1, y, x);
  RestoreBoxVariables(st);
  RestoreMiniPageVariables(st);
  RestoreGroupVariables(st);
  st.cmd.matrixRowSepExact = rowExact;
  st.cmd.matrixColSepExact = colExact;
}

}  // namespace vel
