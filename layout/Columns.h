// Helpers shared by the column builder, the float placement and the
// background requests (the passes themselves are declared in Passes.h).
#pragma once

#include <limits>

#include "layout/state/State.h"

namespace vel {

// The count of a background request that applies to every following page
// or column; it never runs out.
constexpr int kEveryOne = std::numeric_limits<int>::max();

// Height plus depth of a float's mini page (0 for an index that is not one).
int FloatExtent(const State& st, int miniPage);
// Whether the column being filled is the first of its page.
bool FirstColumnOfPage(const State& st);
// Takes one page or column from a request; true when it applies to it.
bool ConsumeBackground(BackgroundRequest& r);

}  // namespace vel
