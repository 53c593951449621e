#include "layout/scopes/StateStacks.h"

#include "frontend/Values.h"
#include "layout/fonts/Fonts.h"

namespace vel {

void PublishSettingLengths(State& st) {
  SetLengthList(st, "rulewidth", st.cmd.ruleWidth);
  SetLengthList(st, "frameboxsep", st.cmd.frameBoxSep);
  SetLengthList(st, "tablerowsep", st.cmd.tableRowSep);
  SetLengthList(st, "tablesep", st.cmd.tableColSep);
  SetLengthList(st, "tablecolsep", st.cmd.tableColSep);
  SetLengthList(st, "lineskip", st.line.lineSkip);
  SetLengthList(st, "parskip", st.line.parSkip);
  SetLengthList(st, "mathindent", st.line.mathIndent);
  SetLengthList(st, "mathrightindent", st.line.mathRightIndent);
  SetLengthList(st, "parindent", st.line.parIndent);
  SetLengthList(st, "matrixrowsep", st.cmd.matrixRowSep);
  SetLengthList(st, "matrixcolsep", st.cmd.matrixColSep);
  SetLengthList(st, "underlinesep", st.cmd.underlineSep);
  SetLengthList(st, "doublelinesep", st.cmd.doubleLineSep);
}

void SaveGroupVariables(State& st) {
  GroupVariables g;
  g.font = st.font.current;
  g.verticalFace = st.font.verticalFace;
  g.fontSize = st.font.size;
  g.styleLevel = st.font.styleLevel;
  g.ruleWidth = st.cmd.ruleWidth;
  g.frameBoxSep = st.cmd.frameBoxSep;
  g.tableRowSep = st.cmd.tableRowSep;
  g.tableColSep = st.cmd.tableColSep;
  g.ruleColor = st.cmd.ruleColor;
  g.lineSkip = st.line.lineSkip;
  g.parSkip = st.line.parSkip;
  g.mathIndent = st.line.mathIndent;
  g.mathRightIndent = st.line.mathRightIndent;
  g.parIndent = st.line.parIndent;
  g.matrixRowSep = st.cmd.matrixRowSep;
  g.matrixColSep = st.cmd.matrixColSep;
  g.mathKakkoMode = st.math.kakkoMode;
  g.inlineMathMode = st.math.inlineMathMode;
  g.boldMath = st.math.boldMath;
  g.underlineSep = st.cmd.underlineSep;
  g.doubleLineSep = st.cmd.doubleLineSep;
  g.alnumFontMode = st.font.alnumFontMode;
  g.leftIndent = st.line.leftIndent;
  g.rightIndent = st.line.rightIndent;
  st.groupVariablesList.push_back(std::move(g));
}

void RestoreGroupVariables(State& st) {
  if (st.groupVariablesList.empty()) return;
  GroupVariables g = std::move(st.groupVariablesList.back());
  st.groupVariablesList.pop_back();
  st.font.size = g.fontSize;
  st.cmd.ruleWidth = g.ruleWidth;
  st.cmd.frameBoxSep = g.frameBoxSep;
  st.cmd.tableRowSep = g.tableRowSep;
  st.cmd.tableColSep = g.tableColSep;
  st.cmd.ruleColor = g.ruleColor;
  st.line.lineSkip = g.lineSkip;
  st.line.parSkip = g.parSkip;
  st.line.mathIndent = g.mathIndent;
  st.line.mathRightIndent = g.mathRightIndent;
  st.line.parIndent = g.parIndent;
  st.cmd.matrixRowSep = g.matrixRowSep;
  st.cmd.matrixColSep = g.matrixColSep;
  st.math.kakkoMode = g.mathKakkoMode;
  st.math.inlineMathMode = g.inlineMathMode;
  st.math.boldMath = g.boldMath;
  st.cmd.underlineSep = g.underlineSep;
  st.cmd.doubleLineSep = g.doubleLineSep;
  st.font.alnumFontMode = g.alnumFontMode;
  st.line.leftIndent = g.leftIndent;
  st.line.rightIndent = g.rightIndent;
  st.font.current = g.font;
  st.font.verticalFace = g.verticalFace;
  SetBigNormalHeight(st, g.styleLevel);
  GetFontMetric(st);
  SetSkip(st);
  PublishSettingLengths(st);
}

void SaveBoxVariables(State& st) {
  BoxVariables b;
  b.font = st.font.current;
  b.verticalFace = st.font.verticalFace;
  b.fontSize = st.font.size;
  b.styleLevel = st.font.styleLevel;
  b.ruleWidth = st.cmd.ruleWidth;
  b.frameBoxSep = st.cmd.frameBoxSep;
  b.tableRowSep = st.cmd.tableRowSep;
  b.tableColSep = st.cmd.tableColSep;
  b.mathMode = st.math.mathMode;
  b.ruleColor = st.cmd.ruleColor;
  b.matrixRowSep = st.cmd.matrixRowSep;
  b.matrixColSep = st.cmd.matrixColSep;
  b.boldMath = st.math.boldMath;
  b.underlineSep = st.cmd.underlineSep;
  b.doubleLineSep = st.cmd.doubleLineSep;
  b.mathKakkoMode = st.math.kakkoMode;
  b.inlineMathMode = st.math.inlineMathMode;
  b.charHeight = st.font.charHeight;
  b.mathAxis = st.font.mathAxis;
  b.alnumFontMode = st.font.alnumFontMode;
  st.boxVariablesList.push_back(std::move(b));
}

void RestoreBoxVariables(State& st) {
  if (st.boxVariablesList.empty()) return;
  BoxVariables b = std::move(st.boxVariablesList.back());
  st.boxVariablesList.pop_back();
  st.font.size = b.fontSize;
  st.font.current = b.font;
  st.font.verticalFace = b.verticalFace;
  SetBigNormalHeight(st, b.styleLevel);
  GetFontMetric(st);
  st.cmd.ruleWidth = b.ruleWidth;
  st.cmd.frameBoxSep = b.frameBoxSep;
  st.cmd.tableRowSep = b.tableRowSep;
  st.cmd.tableColSep = b.tableColSep;
  st.math.mathMode = b.mathMode;
  SetValueList(st, "inmath", b.mathMode ? 1 : 0);
  st.cmd.ruleColor = b.ruleColor;
  st.cmd.matrixRowSep = b.matrixRowSep;
  st.cmd.matrixColSep = b.matrixColSep;
  st.math.boldMath = b.boldMath;
  st.cmd.underlineSep = b.underlineSep;
  st.cmd.doubleLineSep = b.doubleLineSep;
  st.math.kakkoMode = b.mathKakkoMode;
  st.math.inlineMathMode = b.inlineMathMode;
  // The cell height and axis are restored as saved (a formula may have
  // changed them through a math font), then the spacing follows them.
  st.font.charHeight = b.charHeight;
  st.font.mathAxis = b.mathAxis;
  SetSkip(st);
  st.font.alnumFontMode = b.alnumFontMode;
}

void SaveMiniPageVariables(State& st) {
  MiniPageVariables m;
  m.line = st.line;
  m.font = st.font.current;
  m.fontSize = st.font.size;
  m.mathMode = st.math.mathMode;
  m.columnWidth = st.geo.columnWidth;
  st.miniPageVariablesList.push_back(std::move(m));

  // Zero the paragraph and line state.
  std::vector<std::string> queued = std::move(st.line.nextColumnHeadList);
  st.line = LineState{};
  st.line.nextColumnHeadList = std::move(queued);
  st.line.lineSkip = st.line.parSkip = 0;
  st.line.mathIndent = st.line.mathRightIndent = st.line.parIndent = 0;
  st.line.pendingMathIndent = 0;
  st.math.mathMode = false;
  SetValueList(st, "itemlebel", 0);
  SetLengthList(st, "hpos", 0);
}

void RestoreMiniPageVariables(State& st) {
  if (st.miniPageVariablesList.empty()) return;
  MiniPageVariables m = std::move(st.miniPageVariablesList.back());
  st.miniPageVariablesList.pop_back();
  std::vector<std::string> queued = std::move(st.line.nextColumnHeadList);
  st.line = std::move(m.line);
  st.line.nextColumnHeadList = std::move(queued);
  st.font.size = m.fontSize;
  st.font.current = m.font;
  SetBigNormalHeight(st, st.font.styleLevel);
  GetFontMetric(st);
  SetSkip(st);
  st.math.mathMode = m.mathMode;
  st.geo.columnWidth = m.columnWidth;
  SetValueList(st, "itemlebel", st.line.itemLevel);
  SetLengthList(st, "hpos", st.line.hpos);
  SetLengthList(st, "linewidth", st.line.lineWidth);
  SetLengthList(st, "columnwidth", st.geo.columnWidth);
  SetLengthList(st, "lineskip", st.line.lineSkip);
  SetLengthList(st, "parskip", st.line.parSkip);
  SetLengthList(st, "parindent", st.line.parIndent);
  SetLengthList(st, "mathindent", st.line.mathIndent);
  SetLengthList(st, "mathrightindent", st.line.mathRightIndent);
  SetLengthList(st, "leftindentremainder", st.line.leftIndentRemainder);
  SetLengthList(st, "rightindentremainder", st.line.rightIndentRemainder);
}

void ClearWordInfoList(State& st) {
  st.wordList.clear();
  st.wordTextList.clear();
}
void ClearLineInfoList(State& st) { st.lineList.clear(); }
void ClearColumnInfoList(State& st) {
  st.columnList.clear();
  st.col.columnsMade = 0;
}
void ClearPageInfoList(State& st) { st.pageList.clear(); }
void ClearBoxList(State& st) {
  st.boxList.clear();
  st.box.boxLetterIndex.fill(-1);
}
void ClearMiniPageList(State& st) { st.miniPageList.clear(); }
void ClearFloatQueues(State& st) {
  ColumnState& c = st.col;
  for (auto* q : {&c.nowTopOfPage, &c.waitingTopOfPage, &c.nowTopOfColumn, &c.waitingTopOfColumn, &c.nowBottomOfPage,
                  &c.waitingBottomOfPage, &c.nowBottomOfColumn, &c.waitingBottomOfColumn})
    q->clear();
}
void ClearGroupVariablesList(State& st) { st.groupVariablesList.clear(); }
void ClearBoxVariablesList(State& st) { st.boxVariablesList.clear(); }
void ClearMiniPageVariablesList(State& st) { st.miniPageVariablesList.clear(); }
void ClearGroupInfoList(State& st) { st.groupInfoList.clear(); }

PageInfo MakePageSnapshot(const State& st) {
  PageInfo p;
  p.ruleWidth = st.cmd.ruleWidth;
  p.frameBoxSep = st.cmd.frameBoxSep;
  p.tableRowSep = st.cmd.tableRowSep;
  p.tableColSep = st.cmd.tableColSep;
  p.matrixRowSep = st.cmd.matrixRowSep;
  p.matrixColSep = st.cmd.matrixColSep;
  p.fontSize = st.font.size;
  p.font = st.font.current;
  p.ruleColor = st.cmd.ruleColor;
  p.lengths = st.val.lengthList;
  p.userLengths = st.val.userLengthList;
  p.counters = st.val.counters;
  p.mathKakkoMode = st.math.kakkoMode;
  p.inlineMathMode = st.math.inlineMathMode;
  p.mathRightIndent = st.line.mathRightIndent;
  p.lineSkip = st.line.lineSkip;
  p.parSkip = st.line.parSkip;
  p.mathIndent = st.line.mathIndent;
  p.parIndent = st.line.parIndent;
  p.itemLevel = st.line.itemLevel;
  p.boldMath = st.math.boldMath;
  p.underlineSep = st.cmd.underlineSep;
  p.doubleLineSep = st.cmd.doubleLineSep;
  p.alnumFontMode = st.font.alnumFontMode;
  return p;
}

void ApplySnapshotSettings(State& st, const PageInfo& p) {
  st.font.size = p.fontSize;
  st.font.current = p.font;
  SetBigNormalHeight(st, st.font.styleLevel);
  GetFontMetric(st);
  SetSkip(st);
  st.cmd.ruleWidth = p.ruleWidth;
  st.cmd.ruleColor = p.ruleColor;
  st.cmd.frameBoxSep = p.frameBoxSep;
  st.cmd.tableRowSep = p.tableRowSep;
  st.cmd.tableColSep = p.tableColSep;
  st.cmd.matrixRowSep = p.matrixRowSep;
  st.cmd.matrixColSep = p.matrixColSep;
  st.cmd.underlineSep = p.underlineSep;
  st.cmd.doubleLineSep = p.doubleLineSep;
  st.line.lineSkip = p.lineSkip;
  st.line.parSkip = p.parSkip;
  st.line.mathIndent = p.mathIndent;
  st.line.mathRightIndent = p.mathRightIndent;
  st.line.parIndent = p.parIndent;
  st.math.kakkoMode = p.mathKakkoMode;
  st.math.inlineMathMode = p.inlineMathMode;
  st.math.boldMath = p.boldMath;
  st.font.alnumFontMode = p.alnumFontMode;
}

void RestorePageSnapshot(State& st, const PageInfo& p) {
  st.val.lengthList = p.lengths;
  st.val.userLengthList = p.userLengths;
  ApplySnapshotSettings(st, p);
  st.line.itemLevel = p.itemLevel;
  st.val.counters = p.counters;
}

}  // namespace vel
