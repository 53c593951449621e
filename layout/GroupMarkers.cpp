// The group markers that preprocessing writes for \group, \lengroup and
// \valgroup: saving and restoring at the opening and the close, and the
// records that let drawing restore the same state.
#include "frontend/Values.h"
#include "layout/CommandEffects.h"
#include "layout/Fonts.h"
#include "layout/state/StateStacks.h"

namespace vel::fx {

int GroupMarker(State& st, int sub, bool insideBox, int& kind, int& value) {
  kind = cmd::GroupMark;
  value = -1;
  switch (sub) {
    case 1:
      SaveGroupVariables(st);
      kind = cmd::Inert;
      return 0;
    case 2: {
      if (st.groupVariablesList.empty()) return -1;
      RestoreGroupVariables(st);
      if (insideBox) return 0;  // a box is measured and drawn by the same walk
      // The state as it was at the opening, for drawing. Lengths and
      // counters are not group variables: the snapshot need not hold them.
      PageInfo p = MakePageSnapshot(st);
      p.lengths = LengthNameList();
      p.userLengths = LengthNameList();
      st.groupInfoList.push_back(std::move(p));
      value = static_cast<int>(st.groupInfoList.size()) - 1;
      return 0;
    }
    case 3: SaveLengthList(st); return 0;
    case 4: value = RestoreLengthList(st); return 0;
    case 5: SaveValueInfoList(st); return 0;
    case 6: RestoreValueInfoList(st); return 0;
    default: return 0;
  }
}

void RestoreGroupSnapshot(State& st, const PageInfo& p) {
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

void ReplayGroupMarker(State& st, const WordInfo& w, bool draw) {
  if (!draw) return;
  switch (w.subType) {
    case 2:
      if (w.value >= 0 && w.value < static_cast<int>(st.groupInfoList.size()))
        RestoreGroupSnapshot(st, st.groupInfoList[static_cast<size_t>(w.value)]);
      break;
    case 4:
      if (w.value >= 0 && w.value < static_cast<int>(st.val.lengthRestoredList.size()))
        st.val.userLengthList = st.val.lengthRestoredList[static_cast<size_t>(w.value)];
      break;
    case 5: SaveValueInfoList(st); break;
    case 6: RestoreValueInfoList(st); break;
    default: break;
  }
}

}  // namespace vel::fx
