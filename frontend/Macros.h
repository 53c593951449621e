// User macros (\def) and figure functions (\velfunc): recording their
// definitions, expanding macro uses, and the special rewrites done in the
// same walk (\datetime, \footnotemark, \footnote, \tableofcontents,
// \centerline).
#pragma once

#include <string>

#include "frontend/Lexical.h"
#include "frontend/Reform.h"
#include "state/State.h"

namespace vel {

// A macro used inside its own expansion this many levels deep is taken
// for one that never ends. Legitimate nesting (a macro in the argument of
// another) stays far below it.
constexpr int kMaxMacroNesting = 100;
// A line that expansion has grown by more than this many bytes is taken
// for a runaway expansion (macros that multiply their uses stay within the
// nesting limit but double the text at each level). What expansion adds is
// bounded, not the line: a long line with an ordinary macro in it is fine.
constexpr size_t kMaxMacroGrowth = size_t{1} << 18;

// Records the definition whose name starts at `col` (1-based, just after
// "\def\" or "\velfunc\") into `list` and deletes the whole definition
// from `lines`. Returns where the caller's walk continues; line -1 when the
// definition is malformed.
TextPos SetMacroNameList(MacroList& list, Lines& lines, int line, int col);

// Expands every macro use in `lines` and performs the special rewrites
// (not on the second pass of a document with a table of contents). False
// on an error, with the line and the macro recorded in `f`; writes no message.
[[nodiscard]] bool ReplaceMacro(State& st, Lines& lines, ReformFailure& f);

// 1 datetime, 2 footnotemark, 3 footnote, 4 tableofcontents, 5 centerline,
// -1 for any other command name.
int GetSpecialCommandNum(const ScanState& sc);

void ClearMacroNameList(MacroList& list);

// The mark of footnote number n in the current mark style.
std::string FootnoteMark(const PreprocState& pre, int n);
// Takes the mark style from the argument of \footnotemark.
void SetFootnoteMarkStyle(PreprocState& pre, const std::string& styleText);

}  // namespace vel
