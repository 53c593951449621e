// The figure seam: the layout's measure and draw calls become VeldrisDraw.
#include "figure/FigureTypesetter.h"

#include "figure/Figure.h"

namespace vel {

Result<Extent> FigureTypesetter::Measure(State& st, const std::string& arg) const {
  Extent box;
  const int r = VeldrisDraw(st, arg, 0, false, 0, box);
  if (r < 0) return AsLayoutCode(r);
  return box;
}

// A body that stops early keeps what it drew; its code goes to the caller
// (a box reports it, the page renderer does not look).
Result<Extent> FigureTypesetter::Draw(State& st, const std::string& arg, int x, int baseline) const {
  Extent box;
  const int r = VeldrisDraw(st, arg, x, true, baseline, box);
  if (r < 0) return AsLayoutCode(r);
  return box;
}

}  // namespace vel
