// Drawn signs and structures on the fixed canvas at one device pixel per
// layout unit: the geometry read back from the drawing log, and a few
// pixel probes at 254 dpi (ten pixels a millimetre).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "StateFixture.h"
#include "base/Units.h"
#include "canvas/qt/QtCanvas.h"
#include "frontend/Values.h"
#include "math/MathDelimiters.h"
#include "math/MathLayout.h"
#include "math/MathSigns.h"

using namespace vel;

namespace {

struct Shapes : veltest::StateFixture {
  MathPen pen;
  Shapes() {
    st.draw.scale = 1;
    BeginMathSegment(st, pen, 2);
    pen.draw = true;
  }
  // The points of every logged line starting with `what` ("polygon", "polyline").
  std::vector<std::vector<Point>> shapes(const std::string& what) {
    std::vector<std::vector<Point>> out;
    for (const std::string& l : logged(what + " ")) {
      std::istringstream in(l.substr(what.size() + 1));
      std::vector<Point> pts;
      std::string p;
      while (in >> p) {
        Point q{};
        if (std::sscanf(p.c_str(), "%d,%d", &q.x, &q.y) == 2) pts.push_back(q);
      }
      out.push_back(pts);
    }
    return out;
  }
  int width(int kind, double length) {
    MathPen m = pen;
    m.draw = false;
    return Kakko(st, m, 0, 0, 2, kind, length);
  }
};

std::pair<int, int> Span(const std::vector<Point>& pts, bool vertical) {
  int lo = INT32_MAX, hi = INT32_MIN;
  for (const Point& p : pts) {
    lo = std::min(lo, vertical ? p.y : p.x);
    hi = std::max(hi, vertical ? p.y : p.x);
  }
  return {lo, hi};
}

}  // namespace

TEST(MathShapes, DelimiterWidthsAndLimits) {
  Shapes f;
  const double E = f.pen.E, mm = units::kPerMM;
  EXPECT_EQ(f.width(kKakkoNull, 5000), 0);
  for (double len : {1000.0, 20000.0}) EXPECT_EQ(f.width(kKakkoBar, len), static_cast<int>(0.3 * E));
  // Parentheses stop bulging at 3 E0.
  EXPECT_EQ(f.width(kKakkoParen, 3.5 * E), f.width(kKakkoParen, 10 * E));
  EXPECT_LT(f.width(kKakkoParen, 2 * E), f.width(kKakkoParen, 3 * E));
  // A brace whose shortened length is 6 mm is 1.5 mm deep; longer, 1.7 mm.
  const double six = 6 * mm + 0.1 * E;
  EXPECT_EQ(f.width(kKakkoBrace, six), static_cast<int>(0.05 * E + 1.5 * mm + 0.15 * E));
  EXPECT_EQ(f.width(kKakkoBrace, six + 200), static_cast<int>(0.05 * E + 1.7 * mm + 0.15 * E));
  // Brackets of 8 mm and longer have 1 mm arms.
  EXPECT_EQ(f.width(kKakkoBracket, 8 * mm + 0.1 * E), static_cast<int>(0.05 * E + 1 * mm + 0.15 * E));
  EXPECT_EQ(f.width(kKakkoBracket, 30 * mm), static_cast<int>(0.05 * E + 1 * mm + 0.15 * E));
}

TEST(MathShapes, MirrorPairsAreMirrorImages) {
  const std::pair<int, int> pairs[] = {{kKakkoParen, kKakkoCloseParen}, {kKakkoBrace, kKakkoCloseBrace}};
  for (auto [open, close] : pairs) {
    Shapes f;
    const double length = 4 * f.pen.E;
    const int w = Kakko(f.st, f.pen, 0, 0, 2, open, length);
    (void)Kakko(f.st, f.pen, 0, 0, 2, close, length);
    const auto shapes = f.shapes("polygon");
    ASSERT_EQ(shapes.size(), open == kKakkoParen ? 2u : 4u);
    const size_t half = shapes.size() / 2;
    for (size_t s = 0; s < half; ++s) {
      std::vector<Point> a = shapes[s], b = shapes[s + half];
      for (Point& p : a) p.x = w - p.x;
      ASSERT_EQ(a.size(), b.size());
      // Every mirrored point is a point of the other sign (rounding aside).
      for (size_t i = 0; i < a.size(); ++i) {
        const bool found = std::any_of(b.begin(), b.end(), [&](const Point& q) {
          return std::abs(q.x - a[i].x) <= 1 && std::abs(q.y - a[i].y) <= 1;
        });
        EXPECT_TRUE(found) << open << " point " << i << " at " << a[i].x << "," << a[i].y;
      }
    }
    // The sign spans the length less 0.1 E, from 0.05 E below the top.
    const auto span = Span(shapes[0], true);
    EXPECT_NEAR(span.first, static_cast<int>(0.05 * f.pen.E), 1);
  }
}

TEST(MathShapes, DotRowsAndLongArrows) {
  Shapes f;
  const double p = f.pen.E * 5 / 14;
  const MathBox five = WriteCLdots(f.st, f.pen, 28, 5);
  EXPECT_EQ(five.width, static_cast<int>(5 * p));
  const auto dots = f.logged("text ");
  ASSERT_EQ(dots.size(), 5u);
  int x0 = 0, x4 = 0;
  std::sscanf(dots[0].c_str(), "text %d", &x0);
  std::sscanf(dots[4].c_str(), "text %d", &x4);
  EXPECT_NEAR(x4 - x0, 4 * p, 2);
  // A huge count is capped: no overflow, no 10^8 dots.
  f.fake.clearLog();
  const MathBox huge = WriteCLdots(f.st, f.pen, 28, 1e8);
  EXPECT_GT(huge.width, 0);
  EXPECT_LE(f.logged("text ").size(), 1000u);

  // A double arrow with both heads is symmetric about its middle.
  f.fake.clearLog();
  const MathBox arrow = WriteLongArrow(f.st, f.pen, 3);
  const auto heads = f.shapes("polygon");
  ASSERT_EQ(heads.size(), 2u);
  const auto left = Span(heads[0], false), right = Span(heads[1], false);
  EXPECT_EQ(left.first, 0);
  EXPECT_NEAR(right.second, arrow.width, 1);
  EXPECT_NEAR(left.first + right.second, left.second + right.first, 2);
}

TEST(MathShapes, AnArcTooNarrowForACrescentDrawsNothing) {
  Shapes f;
  const int narrow = static_cast<int>(0.1 * f.pen.E) + 4;
  EXPECT_LE(WriteVecBar(f.st, f.pen, 0, 0, 5, 2, narrow), 0);
  EXPECT_TRUE(f.logged("polygon").empty());
  EXPECT_GT(WriteVecBar(f.st, f.pen, 0, 0, 5, 2, static_cast<int>(3 * f.pen.E)), 0);
  EXPECT_EQ(f.logged("polygon").size(), 1u);
}

TEST(MathShapes, StretchedParenthesisAtTenPixelsAMillimetre) {
  // A parenthesis around a tall fraction spans the delimiter length the
  // layout asked for: probed on the rendered page.
  Bitmap page(400, 400);
  auto canvas = QtCanvas::onBitmap(page, 254, 254);
  veltest::StateFixture f(canvas.get());
  f.st.draw.scale = units::DeviceScale(254);
  const MathBox b = MathWidthHeight(f.st, "\\left(\\frac{\\frac{a}{b}}{\\frac{c}{d}}\\right)", 1, true, 1000, 1000);
  MathPen display;
  BeginMathSegment(f.st, display, 1);
  const double E = display.E;
  canvas.reset();
  f.st.canvas = &f.fake;
  ASSERT_GT(b.width, 0);
  // Ink of the left sign: the band from the formula's left edge to its
  // right margin (a tall sign bulges 0.45 E; its margins are 0.125 E and 0.15 E).
  const int x0 = static_cast<int>(1000 * f.st.draw.scale), x1 = x0 + static_cast<int>(0.7 * E * f.st.draw.scale);
  int top = -1, bottom = -1;
  for (int y = 0; y < page.height(); ++y)
    for (int x = x0; x < x1; ++x)
      if ((page.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF) {
        if (top < 0) top = y;
        bottom = y;
      }
  ASSERT_GE(top, 0);
  // Symmetric about the axis: 2 max(above, below) less 0.1 E, in pixels.
  const double expected = (2 * std::max(b.height, b.depth) - 0.1 * E) * f.st.draw.scale;
  EXPECT_NEAR(bottom - top, expected, 4);
}

TEST(MathStructures, FractionLimitsPhantomsAndMeasurements) {
  Shapes f;
  // The rule runs on the axis under both parts with the outer margin.
  (void)MathWidthHeight(f.st, "\\frac{a}{bbb}", 1, true, 0, 0);
  const auto rules = f.shapes("polyline");
  ASSERT_FALSE(rules.empty());
  const auto& rule = rules.back();
  ASSERT_EQ(rule.size(), 2u);
  EXPECT_EQ(rule[0].y, rule[1].y);
  int ax = 0, bx = 0;
  for (const std::string& l : f.logged("text ")) {
    int x = 0;
    std::sscanf(l.c_str(), "text %d", &x);
    if (l.back() == 'a') ax = x;
    if (l.back() == 'b' && !bx) bx = x;
  }
  EXPECT_GT(ax, bx);  // the narrower numerator is centred over the wider denominator
  EXPECT_GT(bx, rule[0].x);

  // A phantom takes its room and draws nothing.
  f.fake.clearLog();
  const MathBox ph = MathWidthHeight(f.st, "\\phantom{x}y", 2, true, 0, 0);
  const MathBox plain = MathWidthHeight(f.st, "xy", 2, false, 0, 0);
  EXPECT_EQ(ph.width, plain.width);
  const auto texts = f.logged("text ");
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].back(), 'y');

  // \getmath leaves the measured box in its lengths.
  const MathBox x2 = MathWidthHeight(f.st, "\\uplow{x}{2}{}", 2, false, 0, 0);
  (void)MathWidthHeight(f.st, "\\getmathA{\\uplow{x}{2}{}}", 2, false, 0, 0);
  EXPECT_EQ(LengthOf(f.st, "mathwidthA"), x2.width);
  EXPECT_EQ(LengthOf(f.st, "mathheightA"), x2.height + x2.depth);

  // \last ends at the line's right end whatever comes before it.
  SetLengthList(f.st, "linewidth", 200000);
  SetLengthList(f.st, "mathrightindent", 0);
  f.st.draw.lineLeftX = 0;
  auto lastX = [&](const std::string& formula) {
    f.fake.clearLog();
    (void)MathWidthHeight(f.st, formula, 1, true, 0, 0);
    int x = -1;
    for (const std::string& l : f.logged("text "))
      if (l.size() >= 2 && l.compare(l.size() - 2, 2, " (") == 0) std::sscanf(l.c_str(), "text %d", &x);
    return x;
  };
  const int short1 = lastX("a\\last{(1)}"), long1 = lastX("a+b+c+d+e\\last{(1)}");
  EXPECT_GT(short1, 100000);
  EXPECT_EQ(short1, long1);
}

TEST(MathShapes, BracketStrokesAtTenPixelsAMillimetre) {
  // A bracket's strokes are 0.2 mm plus the screen's half-pixel bias: two
  // pixels at 254 dpi; its arms 1 mm (ten pixels) for a tall bracket.
  Bitmap page(400, 400);
  auto canvas = QtCanvas::onBitmap(page, 254, 254);
  veltest::StateFixture f(canvas.get());
  f.st.draw.scale = units::DeviceScale(254);
  const MathBox b = MathWidthHeight(f.st, "\\left[\\frac{\\frac{a}{b}}{\\frac{c}{d}}\\right]", 1, true, 1000, 1000);
  canvas.reset();
  f.st.canvas = &f.fake;
  ASSERT_GT(b.width, 0);
  const int x0 = static_cast<int>(1000 * f.st.draw.scale);
  const int middle = static_cast<int>((1000 + b.height) * f.st.draw.scale);
  auto ink = [&](int x, int y) { return (page.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF; };
  int first = -1, run = 0;
  for (int x = x0; x < x0 + 20; ++x)
    if (ink(x, middle)) {
      if (first < 0) first = x;
      ++run;
    } else if (first >= 0) {
      break;
    }
  ASSERT_GE(first, 0);
  EXPECT_GE(run, 2);
  EXPECT_LE(run, 3);
  // The top arm: ink from the stroke rightwards for about 1 mm.
  int top = -1;
  for (int y = 0; y < middle && top < 0; ++y)
    if (ink(first, y)) top = y;
  int arm = 0;
  while (first + arm < page.width() && ink(first + arm, top)) ++arm;
  EXPECT_NEAR(arm, 10, 2);
}

TEST(MathShapes, TheVectorArrowIsTheFigureArrowAndLeavesAFiguresOutline) {
  // Inside a figure collecting a closed outline, the accent still draws
  // and the outline's points stay as they were.
  Shapes f;
  f.st.fig.closeMode = true;
  f.st.fig.closeLast = 1;
  (void)f.st.fig.points.set(0, {7, 7});
  (void)f.st.fig.points.set(1, {9, 9});
  const int width = static_cast<int>(2 * f.pen.E);
  EXPECT_GT(WriteVecBar(f.st, f.pen, 100, 500, 1, 2, width), 0);
  // The figure arrow's curved head (three arcs, flattened on this canvas)
  // and its shaft (a quadrilateral).
  const auto shapes = f.shapes("polygon");
  const auto head = std::find_if(shapes.begin(), shapes.end(), [](const auto& s) { return s.size() > 4u; });
  ASSERT_NE(head, shapes.end());
  const auto span = Span(*head, false);
  EXPECT_NEAR(span.second, 100 + width, 1);  // its tip at the accent's right end
  EXPECT_EQ(f.st.fig.points.get(0).x, 7);
  EXPECT_EQ(f.st.fig.points.get(1).y, 9);
  EXPECT_TRUE(f.st.fig.closeMode);
}

TEST(MathShapes, ParenthesesAreCrescentsOfCircles) {
  // Drawn in curve pieces (flattened on this canvas): every point of either
  // arc lies on the circle through its ends and its middle.
  for (int kind : {kKakkoParen, kKakkoCloseParen}) {
    Shapes f;
    (void)Kakko(f.st, f.pen, 0, 0, 2, kind, 6 * f.pen.E);
    const auto shapes = f.shapes("polygon");
    ASSERT_EQ(shapes.size(), 1u);
    const std::vector<Point>& all = shapes[0];
    ASSERT_EQ(all.size() % 2, 1u);
    const size_t half = all.size() / 2;  // the outer arc's points, then the inner's back
    for (size_t from : {size_t{0}, half}) {
      const Point a = all[from], b = all[from + half / 2], c = all[(from + half) % all.size()];
      // The circle through a, b and c.
      const double d = 2.0 * (a.x * (b.y - c.y) + b.x * (c.y - a.y) + c.x * (a.y - b.y));
      ASSERT_NE(d, 0);
      auto sq = [](const Point& p) { return double(p.x) * p.x + double(p.y) * p.y; };
      const double ux = (sq(a) * (b.y - c.y) + sq(b) * (c.y - a.y) + sq(c) * (a.y - b.y)) / d;
      const double uy = (sq(a) * (c.x - b.x) + sq(b) * (a.x - c.x) + sq(c) * (b.x - a.x)) / d;
      const double r = std::hypot(a.x - ux, a.y - uy);
      for (size_t i = from; i <= from + half; ++i) {
        const Point& p = all[i % all.size()];
        EXPECT_NEAR(std::hypot(p.x - ux, p.y - uy), r, 1.5) << kind << " point " << i << " of " << all.size();
      }
    }
  }
}
