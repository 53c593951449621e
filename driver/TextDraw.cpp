#include <algorithm>
#include <ctime>
#include <utility>

#include "base/Cp932.h"
#include "frontend/Values.h"
#include "layout/fonts/Fonts.h"
#include "driver/Engine.h"
#include "driver/MessageFold.h"
#include "frontend/Reform.h"
#include "frontend/Preamble.h"
#include "frontend/SourceFile.h"
#include "layout/lines/WordLine.h"
#include "layout/pages/Columns.h"
#include "layout/drawing/PageDisplay.h"
#include "state/Reports.h"
#include "layout/scopes/StateStacks.h"

namespace vel {

RunClock ReadRunClock(const std::optional<RunClock>& fixed) {
  if (fixed) return *fixed;
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  RunClock c;
  c.year = tm.tm_year + 1900;
  c.month = tm.tm_mon + 1;
  c.day = tm.tm_mday;
  c.hour = tm.tm_hour;
  c.minute = tm.tm_min;
  c.second = tm.tm_sec;
  c.dayOfWeek = tm.tm_wday + 1;
  return c;
}

namespace {

// Steps 2 and 3: a pass starts from a cleared state; only the surroundings,
// the source, the paper and the table-of-contents bookkeeping carry over.
void ResetForPass(State& st) {
  State fresh;
  fresh.host = st.host;
  fresh.canvas = st.canvas;
  fresh.settings = st.settings;
  fresh.seams = st.seams;
  fresh.documentPath = std::move(st.documentPath);
  fresh.documentDir = std::move(st.documentDir);
  fresh.fileName = std::move(st.fileName);
  fresh.programInputDir = std::move(st.programInputDir);
  fresh.sourceLines = std::move(st.sourceLines);
  fresh.origins = std::move(st.origins);
  fresh.geo.paperWidthMM = st.geo.paperWidthMM;
  fresh.geo.paperHeightMM = st.geo.paperHeightMM;
  fresh.draw.scale = st.draw.scale;
  fresh.draw.zoom = st.draw.zoom;
  fresh.draw.deviceDpi = st.draw.deviceDpi;
  fresh.draw.penBias = st.draw.penBias;
  fresh.draw.printing = st.draw.printing;
  fresh.pre.clock = st.pre.clock;
  fresh.pre.contentsRequested = st.pre.contentsRequested;
  fresh.pre.contentsPassDone = st.pre.contentsPassDone;
  fresh.pre.frontMatterPages = st.pre.frontMatterPages;
  fresh.pre.contentsLevel = st.pre.contentsLevel;
  // The definitions are gone from the text the second pass reads: the
  // macros and figure functions of the first pass carry over.
  fresh.pre.macroNameList = std::move(st.pre.macroNameList);
  fresh.pre.figureFunctionList = std::move(st.pre.figureFunctionList);
  st = std::move(fresh);

  st.chr.fontSize = 21000;  // 10.5 points
  st.font.baseSize = 21000;
  st.font.base = BaseFont(st);
  SetFont(st, st.font.base, 2);
  SetValueList(st, "inmath", 0);
  SetValueList(st, "itemlebel", 0);
}

bool anyFloatQueued(const State& st) {
  const ColumnState& c = st.col;
  for (const auto* q : {&c.nowTopOfPage, &c.waitingTopOfPage, &c.nowTopOfColumn, &c.waitingTopOfColumn,
                        &c.nowBottomOfPage, &c.waitingBottomOfPage, &c.nowBottomOfColumn, &c.waitingBottomOfColumn})
    if (!q->empty()) return true;
  return false;
}

// A header (or footer) set for one parity only serves both.
void ShareHeadFoot(std::array<HeadFoot, 2>& hf) {
  if (hf[0].defined && !hf[1].defined) hf[1] = hf[0];
  else if (hf[1].defined && !hf[0].defined) hf[0] = hf[1];
}

}  // namespace

void AddContents(State& st) {
  PreprocState& pre = st.pre;
  Lines contents = std::move(pre.contentsLines);
  for (int i = 0; i <= pre.contentsLevel; ++i) contents.push_back("\\enditem");
  contents.push_back("}\\newpage\\tableofcontents");

  // Every line but the leading "\input{veldris}" is text the first pass
  // preprocessed: the preamble, the front matter, the entries (built from
  // processed headings: a "//" a source block made literal must stay) and
  // everything after the contents. The second pass leaves their comments
  // and escapes alone; the group pass still marks their groups. Lines the
  // contents pass wrote itself point at the \tableofcontents line.
  LineOrigin made = pre.contentsOrigin;
  made.generated = true;
  std::vector<LineOrigin> origins = std::move(pre.contentsOrigins);
  origins.resize(contents.size(), made);  // the entries and the closing lines
  for (LineOrigin& o : origins) o.preprocessed = true;
  origins[0].preprocessed = false;

  contents.insert(contents.end(), std::make_move_iterator(pre.afterContentsLines.begin()),
                  std::make_move_iterator(pre.afterContentsLines.end()));
  for (size_t i = 0; i < pre.afterContentsLines.size(); ++i) {
    LineOrigin o = i < pre.afterContentsOrigins.size() ? pre.afterContentsOrigins[i] : made;
    o.preprocessed = true;
    origins.push_back(o);
  }
  pre.afterContentsLines.clear();
  pre.afterContentsOrigins.clear();
  st.sourceLines = std::move(contents);
  st.origins.lines = std::move(origins);
}

namespace {

RunStatus TextDrawPasses(State& st, int page) {
  // 1. The message window.
  if (st.host) st.host->showMessages();
  st.message("VELDRIS (" + utf8ToCp932(st.fileName) + ")");  // file names are UTF-8 on this system
  if (!st.origins.files.empty() && st.origins.files[0].replaced > 0)
    WriteReplacedWarning(st, st.origins.files[0].name, st.origins.files[0].replaced);

  for (;;) {
    // 2-3. A cleared state.
    ResetForPass(st);

    // 4. Nothing to typeset.
    if (st.sourceLines.empty()) return RunStatus::Empty;

    // 5. Preprocessing.
    const ReformFailure reform = ReformProc(st);
    if (!reform.ok()) {
      ReportReformFailure(st, reform.code, reform.line);
      return RunStatus::Stopped;
    }

    // 6-7. The preamble.
    if (st.pre.contentsRequested && !st.pre.contentsPassDone) SaveBeforeBeginDocument(st);
    SetDefaultVariable(st);
    if (!ReadBasicVariable(st, ApplyDocumentStyleFont)) {
      if (st.host) st.host->focusMessages();
      return RunStatus::Stopped;
    }

    // 8-9. The state before the first line, and the first page record.
    st.currentPageState = MakePageSnapshot(st);
    st.currentPageState.counters.fill(0);
    SetPageInfoList(st, false);

    // 10. Words and lines. A source makes hardly more words than it has
    // bytes; room for that many is only address space until it is used,
    // and spares the lists' copies as they grow (a long document's words
    // are most of its memory).
    size_t sourceBytes = 0;
    for (const std::string& l : st.sourceLines) sourceBytes += l.size() + 1;
    st.wordList.reserve(sourceBytes);
    st.wordTextList.reserve(sourceBytes, sourceBytes);
    const Result<int> made = MakeWordLineList(st, st.sourceLines, st.wordList, true, st.lineList, st.wordTextList);
    if (!made) {
      ReportLayoutFailure(st, made.failure());
      return RunStatus::Stopped;
    }

    // 11. The last column. No text follows it, so the floats that wait may
    // use the whole of the next column.
    const int lastLine = static_cast<int>(st.lineList.size()) - 1;
    st.col.textHeight = 0;
    st.col.textHeightMax = 0;
    SetColumnInfoList(st, lastLine);

    // 12. An item list left open: reported with the line where the
    // outermost open list began, when that line exists.
    if (st.line.itemLevel != 0) {
      ReportSourceError(st, SJ("** item が閉じていません。"), st.line.outermostItemLine);
      return RunStatus::Stopped;
    }

    // 13. Floats still waiting get columns of their own. Every column so
    // added takes at least one waiting box, so this ends.
    while (anyFloatQueued(st)) {
      st.col.textHeight = 0;
      st.col.textHeightMax = 0;
      int before = st.col.columnsMade;
      SetColumnInfoList(st, lastLine);
      if (st.col.columnsMade == before) break;
    }
    // Pages added for the floats receive their backgrounds too.
    SetPageInfoList(st, true);

    // 14. Headers and footers for both parities.
    ShareHeadFoot(st.geo.header);
    ShareHeadFoot(st.geo.footer);

    // 15. The second pass of a document with a table of contents.
    if (st.pre.contentsRequested && !st.pre.contentsPassDone) {
      AddContents(st);
      st.pre.contentsPassDone = true;
      continue;
    }
    break;
  }

  // 16. Show the sheet.
  if (st.host) st.host->focusMain();
  const int perSheet = std::max(1, st.geo.columnsPerSheet);
  st.col.sheets = (st.col.columnsMade + perSheet - 1) / perSheet;
  st.draw.currentSheet = std::max(1, std::min(page, st.col.sheets));
  if (st.col.sheets > 0) PageDisplay(st, st.draw.currentSheet, -1, 1, 0, 0);
  if (st.host) {
    st.host->focusMain();
    st.host->hideMessages();
  }
  return RunStatus::Done;
}

}  // namespace

RunStatus TextDraw(State& st, int page) {
  // The run's messages pass through the fold; the pages drawn later write
  // to the host itself.
  Host* const host = st.host;
  if (!host) return TextDrawPasses(st, page);
  RepeatFold fold(*host);
  st.host = &fold;
  const RunStatus status = TextDrawPasses(st, page);
  fold.flush();
  st.host = host;
  return status;
}

}  // namespace vel
