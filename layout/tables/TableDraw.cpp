// Drawing a measured table: the table's background, each cell's
// background, content and diagonals, then the horizontal and vertical
// rules as styled lines. Inside a rotated figure every point turns about
// the figure's origin, and rectangles become four-point polygons.
#include <algorithm>
#include <climits>
#include <cmath>

#include "layout/boxes/Boxes.h"
#include "layout/boxes/LineStyle.h"
#include "layout/fonts/Fonts.h"
#include "layout/scopes/StateStacks.h"
#include "layout/tables/TableParts.h"

namespace vel::tables {

namespace {

int clampInt(double v) { return static_cast<int>(std::clamp(v, double(INT_MIN / 2), double(INT_MAX / 2))); }

class Painter {
 public:
  explicit Painter(State& st) : st_(st), rotated_(st.font.textRotationDeg != 0) {}

  // A layout point as a device point (end points of lines: rounded).
  Point point(double x, double y) {
    if (!rotated_) return {DevicePoint(st_, x), DevicePoint(st_, y)};
    constexpr size_t kSlot = PointArray::kCapacity - 1;
    if (!GetInclinePoint(st_, st_.fig.originX, st_.fig.originY, false, static_cast<int>(kSlot), y - st_.fig.originY,
                         x - st_.fig.originX))
      return {DevicePoint(st_, x), DevicePoint(st_, y)};
    return st_.fig.points.get(kSlot);
  }

  // A filled rectangle without an outline; its corners truncated.
  void fill(double l, double t, double r, double b, Color c) {
    Canvas& cv = *st_.canvas;
    if (!rotated_) {
      const double S = st_.draw.scale;
      cv.fillRect(clampInt(l * S), clampInt(t * S), clampInt(r * S), clampInt(b * S), c);
      return;
    }
    const Pen pen = cv.pen();
    const Brush brush = cv.brush();
    cv.setPen(Pen{0, c, PenStyle::Null});
    Brush solid;
    solid.color = c;
    cv.setBrush(solid);
    cv.polygon({point(l, t), point(r, t), point(r, b), point(l, b)});
    cv.setPen(pen);
    cv.setBrush(brush);
  }

  void line(double x0, double y0, double x1, double y1, int style) {
    MyLine(st_, {point(x0, y0), point(x1, y1)}, false, style);
  }

 private:
  State& st_;
  bool rotated_;
};

// Positions that continue a span from the row above, or from the column to
// the left.
bool continuesRowSpan(int code) { return code == kRowMiddle || code == kRowLast || code >= kBlockMiddleFirst; }
bool continuesColSpan(int code) {
  switch (code) {
    case kColMiddle: case kColLast: case kBlockFirstMiddle: case kBlockFirstLast: case kBlockMiddleMiddle:
    case kBlockMiddleLast: case kBlockLastMiddle: case kBlockLastLast: return true;
    default: return false;
  }
}

void drawCell(State& st, Painter& p, const Layout& L, int r, int c, int left, int top) {
  const Source& src = *L.src;
  const CellProp& prop = src.cells[static_cast<size_t>(r)][static_cast<size_t>(c)].prop;
  const Extent& e = L.measured[static_cast<size_t>(r)][static_cast<size_t>(c)].content;
  const int rows = std::min<int>(L.spans.rows[static_cast<size_t>(r)][static_cast<size_t>(c)], src.rows - r);
  const int cols = L.spans.cols[static_cast<size_t>(r)][static_cast<size_t>(c)];
  const int w = L.spanWidth(c, c + cols - 1), h = L.spanHeight(r, r + rows - 1);
  const double l0 = left - L.colSep, t0 = top - L.rowSep, r0 = double(left) + w + L.colSep,
               b0 = double(top) + h + L.rowSep;
  if (prop.hasBackground) p.fill(l0, t0, r0, b0, prop.background);

  int cx = left;
  if (prop.hAlign == 'r') cx = clampInt(double(left) + w - e.width);
  else if (prop.hAlign == 'c') cx = clampInt(double(left) + w / 2 - e.width / 2);
  // The box layout draws a vertical column centred on the y it is given,
  // a line of text on its baseline.
  int cy;
  if (prop.vertical) {
    const long long E = static_cast<long long>(e.height) + e.depth;
    double columnTop = top;
    if (prop.vAlign == 'b') columnTop = double(top) + h - double(E);
    else if (prop.vAlign != 't') columnTop = double(top) + h / 2 - double(E / 2);
    cy = clampInt(columnTop + e.height);
  } else if (prop.vAlign == 't') {
    cy = clampInt(double(top) + e.height);
  } else if (prop.vAlign == 'b') {
    cy = clampInt(double(top) + h - e.depth);
  } else {
    cy = clampInt(double(top) + (h - e.depth) / 2 + e.height / 2);
  }
  SaveBoxVariables(st);
  (void)BoxWidthHeight(st, src.cells[static_cast<size_t>(r)][static_cast<size_t>(c)].content, 2, prop.vertical, true,
                       cy, cx);
  RestoreBoxVariables(st);

  // Diagonals across the cell with its separations, in the pen's colour.
  for (int k = 0; k < 2; ++k) {
    const double f = k == 0 ? prop.upDiagonal : prop.downDiagonal;
    if (!(f > 0)) continue;
    const Pen saved = st.canvas->pen();
    st.canvas->setPen(Pen{std::max(1, clampInt(st.draw.penBias + st.draw.scale * f * st.chr.ruleWidth)), saved.color,
                          PenStyle::Solid});
    if (k == 0) p.line(l0, b0, r0, t0, 0);
    else p.line(l0, t0, r0, b0, 0);
    st.canvas->setPen(saved);
  }
}

}  // namespace

void DrawTable(State& st, const Layout& L, int x, const std::array<int, 100>& counters) {
  if (!st.canvas) {
    st.val.counters = counters;
    return;
  }
  const Source& src = *L.src;
  Canvas& cv = *st.canvas;
  Painter p(st);
  // 1. The table's background.
  if (src.hasBackground) p.fill(x, L.top, double(x) + L.W, double(L.top) + L.T, src.background);
  // 2. What measuring counted is counted again by the drawing.
  st.val.counters = counters;
  // 3, 4. The cells.
  const std::vector<int> lefts = L.contentLefts(x), tops = L.contentTops();
  for (int r = 0; r < src.rows; ++r)
    for (int c = 0; c < src.columns; ++c)
      if (StartsCell(L.spans.at(r, c))) drawCell(st, p, L, r, c, lefts[static_cast<size_t>(c)], tops[static_cast<size_t>(r)]);

  // 5-7. The rules in the rule colour, each in its own width and style.
  const Pen saved = cv.pen();
  const std::vector<double> vs = L.vruleSlots(x), hs = L.hruleSlots();
  auto full = [&](const Rule& rule) { return rule.full(L.doubleSep); };
  auto setWidth = [&](double w) {
    cv.setPen(Pen{std::max(1, clampInt(st.draw.scale * w + st.draw.penBias)), st.chr.ruleColor, PenStyle::Solid});
  };
  for (int r = 0; r <= src.rows; ++r) {
    const Rule& rule = src.hrules[static_cast<size_t>(r)];
    if (!(rule.width > 0)) continue;
    setWidth(rule.width);
    for (int k = 0; k < src.columns; ++k) {
      if (r < src.rows && continuesRowSpan(L.spans.at(r, k))) continue;  // the rule would cut a cell
      const double x0 = vs[static_cast<size_t>(k)];
      const double x1 = vs[static_cast<size_t>(k) + 1] + full(src.vrules[static_cast<size_t>(k) + 1]);
      const double y = hs[static_cast<size_t>(r)] + rule.width / 2;
      p.line(x0, y, x1, y, rule.style);
      if (rule.isDouble()) p.line(x0, y + rule.width + L.doubleSep, x1, y + rule.width + L.doubleSep, rule.style);
    }
  }
  for (int k = 0; k <= src.columns; ++k) {
    const Rule& rule = src.vrules[static_cast<size_t>(k)];
    if (!(rule.width > 0)) continue;
    setWidth(rule.width);
    for (int r = 0; r < src.rows; ++r) {
      if (k < src.columns && continuesColSpan(L.spans.at(r, k))) continue;
      const double y0 = hs[static_cast<size_t>(r)];
      const double y1 = hs[static_cast<size_t>(r) + 1] + full(src.hrules[static_cast<size_t>(r) + 1]);
      const double xr = vs[static_cast<size_t>(k)] + rule.width / 2;
      p.line(xr, y0, xr, y1, rule.style);
      if (rule.isDouble()) p.line(xr + rule.width + L.doubleSep, y0, xr + rule.width + L.doubleSep, y1, rule.style);
    }
  }
  cv.setPen(saved);
}

}  // namespace vel::tables
