// Tables drawn on the installed fonts at 254 dpi (a pixel per 0.1 mm):
// rules, dashes and backgrounds probed where the measured grid puts them.
#include <gtest/gtest.h>

#include "StateFixture.h"
#include "TestSupport.h"
#include "base/Units.h"
#include "canvas/qt/QtCanvas.h"
#include "layout/tables/Table.h"

using namespace vel;

namespace {

constexpr double kDpi = 254;

struct Drawn {
  Bitmap page{400, 240};
  TableGeometry g;
  double S = units::DeviceScale(kDpi);
  int x = 2000;
  bool ok = false;

  explicit Drawn(const std::string& utf8, int sep = 787) {
    auto canvas = QtCanvas::onBitmap(page, kDpi, kDpi);
    veltest::StateFixture f(canvas.get());
    f.st.draw.scale = S;
    f.st.chr.tableColSep = f.st.chr.tableRowSep = sep;
    ok = static_cast<bool>(Table(f.st, veltest::sj(utf8), x, true, 6000, nullptr, &g));
  }
  // The pixel at a layout point.
  uint32_t at(double lx, double ly) const { return page.pixel(static_cast<int>(lx * S), static_cast<int>(ly * S)); }
};

bool dark(uint32_t c) { return redOf(c) < 90 && greenOf(c) < 90 && blueOf(c) < 90; }

}  // namespace

TEST(TablePixels, RulesBackgroundsAndDashesLieWhereTheGridIs) {
  // Rules two rule widths (314 units, 4 px) wide; the bottom one dotted.
  const Drawn d("\\align{t}\\tableBGcolor{yellow}\\col{2l2l2}\\hline{2}\\cellBGcolor{red}あ&い\\\\\\hline{2,3}");
  ASSERT_TRUE(d.ok);
  ASSERT_EQ(d.g.cells.size(), 2u);
  const TableCellBox& a = d.g.cells[0];
  const TableCellBox& b = d.g.cells[1];
  const double sep = 787;
  // The top rule across the first cell, the left and the inner rule beside it.
  EXPECT_TRUE(dark(d.at(a.left + a.width / 2, d.g.top + 157)));
  EXPECT_TRUE(dark(d.at(d.x + 157, a.top + a.height / 2)));
  EXPECT_TRUE(dark(d.at(a.left + a.width + sep + 157, a.top + a.height / 2)));
  // The cell's own colour fills its separations; the table's shows in the other.
  EXPECT_EQ(d.at(a.left - sep / 2, a.top - sep / 2), rgb(255, 0, 0));
  EXPECT_EQ(d.at(a.left + a.width + sep / 2, a.top + a.height + sep / 2), rgb(255, 0, 0));
  EXPECT_EQ(d.at(b.left - sep / 2, b.top - sep / 2), rgb(255, 255, 0));
  // Nothing right of the right rule, below the bottom one.
  EXPECT_EQ(d.at(d.x + d.g.box.width + 100, a.top), rgb(255, 255, 255));
  EXPECT_EQ(d.at(a.left, d.g.top + d.g.box.height + d.g.box.depth + 100), rgb(255, 255, 255));
  // The dotted bottom rule: dots and gaps along its middle.
  const double y = a.top + a.height + sep + 157;
  int dots = 0, gaps = 0;
  for (double lx = a.left; lx < b.left + b.width; lx += 1 / d.S) (dark(d.at(lx, y)) ? dots : gaps)++;
  EXPECT_GT(dots, 10);
  EXPECT_GT(gaps, 10);
}

TEST(TablePixels, DiagonalsCrossTheCellWithItsSeparations) {
  // An empty cell: a square of its separations, 4000 units (51 px) a side.
  const Drawn d("\\align{t}\\col{l}\\ushasen\\dshasen{3}\\\\", 2000);
  ASSERT_TRUE(d.ok);
  ASSERT_EQ(d.g.cells.size(), 1u);
  const TableCellBox& c = d.g.cells[0];
  const double l = c.left - 2000, t = c.top - 2000, r = c.left + c.width + 2000, b = c.top + c.height + 2000;
  // Both pass through the centre; a quarter of the way along each lies on its line.
  EXPECT_TRUE(dark(d.at((l + r) / 2, (t + b) / 2)));
  EXPECT_TRUE(dark(d.at(l + (r - l) / 4, b - (b - t) / 4)));
  EXPECT_TRUE(dark(d.at(l + (r - l) / 4, t + (b - t) / 4)));
  EXPECT_FALSE(dark(d.at(l + (r - l) / 4, (t + b) / 2)));
}
