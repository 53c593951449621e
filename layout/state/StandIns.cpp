// Interim passes of a typesetting run, each replaced by its subsystem as it
// lands: preprocessing leaves the text as loaded, the preamble gives the
// default geometry, the body makes no words, every column is empty and
// nothing is drawn.
#include "canvas/Cp932.h"
#include "frontend/Values.h"
#include "layout/state/Passes.h"
#include "layout/state/StateStacks.h"

namespace vel {

int ReformProc(State&) { return 0; }

void SaveBeforeBeginDocument(State& st) { st.pre.preambleLines.clear(); }

void SetDefaultVariable(State& st) {
  Geometry g;
  g.paperWidthMM = st.geo.paperWidthMM;
  g.paperHeightMM = st.geo.paperHeightMM;
  st.geo = g;
}

bool ReadBasicVariable(State& st) {
  for (std::string& l : st.sourceLines) {
    size_t p = l.find("\\begindocument");
    if (p == std::string::npos) continue;
    l.erase(p, 14);
    Geometry& g = st.geo;
    int paperW = static_cast<int>(g.paperWidthMM / 25.4 * 20000);
    g.paperHeight = static_cast<int>(g.paperHeightMM / 25.4 * 20000);
    g.columnWidth = paperW - g.leftMargin - g.rightMargin;
    g.columnHeight = g.paperHeight - g.topMargin - g.bottomMargin;
    g.pageWidth = g.columnWidth;
    return true;
  }
  st.message(SJ("** エラー(\\begindocument がありません。)"));
  return false;
}

int MakeWordLineList(State&, Lines&, std::vector<WordInfo>&, bool, std::vector<LineInfo>&, std::vector<std::string>&) {
  return 0;
}

void SetColumnInfoList(State& st, int lastLine) {
  ColumnInfo c;
  c.lastLine = lastLine;
  st.columnList.push_back(c);
  ++st.col.columnsMade;
  if (st.host) st.host->appendAtCaret("[" + std::to_string(st.col.columnsMade) + "]");
}

void SetPageInfoList(State& st, bool settleOnly) {
  if (!settleOnly) st.pageList.push_back(st.currentPageState);
}

void PageDisplay(State&, int, int, int, int, int) {}

}  // namespace vel
