// Helpers shared by the column builder, the float placement and the
// background requests (the passes themselves are declared in Passes.h).
#pragma once

#include <limits>
#include <string>

#include "state/State.h"

namespace vel {

// Closes the column ending at line `lastLine`: floats and footnotes placed,
// page records made at sheet boundaries.
void SetColumnInfoList(State& st, int lastLine);
// Places a float or footnote (mini page `miniPage`, float sub-type 0-4)
// when its command is met in the text: into its Now queue when it fits,
// else into its Waiting queue. Returns 0, or -2 when the float is not
// allowed here.
[[nodiscard]] int PlaceFloat(State& st, int miniPage, int subType, bool mainText);
// \pageBGcolor, \columnBGcolor, \pageBGimage, \columnBGimage (which 0-3).
void SetPageColumnBGColorImage(State& st, const std::string& text, int which);
// Corrects the counters stored for a page whose first line was built
// before the page existed.
void DecreasePageInfoCounter(State& st, int firstWord);
void SetPageInfoList(State& st, bool settleOnly);

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
