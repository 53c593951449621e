// Brushes and the fill engine of closed shapes: \brush selects solid
// colour, hatching, a dot screen, an image or one of four gradients, and
// Shasen paints the selected brush inside the area a shape built.
//
// Everything is built from clip regions and plain strokes, fills and
// bitmaps, so that what the screen shows is what a PDF or a printer gets
// (those have no exclusive-or raster operations): hatching is straight
// lines across the figure box under the area's clip; a gradient is one
// bitmap, painted pixel by pixel in the colour of the stroke that passes
// there, under the clip narrowed to the gradient's own region.
//
// Limits: hatching and gradients cover only the part of the figure box
// the clip can show (its bounding box), so user geometry far outside the
// box costs nothing; a gradient bitmap over kMaxGradientPixels, or one
// that cannot be allocated, paints nothing; the dot screen is kept as one
// period of its pattern (at most 24 x 8 pixels), tiled from the box's
// corner, in this figure's context (never in a file).
#include <algorithm>
#include <charconv>
#include <cmath>
#include <functional>
#include <new>
#include <numbers>

#include "figure/Figure.h"
#include "frontend/Calc.h"
#include "frontend/Values.h"
#include "layout/boxes/Boxes.h"

namespace vel {

namespace {

// The kinds of \brush, as published in the named value brushstyle.
enum BrushKind : int {
  kImage = -1,
  kNone = 0,
  kSolid = 1,
  kHatchRising = 2,    // lines from upper right to lower left
  kHatchFalling = 3,   // lines from upper left to lower right
  kHatchDiagonal = 4,  // both
  kHatchHorizontal = 5,
  kHatchVertical = 6,
  kHatchSquare = 7,  // horizontal and vertical
  kDotScreen = 8,
  kGradLinear = 9,
  kGradPolygon = 10,
  kGradElliptic = 11,
  kGradConic = 12,
};

constexpr int kMaxGradVertices = 20;
constexpr int kEllipseSamples = 100;  // the rotated elliptic gradient's outline

const std::string& Arg(const std::vector<std::string>& a, size_t i) {
  static const std::string empty;
  return i < a.size() ? a[i] : empty;
}

// The leading integer of the text, else 0: the kind is no expression.
int PlainInt(const std::string& s) {
  size_t k = 0;
  while (k < s.size() && s[k] == ' ') ++k;
  if (k < s.size() && s[k] == '+') ++k;
  int v = 0;
  const auto [end, ec] = std::from_chars(s.data() + k, s.data() + s.size(), v);
  return ec == std::errc() ? v : 0;
}

// ---- device rectangles ----

struct Box {
  int l = 0, t = 0, r = 0, b = 0;
  bool empty() const { return r <= l || b <= t; }
  Box meet(const Box& o) const { return {std::max(l, o.l), std::max(t, o.t), std::min(r, o.r), std::min(b, o.b)}; }
  Box join(const Box& o) const {
    if (empty()) return o;
    if (o.empty()) return *this;
    return {std::min(l, o.l), std::min(t, o.t), std::max(r, o.r), std::max(b, o.b)};
  }
};

Box BoundsOf(const std::vector<RegionPoint>& pts) {
  if (pts.empty()) return {};
  Box b{pts[0].x, pts[0].y, pts[0].x, pts[0].y};
  for (const RegionPoint& p : pts) {
    b.l = std::min(b.l, p.x);
    b.t = std::min(b.t, p.y);
    b.r = std::max(b.r, p.x);
    b.b = std::max(b.b, p.y);
  }
  b.r += 1;  // the pixels of the last column and row
  b.b += 1;
  return b;
}

// A rectangle holding every pixel of the region (not the tightest one).
Box BoundsOf(const Region::Node& n) {
  switch (n.shape) {
    case Region::Shape::Empty: return {};
    case Region::Shape::Rect:
    case Region::Shape::RoundRect:
    case Region::Shape::Ellipse:
      return {std::min(n.left, n.right), std::min(n.top, n.bottom), std::max(n.left, n.right) + 1,
              std::max(n.top, n.bottom) + 1};
    case Region::Shape::Polygon: return BoundsOf(n.points);
    case Region::Shape::Combined: {
      const Box a = n.a ? BoundsOf(*n.a) : Box{}, b = n.b ? BoundsOf(*n.b) : Box{};
      switch (n.op) {
        case Region::Op::And: return a.meet(b);
        case Region::Op::Diff: return a;
        case Region::Op::Xor:
        case Region::Op::Or: return a.join(b);
      }
    }
  }
  return {};
}

// The figure box in device pixels; under a text rotation the bounding box
// of its turned corners (the hatching keeps the page's directions).
Box FigureBox(const FigureState& f) {
  if (f.clipRegion && f.clipRegion->node().shape == Region::Shape::Polygon) {
    Box b = BoundsOf(f.clipRegion->node().points);
    b.r -= 1;
    b.b -= 1;
    return b;
  }
  return {f.clipRect[0], f.clipRect[1], f.clipRect[2], f.clipRect[3]};
}

// A region that can bound a fill: a polygon needs three corners, a box
// some width and height. A failed shape fills nothing, on either side.
bool Usable(const std::optional<Region>& r) {
  if (!r) return false;
  const Region::Node& n = r->node();
  switch (n.shape) {
    case Region::Shape::Empty: return false;
    case Region::Shape::Polygon: return n.points.size() >= 3;
    case Region::Shape::Combined: return true;
    default: return n.left != n.right && n.top != n.bottom;
  }
}

// The clip of a fill: the figure box meets the area (mode 2: and the
// auxiliary region), or after \closemode{out} the figure box without it.
std::optional<Region> FillClip(const FigureState& f, int mode) {
  if (!f.clipRegion || !Usable(f.areaRegion)) return std::nullopt;
  const Region& box = *f.clipRegion;
  const bool outside = f.closeModeSide == 1;
  if (mode == 2) {
    if (!Usable(f.auxRegion)) return std::nullopt;
    const Region piece = f.areaRegion->combined(*f.auxRegion, Region::Op::And);
    // Outside: the box minus the sector or segment, which lies inside it.
    return outside ? piece.combined(box, Region::Op::Xor).combined(box, Region::Op::And)
                   : box.combined(piece, Region::Op::And);
  }
  return box.combined(*f.areaRegion, outside ? Region::Op::Diff : Region::Op::And);
}

// ---- hatching ----

void Stroke(Canvas& c, double x1, double y1, double x2, double y2) {
  c.moveTo(FigInt(x1), FigInt(y1));
  c.lineTo(FigInt(x2), FigInt(y2));
}

// The steps k >= 1 whose line value base + k*step lies in [lo, hi] and
// below base + limit: only the lines the clip can show are drawn.
void StepRange(double base, double step, double lo, double hi, double limit, long long& k0, long long& k1) {
  k0 = std::max(1.0, std::ceil((lo - base) / step));
  const double last = std::min(std::floor((hi - base) / step), std::ceil(limit / step) - 1);
  k1 = static_cast<long long>(std::max(0.0, std::min(last, 1e9)));
}

// Lines across the whole box at the hatch spacing, anchored at the box so
// that neighbouring shapes' hatching lines up; the clip cuts them.
void DrawHatch(State& st, int kind, const Box& box, const Box& seen) {
  Canvas& c = *st.canvas;
  const double h = st.fig.hatchSpacing * st.draw.scale;
  // A step under one device pixel would hatch solid, and 0 would never end.
  if (!(h >= 1)) return;
  const double hd = std::numbers::sqrt2 * h;
  const double W = box.r - box.l, H = box.b - box.t;
  long long k0 = 0, k1 = 0;
  if (kind == kHatchRising || kind == kHatchDiagonal) {
    // x + y = left + top + k hd
    StepRange(box.l + box.t, hd, seen.l + seen.t, seen.r + seen.b, W + H, k0, k1);
    for (long long k = k0; k <= k1; ++k) Stroke(c, box.l + k * hd, box.t, box.l, box.t + k * hd);
  }
  if (kind == kHatchFalling || kind == kHatchDiagonal) {
    // y - x = top - right + k hd
    StepRange(box.t - box.r, hd, seen.t - seen.r, seen.b - seen.l, W + H, k0, k1);
    for (long long k = k0; k <= k1; ++k) Stroke(c, box.r - k * hd, box.t, box.r, box.t + k * hd);
  }
  if (kind == kHatchHorizontal || kind == kHatchSquare) {
    StepRange(box.t, h, seen.t, seen.b, H, k0, k1);
    for (long long k = k0; k <= k1; ++k) Stroke(c, box.l, box.t + k * h, box.r, box.t + k * h);
  }
  if (kind == kHatchVertical || kind == kHatchSquare) {
    StepRange(box.l, h, seen.l, seen.r, W, k0, k1);
    for (long long k = k0; k <= k1; ++k) Stroke(c, box.l + k * h, box.t, box.l + k * h, box.b);
  }
}

// ---- images and the dot screen ----

void ImageFill(State& st, const Box& box) {
  FigureState& f = st.fig;
  const double inv = 1 / st.draw.scale;
  const double bl = box.l * inv, bt = box.t * inv, br = box.r * inv, bb = box.b * inv;
  FigureImage img;
  img.file = f.imageFile;
  img.tile = true;
  img.areaRight = FigInt(br);
  img.areaBottom = FigInt(bb);
  if (f.imageWholeFigure) {
    img.width = br - bl;
    img.height = bb - bt;
    img.areaLeft = FigInt(bl);
    img.areaTop = FigInt(bt);
  } else {
    // Tiles of the image's size, one of them placed at the anchor by the
    // mode; the first row and column start at or before the box's corner.
    img.width = f.imageWidth;
    img.height = f.imageHeight;
    const int a = (f.imageMode >= 1 && f.imageMode <= 9) ? f.imageMode - 1 : 4;
    double left = f.imageX, top = f.imageY;
    if (img.width > 0 && img.height > 0) {
      left -= (a % 3) * img.width / 2;
      top -= (a / 3) * img.height / 2;
      left -= std::ceil((left - bl) / img.width) * img.width;
      top -= std::ceil((top - bt) / img.height) * img.height;
    } else {
      left = bl;
      top = bt;
    }
    img.areaLeft = FigInt(left);
    img.areaTop = FigInt(top);
  }
  img.whiteTransparent = false;
  (void)DrawFigureImage(st, img, true);
}

// One period of the dot screen: rows i with i mod r = 0 carry dots at the
// columns j with j mod d = ((i div r) mod q) s (two pixels wide at
// density 8), on white.
std::shared_ptr<const Bitmap> DotPattern(int density, Color colour) {
  struct Row {
    int r, q, s, d;
  };
  static constexpr Row kTable[9] = {{8, 3, 2, 8}, {7, 3, 2, 7}, {6, 3, 2, 6}, {5, 3, 2, 5}, {4, 3, 1, 4},
                                    {3, 3, 1, 3}, {2, 2, 1, 2}, {2, 3, 1, 3}, {1, 1, 1, 1}};
  const Row& t = kTable[density - 1];
  auto tile = std::make_shared<Bitmap>(t.d, t.r * t.q, kWhite);
  for (int i = 0; i < tile->height(); i += t.r) {
    const int phase = ((i / t.r) % t.q) * t.s % t.d;
    tile->setPixel(phase, i, colour);
    if (density == 8) tile->setPixel((phase + 1) % t.d, i, colour);
  }
  return tile;
}

// ---- gradients ----

// The colour of step i of u: each channel truncate(c1 + i (c2 - c1) / u).
Color StepColour(const FigureState& f, long long i, long long u) {
  uint8_t ch[3];
  for (int k = 0; k < 3; ++k) {
    const double a = f.gradChannels1[size_t(k)], b = f.gradChannels2[size_t(k)];
    ch[k] = static_cast<uint8_t>(FigInt(a + double(i) * (b - a) / double(u)));
  }
  return rgb(ch[2], ch[1], ch[0]);
}

struct DevPt {
  double x = 0, y = 0;
};

DevPt Device(State& st, double x, double y) {
  const Point p = xxyy(st, x, y);
  return {double(p.x), double(p.y)};
}

RegionPoint Rp(double x, double y) { return {FigInt(x), FigInt(y)}; }

// What a gradient paints: its own region (the clip is narrowed by it), the
// device extent its bitmap needs, its step count and, for each pixel, the
// step whose stroke passes there.
struct Gradient {
  Region region;
  Box extent;
  long long steps = 0;
  std::function<long long(double, double)> stepAt;
};

// Kind 9: the band between the perpendiculars to P1->P2 through P1 and P2.
bool Linear(State& st, const Box& box, Gradient& g) {
  const FigureState& f = st.fig;
  const DevPt p1 = Device(st, f.gradX1, f.gradY1), p2 = Device(st, f.gradX2, f.gradY2);
  const double dx = p2.x - p1.x, dy = p2.y - p1.y, len2 = dx * dx + dy * dy;
  // The strokes run along rows (steep axis) or columns (shallow axis): U
  // is the band's extent across them.
  const bool steep = std::fabs(dy) >= std::fabs(dx);
  const double across = steep ? std::fabs(dy) : std::fabs(dx);
  if (!(across > 0) || !std::isfinite(len2)) return false;
  g.steps = FigInt(len2 / across + 0.5);
  const double L = box.l - 1.0, R = box.r + 1.0, T = box.t - 1.0, B = box.b + 1.0;
  std::vector<RegionPoint> band;
  if (steep) {
    auto rowAt = [&](const DevPt& p, double xe) { return p.y - (xe - p.x) * dx / dy; };
    band = {Rp(L, rowAt(p1, L)), Rp(R, rowAt(p1, R)), Rp(R, rowAt(p2, R)), Rp(L, rowAt(p2, L))};
  } else {
    auto columnAt = [&](const DevPt& p, double ye) { return p.x - (ye - p.y) * dy / dx; };
    band = {Rp(columnAt(p1, T), T), Rp(columnAt(p1, B), B), Rp(columnAt(p2, B), B), Rp(columnAt(p2, T), T)};
  }
  g.extent = BoundsOf(band);
  g.region = Region::polygon(std::move(band));
  const long long u = g.steps;
  g.stepAt = [=](double x, double y) { return static_cast<long long>(((x - p1.x) * dx + (y - p1.y) * dy) / len2 * u + 0.5); };
  return true;
}

// Kind 10: outlines of the polygon shrunk toward Q; a pixel takes the
// largest one through it, the nearest edge crossing on the ray from Q.
bool PolygonGrad(State& st, Gradient& g) {
  const FigureState& f = st.fig;
  const DevPt q = Device(st, f.gradX1, f.gradY1);
  std::vector<DevPt> v;
  std::vector<RegionPoint> outline;
  long long u = 0;
  for (const auto& p : f.gradVertices) {
    v.push_back(Device(st, p[0], p[1]));
    outline.push_back(Rp(v.back().x, v.back().y));
    u = std::max<long long>(u, PixLen(st, p[0] - f.gradX1, p[1] - f.gradY1,
                                      std::hypot(p[0] - f.gradX1, p[1] - f.gradY1)));
  }
  if (v.size() < 3) return false;
  g.steps = u;
  g.extent = BoundsOf(outline);
  g.region = Region::polygon(std::move(outline));
  g.stepAt = [=](double x, double y) {
    const double px = x - q.x, py = y - q.y;
    // The smallest scale s >= 1 (in units of the pixel's distance) at
    // which the ray from Q through the pixel meets an edge.
    double best = INFINITY;
    for (size_t k = 0; k < v.size(); ++k) {
      const DevPt a{v[k].x - q.x, v[k].y - q.y}, b{v[(k + 1) % v.size()].x - q.x, v[(k + 1) % v.size()].y - q.y};
      const double ex = b.x - a.x, ey = b.y - a.y;
      const double den = px * ey - py * ex;
      if (den == 0) continue;
      const double s = (a.x * ey - a.y * ex) / den;     // along the ray, in pixel distances
      const double w = (a.x * py - a.y * px) / den;     // along the edge
      if (w >= 0 && w <= 1 && s >= 1 - 1e-9 && s < best) best = s;
    }
    if (px == 0 && py == 0) return 0LL;
    return std::isfinite(best) ? static_cast<long long>(u / best + 0.5) : u;
  };
  return true;
}

// Kind 11: concentric ellipses with half-axes i a/U and i b/U.
bool Elliptic(State& st, Gradient& g) {
  const FigureState& f = st.fig;
  const DevPt q = Device(st, f.gradX1, f.gradY1);
  const double a = PixLen(st, 1, 0, std::fabs(f.gradRX)) + 1.0, b = PixLen(st, 0, 1, std::fabs(f.gradRY)) + 1.0;
  g.steps = FigInt(std::max(a, b));
  const double t = st.font.textRotationRad;
  if (st.font.textRotationDeg == 0) {
    g.region = Region::ellipse(FigInt(q.x - a), FigInt(q.y - b), FigInt(q.x + a), FigInt(q.y + b));
    g.extent = BoundsOf(g.region.node());
  } else {
    std::vector<RegionPoint> outline;
    for (int k = 0; k < kEllipseSamples; ++k) {
      const double w = 2 * std::numbers::pi * k / kEllipseSamples, ex = a * std::cos(w), ey = b * std::sin(w);
      outline.push_back(Rp(q.x + ex * std::cos(t) + ey * std::sin(t), q.y - ex * std::sin(t) + ey * std::cos(t)));
    }
    g.extent = BoundsOf(outline);
    g.region = Region::polygon(std::move(outline));
  }
  const long long u = g.steps;
  g.stepAt = [=](double x, double y) {
    double dx = x - q.x, dy = y - q.y;
    if (t != 0) {
      const double rx = dx * std::cos(t) - dy * std::sin(t), ry = dx * std::sin(t) + dy * std::cos(t);
      dx = rx;
      dy = ry;
    }
    return static_cast<long long>(std::hypot(dx / a, dy / b) * u + 0.5);
  };
  return true;
}

// Kind 12: rays from Q, counter-clockwise from angle 1 to angle 2.
bool Conic(State& st, const Box& box, Gradient& g) {
  const FigureState& f = st.fig;
  const double t = st.font.textRotationRad;
  const double a1 = f.gradAngle1 - t, sweep = f.gradAngle2 - f.gradAngle1;  // user angles
  if (!(sweep > 0)) return false;
  const DevPt q = Device(st, f.gradX1, f.gradY1);
  double cx = std::cos(a1 + sweep) - std::cos(a1), cy = std::sin(a1 + sweep) - std::sin(a1);
  if (std::hypot(cx, cy) < 1e-9) cx = 1, cy = 0;  // a whole turn: no chord
  g.steps = PixLen(st, cx, cy, f.gradRadius * sweep);
  // The sector reaches twice the covering radius, so its chords stay
  // outside the box.
  const long long u = g.steps;
  const int n = static_cast<int>(std::clamp<long long>(u, 8, 256));
  std::vector<RegionPoint> sector = {Rp(q.x, q.y)};
  for (int k = 0; k <= n; ++k) {
    const double w = a1 + sweep * k / n;
    const DevPt e = Device(st, f.gradX1 + 2 * f.gradRadius * std::cos(w), f.gradY1 + 2 * f.gradRadius * std::sin(w));
    sector.push_back(Rp(e.x, e.y));
  }
  g.region = Region::polygon(std::move(sector));
  g.extent = box;
  const double sx = f.scaleX, sy = f.scaleY, ct = std::cos(t), stt = std::sin(t);
  g.stepAt = [=](double x, double y) {
    // Back to layout directions, then to user ones.
    const double dx = x - q.x, dy = y - q.y;
    const double lu = dx * ct - dy * stt, lv = dx * stt + dy * ct;
    double w = std::atan2(-lv / sy, lu / sx) - a1;
    w -= 2 * std::numbers::pi * std::floor(w / (2 * std::numbers::pi));
    return static_cast<long long>(std::min(w / sweep, 1.0) * u + 0.5);
  };
  return true;
}

void GradientFill(State& st, int kind, const Box& box, const Box& seen) {
  Gradient g;
  bool ok = false;
  switch (kind) {
    case kGradLinear: ok = Linear(st, box, g); break;
    case kGradPolygon: ok = PolygonGrad(st, g); break;
    case kGradElliptic: ok = Elliptic(st, g); break;
    case kGradConic: ok = Conic(st, box, g); break;
    default: break;
  }
  if (!ok || g.steps < 1) return;
  // The bitmap covers only what the figure box and the clip can show.
  const Box w = g.extent.meet(seen);
  if (w.empty() || static_cast<long long>(w.r - w.l) * (w.b - w.t) > kMaxGradientPixels) return;
  Bitmap bmp;
  try {
    bmp.resize(w.r - w.l, w.b - w.t, kWhite);
  } catch (const std::bad_alloc&) {
    return;  // no room for the bitmap: nothing is painted
  }
  const FigureState& f = st.fig;
  for (int y = 0; y < bmp.height(); ++y)
    for (int x = 0; x < bmp.width(); ++x) {
      const long long i = std::clamp<long long>(g.stepAt(w.l + x, w.t + y), 0, g.steps);
      bmp.setPixel(x, y, StepColour(f, i, g.steps));
    }
  Canvas& c = *st.canvas;
  const std::optional<Region> clip = c.clip();
  c.setClip(clip ? clip->combined(g.region, Region::Op::And) : g.region);
  ImageDraw(st, w.l, w.t, bmp);
  c.setClip(clip);
}

// Kinds 9-11 and 12 in the plane: the point at a[at], a[at+1].
void PlanePoint(State& st, const std::vector<std::string>& a, size_t at, double& x, double& y) {
  x = Calc(st, a[at]);
  y = Calc(st, a[at + 1]);
}

void SetKind(State& st, int kind) {
  st.fig.brushKind = kind;
  st.fig.brushNone = kind == kNone;
  SetValueList(st, "brushstyle", kind);
}

void SetCanvasBrush(State& st, BrushStyle style, Hatch hatch = Hatch::Horizontal) {
  if (st.canvas) st.canvas->setBrush(Brush{style, st.fig.brushColor, hatch, nullptr});
}

void Gradients(State& st, int kind, const std::vector<std::string>& a) {
  FigureState& f = st.fig;
  const size_t n = a.size();
  const bool three = f.dimen == 3;
  switch (kind) {
    case kGradLinear:
      if (n < 7) return;
      PlanePoint(st, a, 3, f.gradX1, f.gradY1);
      PlanePoint(st, a, 5, f.gradX2, f.gradY2);
      break;
    case kGradPolygon: {
      // An odd count above 10: the colours, the centre and whole vertices.
      if (n <= 10 || n % 2 == 0) return;
      PlanePoint(st, a, 3, f.gradX1, f.gradY1);
      f.gradVertices.clear();
      const size_t count = std::min<size_t>(kMaxGradVertices, (n - 5) / 2);
      for (size_t k = 0; k < count; ++k) {
        double x, y;
        PlanePoint(st, a, 5 + 2 * k, x, y);
        f.gradVertices.push_back({x, y});
      }
      break;
    }
    case kGradElliptic:
      if (n < 7) return;
      PlanePoint(st, a, 3, f.gradX1, f.gradY1);
      f.gradRX = Calc(st, a[5]);
      f.gradRY = Calc(st, a[6]);
      break;
    case kGradConic: {
      if (n < (three ? 12u : 9u)) return;
      double d1x, d1y, d2x, d2y;
      if (three) {
        ThreeToTwoDimen(st, Calc(st, a[3]), Calc(st, a[4]), Calc(st, a[5]));
        f.gradX1 = f.projU;
        f.gradY1 = f.projV;
        ThreeToTwoDimen(st, Calc(st, a[6]), Calc(st, a[7]), Calc(st, a[8]));
        d1x = f.projU, d1y = f.projV;
        ThreeToTwoDimen(st, Calc(st, a[9]), Calc(st, a[10]), Calc(st, a[11]));
        d2x = f.projU, d2y = f.projV;
      } else {
        PlanePoint(st, a, 3, f.gradX1, f.gradY1);
        PlanePoint(st, a, 5, d1x, d1y);
        PlanePoint(st, a, 7, d2x, d2y);
      }
      f.gradAngle1 = std::atan2(d1y, d1x);
      f.gradAngle2 = std::atan2(d2y, d2x);
      if (f.gradAngle2 <= f.gradAngle1) f.gradAngle2 += 2 * std::numbers::pi;
      f.gradAngle1 += st.font.textRotationRad;
      f.gradAngle2 += st.font.textRotationRad;
      // The distance to the farthest corner of the figure box.
      f.gradRadius = 0;
      for (double x : {f.xMin, f.xMax})
        for (double y : {f.yMin, f.yMax}) f.gradRadius = std::max(f.gradRadius, std::hypot(x - f.gradX1, y - f.gradY1));
      break;
    }
    default: return;
  }
  f.gradColor1 = GetColor(st, a[1]);
  f.gradColor2 = GetColor(st, a[2]);
  GradBrushColorToRGB(st);
  SetKind(st, kind);
  SetCanvasBrush(st, BrushStyle::Clear);
}

}  // namespace

void GradBrushColorToRGB(State& st) {
  FigureState& f = st.fig;
  f.gradChannels1 = {uint8_t(blueOf(f.gradColor1)), uint8_t(greenOf(f.gradColor1)), uint8_t(redOf(f.gradColor1))};
  f.gradChannels2 = {uint8_t(blueOf(f.gradColor2)), uint8_t(greenOf(f.gradColor2)), uint8_t(redOf(f.gradColor2))};
}

void DoBrush(State& st, const std::vector<std::string>& a) {
  FigureState& f = st.fig;
  const int kind = PlainInt(Arg(a, 0));
  const size_t n = a.size();
  if (kind >= kGradLinear && kind <= kGradConic) return Gradients(st, kind, a);
  if (kind == kDotScreen) {
    f.dotScreen.reset();  // a \brush{8} that stops early paints nothing
    f.brushColor = n >= 2 ? GetColor(st, a[1]) : kBlack;
    const int density = n >= 3 ? std::clamp(FigInt(Calc(st, a[2])), 1, 9) : 5;
    f.dotTransparent = !(n >= 4 && Calc(st, a[3]) != 0);
    f.dotScreen = DotPattern(density, f.brushColor);
    SetKind(st, kDotScreen);
    return;
  }
  if (kind == kImage) {
    if (n < 2) return;
    f.imageFile = a[1];
    f.imageWholeFigure = n < 7;
    if (!f.imageWholeFigure) {
      f.imageWidth = UnitToPix(st, a[2]);
      f.imageHeight = UnitToPix(st, a[3]);
      const Point p = XXYY(st, Calc(st, a[4]), Calc(st, a[5]));
      f.imageX = p.x;
      f.imageY = p.y;
      f.imageMode = FigInt(Calc(st, a[6]));
    }
    SetKind(st, kImage);
    return;
  }
  // Kinds 0-7 (any other number is 0): [colour[,spacing[,width]]]; more
  // arguments than that change nothing.
  if (n >= 5) return;
  const int k = (kind >= kNone && kind <= kHatchSquare) ? kind : kNone;
  f.brushColor = n >= 2 ? GetColor(st, a[1]) : kBlack;
  if (n >= 3) f.hatchSpacing = UnitToPix(st, a[2]);
  if (n >= 4) f.hatchWidth = UnitToPix(st, a[3]);
  SetKind(st, k);
  // The canvas brush as the stock styles name it; Shasen draws all
  // hatching itself.
  static constexpr Hatch kStock[] = {Hatch::BDiagonal, Hatch::FDiagonal, Hatch::DiagCross,
                                     Hatch::Horizontal, Hatch::Vertical, Hatch::Cross};
  if (k == kSolid) SetCanvasBrush(st, BrushStyle::Solid);
  else if (k == kNone) SetCanvasBrush(st, BrushStyle::Clear);
  else SetCanvasBrush(st, BrushStyle::Hatched, kStock[k - kHatchRising]);
}

void Shasen(State& st, int mode, bool useCurrentClip) {
  FigureState& f = st.fig;
  if (!st.canvas || f.brushNone) return;
  Canvas& c = *st.canvas;
  const std::optional<Region> entryClip = c.clip();
  if (!useCurrentClip) {
    std::optional<Region> clip = FillClip(f, mode);
    if (!clip) return;
    c.setClip(clip);
  } else if (!entryClip) {
    return;  // no area was built: the whole page is no fill's clip
  }
  const Pen entryPen = c.pen();
  const Box box = FigureBox(f);
  const Box seen = box.meet(BoundsOf(c.clip()->node()));
  const int kind = f.brushKind;
  if (!seen.empty()) {
    if (kind == kSolid) {
      if (c.brush().style == BrushStyle::Solid) c.fillRect(seen.l, seen.t, seen.r, seen.b, c.brush().color);
    } else if (kind >= kHatchRising && kind <= kHatchSquare) {
      const int width = std::max(0, FigInt(f.hatchWidth * st.draw.scale + st.draw.penBias));
      c.setPen(Pen{width, f.brushColor, PenStyle::Solid});
      DrawHatch(st, kind, box, seen);
    } else if (kind == kDotScreen) {
      if (f.dotScreen)
        c.tileBitmap(*f.dotScreen, seen.l, seen.t, seen.r, seen.b, box.l, box.t, f.dotScreen->width(),
                     f.dotScreen->height(), f.dotTransparent ? std::optional<Color>(kWhite) : std::nullopt);
    } else if (kind == kImage) {
      ImageFill(st, box);
    } else if (kind >= kGradLinear && kind <= kGradConic) {
      GradientFill(st, kind, box, seen);
    }
  }
  c.setPen(entryPen);
  c.setClip(entryClip);
}

}  // namespace vel
