// Shapes of the figure language: rectangles (rounded too),
// parallelograms, polygons and polylines, graph polylines, circles in 2-D
// and 3-D, ellipses, arcs, sectors and chords, and the arcs between two
// points.
//
// Every closed shape goes the same way: the brush is prepared (a brush
// that is not solid, or none, becomes clear: fills come only from
// Shasen), the area region is built, Shasen fills or hatches it, the
// figure clip is selected, and the outline is stroked with MyLine, or
// with the canvas's own ellipse, arc, pie and chord when the pen is solid
// and nothing is turned, which draw the same thing exactly. In close mode
// the shapes that can be part of a closed area append their points after
// closeLast instead of drawing.
//
// Curves take about one sample a device pixel, and every run of samples
// is sized by PointArray::fit first, so a huge radius never writes past
// the shared array. Missing arguments end a command silently.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>

#include "figure/Figure.h"
#include "frontend/Calc.h"

namespace vel {

namespace {

constexpr double kPi = std::numbers::pi;
// The last entry a curve's samples may reach before kinds 2 and 3 of the
// arcs append their two closing points (and a closed dashed stroke one more).
constexpr int kArcLastMax = 49998;
constexpr size_t kPval = 52;  // \pvalA

bool Patterned(const FigureState& f) { return (f.penStyle >= 1 && f.penStyle <= 5) || f.penStyle == 9; }
bool Turned(const State& st) { return st.font.textRotationDeg != 0; }
int Dimen(const FigureState& f) { return f.dimen == 3 ? 3 : 2; }

double Num(State& st, const std::vector<std::string>& a, size_t i) { return Calc(st, a[i]); }

void SelectClip(State& st) {
  if (st.canvas) st.canvas->setClip(st.fig.clipRegion);
}

Brush ClearOf(const Brush& b) { return Brush{BrushStyle::Clear, b.color, b.hatch, nullptr}; }

// A brush that is not solid, or none at all, draws no fill of its own.
void PrepareBrush(State& st) {
  if (!st.canvas) return;
  const Brush& b = st.canvas->brush();
  if (b.style != BrushStyle::Solid || st.fig.brushNone) st.canvas->setBrush(ClearOf(b));
}

// The brush and pen of a worker that changes them, put back when it ends.
struct KeepPenAndBrush {
  State& st;
  Pen pen;
  Brush brush;
  explicit KeepPenAndBrush(State& s) : st(s) {
    if (st.canvas) {
      pen = st.canvas->pen();
      brush = st.canvas->brush();
    }
  }
  ~KeepPenAndBrush() {
    if (!st.canvas) return;
    st.canvas->setPen(pen);
    st.canvas->setBrush(brush);
  }
  // The canvas's own primitives outline with the pen solid and no fill.
  void solidOutline() {
    if (!st.canvas) return;
    Pen p = st.canvas->pen();
    p.style = PenStyle::Solid;
    st.canvas->setPen(p);
    st.canvas->setBrush(ClearOf(st.canvas->brush()));
  }
};

// The polygon of point-array entries from..last.
Region PolygonOf(const FigureState& f, int from, int last) {
  std::vector<RegionPoint> pts;
  for (int k = std::max(from, 0); k <= last; ++k) {
    const Point p = f.points.get(size_t(k));
    pts.push_back({p.x, p.y});
  }
  return Region::polygon(std::move(pts));
}

// Steps 2 to 5 of a closed shape once its area region is set: the fill,
// the figure clip, then the outline (which the caller strokes).
void FillArea(State& st, Region area, int mode) {
  st.fig.areaRegion = std::move(area);
  Shasen(st, mode, false);
  SelectClip(st);
}

bool Put(State& st, int index, double x, double y) { return st.fig.points.set(size_t(index), xxyy(st, x, y)); }
// Entry `index` from a point already turned (xx and yy do not turn).
bool PutPlain(State& st, int index, double x, double y) {
  return st.fig.points.set(size_t(index), Point{xx(st, x), yy(st, y)});
}

// The user point at a[at] (projected in 3-D).
void ReadPoint(State& st, const std::vector<std::string>& a, size_t at, int dimen, double& x, double& y) {
  x = Num(st, a, at);
  y = Num(st, a, at + 1);
  if (dimen == 3) {
    ThreeToTwoDimen(st, x, y, Num(st, a, at + 2));
    x = st.fig.projU;
    y = st.fig.projV;
  }
}

// A sample count: the device length, at least 1, at most `most`.
int Samples(int pixels, int most) { return std::clamp(pixels, 1, std::max(most, 1)); }

std::string Fixed10(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.10f", std::isfinite(v) ? v : 0.0);
  return buf;
}

// The fill of a sector (withCentre) or a chord of the circle about (cx, cy)
// from angle t1 to t2: the circle's region cut by a polygon that holds the
// piece and no more of the circle.
void FillCirclePiece(State& st, double cx, double cy, double r, double t1, double t2, bool withCentre) {
  FigureState& f = st.fig;
  if (f.brushNone) return;
  f.areaRegion = Region::ellipse(xx(st, cx - r), yy(st, cy + r), xx(st, cx + r), yy(st, cy - r));
  const double d = (t2 - t1) / 8, far = r / std::cos(d);
  std::vector<RegionPoint> poly;
  auto at = [&](double t, double rr) { poly.push_back({xx(st, cx + rr * std::cos(t)), yy(st, cy + rr * std::sin(t))}); };
  at(t1, r);
  for (int j = 0; j < 4; ++j) at(t1 + (2 * j + 1) * d, far);
  at(t2, r);
  if (withCentre) poly.push_back({xx(st, cx), yy(st, cy)});
  f.auxRegion = Region::polygon(std::move(poly));
  Shasen(st, 2, false);
}

// Kind 3 of DoTakakukei: the graph points through fx, fy (and fz).
void Oresengraph(State& st, const std::vector<std::string>& a) {
  FigureState& f = st.fig;
  const int dimen = Dimen(f);
  if (f.closeMode || a.size() < size_t(dimen) + 2) return;
  const double first = Num(st, a, 0), last = Num(st, a, 1);
  const int start = std::max(0, FigInt(first) - 1);
  const int count = PointArray::fit(0, std::min<long long>(FigInt(last), f.graph.count) - start, 1);
  std::string fn[3];
  for (int c = 0; c < dimen; ++c) ShikiHenkan(a[size_t(2 + c)], char('x' + c), fn[c], "\\c");
  const std::array<double, 1000>* data[3] = {&f.graph.x, &f.graph.y, &f.graph.z};
  for (int i = 0; i < count; ++i) {
    double v[3] = {};
    for (int c = 0; c < dimen; ++c) {
      st.val.calcVarC = (*data[c])[size_t(start + i)];
      v[c] = Calc(st, fn[c]);
    }
    double x = v[0], y = v[1];
    if (dimen == 3) {
      ThreeToTwoDimen(st, v[0], v[1], v[2]);
      x = f.projU;
      y = f.projV;
    }
    Put(st, i, x, y);
  }
  SelectClip(st);
  MyLine(st, count - 1, false);
}

}  // namespace

void DoRect(State& st, const std::vector<std::string>& a) {
  FigureState& f = st.fig;
  SelectClip(st);
  if (f.dimen == 3 || f.closeMode || a.size() < 4 || a.size() == 5) return;
  double x1 = Num(st, a, 0), y1 = Num(st, a, 1), x2 = Num(st, a, 2), y2 = Num(st, a, 3);
  if (x1 > x2) std::swap(x1, x2);
  if (y1 < y2) std::swap(y1, y2);
  double rx = a.size() > 4 ? Num(st, a, 4) : 0, ry = a.size() > 4 ? Num(st, a, 5) : 0;
  if (x2 - x1 < 2 * rx) rx = (x2 - x1) / 2;
  if (y1 - y2 < 2 * ry) ry = (y1 - y2) / 2;
  PrepareBrush(st);
  if (!(rx > 0) || !(ry > 0)) {
    const double cx[5] = {x1, x1, x2, x2, x1}, cy[5] = {y1, y2, y2, y1, y1};
    for (int k = 0; k < 5; ++k) Put(st, k, cx[k], cy[k]);
    FillArea(st, Turned(st) ? PolygonOf(f, 0, 3) : Region::rect(xx(st, x1), yy(st, y1), xx(st, x2), yy(st, y2)), 1);
    MyLine(st, 4, false);
    return;
  }
  // Four quarter-ellipse runs of n+1 points and the start again: 4n+5
  // points, as many as the array holds at most.
  const int most = (PointArray::fit(0, 1LL << 40, 1) - 5) / 4;
  const int n = std::clamp(PixLen(st, rx, ry, rx + ry) / 2, 2, most);
  const double phi = (kPi / 2) / n;
  int k = 0;
  for (int i = 0; i <= n; ++i) Put(st, k++, x1 + rx - rx * std::cos(i * phi), y1 - ry + ry * std::sin(i * phi));
  for (int i = 0; i <= n; ++i) Put(st, k++, x2 - rx + rx * std::sin(i * phi), y1 - ry + ry * std::cos(i * phi));
  for (int i = 0; i <= n; ++i) Put(st, k++, x2 - rx + rx * std::cos(i * phi), y2 + ry - ry * std::sin(i * phi));
  for (int i = 0; i <= n; ++i) Put(st, k++, x1 + rx - rx * std::sin(i * phi), y2 + ry - ry * std::cos(i * phi));
  Put(st, k, x1, y1 - ry);
  const Region area = Turned(st) ? PolygonOf(f, 0, 4 * n + 3)
                                 : Region::roundRect(xx(st, x1), yy(st, y1), xx(st, x2) + 1, yy(st, y2) + 1,
                                                     PixLen(st, 1, 0, 2 * rx), PixLen(st, 0, 1, 2 * ry));
  FillArea(st, area, 1);
  MyLine(st, 4 * n + 4, false);
}

void DoHeikoShihen(State& st, const std::vector<std::string>& a) {
  FigureState& f = st.fig;
  SelectClip(st);
  if (f.closeMode || a.empty() || (a[0] != "v" && a[0] != "vl")) return;
  const int dimen = Dimen(f);
  const size_t d = size_t(dimen);
  const bool scaled = a[0] == "vl";
  if (a.size() < 3 * d + 2 + (scaled ? 2 : 0)) return;
  double p[3] = {}, u[3] = {}, v[3] = {};
  for (size_t k = 0; k < d; ++k) {
    p[k] = Num(st, a, 1 + k);
    u[k] = Num(st, a, 1 + d + k);
    v[k] = Num(st, a, 1 + 2 * d + k);
  }
  // The mode is a plain integer: its leading digits.
  const int mode = std::atoi(a[1 + 3 * d].c_str());
  if (scaled) {
    const double la = Num(st, a, 2 + 3 * d), lb = Num(st, a, 3 + 3 * d);
    const double nu = std::sqrt(u[0] * u[0] + u[1] * u[1] + u[2] * u[2]);
    const double nv = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    // A vector without length has no direction to rescale along.
    if (!(nu > 0) || !(nv > 0)) return;
    for (size_t k = 0; k < 3; ++k) {
      u[k] *= la / nu;
      v[k] *= lb / nv;
    }
  }
  if (dimen == 3) {
    // The projection is linear: edge vectors project as vectors.
    for (double* w : {p, u, v}) {
      ThreeToTwoDimen(st, w[0], w[1], w[2]);
      w[0] = f.projU;
      w[1] = f.projV;
    }
  }
  if (mode == 2) {
    Put(st, 0, p[0] + u[0], p[1] + u[1]);
    Put(st, 1, p[0] + u[0] + v[0], p[1] + u[1] + v[1]);
    Put(st, 2, p[0] + v[0], p[1] + v[1]);
    MyLine(st, 2, false);
    return;
  }
  Put(st, 0, p[0], p[1]);
  Put(st, 1, p[0] + u[0], p[1] + u[1]);
  Put(st, 2, p[0] + u[0] + v[0], p[1] + u[1] + v[1]);
  Put(st, 3, p[0] + v[0], p[1] + v[1]);
  PrepareBrush(st);
  FillArea(st, PolygonOf(f, 0, 3), 1);
  MyLine(st, 3, true);
}

void DoTakakukei(State& st, const std::vector<std::string>& a, int kind) {
  FigureState& f = st.fig;
  if (f.polylineMode || (f.closeMode && kind != 2)) return;
  SelectClip(st);
  if (kind == 3) return Oresengraph(st, a);
  const int dimen = Dimen(f);
  const int start = f.closeMode ? f.closeLast + 1 : 0;
  const int count = PointArray::fit(start, static_cast<long long>(a.size() / size_t(dimen)), 2);
  for (int k = 0; k < count; ++k) {
    double x, y;
    ReadPoint(st, a, size_t(k) * size_t(dimen), dimen, x, y);
    Put(st, start + k, x, y);
  }
  if (kind == 2) {
    if (f.closeMode) f.closeLast = start + count - 1;
    else MyLine(st, count - 1, false);
    return;
  }
  if (count == 0) return;
  PrepareBrush(st);
  FillArea(st, PolygonOf(f, 0, count - 1), 1);
  MyLine(st, count - 1, true);
}

void DoOresengraph(State& st, const std::vector<std::string>& a) { DoTakakukei(st, a, 3); }

void DoEllipse(State& st, const std::vector<std::string>& a) {
  FigureState& f = st.fig;
  SelectClip(st);
  if (f.dimen == 3 || f.closeMode || a.size() < 5 || !st.canvas) return;
  const double cx = Num(st, a, 0), cy = Num(st, a, 1), ea = Num(st, a, 2), eb = Num(st, a, 3), phi = Num(st, a, 4);
  KeepPenAndBrush keep(st);
  PrepareBrush(st);
  if (phi != 0 || Patterned(f) || Turned(st)) {
    const int count = Samples(PixLen(st, ea, eb, 4 * (std::fabs(ea) + std::fabs(eb))), PointArray::fit(0, 50000, 2));
    const double c = std::cos(phi), s = std::sin(phi);
    for (int i = 0; i < count; ++i) {
      const double t = 2 * kPi * i / count;
      Put(st, i, cx + ea * c * std::cos(t) - eb * s * std::sin(t), cy + ea * s * std::cos(t) + eb * c * std::sin(t));
    }
    FillArea(st, PolygonOf(f, 0, count - 1), 1);
    MyLine(st, count - 1, true);
    return;
  }
  const double ra = std::fabs(ea), rb = std::fabs(eb);
  const int l = xx(st, cx - ra), t = yy(st, cy + rb), r = xx(st, cx + ra), b = yy(st, cy - rb);
  FillArea(st, Region::ellipse(l, t, r, b), 1);
  keep.solidOutline();
  st.canvas->ellipse(l, t, r, b);
}

void DoCircle(State& st, const std::vector<std::string>& a) {
  FigureState& f = st.fig;
  SelectClip(st);
  if (f.closeMode || !st.canvas) return;
  if (f.dimen == 3) {
    if (a.size() < 7) return;
    const double cx = Num(st, a, 0), cy = Num(st, a, 1), cz = Num(st, a, 2), r = Num(st, a, 3);
    const double nx = Num(st, a, 4), ny = Num(st, a, 5), nz = Num(st, a, 6);
    const double len = std::sqrt(nx * nx + ny * ny + nz * nz);
    // A zero normal names no plane: nothing to draw.
    if (!(len > 0) || !std::isfinite(len)) return;
    const double al = f.rotZ, be = f.rotY;
    ThreeToTwoDimen(st, cx, cy, cz);
    const double u = f.projU, v = f.projV;
    const double nd = std::cos(al) * std::cos(be) * nx + std::sin(al) * std::cos(be) * ny + std::sin(be) * nz;
    const double nu = -std::sin(al) * nx + std::cos(al) * ny;
    const double nv = -std::sin(be) * std::cos(al) * nx - std::sin(be) * std::sin(al) * ny + std::cos(be) * nz;
    const double along = r * nd / len, psi = std::atan2(nv, nu);
    std::array<double, 5> out = {u, v, along, r, psi};
    const char names[5] = {'X', 'Y', 'A', 'B', 'T'};
    for (int k = 0; k < 5; ++k) st.val.registers[kPval + size_t(names[k] - 'A')] = out[size_t(k)];
    std::vector<std::string> args;
    for (double w : out) args.push_back(Fixed10(w));
    f.dimen = 2;
    DoEllipse(st, args);
    f.dimen = 3;
    return;
  }
  if (a.size() < 3) return;
  double cx = Num(st, a, 0), cy = Num(st, a, 1);
  const double r = Num(st, a, 2);
  if (Turned(st)) {
    Rotxy(st, cx, cy);
    cx = f.rotatedX;
    cy = f.rotatedY;
  }
  KeepPenAndBrush keep(st);
  PrepareBrush(st);
  const int l = xx(st, cx - r), t = yy(st, cy + r), rt = xx(st, cx + r), b = yy(st, cy - r);
  FillArea(st, Region::ellipse(l, t, rt, b), 1);
  if (Patterned(f)) {
    const int count = Samples(PixLen(st, 1, 1, 2 * kPi * std::fabs(r)), PointArray::fit(0, 50001, 1) - 1);
    for (int i = 0; i <= count; ++i) {
      const double th = 2 * kPi * i / count;
      PutPlain(st, i, cx + r * std::cos(th), cy + r * std::sin(th));
    }
    MyLine(st, count, true);
    return;
  }
  keep.solidOutline();
  st.canvas->ellipse(l, t, rt, b);
}

void DoCircleArc(State& st, const std::vector<std::string>& a, int kind) {
  FigureState& f = st.fig;
  SelectClip(st);
  if (f.dimen == 3 || f.polylineMode || (f.closeMode && kind != 1) || a.size() < 7 || !st.canvas) return;
  double cx = Num(st, a, 0), cy = Num(st, a, 1);
  const double r = std::fabs(Num(st, a, 2));
  double u1x = Num(st, a, 3), u1y = Num(st, a, 4), u2x = Num(st, a, 5), u2y = Num(st, a, 6);
  if (Turned(st)) {
    double* turn[3][2] = {{&cx, &cy}, {&u1x, &u1y}, {&u2x, &u2y}};
    for (auto& w : turn) {
      Rotxy(st, *w[0], *w[1]);
      *w[0] = f.rotatedX;
      *w[1] = f.rotatedY;
    }
  }
  const bool reverse = kind == 1 && a.size() > 7 && a[7] == "r";
  if (reverse) {
    std::swap(u1x, u2x);
    std::swap(u1y, u2y);
  }
  const int l = xx(st, cx - r), t = yy(st, cy + r), rt = xx(st, cx + r), b = yy(st, cy - r);
  const int r1x = xx(st, cx + u1x), r1y = yy(st, cy + u1y), r2x = xx(st, cx + u2x), r2y = yy(st, cy + u2y);
  const double t1 = std::atan2(u1y, u1x);
  double t2 = std::atan2(u2y, u2x);
  if (t2 < t1) t2 += 2 * kPi;
  KeepPenAndBrush keep(st);
  PrepareBrush(st);
  if (Patterned(f) || f.closeMode) {
    const int start = f.closeMode ? f.closeLast + 1 : 0;
    // No room left in the array: nothing joins the area.
    const int room = PointArray::fit(start, kArcLastMax - start + 1, int(PointArray::kCapacity) - kArcLastMax - 1);
    if (room < 2) return;
    const int count = Samples(PixLen(st, std::cos(t2) - std::cos(t1), std::sin(t2) - std::sin(t1), r * (t2 - t1)), room - 1);
    for (int i = 0; i <= count; ++i) {
      const double th = t1 + i * (t2 - t1) / count;
      PutPlain(st, start + (reverse ? count - i : i), cx + r * std::cos(th), cy + r * std::sin(th));
    }
    if (f.closeMode) {
      f.closeLast = start + count;
      return;
    }
    if (kind == 1) return MyLine(st, count, false);
    int last = count;
    if (kind == 2) PutPlain(st, ++last, cx, cy);
    f.points.set(size_t(++last), f.points.get(0));
    FillCirclePiece(st, cx, cy, r, t1, t2, kind == 2);
    SelectClip(st);
    st.canvas->setBrush(ClearOf(st.canvas->brush()));
    MyLine(st, last, true);
    return;
  }
  if (kind != 1) FillCirclePiece(st, cx, cy, r, t1, t2, kind == 2);
  SelectClip(st);
  keep.solidOutline();
  if (kind == 1) st.canvas->arc(l, t, rt, b, r1x, r1y, r2x, r2y);
  else if (kind == 2) st.canvas->pie(l, t, rt, b, r1x, r1y, r2x, r2y);
  else st.canvas->chord(l, t, rt, b, r1x, r1y, r2x, r2y);
}

void DoEllipseArc(State& st, const std::vector<std::string>& a, int kind) {
  FigureState& f = st.fig;
  SelectClip(st);
  if (f.dimen == 3 || f.polylineMode || (f.closeMode && kind != 1) || a.size() < 9 || !st.canvas) return;
  const double cx = Num(st, a, 0), cy = Num(st, a, 1), ea = Num(st, a, 2), eb = Num(st, a, 3), phi = Num(st, a, 4);
  double u1x = Num(st, a, 5), u1y = Num(st, a, 6), u2x = Num(st, a, 7), u2y = Num(st, a, 8);
  const bool reverse = kind == 1 && a.size() > 9 && a[9] == "r";
  if (reverse) {
    std::swap(u1x, u2x);
    std::swap(u1y, u2y);
  }
  auto param = [&](double ux, double uy) {
    const double th = std::atan2(uy, ux) - phi;
    return std::atan2(ea * std::sin(th), eb * std::cos(th));
  };
  const double t1 = param(u1x, u1y);
  double t2 = param(u2x, u2y);
  if (t2 < t1) t2 += 2 * kPi;
  const bool native = phi == 0 && !Patterned(f) && !f.closeMode && !Turned(st);
  const double ra = std::fabs(ea), rb = std::fabs(eb);
  const int l = xx(st, cx - ra), t = yy(st, cy + rb), rt = xx(st, cx + ra), b = yy(st, cy - rb);
  const int r1x = xx(st, cx + u1x), r1y = yy(st, cy + u1y), r2x = xx(st, cx + u2x), r2y = yy(st, cy + u2y);
  KeepPenAndBrush keep(st);
  PrepareBrush(st);
  if (native && kind == 1) {
    keep.solidOutline();
    st.canvas->arc(l, t, rt, b, r1x, r1y, r2x, r2y);
    return;
  }
  const int start = f.closeMode ? f.closeLast + 1 : 0;
  const int room = PointArray::fit(start, kArcLastMax - start + 1, int(PointArray::kCapacity) - kArcLastMax - 1);
  if (room < 2) return;
  const int count = Samples(PixLen(st, 1, 1, (t2 - t1) / (2 * kPi) * 4 * (ra + rb)), room - 1);
  const double c = std::cos(phi), s = std::sin(phi);
  auto at = [&](int index, double tt) {
    Put(st, index, cx + ea * c * std::cos(tt) - eb * s * std::sin(tt), cy + ea * s * std::cos(tt) + eb * c * std::sin(tt));
  };
  for (int i = 0; i <= count; ++i) at(start + (reverse ? count - i : i), t1 + i * (t2 - t1) / count);
  int last = start + count;
  if (kind == 2) Put(st, ++last, cx, cy);
  if (kind != 1) f.points.set(size_t(++last), f.points.get(size_t(start)));
  if (f.closeMode) {
    f.closeLast = last;
    return;
  }
  if (kind != 1) FillArea(st, PolygonOf(f, 0, last), 1);
  SelectClip(st);
  st.canvas->setBrush(ClearOf(st.canvas->brush()));
  if (!native) return MyLine(st, last, kind != 1);
  keep.solidOutline();
  if (kind == 2) st.canvas->pie(l, t, rt, b, r1x, r1y, r2x, r2y);
  else st.canvas->chord(l, t, rt, b, r1x, r1y, r2x, r2y);
}

namespace {

// A circle's arc counter-clockwise from P1 to P2 about Z, all in one
// plane: user units (user true) or layout units with y up. Drawn by the
// canvas's arc when nothing would make it differ, else sampled.
void ArcAbout(State& st, double zx, double zy, double R, double p1x, double p1y, double p2x, double p2y, bool user) {
  FigureState& f = st.fig;
  const double S = st.draw.scale;
  auto device = [&](double x, double y) {
    return user ? xxyy(st, x, y) : Point{FigInt(x * S + 0.5), FigInt(-y * S + 0.5)};
  };
  const bool native = !Patterned(f) && !f.closeMode && !Turned(st) && (!user || f.scaleX == f.scaleY);
  if (native) {
    KeepPenAndBrush keep(st);
    keep.solidOutline();
    const Point tl = device(zx - R, zy + R), br = device(zx + R, zy - R), a = device(p1x, p1y), b = device(p2x, p2y);
    st.canvas->arc(tl.x, tl.y, br.x, br.y, a.x, a.y, b.x, b.y);
    return;
  }
  const double t1 = std::atan2(p1y - zy, p1x - zx);
  double t2 = std::atan2(p2y - zy, p2x - zx);
  if (t2 < t1) t2 += 2 * kPi;
  const int start = f.closeMode ? f.closeLast + 1 : 0;
  const int room = PointArray::fit(start, 50001, 1);
  if (room < 2) return;
  const double dx = std::cos(t2) - std::cos(t1), dy = std::sin(t2) - std::sin(t1);
  const int pixels = user ? PixLen(st, dx, dy, R * (t2 - t1)) : FigInt(R * (t2 - t1) * S + 0.5);
  const int count = Samples(pixels, room - 1);
  for (int i = 0; i <= count; ++i) {
    const double th = t1 + i * (t2 - t1) / count;
    f.points.set(size_t(start + i), device(zx + R * std::cos(th), zy + R * std::sin(th)));
  }
  if (f.closeMode) f.closeLast = start + count;
  else MyLine(st, count, false);
}

}  // namespace

void DoSpecialArcA(State& st, double x1, double y1, double x2, double y2, double s) {
  const double dx = x2 - x1, dy = y2 - y1, L = std::hypot(dx, dy);
  // No height or no chord: no circle through the two points.
  if (s == 0 || !(L > 0) || !std::isfinite(s)) return;
  const double k = (L * L / 4 - s * s) / (2 * s);
  const double zx = (x1 + x2) / 2 + k * -dy / L, zy = (y1 + y2) / 2 + k * dx / L;
  ArcAbout(st, zx, zy, s + k, x1, y1, x2, y2, true);
}

void DoSpecialArcB(State& st, double x1, double y1, double x2, double y2, double R) {
  const double dx = x2 - x1, dy = y2 - y1, L = std::hypot(dx, dy);
  if (!(L > 0) || !(R >= L / 2) || !std::isfinite(R)) return;
  const double h = std::sqrt(R * R - L * L / 4);
  const double zx = (x1 + x2) / 2 + h * -dy / L, zy = (y1 + y2) / 2 + h * dx / L;
  ArcAbout(st, zx, zy, R, x1, y1, x2, y2, true);
}

void DoSpecialArcC(State& st, double x1, double y1, double x2, double y2, int s) {
  // Layout units with y up; the sagitta is a physical length.
  const double X1 = XX(st, x1), Y1 = -double(YY(st, y1)), X2 = XX(st, x2), Y2 = -double(YY(st, y2));
  const double dx = X2 - X1, dy = Y2 - Y1, L = std::hypot(dx, dy);
  if (s == 0 || !(L > 0)) return;
  const double k = (L * L / 4 - double(s) * s) / (2.0 * s);
  const double zx = (X1 + X2) / 2 + k * -dy / L, zy = (Y1 + Y2) / 2 + k * dx / L;
  ArcAbout(st, zx, zy, s + k, X1, Y1, X2, Y2, false);
}

void DoSpecialArc(State& st, const std::vector<std::string>& a) {
  FigureState& f = st.fig;
  SelectClip(st);
  const int dimen = Dimen(f);
  if (f.polylineMode || a.empty() || a[0].empty() || a.size() < 2 * size_t(dimen) + 2) return;
  const std::string& form = a[0];
  if (form[0] != 'r' && form[0] != 'd') return;
  const bool swap = form.size() > 1 && form[1] == 'r';
  // The d forms take no other second letter.
  if (form[0] == 'd' && form.size() > 1 && !swap) return;
  double x1, y1, x2, y2;
  ReadPoint(st, a, 1, dimen, x1, y1);
  ReadPoint(st, a, 1 + size_t(dimen), dimen, x2, y2);
  if (swap) {
    std::swap(x1, x2);
    std::swap(y1, y2);
  }
  const std::string& value = a[1 + 2 * size_t(dimen)];
  if (form[0] == 'r') return DoSpecialArcB(st, x1, y1, x2, y2, Calc(st, value));
  const int layout = UnitToPix(st, value);
  if (st.val.unitGiven || st.val.lengthVarUsed) return DoSpecialArcC(st, x1, y1, x2, y2, layout);
  DoSpecialArcA(st, x1, y1, x2, y2, Calc(st, value));
}

}  // namespace vel
