// The document preamble: defaults of the page geometry and the built-in
// lengths, the preamble commands up to \begindocument, the paper and its
// full-page region, and the texts kept for the table-of-contents pass.
#pragma once

#include <string>
#include <string_view>

#include "state/State.h"

namespace vel {

// The defaults of the geometry and the built-in lengths before a preamble.
void SetDefaultVariable(State& st);
// Applies the base size of \documentstyle to the fonts (fonts live in the
// layout, which the preamble reader does not reach): the size text as
// written, e.g. "10.5".
using DocumentFontApplier = void (*)(State& st, const std::string& sizeText);
// The preamble up to \begindocument; false after a message when it fails.
[[nodiscard]] bool ReadBasicVariable(State& st, DocumentFontApplier applyFont);
// Keeps the preamble for the second pass of a document with a table of contents.
void SaveBeforeBeginDocument(State& st);

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
