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

void FigureTypesetter::VectorArrow(State& st, const std::vector<std::string>& args) const {
  if (!st.canvas) return;
  // One user unit is one layout unit and y points up; the caller has
  // turned the tip by the text rotation already. The context of a figure
  // whose label holds the formula comes back whole.
  const FigureContext saved = st.fig;
  const bool closeMode = st.fig.closeMode;
  const std::optional<Region> clip = st.canvas->clip();
  const int rotationDeg = st.font.textRotationDeg;
  const double rotationRad = st.font.textRotationRad;
  st.fig.originX = st.fig.originY = 0;
  st.fig.scaleX = st.fig.scaleY = 1;
  st.fig.clipRegion = clip;
  st.fig.closeMode = false;
  st.font.textRotationDeg = 0;
  st.font.textRotationRad = 0;
  DoArrow(st, args, 3);
  st.font.textRotationDeg = rotationDeg;
  st.font.textRotationRad = rotationRad;
  static_cast<FigureContext&>(st.fig) = saved;
  st.fig.closeMode = closeMode;
  st.canvas->setClip(clip);
}

}  // namespace vel
