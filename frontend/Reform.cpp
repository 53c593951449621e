#include "frontend/Reform.h"

#include "base/InBand.h"
#include "base/Cp932.h"
#include "frontend/Macros.h"
#include "frontend/MathSpacing.h"
#include "frontend/Lexical.h"

namespace vel {

void WriteReformItem(State& st, const std::string& item) {
  if (item.empty()) return;
  std::string shown = (item[0] == '\\' || isLead(item[0])) ? item : "\\" + item;
  st.message("** " + shown + SJ("のエラー"));
}

int DefinitionPass(Lines& lines, MacroList& list, std::string_view word, ReformFailure& f) {
  const std::string intro = "\\" + std::string(word) + "\\";
  int k = 0;
  size_t i = 0;
  while (k < static_cast<int>(lines.size())) {
    const std::string& s = lines[k];
    if (i >= s.size()) {
      ++k;
      i = 0;
      continue;
    }
    if (isLead(s[i])) {
      i += 2;
      continue;
    }
    if (s[i] != '\\') {
      ++i;
      continue;
    }
    if (s.compare(i, intro.size(), intro) != 0) {
      // A backslash and the byte it escapes ("\\def\x" is no definition).
      i += (i + 1 < s.size() && !isLead(s[i + 1])) ? 2 : 1;
      continue;
    }
    TextPos next = SetMacroNameList(list, lines, k, static_cast<int>(i + intro.size()) + 1);
    if (next.line < 0) {
      f.line = k;
      f.item = "\\" + std::string(word);
      return -1;
    }
    k = next.line;
    i = static_cast<size_t>(next.col - 1);
  }
  return 0;
}

int GroupPass(State& st, Lines& lines, ReformFailure& f) {
  std::string content;
  int k = 0;
  size_t i = 0;
  while (NextBackslash(lines, k, i)) {
    TextPos after = LongGetCommandName(st.scan, lines, k, static_cast<int>(i) + 1);
    const std::string name = st.scan.commandName;
    if (name != "group" && name != "lengroup" && name != "valgroup") {
      k = after.line;
      i = static_cast<size_t>(after.col - 1);
      continue;
    }
    TextPos end{-1, 0};
    if (st.scan.braceFollows) end = LongGetGroup(lines, after.line, after.col, content);
    if (end.line < 0) {
      f.line = k;
      f.item = "\\" + name;
      return -1;
    }
    // The closing brace first: the opening one may share its line.
    lines[end.line].replace(static_cast<size_t>(end.col - 2), 1, "\\" + name + inband::kCloseBrace);
    const size_t nameEnd = i + 1 + name.size();
    if (after.line == k && static_cast<size_t>(after.col - 1) == nameEnd) {
      lines[k][nameEnd] = inband::kOpenBrace;
    } else {
      // The brace stood on the next line: the marker must be one name.
      lines[after.line].erase(static_cast<size_t>(after.col - 1), 1);
      lines[k].insert(nameEnd, 1, inband::kOpenBrace);
    }
    i = nameEnd + 1;  // nested groups are marked too
  }
  return 0;
}

void FitOrigins(State& st) {
  if (!st.origins.files.empty() && st.origins.lines.size() == st.sourceLines.size()) return;
  st.origins.identity(st.sourceLines.size(), st.sourceLines, utf8ToCp932(st.fileName), st.documentPath);
}

namespace {

// The definitions of the first pass over those the second reads again
// from the installed file: in the document they follow its inclusion, so
// an author's \def of one of its names wins, as it did in the first pass.
void KeepCarried(MacroList& list, const MacroList& carried) {
  for (const auto& e : carried) list.Set(e.name, e.value);
}

}  // namespace

ReformFailure ReformProc(State& st) {
  // The second pass of a document with a table of contents keeps the
  // definitions of the first: their text is gone from the lines.
  MacroList carriedMacros, carriedFunctions;
  if (st.pre.contentsPassDone) {
    carriedMacros = std::move(st.pre.macroNameList);
    carriedFunctions = std::move(st.pre.figureFunctionList);
  }
  ClearMacroNameList(st.pre.macroNameList);
  ClearMacroNameList(st.pre.figureFunctionList);
  FitOrigins(st);
  Lines& lines = st.sourceLines;
  ReformFailure f;

  int r = MainPass(st, f);
  if (r == 0) {
    st.message(SJ("処理済みカラム数"));
    r = DefinitionPass(lines, st.pre.macroNameList, "def", f);
    KeepCarried(st.pre.macroNameList, carriedMacros);
  }
  if (r == 0 && !ReplaceMacro(st, lines, f)) r = -1;
  if (r == 0) r = GroupPass(st, lines, f);
  // The second pass of a document with a table of contents has its
  // formulas prepared by the first.
  if (r == 0 && !st.pre.contentsPassDone) r = MathPass(st, lines, f);
  if (r == 0) {
    r = DefinitionPass(lines, st.pre.figureFunctionList, "velfunc", f);
    KeepCarried(st.pre.figureFunctionList, carriedFunctions);
  }

  if (r < 0) {
    WriteReformItem(st, f.item);
    f.code = static_cast<ReformCode>(r);
  }
  return f;
}

}  // namespace vel
