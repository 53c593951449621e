// Fills on paper: a figure with a solid area, hatching and a gradient
// typeset to PNG and to PDF (read back with pdftoppm) shows the same
// colours wherever the PNG is flat, so nothing of it relies on raster
// operations a PDF or a printer lacks; the dot screen needs no file in
// the working folder, which may be read-only.
#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "StateFixture.h"
#include "TestSupport.h"
#include "canvas/qt/QtCanvas.h"
#include "figure/Figure.h"

namespace {

const char* kDocument =
    "\\documentstyle{10.5,a4t}\n\\begindocument\n"
    "\\veldris{\\basexy{0,60,0,30,1mm}\\frame{0}"
    "\\brush{1,red}\\makearea{x<15}"
    "\\brush{5,blue,4mm,1.5mm}\\makearea{x>20 & x<35}"
    "\\brush{9,red,blue,40,0,60,0}\\makearea{x>40}}\n";

// The largest difference of a channel between the pixel and its eight
// neighbours.
int Spread(const QImage& img, int x, int y) {
  const QColor c = img.pixelColor(x, y);
  int most = 0;
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx) {
      const QColor n = img.pixelColor(x + dx, y + dy);
      most = std::max({most, std::abs(n.red() - c.red()), std::abs(n.green() - c.green()),
                       std::abs(n.blue() - c.blue())});
    }
  return most;
}

// A figure 10 mm square (user -5..5 both ways) at ten pixels a
// millimetre, its box at pixels 0..100 across and 195..295 down, drawn on
// real pixels: `draw` runs with the header read.
struct Page {
  vel::Bitmap bitmap{120, 320};
  veltest::StateFixture f{nullptr, 254};
  template <class Fn>
  void paint(Fn&& draw) {
    f.st.draw.scale = 254.0 / vel::units::kPerInch;
    auto canvas = vel::QtCanvas::onBitmap(bitmap, 254, 254);
    f.st.canvas = canvas.get();
    ASSERT_TRUE(vel::SetVeldris(f.st, "\\basexy{-5,5,-5,5,1mm}\\frame{0}", 0, 20000, false));
    draw();
    f.st.canvas = &f.fake;
  }
  bool red(int x, int y) const { return bitmap.pixel(x, y) == vel::rgb(255, 0, 0); }
  bool white(int x, int y) const { return bitmap.pixel(x, y) == vel::kWhite; }
};

}  // namespace

// Shasen's mode 2 (sectors and chords): the area meets the auxiliary
// region; after \closemode{out} the box without that piece. A missing
// area fills nothing on either side.
TEST(FigureFills, SectorsFillThePieceOrTheRestOfTheBox) {
  for (int side : {0, 1}) {
    Page p;
    p.paint([&] {
      vel::DoBrush(p.f.st, {"1", "red"});
      p.f.st.fig.closeModeSide = side;
      p.f.st.fig.areaRegion = vel::Region::ellipse(30, 225, 70, 265);
      p.f.st.fig.auxRegion = vel::Region::polygon({{50, 245}, {80, 245}, {80, 215}, {50, 215}});
      vel::Shasen(p.f.st, 2, false);
    });
    EXPECT_EQ(p.red(60, 235), side == 0) << side;   // in the quarter disc
    EXPECT_EQ(p.red(40, 255), side == 1) << side;   // in the disc, not the quarter
    EXPECT_EQ(p.red(75, 220), side == 1) << side;   // in the square, not the disc
    EXPECT_EQ(p.red(10, 205), side == 1) << side;   // elsewhere in the box
    EXPECT_TRUE(p.white(110, 245)) << side;         // outside the box
    Page none;
    none.paint([&] {
      vel::DoBrush(none.f.st, {"1", "red"});
      none.f.st.fig.closeModeSide = side;
      none.f.st.fig.areaRegion.reset();
      vel::Shasen(none.f.st, 1, false);
      none.f.st.fig.areaRegion = vel::Region::polygon({{0, 0}, {100, 100}});
      vel::Shasen(none.f.st, 1, false);
    });
    EXPECT_TRUE(none.white(10, 205)) << side;
    EXPECT_TRUE(none.white(50, 245)) << side;
  }
}

// The image brush: with the file only, the picture covers the figure box;
// with a size, an anchor and a mode, it repeats in tiles of that size, one
// of them placed on the anchor by the mode (5: its centre).
TEST(FigureFills, TheImageBrushCoversTheBoxOrRepeatsFromItsAnchor) {
  veltest::TempDir d;
  vel::Bitmap picture(2, 1);
  picture.setPixel(0, 0, vel::rgb(255, 0, 0));
  picture.setPixel(1, 0, vel::rgb(0, 0, 255));
  ASSERT_TRUE(picture.saveBmp(d.file("p.bmp")));
  const auto fill = [&](std::vector<std::string> brush) {
    auto page = std::make_unique<Page>();
    page->paint([&] {
      vel::DoBrush(page->f.st, brush);
      page->f.st.fig.areaRegion = vel::Region::rect(30, 225, 70, 265);
      vel::Shasen(page->f.st, 1, false);
    });
    return page;
  };
  const auto whole = fill({"-1", d.file("p.bmp")});
  EXPECT_TRUE(whole->red(35, 245));
  EXPECT_EQ(whole->bitmap.pixel(65, 245), vel::rgb(0, 0, 255));
  EXPECT_TRUE(whole->white(20, 245));
  const auto tiled = fill({"-1", d.file("p.bmp"), "2mm", "2mm", "0", "0", "5"});
  EXPECT_TRUE(tiled->red(45, 245));
  EXPECT_EQ(tiled->bitmap.pixel(55, 245), vel::rgb(0, 0, 255));
  EXPECT_EQ(tiled->bitmap.pixel(35, 245), vel::rgb(0, 0, 255));
  EXPECT_TRUE(tiled->red(65, 245));
}

TEST(FigureFills, PngAndPdfShowTheSameColours) {
  const QString pdftoppm = QStandardPaths::findExecutable("pdftoppm");
  if (pdftoppm.isEmpty()) GTEST_SKIP() << "poppler-utils is not installed";
  veltest::TempDir d;
  veltest::writeSjis(d.file("f.vdr"), kDocument);
  const veltest::RunResult r = veltest::runRender(
      {"--defaults", d.file("f.vdr"), "--png", d.file("png"), "--dpi", "100", "--pdf", d.file("f.pdf")});
  ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
  QProcess p;
  p.start(pdftoppm, {"-r", "100", "-png", "-singlefile", QString::fromStdString(d.file("f.pdf")),
                     QString::fromStdString(d.file("pdf"))});
  ASSERT_TRUE(p.waitForFinished(60000));
  const QImage png(QString::fromStdString(d.file("png/sheet-001.png")));
  const QImage pdf(QString::fromStdString(d.file("pdf.png")));
  ASSERT_FALSE(png.isNull());
  ASSERT_FALSE(pdf.isNull());
  // The same page (pdftoppm rounds its size up by a pixel).
  ASSERT_LE(std::abs(png.width() - pdf.width()), 1);
  ASSERT_LE(std::abs(png.height() - pdf.height()), 1);
  const int w = std::min(png.width(), pdf.width()), h = std::min(png.height(), pdf.height());

  // Every flat, coloured place of the PNG: red fill, blue hatch lines, the
  // gradient's mixtures; the PDF has the same colour there.
  int red = 0, blue = 0, mixed = 0;
  for (int y = 1; y + 1 < h; y += 2)
    for (int x = 1; x + 1 < w; x += 2) {
      const QColor c = png.pixelColor(x, y);
      if (c.green() > 100 || Spread(png, x, y) > 8) continue;  // white, grey or an edge
      const QColor q = pdf.pixelColor(x, y);
      EXPECT_NEAR(q.red(), c.red(), 24) << x << "," << y;
      EXPECT_NEAR(q.green(), c.green(), 24) << x << "," << y;
      EXPECT_NEAR(q.blue(), c.blue(), 24) << x << "," << y;
      if (c.red() > 240 && c.blue() < 16) ++red;
      else if (c.blue() > 240 && c.red() < 16) ++blue;
      else if (c.red() > 60 && c.blue() > 60) ++mixed;
    }
  EXPECT_GT(red, 1000);
  EXPECT_GT(blue, 100);
  EXPECT_GT(mixed, 1000);
}

TEST(FigureFills, DotScreensNeedNoFileInTheWorkingFolder) {
  veltest::TempDir d;
  veltest::writeSjis(d.file("f.vdr"), "\\documentstyle{10.5,a4t}\n\\begindocument\n"
                                      "\\veldris{\\basexy{0,30,0,30,1mm}\\frame{0}"
                                      "\\brush{8,blue,5}\\makearea{x<30}}\n");
  const std::string cwd = d.file("readonly");
  std::filesystem::create_directory(cwd);
  ASSERT_EQ(chmod(cwd.c_str(), 0555), 0);
  const std::string before = std::filesystem::current_path();
  ASSERT_EQ(chdir(cwd.c_str()), 0);
  const veltest::RunResult r = veltest::runRender({"--defaults", d.file("f.vdr"), "--png", d.file("png"), "--dpi", "100"});
  ASSERT_EQ(chdir(before.c_str()), 0);
  chmod(cwd.c_str(), 0755);
  ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
  EXPECT_TRUE(std::filesystem::is_empty(cwd));
  const QImage png(QString::fromStdString(d.file("png/sheet-001.png")));
  ASSERT_FALSE(png.isNull());
  // Density 5: one dot in every 4 x 4 pixels of the 30 mm square.
  int dots = 0;
  for (int y = 0; y < png.height(); ++y)
    for (int x = 0; x < png.width(); ++x) {
      const QColor c = png.pixelColor(x, y);
      if (c.blue() > 200 && c.red() < 60 && c.green() < 60) ++dots;
    }
  const int side = 30 * 100 * 10 / 254;  // pixels of 30 mm at 100 dpi
  EXPECT_NEAR(dots, side * side / 16, side * side / 64);
}

// Each figure has its own dot screen: one made in a nested figure (a
// label's) leaves the enclosing figure's pattern as it was, and both draw.
TEST(FigureFills, ANestedFigureKeepsItsOwnDotScreen) {
  veltest::TempDir d;
  veltest::writeSjis(d.file("f.vdr"), "\\documentstyle{10.5,a4t}\n\\begindocument\n"
                                      "\\veldris{\\basexy{-5,5,-5,5,1mm}\\frame{0}\\brush{8,blue,9}"
                                      "\\text{0,3,3,5,\\veldris{\\basexy{0,1,0,1,1mm}\\frame{0}"
                                      "\\brush{8,red,9}\\makearea{x<1}}}\\makearea{x<-3}}\n");
  const veltest::RunResult r = veltest::runRender({"--defaults", d.file("f.vdr"), "--png", d.file("png"), "--dpi", "254"});
  ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
  const QImage png(QString::fromStdString(d.file("png/sheet-001.png")));
  ASSERT_FALSE(png.isNull());
  int blue = 0, red = 0;
  for (int y = 0; y < png.height(); ++y)
    for (int x = 0; x < png.width(); ++x) {
      const QColor c = png.pixelColor(x, y);
      blue += c == QColor(0, 0, 255);
      red += c == QColor(255, 0, 0);
    }
  // The outer strip is 2 mm by 10 mm, the nested square 1 mm by 1 mm (ten
  // pixels a millimetre).
  EXPECT_NEAR(blue, 2000, 150);
  EXPECT_NEAR(red, 100, 30);
}
