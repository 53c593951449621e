// Whole runs drawn on the fixed-metrics canvas, read from its drawing log:
// the table stand-in draws what it measured; vertical writing draws the
// "@" faces it selected, on every page and in vertical boxes.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "StateFixture.h"
#include "commands/Typeset.h"
#include "layout/boxes/Boxes.h"
#include "layout/drawing/SheetDrawing.h"

namespace veltest {
namespace {

struct Glyph {
  int x = 0;
  std::string face, text;  // UTF-8
  bool operator==(const Glyph&) const = default;
};

// The glyphs drawn ("text x y h=.. esc=.. color=.. FACE GLYPH"), in order.
std::vector<Glyph> glyphs(const std::vector<std::string>& log) {
  std::vector<Glyph> out;
  for (const std::string& l : log) {
    int x = 0, y = 0;
    if (l.rfind("text ", 0) != 0 || std::sscanf(l.c_str(), "text %d %d", &x, &y) != 2) continue;
    const size_t colour = l.find("color=");
    const size_t faceAt = l.find(' ', colour) + 1, glyphAt = l.rfind(' ') + 1;
    out.push_back({x, l.substr(faceAt, glyphAt - 1 - faceAt), l.substr(glyphAt)});
  }
  return out;
}

std::string faceOf(const std::vector<Glyph>& gs, const std::string& text) {
  for (const Glyph& g : gs)
    if (g.text == text) return g.face;
  return "(not drawn)";
}

TEST(TextDrawing, ATableDrawsWhatItMeasured) {
  cmdtest::Typeset t(cmdtest::kHead + "前\\table{\\col{l}表です\\\\}後\n");
  ASSERT_EQ(t.status, vel::RunStatus::Done) << t.log().back();
  const std::vector<Glyph> gs = glyphs(t.canvas.log());
  std::vector<std::string> texts;
  for (const Glyph& g : gs) texts.push_back(g.text);
  EXPECT_EQ(texts, (std::vector<std::string>{"前", "表", "で", "す", "後"}));
  // In the room it took: one em each at 10.5 points, 14 px at 96 dpi, and
  // the cell's separation (1 mm, 3.8 px) on either side of its text.
  ASSERT_EQ(gs.size(), 5u);
  for (size_t i = 1; i < gs.size(); ++i)
    EXPECT_NEAR(gs[i].x - gs[i - 1].x, i == 1 || i == 4 ? 17.8 : 14, 1) << gs[i].text;
}

// \tatemode{1} gives the faces named after it their "@" form, and drawing
// uses it; \tatemode{0} takes it away again for the faces named after it.
TEST(TextDrawing, VerticalWritingDrawsTheAtFacesItSelected) {
  cmdtest::Typeset t(cmdtest::kHead +
                     "\\fontname{ＭＳ 明朝}横\\tatemode{1}\\fontname{ＭＳ 明朝}「縦」\\Fontname{Arial}A"
                     "\\tatemode{0}\\fontname{ＭＳ 明朝}戻\n");
  ASSERT_EQ(t.status, vel::RunStatus::Done) << t.log().back();
  const std::vector<Glyph> gs = glyphs(t.canvas.log());
  EXPECT_EQ(faceOf(gs, "横"), "ＭＳ 明朝");
  EXPECT_EQ(faceOf(gs, "「"), "@ＭＳ 明朝");
  EXPECT_EQ(faceOf(gs, "縦"), "@ＭＳ 明朝");
  EXPECT_EQ(faceOf(gs, "」"), "@ＭＳ 明朝");
  EXPECT_EQ(faceOf(gs, "A"), "Arial");  // only names with double-byte characters turn
  EXPECT_EQ(faceOf(gs, "戻"), "ＭＳ 明朝");
}

// A page drawn alone starts in the vertical-writing mode its text was set
// in, whatever the mode at the end of the document.
TEST(TextDrawing, APageStartsInTheVerticalWritingModeOfItsText) {
  cmdtest::Typeset t(cmdtest::kHead + "\\tatemode{1}一\\newpage\\fontname{ＭＳ ゴシック}二\\tatemode{0}\n");
  ASSERT_EQ(t.status, vel::RunStatus::Done) << t.log().back();
  t.canvas.clearLog();
  vel::DrawSheet(t.st(), 2);
  EXPECT_EQ(faceOf(glyphs(t.canvas.log()), "二"), "@ＭＳ ゴシック");
}

// A vertical box (a table cell set upright) turns each character with the
// "@" form of a Japanese face; a Latin face has none.
TEST(TextDrawing, VerticalBoxesDrawTheAtFormOfAJapaneseFace) {
  for (const char* face : {"ＭＳ Ｐ明朝", "Arial"}) {
    StateFixture f;
    f.st.draw.scale = 0.01;
    vel::SetFontName(f.st, sj(face), 2);
    ASSERT_TRUE(vel::BoxWidthHeight(f.st, sj("「縦」"), 2, true, true, 10000, 0)) << face;
    const std::vector<Glyph> gs = glyphs(f.fake.log());
    ASSERT_EQ(gs.size(), 3u) << face;
    for (const Glyph& g : gs) EXPECT_EQ(g.face, std::string(face == std::string("Arial") ? "" : "@") + face) << g.text;
  }
}

}  // namespace
}  // namespace veltest
