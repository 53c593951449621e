// Face metrics read from the font files: win ascent/descent (one em for
// the Japanese faces), design advances, glyph coverage and the faces that
// draw what a face lacks, the TeX encoding of the math faces.
#include <gtest/gtest.h>

#include <QGlyphRun>
#include <QRawFont>
#include <thread>
#include <vector>

#include "TestSupport.h"
#include "base/Cp932.h"
#include "canvas/qt/QtFonts.h"

using namespace vel;
using veltest::sj;

namespace {

uint16_t code(const char* utf8) {
  std::string s = sj(utf8);
  return charCodeAt(s, 0);
}

const QtFace& faceOf(const char* utf8Name, bool bold = false, bool italic = false) {
  return QtFonts::face(sj(utf8Name), bold, italic);
}

}  // namespace

// A Japanese face's cell is one em, split where its ideographic em box
// puts the baseline (IPA's typo ascender and descender, 1802 and 246).
TEST(QtFonts, ProportionalMinchoHasACellOfOneEm) {
  const QtFace& f = faceOf("ＭＳ Ｐ明朝");
  EXPECT_EQ(f.unitsPerEm(), 2048);
  EXPECT_EQ(f.ascentUnits(), 1802);
  EXPECT_EQ(f.descentUnits(), 246);
  TextMetrics m = f.metrics(2916);  // 2565.73 and 350.27 rounded
  EXPECT_EQ(m.ascent, 2566);
  EXPECT_EQ(m.descent, 350);
  EXPECT_EQ(m.height, 2916);
  // A cell height asks for the em that fills it.
  EXPECT_NEAR(f.emOf(2916), 2916, 1);
}

TEST(QtFonts, AscentAndDescentAreTheWinValuesNotTheTypoOnes) {
  // cmr10's typo metrics would give 2056/601 at this size.
  TextMetrics m = faceOf("cmr10").metrics(2916);
  EXPECT_EQ(m.ascent, 2187);
  EXPECT_EQ(m.descent, 729);
  TextMetrics g = faceOf("ＭＳ ゴシック").metrics(2916);
  EXPECT_EQ(g.ascent, 2566);
  EXPECT_EQ(g.descent, 350);
}

TEST(QtFonts, ProportionalAndFixedPitchFacesDiffer) {
  const QtFace& p = faceOf("ＭＳ Ｐ明朝");
  const QtFace& m = faceOf("ＭＳ 明朝");
  // The proportional face sets "、" at half an em and kana narrower than an em.
  EXPECT_EQ(p.advanceUnits(code("、")), p.unitsPerEm() / 2);
  EXPECT_LT(p.advanceUnits(code("あ")), p.unitsPerEm());
  EXPECT_EQ(p.advanceUnits(code("あ")), 1843);
  // The fixed-pitch face gives both a full em, and half-width katakana half.
  EXPECT_EQ(m.advanceUnits(code("、")), m.unitsPerEm());
  EXPECT_EQ(m.advanceUnits(code("あ")), m.unitsPerEm());
  EXPECT_EQ(m.advanceUnits(code("ｱ")), m.unitsPerEm() / 2);
  // Widths at the layout em, as the layout reads them.
  EXPECT_EQ(p.charWidth(code("あ"), 2916), 2624);
  EXPECT_EQ(p.charWidth(code("、"), 2916), 1458);
}

TEST(QtFonts, AdvancesAreTheDesignAdvancesQtReportsForTheSameGlyphs) {
  for (const char* name : {"ＭＳ Ｐ明朝", "ＭＳ ゴシック", "Times New Roman", "Arial"}) {
    const QtFace& f = faceOf(name);
    QRawFont raw(QString::fromStdString(f.file().path), f.unitsPerEm(), QFont::PreferNoHinting);
    ASSERT_TRUE(raw.isValid()) << name;
    for (const char* ch : {"A", "W", "i", "1", "あ", "漢", "ー", "（", "ｶ"}) {
      uint16_t c = code(ch);
      if (!f.hasGlyph(c)) continue;
      QList<quint32> glyphs = raw.glyphIndexesForString(QString::fromStdString(cp932ToUtf8(sj(ch))));
      ASSERT_EQ(glyphs.size(), 1);
      EXPECT_EQ(f.glyphIndex(c), glyphs[0]) << name << " " << ch;
      QList<QPointF> adv = raw.advancesForGlyphIndexes(glyphs, QRawFont::UseDesignMetrics);
      EXPECT_NEAR(f.advanceUnits(c), adv[0].x(), 0.01) << name << " " << ch;
    }
  }
}

TEST(QtFonts, MissingGlyphsAreReported) {
  const QtFace& f = faceOf("ＭＳ Ｐ明朝");
  EXPECT_TRUE(f.hasGlyph(code("あ")));
  EXPECT_TRUE(f.hasGlyph('A'));
  EXPECT_FALSE(f.hasGlyph(0x8794));  // "∑": not in the IPA fonts
  EXPECT_FALSE(f.hasGlyph(0x85A0));  // an unassigned CP932 code
  EXPECT_FALSE(f.hasGlyph(0x81));    // a lead byte on its own
  // A missing glyph still measures (as the missing-glyph box it draws).
  EXPECT_GT(f.advanceUnits(0x8794), 0);
  // Single-byte codes of a TeX face have nothing beyond the byte range.
  EXPECT_FALSE(faceOf("cmr10").hasGlyph(code("あ")));
}

TEST(QtFonts, TexFacesMeasureTexPositions) {
  // Widths of the Computer Modern designs in em, as TeX's metrics give them.
  struct Case {
    const char* face;
    uint8_t position;
    double em;
  } cases[] = {
      {"cmr10", 'A', 0.75},        {"cmr10", '0', 0.5},        {"cmr10", 0x00, 0.625},  // Gamma
      {"cmr10", 0x0A, 0.722224},  // Omega
      {"cmr10", 0x0B, 0.583336},  // ff
      {"cmr10", 0x10, 0.277779},  // dotless i
      {"cmr10", 0x3C, 0.277779},  // inverted exclamation mark at '<'
      {"cmr10", 0x20, 0.277779},  // the stroke of l, not a space
      {"velmi10", 0x0B, 0.640285},  // alpha
      {"velmi10", 'a', 0.528589},
      {"velsy10", 0x00, 0.777781},  // minus
      {"velsy10", 0x31, 1.0},       // infinity
      {"velex10", 0x50, 1.055557},  // text-size summation
  };
  for (const Case& c : cases) {
    const QtFace& f = QtFonts::face(c.face, false, false);
    EXPECT_TRUE(f.hasGlyph(c.position)) << c.face << " " << int(c.position);
    EXPECT_NEAR(f.advanceUnits(c.position) / f.unitsPerEm(), c.em, 0.002) << c.face << " " << int(c.position);
  }
  const QtFace& r = QtFonts::face("velr10", false, false);
  EXPECT_GT(r.advanceUnits('0'), 0);
  EXPECT_GT(r.advanceUnits('A'), r.advanceUnits('0'));
  EXPECT_NE(r.glyphIndex('A'), r.glyphIndex('B'));
}

TEST(QtFonts, DrawingFontHasTheMeasuredAdvancesAtScreenSizes) {
  // The glyphs drawn are the glyphs measured, scaled linearly: at a screen
  // em, the drawing font's unhinted advances are the design advances scaled
  // (to the 1/64 pixel Qt keeps them in, truncated twice on the way).
  for (const char* name : {"ＭＳ Ｐ明朝", "Times New Roman", "cmr10", "velsy10"}) {
    const QtFace& f = faceOf(name);
    std::string text = f.file().encoding == GlyphEncoding::TeX ? std::string("Typeset0123\x0B\x00")
                                                                : sj("組版のテストです、Typesetting 2024.");
    for (double em : {14.3, 9.0, 21.7}) {
      QRawFont raw = f.drawingFont(em);
      ASSERT_TRUE(raw.isValid()) << name;
      EXPECT_DOUBLE_EQ(raw.pixelSize(), em);
      for (size_t i = 0; i < text.size();) {
        size_t len;
        uint16_t c = charCodeAt(text, i, &len);
        i += len;
        // A character the face lacks is drawn by its fallback face.
        QRawFont from = f.glyphFace(c).drawingFont(em);
        QList<QPointF> adv = from.advancesForGlyphIndexes(QList<quint32>{f.glyphIndex(c)});
        ASSERT_EQ(adv.size(), 1);
        EXPECT_NEAR(adv[0].x(), f.advanceUnits(c) * em / f.unitsPerEm(), 2.0 / 64) << name << " " << c;
      }
    }
  }
}

TEST(QtFonts, DrawingFontIsTheInstalledFontOfTheMeasuredFile) {
  // Fonts from Qt's database are what PDF output can embed.
  for (const char* name : {"ＭＳ Ｐ明朝", "ＭＳ 明朝", "Times New Roman Italic", "cmr10", "velsy10", "velex10"})
    EXPECT_TRUE(faceOf(name).drawsWithInstalledFont()) << name;
  EXPECT_TRUE(faceOf("Arial", true, false).drawsWithInstalledFont());
}

TEST(QtFonts, OneFacePerNameAndStyle) {
  const QtFace& a = faceOf("ＭＳ Ｐ明朝");
  EXPECT_EQ(&a, &faceOf("ＭＳ Ｐ明朝"));
  const QtFace& bold = faceOf("ＭＳ Ｐ明朝", true);
  EXPECT_NE(&a, &bold);
  // A synthesized bold measures like the regular design it is drawn from.
  EXPECT_EQ(bold.advanceUnits(code("あ")), a.advanceUnits(code("あ")));
  // Liberation has a real bold, with its own advances.
  EXPECT_NE(faceOf("Arial", true).advanceUnits('A'), faceOf("Arial").advanceUnits('A'));
  EXPECT_NE(faceOf("Arial", true).file().path, faceOf("Arial").file().path);
}

TEST(QtFonts, UnknownFacesStillMeasure) {
  const QtFace& f = faceOf("No Such Face At All");
  EXPECT_GT(f.advanceUnits('A'), 0);
  EXPECT_GT(f.metrics(100).height, 0);
  // An unknown Japanese name gets a font with kana.
  EXPECT_TRUE(faceOf("ＨＧ存在しない書体").hasGlyph(code("あ")));
}

TEST(QtFonts, ConcurrentFirstUseAgreesWithSequentialUse) {
  // A face no other test touches, so the threads race to fill its tables.
  const std::string name = sj("ＭＳ Ｐゴシック");
  std::vector<uint16_t> codes;
  for (unsigned c = 0x20; c < 0x7F; ++c) codes.push_back(uint16_t(c));
  for (unsigned c = 0x829F; c <= 0x82F1; ++c) codes.push_back(uint16_t(c));  // hiragana
  for (unsigned c = 0x889F; c <= 0x88FC; ++c) codes.push_back(uint16_t(c));  // kanji

  std::vector<std::vector<double>> results(4);
  std::vector<const QtFace*> faces(4);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      const QtFace& f = QtFonts::face(name, true, true);
      faces[t] = &f;
      for (uint16_t c : codes) results[t].push_back(f.advanceUnits(c));
    });
  }
  for (auto& th : threads) th.join();
  for (int t = 1; t < 4; ++t) {
    EXPECT_EQ(faces[t], faces[0]);
    EXPECT_EQ(results[t], results[0]);
  }
  const QtFace& regular = QtFonts::face(name, false, false);
  for (size_t i = 0; i < codes.size(); ++i) EXPECT_EQ(results[0][i], regular.advanceUnits(codes[i])) << codes[i];
}

TEST(QtFonts, JapaneseFacesHaveACellOfOneEmAtEverySize) {
  for (const char* name : {"ＭＳ Ｐ明朝", "ＭＳ 明朝", "ＭＳ ゴシック", "ＭＳ Ｐゴシック", "@ＭＳ 明朝"})
    for (double em : {2916.0, 2917.0, 3333.0, 14.0, 100.0, 1.0e6}) {
      TextMetrics m = faceOf(name).metrics(em);
      EXPECT_EQ(m.height, em) << name << " " << em;
      EXPECT_NEAR(m.ascent, em * 1802 / 2048, 0.5) << name << " " << em;
    }
  // Latin faces keep their own cells.
  EXPECT_EQ(faceOf("Times New Roman").metrics(2048).height, 1825 + 443);
}

// A character the chosen face lacks comes from a Japanese face of its kind
// (or, failing that, any face that has it): measured and drawn in that face.
TEST(QtFonts, CharactersAFaceLacksComeFromAJapaneseFace) {
  struct Case {
    const char* face;
    const char* drawnBy;  // the face whose glyph and advance the kanji gets
  } cases[] = {
      {"Times New Roman", "ＭＳ Ｐ明朝"},   {"Arial", "ＭＳ Ｐゴシック"},       {"Courier New", "ＭＳ ゴシック"},
      {"cmr10", "ＭＳ Ｐ明朝"},             {"Liberation Sans", "ＭＳ Ｐゴシック"}, {"No Such Face At All", "ＭＳ Ｐ明朝"},
      {"@Arial", "@ＭＳ Ｐゴシック"},
  };
  for (const Case& c : cases)
    for (const char* ch : {"漢", "あ", "、", "「"}) {
      const QtFace& f = faceOf(c.face);
      const QtFace& j = faceOf(c.drawnBy);
      const uint16_t k = code(ch);
      EXPECT_EQ(f.glyphFace(k).file().path, j.glyphFace(k).file().path) << c.face << " " << ch;
      EXPECT_EQ(f.glyphIndex(k), j.glyphIndex(k)) << c.face << " " << ch;
      EXPECT_NE(f.glyphIndex(k), 0u) << c.face << " " << ch;
      EXPECT_EQ(f.charWidth(k, 2916), j.charWidth(k, 2916)) << c.face << " " << ch;
    }
  // A Latin face keeps its own Latin letters.
  EXPECT_EQ(&faceOf("Arial").glyphFace('A'), &faceOf("Arial"));
  // "∑" is in no IPA face: another installed face draws it, not the missing-glyph box.
  const QtFace& mincho = faceOf("ＭＳ Ｐ明朝");
  EXPECT_FALSE(mincho.hasGlyph(0x8794));
  EXPECT_NE(&mincho.glyphFace(0x8794), &mincho);
  EXPECT_NE(mincho.glyphIndex(0x8794), 0u);
}

TEST(QtFonts, ANameInstalledNowhereIsTheBaseFaceAndSaysSo) {
  EXPECT_EQ(cp932ToUtf8(faceOf("NoSuchFont").standIn()), "ＭＳ Ｐ明朝");
  EXPECT_EQ(faceOf("NoSuchFont").file().path, faceOf("ＭＳ Ｐ明朝").file().path);
  EXPECT_EQ(cp932ToUtf8(faceOf("ＨＧ存在しない書体", true).standIn()), "ＭＳ Ｐ明朝");
  for (const char* found : {"ＭＳ Ｐ明朝", "Arial", "cmr10", "velmi10", "Liberation Serif", "liberation  serif", "serif",
                            "IPAGothic", "IPA明朝", "@ＭＳ 明朝"})
    EXPECT_EQ(faceOf(found).standIn(), "") << found;
}
