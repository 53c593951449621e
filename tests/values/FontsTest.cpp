// Font selection and metrics: exact numbers on the fixed-metrics canvas
// (cell = em, ascent 0.8 em), and the real faces through the Qt canvas.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "TestSupport.h"
#include "ValuesFixture.h"
#include "base/Cp932.h"
#include "canvas/qt/QtCanvas.h"
#include "frontend/Calc.h"
#include "layout/fonts/Fonts.h"

using namespace vel;
using valtest::Env;
using veltest::sj;

TEST(SetFontSize, RelativeFormsAndTheTenPointSixRule) {
  struct Case {
    const char* text;
    double size;  // points x 2000 afterwards (base and start: 10.5)
  };
  const Case cases[] = {
      {"12", 24000},   {"10.4", 21200}, {"10.3", 21200}, {"10.6", 21200}, {"10.5", 21200},
      {"10.2", 20400}, {"10.61", 21220}, {"/0", 21000},  {"-20", 21000},  {"0", 21000},
      {"*2", 42000},   {"+1", 23000},   {"-1", 19000},   {"  /2", 10500}, {"+0", 21200},
      {"1e9", 21000},  {"99999999999", 21000},  // no number / a height no int holds
  };
  for (const Case& c : cases) {
    Env e;
    SetFontSize(e.st, c.text, 2);
    EXPECT_DOUBLE_EQ(e.st.chr.fontSize, c.size) << c.text;
  }
}

TEST(SetFontSize, HeightsMetricsAndSpacingUnits) {
  Env e;
  State& st = e.st;
  // The driver's default is set directly and stays 10.5: em 2916.
  EXPECT_EQ(st.chr.font.height, -2916);
  SetFontSize(st, "12", 2);
  EXPECT_EQ(st.chr.font.height, -3333);
  EXPECT_EQ(st.font.ascent, 2666);
  EXPECT_EQ(st.font.descent, 667);
  EXPECT_DOUBLE_EQ(st.font.charHeight, 3333);
  EXPECT_DOUBLE_EQ(st.font.mathAxis, (2666 - 3333 / 2.0) * 0.85);
  const double h = 3333;
  const std::array<double, 6> skip{h / 18, h / 12, h / 6, 2 * h / 9, 5 * h / 18, h / 2};
  for (size_t i = 0; i < 6; ++i) EXPECT_DOUBLE_EQ(st.font.skip[i], skip[i]) << i;
  EXPECT_EQ(st.font.ruleThickness, 188);  // 20000 x 12 / 1270 = 188.97
  EXPECT_NEAR(st.font.deviceHeight, -3333.333333 * st.draw.scale, 1e-6);

  // The reduced sizes of mathematics: level 4 is 0.55 of the size.
  SetFontSize(st, "10", 4);
  EXPECT_EQ(st.chr.font.height, -1527);  // 20000 x 10 / 72 x 0.55 = 1527.8
  EXPECT_EQ(st.font.ruleThickness, 157);  // from the size, not the level

  // \fontsize in an expression follows.
  SetFontSize(st, "20", 2);
  EXPECT_DOUBLE_EQ(Calc(st, "\\fontsize"), 5555.0 * 72 / 20000);  // the truncated height
}

TEST(SetFontStyleAndColor, RegularWins) {
  struct Case {
    const char* text;
    bool bold, italic;
  };
  const Case cases[] = {{"bn", false, false}, {"bi", true, true}, {"b", true, false}, {"i", false, true}};
  for (const Case& c : cases) {
    Env e;
    e.st.chr.font.bold = !c.bold;
    SetFontStyle(e.st, c.text, 2);
    EXPECT_EQ(e.st.chr.font.bold, c.bold) << c.text;
    EXPECT_EQ(e.st.chr.font.italic, c.italic) << c.text;
  }
  Env e;
  SetFontColor(e.st, "#0000ff");
  SetFontColor(e.st, "\\cfontcolor");
  EXPECT_EQ(e.st.chr.font.color, rgb(255, 255, 0));
}

TEST(SetFontName, VerticalFacesAndTrim) {
  struct Case {
    int tateMode;
    std::string name;
    std::string face;
    bool vertical;
  };
  const std::vector<Case> cases = {
      {0, sj("@ＭＳ 明朝"), sj("ＭＳ 明朝"), false},  // "@" dropped in horizontal writing
      {0, sj("  ＭＳ 明朝 "), sj("ＭＳ 明朝"), false},
      {1, sj("ＭＳ 明朝"), sj("ＭＳ 明朝"), true},
      {1, sj("@ＭＳ 明朝"), sj("ＭＳ 明朝"), true},
      {1, "cmr10", "cmr10", false},  // no double-byte character: no vertical form
      {1, "@cmr10", "cmr10", true},
  };
  for (const Case& c : cases) {
    Env e;
    e.st.font.tateMode = c.tateMode;
    e.st.chr.font.charset = kShiftJisCharset;
    double skip0 = e.st.font.skip[0];
    e.st.font.charHeight = 0;
    SetFontName(e.st, c.name, 2);
    EXPECT_EQ(e.st.chr.font.name, c.face) << cp932ToUtf8(c.name);
    EXPECT_EQ(e.st.chr.verticalFace, c.vertical) << cp932ToUtf8(c.name);
    EXPECT_EQ(CanvasFont(e.st).name, (c.vertical ? "@" : "") + c.face);
    EXPECT_EQ(e.st.chr.font.charset, kDefaultCharset);
    EXPECT_DOUBLE_EQ(e.st.font.charHeight, 2916);  // metrics refreshed
    EXPECT_DOUBLE_EQ(e.st.font.skip[0], skip0);    // spacing units left alone
  }
  Env e;
  SetFontName(e.st, "cmr10", 2);
  SetFontName(e.st, "", 2);  // an empty name re-selects the current face
  EXPECT_EQ(e.st.chr.font.name, "cmr10");
}

TEST(InclinedText, FontAndPoints) {
  Env e;
  State& st = e.st;
  st.chr.font.color = rgb(1, 2, 3);
  SetInclineFont(st, "velr10", -30, kAnsiCharset, true, 45);
  EXPECT_EQ(st.chr.font.escapement, 450);  // tenths of a degree
  EXPECT_TRUE(st.chr.font.bold && st.chr.font.name == "velr10" && st.chr.font.color == rgb(1, 2, 3));

  struct Case {
    int deg;
    bool layout;
    double x0, y0, dy, dx;
    int x, y;
  };
  const Case cases[] = {
      {0, true, 100, 200, -5, 10, 110, 195},
      {90, true, 100, 200, -5, 10, 95, 190},    // x = x0 + dy, y = y0 - dx
      {180, true, 100, 200, 0, 10, 90, 200},
      {0, true, 0, 0, 0, -3.7, -3, 0},          // 0.5 added, then truncated toward zero
      {0, false, 1000, 2000, 0, 0, 5, 10},      // device: x 1000 x 0.0048 = 4.8 -> 5
  };
  for (const Case& c : cases) {
    st.font.textRotationDeg = c.deg;
    st.font.textRotationRad = c.deg * std::numbers::pi / 180;
    st.draw.scale = 96.0 / 20000.0;
    ASSERT_TRUE(GetInclinePoint(st, c.x0, c.y0, c.layout, 7, c.dy, c.dx));
    EXPECT_EQ(st.fig.points.get(7).x, c.x) << c.deg;
    EXPECT_EQ(st.fig.points.get(7).y, c.y) << c.deg;
  }
  EXPECT_TRUE(GetInclinePoint(st, 0, 0, true, 50001, 0, 0));
  EXPECT_FALSE(GetInclinePoint(st, 0, 0, true, 50002, 0, 0) || GetInclinePoint(st, 0, 0, true, -1, 0, 0) ||
               GetInclinePoint(st, 1e12, 0, true, 0, 0, 0));
}

TEST(RomanFace, ForLatinLettersAndDigits) {
  Env e;
  State& st = e.st;
  st.chr.font.bold = true;
  Font f = RomanFont(st);
  EXPECT_EQ(f.name, "velr10");
  EXPECT_TRUE(f.charset == kDefaultCharset && f.height == st.chr.font.height && f.bold);
  SetVelFontInstalled(st, false);
  EXPECT_EQ(RomanFont(st).name, "cmr10");
  EXPECT_TRUE(UsesRomanFace(st, 'A') && UsesRomanFace(st, '7'));
  EXPECT_FALSE(UsesRomanFace(st, '+') || UsesRomanFace(st, 0x8260));  // 0x8260: full-width A
  st.chr.alnumFontMode = 1;
  EXPECT_FALSE(UsesRomanFace(st, 'A'));
}

// The same operations on the installed stand-in faces.
TEST(RealFonts, MinchoMetricsAndFallback) {
  auto canvas = QtCanvas::measureOnly();
  Env e(canvas.get());
  State& st = e.st;
  SetFontSize(st, "12", 2);  // em 3333
  // The proportional Mincho stand-in: a cell of one em, with the baseline
  // where its ideographic em box puts it (its typo ascender 1802 and
  // descender 246 of 2048 units, which span the em).
  EXPECT_NEAR(st.font.ascent, 1802.0 * 3333 / 2048, 1);
  EXPECT_NEAR(st.font.descent, 246.0 * 3333 / 2048, 1);
  EXPECT_NEAR(st.font.charHeight, 3333, 1);
  // So H, the width of "　" and of 1ch, is the advance of a kanji.
  EXPECT_NEAR(st.font.charHeight, canvas->textWidth(st.chr.font, sj("漢")), 1);
  EXPECT_DOUBLE_EQ(st.font.charHeight, st.font.ascent + st.font.descent);
  EXPECT_DOUBLE_EQ(st.font.skip[5], st.font.charHeight / 2);

  Font roman = RomanFont(st);
  EXPECT_GT(canvas->textWidth(roman, "10"), 0);
  EXPECT_LT(canvas->textWidth(roman, "1"), canvas->textWidth(st.chr.font, sj("１")));

  // A face nobody has: a fallback measures, and the run goes on.
  SetFontName(st, "No Such Face 123", 2);
  EXPECT_EQ(st.chr.font.name, "No Such Face 123");
  EXPECT_GT(st.font.charHeight, 0);
  EXPECT_GT(canvas->textWidth(st.chr.font, "abc"), 0);
}
