// The text of --dump-source: the preprocessed source lines as the layout
// reads them, each formula normalised as the math layout takes it.
#pragma once

#include <string>

#include "base/Lines.h"

namespace vel {

// One line per source line, UTF-8, internal bytes shown as escapes.
std::string SourceDumpText(const Lines& sourceLines);

}  // namespace vel
