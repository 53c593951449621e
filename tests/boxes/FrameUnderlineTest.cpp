// Frames and underlines: the room they add, the messages of bad styles and
// patterns, and the paths they draw (at one device pixel per layout unit,
// so drawn coordinates read as layout units).
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "BoxFixture.h"
#include "layout/boxes/LineStyle.h"

using namespace boxtest;
using veltest::sj;

namespace {

constexpr int kW = 157, kS = 393, kD = 236, kSep = 157;  // rule width, frame sep, double-line sep, underline sep

int frame(Fixture& f, const std::string& utf8, bool draw = false, int y = 0, int x = 0) {
  return f.take(vel::FrameBox(f.st, sj(utf8), 2, draw, y, x));
}
int underline(Fixture& f, const std::string& utf8, int kind, bool draw = false, int y = 0, int x = 0) {
  return f.take(vel::UnderLine(f.st, sj(utf8), 2, kind, draw, y, x));
}

// The points of a logged "polygon"/"polyline" line.
std::vector<vel::Point> pointsOf(const std::string& line) {
  std::vector<vel::Point> pts;
  std::istringstream in(line.substr(line.find(' ') + 1));
  std::string p;
  while (in >> p) {
    size_t comma = p.find(',');
    pts.push_back({std::stoi(p.substr(0, comma)), std::stoi(p.substr(comma + 1))});
  }
  return pts;
}

std::vector<std::pair<int, int>> pairs(const std::vector<vel::Point>& pts) {
  std::vector<std::pair<int, int>> out;
  for (vel::Point p : pts) out.emplace_back(p.x, p.y);
  return out;
}

void drawAtUnitScale(Fixture& f) {
  f.st.draw.scale = 1;
  f.st.font.deviceHeight = f.st.font.layoutHeight;
}

}  // namespace

TEST(FrameBox, RoomOfLineFrames) {
  const Box bare{2 * kEm, kAscent, kDescent};
  struct Case {
    const char* text;
    int e;
  } cases[] = {
      {"あい", kW + kS},
      {"\\style{0}あい", kW + kS},
      {"\\style{r2}あい", kW + kS},
      {"\\style{ 3 }あい", kW + kS},
      {"\\style{12}あい", 2 * kW + kS + kD},
      {"\\style{r55}あい", 2 * kW + kS + kD},
  };
  for (const Case& c : cases) {
    Fixture f;
    ASSERT_EQ(frame(f, c.text), 0) << c.text;
    EXPECT_EQ(f.result(), (Box{bare.width + 2 * c.e, bare.height + c.e, bare.depth + c.e})) << c.text;
  }
}

TEST(FrameBox, BadStylesAndContents) {
  struct Case {
    const char* text;
    const char* message;
  } cases[] = {
      {"\\style{6}x", "** \\styleのエラー"},
      {"\\style{r}x", "** \\styleのエラー"},
      {"\\style{123}x", "** \\styleのエラー"},
      {"\\style{}x", "** \\styleのエラー"},
      {"a\\\\b", "** \\frameboxコマンドの記述エラー(a\\\\b)"},
      {"\\style{\\top{\\/}}x", "** \\frameboxコマンドの記述エラー"},
      {"\\style{\\left{\\hskip{1mm}}}x", "** \\frameboxコマンドの記述エラー"},
      {"\\style{\\yoko{\\\\}}x", "** \\frameboxコマンドの記述エラー"},
  };
  for (const Case& c : cases) {
    Fixture f;
    EXPECT_EQ(frame(f, c.text, true), -10) << c.text;
    ASSERT_FALSE(f.messages().empty()) << c.text;
    EXPECT_EQ(f.messages().back(), c.message) << c.text;
  }
}

TEST(FrameBox, SingleAndDoubleRectangles) {
  Fixture f;
  drawAtUnitScale(f);
  ASSERT_EQ(frame(f, "あ", true, 10000, 1000), 0);
  // The pen: the rule width in device pixels plus the bias; the line's
  // centre half a rule inside the frame's edge.
  EXPECT_EQ(f.logged("pen ").front(), "pen 157 000000 0");
  std::vector<std::string> polys = f.logged("polygon");
  ASSERT_EQ(polys.size(), 1u);
  const int h = kW / 2;  // 78.5 rounds up at +0.5
  EXPECT_EQ(pairs(pointsOf(polys[0])), (std::vector<std::pair<int, int>>{{1000 + h + 1, 10000 - kAscent - kS - h},
                                                         {1000 + 2 * (kW + kS) + kEm - h, 10000 - kAscent - kS - h},
                                                         {1000 + 2 * (kW + kS) + kEm - h, 10000 + kDescent + kS + h + 1},
                                                         {1000 + h + 1, 10000 + kDescent + kS + h + 1}}));
  // The content sits at x + e.
  EXPECT_EQ(f.logged("text ").front().rfind("text " + std::to_string(1000 + kW + kS) + " ", 0), 0u);

  Fixture g;
  drawAtUnitScale(g);
  ASSERT_EQ(frame(g, "\\style{34}あ", true, 10000, 0), 0);
  std::vector<std::string> lines = g.logged("polyline");
  ASSERT_FALSE(lines.empty());
  // Two dotted/dash-dot closed lines: the outer edge of the outer line is the box's edge.
  int minX = 1 << 30;
  for (const std::string& l : lines)
    for (vel::Point p : pointsOf(l)) minX = std::min(minX, p.x);
  EXPECT_EQ(minX, static_cast<int>(kW / 2.0 + 0.5));
}

TEST(FrameBox, RoundedCornersFollowTheCornerRule) {
  Fixture f;
  drawAtUnitScale(f);
  // A box 2 mm high without depth: the radius is min(1 + 0.5, (3 + sqrt 2)/2 x 0.5) mm + w/2.
  ASSERT_EQ(frame(f, "\\style{r0}\\hskip{5mm}\\raisebox{\\raise{2mm}\\hskip{1mm}}\\raisebox{\\raise{0mm}\\hskip{1mm}}",
                  true, 20000, 0),
            0);
  EXPECT_EQ(f.result().depth, kW + kS);
  std::vector<std::string> polys = f.logged("polygon");
  ASSERT_EQ(polys.size(), 1u);
  std::vector<vel::Point> pts = pointsOf(polys[0]);
  ASSERT_EQ(pts.size(), 204u);
  const double radius = std::min(1574 / 2.0 + kS, (3 + std::sqrt(2.0)) / 2 * kS) + kW / 2.0;
  EXPECT_NEAR(radius, 1.10 * 787.4 + kW / 2.0, 3);  // about 1.10 mm plus half the rule
  // The first arc starts on the left side r above the top-left corner's
  // centre and the arc's end is r to its right, on the top side.
  const double left = kW / 2.0, top = 20000 - 1574 - kS - kW / 2.0;
  EXPECT_NEAR(pts[0].x, left, 1);
  EXPECT_NEAR(pts[0].y, top + radius, 1);
  EXPECT_NEAR(pts[50].x, left + radius, 1);
  EXPECT_NEAR(pts[50].y, top, 1);
}

TEST(FrameBox, PatternFrames) {
  // A pattern "あ" (1 em by ascent + descent) around content of 3 em.
  const int s = kS;
  struct Case {
    const char* style;
    Box room;  // added width, height, depth
  } cases[] = {
      {"\\yoko{あ}", {0, s + kEm, s + kEm}},
      {"\\tate{あ}", {2 * (kEm + s), 0, 0}},
      {"\\left{あ}\\top{ab}", {kEm + s, s + kEm, 0}},
      {"\\bottom{あ}\\right{a}", {kHalf + s, 0, s + kEm}},
      {"\\left{}\\yoko{}", {0, 0, 0}},
  };
  for (const Case& c : cases) {
    Fixture f;
    ASSERT_EQ(frame(f, std::string("\\style{") + c.style + "}あいう"), 0) << c.style;
    EXPECT_EQ(f.result(), (Box{3 * kEm + c.room.width, kAscent + c.room.height, kDescent + c.room.depth})) << c.style;
  }
}

TEST(FrameBox, PatternCopiesSpreadAlongTheSide) {
  Fixture f;
  drawAtUnitScale(f);
  // Top side of 10 em with a 3 em pattern: 3 copies, the 1 em left over in
  // two gaps of half an em (the first one unit wider when it is odd).
  ASSERT_EQ(frame(f, "\\style{\\top{あいう}}\\hskip{10ch}", true, 50000, 0), 0);
  std::vector<int> xs;
  for (const std::string& t : f.logged("text ")) {
    int x = std::stoi(t.substr(5));
    if (xs.empty() || xs.back() != x) xs.push_back(x);
  }
  // Each copy draws three glyphs; keep the first of each.
  std::vector<int> firsts;
  for (size_t k = 0; k < xs.size(); k += 3) firsts.push_back(xs[k]);
  ASSERT_EQ(firsts.size(), 3u);
  const int gap = kEm / 2;
  EXPECT_EQ(firsts, (std::vector<int>{0, 3 * kEm + gap, 6 * kEm + 2 * gap}));

  // A single copy is centred.
  Fixture g;
  drawAtUnitScale(g);
  ASSERT_EQ(frame(g, "\\style{\\top{あいう}}\\hskip{5ch}", true, 50000, 0), 0);
  EXPECT_EQ(std::stoi(g.logged("text ").front().substr(5)), kEm);
}

TEST(Underline, DepthOfTheCapitalForm) {
  const int mm1 = 787;
  struct Case {
    const char* style;
    int extra;
  } cases[] = {
      {"", kSep + kW},
      {"\\style{0}", kSep + kW},
      {"\\style{3}", kSep + kW},
      {"\\style{12}", kSep + kD + 2 * kW},
      {"\\style{6}", mm1 + kSep},
      {"\\style{\\pat{あ}}", kSep + kEm},
  };
  for (const Case& c : cases) {
    Fixture f;
    ASSERT_EQ(underline(f, std::string(c.style) + "あい", 0), 0) << c.style;
    EXPECT_EQ(f.result(), (Box{2 * kEm, kAscent, kDescent})) << c.style;
    ASSERT_EQ(underline(f, std::string(c.style) + "あい", 1), 0) << c.style;
    EXPECT_EQ(f.result(), (Box{2 * kEm, kAscent, kDescent + c.extra})) << c.style;
    std::string style = c.style;
    style = style.empty() ? "" : style.substr(7, style.size() - 8);
    EXPECT_EQ(vel::UnderlineExtraDepth(f.st, sj(style)), c.extra) << c.style;
  }
}

TEST(Underline, BadStylesAndPatterns) {
  for (const char* text : {"\\style{7}x", "\\style{6 1}x", "\\style{\\pat{\\/}}x", "\\style{\\pat{}}x",
                           "\\style{\\wave{x}}x", "\\style{01x", "a\\\\"}) {
    Fixture f;
    EXPECT_EQ(underline(f, text, 1, true), -10) << text;
    ASSERT_FALSE(f.messages().empty()) << text;
    EXPECT_EQ(f.messages().back(), "** \\underlineコマンドの記述エラー") << text;
  }
  Fixture f;
  EXPECT_EQ(vel::UnderlineExtraDepth(f.st, sj("\\pat{\\/}")), 0);
}

TEST(Underline, RulesWaveAndPatternAreDrawnBelowTheText) {
  Fixture f;
  drawAtUnitScale(f);
  ASSERT_EQ(underline(f, "\\style{02}あい", 1, true, 10000, 0), 0);
  std::vector<std::string> quads = f.logged("polygon");  // the solid line: a filled quadrilateral
  ASSERT_EQ(quads.size(), 1u);
  std::vector<vel::Point> q = pointsOf(quads[0]);
  const int sepLine = 10000 + kDescent + kSep;
  EXPECT_EQ(q[0].y, sepLine);  // the ink starts at the separation line
  EXPECT_EQ(q[1].y, sepLine + kW);
  EXPECT_FALSE(f.logged("polyline").empty());  // the dashed second line

  Fixture g;
  drawAtUnitScale(g);
  ASSERT_EQ(underline(g, "\\style{6}\\hskip{10mm}", 0, true, 10000, 0), 0);
  std::vector<std::string> waves = g.logged("polyline");
  ASSERT_EQ(waves.size(), 1u);
  std::vector<vel::Point> w = pointsOf(waves[0]);
  EXPECT_EQ(w.size(), 101u);  // a point every 0.1 mm
  int lo = 1 << 30, hi = -(1 << 30);
  for (vel::Point p : w) lo = std::min(lo, p.y), hi = std::max(hi, p.y);
  const double pen = 0.9 * kW;
  EXPECT_NEAR(lo, 10000 + kSep + pen / 2, 1.5);
  EXPECT_NEAR(hi, 10000 + kSep + 787.4 - pen / 2, 1.5);

  Fixture p;
  drawAtUnitScale(p);
  ASSERT_EQ(underline(p, "\\style{\\pat{a}}\\hskip{2.5ch}\\hskip{0.005mm}", 0, true, 10000, 0), 0);
  std::vector<std::string> texts = p.logged("text ");
  ASSERT_EQ(texts.size(), 5u);
  // The 3 units left over go to the first three gaps.
  EXPECT_EQ(std::stoi(texts[1].substr(5)), kHalf + 1);
  EXPECT_EQ(std::stoi(texts[4].substr(5)), 4 * kHalf + 3);
}

TEST(Underline, SpansTakeTheirSizeFromTheCaller) {
  Fixture f;
  drawAtUnitScale(f);
  ASSERT_EQ(f.take(vel::UnderlineSpan(f.st, "0", 1, Box{5000, 2000, 600}, true, 10000, 100)), 0);
  EXPECT_EQ(f.result().width, 5000);
  EXPECT_EQ(f.result().depth, 600 + kSep + kW);
  std::vector<vel::Point> q = pointsOf(f.logged("polygon").front());
  EXPECT_EQ(q[0].x, 100);
  EXPECT_EQ(q[2].x, 5100);
  EXPECT_EQ(q[0].y, 10000 + 600 + kSep);
}

TEST(LineStyle, DashesKeepTheirLengthAndWidenTheirGapsWithThePen) {
  auto dashes = [](int penWidth) {
    Fixture f;
    drawAtUnitScale(f);
    f.canvas.setPen(vel::Pen{penWidth, 0, vel::PenStyle::Solid});
    f.canvas.clearLog();
    vel::MyLine(f.st, {{0, 0}, {9000, 0}}, false, 1);
    std::vector<std::pair<int, int>> out;
    for (const std::string& l : f.logged("polyline")) {
      std::vector<vel::Point> p = pointsOf(l);
      out.emplace_back(p.front().x, p.back().x);
    }
    return out;
  };
  const std::vector<std::pair<int, int>> thin = dashes(1), wide = dashes(5);
  ASSERT_GE(thin.size(), 4u);
  const double dash = 1.36 * 20000 / 25.4;
  EXPECT_NEAR(thin[0].second - thin[0].first, dash, 1);
  EXPECT_NEAR(thin[1].first - thin[0].second, dash, 1);  // the gap of a one-pixel pen
  EXPECT_NEAR(wide[1].first - wide[0].second, dash + 8, 1);
  EXPECT_NEAR(wide[1].second - wide[1].first, dash, 1);
  EXPECT_EQ(thin.back().second, 9000);  // the last partial dash is drawn

  // A closed square: the pattern runs on across its corners.
  Fixture g;
  drawAtUnitScale(g);
  vel::MyLine(g.st, {{0, 0}, {1500, 0}, {1500, 1500}, {0, 1500}}, true, 1);
  std::vector<std::string> lines = g.logged("polyline");
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(pointsOf(lines[0]).size(), 2u);
  EXPECT_EQ(pointsOf(lines[1]).size(), 3u);  // the second dash turns the corner
  EXPECT_TRUE(g.logged("pen ").empty());     // the canvas pen stays as it was
  // Style 9 draws nothing.
  Fixture n;
  vel::MyLine(n.st, {{0, 0}, {100, 0}}, false, 9);
  EXPECT_TRUE(n.canvas.log().empty());
}
