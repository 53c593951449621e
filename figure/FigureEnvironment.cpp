// VeldrisDraw: a figure measured or drawn, with everything it changes
// saved on entry and put back on exit, so that figures nest and a page
// drawn again draws the same pixels.
#include "figure/Figure.h"

#include "frontend/Calc.h"
#include "frontend/Values.h"
#include "layout/scopes/StateStacks.h"

namespace vel {

namespace {

// What a figure changes outside its own context record.
struct Surroundings {
  FigureContext context;
  int rotationDeg = 0;
  double rotationRad = 0;
  Pen pen;
  Brush brush;
};

Surroundings SaveSurroundings(const State& st) {
  Surroundings s{st.fig, st.font.textRotationDeg, st.font.textRotationRad, {}, {}};
  if (st.canvas) {
    s.pen = st.canvas->pen();
    s.brush = st.canvas->brush();
  }
  return s;
}

void RestoreSurroundings(State& st, const Surroundings& s) {
  static_cast<FigureContext&>(st.fig) = s.context;
  st.font.textRotationDeg = s.rotationDeg;
  st.font.textRotationRad = s.rotationRad;
  if (!st.canvas) return;
  st.canvas->setPen(s.pen);
  st.canvas->setBrush(s.brush);
  // The enclosing figure's clip, or the whole page outside figures.
  st.canvas->setClip(st.fig.nesting > 0 ? st.fig.clipRegion : st.geo.fullRegion);
}

}  // namespace

int VeldrisDraw(State& st, const std::string& text, int x, bool draw, int y, Extent& box) {
  if (!draw) {
    // Measure mode saves the whole context too: the base command sets the
    // view angles and the base unit, which a figure measured inside a
    // label of a 3-D figure must not change for its parent.
    const FigureContext saved = st.fig;
    const bool ok = SetVeldris(st, text, x, y, true);
    if (ok) box = Extent{st.fig.width, st.fig.ascent, st.fig.height - st.fig.ascent};
    static_cast<FigureContext&>(st.fig) = saved;
    return ok ? 0 : ToInt(LayoutCode::InvalidArgument);
  }

  // 1. Save the figure's surroundings.
  const Surroundings saved = SaveSurroundings(st);
  SaveBoxVariables(st);
  SaveValueInfoList(st);  // \valA..\valZ, \vala..\valz
  ++st.fig.nesting;
  // 2. The graph points start empty in every drawn figure.
  st.fig.graph.count = st.fig.graph.countX = st.fig.graph.countY = st.fig.graph.countZ = 0;
  // (3. and 9., the brush-pattern bitmap of an enclosing figure, come with the brushes.)
  int result = ToInt(LayoutCode::InvalidArgument);
  // 4. The header.
  if (SetVeldris(st, text, x, y, false)) {
    box = Extent{st.fig.width, st.fig.ascent, st.fig.height - st.fig.ascent};
    // 5.-7. Per-figure settings: text clip, named points, text margins.
    st.fig.textClip = 0;
    SetValueList(st, "textclip", 0);
    st.fig.namedPoints = {};
    st.fig.textMarginX = UnitToPix(st, "0.6mm");
    st.fig.textMarginY = UnitToPix(st, "0.2mm");
    // 8. The body, on its own copy of the text.
    result = WriteVeldris(st, text, true);
  }
  // 10.-12. Regions, margins, named points and the rest come back with the
  // context; the clip goes back to the enclosing figure's or the page's.
  RestoreValueInfoList(st);
  RestoreBoxVariables(st);
  RestoreSurroundings(st, saved);
  return result;
}

}  // namespace vel
