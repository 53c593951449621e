#include "math/MathSigns.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "base/Cp932.h"
#include "base/Units.h"
#include "layout/fonts/Fonts.h"
#include "math/MathFonts.h"
#include "seams/Seams.h"

namespace vel {

namespace {

// A number as the figure language reads it, with `decimals` places.
std::string Fixed(double v, int decimals) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  return buf;
}

constexpr double kPi = 3.14159265358979323846;

// Strokes with a pen of the font colour; the pen in force before comes back.
class Strokes {
 public:
  Strokes(State& st, const MathPen& pen, double x0, double y0, int width)
      : st_(st), x0_(x0), y0_(y0), saved_(st.canvas->pen()) {
    st.canvas->setPen(Pen{width, st.chr.font.color, PenStyle::Solid});
    (void)pen;
  }
  ~Strokes() { st_.canvas->setPen(saved_); }
  void line(double ax, double ay, double bx, double by) { st_.canvas->polyline({at(ax, ay), at(bx, by)}); }
  void polyline(std::initializer_list<std::pair<double, double>> pts) {
    std::vector<Point> v;
    for (auto [dx, dy] : pts) v.push_back(at(dx, dy));
    st_.canvas->polyline(v);
  }
  Point at(double dx, double dy) const { return TurnedPoint(st_, x0_, y0_, dx, dy); }
  void setWidth(int w) { st_.canvas->setPen(Pen{w, st_.chr.font.color, PenStyle::Solid}); }

 private:
  State& st_;
  double x0_, y0_;
  Pen saved_;
};

// Draws text of the current font with its cell top `top` below the axis
// (negative: above) and `along` from the pen.
void SignText(State& st, const MathPen& pen, std::string_view text, double along, double top) {
  InclineTextOut(st, pen.x, pen.axis, text, top, along);
}

// The Japanese font of the therefore signs at the current height.
void SelectSignFont(State& st) {
  Font& f = st.chr.font;
  f.name = SJ("ＭＳ Ｐ明朝");
  f.charset = kDefaultCharset;
  f.bold = st.chr.boldMath;
  f.italic = false;
}

}  // namespace

double PenAddition(const State& st) { return st.draw.printing ? 0.99 : 0.5; }

Point TurnedPoint(const State& st, double x0, double y0, double dx, double dy) {
  const double t = st.font.textRotationRad, S = st.draw.scale;
  const double x = x0 + dx * std::cos(t) + dy * std::sin(t);
  const double y = y0 - dx * std::sin(t) + dy * std::cos(t);
  return {static_cast<int>(std::trunc(x * S + 0.5)), static_cast<int>(std::trunc(y * S + 0.5))};
}

int SignPenWidth(const State& st, const MathPen& pen, double boldFactor) {
  const double pt = st.chr.fontSize / units::kFontSizeScale;
  const double b = st.chr.boldMath ? boldFactor : 1.0;
  return static_cast<int>(units::kPerInch * st.draw.scale * pt / 1270.0 * pen.ratio(st) * b + PenAddition(st));
}

MathBox WritePM(State& st, const MathPen& pen, bool plus) {
  const double E = pen.E, f = 0.7 * E, g = 0.1 * E;
  const int size = static_cast<int>(f);
  const MathBox box{size, size / 2, size - size / 2};
  if (!pen.draw || !st.canvas) return box;
  Strokes s(st, pen, pen.x, pen.axis, SignPenWidth(st, pen, 1.3));
  s.line(g, 0, f - g, 0);
  if (plus) s.line(f / 2, -f / 2 + g, f / 2, f / 2 - g / 2);
  return box;
}

void WriteNot(State& st, const MathPen& pen, int w, int variant) {
  if (!pen.draw || !st.canvas) return;
  const double g = 0.4 * pen.E;
  Strokes s(st, pen, pen.x, pen.axis, SignPenWidth(st, pen, 1.25));
  if (variant == 1) s.line((w + g) / 2, -g, (w - g) / 2, g);
  else s.line((w - g) / 2, -g, (w + g) / 2, g);
}

MathBox WriteAngle(State& st, const MathPen& pen) {
  const double E = pen.E;
  const int h = static_cast<int>(E);
  const MathBox box{static_cast<int>(0.6 * E), h / 2, h - h / 2};
  if (!pen.draw || !st.canvas) return box;
  const double y0 = std::trunc(pen.axis + 0.05 * E);
  Strokes s(st, pen, pen.x, y0, SignPenWidth(st, pen, 1.25));
  s.polyline({{0.45 * E, -0.35 * E}, {0, 0.2 * E}, {0.45 * E, 0.2 * E}});
  return box;
}

MathBox WriteThereforFor(State& st, const MathPen& pen, int variant) {
  if (!st.canvas) return {};
  const Font saved = st.chr.font;
  SelectSignFont(st);
  const std::string sign = variant == 2 ? SJ("∵") : SJ("∴");
  const TextMetrics m = st.canvas->metrics(st.chr.font);
  const double fontHeight = std::fabs(static_cast<double>(st.chr.font.height));
  const int w = static_cast<int>(st.canvas->textWidth(st.chr.font, sign) + fontHeight / 6);
  const MathBox box{w, m.height / 2, m.height - m.height / 2};
  if (pen.draw) SignText(st, pen, sign, 0, -(variant == 2 ? 0.5 : 0.43) * m.height);
  st.chr.font = saved;
  return box;
}

MathBox WriteCLdots(State& st, const MathPen& pen, int kind, double n) {
  const double E = pen.E;
  const int h = static_cast<int>(E);
  const double dotH = 0.575 * E, p = E * 5 / 14;
  if (n <= 0) return {0, h / 2, h - h / 2};
  const bool low = kind == 29 || kind == 31 || kind == 33;
  int width = 0;
  std::vector<double> dots;  // x offsets of the dots' cells
  const double first = -0.25 * dotH + p / 2;
  switch (kind) {
    case 28:
    case 29: {
      const int count = static_cast<int>(std::min(n, 1000.0));
      width = static_cast<int>(count * p);
      for (int k = 0; k < count; ++k) dots.push_back(first + k * p);
      break;
    }
    case 30:
    case 31: {
      width = static_cast<int>(n);
      const double q = n - p;
      if (q < 0) break;
      const int k = static_cast<int>(std::min(q / p, 1000.0));
      if (k == 0) dots.push_back(n / 2 - 0.25 * dotH);
      else
        for (int j = 0; j <= k; ++j) dots.push_back(first + j * q / k);
      break;
    }
    case 42: width = static_cast<int>(E / 12 + 0.75 * dotH); break;
    default: width = static_cast<int>(n); break;
  }
  const MathBox box{width, h / 2, h - h / 2};
  if (!pen.draw || !st.canvas) return box;
  const double ascent = st.font.ascent;
  if (kind == 32 || kind == 33) {
    const double lw = std::trunc(units::kPerInch * (st.chr.fontSize / units::kFontSizeScale) / 1270.0);
    Strokes s(st, pen, pen.x, pen.axis, std::max(1, static_cast<int>(lw * st.draw.scale)));
    const double y = low ? -0.2875 * E + 0.7 * ascent : 0;
    s.line(0, y, n, y);
    return box;
  }
  Font dot;
  dot.name = SJ("ＭＳ Ｐ明朝");
  dot.charset = kDefaultCharset;
  dot.bold = st.chr.boldMath;
  dot.color = st.chr.font.color;
  dot.escapement = st.font.textRotationDeg * 10;
  dot.height = -static_cast<int>(std::trunc(dotH * st.draw.scale + 0.5));
  const std::string sign = SJ("・");
  auto put = [&](double dx, double top) {
    const Point at = TurnedPoint(st, pen.x, pen.axis, dx, top);
    st.canvas->textOut(dot, at.x, at.y, sign);
  };
  if (kind == 42) {
    for (int j = 0; j < 3; ++j) put(E / 6, -0.58 * E + j * E / 3);
    return box;
  }
  const double top = low ? -dotH + 0.7 * ascent : -0.4 * dotH;
  for (double dx : dots) put(dx, top);
  return box;
}

int WriteVecBar(State& st, const MathPen& pen, double x, double y, int variant, int level, int width) {
  const double E = pen.E;
  const double r = st.font.mathSizeRatio[static_cast<size_t>(std::clamp(level, 0, 5))];
  const double pt = st.chr.fontSize / units::kFontSizeScale;
  const double lw = std::trunc(units::kPerInch * pt / 1270.0);
  const double b = st.chr.boldMath ? 1.25 : 1.0;
  const bool draw = pen.draw && st.canvas;
  const int penWidth = static_cast<int>(lw * st.draw.scale * b + PenAddition(st));
  switch (variant) {
    case 1: {
      const int height = static_cast<int>(units::kPerMM * 0.6 * pt * 0.1 * r);
      // The figure language's arrow draws it (a head of 1 mm at 10 points),
      // in layout units with y up, the tip turned by the text rotation.
      if (draw && width > 0 && st.seams && st.seams->figure) {
        const double t = st.font.textRotationRad;
        st.seams->figure->VectorArrow(
            st, {"p", Fixed(x, 3), Fixed(-y, 3), Fixed(x + width * std::cos(t), 3),
                 Fixed(-(y - width * std::sin(t)), 3), Fixed(0.0625 * pt * r, 2)});
      }
      return height;
    }
    case 2:
      if (draw && width > 0) {
        Strokes s(st, pen, x, y, penWidth);
        s.line(0, 0, width, 0);
      }
      return static_cast<int>(lw * b);
    case 5: {
      const int c = static_cast<int>(width - 0.1 * E);
      const int a = std::min(c / 5, static_cast<int>(0.6 * E));
      // Too narrow for a crescent: its height is all there is.
      if (a <= 0 || !draw) return a;
      const double h = 0.05 * E + c / 2, halfChord = c / 2, quarter = static_cast<double>((c * c) / 4);
      std::vector<Point> pts;
      auto arc = [&](double sag, bool outer) {
        const double rho = (sag * sag + quarter) / (2 * sag);
        const double gamma = std::atan2(halfChord, rho - sag);
        for (int j = outer ? 0 : 1; j <= 20; ++j) {
          const double th = outer ? (kPi / 2 - gamma) + j * 0.1 * gamma : (kPi / 2 + gamma) - j * 0.1 * gamma;
          pts.push_back(TurnedPoint(st, x, y, h + rho * std::cos(th), rho - sag - rho * std::sin(th)));
        }
      };
      arc(a, true);
      arc(a / (st.chr.boldMath ? 1.3 : 1.2), false);
      const Pen savedPen = st.canvas->pen();
      const Brush savedBrush = st.canvas->brush();
      Brush solid;
      solid.color = st.chr.font.color;
      st.canvas->setPen(Pen{1, st.chr.font.color, PenStyle::Solid});
      st.canvas->setBrush(solid);
      st.canvas->polygon(pts);
      st.canvas->setBrush(savedBrush);
      st.canvas->setPen(savedPen);
      return a;
    }
    default: return 0;
  }
}

MathBox WriteLongArrow(State& st, const MathPen& pen, int variant) {
  if (!st.canvas) return {};
  const Font saved = st.chr.font;
  SetMathFont(st, MathFontKind::Symbol, pen.level, false);
  const double w0 = st.canvas->textWidth(st.chr.font, std::string(1, static_cast<char>(MathGlyphPosition(33))));
  st.chr.font = saved;
  const double E = pen.E, W = 1.6 * w0, d = 0.2 * E;
  const int h = static_cast<int>(0.52 * E);
  const MathBox box{static_cast<int>(W), h / 2, h - h / 2};
  if (!pen.draw) return box;

  const double lw = std::trunc(units::kPerInch * (st.chr.fontSize / units::kFontSizeScale) / 1270.0);
  const double y0 = std::trunc(pen.axis + 0.05 * E);
  // The head: a curved chevron through the tip, its outer corner P = (m, n)
  // and the shaft joint (d, d/2), thickened by lw to the right.
  const double m = 0.3 * E, n = 0.26 * E;
  const double cx = (1.25 * n * d * d - 0.5 * d * (m * m + n * n)) / (2 * n * d - d * m);
  const double cy = (m * m + n * n - 2 * m * cx) / (2 * n);
  const double rho = std::sqrt(cx * cx + cy * cy);
  const double alpha = -std::atan2(n - cy, m - cx), beta = -std::atan2(-cy, -cx), k = (beta - alpha) / 20;
  std::vector<std::pair<double, double>> head;
  for (int i = 0; i <= 20; ++i) head.emplace_back(cx + rho * std::cos(alpha + i * k), cy - rho * std::sin(alpha + i * k));
  for (int i = 1; i <= 20; ++i) head.emplace_back(cx + rho * std::cos(i * k - beta), -cy - rho * std::sin(i * k - beta));
  for (int i = 0; i <= 19; ++i)
    head.emplace_back(cx + rho * std::cos(-alpha - i * k) + lw, -cy - rho * std::sin(-alpha - i * k));
  for (int i = 0; i <= 20; ++i)
    head.emplace_back(cx + rho * std::cos(beta - i * k) + lw, cy - rho * std::sin(beta - i * k));

  const Pen savedPen = st.canvas->pen();
  const Brush savedBrush = st.canvas->brush();
  st.canvas->setPen(Pen{1, st.chr.font.color, PenStyle::Solid});
  Brush black;
  black.color = kBlack;
  st.canvas->setBrush(black);
  auto fill = [&](bool right) {
    std::vector<Point> v;
    for (auto [dx, dy] : head) v.push_back(TurnedPoint(st, pen.x, y0, right ? W - dx : dx, right ? -dy : dy));
    st.canvas->polygon(v);
  };
  if (variant != 2) fill(false);
  if (variant != 1) fill(true);
  st.canvas->setBrush(savedBrush);
  st.canvas->setPen(savedPen);

  const double b = st.chr.boldMath ? 1.25 : 1.0;
  Strokes s(st, pen, pen.x, y0, static_cast<int>(lw * st.draw.scale * b + PenAddition(st)));
  const double from = variant == 2 ? 0 : d + lw, to = variant == 1 ? W : W - d - lw;
  s.line(from, d / 2, to, d / 2);
  s.line(from, -d / 2, to, -d / 2);
  return box;
}

MathBox WriteCraftRels(State& st, const MathPen& pen, int variant) {
  const double E = pen.E;
  if (variant == 1) {
    if (!st.canvas) return {};
    const Font saved = st.chr.font;
    SetMathFont(st, MathFontKind::Roman, pen.level, true);
    const std::string eq = "=";
    const double w = st.canvas->textWidth(st.chr.font, eq);
    const double H = st.canvas->metrics(st.chr.font).height;
    const MathBox box{static_cast<int>(w), static_cast<int>(H) / 2, static_cast<int>(H) - static_cast<int>(H) / 2};
    if (pen.draw) {
      SignText(st, pen, eq, 0, -H / 2);
      SetMathFont(st, MathFontKind::Symbol, pen.level, false);
      const std::string dot(1, static_cast<char>(MathGlyphPosition(197)));
      SignText(st, pen, dot, w / 6, -19 * H / 24);
      SignText(st, pen, dot, w / 2, -5 * H / 24);
    }
    st.chr.font = saved;
    return box;
  }
  const int h = static_cast<int>(E);
  const double widths[] = {0, 0, 0.5, 0.7, 0.75, 0.75};
  const int v = variant >= 2 && variant <= 5 ? variant : 2;
  const MathBox box{static_cast<int>(widths[v] * E), h / 2, h - h / 2};
  if (!pen.draw || !st.canvas) return box;
  const int signPen = SignPenWidth(st, pen, 1.25);
  Strokes s(st, pen, pen.x, pen.axis, signPen);
  switch (v) {
    case 2:
      s.line(0.25 * E, -0.35 * E, 0, 0.25 * E);
      s.line(0.5 * E, -0.35 * E, 0.25 * E, 0.25 * E);
      break;
    case 3:
      s.line(0.33 * E, -0.35 * E, 0.17 * E, 0.1 * E);
      s.line(0.53 * E, -0.35 * E, 0.37 * E, 0.1 * E);
      s.line(0, 0.1 * E, 0.7 * E, 0.1 * E);
      s.line(0, 0.25 * E, 0.7 * E, 0.25 * E);
      break;
    default: {
      s.setWidth(static_cast<int>(0.8 * signPen));
      const double open = v == 4 ? 0.65 : 0.1, tip = v == 4 ? 0.1 : 0.65;
      s.polyline({{open * E, -0.3 * E}, {tip * E, -0.12 * E}, {open * E, 0.06 * E}});
      s.setWidth(signPen);
      s.line(0.1 * E, 0.11 * E, 0.65 * E, 0.11 * E);
      s.line(0.1 * E, 0.26 * E, 0.65 * E, 0.26 * E);
      break;
    }
  }
  return box;
}

}  // namespace vel
