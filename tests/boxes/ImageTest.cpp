// Images: the decoders (bitmaps of every depth, JPEGs in grayscale, RGB
// and CMYK; corrupt files fail cleanly), the options and the size of
// \image, the search, the messages, and what drawing stretches where.
#include <gtest/gtest.h>

#include <cstdlib>

#include "BoxFixture.h"
#include "ImageFiles.h"
#include "canvas/Jpeg.h"

using namespace boxtest;
using namespace imagefiles;
using veltest::sj;

namespace {

const PixelFn kQuarters = [](int x, int y) -> Rgb {
  if (y < 50) return x < 100 ? Rgb{255, 0, 0} : Rgb{0, 255, 0};
  return x < 100 ? Rgb{0, 0, 255} : Rgb{255, 255, 255};
};
const PixelFn kRed = [](int, int) { return Rgb{255, 0, 0}; };

bool near(uint32_t c, Rgb want, int tol) {
  return std::abs(vel::redOf(c) - want.r) <= tol && std::abs(vel::greenOf(c) - want.g) <= tol &&
         std::abs(vel::blueOf(c) - want.b) <= tol;
}

std::string decodeError(const std::string& bytes, bool jpeg) {
  vel::Bitmap b;
  std::string why;
  bool ok = jpeg ? vel::DecodeJpeg(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), b, &why)
                 : b.loadBmpBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &why);
  if (ok) return "ok";
  EXPECT_TRUE(b.empty());
  return why;
}

struct ImageFixture : Fixture {
  veltest::TempDir dir;
  ImageFixture() { st.documentDir = dir.path(); }
  void write(const std::string& name, const std::string& bytes) { veltest::writeFile(dir.file(name), bytes); }
  int image(const std::string& utf8, bool draw = false, int y = 0, int x = 0) {
    return take(vel::DrawImage(st, sj(utf8), x, draw, y)) == 0 ? 1 : 0;
  }
};

}  // namespace

TEST(ImageDecode, BitmapsOfEveryDepth) {
  const PixelFn twoColours = [](int x, int y) { return (x + y) % 3 ? Rgb{10, 20, 30} : Rgb{200, 100, 50}; };
  for (int bpp : {1, 4, 8, 24, 32}) {
    for (int w : {1, 7, 33}) {
      std::string bytes = Bmp(w, 5, bpp, twoColours);
      vel::Bitmap b;
      ASSERT_TRUE(b.loadBmpBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size())) << bpp << " " << w;
      ASSERT_EQ(b.width(), w);
      ASSERT_EQ(b.height(), 5);
      for (int y = 0; y < 5; ++y)
        for (int x = 0; x < w; ++x) {
          Rgb c = twoColours(x, y);
          ASSERT_EQ(b.pixel(x, y), vel::rgb(c.r, c.g, c.b)) << bpp << " at " << x << "," << y;
        }
    }
  }
  std::string rle = Rle8Bmp(6, 3, true);
  vel::Bitmap b;
  ASSERT_TRUE(b.loadBmpBytes(reinterpret_cast<const uint8_t*>(rle.data()), rle.size()));
  EXPECT_EQ(b.pixel(5, 2), vel::rgb(0, 0, 255));
}

TEST(ImageDecode, JpegColourSpaces) {
  for (bool progressive : {false, true}) {
    vel::Bitmap b;
    std::string rgb = Jpeg(200, 100, JpegKind::Rgb, kQuarters, progressive);
    ASSERT_TRUE(vel::DecodeJpeg(reinterpret_cast<const uint8_t*>(rgb.data()), rgb.size(), b));
    ASSERT_EQ(b.width(), 200);
    ASSERT_EQ(b.height(), 100);
    EXPECT_TRUE(near(b.pixel(20, 20), {255, 0, 0}, 8));
    EXPECT_TRUE(near(b.pixel(180, 20), {0, 255, 0}, 8));
    EXPECT_TRUE(near(b.pixel(20, 80), {0, 0, 255}, 8));
    EXPECT_TRUE(near(b.pixel(180, 80), {255, 255, 255}, 8));
  }
  const PixelFn grey = [](int x, int) { return Rgb{x < 50 ? 40 : 220, 0, 0}; };
  std::string gray = Jpeg(100, 20, JpegKind::Gray, grey);
  vel::Bitmap g;
  ASSERT_TRUE(vel::DecodeJpeg(reinterpret_cast<const uint8_t*>(gray.data()), gray.size(), g));
  EXPECT_TRUE(near(g.pixel(10, 10), {40, 40, 40}, 4));
  EXPECT_TRUE(near(g.pixel(90, 10), {220, 220, 220}, 4));

  std::string cmyk = Jpeg(200, 100, JpegKind::AdobeCmyk, kQuarters);
  vel::Bitmap k;
  ASSERT_TRUE(vel::DecodeJpeg(reinterpret_cast<const uint8_t*>(cmyk.data()), cmyk.size(), k));
  EXPECT_TRUE(near(k.pixel(20, 20), {255, 0, 0}, 10));
  EXPECT_TRUE(near(k.pixel(180, 20), {0, 255, 0}, 10));
  EXPECT_TRUE(near(k.pixel(20, 80), {0, 0, 255}, 10));
  EXPECT_TRUE(near(k.pixel(180, 80), {255, 255, 255}, 10));
}

TEST(ImageDecode, CorruptFilesFail) {
  const std::string bmp = Bmp(20, 10, 24, kRed);
  const std::string jpg = Jpeg(64, 64, JpegKind::Rgb, kQuarters);
  const std::string png = std::string("\x89PNG\r\n\x1a\n", 8) + std::string(100, '\0');
  std::string zeroBmp = Bmp(1, 1, 24, kRed);
  zeroBmp.replace(18, 8, std::string(8, '\0'));  // width and height 0
  std::string hugeBmp = Bmp(1, 1, 8, kRed);
  hugeBmp.replace(18, 4, std::string("\x00\x80\x00\x00", 4));  // 32768 wide, 1 row of data
  hugeBmp.replace(22, 4, std::string("\x00\x80\x00\x00", 4));
  std::string badJpegHeader = jpg.substr(0, 2) + std::string(200, '\xFF');
  struct Case {
    const char* name;
    std::string bytes;
    bool jpeg;
  } cases[] = {
      {"truncated bitmap", bmp.substr(0, bmp.size() - 40), false},
      {"bitmap header only", bmp.substr(0, 54), false},
      {"empty bitmap", zeroBmp, false},
      {"bitmap larger than its data", hugeBmp, false},
      {"RLE without its end", Rle8Bmp(6, 40, false).substr(0, 70), false},
      {"PNG bytes", png, false},
      {"PNG bytes as JPEG", png, true},
      {"bitmap as JPEG", bmp, true},
      {"truncated JPEG", jpg.substr(0, jpg.size() / 2), true},
      {"JPEG header only", jpg.substr(0, 300), true},
      {"markers without a frame", badJpegHeader, true},
      {"nothing", std::string(), true},
  };
  for (const Case& c : cases) EXPECT_NE(decodeError(c.bytes, c.jpeg), "ok") << c.name;
  // A JPEG bigger than the caller allows is refused before it is decoded.
  vel::Bitmap b;
  EXPECT_FALSE(vel::DecodeJpeg(reinterpret_cast<const uint8_t*>(jpg.data()), jpg.size(), b, nullptr, 64 * 63));
}

TEST(Image, SizesFollowTheOptionsAndTheProportions) {
  const int mm30 = 23622, mm15 = 11811, mm10 = 7874;
  const double axis = (kAscent - kEm / 2.0) * 0.85;
  const int centre = static_cast<int>(mm15 / 2.0 + axis);
  struct Case {
    const char* text;
    Box box;
  } cases[] = {
      {"\\width{30mm}pic.bmp", {mm30, centre, mm15 - centre}},
      {" \\width{30mm} \\align{b} pic.bmp ", {mm30, mm15 - kDescent, kDescent}},
      {"\\align{t}\\width{30mm}pic.bmp", {mm30, kAscent, mm15 - kAscent}},
      {"\\height{10mm}\\align{b}pic.bmp", {2 * mm10, mm10 - kDescent, kDescent}},
      {"\\height{10mm}\\width{30mm}\\align{b}pic.jpg", {mm30, mm10 - kDescent, kDescent}},
      {"\\width{30mm}\\align{b}PIC.JPG", {mm30, mm15 - kDescent, kDescent}},
      {"\\width{30mm}\\align{b}pic.JPEG", {mm30, mm15 - kDescent, kDescent}},
  };
  ImageFixture f;
  f.write("pic.bmp", Bmp(200, 100, 24, kQuarters));
  const std::string jpg = Jpeg(200, 100, JpegKind::Rgb, kQuarters);
  for (const char* n : {"pic.jpg", "PIC.JPG", "pic.JPEG"}) f.write(n, jpg);
  for (const Case& c : cases) {
    ASSERT_EQ(f.image(c.text), 1) << c.text;
    EXPECT_EQ(f.result(), c.box) << c.text;
  }
  EXPECT_TRUE(f.messages().empty());
}

TEST(Image, Messages) {
  const std::vector<std::string> notFound = {"** イメージファイル(nosuch.bmp)がありません。",
                                             "** ファイル名の間違いか，または",
                                             "** 環境設定「イメージファイル用ディレクトリ」の設定ミスだと思われます。"};
  struct Case {
    const char* text;
    std::vector<std::string> messages;
  } cases[] = {
      {"pic.bmp", {"** \\imageのサイズ指定なし"}},
      {"\\align{t}pic.bmp", {"** \\imageのサイズ指定なし"}},
      {"\\width{30mm}nosuch.bmp", notFound},
      {"\\width{-1mm}pic.bmp", {"** \\imageコマンドの記述ミス"}},
      {"\\height{0mm}pic.bmp", {"** \\imageコマンドの記述ミス"}},
      {"\\size{3mm}pic.bmp", {"** \\imageコマンドの記述ミス"}},
      {"\\width{3mm pic.bmp", {"** \\imageコマンドの記述ミス"}},
      {"\\width{3mm}\\width{3mm}\\width{3mm}\\width{3mm}pic.bmp", {"** \\imageコマンドの記述ミス"}},
      {"\\width{30mm}pic.png", {"** \\imageコマンドの記述ミス"}},
      // Found but no image of its kind: the command's failure reports it.
      {"\\width{30mm}fake.jpg", {}},
      {"\\width{30mm}empty.bmp", {}},
  };
  for (const Case& c : cases) {
    ImageFixture f;
    f.write("pic.bmp", Bmp(200, 100, 24, kQuarters));
    f.write("pic.png", Bmp(200, 100, 24, kQuarters));
    f.write("fake.jpg", std::string("\x89PNG\r\n\x1a\n", 8) + std::string(64, 'x'));
    f.write("empty.bmp", "");
    EXPECT_EQ(f.image(c.text, true), 0) << c.text;
    EXPECT_EQ(f.messages(), c.messages) << c.text;
    EXPECT_TRUE(f.logged("stretch").empty()) << c.text;
  }
}

TEST(Image, SearchOrder) {
  ImageFixture f;
  veltest::TempDir images, more;
  f.settings.imageDirs = {images.path(), more.path()};
  veltest::writeFile(images.file("a.bmp"), Bmp(10, 10, 24, kRed));
  veltest::writeFile(more.file("a.bmp"), Bmp(20, 10, 24, kRed));
  veltest::writeFile(more.file("b.bmp"), Bmp(30, 10, 24, kRed));
  EXPECT_EQ(vel::FindImageFile(f.st, "a.bmp"), images.file("a.bmp"));
  EXPECT_EQ(vel::FindImageFile(f.st, "b.bmp"), more.file("b.bmp"));
  f.write("a.bmp", Bmp(40, 10, 24, kRed));
  EXPECT_EQ(vel::FindImageFile(f.st, "a.bmp"), f.dir.file("a.bmp"));  // the document's folder first
  // A name with a folder is used as written, from the document's folder.
  ASSERT_EQ(std::system(("mkdir -p " + f.dir.file("sub")).c_str()), 0);
  veltest::writeFile(f.dir.file("sub/c.bmp"), Bmp(10, 10, 24, kRed));
  veltest::writeFile(more.file("d.bmp"), Bmp(10, 10, 24, kRed));
  EXPECT_EQ(vel::FindImageFile(f.st, "sub\\c.bmp"), f.dir.file("sub/c.bmp"));
  EXPECT_EQ(vel::FindImageFile(f.st, "sub/c.bmp"), f.dir.file("sub/c.bmp"));
  EXPECT_EQ(vel::FindImageFile(f.st, "sub\\d.bmp"), "");  // not looked for in the image folders
  EXPECT_EQ(vel::FindImageFile(f.st, more.file("d.bmp")), more.file("d.bmp"));
  // A Japanese name whose second byte is a backslash has no folder.
  const std::string hyo = sj("表.bmp");
  ASSERT_EQ(hyo[1], '\\');
  veltest::writeFile(more.file("表.bmp"), Bmp(10, 10, 24, kRed));
  EXPECT_EQ(vel::FindImageFile(f.st, hyo), more.file("表.bmp"));
}

TEST(Image, DrawingStretchesToTheRoundedCorners) {
  ImageFixture f;
  f.write("pic.bmp", Bmp(200, 100, 24, kQuarters));
  f.st.draw.scale = 0.01;
  ASSERT_EQ(f.image("\\width{30mm}\\align{b}pic.bmp", true, 50000, 1000), 1);
  const int top = 50000 - (11811 - kDescent);
  const int l = static_cast<int>(1000 * 0.01 + 0.5), t = static_cast<int>(top * 0.01 + 0.5);
  const int r = static_cast<int>((1000 + 23622) * 0.01 + 0.5), b = static_cast<int>((top + 11811) * 0.01 + 0.5);
  EXPECT_EQ(f.logged("stretch"), (std::vector<std::string>{"stretch " + std::to_string(l) + " " + std::to_string(t) +
                                                           " " + std::to_string(r) + " " + std::to_string(b) + " 200x100"}));
}

TEST(Image, RotatedTextTurnsTheImageInsideItsOutline) {
  ImageFixture f;
  f.write("pic.bmp", Bmp(20, 10, 24, kRed));
  f.st.draw.scale = 0.01;
  f.st.font.textRotationDeg = 90;
  f.st.font.textRotationRad = 3.14159265358979323846 / 2;
  ASSERT_EQ(f.image("\\width{20mm}\\align{b}pic.bmp", true, 50000, 1000), 1);
  // Clipped to the turned outline, drawn, and the clip put back.
  const std::vector<std::string> log = f.canvas.log();
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[0], "clip");
  EXPECT_EQ(log[1].substr(0, 8), "stretch ");
  EXPECT_EQ(log[2], "noclip");
  // Turned by a quarter: the picture now stands (its bitmap is taller than wide).
  int l, t, r, b, w, h;
  ASSERT_EQ(std::sscanf(log[1].c_str(), "stretch %d %d %d %d %dx%d", &l, &t, &r, &b, &w, &h), 6);
  EXPECT_GT(h, w);
  EXPECT_EQ(r - l, w);
  EXPECT_EQ(b - t, h);
}
