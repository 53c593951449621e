// The figure environment: coordinates and projection, the frame on real
// pixels, what a figure saves and restores, and the faults mended in it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "StateFixture.h"
#include "canvas/qt/QtCanvas.h"
#include "figure/Figure.h"
#include "figure/FigureTypesetter.h"

using namespace vel;

namespace {

constexpr double kDpi = 254;  // ten pixels a millimetre
const Color kFrameGrey = rgb(192, 192, 192);

// A white page at 254 dpi; the state measures on the installed fonts and
// paints on the page while `paint` runs (the painter ends with it).
struct Page {
  Bitmap bitmap{400, 400};
  std::unique_ptr<QtCanvas> measure = QtCanvas::measureOnly(kDpi);
  veltest::StateFixture f{measure.get()};
  Page() { f.st.draw.scale = units::DeviceScale(kDpi); }
  template <class Fn>
  void paint(Fn&& fn) {
    auto canvas = QtCanvas::onBitmap(bitmap, kDpi, kDpi);
    f.st.canvas = canvas.get();
    fn();
    f.st.canvas = measure.get();
  }
  // The header read in draw mode with the left edge and baseline at 2 mm
  // and 30 mm.
  void header(const std::string& text) {
    paint([&] { ASSERT_TRUE(SetVeldris(f.st, text, units::kPerMM * 2, units::kPerMM * 30, false)) << text; });
  }
  std::vector<uint32_t> pixels() const {
    std::vector<uint32_t> px;
    for (int y = 0; y < bitmap.height(); ++y)
      for (int x = 0; x < bitmap.width(); ++x) px.push_back(bitmap.pixel(x, y));
    return px;
  }
  // The grey columns in row y and the grey rows in column x.
  std::vector<int> greyColumns(int y) {
    std::vector<int> out;
    for (int x = 0; x < bitmap.width(); ++x)
      if (bitmap.pixel(x, y) == kFrameGrey) out.push_back(x);
    return out;
  }
  std::vector<int> greyRows(int x) {
    std::vector<int> out;
    for (int y = 0; y < bitmap.height(); ++y)
      if (bitmap.pixel(x, y) == kFrameGrey) out.push_back(y);
    return out;
  }
};

}  // namespace

TEST(FigureCoordinates, LettersProjectionAndRotation) {
  EXPECT_EQ(AlphToInt('A'), 0);
  EXPECT_EQ(AlphToInt('q'), 42);
  EXPECT_EQ(AlphToInt('1'), -1);

  veltest::StateFixture f;
  ThreeToTwoDimen(f.st, 1, 2, 3);
  EXPECT_EQ(f.st.fig.projU, 2);
  EXPECT_EQ(f.st.fig.projV, 3);
  f.st.fig.rotZ = M_PI / 2;  // x now points left on the page
  ThreeToTwoDimen(f.st, 1, 2, 3);
  EXPECT_NEAR(f.st.fig.projU, -1, 1e-12);
  EXPECT_NEAR(f.st.fig.projV, 3, 1e-12);

  f.st.fig.originX = 10000;
  f.st.fig.originY = 20000;
  f.st.fig.scaleX = 1000;
  f.st.fig.scaleY = 500;
  EXPECT_EQ(XX(f.st, 2), 12000);
  EXPECT_EQ(YY(f.st, 2), 19000);
  const Point flat = XXYY(f.st, 1, 0);
  EXPECT_EQ(flat.x, 11000);
  EXPECT_EQ(flat.y, 20000);
  // Under a text rotation of 90 degrees one x unit lies above the origin.
  f.st.font.textRotationDeg = 90;
  f.st.font.textRotationRad = M_PI / 2;
  const Point turned = XXYY(f.st, 1, 0);
  EXPECT_EQ(turned.x, 10000);
  EXPECT_EQ(turned.y, 19000);
  EXPECT_EQ(f.st.fig.lastPoint.y, 19000);
  EXPECT_EQ(XX(f.st, 1), 11000) << "XX never rotates";
}

// Geometry from zero scales and poles is NaN or infinite: it saturates.
TEST(FigureCoordinates, GeometryFromNaNAndInfinitySaturates) {
  const double inf = std::numeric_limits<double>::infinity(), nan = std::nan("");
  EXPECT_EQ(FigInt(nan), 0);
  EXPECT_EQ(FigInt(inf), kFigIntMax);
  EXPECT_EQ(FigInt(-inf), -kFigIntMax);
  EXPECT_EQ(FigInt(1e300), kFigIntMax);
  EXPECT_EQ(FigInt(2.9), 2);
  EXPECT_EQ(FigInt(-2.9), -2);

  veltest::StateFixture f;
  f.st.fig.scaleX = inf;
  EXPECT_EQ(xx(f.st, 1), kFigIntMax);
  EXPECT_EQ(xx(f.st, 0), 0) << "0 x inf is NaN";
  EXPECT_EQ(PixLen(f.st, 0, 0, 1), 0) << "no direction";
  // A header whose unit is 0 and whose range is a pole.
  Extent box;
  EXPECT_EQ(VeldrisDraw(f.st, "\\basexy{0,1/0,0,1,0mm}\\vala{1}", 0, true, 10000, box), 0);
  EXPECT_EQ(VeldrisDraw(f.st, "\\basexy{0,1000000000,0,1,1cm}", 0, true, 10000, box), 0);
  EXPECT_EQ(box.width, kFigIntMax);
}

TEST(FigureFrame, TheFrameHasTheBoxSizeInPixels) {
  Page p;
  p.header("\\basexy{0,10,0,5,1mm}\\align{t}");
  // 10 mm by 5 mm at ten pixels a millimetre, from x = 2 mm.
  const std::vector<int> cols = p.greyColumns((p.f.st.fig.clipRect[1] + p.f.st.fig.clipRect[3]) / 2);
  ASSERT_EQ(cols.size(), 2u);
  EXPECT_EQ(cols[0], 20);
  EXPECT_NEAR(cols[1] - cols[0], 100, 1);
  const std::vector<int> rows = p.greyRows(70);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_NEAR(rows[1] - rows[0], 50, 1);
  // \align{t}: the top of the box is the top of the font.
  EXPECT_EQ(rows[0], static_cast<int>((units::kPerMM * 30 - p.f.st.font.ascent) * p.f.st.draw.scale + 0.5));
}

TEST(FigureFrame, NoFrameWhenAskedOrWhenPrinting) {
  Page p;
  p.header("\\basexy{0,10,0,5,1mm}\\frame{1-1}");
  EXPECT_TRUE(p.greyRows(70).empty());
  p.f.st.draw.printing = true;
  p.header("\\basexy{0,10,0,5,1mm}");
  EXPECT_TRUE(p.greyRows(70).empty());
}

// The corners of the user ranges land on the frame's pixels.
TEST(FigureFrame, UserCornersMapOntoTheFrame2D) {
  Page p;
  p.header("\\basexy{-5,5,-5,5,1mm,2mm}");
  const Point topLeft = xxyy(p.f.st, -5, 5), bottomRight = xxyy(p.f.st, 5, -5), centre = xxyy(p.f.st, 0, 0);
  const std::vector<int> cols = p.greyColumns(centre.y), rows = p.greyRows(centre.x);
  ASSERT_EQ(cols.size(), 2u);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(cols[0], topLeft.x);
  EXPECT_EQ(cols[1], bottomRight.x);
  EXPECT_EQ(rows[0], topLeft.y);
  EXPECT_EQ(rows[1], bottomRight.y);
  EXPECT_NEAR(rows[1] - rows[0], 200, 1) << "one y unit is 2 mm";
  EXPECT_NEAR(cols[1] - cols[0], 100, 1);
}

TEST(FigureFrame, ProjectedCornersMapOntoTheFrame3D) {
  Page p;
  // Turned 90 degrees about z: u = -x, v = z.
  p.header("\\basexyz{-2,2,-1,1,5mm,90,0}");
  ThreeToTwoDimen(p.f.st, -2, 7, 1);
  const Point topRight = xxyy(p.f.st, p.f.st.fig.projU, p.f.st.fig.projV);
  ThreeToTwoDimen(p.f.st, 2, -3, -1);
  const Point bottomLeft = xxyy(p.f.st, p.f.st.fig.projU, p.f.st.fig.projV);
  const int midY = (topRight.y + bottomLeft.y) / 2, midX = (topRight.x + bottomLeft.x) / 2;
  const std::vector<int> cols = p.greyColumns(midY), rows = p.greyRows(midX);
  ASSERT_EQ(cols.size(), 2u);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(cols[0], bottomLeft.x);
  EXPECT_EQ(cols[1], topRight.x);
  EXPECT_EQ(rows[0], topRight.y);
  EXPECT_EQ(rows[1], bottomLeft.y);
  EXPECT_NEAR(cols[1] - cols[0], 200, 1);
  EXPECT_NEAR(rows[1] - rows[0], 100, 1);
}

TEST(FigureEnvironment, AFigureDrawnTwiceDrawsTheSamePixels) {
  Page p;
  const std::string text = "\\basicset{20mm,10mm,5mm,5mm,1mm,30,20}\\align{b}\\pen{0.5mm}\\vala{2}\\line{0,0,1,1}";
  const FigureTypesetter figure;
  p.paint([&] { ASSERT_TRUE(figure.Draw(p.f.st, text, 5000, 20000)); });
  const std::vector<uint32_t> first = p.pixels();
  p.bitmap = Bitmap(400, 400);
  p.paint([&] { ASSERT_TRUE(figure.Draw(p.f.st, text, 5000, 20000)); });
  EXPECT_TRUE(first == p.pixels());
  EXPECT_NE(std::count(first.begin(), first.end(), kFrameGrey), 0);
}

// \if resolves its branches on a copy: the stored text is unchanged, and a
// redraw meets the conditions again.
TEST(FigureEnvironment, EveryDrawRunsTheConditionsAgain) {
  veltest::StateFixture f;
  const FigureTypesetter figure;
  const std::string text =
      "\\basexy{0,1,0,1,1cm}\\if{\\pvalZ=0}{\\pvalA{\\pvalA+1}}\\else{\\pvalB{\\pvalB+1}}\\pvalZ{1-\\pvalZ}";
  const std::string kept = text;
  ASSERT_TRUE(figure.Draw(f.st, text, 1000, 20000));
  ASSERT_TRUE(figure.Draw(f.st, text, 1000, 20000));
  EXPECT_EQ(text, kept);
  EXPECT_EQ(f.st.val.registers[52], 1) << "then-branch once";
  EXPECT_EQ(f.st.val.registers[53], 1) << "else-branch once";
}

// Measuring a 3-D figure (as inside a label of another) leaves the view,
// the base unit and the dimension of the figure around it as they were.
TEST(FigureEnvironment, MeasuringKeepsTheWholeContext) {
  veltest::StateFixture f;
  f.st.fig.rotZ = 0.25;
  f.st.fig.rotY = 0.5;
  f.st.fig.baseUnit = 7;
  f.st.fig.dimen = 2;
  f.st.fig.originX = 123;
  f.st.fig.constants[3] = 9;
  const FigureTypesetter figure;
  const Result<Extent> box = figure.Measure(f.st, "\\basicset{2cm,1cm,0,0,1mm,30,40}\\align{t}\\constant{1,2,3,4}");
  ASSERT_TRUE(box);
  EXPECT_EQ(box->width, 15748);
  EXPECT_EQ(box->height, f.st.font.ascent);
  EXPECT_EQ(box->depth, 7874 - f.st.font.ascent);
  EXPECT_EQ(f.st.fig.rotZ, 0.25);
  EXPECT_EQ(f.st.fig.rotY, 0.5);
  EXPECT_EQ(f.st.fig.baseUnit, 7);
  EXPECT_EQ(f.st.fig.dimen, 2);
  EXPECT_EQ(f.st.fig.originX, 123);
  EXPECT_EQ(f.st.fig.constants[3], 9);
}

// A drawn figure puts back what it changed: \valX, counters, the text
// rotation, the pen, brush and clip, the font.
TEST(FigureEnvironment, DrawingPutsBackWhatTheFigureChanged) {
  veltest::StateFixture f;
  f.st.val.registers[0] = 4;
  f.st.val.counters[5] = 6;
  f.st.canvas->setPen(Pen{3, rgb(1, 2, 3), PenStyle::Dash});
  const Font font = f.st.chr.font;
  Extent box;
  ASSERT_EQ(VeldrisDraw(f.st, "\\basexy{0,1,0,1,1cm}\\valA{1}\\pvalA{2}\\fontsize{20}\\dimen{3}", 0, true, 9000, box), 0);
  EXPECT_EQ(f.st.val.registers[0], 4);
  EXPECT_EQ(f.st.val.registers[52], 2);
  EXPECT_EQ(f.st.val.counters[5], 6);
  EXPECT_EQ(f.st.canvas->pen(), (Pen{3, rgb(1, 2, 3), PenStyle::Dash}));
  EXPECT_EQ(f.st.chr.font.height, font.height);
  EXPECT_EQ(f.st.fig.dimen, 2);
  EXPECT_EQ(f.st.fig.nesting, 0);
  EXPECT_FALSE(f.st.canvas->clip()) << "outside figures: the page (none in this state)";
}

// A figure that ends inside \beginpolyline does not leave the next figure
// skipping its drawing commands.
TEST(FigureEnvironment, EachFigureStartsOutsidePolylineAndCloseMode) {
  veltest::StateFixture f;
  Extent box;
  ASSERT_EQ(VeldrisDraw(f.st, "\\basexy{0,1,0,1,1cm}\\beginclose\\beginpolyline", 0, true, 9000, box), 0);
  EXPECT_TRUE(f.st.fig.polylineMode);
  ASSERT_TRUE(SetVeldris(f.st, "\\basexy{0,1,0,1,1cm}", 0, 9000, false));
  EXPECT_FALSE(f.st.fig.polylineMode);
  EXPECT_FALSE(f.st.fig.closeMode);
  EXPECT_EQ(f.st.fig.polylineLast, -1);
  EXPECT_EQ(f.st.fig.closeLast, -1);
}

TEST(FigureDispatch, TextArgumentsKeepTheirCommasAndOptions) {
  veltest::StateFixture f;
  std::vector<std::string> list;
  StrTokForText(f.st, "0,1,1,1,a, b, c", ',', list);
  EXPECT_EQ(list, (std::vector<std::string>{"0", "1", "1", "1", "a,b,c"}));
  StrTokForText(f.st, "0,1,1,1,a, b,dx=1mm, rot = 30", ',', list);
  EXPECT_EQ(list, (std::vector<std::string>{"0", "1", "1", "1", "a,b", "dx=1mm", "rot = 30"}));
  StrTokForText(f.st, "0,1,1,1,{rot=30}", ',', list);
  EXPECT_EQ(list, (std::vector<std::string>{"0", "1", "1", "1", "{rot=30}"}));
}

// Under a text rotation the origin and the corners turn about the left end
// of the baseline, and the clip becomes their polygon.
TEST(FigureEnvironment, RotatedTextTurnsTheBoxAboutTheBaseline) {
  veltest::StateFixture f;
  f.st.draw.scale = 0.01;
  f.st.font.textRotationDeg = 90;
  f.st.font.textRotationRad = M_PI / 2;
  ASSERT_TRUE(SetVeldris(f.st, "\\basexy{0,2,0,1,1cm}\\align{t}", 10000, 20000, false));
  const int A = f.st.font.ascent;
  EXPECT_EQ(f.st.fig.originX, 10000 + (7874 - A)) << "the origin, below the top by H - A, turns to the right";
  EXPECT_EQ(f.st.fig.originY, 20000);
  ASSERT_TRUE(f.st.fig.clipRegion);
  const Region::Node& n = f.st.fig.clipRegion->node();
  ASSERT_EQ(n.shape, Region::Shape::Polygon);
  ASSERT_EQ(n.points.size(), 4u);
  auto px = [](double v) { return static_cast<int>(v * 0.01 + 0.5); };
  EXPECT_EQ(n.points[0].x, px(10000 - A));  // the top left corner, A above the baseline, turns left
  EXPECT_EQ(n.points[0].y, px(20000));
  EXPECT_EQ(n.points[1].x, px(10000 - A));  // the top right corner, W along, turns up
  EXPECT_EQ(n.points[1].y, px(20000 - 15748));
}

// A wide solid line ends squarely at its end points: 20 mm long, 1 mm
// wide, at ten pixels a millimetre it covers 200 by 10 pixels, nothing past.
TEST(FigureLines, AWideLineHasSquareEndsAndItsExactLength) {
  Page p;
  Extent box;
  p.paint([&] {
    ASSERT_EQ(VeldrisDraw(p.f.st, "\\basexy{0,30,0,30,1mm}\\align{b}\\frame{0}\\pen{0,1mm}\\line{p,5,15,25,15}", 0,
                          true, units::kPerMM * 35, box),
              0);
  });
  int rows = 0, minX = 400, maxX = -1;
  for (int y = 0; y < 400; ++y) {
    bool any = false;
    for (int x = 0; x < 400; ++x)
      if (redOf(p.bitmap.pixel(x, y)) < 128) {
        any = true;
        minX = std::min(minX, x);
        maxX = std::max(maxX, x);
      }
    rows += any;
  }
  EXPECT_EQ(rows, 10);
  EXPECT_EQ(maxX - minX + 1, 200);
}

// A closed dashed path: the phase runs on across the corners (a dash bends
// round one), and the entry after the last is the first again.
TEST(FigureLines, AClosedDashedPathRunsItsPatternRoundTheCorners) {
  veltest::StateFixture f;
  f.st.draw.scale = units::DeviceScale(kDpi);
  const Point corners[] = {{0, 0}, {100, 0}, {100, 100}, {0, 100}};
  for (size_t k = 0; k < 4; ++k) f.st.fig.points.set(k, corners[k]);
  f.st.fig.penStyle = 1;
  f.st.canvas->setPen(Pen{1, kBlack, PenStyle::Solid});
  MyLine(f.st, 3, true);
  EXPECT_EQ(f.st.fig.points.get(4).x, 0);
  EXPECT_EQ(f.st.fig.points.get(4).y, 0);
  const std::vector<std::string> dashes = f.logged("polyline ");
  ASSERT_EQ(dashes.size(), 15u);  // 400 pixels of 27.2-pixel periods
  EXPECT_EQ(dashes.front(), "polyline 0,0 14,0");
  EXPECT_EQ(dashes[7], "polyline 100,90 100,100 96,100");
  EXPECT_EQ(f.st.canvas->pen(), (Pen{1, kBlack, PenStyle::Solid}));
}

// Dashes keep their length in millimetres at every resolution: 1.36 mm
// dashes and gaps (a 1-pixel pen) on a line 100 pixels long.
TEST(FigureLines, DashesKeepTheirLengthAtEachResolution) {
  struct Row {
    double dpi;
    std::vector<std::string> dashes;
  };
  const Row rows[] = {
      {254, {"polyline 0,0 14,0", "polyline 27,0 41,0", "polyline 54,0 68,0", "polyline 82,0 95,0"}},
      {127, {"polyline 0,0 7,0", "polyline 14,0 20,0", "polyline 27,0 34,0", "polyline 41,0 48,0",
             "polyline 54,0 61,0", "polyline 68,0 75,0", "polyline 82,0 88,0", "polyline 95,0 100,0"}},
  };
  for (const Row& r : rows) {
    veltest::StateFixture f;
    f.st.draw.scale = units::DeviceScale(r.dpi);
    f.st.fig.points.set(0, {0, 0});
    f.st.fig.points.set(1, {100, 0});
    f.st.fig.penStyle = 1;
    f.st.canvas->setPen(Pen{1, kBlack, PenStyle::Solid});
    MyLine(f.st, 1, false);
    EXPECT_EQ(f.logged("polyline "), r.dashes) << r.dpi << " dpi";
  }
}
