// Brushes and the fill engine of closed shapes. Until hatching, dot
// screens and gradients land here, \brush selects nothing and Shasen fills
// the area with the canvas brush when it is solid.
#include "figure/Figure.h"

namespace vel {

void DoBrush(State&, const std::vector<std::string>&) {}

void Shasen(State& st, int mode, bool) {
  FigureState& f = st.fig;
  if (!st.canvas || f.brushNone || !f.areaRegion || st.canvas->brush().style != BrushStyle::Solid) return;
  Region area = *f.areaRegion;
  if (mode == 2 && f.auxRegion) area = area.combined(*f.auxRegion, Region::Op::And);
  st.canvas->fillRegion(area, st.canvas->brush().color);
}

}  // namespace vel
