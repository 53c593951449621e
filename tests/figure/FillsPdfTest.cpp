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

#include "TestSupport.h"

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

}  // namespace

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
