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

void FillOutline(State& st, double x0, double y0, const std::vector<Pt>& outline) {
  std::vector<Point> v;
  v.reserve(outline.size());
  for (const Pt& p : outline) v.push_back(TurnedPoint(st, x0, y0, p.across, p.down));
  Brush solid;
  solid.color = st.chr.font.color;
  st.canvas->setPen(Pen{1, st.chr.font.color, PenStyle::Solid});
  st.canvas->setBrush(solid);
  st.canvas->polygon(v);
}

void Polyline(State& st, double x0, double y0, int width, const std::vector<Pt>& pts) {
  std::vector<Point> v;
  for (const Pt& p : pts) v.push_back(TurnedPoint(st, x0, y0, p.across, p.down));
  st.canvas->setPen(Pen{std::max(1, width), st.chr.font.color, PenStyle::Solid});
  st.canvas->polyline(v);
}

// Points of a circular arc through (chordX, 0) and (chordX, 2L) with
// sagitta s, bulging to the left (dir -1) or right (dir 1), from top to
// bottom in 51 samples.
std::vector<Pt> Arc(double chordX, int a, double s, int dir) {
  const double L = a / 2;  // integer halving, as the sign's chord is whole units
  std::vector<Pt> out;
  if (s <= 0) {
    for (int i = 0; i <= 50; ++i) out.push_back({chordX, 2 * L * i / 50});
    return out;
  }
  const double w = (L * L - s * s) / (2 * s), M = s + w, N = std::atan2(L, w);
  for (int i = 0; i <= 50; ++i) {
    const double phi = -N + 2 * N * 0.02 * i;
    out.push_back({chordX - dir * w + dir * M * std::cos(phi), L + M * std::sin(phi)});
  }
  return out;
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
// measured from the end; `half` is a/2.
std::vector<Pt> BraceHalf(double G, double half, const BraceSize& p) {
  const double h = p.h, e = p.e, mh = p.m * h, th = p.t * h;
  const double outer = G + (h - e) / 2, inner = G + (h + e) / 2;
  std::vector<Pt> out;
  // Outer edge: the end down to the straight part (vertex at its start).
  for (int i = 0; i <= 30; ++i) {
    const double d = mh - mh * i / 30;  // distance from the straight part's start
    const double c = mh > 0 ? (G + h - outer) / (mh * mh) : 0;
    out.push_back({outer + c * d * d, mh - d});
  }
  // Straight, then down to the tip.
  for (int i = 0; i <= 30; ++i) {
    const double d = th * i / 30;
    const double c = th > 0 ? (outer - G) / (th * th) : 0;
    out.push_back({outer - c * d * d, half - th + d});
  }
  // Inner edge back: from the tip up to the straight part, then to the end.
  for (int i = 1; i <= 30; ++i) {
    const double d = th - th * i / 30;
    const double c = th > 0 ? (inner - G) / (th * th) : 0;
    out.push_back({inner - c * d * d, half - th + d});
  }
  for (int i = 1; i <= 30; ++i) {
    const double d = mh * i / 30;
    const double c = mh > 0 ? (G + h - inner) / (mh * mh) : 0;
    out.push_back({inner + c * d * d, mh - d});
  }
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
        FillOutline(st, x, y, shape);
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
      std::vector<Pt> outline = Arc(chord, a, h, dir);
      std::vector<Pt> inner = Arc(chord, a, h - k, dir);
      for (int i = 49; i >= 0; --i) outline.push_back(inner[static_cast<size_t>(i)]);
      FillOutline(st, x, y, outline);
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
        FillOutline(st, x, y, shape);
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
