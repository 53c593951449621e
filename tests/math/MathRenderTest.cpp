// Formulas set on the installed fonts: pairs that must draw the same
// pixels, and the messages of formulas that stop a run.
#include <gtest/gtest.h>

#include "CaseFile.h"
#include "StateFixture.h"
#include "canvas/qt/QtCanvas.h"
#include "math/MathLayout.h"
#include "math/ReformMath.h"

using namespace vel;

namespace {

// The formula (as written) normalised and drawn at 300 dpi; empty when it
// fails. `measuredAt`: a font size to measure it at alone first, as the
// line builder does.
std::vector<uint32_t> Pixels(const std::string& written, int level, MathBox& box, double measuredAt = 0,
                             bool smallCharPrintError = false) {
  std::string line = "$" + written + "$";
  if (ReformMath(line, 1) < 0) return {};
  const std::string formula = line.substr(1, line.size() - 2);
  Bitmap page(400, 160);
  auto canvas = QtCanvas::onBitmap(page, 300, 300);
  veltest::StateFixture f(canvas.get());
  f.st.draw.scale = units::DeviceScale(300);
  f.settings.smallCharPrintError = smallCharPrintError;
  if (measuredAt > 0) {
    const double size = f.st.chr.fontSize;
    f.st.chr.fontSize = measuredAt;
    (void)MathWidthHeight(f.st, formula, level, false, 0, 0);
    f.st.chr.fontSize = size;
  }
  box = MathWidthHeight(f.st, formula, level, true, 2000, 2000);
  canvas.reset();
  std::vector<uint32_t> px;
  for (int y = 0; y < page.height(); ++y)
    for (int x = 0; x < page.width(); ++x) px.push_back(page.pixel(x, y));
  return px;
}

}  // namespace

TEST(MathRender, PairsThatDrawTheSamePixels) {
  for (const mathcases::Case& c : mathcases::Read("same.tests")) {
    ASSERT_EQ(c.fields.size(), 3u) << c.where();
    const int level = std::stoi(c.fields[0]);
    MathBox a, b;
    const std::vector<uint32_t> pa = Pixels(c.fields[1], level, a), pb = Pixels(c.fields[2], level, b);
    ASSERT_FALSE(pa.empty()) << c.where();
    EXPECT_GT(a.width, 0) << c.where();
    EXPECT_EQ(a.width, b.width) << c.where();
    EXPECT_EQ(a.height, b.height) << c.where();
    EXPECT_EQ(a.depth, b.depth) << c.where();
    EXPECT_TRUE(pa == pb) << c.where() << ": " << mathcases::Show(c.fields[1]) << " against "
                          << mathcases::Show(c.fields[2]);
  }
}

TEST(MathRender, AFormulaMeasuredFirstDrawsAsOneDrawnAlone) {
  // Drawing takes what measuring the same formula in the same fonts kept:
  // the same pixels, also where the drawing starts from the metrics the
  // measuring left (low dots before a small Greek letter drawn in the
  // Japanese face), and nothing kept from another size.
  for (const char* written : {"\\ldots x\\small\\alpha", "\\frac{a_1}{\\sqr{b^2+\\vec{c}}}-d"}) {
    MathBox alone, again, other;
    const std::vector<uint32_t> p = Pixels(written, 2, alone, 0, true);
    ASSERT_FALSE(p.empty()) << written;
    EXPECT_TRUE(Pixels(written, 2, again, 21000, true) == p) << written;
    EXPECT_TRUE(Pixels(written, 2, other, 42000, true) == p) << written;
    EXPECT_EQ(again.width, alone.width) << written;
  }
}

TEST(MathRender, AFormulaThatNamesAVariableIsMeasuredAgain) {
  // The same text in the same fonts measures as before, unless it reads a
  // variable that has changed since.
  auto canvas = QtCanvas::measureOnly(300);
  veltest::StateFixture f(canvas.get());
  std::string line = "$x\\cdots{\\valA}$";
  ASSERT_GE(ReformMath(line, 1), 0);
  const std::string formula = line.substr(1, line.size() - 2);
  f.st.val.registers[0] = 3;
  const MathBox three = MathWidthHeight(f.st, formula, 2, false, 0, 0);
  f.st.val.registers[0] = 6;
  const MathBox six = MathWidthHeight(f.st, formula, 2, false, 0, 0);
  EXPECT_GT(six.width, three.width);
}

TEST(MathRender, FormulasThatStopTheRun) {
  for (const mathcases::Case& c : mathcases::Read("errors.tests")) {
    veltest::TempDir d;
    veltest::writeFile(d.file("a.vdr"), vel::utf8ToCp932("\\documentstyle{10.5,a4t}\n\\begindocument\n") + c.fields[0] +
                                            "\n");
    const veltest::RunResult r = veltest::runRender({"--defaults", d.file("a.vdr")});
    EXPECT_EQ(r.exitCode, 1) << c.where();
    std::vector<std::string> got, want;
    for (const std::string& l : veltest::splitLines(r.out))
      if (l.rfind("** ", 0) == 0) got.push_back(l);
    for (size_t k = 1; k < c.fields.size(); ++k) want.push_back(vel::cp932ToUtf8(c.fields[k]));
    EXPECT_EQ(got, want) << c.where();
  }
}

TEST(MathRender, ADisplayOfAnArrayBecomesOneDisplayPerRow) {
  veltest::TempDir d;
  veltest::writeFile(d.file("a.vdr"), vel::utf8ToCp932("\\documentstyle{10.5,a4t}\n\\begindocument\n"
                                                       "$$\\array{a&=&b+c\\\\d&=&e}$$\n"));
  const veltest::RunResult r =
      veltest::runRender({"--defaults", "--dump-source", d.file("a.txt"), d.file("a.vdr")});
  ASSERT_EQ(r.exitCode, 0) << r.out;
  const std::vector<std::string> lines = veltest::splitLines(veltest::readFile(d.file("a.txt")));
  ASSERT_FALSE(lines.empty());
  // After the array, which makes no word, two displays, each a row: its
  // cells with the room that aligns them.
  const std::string& line = lines.back();
  const size_t after = line.find("}$$");
  ASSERT_NE(after, std::string::npos) << line;
  const std::string rows = line.substr(after + 3);
  size_t delimiters = 0;
  for (size_t i = rows.find("$$"); i != std::string::npos; i = rows.find("$$", i + 2)) ++delimiters;
  EXPECT_EQ(delimiters, 4u) << rows;
  EXPECT_EQ(rows.rfind("$$\\hskip", 0), 0u) << rows;
  EXPECT_NE(rows.find("b+c"), std::string::npos) << rows;
  EXPECT_NE(rows.find("$$$$\\hskip{0.00000}d"), std::string::npos) << rows;
}

TEST(MathRender, AFormulaSetAgainAtAnotherSizeScales) {
  // One state sets each formula, then sets it again at twice the size: what
  // it kept of the first setting (its reading, its letter kerns) must not
  // keep the first size. A \mathstrut's length is read in the size in force.
  auto canvas = QtCanvas::measureOnly(300);
  veltest::StateFixture f(canvas.get());
  for (const std::string written : {"Vf+Tx", "\\mathstrut{3ch}x", "\\frac{Pj}{V}"}) {
    std::string line = "$" + written + "$";
    ASSERT_GE(ReformMath(line, 1), 0) << written;
    const std::string formula = line.substr(1, line.size() - 2);
    f.st.chr.fontSize = 21000;
    const MathBox small = MathWidthHeight(f.st, formula, 2, false, 0, 0);
    f.st.chr.fontSize = 42000;
    const MathBox large = MathWidthHeight(f.st, formula, 2, false, 0, 0);
    // Each glyph and kern rounds on its own: a few units in 10,000.
    EXPECT_NEAR(large.width, 2 * small.width, 2e-3 * large.width) << written;
    EXPECT_NEAR(large.height + large.depth, 2 * (small.height + small.depth), 2e-3 * large.height) << written;
  }
}
