// Mini pages: the options and their messages, the placement against the
// reference line, the block defaults and the state put back afterwards;
// floats and footnotes made by the box commands; stored boxes and their
// footnotes.
#include <gtest/gtest.h>

#include "BoxFixture.h"
#include "layout/commands/Commands.h"

using namespace boxtest;
using veltest::sj;

namespace {

constexpr int kSkip2mm = 1574;

// A block; its extent becomes f.result().
bool mini(Fixture& f, const std::string& utf8, int width = 0) {
  const vel::Result<int> r = vel::MakeMiniPage(f.st, sj(utf8), 2, width);
  if (!r) return false;
  const vel::MiniPage& m = f.st.miniPageList[static_cast<size_t>(*r)];
  f.last = Box{m.width, m.height, m.depth};
  return true;
}

// Runs a box command as the line builder does (main text): its code; the
// word it makes in `out`.
int command(Fixture& f, const std::string& name, const std::string& utf8arg, vel::CommandResult& out, bool inBox = false) {
  vel::CommandContext ctx;
  ctx.insideBox = inBox;
  vel::Result<vel::CommandOutcome> r = veltest::RunCommand(f.st, name, sj(utf8arg), true, ctx);
  if (r) out = r->word;
  return veltest::CodeOf(r);
}

}  // namespace

TEST(MiniPage, OptionMessages) {
  struct Case {
    const char* text;
    const char* message;
  } cases[] = {
      {"あいう", "** \\widthコマンドがありません。"},
      {"\\align{t}あいう", "** \\widthコマンドがありません。"},
      {"\\width{-3mm}あ", "** \\widthコマンドで負の値が指定されています。"},
      {"\\width{0}あ", "** \\widthコマンドで負の値が指定されています。"},
      {"\\width{3mmあ", "** \\widthコマンドの{}が閉じていません。"},
      {"\\align{tあ", "** \\alignコマンドの{}が閉じていません。"},
      {"\\width{30mm}\\nosuch", "** \\minipageのエラー"},
      {"\\width{30mm}\\topofpagebox{x}", "** \\minipageのエラー"},
  };
  for (const Case& c : cases) {
    Fixture f;
    EXPECT_FALSE(mini(f, c.text)) << c.text;
    ASSERT_FALSE(f.messages().empty()) << c.text;
    EXPECT_EQ(f.messages().back(), c.message) << c.text;
  }
}

TEST(MiniPage, PlacementAgainstTheReferenceLine) {
  // Two lines of one em each with the block's line skip of 2 mm between.
  const int total = 2 * kEm + kSkip2mm;
  const int axis = static_cast<int>((kAscent - kEm / 2.0) * 0.85);
  struct Case {
    const char* options;
    int width;  // given by the caller (floats), or 0
    Box box;
  } cases[] = {
      {"\\width{20mm}\\align{b}", 0, {15748, total - kDescent, kDescent}},
      {"\\align{ b}\\width{20mm}", 0, {15748, total - kDescent, kDescent}},
      {"\\width{20mm}\\align{t}", 0, {15748, kAscent, total - kAscent}},
      {"\\width{20mm}", 0, {15748, total / 2 + axis, total - (total / 2 + axis)}},
      {"\\width{20mm}\\align{x}", 0, {15748, total / 2 + axis, total - (total / 2 + axis)}},
      {"", 15748, {15748, 0, total}},
  };
  for (const Case& c : cases) {
    Fixture f;
    ASSERT_TRUE(mini(f, std::string(c.options) + "あ\\\\い", c.width)) << c.options;
    EXPECT_EQ(f.result(), c.box) << c.options;
    ASSERT_EQ(f.st.miniPageList.size(), 1u);
    const vel::MiniPage& m = f.st.miniPageList[0];
    EXPECT_EQ(m.lines.size(), 2u) << c.options;
    EXPECT_EQ((Box{m.width, m.height, m.depth}), c.box) << c.options;

  }
}

TEST(MiniPage, BlocksStartFromTheDefaultsAndPutTheStateBack) {
  Fixture f;
  vel::SetFontSize(f.st, "20", 2);
  f.st.chr.ruleWidth = 500;
  f.st.chr.frameBoxSep = 900;
  f.st.para.lineSkip = 3000;
  f.st.geo.columnWidth = 123456;
  f.st.line.lineWidth = 100000;
  const int fontHeight = f.st.chr.font.height;
  // Inside: the base size (one em per kana), the default rule and frame
  // separation (1/144 inch and 0.5 mm: a frame 2 x (138 + 393) wider).
  ASSERT_TRUE(mini(f, "\\width{50mm}\\framebox{あ}"));
  const vel::MiniPage& m = f.st.miniPageList[0];
  ASSERT_EQ(m.words.size(), 1u);
  EXPECT_EQ(m.words[0].width, kEm + 2 * (138 + 393));
  EXPECT_EQ(m.lines[0].lineWidth, 39370);
  // Outside again: everything as it was.
  EXPECT_EQ(f.st.chr.ruleWidth, 500);
  EXPECT_EQ(f.st.chr.frameBoxSep, 900);
  EXPECT_EQ(f.st.para.lineSkip, 3000);
  EXPECT_EQ(f.st.geo.columnWidth, 123456);
  EXPECT_EQ(f.st.line.lineWidth, 100000);
  EXPECT_EQ(f.st.chr.font.height, fontHeight);
}

TEST(MiniPage, SetDefVarValues) {
  Fixture f;
  vel::SetDefVar(f.st);
  EXPECT_EQ(f.st.para.lineSkip, 1574);
  EXPECT_EQ(f.st.para.parSkip, 1574);
  EXPECT_EQ(f.st.chr.ruleWidth, 138);
  EXPECT_EQ(f.st.chr.frameBoxSep, 393);
  EXPECT_EQ(f.st.chr.tableRowSep, 787);
  EXPECT_EQ(f.st.chr.tableColSep, 787);
  EXPECT_EQ(f.st.para.mathIndent, 2 * kEm);
  EXPECT_EQ(f.st.para.mathRightIndent, 2 * kEm);
  EXPECT_EQ(f.st.chr.matrixRowSep, static_cast<int>(0.3 * kEm));
  EXPECT_EQ(f.st.chr.matrixColSep, kEm);
  EXPECT_EQ(f.st.chr.underlineSep, 157);
  EXPECT_EQ(f.st.chr.doubleLineSep, 236);
  EXPECT_EQ(f.st.para.parIndent, 0);
  EXPECT_EQ(vel::LengthOf(f.st, "rulewidth"), 138);
  EXPECT_EQ(vel::LengthOf(f.st, "frameboxsep"), 393);
  EXPECT_EQ(vel::LengthOf(f.st, "doublelinesep"), 236);
}

TEST(MiniPage, FloatsAndFootnotesHangAtTheirWidths) {
  struct Case {
    const char* name;
    int width;
  } cases[] = {
      {"topofcolumnbox", 100 * kEm},
      {"bottomofpagebox", 120 * kEm},
      {"footnote", 100 * kEm},
  };
  for (const Case& c : cases) {
    Fixture f;
    f.st.geo.pageWidth = 120 * kEm;
    vel::CommandResult o;
    ASSERT_EQ(command(f, c.name, "あ", o), 0) << c.name;
    EXPECT_EQ(o.kind, vel::cmd::Float);
    ASSERT_EQ(o.value, 0) << c.name;
    const vel::MiniPage& m = f.st.miniPageList[0];
    EXPECT_EQ(m.width, c.width) << c.name;
    EXPECT_EQ(m.height, 0) << c.name;
    EXPECT_GT(m.depth, 0) << c.name;
  }
  // The footnote's text is set at 0.8 of the size after a 1 mm space.
  Fixture f;
  vel::CommandResult o;
  ASSERT_EQ(command(f, "footnote", "あ", o), 0);
  const vel::MiniPage& m = f.st.miniPageList[0];
  EXPECT_EQ(m.lines.size(), 2u);
  EXPECT_EQ(m.lines[0].skip, 787);
  EXPECT_EQ(m.depth, 1 + 787 + static_cast<int>(0.8 * kEm));
  // Other floats are not allowed inside boxes and mini pages.
  Fixture g;
  EXPECT_EQ(command(g, "topofpagebox", "x", o, true), -2);
  EXPECT_TRUE(g.st.miniPageList.empty());
}

TEST(MiniPage, FootnotesOfStoredBoxesArePlacedWhenTheBoxIsUsed) {
  Fixture f;
  ASSERT_EQ(f.measure("\\makeboxA{a\\footnote{ちゅう}}"), 0);
  EXPECT_TRUE(f.st.miniPageList.empty());  // left out of the makebox
  ASSERT_EQ(f.st.boxList.size(), 1u);
  EXPECT_TRUE(f.st.boxList[0].footnotesRemoved);
  ASSERT_EQ(f.measure("\\boxA"), 0);
  EXPECT_EQ(f.st.miniPageList.size(), 1u);  // placed at the first use
  EXPECT_FALSE(f.st.boxList[0].footnotesRemoved);
  ASSERT_EQ(f.measure("\\boxA"), 0);
  EXPECT_EQ(f.st.miniPageList.size(), 1u);  // and only then
  // Drawing never makes blocks.
  ASSERT_EQ(f.measure("\\footnote{x}\\minipage{\\width{5mm}x}", nullptr, true), 0);
  EXPECT_EQ(f.st.miniPageList.size(), 1u);
  // Replays switch footnotes off.
  ++f.st.box.footnotesOff;
  ASSERT_EQ(f.measure("\\footnote{x}"), 0);
  --f.st.box.footnotesOff;
  EXPECT_EQ(f.st.miniPageList.size(), 1u);
}

TEST(MiniPage, MakeboxKeepsTheCounters) {
  Fixture f;
  f.st.val.counters[5] = 7;
  ASSERT_EQ(f.measure("\\makeboxB{\\setcounter{5,9}あ}"), 0);
  EXPECT_EQ(f.st.val.counters[5], 7);
  EXPECT_EQ(f.st.boxList[0].width, kEm);
}
