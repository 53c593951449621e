// Preprocessing of the source lines (ReformProc) and its passes, in the
// order it runs them. Each pass returns 0 or a negative code and names the failing item
// in `item` ("" when the driver's own message says it all).
#pragma once

#include <string>
#include <string_view>

#include "base/Result.h"
#include "frontend/Lexical.h"
#include "state/State.h"

namespace vel {

// Files included inside each other deeper than this are taken for a loop.
constexpr int kMaxInputDepth = 32;

// Where preprocessing stopped: its code, the source line (0-based) and the
// item to name in "** item のエラー" ("" when the driver's message says it
// all).
struct ReformFailure {
  ReformCode code = ReformCode::Ok;
  int line = 0;
  std::string item;
  bool ok() const { return code == ReformCode::Ok; }
};

// The whole of preprocessing of st.sourceLines; a failure has written its
// item's line.
[[nodiscard]] ReformFailure ReformProc(State& st);

// Puts st.origins in step with st.sourceLines when it is not (lines set
// without their origins): each line is then its own line of the document.
void FitOrigins(State& st);

// TABs, comments, escapes, \input and \ifexistinput, source blocks, on
// st.sourceLines with their origins. Lines whose origin says the first
// pass preprocessed them stay as they are. -1 syntax error, -2 input file
// missing.
[[nodiscard]] int MainPass(State& st, ReformFailure& f);

// Records and removes every definition introduced by "\" + word + "\"
// ("def" into the macro list, "velfunc" into the figure functions).
[[nodiscard]] int DefinitionPass(Lines& lines, MacroList& list, std::string_view word, ReformFailure& f);

// \group{...}, \lengroup{...} and \valgroup{...} become begin and end
// markers (the name followed by 0x01 and by 0x02).
[[nodiscard]] int GroupPass(State& st, Lines& lines, ReformFailure& f);

// "** " + item + "のエラー", with a backslash before an item that begins
// with neither one nor a double-byte character.
void WriteReformItem(State& st, const std::string& item);

}  // namespace vel
