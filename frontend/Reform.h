// Preprocessing of the source lines (ReformProc) and its passes, in the
// order it runs them. Each pass returns 0 or a negative code and names the failing item
// in `item` ("" when the driver's own message says it all).
#pragma once

#include <string>
#include <string_view>

#include "frontend/Lexical.h"
#include "state/State.h"

namespace vel {

// Files included inside each other deeper than this are taken for a loop.
constexpr int kMaxInputDepth = 32;

// The whole of preprocessing: 0, or -1 syntax error, -2 input file
// missing, -3 math not closed.
int ReformProc(State& st);

// TABs, comments, escapes, \input and \ifexistinput, source blocks. Lines
// that start with kPreprocessedLineMark lose the mark and stay as they
// are. -1 syntax error, -2 input file missing.
int MainPass(State& st, Lines& lines, std::string& item);

// Records and removes every definition introduced by "\" + word + "\"
// ("def" into the macro list, "velfunc" into the figure functions).
int DefinitionPass(Lines& lines, MacroList& list, std::string_view word, int& errorLine, std::string& item);

// \group{...}, \lengroup{...} and \valgroup{...} become begin and end
// markers (the name followed by 0x01 and by 0x02).
int GroupPass(State& st, Lines& lines, std::string& item);

// "** " + item + "のエラー", with a backslash before an item that begins
// with neither one nor a double-byte character.
void WriteReformItem(State& st, const std::string& item);

}  // namespace vel
