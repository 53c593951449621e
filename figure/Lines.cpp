// Pens, lines and arrows of the figure language: \pen, \line, \arrow, and
// MyLine, the styled-line drawer every figure stroke goes through.
//
// Every styled line of the system is drawn by MyLine: the layout's frames,
// underlines and rules call its device-point form (layout/boxes/LineStyle),
// figure strokes the forms here, over the shared point array or over the
// caller's own scratch points. So dashes are cut one way everywhere: in
// layout units, the phase running across corners, the canvas pen solid.
//
// Lines and rays reach the figure box in closed form: the far end is the
// first whole multiple of the direction that leaves the box, found by
// dividing, not by stepping (a tiny direction would step for hours).
// Evaluation errors and missing arguments end the command silently.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "base/Units.h"
#include "figure/Figure.h"
#include "frontend/Calc.h"
#include "frontend/Values.h"
#include "layout/boxes/LineStyle.h"

namespace vel {

namespace {

// Arrow-head outline: two side arcs and a base arc between them.
constexpr double kHeadHalfWidth = 0.3;  // of the head length
constexpr double kSideBulge = 2.5;
constexpr double kBaseBulge = 1.0;
// The last entry of the point array close mode may still write two points to.
constexpr int kCloseLastMax = 49998;

bool Finite(double v) { return std::isfinite(v); }

struct UserPt {
  double x = 0, y = 0;
};

bool ReadPoint(State& st, const std::vector<std::string>& a, size_t at, int dimen, UserPt& p) {
  return ReadUserPoint(st, a, at, dimen, p.x, p.y);
}

void Put(State& st, int index, UserPt p) { st.fig.points.set(size_t(index), xxyy(st, p.x, p.y)); }

// The parameters k where p + k d is strictly inside the figure box: the
// open interval (lo, hi); empty when lo >= hi.
void InsideInterval(const FigureState& f, UserPt p, UserPt d, double& lo, double& hi) {
  lo = -INFINITY;
  hi = INFINITY;
  auto axis = [&](double p0, double d0, double mn, double mx) {
    if (d0 == 0) {
      if (!(mn < p0 && p0 < mx)) lo = hi = 0;
      return;
    }
    const double a = (mn - p0) / d0, b = (mx - p0) / d0;
    lo = std::max(lo, std::min(a, b));
    hi = std::min(hi, std::max(a, b));
  };
  axis(p.x, d.x, f.xMin, f.xMax);
  axis(p.y, d.y, f.yMin, f.yMax);
}

// The smallest whole k >= 1 for which p + k d is not strictly inside.
double FirstStepOut(const FigureState& f, UserPt p, UserPt d) {
  double lo, hi;
  InsideInterval(f, p, d, lo, hi);
  if (!(lo < 1 && 1 < hi)) return 1;
  return std::ceil(hi);
}

// \line q, r, vq, vr: from P along D to the box edge (and back, for a full line).
void DrawStraight(State& st, UserPt p, UserPt d, bool full) {
  const FigureState& f = st.fig;
  if (d.x == 0 && d.y == 0) return;
  for (double v : {p.x, p.y, d.x, d.y, f.xMin, f.xMax, f.yMin, f.yMax, f.scaleX, f.scaleY})
    if (!Finite(v)) return;
  const double k = FirstStepOut(f, p, d);
  UserPt nearEnd = p;
  if (full) {
    const double k2 = FirstStepOut(f, p, {-d.x, -d.y});
    nearEnd = {p.x - k2 * d.x, p.y - k2 * d.y};
  }
  Put(st, 0, nearEnd);
  Put(st, 1, {p.x + k * d.x, p.y + k * d.y});
  MyLine(st, 1, false);
}

// The two points of the t, x and y forms: in close mode they join the
// closed area, otherwise they are drawn as one segment.
void SegmentOrClose(State& st, int base, UserPt a, UserPt b) {
  Put(st, base, a);
  Put(st, base + 1, b);
  if (st.fig.closeMode) st.fig.closeLast = base + 1;
  else MyLine(st, 1, false);
}

// formula with `var` replaced by \c, evaluated at c.
double AtC(State& st, const std::string& formula, char var, double c) {
  std::string replaced;
  ShikiHenkan(formula, var, replaced, "\\c");
  st.val.calcVarC = c;
  return Calc(st, replaced);
}

// The length of one cycle of a pattern (its twelve dashes and gaps) in
// device pixels, for a pen penPx wide: the gaps grow by 2 (penPx - 1).
double CyclePixels(const State& st, int style, int penPx) {
  const double mm = units::kPerMM * st.draw.scale, e = 2.0 * (penPx - 1);
  switch (style) {
    case 1: return 6 * (2 * 1.36 * mm + e);
    case 2: return 6 * ((0.68 + 0.8 * 0.68) * mm + e);
    case 3: return 6 * (2 * 0.34 * mm + e);
    case 4: return 3 * ((1.36 + 3 * 0.34) * mm + 2 * e);
    default: return 2 * ((1.36 + 5 * 0.34) * mm + 3 * e);
  }
}

// Where the line from a along the unit vector u first and last lies inside
// the rectangle (l, t, r, b): distances from a; false when it misses.
bool Crossing(double ax, double ay, double ux, double uy, const double box[4], double& in, double& out) {
  in = -INFINITY;
  out = INFINITY;
  const double p[2] = {ax, ay}, d[2] = {ux, uy};
  for (int k = 0; k < 2; ++k) {
    const double lo = box[k], hi = box[k + 2];
    if (d[k] == 0) {
      if (p[k] < lo || p[k] > hi) return false;
      continue;
    }
    const double a = (lo - p[k]) / d[k], b = (hi - p[k]) / d[k];
    in = std::max(in, std::min(a, b));
    out = std::min(out, std::max(a, b));
  }
  return in <= out;
}

// A dashed path far longer than the figure would cut dashes by the billion
// that the clip throws away (points reach 2^30 pixels): its first point
// moves toward the box by whole pattern cycles, which keeps the phase of
// every dash that shows (to a pixel), and its last point stops a cycle
// past the box. The box is widened by its diagonal, which holds it under
// a text rotation too.
void TrimToFigure(const State& st, std::vector<Point>& pts, int style) {
  const FigureState& f = st.fig;
  const double cycle = CyclePixels(st, style, std::max(st.canvas->pen().width, 1));
  if (!(cycle > 0) || pts.size() < 2) return;
  const double w = f.clipRect[2] - f.clipRect[0], h = f.clipRect[3] - f.clipRect[1];
  const double grow = std::hypot(w, h) + cycle;
  const double box[4] = {f.clipRect[0] - grow, f.clipRect[1] - grow, f.clipRect[2] + grow, f.clipRect[3] + grow};
  auto round = [](double v) { return FigInt(std::floor(v + 0.5)); };
  // How far along from `from` toward `to` the segment stays outside the box
  // (all of it when it misses); 0 for a short segment.
  auto outside = [&](const Point& from, const Point& to, double& ux, double& uy) {
    const double dx = to.x - from.x, dy = to.y - from.y, len = std::hypot(dx, dy);
    if (len < 4 * cycle) return 0.0;
    ux = dx / len;
    uy = dy / len;
    double in, out;
    return Crossing(from.x, from.y, ux, uy, box, in, out) ? std::clamp(in, 0.0, len) : len;
  };
  double ux = 0, uy = 0;
  // The start moves by whole cycles only.
  const double m = std::floor(outside(pts[0], pts[1], ux, uy) / cycle);
  if (m >= 1) pts[0] = Point{round(pts[0].x + m * cycle * ux), round(pts[0].y + m * cycle * uy)};
  // The end may stop anywhere: no dash after it shows.
  Point& last = pts.back();
  const double back = outside(last, pts[pts.size() - 2], ux, uy);
  if (back > cycle) last = Point{round(last.x + (back - cycle) * ux), round(last.y + (back - cycle) * uy)};
}

}  // namespace

void MyLine(State& st, int n, bool closed) {
  FigureState& f = st.fig;
  if (n < 0) return;
  n = std::min(n, static_cast<int>(PointArray::kCapacity) - 2);
  const int style = f.penStyle;
  const bool patterned = style >= 1 && style <= 5;
  if (closed && (patterned || style == 9)) f.points.set(size_t(n) + 1, f.points.get(0));
  MyLine(st, std::vector<Point>(f.points.data(), f.points.data() + n + 1), closed);
}

void MyLine(State& st, std::vector<Point> pts, bool closed) {
  const int style = st.fig.penStyle;
  if (style == 9 || !st.canvas || pts.empty()) return;
  // One point is no line.
  if (pts.size() == 1 && !closed) return;
  if ((style >= 1 && style <= 5) && !closed) TrimToFigure(st, pts, style);
  MyLine(st, pts, closed, style);
}

void DoPen(State& st, const std::vector<std::string>& a) {
  FigureState& f = st.fig;
  int style = FigInt(Calc(st, a.empty() ? std::string() : a[0]));
  if (!((style >= 1 && style <= 5) || style == 9)) style = 0;
  f.penStyle = style;
  SetValueList(st, "penstyle", style);
  if (!st.canvas) return;
  Pen pen = st.canvas->pen();
  pen.style = PenStyle::Solid;
  pen.color = kBlack;
  if (a.size() >= 2) {
    // A width that rounds to nothing (or is negative) is the thinnest pen.
    pen.width = std::max(1, FigInt(UnitToPix(st, a[1]) * st.draw.scale + st.draw.penBias));
    if (a.size() >= 3) pen.color = GetColor(st, a[2]);
  }
  st.canvas->setPen(pen);
}

void DoLine(State& st, const std::vector<std::string>& a) {
  FigureState& f = st.fig;
  if (st.canvas) st.canvas->setClip(f.clipRegion);
  if (a.empty() || a[0].empty()) return;
  int base = 0;
  if (f.closeMode) {
    if (f.closeLast > kCloseLastMax) return;
    base = f.closeLast + 1;
  }
  const int dimen = f.dimen == 3 ? 3 : 2;
  const std::string& form = a[0];
  switch (form[0]) {
    case 'p':
      // A polyline through the points after the form word: \polyline's worker.
      return DoTakakukei(st, std::vector<std::string>(a.begin() + 1, a.end()), 2);
    case 'q':
    case 'r':
    case 'v': {
      if (f.closeMode) return;
      bool full = form[0] == 'q';
      bool vector = false;
      if (form[0] == 'v') {
        if (form.size() < 2 || (form[1] != 'q' && form[1] != 'r')) return;
        full = form[1] == 'q';
        vector = true;
      }
      UserPt p, q;
      if (!ReadPoint(st, a, 1, dimen, p) || !ReadPoint(st, a, 1 + size_t(dimen), dimen, q)) return;
      // The projection is linear: a projected direction is the direction projected.
      const UserPt d = vector ? q : UserPt{q.x - p.x, q.y - p.y};
      DrawStraight(st, p, d, full);
      return;
    }
    case 't': {
      const size_t need = size_t(dimen) + 3;
      if (a.size() < need) return;
      const double t0 = Calc(st, a[size_t(dimen) + 1]), t1 = Calc(st, a[size_t(dimen) + 2]);
      auto at = [&](double t) {
        const double x = AtC(st, a[1], 't', t), y = AtC(st, a[2], 't', t);
        if (dimen == 3) {
          ThreeToTwoDimen(st, x, y, AtC(st, a[3], 't', t));
          return UserPt{f.projU, f.projV};
        }
        return UserPt{x, y};
      };
      const UserPt p0 = at(t0);
      SegmentOrClose(st, base, p0, at(t1));
      return;
    }
    case 'x':
    case 'y': {
      if (a.size() < 4) return;
      const char var = form[0];
      const double v0 = Calc(st, a[2]), v1 = Calc(st, a[3]);
      const double w0 = AtC(st, a[1], var, v0), w1 = AtC(st, a[1], var, v1);
      if (var == 'x') SegmentOrClose(st, base, {v0, w0}, {v1, w1});
      else SegmentOrClose(st, base, {w0, v0}, {w1, v1});
      return;
    }
    default:
      return;
  }
}

Point ArcPoints(State& st, std::vector<Point>& out, Point& mid, double bulge, double ax, double ay, double bx, double by) {
  const double S = st.draw.scale;
  const Point pa = XXYY(st, ax, ay), pb = XXYY(st, bx, by);
  const double Ax = pa.x, Ay = -double(pa.y), Bx = pb.x, By = -double(pb.y);
  const double dx = Bx - Ax, dy = By - Ay;
  const double L = std::sqrt(dx * dx + dy * dy);
  auto device = [&](double px, double py) { return Point{FigInt(S * px + 0.5), FigInt(-S * py + 0.5)}; };
  if (out.empty()) out.push_back(device(Ax, Ay));
  if (L == 0) {
    mid = device(Ax, Ay);
    out.insert(out.end(), 3, mid);
    return mid;
  }
  const double zx = (Ax + Bx) / 2 + bulge * L * (-dy / L), zy = (Ay + By) / 2 + bulge * L * (dx / L);
  const double r = std::hypot(Ax - zx, Ay - zy);
  const double alpha = std::atan2(Ay - zy, Ax - zx);
  double beta = std::atan2(By - zy, Bx - zx);
  if (beta < alpha) beta += 2 * std::numbers::pi;
  // Pieces of at most a quarter turn; each control point lies on the
  // tangent at its end, 4/3 tan(step/4) radii away.
  const int pieces = std::max(1, int(std::ceil((beta - alpha) / (std::numbers::pi / 2))));
  const double step = (beta - alpha) / pieces, k = 4.0 / 3.0 * std::tan(step / 4) * r;
  for (int i = 0; i < pieces; ++i) {
    const double t0 = alpha + i * step, t1 = t0 + step;
    const double c0 = std::cos(t0), s0 = std::sin(t0), c1 = std::cos(t1), s1 = std::sin(t1);
    out.push_back(device(zx + r * c0 - k * s0, zy + r * s0 + k * c0));
    out.push_back(device(zx + r * c1 + k * s1, zy + r * s1 - k * c1));
    out.push_back(i + 1 == pieces ? device(Bx, By) : device(zx + r * c1, zy + r * s1));
  }
  const double m = (alpha + beta) / 2;
  mid = device(zx + r * std::cos(m), zy + r * std::sin(m));
  return mid;
}

void DoArrow(State& st, const std::vector<std::string>& a, int kind) {
  FigureState& f = st.fig;
  if (kind < 1 || kind > 3 || f.closeMode || !st.canvas || a.empty() || a[0].empty()) return;
  Canvas& c = *st.canvas;
  const int savedDimen = f.dimen;
  const double savedScaleY = f.scaleY;
  const int savedStyle = f.penStyle;
  const Pen figurePen = c.pen();
  const Brush savedBrush = c.brush();
  auto restore = [&] {
    f.dimen = savedDimen;
    f.scaleY = savedScaleY;
    f.penStyle = savedStyle;
    c.setPen(figurePen);
    c.setBrush(savedBrush);
    c.setClip(f.clipRegion);
  };
  if (kind == 3) f.dimen = 2;
  const int dimen = f.dimen == 3 ? 3 : 2;
  const char form = a[0][0];
  UserPt s, t;
  double d = 0;
  size_t sizeAt = 0;
  if (form == 'p') {
    if (!ReadPoint(st, a, 1, dimen, s) || !ReadPoint(st, a, 1 + size_t(dimen), dimen, t)) return restore();
    d = std::hypot(t.x - s.x, t.y - s.y);
    sizeAt = 1 + 2 * size_t(dimen);
  } else if (form == 'v') {
    const size_t n = size_t(dimen);
    if (a.size() < 2 + 2 * n) return restore();
    double p3[3] = {}, d3[3] = {};
    for (size_t k = 0; k < n; ++k) {
      p3[k] = Calc(st, a[1 + k]);
      d3[k] = Calc(st, a[1 + n + k]);
    }
    d = Calc(st, a[1 + 2 * n]);
    const double dl = std::sqrt(d3[0] * d3[0] + d3[1] * d3[1] + d3[2] * d3[2]);
    if (!(dl > 0)) return restore();
    const double q3[3] = {p3[0] + d * d3[0] / dl, p3[1] + d * d3[1] / dl, p3[2] + d * d3[2] / dl};
    if (dimen == 3) {
      ThreeToTwoDimen(st, p3[0], p3[1], p3[2]);
      s = {f.projU, f.projV};
      ThreeToTwoDimen(st, q3[0], q3[1], q3[2]);
      t = {f.projU, f.projV};
    } else {
      s = {p3[0], p3[1]};
      t = {q3[0], q3[1]};
    }
    sizeAt = 2 + 2 * n;
  } else {
    return restore();
  }
  const int h = sizeAt < a.size() ? UnitToPix(st, "(" + a[sizeAt] + ")*1.6mm") : UnitToPix(st, "1.6mm");

  // The head keeps its shape whatever the y unit: y is measured in x units.
  const double aniso = f.scaleY / f.scaleX;
  if (!Finite(aniso) || !Finite(f.scaleX) || f.scaleX == 0) return restore();
  s.y *= aniso;
  t.y *= aniso;
  f.scaleY = f.scaleX;
  const double len = std::hypot(t.x - s.x, t.y - s.y);
  // No length, no direction: nothing to draw.
  if (!(len > 0) || !Finite(len) || d == 0) return restore();
  const double ux = (t.x - s.x) / len, uy = (t.y - s.y) / len;
  const double l = h / f.scaleX;
  const UserPt bc{t.x - l * ux, t.y - l * uy};
  const UserPt b1{bc.x + kHeadHalfWidth * l * uy, bc.y - kHeadHalfWidth * l * ux};
  const UserPt b2{bc.x - kHeadHalfWidth * l * uy, bc.y + kHeadHalfWidth * l * ux};

  const Color color = kind == 3 ? st.chr.font.color : figurePen.color;
  if (kind == 2) c.setClip(st.geo.fullRegion);
  else c.setClip(f.clipRegion);
  const Point tip = xxyy(st, t.x, t.y);
  Point m = tip;
  if (h > 0) {
    c.setPen(Pen{0, color, PenStyle::Solid});
    c.setBrush(Brush{BrushStyle::Solid, color, Hatch::Horizontal, nullptr});
    Point unused;
    std::vector<Point> head;
    ArcPoints(st, head, unused, kSideBulge, t.x, t.y, b1.x, b1.y);
    ArcPoints(st, head, m, kBaseBulge, b1.x, b1.y, b2.x, b2.y);
    ArcPoints(st, head, unused, kSideBulge, b2.x, b2.y, t.x, t.y);
    c.bezierPolygon(head);
  }
  if (kind == 3) {
    const double bold = st.chr.boldMath ? 1.25 : 1.0;
    const int w = FigInt(st.chr.ruleWidth * st.draw.scale * bold + st.draw.penBias);
    c.setPen(Pen{std::max(w, 1), color, PenStyle::Solid});
    f.penStyle = 0;
  } else {
    c.setPen(figurePen);
  }
  const double headPx = std::hypot(double(m.x) - tip.x, double(m.y) - tip.y);
  // A very short arrow shows only its head.
  if (PixLen(st, t.x - s.x, t.y - s.y, len) > headPx) MyLine(st, {xxyy(st, s.x, s.y), m}, false);
  restore();
}

}  // namespace vel
