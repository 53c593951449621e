// The document preamble: defaults of the page geometry and the built-in
// lengths, the preamble commands up to \begindocument, the paper and its
// full-page region, and the texts kept for the table-of-contents pass.
// SetDefaultVariable, ReadBasicVariable and SaveBeforeBeginDocument are
// declared with the other passes in layout/state/Passes.h.
#pragma once

#include <string_view>

#include "layout/state/State.h"

namespace vel {

// Sets the paper from its name ("a4t", "b5", "h", "papersize(w,h)" ...;
// trimmed and lower-cased), then rebuilds the full-page region.
void SetPaper(State& st, std::string_view paper);

// The full-page region at the current output resolution.
void CreateFullRgn(State& st);

// Called at \begindocument on the first pass of a document with a table of
// contents; `col` is the column just after the command. Moves the front
// matter (up to \tableofcontents) into the contents lines and keeps the
// rest of the document for the second pass.
void SetPreContentsTEXT(State& st, int line, int col);

}  // namespace vel
