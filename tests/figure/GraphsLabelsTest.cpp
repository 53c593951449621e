// Plots and labels where a drawing log cannot tell: ink on real pixels
// (hidden lines, a dome's rim, a label's centre), the screen-only grid
// and the number of samples a curve takes.
#include <gtest/gtest.h>

#include <algorithm>

#include "StateFixture.h"
#include "canvas/qt/QtCanvas.h"
#include "figure/Figure.h"

using namespace vel;

namespace {

constexpr double kDpi = 254;  // ten pixels a millimetre

// A figure at 254 dpi on a white page, its left edge at pixel 0 and its
// baseline at 2 cm (as in the .tests cases); the ink and its bounds.
struct Inked {
  Bitmap bitmap{400, 500};
  int ink = 0;
  int left = 400, right = -1, top = 500, bottom = -1;
  explicit Inked(const std::string& figure) {
    std::unique_ptr<QtCanvas> measure = QtCanvas::measureOnly(kDpi);
    veltest::StateFixture f{measure.get()};
    f.st.draw.scale = units::DeviceScale(kDpi);
    {
      auto canvas = QtCanvas::onBitmap(bitmap, kDpi, kDpi);
      f.st.canvas = canvas.get();
      Extent box;
      EXPECT_EQ(VeldrisDraw(f.st, "\\frame{0}" + figure, 0, true, 20000, box), 0) << figure;
      f.st.canvas = measure.get();
    }
    for (int y = 0; y < bitmap.height(); ++y)
      for (int x = 0; x < bitmap.width(); ++x)
        if (redOf(bitmap.pixel(x, y)) < 128) {
          ++ink;
          left = std::min(left, x);
          right = std::max(right, x);
          top = std::min(top, y);
          bottom = std::max(bottom, y);
        }
  }
};

}  // namespace

TEST(FigurePlots, AHiddenLineSurfaceHasLessInkThanItsMesh) {
  const std::string head = "\\basexyz{-3,3,-3,3,5mm,30,25}";
  for (const char* f : {"sin(x)*cos(y)", "x*x-y*y"}) {
    const Inked mesh(head + "\\curvedsurface{0," + f + ",-2,2,-2,2,0.25,0.25}");
    const Inked hidden(head + "\\curvedsurface{1," + f + ",-2,2,-2,2,0.25,0.25}");
    EXPECT_GT(hidden.ink, 0) << f;
    EXPECT_LT(hidden.ink, mesh.ink * 9 / 10) << f;
  }
}

// sqrt(1-x*x-y*y) is defined on the unit disc only: the lines end at its
// rim instead of running on at 0 outside it.
TEST(FigurePlots, ASurfaceEndsAtTheRimOfWhereItIsDefined) {
  // From the front the dome is the half disc of the curve, to a pixel.
  const Inked front("\\basexyz{-2,2,-2,2,1cm,0,0}\\curvedsurface{0,sqrt(1-x*x-y*y),-1,1,-1,1,0.2}");
  const Inked disc("\\basexyz{-2,2,-2,2,1cm,0,0}\\curve{t,0,cos(t),sin(t),0,3.1416}");
  EXPECT_NEAR(front.left, disc.left, 2);
  EXPECT_NEAR(front.right, disc.right, 2);
  EXPECT_NEAR(front.top, disc.top, 2);
  // From above (roty 60 degrees; the origin is pixel (100, 157)): where
  // x = 0.8 and |y| > 0.6 nothing is defined, so nothing is drawn near
  // u = +-0.95, v = -0.69, and the line x = 0.8 ends at u = +-0.6.
  for (int mode : {0, 1}) {
    const Inked above("\\basexyz{-2,2,-2,2,5mm,0,60}\\align{b}\\curvedsurface{" + std::to_string(mode) +
                      ",sqrt(1-x*x-y*y),-1,1,-1,1,0.2}");
    auto inked = [&](int x, int y) { return redOf(above.bitmap.pixel(x, y)) < 128; };
    auto near = [&](int x, int y) {
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
          if (inked(x + dx, y + dy)) return true;
      return false;
    };
    EXPECT_FALSE(near(148, 192) || near(52, 192)) << mode;
    EXPECT_TRUE(near(70, 191) && near(130, 191)) << mode;
  }
}

TEST(FigurePlots, TheScreenGridIsNotPrinted) {
  for (bool printing : {false, true}) {
    veltest::StateFixture f(nullptr, kDpi);
    f.st.draw.scale = units::DeviceScale(kDpi);
    f.st.draw.printing = printing;
    Extent box;
    ASSERT_EQ(VeldrisDraw(f.st, "\\basexy{-5,5,-5,5,1mm}\\frame{0}\\grid{d,1,0}\\grid{p,2,0,blue}", 0, true, 20000, box), 0);
    // Nine lines each way of the screen grid, five of the other.
    EXPECT_EQ(f.logged("pen 0 C0C0C0").size(), printing ? 0u : 18u) << printing;
    EXPECT_EQ(f.logged("pen 0 FF0000").size(), 10u) << printing;
  }
}

// One sample per 0.2 mm of x: 6.28 cm is 314 steps, 315 points.
TEST(FigurePlots, ACurveSamplesEveryFifthOfAMillimetre) {
  veltest::StateFixture f(nullptr, kDpi);
  f.st.draw.scale = units::DeviceScale(kDpi);
  Extent box;
  ASSERT_EQ(VeldrisDraw(f.st, "\\basexy{0,7,-1,1,1cm}\\frame{0}\\curve{x,sin(x),0,6.28}", 0, true, 20000, box), 0);
  const std::vector<std::string> lines = f.logged("polyline ");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(std::count(lines[0].begin(), lines[0].end(), ','), 315);
}

// Centred labels have their ink's middle on the anchor, in Latin, in
// Japanese and in a formula; turned by 90 degrees too. The box is centred,
// so ink without descenders sits a little above (or, turned, left of) it.
TEST(FigureLabels, ACentredLabelIsCentredOnItsAnchor) {
  for (const char* text : {"Hello", "図形", "$x^2+y^2$", "Hello,rot=90"}) {
    const Inked label(std::string("\\basexy{-10,10,-5,5,1mm}\\text{0,0,0,5,") + text + "}");
    ASSERT_GT(label.ink, 0) << text;
    // The origin is pixel (100, 242).
    EXPECT_NEAR((label.left + label.right) / 2.0, 100, 5) << text;
    EXPECT_NEAR((label.top + label.bottom) / 2.0, 242, 5) << text;
  }
}
