// Graphs and plots of the figure language: \curve (DoFunction with its
// four workers), \equation, \curvedsurface, \bograph, \zahyoaxis, \grid.
//
// Plots sample at the device's resolution: one point per 0.2 mm of the
// layout (or one per device pixel of projected length for surfaces), so a
// curve looks smooth at every zoom. Every count is bounded: the shared
// point array caps a curve (kPlotPoints), kMaxSurfaceLines and
// kMaxSurfaceSamples cap a surface, kMaxGridLines a grid; a step of zero,
// a negative one or one so small that the bound would be passed draws
// nothing rather than looping. Evaluation errors give 0 (Calc) and missing
// arguments end a command silently, as the body's other commands do.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <numbers>

#include "base/Units.h"
#include "figure/Figure.h"
#include "frontend/Calc.h"
#include "layout/boxes/Boxes.h"

namespace vel {

namespace {

// Plots write at most this many points after their start in the array.
constexpr int kPlotPoints = 50000;
constexpr double kSampleMM = 0.2;
// Polar plots take this many samples per full turn; parametric length
// estimates this many chords.
constexpr double kPolarPerTurn = 400;
constexpr int kLengthChords = 200;
// \equation: the scan's parts and the bisection's halvings.
constexpr int kScanParts = 15;
constexpr int kBisections = 20;
// A surface family of more lines than this, or a line of more samples,
// is a step too small for any device: nothing is drawn.
constexpr long long kMaxSurfaceLines = 2000;
constexpr long long kMaxSurfaceSamples = 50000;
// A surface's off-screen bitmaps stay below this many pixels each.
constexpr long long kMaxSurfacePixels = 64LL * 1024 * 1024;
// A grid of more lines than this one way is finer than any device shows.
constexpr long long kMaxGridLines = 4000;

const std::string& Arg(const std::vector<std::string>& a, size_t i) {
  static const std::string empty;
  return i < a.size() ? a[i] : empty;
}

// The whole text a decimal integer, else `fallback`.
int IntegerOr(const std::string& s, int fallback) {
  int v = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  return (ec == std::errc() && end == s.data() + s.size()) ? v : fallback;
}

bool Finite(double v) { return std::isfinite(v); }

// A formula in the plot variable, rewritten once and evaluated per sample.
struct Plotted {
  std::string expr;
  Plotted(const std::string& formula, char var) { ShikiHenkan(formula, var, expr, "\\c"); }
  double at(State& st, double c) const {
    st.val.calcVarC = c;
    return Calc(st, expr);
  }
};

double SampleLayout() { return units::kPerMM * kSampleMM; }

// Where a plot starts in the point array: after the closed outline in
// close mode, else at 0; and how many steps it may still take.
int PlotStart(const FigureState& f) { return f.closeMode ? f.closeLast + 1 : 0; }

// n steps capped by the room left after `start`; -1 when there is none.
int CapSteps(double n, int start) {
  const int room = kPlotPoints - start;
  if (room < 0) return -1;
  if (!(n >= 0)) return 0;  // NaN: no step
  return n >= room ? room : static_cast<int>(n);
}

// The plot's points start..start+n are in the array: close mode keeps
// them for the closed area, otherwise they are drawn.
void FinishPlot(State& st, int start, int n) {
  if (st.fig.closeMode) st.fig.closeLast = start + n;
  else MyLine(st, n, false);
}

void Put(State& st, int index, double x, double y) { st.fig.points.set(size_t(index), xxyy(st, x, y)); }

// x = f(x) sampled along x (byY false), or x = g(y) along y.
void DoFunctionXY(State& st, const std::vector<std::string>& a, bool byY) {
  if (a.size() < 4) return;
  FigureState& f = st.fig;
  const Plotted fn(a[1], byY ? 'y' : 'x');
  const double v0 = Calc(st, a[2]), v1 = Calc(st, a[3]);
  const double scale = byY ? f.scaleY : f.scaleX;
  const double step = SampleLayout() / scale;
  if (!Finite(v0) || !Finite(v1) || !(step > 0) || !Finite(step)) return;
  const int start = PlotStart(f);
  const int n = CapSteps(std::trunc(std::abs(v1 - v0) / step + 1), start);
  if (n < 0) return;
  const double real = n > 0 ? (v1 - v0) / n : 0;
  auto put = [&](int i, double v) {
    const double w = fn.at(st, v);
    if (byY) Put(st, start + i, w, v);
    else Put(st, start + i, v, w);
  };
  for (int i = 0; i < n; ++i) put(i, v0 + i * real);
  put(n, v1);
  FinishPlot(st, start, n);
}

// r = f(t) about the origin, 400 samples a turn.
void DoFunctionR(State& st, const std::vector<std::string>& a) {
  if (a.size() < 4) return;
  const Plotted fn(a[1], 't');
  const double t0 = Calc(st, a[2]), t1 = Calc(st, a[3]);
  if (!Finite(t0) || !Finite(t1)) return;
  const int start = PlotStart(st.fig);
  const int n = CapSteps(std::abs(std::trunc((t1 - t0) / (2 * std::numbers::pi) * kPolarPerTurn)), start);
  if (n < 0) return;
  auto put = [&](int i, double t) {
    const double r = fn.at(st, t);
    Put(st, start + i, r * std::cos(t), r * std::sin(t));
  };
  for (int i = 0; i < n; ++i) put(i, t0 + i * (t1 - t0) / n);
  put(n, t1);
  FinishPlot(st, start, n);
}

// (X(t), Y(t)[, Z(t)]): n samples when given, else one per 0.2 mm of the
// curve's estimated length.
void DoFunctionT(State& st, const std::vector<std::string>& a) {
  FigureState& f = st.fig;
  const bool three = f.dimen == 3;
  const size_t ends = three ? 4 : 3;  // index of t0
  if (a.size() < ends + 2) return;
  const Plotted fx(a[1], 't'), fy(a[2], 't');
  const Plotted fz(three ? a[3] : std::string(), 't');
  const double t0 = Calc(st, a[ends]), t1 = Calc(st, a[ends + 1]);
  if (!Finite(t0) || !Finite(t1)) return;
  auto at = [&](double t, double& u, double& v) {
    u = fx.at(st, t);
    v = fy.at(st, t);
    if (three) {
      ThreeToTwoDimen(st, u, v, fz.at(st, t));
      u = f.projU;
      v = f.projV;
    }
  };
  double n = 0;
  if (a.size() > ends + 2) {
    n = std::trunc(Calc(st, a[ends + 2]));
  } else {
    double length = 0, u, v;
    at(t0, u, v);
    double px = XX(st, u), py = YY(st, v);
    for (int k = 1; k <= kLengthChords; ++k) {
      at(t0 + k * (t1 - t0) / kLengthChords, u, v);
      const double qx = XX(st, u), qy = YY(st, v);
      length += std::hypot(qx - px, qy - py);
      px = qx;
      py = qy;
    }
    n = std::trunc(length / SampleLayout());
  }
  const int start = PlotStart(f);
  int steps = CapSteps(n, start);
  if (steps < 0) return;
  steps = std::max(steps, 1);
  if (start + steps > kPlotPoints) return;  // no room even for one step
  double u, v;
  for (int i = 0; i < steps; ++i) {
    at(t0 + i * (t1 - t0) / steps, u, v);
    Put(st, start + i, u, v);
  }
  at(t1, u, v);
  Put(st, start + steps, u, v);
  FinishPlot(st, start, steps);
}

// ---- \curvedsurface ----

// The sequence start, start+step, ... whose last element is exactly `end`
// (a step that would pass it is shortened); false when it has more than
// `cap` elements. step has the sign of end - start (or any sign when they
// are equal).
bool Sequence(double start, double end, double step, long long cap, std::vector<double>& out) {
  out.clear();
  if (!(std::abs(step) > 0) || !Finite(step) || !Finite(start) || !Finite(end)) return false;
  const double count = std::abs(end - start) / std::abs(step);
  if (!(count < double(cap))) return false;
  const double dir = end >= start ? 1 : -1;
  for (long long k = 0;; ++k) {
    const double v = start + double(k) * dir * std::abs(step);
    if ((end - v) * dir <= 0) {
      out.push_back(end);
      return true;
    }
    out.push_back(v);
  }
}

struct Surface {
  State& st;
  std::string expr;  // f with x -> \c, y -> \d
  bool hidden;       // mode 1
  int left, top;     // the box's device corner
  // The projected point of (x, y, f(x, y)) relative to the box; false
  // when f is undefined there.
  bool sample(double x, double y, Point& out) {
    st.val.calcVarC = x;
    st.val.calcVarD = y;
    const double z = Calc(st, expr);
    if (st.val.calcUndefined) return false;
    ThreeToTwoDimen(st, x, y, z);
    const Point p = xxyy(st, st.fig.projU, st.fig.projV);
    out = Point{FigInt(double(p.x) - left), FigInt(double(p.y) - top)};
    return true;
  }
};

// One family of mesh lines (constant x when constantX, else constant y) onto
// `c`: lines at the values of `fixed`, each sampled over [lo, hi] every
// `step` (alternating direction, the first from hi down).
void DrawFamily(Surface& s, Canvas& c, bool constantX, const std::vector<double>& fixed, double lo, double hi,
                double step) {
  std::vector<Point> pts;        // mode 1: the remembered line, then the new one
  std::vector<double> along;
  size_t remembered = 0;  // points of the remembered line at the front
  bool first = true;
  for (size_t k = 0; k < fixed.size(); ++k) {
    const bool down = k % 2 == 0;
    if (!Sequence(down ? hi : lo, down ? lo : hi, step, kMaxSurfaceSamples, along)) return;
    const size_t lineStart = s.hidden ? remembered : 0;
    if (!s.hidden) pts.clear();
    auto at = [&](double v, Point& p) { return constantX ? s.sample(fixed[k], v, p) : s.sample(v, fixed[k], p); };
    for (size_t i = 0; i < along.size(); ++i) {
      Point p;
      if (at(along[i], p)) {
        pts.push_back(p);
        continue;
      }
      // The line ends within a tenth of the step of the undefined region.
      const bool stored = s.hidden ? !pts.empty() : pts.size() > lineStart;
      if (!stored) continue;
      const double prev = i > 0 ? along[i - 1] : along[0] + (down ? step : -step);
      const double d = along[i] - prev;
      for (int t = 1; t <= 9; ++t)
        if (at(prev + d * t / 10.0, p)) pts.push_back(p);
    }
    if (!s.hidden) {
      if (!pts.empty()) c.polyline(pts);
      continue;
    }
    if (first) {
      remembered = pts.size();
      first = false;
      continue;
    }
    // The strip between the remembered line and this one (they run in
    // opposite directions) covers what lies behind, then both are drawn.
    if (pts.size() >= 3) {
      const Pen pen = c.pen();
      c.setPen(Pen{1, kWhite, PenStyle::Null});
      c.polygon(pts);
      c.setPen(pen);
    }
    const std::vector<Point> older(pts.begin(), pts.begin() + long(remembered));
    const std::vector<Point> newer(pts.begin() + long(remembered), pts.end());
    if (!older.empty()) c.polyline(older);
    if (!newer.empty()) c.polyline(newer);
    pts = newer;
    remembered = pts.size();
  }
}

}  // namespace

void DoCurvedSurface(State& st, const std::vector<std::string>& a) {
  FigureState& f = st.fig;
  if (st.canvas) st.canvas->setClip(f.clipRegion);
  if (f.dimen != 3 || a.size() < 7 || !st.canvas) return;
  const bool hidden = IntegerOr(a[0], 0) != 0;
  std::string withX, expr;
  ShikiHenkan(a[1], 'x', withX, "\\c");
  ShikiHenkan(withX, 'y', expr, "\\d");
  double x0 = Calc(st, a[2]), x1 = Calc(st, a[3]), y0 = Calc(st, a[4]), y1 = Calc(st, a[5]);
  if (x0 > x1) std::swap(x0, x1);
  if (y0 > y1) std::swap(y0, y1);
  const double dx = std::abs(Calc(st, a[6]));
  const bool withY = a.size() >= 8;
  const double dy = withY ? std::abs(Calc(st, a[7])) : 0;
  // Zero steps would give families without end: nothing is drawn.
  if (!(dx > 0) || (withY && !(dy > 0))) return;

  const double S = st.draw.scale;
  const long long w = FigInt(f.width * S + 0.5), h = FigInt(f.height * S + 0.5);
  if (w <= 0 || h <= 0 || w * h > kMaxSurfacePixels) return;

  // Lines of constant x, back to front.
  std::vector<double> xs, ys;
  const double xFirst = std::ceil(x0 / dx) * dx;
  const bool xBack = std::cos(f.rotZ) < 0;
  if (!Sequence(xBack ? x1 : std::min(xFirst, x1), xBack ? std::min(xFirst, x1) : x1, dx, kMaxSurfaceLines, xs)) return;
  if (withY) {
    const double yFirst = std::ceil(y0 / dy) * dy;
    const bool yBack = std::sin(f.rotZ) < 0;
    if (!Sequence(yBack ? y1 : std::min(yFirst, y1), yBack ? std::min(yFirst, y1) : y1, dy, kMaxSurfaceLines, ys))
      return;
  }
  // One device pixel of projected length along the sampled axis.
  auto pixelStep = [&](double ux, double uy) {
    ThreeToTwoDimen(st, ux, uy, 0);
    return (1 / S) / f.baseUnit / std::hypot(f.projU, f.projV);
  };
  const double stepY = pixelStep(0, 1), stepX = pixelStep(1, 0);

  const Color colour = st.canvas->pen().color;
  const int penWidth = std::max(1, FigInt(UnitToPix(st, "0.1mm") * S + st.draw.penBias));
  Surface s{st, expr, hidden, f.clipRect[0], f.clipRect[1]};
  auto family = [&](Bitmap& target, bool constantX) {
    std::unique_ptr<Canvas> c = st.canvas->createBitmapCanvas(target);
    if (!c) return;
    c->setPen(Pen{penWidth, colour, PenStyle::Solid});
    c->setBrush(Brush{BrushStyle::Solid, kWhite, Hatch::Horizontal, nullptr});
    if (constantX) DrawFamily(s, *c, true, xs, y0, y1, stepY);
    else DrawFamily(s, *c, false, ys, x0, x1, stepX);
  };
  Bitmap front{static_cast<int>(w), static_cast<int>(h)};
  if (withY) {
    Bitmap second{static_cast<int>(w), static_cast<int>(h)};
    family(second, false);
    family(front, true);
    // The constant-y family lies over the other, white left out.
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        if (const uint32_t p = second.pixel(x, y); p != kWhite) front.setPixel(x, y, p);
  } else {
    family(front, true);
  }
  st.canvas->setClip(f.clipRegion);
  ImageDraw(st, f.clipRect[0], f.clipRect[1], front);
}

// ---- \bograph ----

void DoBograph(State& st, const std::vector<std::string>& a) {
  FigureState& f = st.fig;
  if (f.dimen != 2 || a.size() < 5 || !st.canvas) return;
  Canvas& c = *st.canvas;
  const int from = std::max(0, FigInt(Calc(st, a[0])) - 1);
  const int to = std::min(FigInt(Calc(st, a[1])) - 1, std::min(f.graph.count, 1000) - 1);
  const double half = Calc(st, a[2]) / 2;
  const Plotted fx(a[3], 'x'), fy(a[4], 'y');
  const double S = st.draw.scale;
  const int border = FigInt((a.size() >= 6 ? UnitToPix(st, a[5]) : units::kPerMM * 0.1) * S + st.draw.penBias);
  const Pen savedPen = c.pen();
  const Brush savedBrush = c.brush();
  const int savedStyle = f.penStyle;
  for (int i = from; i <= to; ++i) {
    const double X = fx.at(st, f.graph.x[size_t(i)]), Y = fy.at(st, f.graph.y[size_t(i)]);
    const Point p0 = xxyy(st, X - half, 0), p1 = xxyy(st, X - half, Y), p2 = xxyy(st, X + half, Y),
                p3 = xxyy(st, X + half, 0);
    c.setClip(f.clipRegion);
    f.areaRegion = Region::polygon({{p0.x, p0.y}, {p1.x, p1.y}, {p2.x, p2.y}, {p3.x, p3.y}});
    Shasen(st, 1, false);
    if (border <= 0) continue;
    // Left side, top (reaching half the border beyond each side so the
    // corners close) and right side; no bottom edge.
    c.setClip(f.clipRegion);
    c.setPen(Pen{border, kBlack, PenStyle::Solid});
    f.penStyle = 0;
    const double tx = p2.x - p1.x, ty = p2.y - p1.y, tl = std::hypot(tx, ty);
    const double ex = tl > 0 ? tx / tl * border / 2.0 : 0, ey = tl > 0 ? ty / tl * border / 2.0 : 0;
    MyLine(st, {p0, p1}, false);
    MyLine(st, {Point{FigInt(p1.x - ex), FigInt(p1.y - ey)}, Point{FigInt(p2.x + ex), FigInt(p2.y + ey)}}, false);
    MyLine(st, {p3, p2}, false);
  }
  f.penStyle = savedStyle;
  c.setPen(savedPen);
  c.setBrush(savedBrush);
  c.setClip(f.clipRegion);
}

// ---- \zahyoaxis ----

void DoZahyoAxis(State& st, const std::vector<std::string>& a) {
  FigureState& f = st.fig;
  if (a.empty()) return;
  bool axis[3] = {false, false, false};
  bool heads = true;
  for (char ch : a[0]) {
    if (ch == ' ') continue;
    if (ch == 'x') axis[0] = true;
    else if (ch == 'y') axis[1] = true;
    else if (ch == 'z') axis[2] = f.dimen == 3;
    else if (ch == 'a') heads = true;
    else if (ch == 'n') heads = false;
    else break;
  }
  const int dimen = f.dimen == 3 ? 3 : 2;
  size_t pair = 1;
  for (int k = 0; k < 3; ++k) {
    if (!axis[k]) continue;
    if (pair + 1 >= a.size()) return;  // its pair is missing
    std::vector<std::string> args{"p"};
    for (const std::string* end : {&a[pair], &a[pair + 1]})
      for (int d = 0; d < dimen; ++d) args.push_back(d == k ? *end : "0");
    args.push_back(heads ? "1" : "0");
    pair += 2;
    DoArrow(st, args, 2);
  }
}

// ---- \grid ----

void DoGrid(State& st, const std::vector<std::string>& a) {
  FigureState& f = st.fig;
  if (f.closeMode || a.size() < 2 || !st.canvas) return;
  // The screen-only grid helps while drawing; it is never printed.
  if (a[0] == "d" && st.draw.printing) return;
  const double spacing = Calc(st, a[1]);
  if (!(spacing > 0) || !Finite(spacing)) return;
  Canvas& c = *st.canvas;
  const Pen savedPen = c.pen();
  const int savedStyle = f.penStyle;
  f.penStyle = a.size() >= 3 ? IntegerOr(a[2], 2) : 2;
  const Color colour = a.size() >= 4 ? GetColor(st, a[3]) : rgb(192, 192, 192);
  c.setPen(Pen{1, colour, PenStyle::Solid});
  c.setClip(f.clipRegion);
  const bool turned = st.font.textRotationDeg != 0;
  // The lines k*spacing strictly inside (lo, hi): on the device when the
  // figure is upright, in user units under a rotation.
  auto family = [&](bool vertical) {
    const double lo = vertical ? f.xMin : f.yMin, hi = vertical ? f.xMax : f.yMax;
    const double k0 = std::floor(lo / spacing), k1 = std::ceil(hi / spacing);
    if (!Finite(k0) || !Finite(k1) || k1 - k0 > double(kMaxGridLines)) return;
    for (double k = k0; k <= k1; ++k) {
      const double v = k * spacing;
      bool inside;
      if (turned) {
        inside = lo < v && v < hi;
      } else if (vertical) {
        const int px = xx(st, v);
        inside = f.clipRect[0] < px && px < f.clipRect[2];
      } else {
        const int py = yy(st, v);
        inside = f.clipRect[1] < py && py < f.clipRect[3];
      }
      if (!inside) continue;
      if (vertical) MyLine(st, {xxyy(st, v, f.yMax), xxyy(st, v, f.yMin)}, false);
      else MyLine(st, {xxyy(st, f.xMin, v), xxyy(st, f.xMax, v)}, false);
    }
  };
  family(true);
  family(false);
  f.penStyle = savedStyle;
  c.setPen(savedPen);
}

void DoFunction(State& st, const std::vector<std::string>& a) {
  if (st.canvas) st.canvas->setClip(st.fig.clipRegion);
  const std::string& form = Arg(a, 0);
  const size_t k = form.find_first_not_of(' ');
  if (k == std::string::npos) return;
  const bool three = st.fig.dimen == 3;
  switch (form[k]) {
    case 'x':
      if (!three) DoFunctionXY(st, a, false);
      return;
    case 'y':
      if (!three) DoFunctionXY(st, a, true);
      return;
    case 'r':
      if (!three) DoFunctionR(st, a);
      return;
    case 't':
      DoFunctionT(st, a);
      return;
    default:
      return;
  }
}

void DoEquation(State& st, const std::vector<std::string>& a) {
  constexpr size_t kPvalX = 52 + ('X' - 'A'), kPvalY = 52 + ('Y' - 'A');
  auto result = [&](double root, double y) {
    st.val.registers[kPvalX] = root;
    st.val.registers[kPvalY] = y;
    st.val.calcVarC = root;
  };
  const size_t eq = a.empty() ? std::string::npos : a[0].find('=');
  if (eq == std::string::npos) return result(0, 0);
  const Plotted F("(" + a[0].substr(0, eq) + ")-(" + a[0].substr(eq + 1) + ")", 'x');
  const Plotted rhs(a[0].substr(eq + 1), 'x');
  double left = st.fig.xMin, right = st.fig.xMax;
  if (a.size() >= 3) {
    const double p = Calc(st, a[1]), q = Calc(st, a[2]);
    left = std::min(p, q);
    right = std::max(p, q);
  }
  auto sign = [](double v) { return v > 0 ? 1 : v < 0 ? -1 : 0; };
  auto found = [&](double root) { result(root, rhs.at(st, root)); };
  const double fl = F.at(st, left);
  if (fl == 0) return found(left);
  const int s = sign(fl);
  const double fr = F.at(st, right);
  if (fr == 0) return found(right);
  if (sign(fr) == s) {
    // Both ends on one side: the first of 14 inner points across.
    bool changed = false;
    for (int j = 1; j < kScanParts && !changed; ++j) {
      const double x = left + j * (right - left) / kScanParts;
      const double v = F.at(st, x);
      if (v == 0) return found(x);
      if (sign(v) != s) {
        right = x;
        changed = true;
      }
    }
    // No sign change: 0, a root only by coincidence.
    if (!changed) return found(0);
  }
  double m = left;
  for (int k = 0; k < kBisections; ++k) {
    m = (left + right) / 2;
    const double v = F.at(st, m);
    if (v == 0) break;
    if (sign(v) == s) left = m;
    else right = m;
  }
  found(m);
}

}  // namespace vel
