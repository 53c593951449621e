// The math fonts on the installed faces: every named symbol of the
// vocabulary measures to a box and draws ink, with no missing glyph; the
// font names of the kinds and levels; text turned along a baseline.
#include <gtest/gtest.h>

#include "StateFixture.h"
#include "canvas/qt/QtCanvas.h"
#include "math/MathAtoms.h"
#include "math/MathFonts.h"
#include "math/MathLayout.h"
#include "seams/Seams.h"

using namespace vel;

namespace {

bool IsNamed(const MathSymbol& s) { return !s.name.empty() && s.name[0] >= 'A'; }

int InkPixels(const Bitmap& b) {
  int n = 0;
  for (int y = 0; y < b.height(); ++y)
    for (int x = 0; x < b.width(); ++x)
      if ((b.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF) ++n;
  return n;
}

}  // namespace

TEST(MathGlyphs, EveryNamedSymbolMeasuresAndDrawsInk) {
  auto measuring = QtCanvas::measureOnly(96);
  veltest::StateFixture f(measuring.get());
  const MathSeam& math = *f.st.seams->math;
  int checked = 0;
  for (const MathSymbol& s : MathSymbolTable()) {
    if (!IsNamed(s) || s.metric == MathMetric::Spacing || s.metric == MathMetric::Negation) continue;
    const std::string name(s.name);
    std::string formula = "$\\" + name + "$";
    ASSERT_EQ(math.Normalise(f.st, formula), LayoutCode::Ok) << name;
    f.st.canvas = measuring.get();
    const Result<Extent> box = math.Measure(f.st, formula, 2);
    ASSERT_TRUE(box) << name;
    EXPECT_GT(box->width, 0) << name;
    EXPECT_GT(box->height + box->depth, 0) << name;

    // Drawn at 150 dpi into a page-sized corner, the box's own place.
    Bitmap page(160, 120);
    auto canvas = QtCanvas::onBitmap(page, 150, 150);
    f.st.canvas = canvas.get();
    f.st.draw.scale = units::DeviceScale(150);
    (void)math.Draw(f.st, formula, 2, 10000, 10000);
    canvas.reset();
    EXPECT_GT(InkPixels(page), 0) << name;

    // A glyph of the math fonts is one the face has.
    if (s.metric != MathMetric::Drawn && s.metric != MathMetric::FunctionName &&
        s.metric != MathMetric::LimitFunction && s.metric != MathMetric::AsLetter) {
      Font font;
      font.name = MathFontName(MathFontAtLevel(s, 2), 2, false, false).name;
      font.charset = kAnsiCharset;
      font.height = -2000;
      for (uint8_t code : {s.code, s.secondCode, s.widthCode})
        if (code) {
          EXPECT_TRUE(measuring->face(font).hasGlyph(MathGlyphPosition(code))) << name << " " << int(code);
        }
    }
    ++checked;
  }
  EXPECT_GT(checked, 150);
}

TEST(MathFonts, NamesByKindLevelAndSettings) {
  struct Row {
    int kind, level;
    bool bold, substitute;
    const char* name;
  } rows[] = {
      {2, 4, false, false, "velmi5"},  {2, 3, false, false, "velmi10"}, {2, 2, true, false, "velmi7"},
      {2, 4, true, false, "velmi5"},   {0, 2, false, false, "velsy7"},  {1, 5, false, false, "velr5"},
      {3, 1, false, false, "velsy10"}, {4, 5, false, false, "velex10"}, {5, 3, false, false, "veltt10"},
      {6, 4, false, false, "velti10"}, {9, 2, false, false, "velmi10"}, {2, 3, false, true, "Times New Roman Italic"},
      {2, 2, false, true, "velmi10"},  {1, 2, false, true, "velr10"},   {6, 4, false, true, "velti7"},
      {3, 4, false, true, "velsy5"},   {2, 1, true, true, "velmi7"},
  };
  for (const Row& r : rows)
    EXPECT_EQ(MathFontName(MathFontKindOf(r.kind), r.level, r.bold, r.substitute).name, r.name)
        << r.kind << " " << r.level << " " << r.bold << r.substitute;
  EXPECT_EQ(MathFontName(MathFontKind::Roman, 3, false, true).name, SJ("ＭＳ Ｐ明朝"));

  // Scaled to the level: level 4 is 0.55 of the size, level 3 0.7.
  veltest::StateFixture f;
  SetMathFont(f.st, MathFontKind::MathItalic, 4, false);
  EXPECT_EQ(f.st.chr.font.height, static_cast<int>(-(21000 * 10.0 / 72.0 * 0.55)));
  SetMathFont(f.st, MathFontKind::MathItalic, 3, false);
  EXPECT_EQ(f.st.chr.font.name, "velmi10");
  EXPECT_EQ(f.st.chr.font.height, static_cast<int>(-(21000 * 10.0 / 72.0 * 0.7)));
  // Substitution only where the setting asks for it.
  SetMathFont(f.st, MathFontKind::MathItalic, 3, true);
  EXPECT_EQ(f.st.chr.font.name, "velmi10");
  f.settings.smallCharPrintError = true;
  SetMathFont(f.st, MathFontKind::MathItalic, 3, true);
  EXPECT_EQ(f.st.chr.font.name, "Times New Roman Italic");
  EXPECT_EQ(f.st.chr.font.charset, kDefaultCharset);
}

TEST(MathFonts, InclineTextOutMovesAcrossAndAlong) {
  veltest::StateFixture f;
  f.st.draw.scale = 1;
  SetMathFont(f.st, MathFontKind::Roman, 2, false);
  InclineTextOut(f.st, 100, 200, "a", -5, 0);  // 5 units above
  f.st.font.textRotationDeg = 90;
  f.st.font.textRotationRad = 3.14159265358979 / 2;
  InclineTextOut(f.st, 100, 200, "a", 0, 10);  // along a baseline turned upwards
  const std::vector<std::string> texts = f.logged("text ");
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].substr(0, 13), "text 100 195 ");
  EXPECT_EQ(texts[1].substr(0, 13), "text 100 190 ");
  EXPECT_NE(texts[1].find("esc=900"), std::string::npos);
}

TEST(MathFonts, SmallCharactersForAPrinterThatCannotPrintThem) {
  // At the script sizes: Greek letters and "<" in full-width Japanese
  // forms, letters in the italic substitute, digits in the Japanese face;
  // at the text size nothing changes.
  veltest::StateFixture f;
  f.settings.smallCharPrintError = true;
  f.st.draw.scale = 1;
  auto drawn = [&](int level) {
    f.fake.clearLog();
    (void)MathWidthHeight(f.st, "\\alpha<x2", level, true, 0, 0);
    std::string faces;
    for (const std::string& l : f.logged("text ")) {
      const size_t name = l.find(' ', l.find("color=")) + 1;
      faces += l.substr(name) + "|";
    }
    return faces;
  };
  EXPECT_EQ(drawn(3), "ＭＳ Ｐ明朝 α|ＭＳ Ｐ明朝 ＜|Times New Roman Italic x|ＭＳ Ｐ明朝 2|");
  EXPECT_EQ(drawn(2), "velmi10 \\x0B|velmi10 <|velmi10 x|velr10 2|");
}
