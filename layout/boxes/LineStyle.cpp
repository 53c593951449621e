#include "base/Units.h"
#include "layout/boxes/LineStyle.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace vel {

namespace {

constexpr size_t kMaxPiece = 1200;  // segments per polyline call

int clampToInt(double v) { return static_cast<int>(std::clamp(v, -2.0e9, 2.0e9)); }

// The twelve lengths of a pattern (dash, gap, dash, ...) in layout units;
// e widens every gap for the round caps that wide pens add to the dashes.
std::array<double, 12> patternOf(int style, double e) {
  const double L = 1.36 * units::kPerMM, S = 0.34 * units::kPerMM;
  std::array<double, 12> p{};
  for (size_t i = 0; i < 12; i += 2) {
    switch (style) {
      case 1: p[i] = L, p[i + 1] = L + e; break;
      case 2: p[i] = 0.68 * units::kPerMM, p[i + 1] = 0.8 * 0.68 * units::kPerMM + e; break;
      case 3: p[i] = S, p[i + 1] = S + e; break;
      case 4: p[i] = (i % 4 == 0) ? L : S, p[i + 1] = S + e; break;
      default: p[i] = (i % 6 == 0) ? L : S, p[i + 1] = S + e; break;  // 5
    }
  }
  return p;
}

void drawPolyline(Canvas& c, const std::vector<Point>& pts) {
  if (pts.size() < 2) return;
  for (size_t start = 0; start + 1 < pts.size(); start += kMaxPiece) {
    size_t end = std::min(pts.size() - 1, start + kMaxPiece);
    c.polyline(std::vector<Point>(pts.begin() + static_cast<long>(start), pts.begin() + static_cast<long>(end) + 1));
  }
}

// A two-point solid line as a filled quadrilateral of the pen's width with
// square ends: exactly as wide as asked, whatever the pen's caps.
void drawSolidSegment(Canvas& c, Point a, Point b) {
  const double dx = b.x - a.x, dy = b.y - a.y;
  const double len = std::sqrt(dx * dx + dy * dy);
  if (len == 0) return;
  const Pen pen = c.pen();
  const double h = std::max(pen.width, 1) / 2.0;
  const double nx = -dy / len * h, ny = dx / len * h;
  std::vector<Point> q = {{clampToInt(a.x - nx), clampToInt(a.y - ny)},
                          {clampToInt(a.x + nx), clampToInt(a.y + ny)},
                          {clampToInt(b.x + nx), clampToInt(b.y + ny)},
                          {clampToInt(b.x - nx), clampToInt(b.y - ny)}};
  c.setPen(Pen{0, pen.color, PenStyle::Null});
  Brush fill;
  fill.style = BrushStyle::Solid;
  fill.color = pen.color;
  c.setBrush(fill);
  c.polygon(q);
}

void drawPatterned(State& st, const std::vector<Point>& in, bool closed, int style) {
  Canvas& c = *st.canvas;
  const double S = st.draw.scale > 0 ? st.draw.scale : 1;
  const int penPx = std::max(c.pen().width, 1);
  const std::array<double, 12> pat = patternOf(style, 2.0 * (penPx - 1) / S);

  std::vector<Point> path = in;
  if (closed) path.push_back(in.front());
  size_t k = 0;
  double E = pat[0];
  bool down = true;
  std::vector<Point> dash{path.front()};
  double qx = path.front().x / S, qy = path.front().y / S;
  for (size_t j = 0; j + 1 < path.size(); ++j) {
    const double dx = (path[j + 1].x - path[j].x) / S, dy = (path[j + 1].y - path[j].y) / S;
    const double L = std::sqrt(dx * dx + dy * dy);
    if (L == 0) continue;
    double R = L;
    for (;;) {
      if (R >= E) {
        qx += E * dx / L;
        qy += E * dy / L;
        Point q{clampToInt(std::floor(S * qx + 0.5)), clampToInt(std::floor(S * qy + 0.5))};
        if (down) dash.push_back(q);
        R -= E;
        k = (k + 1) % pat.size();
        E = pat[k];
        if (down) {
          drawPolyline(c, dash);
          dash.clear();
          down = false;
        } else {
          dash.assign(1, q);
          down = true;
        }
      } else {
        qx = path[j + 1].x / S;
        qy = path[j + 1].y / S;
        if (down) dash.push_back(path[j + 1]);
        E -= R;
        break;
      }
    }
  }
  if (down) drawPolyline(c, dash);
}

}  // namespace

int DevicePoint(const State& st, double v) { return clampToInt(v * st.draw.scale + 0.5); }

int DevicePenWidth(const State& st, double width) {
  return std::max(1, clampToInt(width * st.draw.scale + st.draw.penBias));
}

void MyLine(State& st, const std::vector<Point>& pts, bool closed, int penStyle) {
  if (!st.canvas || pts.empty() || penStyle == 9) return;
  Canvas& c = *st.canvas;
  const Pen pen = c.pen();
  const Brush brush = c.brush();
  const bool patterned = penStyle >= 1 && penStyle <= 5;
  if (patterned) {
    if (pen.style != PenStyle::Solid) c.setPen(Pen{pen.width, pen.color, PenStyle::Solid});
    drawPatterned(st, pts, closed, penStyle);
  } else if (closed) {
    Brush hollow = brush;
    hollow.style = BrushStyle::Clear;
    c.setBrush(hollow);
    c.polygon(pts);
  } else if (pts.size() == 2) {
    drawSolidSegment(c, pts[0], pts[1]);
  } else {
    drawPolyline(c, pts);
  }
  if (!(c.pen() == pen)) c.setPen(pen);
  if (c.brush().style != brush.style || c.brush().color != brush.color) c.setBrush(brush);
}

}  // namespace vel
