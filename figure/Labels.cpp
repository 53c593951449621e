// Labels and markers of the figure language: \text (DoChar), \pointmarker,
// \linemarker, \anglemarker and GetQuotation, which takes a quoted label
// out of an argument list.
//
// A label is typeset by the box layout, the engine of running text, so it
// may hold formulas, Japanese and even a figure; the counters it steps
// while measured and drawn are put back. Markers draw from their own
// scratch points (never the shared point array, which may hold a closed
// outline being collected) with a 0.2 mm pen in the figure pen's colour,
// solid whatever the figure's pattern. The line and angle markers place
// their labels by generating the argument list of a \text call, so a
// marker's label is placed exactly as the same \text would be.
//
// The construction of line and angle markers runs in page space: layout
// units, y up, before the figure's text rotation, which the conversion to
// the device then applies; a marker thus keeps its millimetres whatever
// the x and y units. Every command stops silently when an argument is
// missing and restores the pen, brush, clip, pattern and rotation.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

#include "base/Units.h"
#include "figure/Figure.h"
#include "frontend/Calc.h"
#include "layout/boxes/Boxes.h"
#include "layout/fonts/Fonts.h"

namespace vel {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kMarkerPenMM = 0.2;
constexpr double kBackingMM = 0.5;  // the white box's reach beyond a label
constexpr const char* kDefaultMarkerSize = "2mm";
// Arc strokes: one point per this many device pixels of arc, within limits.
constexpr double kArcPixelsPerPoint = 2;
constexpr int kArcPointsMin = 8;
constexpr int kArcPointsMax = 2000;

bool Finite(double v) { return std::isfinite(v); }
int Round(double v) { return FigInt(std::floor(v + 0.5)); }

// Page space: layout units, y up, unrotated.
struct PagePt {
  double x = 0, y = 0;
};

PagePt ToPage(const State& st, double ux, double uy) {
  return {st.fig.originX + ux * st.fig.scaleX, -(st.fig.originY - uy * st.fig.scaleY)};
}
void ToUser(const State& st, PagePt p, double& ux, double& uy) {
  ux = (p.x - st.fig.originX) / st.fig.scaleX;
  uy = (st.fig.originY + p.y) / st.fig.scaleY;
}
Point ToDevice(State& st, PagePt p) {
  double ux, uy;
  ToUser(st, p, ux, uy);
  return xxyy(st, ux, uy);
}

// What a marker command changes, put back when it ends.
struct Kept {
  State& st;
  Pen pen;
  Brush brush;
  int style, dimen;
  explicit Kept(State& s)
      : st(s), pen(s.canvas ? s.canvas->pen() : Pen{}), brush(s.canvas ? s.canvas->brush() : Brush{}),
        style(s.fig.penStyle), dimen(s.fig.dimen) {}
  ~Kept() {
    st.fig.penStyle = style;
    st.fig.dimen = dimen;
    if (!st.canvas) return;
    st.canvas->setPen(pen);
    st.canvas->setBrush(brush);
    st.canvas->setClip(st.fig.clipRegion);
  }
};

int MarkerPenWidth(const State& st) {
  return std::max(1, FigInt(units::kPerMM * kMarkerPenMM * st.draw.scale + st.draw.penBias));
}

// A solid stroke between device points (square ends, as every figure line).
void Stroke(State& st, std::vector<Point> pts) {
  const int style = st.fig.penStyle;
  st.fig.penStyle = 0;
  MyLine(st, std::move(pts), false);
  st.fig.penStyle = style;
}

// An option item "dx=len" (name dx, dy, dr or rot); false for anything else.
bool Option(const std::string& item, const char* name, std::string& value) {
  const size_t n = std::char_traits<char>::length(name);
  if (item.compare(0, n, name) != 0) return false;
  size_t k = n;
  while (k < item.size() && item[k] == ' ') ++k;
  if (k >= item.size() || item[k] != '=') return false;
  value = item.substr(k + 1);
  return true;
}

std::string Fixed(double v, int decimals) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, Finite(v) ? v : 0.0);
  return buf;
}

// The label options dx=, dy=, dr= from a[at] on (at most three; the first
// item that is none ends them): the total shift in page space, dr along
// the unit normal (nx, ny).
PagePt LabelShift(State& st, const std::vector<std::string>& a, size_t at, double nx, double ny) {
  PagePt d;
  for (size_t k = at; k < a.size() && k < at + 3; ++k) {
    std::string v;
    if (Option(a[k], "dx", v)) d.x += UnitToPix(st, v);
    else if (Option(a[k], "dy", v)) d.y += UnitToPix(st, v);
    else if (Option(a[k], "dr", v)) {
      const double r = UnitToPix(st, v);
      d.x += r * nx;
      d.y += r * ny;
    } else {
      break;
    }
  }
  return d;
}

// A generated \text call: centred at the page point, shifted by `shift`
// (written in millimetres with 5 decimals), turned by rotDeg when given.
void PlaceLabel(State& st, int box, PagePt at, const std::string& label, PagePt shift, const std::string& rot) {
  const double mm = units::kPerInch / 25.4;
  double ux, uy;
  ToUser(st, at, ux, uy);
  const int dimen = st.fig.dimen;
  st.fig.dimen = 2;
  std::vector<std::string> args{std::to_string(box), Fixed(ux, 9), Fixed(uy, 9), "5", label};
  if (shift.x != 0) args.push_back("dx=" + Fixed(shift.x / mm, 5) + "mm");
  if (shift.y != 0) args.push_back("dy=" + Fixed(shift.y / mm, 5) + "mm");
  if (!rot.empty()) args.push_back("rot=" + rot);
  DoChar(st, args);
  st.fig.dimen = dimen;
}

// Points of the arc of radius r about c from angle a0 to a1 (page space).
std::vector<Point> ArcDevice(State& st, PagePt c, double r, double a0, double a1) {
  const double pixels = std::abs(r * (a1 - a0)) * st.draw.scale;
  int n = Finite(pixels) ? int(std::min<double>(kArcPointsMax, std::ceil(pixels / kArcPixelsPerPoint))) : 0;
  n = std::clamp(n, kArcPointsMin, kArcPointsMax);
  std::vector<Point> out;
  out.reserve(size_t(n) + 1);
  for (int i = 0; i <= n; ++i) {
    const double t = a0 + (a1 - a0) * i / n;
    out.push_back(ToDevice(st, {c.x + r * std::cos(t), c.y + r * std::sin(t)}));
  }
  return out;
}

}  // namespace

std::string GetQuotation(std::vector<std::string>& list, size_t index) {
  if (index >= list.size()) return {};
  std::string& item = list[index];
  const size_t open = item.find('"');
  if (open == std::string::npos) return {};
  const size_t close = item.rfind('"');
  if (close > open) {
    std::string text = item.substr(open + 1, close - open - 1);
    item.resize(open);
    return text;
  }
  // The label holds commas: it ends in a later item.
  for (size_t j = index + 1; j < list.size(); ++j) {
    const size_t end = list[j].find('"');
    if (end == std::string::npos) continue;
    std::string text = item.substr(open + 1);
    for (size_t k = index + 1; k < j; ++k) text += "," + list[k];
    text += "," + list[j].substr(0, end);
    item.resize(open);
    list.erase(list.begin() + long(index) + 1, list.begin() + long(j) + 1);
    return text;
  }
  return {};
}

void DoChar(State& st, const std::vector<std::string>& args) {
  FigureState& f = st.fig;
  if (!st.canvas) return;
  std::vector<std::string> a = args;
  const int dimen = f.dimen == 3 ? 3 : 2;
  const int savedDeg = st.font.textRotationDeg;
  const double savedRad = st.font.textRotationRad;
  // The options stand last (StrTokForText keeps them apart).
  double shiftX = 0, shiftY = 0;
  int turn = 0;
  for (int k = 0; k < 3 && !a.empty(); ++k) {
    std::string v;
    if (Option(a.back(), "dx", v)) shiftX += UnitToPix(st, v) / f.scaleX;
    else if (Option(a.back(), "dy", v)) shiftY += UnitToPix(st, v) / f.scaleY;
    else if (Option(a.back(), "rot", v)) turn += FigInt(Calc(st, v));
    else break;
    a.pop_back();
  }
  double ux, uy;
  if (a.size() < size_t(dimen) + 3 || !ReadUserPoint(st, a, 1, dimen, ux, uy)) return;
  const int box = std::atoi(a[0].c_str());
  int pos = std::atoi(a[size_t(dimen) + 1].c_str());
  const std::string& text = a[size_t(dimen) + 2];
  // The anchor stands where the figure's own rotation puts it; rot= turns
  // the label about it.
  const Point anchor = XXYY(st, ux + shiftX, uy + shiftY);

  const std::array<int, 100> counters = st.val.counters;
  const Result<Extent> measured = BoxWidthHeight(st, text, st.chr.styleLevel, false, false, 0, 0);
  st.val.counters = counters;
  if (!measured) return;
  const int W = measured->width, A = measured->height, D = measured->depth;
  const int mx = FigInt(f.textMarginX), my = FigInt(f.textMarginY), h = (A + D) / 2;
  if (pos < 1 || pos > 9) pos = 1;
  const int column = (pos - 1) % 3, row = (pos - 1) / 3;
  const int dx = column == 0 ? mx : column == 1 ? -(W / 2) : -W - mx;
  const int dy = row == 0 ? A + my : row == 1 ? A - h : -D - my;

  Canvas& c = *st.canvas;
  const Pen pen = c.pen();
  const Brush brush = c.brush();
  st.font.textRotationDeg = savedDeg + turn;
  st.font.textRotationRad = st.font.textRotationDeg * kPi / 180;
  const bool turned = st.font.textRotationDeg != 0;
  const double t = st.font.textRotationRad, ct = std::cos(t), sn = std::sin(t);
  const double S = st.draw.scale;
  // An offset from the anchor (layout units, y down) on the page, turned.
  auto page = [&](double ox, double oy, double& px, double& py) {
    px = anchor.x + (turned ? ox * ct + oy * sn : ox);
    py = anchor.y + (turned ? -ox * sn + oy * ct : oy);
  };
  if (box == 1) {
    const double k = units::kPerMM * kBackingMM;
    const double l = dx - k, r = dx + W + k, top = dy - A - k / 2, bottom = dy + D + 0.7 * k;
    c.setClip(st.geo.fullRegion);
    if (!turned) {
      c.fillRect(FigInt((anchor.x + l) * S), FigInt((anchor.y + top) * S), FigInt((anchor.x + r) * S),
                 FigInt((anchor.y + bottom) * S), kWhite);
    } else {
      std::vector<RegionPoint> corners;
      for (const auto& [ox, oy] : {std::pair{l, top}, {r, top}, {r, bottom}, {l, bottom}}) {
        double px, py;
        page(ox, oy, px, py);
        corners.push_back({Round(px * S), Round(py * S)});
      }
      c.fillRegion(Region::polygon(std::move(corners)), kWhite);
    }
  }
  // The box layout turns a rotated line about the figure's origin: it is
  // given the point that such a turn brings onto the label's place.
  double left = anchor.x + dx, baseline = anchor.y + dy;
  if (turned) {
    double px, py;
    page(dx, dy, px, py);
    const double ox = px - f.originX, oy = py - f.originY;
    left = f.originX + ox * ct - oy * sn;
    baseline = f.originY + ox * sn + oy * ct;
  }
  c.setClip(f.textClip != 0 ? f.clipRegion : st.geo.fullRegion);
  const std::array<int, 100> drawnCounters = st.val.counters;
  (void)BoxWidthHeight(st, text, st.chr.styleLevel, false, true, FigInt(baseline), FigInt(left));
  st.val.counters = drawnCounters;
  st.font.textRotationDeg = savedDeg;
  st.font.textRotationRad = savedRad;
  c.setPen(pen);
  c.setBrush(brush);
  c.setClip(f.clipRegion);
}

void DoPointMarker(State& st, const std::vector<std::string>& a, bool outlineOnly) {
  FigureState& f = st.fig;
  const int dimen = f.dimen == 3 ? 3 : 2;
  if (!st.canvas || a.size() < 2 + size_t(dimen)) return;
  const Kept kept(st);
  Canvas& c = *st.canvas;
  const int kind = FigInt(Calc(st, a[0]));
  if (kind < 1 || kind > 14) return;
  const double s = UnitToPix(st, a[1]) * st.draw.scale;  // device pixels
  if (!(s > 0)) return;
  const bool filled = kind == 2 || kind == 5 || kind == 7 || kind == 9 || kind == 11 || kind == 13;
  const Color colour = kept.pen.color;
  if (filled) {
    c.setPen(Pen{1, colour, PenStyle::Solid});
    c.setBrush(Brush{BrushStyle::Solid, colour, Hatch::Horizontal, nullptr});
  } else {
    c.setPen(Pen{MarkerPenWidth(st), colour, PenStyle::Solid});
    c.setBrush(Brush{outlineOnly ? BrushStyle::Clear : BrushStyle::Solid, kWhite, Hatch::Horizontal, nullptr});
  }
  c.setClip(f.clipRegion);
  const double t = st.font.textRotationRad, ct = std::cos(t), sn = std::sin(t);
  const double r = s / 2;
  const size_t count = (a.size() - 2) / size_t(dimen);
  for (size_t i = 0; i < count; ++i) {
    double ux, uy;
    ReadUserPoint(st, a, 2 + i * size_t(dimen), dimen, ux, uy);
    const Point p = xxyy(st, ux, uy);
    // A device offset (y down) from the centre, turned with the text.
    auto at = [&](double ox, double oy) { return Point{Round(p.x + ox * ct + oy * sn), Round(p.y - ox * sn + oy * ct)}; };
    auto circle = [&](double radius) {
      c.ellipse(Round(p.x - radius), Round(p.y - radius), Round(p.x + radius), Round(p.y + radius));
    };
    std::vector<Point> poly;
    switch (kind) {
      case 1:
      case 2:
        circle(r);
        continue;
      case 14:
        circle(r);
        circle(r / 2);
        continue;
      case 3:
        Stroke(st, {at(-r, -r), at(r, r)});
        Stroke(st, {at(-r, r), at(r, -r)});
        continue;
      case 4:
      case 5:
      case 6:
      case 7: {
        const double flip = kind >= 6 ? -1 : 1;  // point down
        const double half = std::sqrt(3.0) / 4 * s;
        poly = {at(0, -flip * r), at(half, flip * s / 4), at(-half, flip * s / 4)};
        break;
      }
      case 8:
      case 9: {
        const double inner = r * std::sin(18 * kPi / 180) / std::sin(126 * kPi / 180);
        for (int v = 0; v < 10; ++v) {
          const double ang = kPi / 2 + v * kPi / 5, rad = v % 2 == 0 ? r : inner;
          poly.push_back(at(rad * std::cos(ang), -rad * std::sin(ang)));
        }
        break;
      }
      case 10:
      case 11:
        poly = {at(-r, -r), at(r, -r), at(r, r), at(-r, r)};
        break;
      case 12:
      case 13:
        poly = {at(0, -r), at(r, 0), at(0, r), at(-r, 0)};
        break;
      default:
        continue;
    }
    c.polygon(poly);
  }
}

void DoLineMarker(State& st, const std::vector<std::string>& args) {
  FigureState& f = st.fig;
  const int dimen = f.dimen == 3 ? 3 : 2;
  const size_t markAt = 2 * size_t(dimen) + 1;
  if (!st.canvas || args.size() <= markAt) return;
  std::vector<std::string> a = args;
  double x1, y1, x2, y2;
  ReadUserPoint(st, a, 0, dimen, x1, y1);
  ReadUserPoint(st, a, size_t(dimen), dimen, x2, y2);
  const Kept kept(st);
  Canvas& c = *st.canvas;
  // The centre, offset to the right of P1 -> P2: a length with a unit is
  // measured on the page, a plain number in user units.
  const double off = UnitToPix(st, a[markAt - 1]);
  const bool physical = st.val.unitGiven;
  const PagePt p1 = ToPage(st, x1, y1), p2 = ToPage(st, x2, y2);
  const double Dx = p2.x - p1.x, Dy = p2.y - p1.y, len = std::hypot(Dx, Dy);
  if (!(len > 0) || !Finite(len)) return;
  const double nx = Dy / len, ny = -Dx / len;  // right of the direction of travel
  PagePt m;
  if (physical) {
    m = {(p1.x + p2.x) / 2 + off * nx, (p1.y + p2.y) / 2 + off * ny};
  } else {
    const double k = Calc(st, a[markAt - 1]);
    const double ux = x2 - x1, uy = y2 - y1, ul = std::hypot(ux, uy);
    m = ToPage(st, (x1 + x2) / 2 + k * uy / ul, (y1 + y2) / 2 - k * ux / ul);
  }
  const double theta = std::atan2(Dy, Dx);

  const std::string label = GetQuotation(a, markAt);
  if (!label.empty()) {
    const bool inline_ = !a[markAt].empty() && a[markAt][0] == 'i';
    size_t optionsAt = markAt + 1;
    const CharStyle chr = st.chr;
    if (inline_ && optionsAt < a.size()) SetFontSize(st, a[optionsAt++], st.chr.styleLevel);
    const PagePt shift = LabelShift(st, a, optionsAt, nx, ny);
    std::string rot;
    if (inline_) {
      double deg = theta * 180 / kPi - st.font.textRotationDeg;
      deg = std::remainder(deg, 360.0);
      if (deg < -90 || deg > 90) deg += 180;
      rot = Fixed(deg, 1);
    }
    PlaceLabel(st, 1, m, label, shift, rot);
    st.chr = chr;
    SetFont(st, st.chr.font, st.chr.styleLevel);
    return;
  }
  const int mark = FigInt(Calc(st, a[markAt]));
  std::string sizeText = markAt + 1 < a.size() && !a[markAt + 1].empty() && a[markAt + 1][0] != 'd'
                             ? a[markAt + 1]
                             : std::string(kDefaultMarkerSize);
  const double size = UnitToPix(st, sizeText);
  c.setPen(Pen{MarkerPenWidth(st), kept.pen.color, PenStyle::Solid});
  c.setBrush(Brush{BrushStyle::Solid, kept.pen.color, Hatch::Horizontal, nullptr});
  c.setClip(f.clipRegion);
  const double ux = std::cos(theta), uy = std::sin(theta);  // along the segment
  auto tick = [&](PagePt centre, double length) {
    Stroke(st, {ToDevice(st, {centre.x - nx * length / 2, centre.y - ny * length / 2}),
                ToDevice(st, {centre.x + nx * length / 2, centre.y + ny * length / 2})});
  };
  switch (mark) {
    case 1:
    case 2: {
      if (mark == 1) c.setBrush(Brush{BrushStyle::Clear, kWhite, Hatch::Horizontal, nullptr});
      const Point p = ToDevice(st, m);
      const double r = size / 2 * st.draw.scale;
      c.ellipse(Round(p.x - r), Round(p.y - r), Round(p.x + r), Round(p.y + r));
      return;
    }
    case 3:
      for (double turn : {kPi / 4, -kPi / 4}) {
        const double cx = std::cos(theta + turn) * size / 2, cy = std::sin(theta + turn) * size / 2;
        Stroke(st, {ToDevice(st, {m.x - cx, m.y - cy}), ToDevice(st, {m.x + cx, m.y + cy})});
      }
      return;
    case 4:
      for (double along : {-0.156, 0.156}) tick({m.x + ux * along * size, m.y + uy * along * size}, 0.625 * size);
      return;
    case 5:
      tick(m, size / 2);
      return;
    default:
      return;
  }
}

void DoAngleMarker(State& st, const std::vector<std::string>& args) {
  FigureState& f = st.fig;
  const int dimen = f.dimen == 3 ? 3 : 2;
  const size_t markAt = 3 * size_t(dimen);
  if (!st.canvas || args.size() < markAt + 2) return;
  std::vector<std::string> a = args;
  double vx, vy, ax, ay, bx, by;
  ReadUserPoint(st, a, 0, dimen, vx, vy);
  ReadUserPoint(st, a, size_t(dimen), dimen, ax, ay);
  ReadUserPoint(st, a, 2 * size_t(dimen), dimen, bx, by);
  const Kept kept(st);
  f.dimen = 2;
  const std::string label = GetQuotation(a, markAt);
  if (a.size() < markAt + 2) return;
  const std::string mark = a[markAt];
  // The radius on the page: a length with a unit as it is, a number in
  // user x units.
  double radius = UnitToPix(st, a[markAt + 1]);
  if (!st.val.unitGiven) radius = Calc(st, a[markAt + 1]) * f.scaleX;
  if (!(radius > 0) || !Finite(radius)) return;
  const PagePt v = ToPage(st, vx, vy);
  // Directions on the page (the y unit may differ from the x unit).
  const double tA = std::atan2(ay * f.scaleY, ax * f.scaleX);
  double tB = std::atan2(by * f.scaleY, bx * f.scaleX);
  if (!Finite(tA) || !Finite(tB)) return;
  if (tB < tA) tB += 2 * kPi;
  const double bis = (tA + tB) / 2;
  const PagePt onArc{v.x + radius * std::cos(bis), v.y + radius * std::sin(bis)};
  st.canvas->setClip(f.clipRegion);
  const char kind = mark.empty() ? ' ' : mark[0];
  if (kind == 's') {
    MyLine(st, ArcDevice(st, v, radius, tA, tB), false);
  } else if (kind == 'd') {
    const double gap = units::kPerMM * 0.5 + kept.pen.width / st.draw.scale;
    for (double d : {-gap / 2, gap / 2})
      if (radius + d > 0) MyLine(st, ArcDevice(st, v, radius + d, tA, tB), false);
  } else if (kind == 'r') {
    // The far sides of the square spanned by the two directions; past a
    // half turn the mark goes to the opposite quadrant.
    const double r = tB - tA > kPi ? -radius : radius;
    const PagePt ea{r * std::cos(tA), r * std::sin(tA)}, eb{r * std::cos(tB), r * std::sin(tB)};
    MyLine(st,
           {ToDevice(st, {v.x + ea.x, v.y + ea.y}), ToDevice(st, {v.x + ea.x + eb.x, v.y + ea.y + eb.y}),
            ToDevice(st, {v.x + eb.x, v.y + eb.y})},
           false);
  }
  // The size argument: a marker's size, or the label's font size.
  const bool sized = a.size() > markAt + 2 && !a[markAt + 2].empty() && a[markAt + 2][0] != 'd';
  const int code = kind == ' ' ? std::atoi(mark.c_str()) : std::atoi(mark.c_str() + 1);
  double ux, uy;
  ToUser(st, onArc, ux, uy);
  const std::string size = sized ? a[markAt + 2] : std::string(kDefaultMarkerSize);
  if (code >= 1 && code <= 14) {
    DoPointMarker(st, {std::to_string(code), size, Fixed(ux, 9), Fixed(uy, 9)}, true);
  } else if (code == 15 || code == 16) {
    // A short chord along the arc: its ticks stand across the arc.
    const double tx = -std::sin(bis), ty = std::cos(bis), e = radius / 100;
    double sx, sy, ex, ey;
    ToUser(st, {onArc.x - tx * e, onArc.y - ty * e}, sx, sy);
    ToUser(st, {onArc.x + tx * e, onArc.y + ty * e}, ex, ey);
    DoLineMarker(st, {Fixed(sx, 9), Fixed(sy, 9), Fixed(ex, 9), Fixed(ey, 9), "0", code == 15 ? "5" : "4", size});
  }
  if (label.empty()) return;
  const CharStyle chr = st.chr;
  size_t optionsAt = markAt + 2;
  if (sized) SetFontSize(st, a[optionsAt++], st.chr.styleLevel);
  const PagePt shift = LabelShift(st, a, optionsAt, std::cos(bis), std::sin(bis));
  PlaceLabel(st, 0, onArc, label, shift, "");
  st.chr = chr;
  SetFont(st, st.chr.font, st.chr.styleLevel);
}

}  // namespace vel
