// The QPainter surface behaves like the classic device context the layout
// was written for: probed at a few pixels that the rules decide.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QPdfWriter>
#include <QProcess>
#include <QStandardPaths>
#include <cmath>
#include <numbers>
#include <set>

#include "TestSupport.h"
#include "base/Cp932.h"
#include "canvas/Jpeg.h"
#include "canvas/qt/PdfImages.h"
#include "canvas/qt/QtCanvas.h"

using namespace vel;
using veltest::sj;

namespace {

QImage blank(int w, int h) {
  QImage img(w, h, QImage::Format_RGB32);
  img.fill(Qt::white);
  return img;
}

bool ink(const QImage& img, int x, int y) { return qGray(img.pixel(x, y)) < 128; }
bool paper(const QImage& img, int x, int y) { return (img.pixel(x, y) & 0xFFFFFF) == 0xFFFFFF; }

// The box of all pixels that are not white.
QRect inkBox(const QImage& img) {
  QRect box;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if (!paper(img, x, y)) box |= QRect(x, y, 1, 1);
  return box;
}

long darkness(const QImage& img) {
  long sum = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) sum += 255 - qGray(img.pixel(x, y));
  return sum;
}

// Lengths of the alternating inked and blank runs along a row, starting
// with the first inked pixel.
std::vector<int> runs(const QImage& img, int y) {
  std::vector<int> out;
  int x = 0;
  while (x < img.width() && !ink(img, x, y)) ++x;
  while (x < img.width()) {
    bool state = ink(img, x, y);
    int n = 0;
    while (x < img.width() && ink(img, x, y) == state) ++x, ++n;
    out.push_back(n);
  }
  return out;
}

Brush solid(Color c) {
  Brush b;
  b.color = c;
  return b;
}
Brush clear() {
  Brush b;
  b.style = BrushStyle::Clear;
  return b;
}
Pen pen(int width, PenStyle style = PenStyle::Solid, Color c = kBlack) { return Pen{width, c, style}; }

template <class F>
QImage paint(int w, int h, F&& draw) {
  QImage img = blank(w, h);
  {
    QtCanvas c(img);
    draw(c);
  }
  return img;
}

Font font(const char* utf8Name, int height) {
  Font f;
  f.name = sj(utf8Name);
  f.height = height;
  return f;
}

}  // namespace

// ---- shapes and lines ----

TEST(QtCanvasShapes, RectanglesLeaveOutTheirRightAndBottomEdges) {
  QImage outlined = paint(20, 16, [](QtCanvas& c) {
    c.setBrush(clear());
    c.rectangle(2, 2, 10, 8);
  });
  EXPECT_TRUE(ink(outlined, 2, 2));
  EXPECT_TRUE(ink(outlined, 9, 7));
  EXPECT_TRUE(paper(outlined, 10, 7));
  EXPECT_TRUE(paper(outlined, 9, 8));
  EXPECT_TRUE(paper(outlined, 5, 5));
  EXPECT_EQ(inkBox(outlined), QRect(QPoint(2, 2), QPoint(9, 7)));

  // Without a pen the fill covers the same pixels.
  QImage filled = paint(20, 16, [](QtCanvas& c) {
    c.setPen(pen(1, PenStyle::Null));
    c.setBrush(solid(kBlack));
    c.rectangle(2, 2, 10, 8);
  });
  EXPECT_EQ(inkBox(filled), QRect(QPoint(2, 2), QPoint(9, 7)));
  EXPECT_TRUE(ink(filled, 5, 5));

  QImage rect = paint(20, 16, [](QtCanvas& c) { c.fillRect(2, 2, 10, 8, kBlack); });
  EXPECT_EQ(inkBox(rect), QRect(QPoint(2, 2), QPoint(9, 7)));
  EXPECT_EQ(rect, filled);
}

TEST(QtCanvasShapes, EllipsesAndRoundRectsStayInsideTheirBox) {
  for (int kind = 0; kind < 2; ++kind) {
    QImage img = paint(40, 40, [&](QtCanvas& c) {
      c.setBrush(solid(rgb(128, 128, 128)));
      if (kind == 0) c.ellipse(5, 6, 31, 27);
      else c.roundRect(5, 6, 31, 27, 10, 8);
    });
    EXPECT_EQ(inkBox(img), QRect(QPoint(5, 6), QPoint(30, 26))) << kind;
    EXPECT_TRUE(paper(img, 5, 6)) << kind;          // the corner lies outside the curve
    EXPECT_FALSE(ink(img, 18, 16)) << kind;         // grey inside, not the pen
    EXPECT_FALSE(paper(img, 18, 16)) << kind;
  }
}

TEST(QtCanvasShapes, InsideFramePensKeepTheirWidthInsideTheBox) {
  auto box = [](PenStyle style) {
    return inkBox(paint(40, 40, [&](QtCanvas& c) {
      c.setPen(pen(5, style));
      c.setBrush(clear());
      c.rectangle(10, 10, 30, 30);
    }));
  };
  EXPECT_EQ(box(PenStyle::InsideFrame), QRect(QPoint(10, 10), QPoint(29, 29)));
  EXPECT_EQ(box(PenStyle::Solid), QRect(QPoint(8, 8), QPoint(31, 31)));
}

TEST(QtCanvasShapes, LineToLeavesOutItsEndPixel) {
  QImage img = paint(20, 20, [&](QtCanvas& c) {
    c.moveTo(1, 1);
    c.lineTo(10, 1);
    c.moveTo(15, 2);
    c.lineTo(15, 12);
    EXPECT_EQ(c.currentPosition().x, 15);
    EXPECT_EQ(c.currentPosition().y, 12);
  });
  EXPECT_TRUE(ink(img, 1, 1));
  EXPECT_TRUE(ink(img, 9, 1));
  EXPECT_TRUE(paper(img, 10, 1));
  EXPECT_TRUE(paper(img, 0, 1));
  EXPECT_TRUE(ink(img, 15, 2));
  EXPECT_TRUE(ink(img, 15, 11));
  EXPECT_TRUE(paper(img, 15, 12));

  QImage poly = paint(20, 20, [](QtCanvas& c) { c.polyline({{2, 2}, {12, 2}, {12, 12}}); });
  EXPECT_EQ(inkBox(poly), QRect(QPoint(2, 2), QPoint(12, 11)));
}

TEST(QtCanvasShapes, WidePensHaveRoundCaps) {
  QImage img = paint(60, 40, [](QtCanvas& c) {
    c.setPen(pen(9));
    c.moveTo(20, 20);
    c.lineTo(40, 20);
  });
  // The caps reach half the width beyond both ends, on the axis...
  EXPECT_EQ(inkBox(img), QRect(QPoint(16, 16), QPoint(44, 24)));
  EXPECT_TRUE(ink(img, 44, 20));
  EXPECT_TRUE(ink(img, 16, 20));
  // ...but not in the corners, where square caps would be.
  EXPECT_TRUE(paper(img, 44, 16));
  EXPECT_TRUE(paper(img, 44, 24));
  EXPECT_TRUE(paper(img, 16, 16));
  EXPECT_TRUE(ink(img, 30, 16));
}

TEST(QtCanvasShapes, DashPatternsAreInPixelsWhateverTheWidth) {
  QImage img = paint(80, 30, [](QtCanvas& c) {
    c.setPen(pen(1, PenStyle::Dash));
    c.moveTo(0, 3);
    c.lineTo(80, 3);
    c.setPen(pen(3, PenStyle::Dash));
    c.moveTo(0, 10);
    c.lineTo(80, 10);
    c.setPen(pen(1, PenStyle::Dot));
    c.moveTo(0, 16);
    c.lineTo(80, 16);
    c.setPen(pen(1, PenStyle::DashDot));
    c.moveTo(0, 20);
    c.lineTo(80, 20);
  });
  std::vector<int> thin = runs(img, 3), wide = runs(img, 10);
  ASSERT_GE(thin.size(), 3u);
  ASSERT_GE(wide.size(), 3u);
  EXPECT_EQ(thin[0], 18);
  EXPECT_EQ(thin[1], 6);
  EXPECT_EQ(wide[0], 18);
  EXPECT_EQ(wide[1], 6);
  EXPECT_TRUE(ink(img, 0, 3));  // the pattern starts at the first pixel
  EXPECT_TRUE(ink(img, 5, 9));  // and the wide pen is three pixels thick
  EXPECT_TRUE(ink(img, 5, 11));
  EXPECT_TRUE(paper(img, 5, 12));
  std::vector<int> dots = runs(img, 16);
  ASSERT_GE(dots.size(), 4u);
  EXPECT_EQ(dots[0], 3);
  EXPECT_EQ(dots[1], 3);
  std::vector<int> dashDot = runs(img, 20);
  ASSERT_GE(dashDot.size(), 4u);
  EXPECT_EQ(std::vector<int>(dashDot.begin(), dashDot.begin() + 4), (std::vector<int>{9, 6, 3, 6}));
}

TEST(QtCanvasShapes, NullPenDrawsNothing) {
  QImage img = paint(20, 20, [](QtCanvas& c) {
    c.setPen(pen(3, PenStyle::Null));
    c.moveTo(0, 5);
    c.lineTo(20, 5);
    c.polyline({{0, 0}, {19, 19}});
  });
  EXPECT_TRUE(inkBox(img).isEmpty());
}

TEST(QtCanvasShapes, PolygonsFillByTheAlternateRule) {
  // A five-pointed star drawn in one stroke: its centre is inside twice.
  std::vector<Point> star;
  for (int i = 0; i < 5; ++i) {
    double a = -std::numbers::pi / 2 + i * 4 * std::numbers::pi / 5;
    star.push_back({int(std::lround(50 + 40 * std::cos(a))), int(std::lround(50 + 40 * std::sin(a)))});
  }
  QImage img = paint(100, 100, [&](QtCanvas& c) {
    c.setPen(pen(1, PenStyle::Null));
    c.setBrush(solid(kBlack));
    c.polygon(star);
  });
  EXPECT_TRUE(paper(img, 50, 52));  // the pentagon in the middle
  EXPECT_TRUE(ink(img, 50, 20));    // the top point
  EXPECT_TRUE(ink(img, 25, 42));    // a side point
}

TEST(QtCanvasShapes, PiesAndArcsRunCounterClockwiseBetweenRadialPoints) {
  // From the east to the north: the upper right quarter.
  QImage pie = paint(40, 40, [](QtCanvas& c) {
    c.setBrush(solid(kBlack));
    c.pie(0, 0, 40, 40, 40, 20, 20, 0);
  });
  EXPECT_TRUE(ink(pie, 30, 10));
  EXPECT_TRUE(paper(pie, 10, 10));
  EXPECT_TRUE(paper(pie, 30, 30));
  EXPECT_TRUE(paper(pie, 10, 30));

  // From the north to the east: three quarters, through west and south.
  QImage arc = paint(40, 40, [](QtCanvas& c) { c.arc(0, 0, 40, 40, 20, 0, 40, 20); });
  auto inkIn = [&](QRect r) {
    for (int y = r.top(); y <= r.bottom(); ++y)
      for (int x = r.left(); x <= r.right(); ++x)
        if (ink(arc, x, y)) return true;
    return false;
  };
  EXPECT_FALSE(inkIn(QRect(22, 0, 18, 18)));  // north-east quarter left open
  EXPECT_TRUE(inkIn(QRect(0, 0, 18, 18)));
  EXPECT_TRUE(inkIn(QRect(0, 22, 18, 18)));
  EXPECT_TRUE(inkIn(QRect(22, 22, 18, 18)));

  // Radial points on the axes of a flat box: the angle is taken in the box's
  // own proportions, so a point at the box's corner direction splits the
  // quarter at the corner, not at 45 degrees of the circle.
  QImage chord = paint(80, 30, [](QtCanvas& c) {
    c.setBrush(solid(kBlack));
    c.chord(0, 0, 80, 30, 80, 15, 0, 15);  // east to west: the upper half
  });
  EXPECT_TRUE(ink(chord, 40, 5));
  EXPECT_TRUE(paper(chord, 40, 25));
}

TEST(QtCanvasShapes, HatchesLeanTheWayTheirNamesSay) {
  auto lean = [](Hatch h) {
    QImage img = paint(32, 32, [&](QtCanvas& c) {
      Brush b;
      b.style = BrushStyle::Hatched;
      b.hatch = h;
      b.color = kBlack;
      c.setBrush(b);
      c.setPen(pen(1, PenStyle::Null));
      c.rectangle(0, 0, 32, 32);
    });
    int falling = 0, rising = 0;
    for (int y = 1; y < 31; ++y)
      for (int x = 1; x < 31; ++x) {
        if (!ink(img, x, y)) continue;
        falling += ink(img, x + 1, y + 1);
        rising += ink(img, x + 1, y - 1);
      }
    return std::pair{falling, rising};
  };
  auto [fFall, fRise] = lean(Hatch::FDiagonal);
  EXPECT_GT(fFall, 20);
  EXPECT_EQ(fRise, 0);
  auto [bFall, bRise] = lean(Hatch::BDiagonal);
  EXPECT_EQ(bFall, 0);
  EXPECT_GT(bRise, 20);
}

// ---- clipping and regions ----

TEST(QtCanvasClip, RectMinusEllipseKeepsTheCentreUnpainted) {
  QImage img = paint(50, 50, [](QtCanvas& c) {
    c.setClip(Region::rect(0, 0, 40, 40).combined(Region::ellipse(10, 10, 30, 30), Region::Op::Diff));
    c.fillRect(0, 0, 50, 50, kBlack);
    c.setBrush(solid(kBlack));
    c.ellipse(15, 15, 25, 25);  // clipped away entirely
  });
  EXPECT_TRUE(paper(img, 20, 20));
  EXPECT_TRUE(paper(img, 12, 20));
  EXPECT_TRUE(ink(img, 2, 2));
  EXPECT_TRUE(ink(img, 11, 11));  // the corner of the ellipse's box is outside the ellipse
  EXPECT_TRUE(ink(img, 39, 39));
  EXPECT_TRUE(paper(img, 40, 39));  // right and bottom edges of the rect are out
  EXPECT_TRUE(paper(img, 39, 40));

  QImage after = paint(50, 50, [](QtCanvas& c) {
    c.setClip(Region::rect(0, 0, 10, 10));
    c.setClip(std::nullopt);
    c.fillRect(20, 20, 21, 21, kBlack);
    EXPECT_FALSE(c.clip().has_value());
  });
  EXPECT_TRUE(ink(after, 20, 20));
}

TEST(QtCanvasClip, RegionsCombineAndFill) {
  Region a = Region::rect(0, 0, 20, 20), b = Region::rect(10, 10, 30, 30);
  auto region = [](const Region& r) { return QtCanvas::toQRegion(r); };
  EXPECT_EQ(region(a.combined(b, Region::Op::And)), QRegion(10, 10, 10, 10));
  EXPECT_EQ(region(a.combined(b, Region::Op::Or)).boundingRect(), QRect(0, 0, 30, 30));
  QRegion x = region(a.combined(b, Region::Op::Xor));
  EXPECT_TRUE(x.contains(QPoint(5, 5)));
  EXPECT_FALSE(x.contains(QPoint(15, 15)));
  EXPECT_TRUE(x.contains(QPoint(25, 25)));
  EXPECT_TRUE(region(Region()).isEmpty());

  QRegion rr = region(Region::roundRect(0, 0, 40, 30, 16, 16));
  EXPECT_EQ(rr.boundingRect(), QRect(0, 0, 40, 30));
  EXPECT_FALSE(rr.contains(QPoint(0, 0)));
  EXPECT_TRUE(rr.contains(QPoint(20, 0)));
  EXPECT_TRUE(rr.contains(QPoint(20, 15)));

  // A self-crossing polygon region is odd-even like polygon fills.
  QRegion bow = region(Region::polygon({{0, 0}, {40, 0}, {40, 40}, {10, 40}, {10, 10}, {30, 10}, {30, 30}, {0, 30}}));
  EXPECT_FALSE(bow.contains(QPoint(20, 20)));
  EXPECT_TRUE(bow.contains(QPoint(5, 5)));

  QImage img = paint(50, 50, [](QtCanvas& c) { c.fillRegion(Region::ellipse(10, 10, 40, 40), rgb(255, 0, 0)); });
  EXPECT_EQ(img.pixel(25, 25) & 0xFFFFFF, 0xFF0000u);
  EXPECT_TRUE(paper(img, 11, 11));
  EXPECT_EQ(inkBox(img), QRect(QPoint(10, 10), QPoint(39, 39)));
}

// ---- bitmaps ----

TEST(QtCanvasBitmaps, TransparentColourLeavesThosePixelsOut) {
  Bitmap bmp(4, 3, rgb(255, 0, 0));
  bmp.setPixel(1, 1, rgb(0, 0, 255));
  QImage opaque = paint(20, 20, [&](QtCanvas& c) { c.drawBitmap(10, 10, bmp); });
  EXPECT_EQ(opaque.pixel(10, 10) & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(opaque.pixel(11, 11) & 0xFFFFFF, 0x0000FFu);
  EXPECT_EQ(inkBox(opaque), QRect(10, 10, 4, 3));

  QImage keyed = paint(20, 20, [&](QtCanvas& c) { c.drawBitmap(10, 10, bmp, rgb(255, 0, 0)); });
  EXPECT_TRUE(paper(keyed, 10, 10));
  EXPECT_EQ(keyed.pixel(11, 11) & 0xFFFFFF, 0x0000FFu);
  EXPECT_EQ(inkBox(keyed), QRect(11, 11, 1, 1));
}

TEST(QtCanvasBitmaps, StretchFillsTheDestinationAndMirrorsReversedExtents) {
  Bitmap bmp(2, 1);
  bmp.setPixel(0, 0, rgb(255, 0, 0));
  bmp.setPixel(1, 0, rgb(0, 0, 255));
  QImage img = paint(30, 30, [&](QtCanvas& c) {
    c.stretchBitmap(bmp, 0, 0, 20, 10);
    c.stretchBitmap(bmp, 20, 20, 0, 30);  // mirrored
  });
  EXPECT_EQ(inkBox(img), QRect(0, 0, 20, 30));
  EXPECT_EQ(img.pixel(2, 5) & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(img.pixel(17, 5) & 0xFFFFFF, 0x0000FFu);
  EXPECT_EQ(img.pixel(2, 25) & 0xFFFFFF, 0x0000FFu);
  EXPECT_EQ(img.pixel(17, 25) & 0xFFFFFF, 0xFF0000u);
  EXPECT_TRUE(paper(img, 10, 15));
}

TEST(QtCanvasBitmaps, BitmapCanvasPaintsIntoTheBitmapsMemory) {
  Bitmap target(21, 13);  // odd width: rows are padded
  auto measuring = QtCanvas::measureOnly(600);
  std::unique_ptr<Canvas> c = measuring->createBitmapCanvas(target);
  ASSERT_TRUE(c->drawsPixels());
  EXPECT_EQ(c->dpiX(), 600);
  c->fillRect(5, 5, 10, 10, rgb(10, 128, 250));
  c->moveTo(0, 12);
  c->lineTo(21, 12);
  c.reset();
  EXPECT_EQ(target.pixel(5, 5), rgb(10, 128, 250));
  EXPECT_EQ(target.pixel(9, 9), rgb(10, 128, 250));
  EXPECT_EQ(target.pixel(10, 10), kWhite);
  EXPECT_EQ(target.pixel(4, 5), kWhite);
  EXPECT_EQ(target.pixel(20, 12), kBlack);
  EXPECT_EQ(target.pixel(20, 11), kWhite);
}

TEST(QtCanvasBitmaps, PatternBrushTilesTheBitmap) {
  auto pattern = std::make_shared<Bitmap>(2, 2, kWhite);
  pattern->setPixel(0, 0, kBlack);
  QImage img = paint(16, 16, [&](QtCanvas& c) {
    Brush b;
    b.style = BrushStyle::Pattern;
    b.pattern = pattern;
    c.setBrush(b);
    c.setPen(pen(1, PenStyle::Null));
    c.rectangle(0, 0, 16, 16);
  });
  int dark = 0;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) dark += ink(img, x, y);
  EXPECT_EQ(dark, 64);
  EXPECT_NE(ink(img, 4, 4), ink(img, 5, 4));
}

TEST(QtCanvasBitmaps, StretchingIsPixelExact) {
  // A 2 x 2 checker enlarged eight times: every device pixel takes the
  // colour of the nearest bitmap pixel, none a blend of two.
  Bitmap bmp(2, 2, kWhite);
  bmp.setPixel(0, 0, rgb(255, 0, 0));
  bmp.setPixel(1, 1, rgb(255, 0, 0));
  QImage img = paint(16, 16, [&](QtCanvas& c) { c.stretchBitmap(bmp, 0, 0, 16, 16); });
  std::set<QRgb> colours;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) colours.insert(img.pixel(x, y) & 0xFFFFFF);
  EXPECT_EQ(colours, (std::set<QRgb>{0xFF0000, 0xFFFFFF}));
  EXPECT_EQ(img.pixel(7, 7) & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(img.pixel(8, 7) & 0xFFFFFF, 0xFFFFFFu);
}

TEST(QtCanvasBitmaps, TilesRepeatFromTheirOriginWithinTheRectangle) {
  // A red pixel beside a white one, tiles of 4.5 x 3 pixels from (2, 1),
  // over the pixels 3..19 x 2..9.
  Bitmap bmp(2, 1, kWhite);
  bmp.setPixel(0, 0, rgb(255, 0, 0));
  QImage img = paint(24, 12, [&](QtCanvas& c) { c.tileBitmap(bmp, 3, 2, 20, 10, 2, 1, 4.5, 3); });
  EXPECT_EQ(inkBox(img), QRect(3, 2, 15, 8));  // pixels 18 and 19 are the white half of a tile
  auto red = [&](int x, int y) { return (img.pixel(x, y) & 0xFFFFFF) == 0xFF0000u; };
  // Tile columns start at 2, 6.5, 11, 15.5: the red halves cover 2-3, 6-8, 11-12, 15-17.
  for (int x : {3, 7, 11, 12, 16, 17}) EXPECT_TRUE(red(x, 5)) << x;
  for (int x : {4, 5, 9, 10, 13, 14, 19}) EXPECT_FALSE(red(x, 5)) << x;
  EXPECT_TRUE(paper(img, 2, 5));
  EXPECT_TRUE(paper(img, 11, 10));
}

namespace {

// The image objects of a PDF file, as their dictionaries' filters: "jpeg"
// or "flate".
std::vector<std::string> pdfImages(const QByteArray& pdf) {
  std::vector<std::string> out;
  for (qsizetype at = pdf.indexOf("/Subtype /Image"); at >= 0; at = pdf.indexOf("/Subtype /Image", at + 1)) {
    const qsizetype end = pdf.indexOf(">>", at);
    const QByteArray dict = pdf.mid(at, end - at);
    out.push_back(dict.contains("/DCTDecode") ? "jpeg" : dict.contains("/FlateDecode") ? "flate" : "other");
  }
  return out;
}

// A JPEG file of w x h pixels, loaded as the engine loads it.
std::string jpegFile(const veltest::TempDir& dir, const char* name, bool grey, Bitmap& bmp) {
  QImage img(64, 32, grey ? QImage::Format_Grayscale8 : QImage::Format_RGB32);
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) img.setPixelColor(x, y, QColor(x * 4, y * 8, 128));
  const std::string path = dir.file(name);
  EXPECT_TRUE(img.save(QString::fromStdString(path), "JPG", 80));
  EXPECT_TRUE(LoadJpeg(path, bmp));
  return veltest::readFile(path);
}

}  // namespace

// Into a PDF, each image once however often it is drawn, bitmaps lossless,
// JPEG files with their own data, tiles as one image.
TEST(QtCanvasSurfaces, PdfKeepsEachImageOnceAndJpegFilesAsTheyAre) {
  veltest::TempDir tmp;
  Bitmap colour, grey;
  const std::string colourFile = jpegFile(tmp, "c.jpg", false, colour);
  const std::string greyFile = jpegFile(tmp, "g.jpg", true, grey);
  ASSERT_TRUE(colour.jpegSource() && grey.jpegSource());
  EXPECT_EQ(grey.jpegSource()->components, 1);
  Bitmap art(8, 8, kWhite), tile(1, 1, rgb(0, 0, 255));
  for (int i = 0; i < 8; ++i) art.setPixel(i, i, kBlack);
  Bitmap artAgain = art;  // the same pixels in another bitmap: still one image

  const QString path = QString::fromStdString(tmp.file("images.pdf"));
  PdfJpegLog log;
  {
    QPdfWriter pdf(path);
    pdf.setResolution(1200);
    pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
    QtCanvas c(pdf);
    c.keepJpegFiles(&log);
    for (int i = 0; i < 5; ++i) c.stretchBitmap(i % 2 ? artAgain : art, 100 + 500 * i, 100, 500 + 500 * i, 500);
    for (int i = 0; i < 2; ++i) c.stretchBitmap(colour, 100 + 1000 * i, 1000, 900 + 1000 * i, 1400);
    c.stretchBitmap(grey, 100, 2000, 900, 2400);
    // A 1 x 1 tile at 96 dpi over most of an A4 page: 12.5 device pixels a tile.
    c.tileBitmap(tile, 100, 3000, 9000, 13000, 100, 3000, 12.5, 12.5);
    c.finish();
  }
  ASSERT_TRUE(StoreJpegFilesAsIs(path, log));
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray bytes = f.readAll();
  EXPECT_LT(bytes.size(), 100000);
  EXPECT_EQ(pdfImages(bytes), (std::vector<std::string>{"flate", "jpeg", "jpeg", "flate"}));
  EXPECT_TRUE(bytes.contains(QByteArray::fromStdString(colourFile)));
  EXPECT_TRUE(bytes.contains(QByteArray::fromStdString(greyFile)));
  EXPECT_TRUE(bytes.contains("/ColorSpace /DeviceGray"));

  // A reader takes the rewritten file: the images list, and the page shows
  // the JPEG's colours where it was drawn.
  const QString pdfimages = QStandardPaths::findExecutable("pdfimages");
  const QString pdftoppm = QStandardPaths::findExecutable("pdftoppm");
  if (pdfimages.isEmpty() || pdftoppm.isEmpty()) GTEST_SKIP() << "poppler-utils is not installed";
  QProcess p;
  p.start(pdfimages, {"-list", path});
  ASSERT_TRUE(p.waitForFinished(20000));
  EXPECT_EQ(p.exitCode(), 0);
  EXPECT_TRUE(p.readAllStandardError().isEmpty());
  p.start(pdftoppm, {"-r", "96", "-png", "-singlefile", path, QString::fromStdString(tmp.file("page"))});
  ASSERT_TRUE(p.waitForFinished(20000));
  QImage page(QString::fromStdString(tmp.file("page.png")));
  ASSERT_FALSE(page.isNull());
  // Device pixel (500, 1200) at 1200 dpi is (40, 96) at 96 dpi: the JPEG's
  // pixel (32, 16), colour (128, 128, 128) give or take the coding.
  const QColor jc = page.pixelColor(40, 96);
  EXPECT_NEAR(jc.red(), 128, 12);
  EXPECT_NEAR(jc.green(), 128, 12);
  EXPECT_NEAR(jc.blue(), 128, 12);
  EXPECT_EQ(page.pixelColor(400, 500), QColor(0, 0, 255));  // the tiles
}

// ---- text ----

TEST(QtCanvasText, CellTopLeftIsAtThePointAndTheBaselineAnAscentBelow) {
  Font f = font("Times New Roman", -40);
  int ascent = 0, advance = 0;
  QImage one = paint(200, 80, [&](QtCanvas& c) {
    ascent = c.metrics(f).ascent;
    advance = c.charWidth(f, 'H');
    c.textOut(f, 10, 10, "H");
  });
  EXPECT_EQ(ascent, 36);  // 1825/2048 of the em
  QRect box = inkBox(one);
  // "H" stands on the baseline and rises about two thirds of an em.
  EXPECT_NEAR(box.bottom(), 10 + ascent - 1, 1);
  EXPECT_NEAR(box.top(), 10 + ascent - 0.66 * 40, 2);
  EXPECT_GE(box.left(), 10);
  EXPECT_LE(box.left(), 12);
  // Glyphs follow at their own advances.
  QRect two = inkBox(paint(200, 80, [&](QtCanvas& c) { c.textOut(f, 10, 10, "HH"); }));
  EXPECT_NEAR(two.right() - box.right(), advance, 1);
}

TEST(QtCanvasText, LayoutWidthScaledToTheScreenIsTheDrawnAdvance) {
  // Measured at the layout em, drawn at a screen em of 14 pixels.
  auto measuring = QtCanvas::measureOnly(96);
  QImage img = blank(10, 10);
  QtCanvas screen(img);
  for (const char* name : {"ＭＳ Ｐ明朝", "Times New Roman", "cmr10"}) {
    std::string text = std::string(name) == "cmr10" ? std::string("Typesetting0123") : sj("組版のテストです、Typesetting 2024.");
    Font layout = font(name, -2916), device = font(name, -14);
    double scaled = measuring->textWidth(layout, text) * 14.0 / 2916;
    QtCanvas::GlyphLine line = screen.glyphLine(device, text);
    EXPECT_NEAR(line.width, scaled, scaled * 0.001) << name;
    // Each glyph starts where the previous one's advance ends.
    for (qsizetype i = 1; i < line.positions.size(); ++i)
      EXPECT_DOUBLE_EQ(line.positions[i].x(), line.positions[i - 1].x() + line.advances[size_t(i - 1)]);
  }
}

TEST(QtCanvasText, ColourAndTransparentBackground) {
  Font f = font("ＭＳ Ｐ明朝", -30);
  f.color = rgb(255, 0, 0);
  QImage img = blank(100, 50);
  img.fill(QColor(0, 255, 0));
  {
    QtCanvas c(img);
    c.textOut(f, 5, 5, sj("字"));
  }
  int red = 0, green = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) {
      QRgb p = img.pixel(x, y);
      if (p == qRgb(255, 0, 0)) ++red;
      if (p == qRgb(0, 255, 0)) ++green;
    }
  EXPECT_GT(red, 20);
  EXPECT_GT(green, 100 * 50 / 2);  // the cell's background is not painted
}

TEST(QtCanvasText, EscapementTurnsTextCounterClockwiseAboutThePoint) {
  Font f = font("ＭＳ Ｐ明朝", -30);
  auto box = [&](int escapement) {
    f.escapement = escapement;
    return inkBox(paint(200, 200, [&](QtCanvas& c) { c.textOut(f, 100, 100, sj("日本")); }));
  };
  QRect flat = box(0), up = box(900), down = box(2700);
  // Unturned: to the right of the point and below it.
  EXPECT_GE(flat.left(), 100);
  EXPECT_GE(flat.top(), 100);
  EXPECT_GT(flat.width(), flat.height());
  // A quarter turn counter-clockwise: the text runs upwards, the cell lies to the right.
  EXPECT_LE(up.bottom(), 100);
  EXPECT_GE(up.left(), 100);
  EXPECT_GT(up.height(), up.width());
  // Three quarters: the text runs downwards, the cell to the left.
  EXPECT_GE(down.top(), 100);
  EXPECT_LE(down.right(), 100);
}

TEST(QtCanvasText, TexFacesDrawTheGlyphsOfTheirPositions) {
  Font f = font("cmr10", -40);
  f.charset = kAnsiCharset;
  auto draw = [&](std::string s) { return paint(60, 60, [&](QtCanvas& c) { c.textOut(f, 5, 5, s); }); };
  QImage a = draw("A"), b = draw("B"), ff = draw(std::string(1, '\x0B')), space = draw(" ");
  EXPECT_FALSE(inkBox(a).isEmpty());
  EXPECT_FALSE(inkBox(b).isEmpty());
  EXPECT_NE(a, b);
  EXPECT_FALSE(inkBox(ff).isEmpty());  // TeX position 11, the ff ligature
  // Position 32 is the stroke of the Polish l, which has ink.
  EXPECT_FALSE(inkBox(space).isEmpty());
  // The ligature is two f's wide and reaches above "A" (the f's hook).
  EXPECT_GT(inkBox(ff).width(), inkBox(draw("f")).width() * 3 / 2);
}

TEST(QtCanvasText, SyntheticStylesBoldenAndSlantWithoutMovingGlyphs) {
  auto draw = [](Font f, const char* s) { return paint(120, 60, [&](QtCanvas& c) { c.textOut(f, 5, 5, sj(s)); }); };
  Font regular = font("ＭＳ 明朝", -40), bold = regular, italic = regular;
  bold.bold = true;
  italic.italic = true;
  QImage r = draw(regular, "｜あ"), b = draw(bold, "｜あ");
  EXPECT_GT(darkness(b), darkness(r) * 11 / 10);
  EXPECT_NEAR(inkBox(b).left(), inkBox(r).left(), 1);

  // The vertical bar leans right at its top when slanted.
  QImage i = draw(italic, "｜"), u = draw(regular, "｜");
  auto centreX = [](const QImage& img, int y) {
    int sum = 0, n = 0;
    for (int x = 0; x < img.width(); ++x)
      if (ink(img, x, y)) sum += x, ++n;
    return n ? double(sum) / n : -1.0;
  };
  QRect ib = inkBox(i), ub = inkBox(u);
  EXPECT_NEAR(centreX(u, ub.top() + 2), centreX(u, ub.bottom() - 2), 1);
  EXPECT_GT(centreX(i, ib.top() + 2) - centreX(i, ib.bottom() - 2), 0.15 * ib.height());
}

TEST(QtCanvasText, UnderlineRunsBelowTheBaselineAcrossTheText) {
  Font f = font("Arial", -40);
  f.underline = true;
  int ascent = 0, width = 0;
  QImage img = paint(200, 80, [&](QtCanvas& c) {
    ascent = c.metrics(f).ascent;
    width = c.textWidth(f, "ace");
    c.textOut(f, 10, 10, "ace");
  });
  int row = -1;
  for (int y = 10 + ascent; y < 80 && row < 0; ++y)
    if (ink(img, 10 + width / 2, y)) row = y;
  ASSERT_GT(row, 0);
  EXPECT_LE(row, 10 + ascent + 6);
  EXPECT_TRUE(ink(img, 11, row));
  EXPECT_TRUE(ink(img, 10 + width - 2, row));
  EXPECT_TRUE(paper(img, 10 + width + 2, row));
}

TEST(QtCanvasText, VerticalFacesDrawVerticalFormsUprightInTurnedText) {
  // Vertical writing: the "@" face turned three quarters, running down.
  Font h = font("ＭＳ 明朝", -40), v = font("@ＭＳ 明朝", -40);
  h.escapement = v.escapement = 2700;
  int cell = 0;
  auto draw = [&](const Font& f, const char* s) {
    return inkBox(paint(120, 120, [&](QtCanvas& c) {
      cell = c.metrics(f).height;
      c.textOut(f, 100, 10, sj(s));
    }));
  };
  // The cell lies left of the point; the comma of vertical writing sits in
  // its upper right, where the turned horizontal comma does not.
  QRect vc = draw(v, "、"), hc = draw(h, "、");
  EXPECT_GT(vc.left(), 100 - cell / 2);
  EXPECT_LT(vc.bottom(), 10 + 20);
  EXPECT_LT(hc.right(), 100 - cell / 2);
  // The long-vowel bar stands.
  QRect bar = draw(v, "ー");
  EXPECT_GT(bar.height(), 3 * bar.width());
  // Both variants measure alike.
  auto measuring = QtCanvas::measureOnly();
  EXPECT_EQ(measuring->textWidth(v, sj("縦書き、ー「」")), measuring->textWidth(h, sj("縦書き、ー「」")));
}

TEST(QtCanvasText, AKanjiUnderALatinFaceHasTheJapaneseFacesAdvanceAndInk) {
  // As the Japanese face draws it, not as missing-glyph boxes.
  struct Case {
    const char* face;
    const char* japanese;
  } cases[] = {{"Arial", "ＭＳ Ｐゴシック"}, {"Times New Roman", "ＭＳ Ｐ明朝"}, {"NoSuchFont", "ＭＳ Ｐ明朝"}};
  for (const Case& c : cases) {
    auto measuring = QtCanvas::measureOnly();
    const std::string text = sj("日本語、かな");
    EXPECT_EQ(measuring->textWidth(font(c.face, -2916), text), measuring->textWidth(font(c.japanese, -2916), text))
        << c.face;
    // On the Latin face's baseline, its ascent below the cell's top.
    int shift = 0;
    QImage latin = paint(200, 50, [&](QtCanvas& cv) {
      shift = cv.metrics(font(c.face, -30)).ascent - cv.metrics(font(c.japanese, -30)).ascent;
      cv.textOut(font(c.face, -30), 5, 5, text);
    });
    QImage japanese = paint(200, 50, [&](QtCanvas& cv) { cv.textOut(font(c.japanese, -30), 5, 5 + shift, text); });
    EXPECT_FALSE(inkBox(latin).isEmpty()) << c.face;
    EXPECT_EQ(latin, japanese) << c.face;
  }
  // Latin letters and kanji in one run: each from its own face, one advance after the other.
  Font arial = font("Arial", -30);
  QImage mixed = paint(200, 50, [&](QtCanvas& cv) {
    cv.textOut(arial, 5, 5, "AB");
    cv.textOut(arial, 5 + cv.textWidth(arial, "AB"), 5, sj("漢"));
  });
  QImage together = paint(200, 50, [&](QtCanvas& cv) { cv.textOut(arial, 5, 5, "AB" + sj("漢")); });
  EXPECT_EQ(inkBox(mixed), inkBox(together));
}

// ---- surfaces ----

TEST(QtCanvasSurfaces, MeasuringIsTheSameOnEverySurface) {
  veltest::TempDir tmp;
  QImage img = blank(10, 10);
  QPdfWriter pdf(QString::fromStdString(tmp.file("m.pdf")));
  pdf.setResolution(1200);
  auto measuring = QtCanvas::measureOnly(144);
  QtCanvas onImage(img), onPdf(pdf);
  EXPECT_FALSE(measuring->drawsPixels());
  EXPECT_TRUE(onImage.drawsPixels());
  EXPECT_EQ(measuring->dpiX(), 144);
  EXPECT_EQ(onPdf.dpiY(), 1200);

  Font f = font("ＭＳ Ｐ明朝", -2916);
  std::string text = sj("組版、テスト。Typesetting");
  int w = measuring->textWidth(f, text);
  EXPECT_EQ(onImage.textWidth(f, text), w);
  EXPECT_EQ(onPdf.textWidth(f, text), w);
  EXPECT_EQ(onPdf.metrics(f).height, measuring->metrics(f).height);

  // Drawing on the measure-only surface does nothing and does not fail.
  measuring->textOut(f, 0, 0, text);
  measuring->rectangle(0, 0, 10, 10);
  measuring->setClip(Region::rect(0, 0, 5, 5));
  measuring->drawBitmap(0, 0, Bitmap(2, 2));
}

TEST(QtCanvasSurfaces, PdfOutputEmbedsTheFonts) {
  QString pdffonts = QStandardPaths::findExecutable("pdffonts");
  if (pdffonts.isEmpty()) GTEST_SKIP() << "pdffonts (poppler-utils) is not installed";
  veltest::TempDir tmp;
  QString path = QString::fromStdString(tmp.file("fonts.pdf"));
  {
    QPdfWriter pdf(path);
    pdf.setResolution(1200);
    QtCanvas c(pdf);
    c.textOut(font("ＭＳ Ｐ明朝", -160), 100, 100, sj("日本語の組版"));
    c.textOut(font("cmr10", -160), 100, 400, "AB0");
    c.textOut(font("Times New Roman Italic", -160), 100, 700, "Italic");
    Font bold = font("ＭＳ ゴシック", -160);
    bold.bold = true;
    c.textOut(bold, 100, 1000, sj("太字"));
    c.finish();
  }
  QProcess p;
  p.start(pdffonts, {path});
  ASSERT_TRUE(p.waitForFinished(20000));
  ASSERT_EQ(p.exitCode(), 0);
  std::string out = p.readAllStandardOutput().toStdString();
  for (const char* family : {"IPAPMincho", "cmr10", "LiberationSerif-Italic", "IPAGothic"}) {
    bool embedded = false;
    for (const std::string& line : veltest::splitLines(out)) {
      if (line.find(family) == std::string::npos) continue;
      std::vector<std::string> cols;
      size_t i = 0;
      while (i < line.size()) {
        size_t j = line.find(' ', i);
        if (j == std::string::npos) j = line.size();
        if (j > i) cols.push_back(line.substr(i, j - i));
        i = j + 1;
      }
      // name type... encoding emb sub uni object-number generation
      if (cols.size() >= 6 && cols[cols.size() - 5] == "yes") embedded = true;
    }
    EXPECT_TRUE(embedded) << family << " in\n" << out;
  }
}

TEST(QtCanvasSurfaces, PdfTextHeldInRunsKeepsItsOrderWithPaintOfOtherColours) {
  // Text on a PDF waits in runs; paint of another colour over it must still
  // cover it, text after a fill must stay on top, and a page's text must
  // reach its page.
  const QString pdftoppm = QStandardPaths::findExecutable("pdftoppm");
  if (pdftoppm.isEmpty()) GTEST_SKIP() << "poppler-utils is not installed";
  veltest::TempDir tmp;
  const QString path = QString::fromStdString(tmp.file("order.pdf"));
  const std::string block = sj("■■■■");
  {
    QPdfWriter pdf(path);
    pdf.setResolution(96);
    pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
    QtCanvas c(pdf);
    const Font f = font("ＭＳ ゴシック", -40);
    c.textOut(f, 100, 100, block);      // covered by the white fill below
    c.textOut(f, 100, 300, block);      // left alone: a black rule of its colour crosses it
    c.fillRect(90, 90, 300, 160, kWhite);
    c.setPen(Pen{3, kBlack, PenStyle::Solid});
    c.polyline({{90, 320}, {300, 320}});
    c.fillRect(90, 490, 300, 560, rgb(255, 0, 0));
    c.textOut(f, 100, 500, block);      // on top of the red fill
    c.flush();  // what a paged device does before it ends a page
    pdf.newPage();
    c.textOut(f, 100, 100, block);      // the second page's own text
    c.finish();
  }
  QProcess p;
  p.start(pdftoppm, {"-r", "96", "-png", path, QString::fromStdString(tmp.file("pg"))});
  ASSERT_TRUE(p.waitForFinished(20000));
  QImage one(QString::fromStdString(tmp.file("pg-1.png"))), two(QString::fromStdString(tmp.file("pg-2.png")));
  ASSERT_FALSE(one.isNull());
  ASSERT_FALSE(two.isNull());
  EXPECT_EQ(one.pixelColor(120, 120), QColor(Qt::white));
  EXPECT_LT(one.pixelColor(120, 310).red(), 60);
  EXPECT_LT(one.pixelColor(120, 520).red(), 60);
  EXPECT_LT(two.pixelColor(120, 120).red(), 60);
}
