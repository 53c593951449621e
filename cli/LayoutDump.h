// The layout of a run as JSON, for tests and tools: sheets, geometry,
// columns, lines with their words, mini pages, and the final counters and
// lengths. Lengths in layout units, line indexes 0-based, columns 1-based.
#pragma once

#include <string>

#include "state/State.h"

namespace vel {

std::string LayoutDumpJson(const State& st, bool error);

}  // namespace vel
