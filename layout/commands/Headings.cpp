// Headings with their counters and table-of-contents entries, running
// headers and footers, \pagenum and \tableofcontents.
#include <algorithm>

#include "base/Cp932.h"
#include "base/Units.h"
#include "frontend/Calc.h"
#include "layout/boxes/Boxes.h"
#include "layout/commands/CommandEffects.h"
#include "layout/scopes/StateStacks.h"
#include "frontend/Lexical.h"

namespace vel {

namespace {
constexpr std::string_view kPageCall = "\\dotsfillrightline{";
}  // namespace

int SetChapterList(State& st, int level, const std::string& number, const std::string& title) {
  PreprocState& pre = st.pre;
  if (!pre.contentsRequested || pre.contentsPassDone) return -1;
  if (level < 0 || level > 2) return -1;
  const int from = pre.contentsLevel + 1;
  const int to = level + 1;
  if (to > from) {
    for (int d = from + 1; d < to; ++d) pre.contentsLines.push_back("\\beginitem{0,0}");
    pre.contentsLines.push_back("\\beginitem{0,2ch}");
  } else {
    for (int d = from; d > to; --d) pre.contentsLines.push_back("\\enditem");
  }
  static const char* const kSize[] = {"\\fontsize{*1.2}", "\\fontsize{*1.1}", "\\fontsize{*1}"};
  const std::string size = kSize[level];
  const int page = st.col.columnsMade / std::max(1, st.geo.columnsPerPage) + st.geo.firstPageNum;
  pre.contentsLines.push_back("\\item{" + size + number + "}" + "\\group{" + size + title + "}" +
                              "\\group{\\fontsize{*1}" + std::string(kPageCall) + std::to_string(page) + "}}");
  pre.contentsLevel = level;
  return static_cast<int>(pre.contentsLines.size()) - 1;
}

void SetContentsPage(State& st, int index, int page) {
  Lines& lines = st.pre.contentsLines;
  if (index < 0 || static_cast<size_t>(index) >= lines.size()) return;
  std::string& l = lines[static_cast<size_t>(index)];
  const size_t at = l.rfind(kPageCall);
  if (at == std::string::npos) return;
  const size_t from = at + kPageCall.size(), to = l.find('}', from);
  if (to != std::string::npos) l.replace(from, to - from, std::to_string(page));
}

namespace fx {

int Heading(State& st, int sub, const std::string& arg, bool hasArg, std::optional<std::string>& replacement,
            int& contentsEntry) {
  CommandState& c = st.cmd;
  contentsEntry = -1;
  if (sub >= 3) {
    // \chapternum ... \subsectionstr: text only inside a header or footer.
    if (hasArg) return -10;
    if (!c.inHeaderFooter) return 0;
    const std::string* texts[] = {&c.chapterNum, &c.chapterTitle, &c.sectionNum,
                                  &c.sectionTitle, &c.subsectionNum, &c.subsectionTitle};
    replacement = *texts[sub - 3];
    return 0;
  }
  if (!hasArg) return -10;
  StepHeadingCounters(st, sub);
  std::vector<std::string> parts;
  StrTok(arg, "&", parts);
  std::string number = parts[0];
  std::string title;
  for (size_t i = 1; i < parts.size(); ++i) {
    if (i > 1) title += '&';
    title += parts[i];
  }
  // The number is measured so that the commands in it run.
  SaveBoxVariables(st);
  const Result<Extent> r = BoxWidthHeight(st, number, 1, false, false, 0, 0);
  RestoreBoxVariables(st);
  if (!r) {
    return -10;
  }
  switch (sub) {
    case 0:
      c.chapterNum = number;
      c.chapterTitle = title;
      c.sectionNum.clear();
      c.sectionTitle.clear();
      c.subsectionNum.clear();
      c.subsectionTitle.clear();
      break;
    case 1:
      c.sectionNum = number;
      c.sectionTitle = title;
      c.subsectionNum.clear();
      c.subsectionTitle.clear();
      break;
    default:
      c.subsectionNum = number;
      c.subsectionTitle = title;
      break;
  }
  contentsEntry = SetChapterList(st, sub, number, title);
  return 0;
}

int HeaderFooter(State& st, bool footer, int parity, const std::string& arg, std::string& failedName) {
  HeadFoot& hf = (footer ? st.geo.footer : st.geo.header)[static_cast<size_t>(parity & 1)];
  hf.defined = true;
  ScanState sc;
  size_t i = 0;
  while (i < arg.size()) {
    const char ch = arg[i];
    if (isLead(ch) && i + 1 < arg.size()) {
      i += 2;
      continue;
    }
    if (ch != '\\') {
      ++i;  // text between the sub-commands is ignored
      continue;
    }
    const size_t open = GetCommandName(sc, arg, i);
    const std::string& name = sc.commandName;
    std::string* text = name == "left" ? &hf.left : name == "center" ? &hf.center : name == "right" ? &hf.right : nullptr;
    if (!text && name != "line") {
      failedName = name;
      return -10;
    }
    if (!sc.braceFollows) {
      failedName = name;
      return -3;
    }
    const size_t close = GetGroup(arg, open);
    if (close == npos) {
      failedName = name;
      return -1;
    }
    const std::string content = arg.substr(open + 1, close - open - 1);
    if (text) {
      *text = content;
    } else {
      const int w = UnitToPix(st, content);
      hf.ruleWidth = w < 1 ? units::kUnitsPerInch / 144 : w;
    }
    i = close + 1;
  }
  return 0;
}

int PageNum(State& st, std::optional<std::string>& replacement) {
  if (!st.cmd.inHeaderFooter) return -10;
  replacement = st.cmd.pageNumText;
  return 0;
}

int TableOfContents(State& st, bool hasArg, bool insideBox) {
  // Only where the second pass put it, after the generated contents.
  if (hasArg || insideBox || !st.pre.contentsRequested || !st.pre.contentsPassDone) return -10;
  st.pre.frontMatterPages = st.col.columnsMade / std::max(1, st.geo.columnsPerPage);
  return 0;
}

}  // namespace fx

}  // namespace vel
