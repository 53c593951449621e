#include "math/MathDelimiters.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "base/Units.h"
#include "math/MathLayout.h"
#include "math/MathSigns.h"

namespace vel {

namespace {

constexpr double kMM = units::kPerMM;

struct Pt {
  double across, down;
};

// Pen and brush come back as they were.
class ShapeScope {
 public:
  explicit ShapeScope(State& st) : st_(st), pen_(st.canvas->pen()), brush_(st.canvas->brush()) {}
  ~ShapeScope() {
    st_.canvas->setPen(pen_);
    st_.canvas->setBrush(brush_);
  }

 private:
  State& st_;
  Pen pen_;
  Brush brush_;
};

// Filled and outlined in the font colour: a polygon, or with `curves` an
// outline of cubic Bezier pieces (a start, then two controls and an end per
// piece).
void FillOutline(State& st, double x0, double y0, const std::vector<Pt>& outline, bool curves = false) {
  std::vector<Point> v;
  v.reserve(outline.size());
  for (const Pt& p : outline) v.push_back(TurnedPoint(st, x0, y0, p.across, p.down));
  Brush solid;
  solid.color = st.chr.font.color;
  st.canvas->setPen(Pen{1, st.chr.font.color, PenStyle::Solid});
  st.canvas->setBrush(solid);
  if (curves) st.canvas->bezierPolygon(v);
  else st.canvas->polygon(v);
}

void Polyline(State& st, double x0, double y0, int width, const std::vector<Pt>& pts) {
  std::vector<Point> v;
  for (const Pt& p : pts) v.push_back(TurnedPoint(st, x0, y0, p.across, p.down));
  st.canvas->setPen(Pen{std::max(1, width), st.chr.font.color, PenStyle::Solid});
  st.canvas->polyline(v);
}

void StraightPiece(std::vector<Pt>& out, Pt to) {
  const Pt from = out.back();
  out.push_back(from);
  out.push_back(to);
  out.push_back(to);
}

// The pieces of a curve whose both coordinates are polynomials of degree at
// most two in its parameter (a parabola, a line): one piece, exactly.
template <typename F>
void QuadraticPiece(std::vector<Pt>& out, F f, double from, double to) {
  const Pt p0 = f(from), p2 = f(to), mid = f((from + to) / 2);
  const Pt q{2 * mid.across - (p0.across + p2.across) / 2, 2 * mid.down - (p0.down + p2.down) / 2};
  out.push_back({p0.across + 2 * (q.across - p0.across) / 3, p0.down + 2 * (q.down - p0.down) / 3});
  out.push_back({p2.across + 2 * (q.across - p2.across) / 3, p2.down + 2 * (q.down - p2.down) / 3});
  out.push_back(p2);
}

// A circular arc through (chordX, 0) and (chordX, 2L) with sagitta s,
// bulging to the left (dir -1) or right (dir 1), from top to bottom (or
// bottom to top when `upward`), in Bezier pieces of at most a quarter turn
// each. The start is pushed only when `out` is empty.
void Arc(std::vector<Pt>& out, double chordX, int a, double s, int dir, bool upward) {
  const double L = a / 2;  // integer halving, as the sign's chord is whole units
  const Pt top{chordX, 0}, bottom{chordX, 2 * L};
  if (out.empty()) out.push_back(upward ? bottom : top);
  if (s <= 0) {
    StraightPiece(out, upward ? top : bottom);
    return;
  }
  const double w = (L * L - s * s) / (2 * s), M = s + w, N = std::atan2(L, w);
  auto at = [&](double phi) { return Pt{chordX - dir * w + dir * M * std::cos(phi), L + M * std::sin(phi)}; };
  // The derivative along the arc, per radian.
  auto along = [&](double phi) { return Pt{-dir * M * std::sin(phi), M * std::cos(phi)}; };
  const int pieces = std::max(1, static_cast<int>(std::ceil(2 * N / (std::acos(-1.0) / 2))));
  const double step = (upward ? -2 * N : 2 * N) / pieces, k = 4.0 / 3.0 * std::tan(step / 4);
  double phi = upward ? N : -N;
  for (int i = 0; i < pieces; ++i, phi += step) {
    const Pt p0 = at(phi), p1 = at(phi + step), d0 = along(phi), d1 = along(phi + step);
    out.push_back({p0.across + k * d0.across, p0.down + k * d0.down});
    out.push_back({p1.across - k * d1.across, p1.down - k * d1.down});
    out.push_back(p1);
  }
}

struct BraceSize {
  double m, t, e, h;
};

BraceSize BraceParameters(double a, bool bold) {
  BraceSize p;
  if (a <= 6 * kMM) {
    p = {0.5, 0.4, 0.025 * a, 0.25 * a};
    if (bold) p.e *= 1.4;
  } else {
    p.m = std::min(0.9, (a / 2) / (6 * kMM));
    p.t = std::min(0.5, 0.4 * a / (6 * kMM));
    p.e = std::min(0.025 * a, 0.5 * kMM);
    if (bold) p.e *= 1.4;
    p.h = std::min(std::max(5 * p.e, 1.7 * kMM), 3 * kMM);
  }
  return p;
}

// The upper half of "{" with its tip at across G, its end at G + h, down
// measured from the end; `half` is a/2. Bezier pieces (see FillOutline):
// four parabolas joined by the straight parts.
std::vector<Pt> BraceHalf(double G, double half, const BraceSize& p) {
  const double h = p.h, e = p.e, mh = p.m * h, th = p.t * h;
  const double outer = G + (h - e) / 2, inner = G + (h + e) / 2;
  // Each edge bends as across = edge + c * d^2 with d the distance from
  // where its straight part starts.
  auto toEnd = [&](double edge) {
    const double c = mh > 0 ? (G + h - edge) / (mh * mh) : 0;
    return [=](double d) { return Pt{edge + c * d * d, mh - d}; };
  };
  auto toTip = [&](double edge) {
    const double c = th > 0 ? (edge - G) / (th * th) : 0;
    return [=](double d) { return Pt{edge - c * d * d, half - th + d}; };
  };
  std::vector<Pt> out{toEnd(outer)(mh)};
  QuadraticPiece(out, toEnd(outer), mh, 0);
  StraightPiece(out, toTip(outer)(0));
  QuadraticPiece(out, toTip(outer), 0, th);
  QuadraticPiece(out, toTip(inner), th, 0);
  StraightPiece(out, toEnd(inner)(0));
  QuadraticPiece(out, toEnd(inner), 0, mh);
  return out;
}

}  // namespace

int Kakko(State& st, const MathPen& pen, double x, double y, int level, int kind, double length) {
  const double E = pen.E;
  const double r = st.font.mathSizeRatio[static_cast<size_t>(std::clamp(level, 0, 5))];
  const bool bold = st.chr.boldMath;
  const bool draw = pen.draw && st.canvas;

  if (kind == kKakkoOverbrace || kind == kKakkoUnderbrace) {
    const double a = length;
    const BraceSize p = BraceParameters(a, bold);
    if (draw && a > 0) {
      ShapeScope scope(st);
      // The upright brace turned on its side: down becomes along, across
      // becomes down (the tip up for the overbrace, down for the underbrace).
      for (int half = 0; half < 2; ++half) {
        std::vector<Pt> shape;
        for (const Pt& q : BraceHalf(0, a / 2, p)) {
          const double along = half == 0 ? q.down : a - q.down;
          const double down = kind == kKakkoOverbrace ? q.across : p.h - q.across;
          shape.push_back({along, down});
        }
        FillOutline(st, x, y, shape, true);
      }
    }
    return static_cast<int>(p.h);
  }
  if (kind < 1 || kind > 8 || kind == kKakkoNull) return 0;

  const double t = st.font.textRotationRad;
  const int a = static_cast<int>(length - 0.1 * E);
  x = std::trunc(std::sin(t) * 0.05 * E + x);
  y = std::trunc(std::cos(t) * 0.05 * E + y);
  double G = 0, H = 0, h = 0;
  const double E0 = r > 0 ? E / r : E;
  BraceSize brace{};
  switch (kind) {
    case kKakkoParen:
    case kKakkoCloseParen:
      G = kind == kKakkoParen ? 0.125 * E : 0.15 * E;
      H = kind == kKakkoParen ? 0.15 * E : 0.125 * E;
      h = (0.25 * E0 + 0.1 * (std::min<double>(a, std::trunc(3 * E0)) - E0)) * r;
      break;
    case kKakkoBrace:
    case kKakkoCloseBrace:
      G = kind == kKakkoBrace ? 0.05 * E : 0.15 * E;
      H = kind == kKakkoBrace ? 0.15 * E : 0.05 * E;
      brace = BraceParameters(a, bold);
      h = brace.h;
      break;
    case kKakkoBracket:
    case kKakkoCloseBracket:
      G = kind == kKakkoBracket ? 0.05 * E : 0.15 * E;
      H = kind == kKakkoBracket ? 0.15 * E : 0.2 * E;
      h = a <= 8 * kMM ? a / 16.0 + 0.5 * kMM : 1 * kMM;
      break;
    default:  // the vertical bar
      G = H = 0.15 * E;
      break;
  }
  const int width = static_cast<int>(G + h + H);
  if (!draw || a <= 0) return width;

  ShapeScope scope(st);
  const double S = st.draw.scale;
  const int rulePen = static_cast<int>(0.2 * kMM * S * (bold ? 1.5 : 1.0) + PenAddition(st));
  switch (kind) {
    case kKakkoParen:
    case kKakkoCloseParen: {
      const double k = (bold ? 0.25 : 0.15) * h;
      const int dir = kind == kKakkoParen ? -1 : 1;
      const double chord = kind == kKakkoParen ? G + h : G;
      // A crescent: down the outer arc, back up the inner one.
      std::vector<Pt> outline;
      Arc(outline, chord, a, h, dir, false);
      Arc(outline, chord, a, h - k, dir, true);
      FillOutline(st, x, y, outline, true);
      break;
    }
    case kKakkoBrace:
    case kKakkoCloseBrace:
      for (int half = 0; half < 2; ++half) {
        std::vector<Pt> shape;
        for (const Pt& q : BraceHalf(G, a / 2.0, brace)) {
          double across = q.across;
          if (kind == kKakkoCloseBrace) across = 2 * G + brace.h - across;
          shape.push_back({across, half == 0 ? q.down : a - q.down});
        }
        FillOutline(st, x, y, shape, true);
      }
      break;
    case kKakkoBracket:
      Polyline(st, x, y, rulePen, {{G + h, 0}, {G, 0}, {G, static_cast<double>(a)}, {G + h, static_cast<double>(a)}});
      break;
    case kKakkoCloseBracket:
      Polyline(st, x, y, rulePen, {{G, 0}, {G + h, 0}, {G + h, static_cast<double>(a)}, {G, static_cast<double>(a)}});
      break;
    default: Polyline(st, x, y, rulePen, {{G, 0}, {G, static_cast<double>(a)}}); break;
  }
  return width;
}

int WriteRoot(State& st, const MathPen& pen, double x, double y, int indexLevel, int indexHeight, int indexWidth,
              std::string_view index, bool hasIndex, double f, double g) {
  const double m = std::trunc(0.9 * f);
  const double t = 0.53 * m, u = 0.23 * m, v = 0.1 * m, w = 0.06 * m, b = 0.04 * m, c = 0.13 * m;
  const Pt P0{0, m - u}, P1{w + b, m - u - v}, F{w + b + c, m}, T{t, 0};
  const double d = (w + b) > 0 ? b * v / (w + b) : 0;
  const Pt P2{w, m - u - v + d};
  // Q: the line from P1 falling with slope (u + v - d) / (b + c) meets the
  // long stroke F-T.
  const double slope = (b + c) > 0 ? (u + v - d) / (b + c) : 0;
  const double strokeSlope = (T.down - F.down) / (T.across - F.across);  // along the long stroke
  double qx = P1.across;
  if (std::fabs(slope - strokeSlope) > 1e-12)
    qx = (F.down - P1.down + slope * P1.across - strokeSlope * F.across) / (slope - strokeSlope);
  const Pt Q{qx, P1.down + slope * (qx - P1.across)};

  int extra = 0;
  double indexX = x;
  if (hasIndex) {
    const double qyAbs = y + Q.down, qxAbs = x + Q.across;
    const double span = qyAbs - y;
    indexX = std::trunc(x + t - (span > 0 ? indexHeight * (x + t - qxAbs) / span : 0) - indexWidth);
    if (indexX < x) extra = static_cast<int>(x - indexX);
  }
  if (!pen.draw || !st.canvas) return extra;

  ShapeScope scope(st);
  const double pt = st.chr.fontSize / units::kFontSizeScale;
  const int rule = static_cast<int>((units::kPerInch * st.draw.scale * pt / 1270.0 + PenAddition(st)) *
                                    (st.chr.boldMath ? 1.6 : 1.0));
  Polyline(st, x, y, std::max(1, rule / 2), {P0, P1, Q});
  Polyline(st, x, y, rule, {Q, T, {g, 0}});
  FillOutline(st, x, y, {P2, P1, Q, F});
  if (hasIndex) {
    const int penX = st.draw.linePenX;
    (void)MathWidthHeight(st, index, indexLevel, true, std::trunc(y - 0.1 * pen.E), indexX);
    st.draw.linePenX = penX;
  }
  return extra;
}

}  // namespace vel
