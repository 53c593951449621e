// Face names resolve to the stand-in files of their roles.
#include <gtest/gtest.h>

#include <filesystem>

#include "TestSupport.h"
#include "canvas/qt/FaceTable.h"

using namespace vel;
using veltest::sj;

namespace {

std::string fileName(const FaceFile& f) { return std::filesystem::path(f.path).filename().string(); }

}  // namespace

TEST(FaceTable, JapaneseFacesResolveToTheIpaFilesOfTheirRole) {
  struct Case {
    const char* name;
    const char* file;
  } cases[] = {
      {"ＭＳ Ｐ明朝", "ipamp.ttf"},
      {"ＭＳ 明朝", "ipam.ttf"},
      {"ＭＳ ゴシック", "ipag.ttf"},
      {"ＭＳ Ｐゴシック", "ipagp.ttf"},
      {"ＭＳ　Ｐ明朝", "ipamp.ttf"},  // ideographic space as written in some sources
  };
  for (const Case& c : cases) {
    FaceFile f = FaceTable::resolve(sj(c.name), false, false);
    EXPECT_EQ(fileName(f), c.file) << c.name;
    EXPECT_EQ(f.encoding, GlyphEncoding::Unicode) << c.name;
  }
}

TEST(FaceTable, LatinFacesResolveToLiberationWithTheirStyles) {
  EXPECT_EQ(fileName(FaceTable::resolve("Times New Roman", false, false)), "LiberationSerif-Regular.ttf");
  EXPECT_EQ(fileName(FaceTable::resolve("times new roman", false, false)), "LiberationSerif-Regular.ttf");
  EXPECT_EQ(fileName(FaceTable::resolve("Arial", false, false)), "LiberationSans-Regular.ttf");
  EXPECT_EQ(fileName(FaceTable::resolve("Courier New", false, false)), "LiberationMono-Regular.ttf");

  // The italic of "Times New Roman Italic" comes from its name.
  FaceFile ti = FaceTable::resolve("Times New Roman Italic", false, false);
  EXPECT_EQ(fileName(ti), "LiberationSerif-Italic.ttf");
  EXPECT_TRUE(ti.fileItalic);
  EXPECT_FALSE(ti.synthItalic);

  FaceFile bi = FaceTable::resolve("Arial", true, true);
  EXPECT_EQ(fileName(bi), "LiberationSans-BoldItalic.ttf");
  EXPECT_FALSE(bi.synthBold);
  EXPECT_FALSE(bi.synthItalic);
}

TEST(FaceTable, StylesMissingFromTheFamilyAreSynthesizedOnTheRegularFile) {
  FaceFile b = FaceTable::resolve(sj("ＭＳ Ｐ明朝"), true, false);
  EXPECT_EQ(fileName(b), "ipamp.ttf");
  EXPECT_FALSE(b.fileBold);
  EXPECT_TRUE(b.synthBold);
  EXPECT_FALSE(b.synthItalic);

  FaceFile i = FaceTable::resolve(sj("ＭＳ 明朝"), false, true);
  EXPECT_EQ(fileName(i), "ipam.ttf");
  EXPECT_TRUE(i.synthItalic);
  EXPECT_FALSE(i.synthBold);
}

TEST(FaceTable, MathAndRomanFacesAreTheTexEncodedComputerModernFiles) {
  struct Case {
    const char* name;
    const char* file;
  } cases[] = {
      {"cmr10", "cmr10.ttf"},    {"velr10", "cmr10.ttf"},   {"velr7", "cmr10.ttf"},    {"velr5", "cmr10.ttf"},
      {"velmi10", "cmmi10.ttf"}, {"velmi7", "cmmi10.ttf"},  {"velmi5", "cmmi10.ttf"},  {"velsy10", "cmsy10.ttf"},
      {"velsy7", "cmsy10.ttf"},  {"velsy5", "cmsy10.ttf"},  {"velex10", "cmex10.ttf"},
  };
  for (const Case& c : cases) {
    FaceFile f = FaceTable::resolve(c.name, false, false);
    EXPECT_EQ(fileName(f), c.file) << c.name;
    EXPECT_EQ(f.encoding, GlyphEncoding::TeX) << c.name;
  }
  // The typewriter and text italic math faces: the CMU faces, addressed by
  // the positions of the TeX text layout.
  FaceFile tt = FaceTable::resolve("veltt10", false, false);
  EXPECT_EQ(fileName(tt), "cmuntt.ttf");
  EXPECT_EQ(tt.encoding, GlyphEncoding::TeXText);
  FaceFile ti = FaceTable::resolve("velti10", false, false);
  EXPECT_EQ(fileName(ti), "cmunti.ttf");
  EXPECT_EQ(ti.encoding, GlyphEncoding::TeXText);
}

TEST(FaceTable, VerticalVariantUsesTheSameFile) {
  FaceFile h = FaceTable::resolve(sj("ＭＳ 明朝"), false, false);
  FaceFile v = FaceTable::resolve(sj("@ＭＳ 明朝"), false, false);
  EXPECT_EQ(v.path, h.path);
  EXPECT_TRUE(v.vertical);
  EXPECT_FALSE(h.vertical);
}

TEST(FaceTable, UnknownAndInstalledNamesGoToFontconfig) {
  // An installed family under its own name.
  EXPECT_EQ(fileName(FaceTable::resolve("Liberation Sans", true, false)), "LiberationSans-Bold.ttf");
  EXPECT_EQ(fileName(FaceTable::resolve("IPAPGothic", false, false)), "ipagp.ttf");
  // A name nobody has still yields a usable file.
  for (const char* name : {"No Such Face 123", "", "   "}) {
    FaceFile f = FaceTable::resolve(name, false, false);
    EXPECT_FALSE(f.path.empty()) << '"' << name << '"';
    EXPECT_TRUE(std::filesystem::exists(f.path)) << f.path;
  }
}
