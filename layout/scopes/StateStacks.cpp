#include "layout/scopes/StateStacks.h"

#include "frontend/Values.h"
#include "layout/fonts/Fonts.h"

namespace vel {

void PublishSettingLengths(State& st) {
  SetLengthList(st, "rulewidth", st.chr.ruleWidth);
  SetLengthList(st, "frameboxsep", st.chr.frameBoxSep);
  SetLengthList(st, "tablerowsep", st.chr.tableRowSep);
  SetLengthList(st, "tablesep", st.chr.tableColSep);
  SetLengthList(st, "tablecolsep", st.chr.tableColSep);
  SetLengthList(st, "lineskip", st.para.lineSkip);
  SetLengthList(st, "parskip", st.para.parSkip);
  SetLengthList(st, "mathindent", st.para.mathIndent);
  SetLengthList(st, "mathrightindent", st.para.mathRightIndent);
  SetLengthList(st, "parindent", st.para.parIndent);
  SetLengthList(st, "matrixrowsep", st.chr.matrixRowSep);
  SetLengthList(st, "matrixcolsep", st.chr.matrixColSep);
  SetLengthList(st, "underlinesep", st.chr.underlineSep);
  SetLengthList(st, "doublelinesep", st.chr.doubleLineSep);
}

void ApplyCharStyle(State& st, const CharStyle& c) {
  st.chr = c;
  SetBigNormalHeight(st, c.styleLevel);
  GetFontMetric(st);
  SetSkip(st);
}

void ApplyGroupStyle(State& st, const GroupStyle& g) {
  ApplyCharStyle(st, g.chr);
  st.para = g.para;
  PublishSettingLengths(st);
}

void SaveGroupVariables(State& st) { st.groupVariablesList.push_back(GroupStyle{st.chr, st.para}); }

void RestoreGroupVariables(State& st) {
  if (st.groupVariablesList.empty()) return;
  const GroupStyle g = std::move(st.groupVariablesList.back());
  st.groupVariablesList.pop_back();
  ApplyGroupStyle(st, g);
}

void SaveBoxVariables(State& st) {
  st.boxVariablesList.push_back(BoxVariables{st.chr, st.math.mathMode, st.font.charHeight, st.font.mathAxis});
}

void RestoreBoxVariables(State& st) {
  if (st.boxVariablesList.empty()) return;
  const BoxVariables b = std::move(st.boxVariablesList.back());
  st.boxVariablesList.pop_back();
  ApplyCharStyle(st, b.chr);
  st.math.mathMode = b.mathMode;
  SetValueList(st, "inmath", b.mathMode ? 1 : 0);
  // The cell height and axis are restored as saved (a formula may have
  // changed them through a math font), then the spacing follows them.
  st.font.charHeight = b.charHeight;
  st.font.mathAxis = b.mathAxis;
  SetSkip(st);
}

void SaveMiniPageVariables(State& st) {
  MiniPageVariables m;
  m.line = st.line;
  m.para = st.para;
  m.font = st.chr.font;
  m.fontSize = st.chr.fontSize;
  m.mathMode = st.math.mathMode;
  m.columnWidth = st.geo.columnWidth;
  st.miniPageVariablesList.push_back(std::move(m));

  // Zero the paragraph and line state.
  std::vector<std::string> queued = std::move(st.line.nextColumnHeadList);
  st.line = LineState{};
  st.line.nextColumnHeadList = std::move(queued);
  st.para.lineSkip = st.para.parSkip = 0;
  st.para.mathIndent = st.para.mathRightIndent = st.para.parIndent = 0;
  st.para.leftIndent.fill(0);
  st.para.rightIndent.fill(0);
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
  st.para = m.para;
  st.line.nextColumnHeadList = std::move(queued);
  st.chr.fontSize = m.fontSize;
  st.chr.font = m.font;
  SetBigNormalHeight(st, st.chr.styleLevel);
  GetFontMetric(st);
  SetSkip(st);
  st.math.mathMode = m.mathMode;
  st.geo.columnWidth = m.columnWidth;
  SetValueList(st, "itemlebel", st.line.itemLevel);
  SetLengthList(st, "hpos", st.line.hpos);
  SetLengthList(st, "linewidth", st.line.lineWidth);
  SetLengthList(st, "columnwidth", st.geo.columnWidth);
  SetLengthList(st, "lineskip", st.para.lineSkip);
  SetLengthList(st, "parskip", st.para.parSkip);
  SetLengthList(st, "parindent", st.para.parIndent);
  SetLengthList(st, "mathindent", st.para.mathIndent);
  SetLengthList(st, "mathrightindent", st.para.mathRightIndent);
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
  p.style = GroupStyle{st.chr, st.para};
  p.lengths = st.val.lengthList;
  p.userLengths = st.val.userLengthList;
  p.counters = st.val.counters;
  p.itemLevel = st.line.itemLevel;
  p.tateMode = st.font.tateMode;
  return p;
}

void RestorePageSnapshot(State& st, const PageInfo& p) {
  st.val.lengthList = p.lengths;
  st.val.userLengthList = p.userLengths;
  // The snapshot's lengths hold the settings as they were published.
  ApplyCharStyle(st, p.style.chr);
  st.para = p.style.para;
  st.line.itemLevel = p.itemLevel;
  st.font.tateMode = p.tateMode;
  st.val.counters = p.counters;
}

}  // namespace vel
