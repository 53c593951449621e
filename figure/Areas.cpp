// Areas no single shape gives: \makearea cuts the figure box down by
// inequalities (y > f(x), x < g(y)) and by circles, ellipses and polygons
// (each may be subtracted with \out), \closedcurve bounds an area by a
// chain of points, parametric pieces and function graphs. Both fill
// through Shasen; only the closed curve is outlined.
//
// Boundaries are sampled every 0.2 mm on paper, within the figure box (an
// inequality's bounds are clamped to it, so a bound far away costs
// nothing) and at most kMaxAreaSamples times; a parametric piece takes at
// most kMaxParamSteps steps and the whole curve kMaxCurvePoints points.
// Values that do not evaluate to a number end up on the box's edge, never
// as wild coordinates.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "base/Units.h"
#include "figure/Figure.h"
#include "frontend/Calc.h"
#include "frontend/Lexical.h"

namespace vel {

namespace {

constexpr double kSampleStep = units::kPerMM * 0.2;  // layout units on paper

// formula with the free letter var replaced by \c, evaluated at c.
double AtC(State& st, const std::string& formula, char var, double c) {
  std::string replaced;
  ShikiHenkan(formula, var, replaced, "\\c");
  st.val.calcVarC = c;
  return Calc(st, replaced);
}

// The group of a shape item (\circle{...}): its name and its arguments.
bool ShapeItem(std::string_view item, std::string& name, std::vector<std::string>& args) {
  size_t k = 1;
  while (k < item.size() && std::isalpha(static_cast<unsigned char>(item[k]))) ++k;
  name = std::string(item.substr(1, k - 1));
  while (k < item.size() && item[k] == ' ') ++k;
  if (k >= item.size() || item[k] != '{') return false;
  const size_t close = GetGroup(item, k);
  if (close == std::string::npos) return false;
  StrTok(item.substr(k + 1, close - k - 1), ",", args);
  return true;
}

// The region of \circle, \ellipse or \polygon; false for any other name
// or too few numbers (the item then counts as nothing).
bool ShapeRegion(State& st, const std::string& name, std::vector<std::string>& a, Region& out) {
  auto num = [&](size_t i) { return Calc(st, a[i]); };
  if (name == "circle") {
    if (a.size() < 3) return false;
    const double r = std::fabs(num(2));
    const Point c = xxyy(st, num(0), num(1));  // the centre turns with the text
    const int rx = PixLen(st, 1, 0, r), ry = PixLen(st, 0, 1, r);
    out = Region::ellipse(c.x - rx, c.y - ry, c.x + rx, c.y + ry);
    return true;
  }
  if (name == "ellipse") {
    if (a.size() < 5) return false;
    const double cx = num(0), cy = num(1), ea = num(2), eb = num(3), phi = num(4);
    if (phi == 0 && st.font.textRotationDeg == 0) {
      out = Region::ellipse(xx(st, cx - ea), yy(st, cy + eb), xx(st, cx + ea), yy(st, cy - eb));
      return true;
    }
    const int count = std::clamp(PixLen(st, ea, eb, 4 * (std::fabs(ea) + std::fabs(eb))), 1, kMaxCurvePoints);
    std::vector<RegionPoint> pts;
    for (int i = 0; i < count; ++i) {
      const double t = 2 * std::numbers::pi * i / count;
      const Point p = xxyy(st, cx + ea * std::cos(phi) * std::cos(t) - eb * std::sin(phi) * std::sin(t),
                           cy + ea * std::sin(phi) * std::cos(t) + eb * std::cos(phi) * std::sin(t));
      pts.push_back({p.x, p.y});
    }
    out = Region::polygon(std::move(pts));
    return true;
  }
  if (name == "polygon") {
    // Only \polygon's own items may hold point references (\P(A)).
    ToRealPoint(st, a);
    std::vector<RegionPoint> pts;
    for (size_t i = 0; i + 1 < a.size() && pts.size() < size_t(kMaxCurvePoints); i += 2) {
      const Point p = xxyy(st, num(i), num(i + 1));
      pts.push_back({p.x, p.y});
    }
    if (pts.size() < 3) return false;
    out = Region::polygon(std::move(pts));
    return true;
  }
  return false;
}

// v op expr[,from,to]: the part of the plane on the op side of the curve,
// as a polygon closed one device pixel outside the box. False when the
// letter or the operator is not one of x, y and >, <.
bool Inequality(State& st, const std::string& item, Region& out) {
  FigureState& f = st.fig;
  size_t k = 0;
  if (item.empty() || (item[0] != 'x' && item[0] != 'y')) return false;
  const char v = item[0];
  for (k = 1; k < item.size() && item[k] == ' ';) ++k;
  if (k >= item.size() || (item[k] != '>' && item[k] != '<')) return false;
  const bool greater = item[k] == '>';
  ++k;
  if (k < item.size() && item[k] == '=') ++k;  // >= is >
  std::vector<std::string> parts;
  StrTok(std::string_view(item).substr(k), ",", parts);
  if (parts.empty()) return false;
  // The last two items are the bounds when there are at least three.
  const bool bounded = parts.size() >= 3;
  std::string expr = parts[0];
  for (size_t i = 1; i + (bounded ? 2 : 0) < parts.size(); ++i) expr += "," + parts[i];
  // The free variable runs along the other axis; so do the bounds.
  const bool alongX = v == 'y';
  const double lo = alongX ? f.xMin : f.yMin, hi = alongX ? f.xMax : f.yMax;
  double from = lo, to = hi;
  if (bounded) {
    from = Calc(st, parts[parts.size() - 2]);
    to = Calc(st, parts[parts.size() - 1]);
    if (from > to) std::swap(from, to);
    // Outside the box nothing shows: the samples stay within it.
    from = std::max(from, lo);
    to = std::min(to, hi);
  }
  if (!(from <= to) || !std::isfinite(from) || !std::isfinite(to)) {
    out = Region();  // nothing of the box is on that side
    return true;
  }
  const double scale = alongX ? f.scaleX : f.scaleY, across = alongX ? f.scaleY : f.scaleX;
  double step = kSampleStep / scale;
  if (!(step > 0) || !std::isfinite(step)) {
    out = Region();
    return true;
  }
  long long count = static_cast<long long>((to - from) / step + 1);
  if (count > kMaxAreaSamples) {
    count = kMaxAreaSamples;
    step = (to - from) / (count - 1);
  }
  // One device pixel beyond the box, on the side the area lies.
  const double pixel = 1 / (st.draw.scale * across);
  const double lowOut = (alongX ? f.yMin : f.xMin) - pixel, highOut = (alongX ? f.yMax : f.xMax) + pixel;
  const double outside = greater ? highOut : lowOut;
  std::vector<RegionPoint> pts;
  auto put = [&](double along, double value) {
    // Not a number, or far off: on the box's edge (just outside it).
    if (!(value == value)) value = outside;
    value = std::clamp(value, lowOut, highOut);
    const Point p = alongX ? xxyy(st, along, value) : xxyy(st, value, along);
    pts.push_back({p.x, p.y});
  };
  put(from, outside);
  for (long long i = 0; i < count; ++i) {
    const double c = from + double(i) * step;
    put(c, AtC(st, expr, alongX ? 'x' : 'y', c));
  }
  put(to, AtC(st, expr, alongX ? 'x' : 'y', to));
  put(to, outside);
  out = Region::polygon(std::move(pts));
  return true;
}

struct UserPt {
  double x = 0, y = 0;
};

}  // namespace

void DoMakeArea(State& st, const std::vector<std::string>& args) {
  FigureState& f = st.fig;
  if (f.closeMode || f.dimen == 3 || !st.canvas || !f.clipRegion) return;
  Region clip = *f.clipRegion;
  bool any = false;
  for (const std::string& item : args) {
    if (item.empty()) continue;
    any = true;
    if (item[0] == '\\') {
      const bool out = item.rfind("\\out\\", 0) == 0;
      std::string name;
      std::vector<std::string> a;
      Region r;
      if (!ShapeItem(std::string_view(item).substr(out ? 4 : 0), name, a) || !ShapeRegion(st, name, a, r)) continue;
      clip = clip.combined(r, out ? Region::Op::Diff : Region::Op::And);
      continue;
    }
    Region r;
    if (!Inequality(st, item, r)) return;  // an unknown letter or operator: nothing is filled
    clip = clip.combined(r, Region::Op::And);
  }
  if (!any) return;
  // \closemode{out}: the rest of the figure.
  if (f.closeModeSide == 1) clip = f.clipRegion->combined(clip, Region::Op::Xor);
  st.canvas->setClip(clip);
  Shasen(st, 1, true);
  st.canvas->setClip(f.clipRegion);
}

void DoClosedCurve(State& st, const std::vector<std::string>& a) {
  FigureState& f = st.fig;
  if (f.closeMode) return;
  const bool three = f.dimen == 3;
  int count = 0;
  UserPt current;
  // Appends a user point (a 3-D one projected); false once the list is full.
  auto add = [&](double x, double y, double z) {
    if (count >= kMaxCurvePoints) return false;
    if (three) {
      ThreeToTwoDimen(st, x, y, z);
      x = f.projU;
      y = f.projV;
    }
    f.points.set(size_t(count++), xxyy(st, x, y));
    return true;
  };
  size_t i = 0;
  bool more = true;
  while (more && i < a.size()) {
    const std::string& piece = a[i];
    const size_t equals = std::count(piece.begin(), piece.end(), '=');
    if (equals == 0) {
      // A point: its coordinates are the next items.
      const size_t n = three ? 3 : 2;
      if (i + n > a.size()) break;
      const double x = Calc(st, a[i]), y = Calc(st, a[i + 1]), z = three ? Calc(st, a[i + 2]) : 0;
      current = {x, y};
      more = add(x, y, z);
      i += n;
      continue;
    }
    if (equals >= 2) {
      // x=X(t);y=Y(t)[;z=Z(t)];t0;t1;n
      std::vector<std::string> parts;
      StrTok(piece, ";", parts);
      const size_t n = three ? 6 : 5;
      if (parts.size() < n) break;
      std::string fx[3];
      for (size_t k = 0; k + 3 < n; ++k) {
        const size_t eq = parts[k].find('=');
        if (eq == std::string::npos) {
          more = false;
          break;
        }
        fx[k] = parts[k].substr(eq + 1);
      }
      if (!more) break;
      const double t0 = Calc(st, parts[n - 3]), t1 = Calc(st, parts[n - 2]);
      const double steps = std::min<double>(Calc(st, parts[n - 1]), kMaxParamSteps);
      const int m = steps >= 1 ? static_cast<int>(steps) : 0;
      auto at = [&](double t, double& x, double& y, double& z) {
        x = AtC(st, fx[0], 't', t);
        y = AtC(st, fx[1], 't', t);
        z = three ? AtC(st, fx[2], 't', t) : 0;
      };
      double x, y, z;
      // No steps: the end point alone (there is nothing to divide by).
      for (int s = 0; s <= m && more; ++s) {
        at(m == 0 ? t1 : t0 + s * (t1 - t0) / m, x, y, z);
        more = add(x, y, z);
      }
      at(t1, x, y, z);
      current = {x, y};
      ++i;
      continue;
    }
    // y=f(x),xe,ye or x=g(y),xe,ye: a graph from the current point, 2-D
    // only and never first.
    if (three || count == 0 || i + 3 > a.size()) break;
    const size_t eq = piece.find('=');
    const std::string lhs = Trim(std::string_view(piece).substr(0, eq));
    const std::string rhs = piece.substr(eq + 1);
    if (lhs != "x" && lhs != "y") break;
    const bool ofX = lhs == "y";
    const double xe = Calc(st, a[i + 1]), ye = Calc(st, a[i + 2]);
    const double start = ofX ? current.x : current.y, end = ofX ? xe : ye;
    const double step = std::copysign(kSampleStep / (ofX ? f.scaleX : f.scaleY), end - start);
    const double span = (end - start) / step + 1;
    const long long n = std::isfinite(span) ? static_cast<long long>(std::clamp(span, 0.0, double(kMaxCurvePoints))) : 0;
    for (long long k = 0; k < n && more; ++k) {
      const double c = start + double(k) * step, w = AtC(st, rhs, ofX ? 'x' : 'y', c);
      more = ofX ? add(c, w, 0) : add(w, c, 0);
    }
    current = {xe, ye};
    i += 3;
  }
  // Fewer than three points enclose nothing: no fill, no outline.
  if (count < 3) return;
  if (st.canvas && (st.canvas->brush().style != BrushStyle::Solid || f.brushNone))
    st.canvas->setBrush(Brush{BrushStyle::Clear, st.canvas->brush().color, Hatch::Horizontal, nullptr});
  std::vector<RegionPoint> outline;
  for (int k = 0; k < count; ++k) {
    const Point p = f.points.get(size_t(k));
    outline.push_back({p.x, p.y});
  }
  f.areaRegion = Region::polygon(std::move(outline));
  Shasen(st, 1, false);
  if (st.canvas) st.canvas->setClip(f.clipRegion);
  MyLine(st, count - 1, true);
}

}  // namespace vel
