// The single-line box walk on fixed metrics: sizes of text, spacing between
// scripts, commands in box mode, conditionals, stored boxes and the
// references written into the box text, and what drawing puts on the canvas.
#include <gtest/gtest.h>

#include "BoxFixture.h"
#include "layout/boxes/BoxText.h"
#include "layout/scopes/StateStacks.h"

using namespace boxtest;
using veltest::sj;

namespace {

const int kH6 = kEm / 6, kH18 = kEm / 18, kH518 = kEm * 5 / 18;

struct SizeCase {
  const char* name;
  const char* text;  // UTF-8
  Box expected;
};

}  // namespace

TEST(BoxWalk, SizesOfTextAndSpacing) {
  const SizeCase cases[] = {
      {"empty", "", {0, 0, 0}},
      {"kana", "あいう", {3 * kEm, kAscent, kDescent}},
      {"ideographic space", "　", {kEm, kAscent, kDescent}},
      {"Japanese then Latin", "あab", {kEm + kH6 + 2 * kHalf, kAscent, kDescent}},
      {"Latin then Japanese", "abあ", {2 * kHalf + kH6 + kEm, kAscent, kDescent}},
      {"number then letters", "12ab", {4 * kHalf + kH18, kAscent, kDescent}},
      {"punctuation takes no spacing", "a。", {kHalf + kEm, kAscent, kDescent}},
      {"Japanese then math", "あ$x$", {kEm + kH518 + kHalf, kAscent, kDescent}},
      {"math then Japanese", "$x$あ", {kHalf + kH518 + kEm, kAscent, kDescent}},
      {"single bytes, escaped braces", "(\x01\x02)", {4 * kHalf, kAscent, kDescent}},
      {"control bytes are skipped", "a\x05\x1B" "b", {2 * kHalf, kAscent, kDescent}},
      {"spacing commands", "\\,\\;", {kH6 + kH518, 0, 0}},
  };
  for (const SizeCase& c : cases) {
    Fixture f;
    Box b;
    ASSERT_EQ(f.measure(c.text, &b), 0) << c.name;
    EXPECT_EQ(b, c.expected) << c.name;
    // The font and size found at the start are back.
    EXPECT_EQ(f.st.chr.font.height, -kEm) << c.name;
    EXPECT_DOUBLE_EQ(f.st.chr.fontSize, 21000) << c.name;
  }
}

TEST(BoxWalk, RestoresTheFontItFound) {
  Fixture f, big;
  vel::SetFontSize(big.st, "21", 2);
  Box large;
  ASSERT_EQ(big.measure("あ", &large), 0);
  Box b;
  ASSERT_EQ(f.measure("あ\\fontsize{21}あ", &b), 0);
  EXPECT_EQ(b, (Box{kEm + large.width, large.height, large.depth}));
  EXPECT_EQ(f.st.chr.font.height, -kEm);
  EXPECT_DOUBLE_EQ(f.st.chr.fontSize, 21000);
  EXPECT_EQ(f.st.font.ascent, kAscent);
}

TEST(BoxWalk, FailuresNameTheCommand) {
  struct Case {
    const char* text;
    int code;
    const char* message;
  } cases[] = {
      {"a\\\\b", -2, "** \\\\コマンドのエラー"},
      {"\\p", -2, "** \\pコマンドのエラー"},
      {"\\box{ab", -1, "** \\boxコマンドのエラー"},
      {"\\nosuchcommand", -2, "** \\nosuchcommandコマンドのエラー"},
      {"$x", -4, "** 数式のエラー"},
      {"\\if{1=1}", -3, "** \\ifコマンドのエラー"},
      {"\\topofpagebox{x}", -2, "** \\topofpageboxコマンドのエラー"},
      {"\\box{\\\\}", -2, "** \\\\コマンドのエラー"},  // a paragraph command is undefined in a box
  };
  for (const Case& c : cases) {
    Fixture f;
    EXPECT_EQ(f.measure(c.text), c.code) << c.text;
    ASSERT_FALSE(f.messages().empty()) << c.text;
    EXPECT_EQ(f.messages().back(), c.message) << c.text;
    EXPECT_EQ(f.st.chr.font.height, -kEm) << c.text;
  }
}

TEST(BoxWalk, ConditionalsKeepOneBranch) {
  struct Case {
    const char* text;
    int width;
  } cases[] = {
      {"\\if{1=1}{あ}\\else{ab}", kEm},
      {"\\if{1=2}{あ}\\else{ab}", 2 * kHalf},
      {"\\if{1=2}{あ}b", kHalf},
      {"\\if{1=1}{\\if{2=3}{a}\\else{あい}}", 2 * kEm},
  };
  for (const Case& c : cases) {
    Fixture f;
    Box b;
    std::string rewritten;
    ASSERT_EQ(f.measure(c.text, &b, false, 0, 0, &rewritten), 0) << c.text;
    EXPECT_EQ(b.width, c.width) << c.text;
    // The choice is made in place: the text keeps its length and reads the same again.
    EXPECT_EQ(rewritten.size(), sj(c.text).size()) << c.text;
    ASSERT_EQ(f.take(vel::BoxWidthHeight(f.st, rewritten, 2, false, false, 0, 0)), 0);
    EXPECT_EQ(f.result().width, c.width) << c.text;
  }
}

TEST(BoxWalk, StoredBoxBecomesAReferenceToWhatWasMeasured) {
  Fixture f;
  ASSERT_EQ(f.measure("\\makeboxA{あい}"), 0);
  ASSERT_EQ(f.st.boxList.size(), 1u);
  EXPECT_EQ(f.st.box.boxLetterIndex[0], 0);
  std::string rewritten;
  Box b;
  ASSERT_EQ(f.measure("x\\boxA y", &b, false, 0, 0, &rewritten), 0);
  EXPECT_EQ(b.width, kHalf + 2 * kEm + kHalf);  // the space after \boxA ends the name
  EXPECT_EQ(rewritten, std::string("x\\\t    y"));

  // The letter bound anew: the reference still reads the first box.
  ASSERT_EQ(f.measure("\\makeboxA{a}"), 0);
  ASSERT_EQ(f.take(vel::BoxWidthHeight(f.st, rewritten, 2, false, false, 0, 0)), 0);
  EXPECT_EQ(f.result().width, kHalf + 2 * kEm + kHalf);
  ASSERT_EQ(f.measure("x\\boxA y", &b), 0);
  EXPECT_EQ(b.width, 3 * kHalf);

  // A letter without a box, and a box letter with an argument.
  Fixture g;
  EXPECT_EQ(g.measure("\\boxQ"), -10);
  ASSERT_EQ(g.measure("\\makeboxQ{a}"), 0);
  EXPECT_EQ(g.measure("\\boxQ{a}"), -10);
}

TEST(BoxWalk, ReferenceDigitsAreNeverDelimiters) {
  // Box indexes whose digit bytes are '}' (93 + 32), a lead byte (0x81) and
  // '\' (60 + 32) and '{' (91 + 32): inside a group, at its end, in math.
  Fixture f;
  f.st.boxList.resize(224 * 224);
  for (int i : {93, 97, 60 * 224 + 91, 97 * 224 + 93}) f.st.boxList[static_cast<size_t>(i)] = {kEm, 100, 50, sj("あ"), false};
  for (int i : {93, 97, 60 * 224 + 91, 97 * 224 + 93}) {
    std::string ref = vel::boxtext::EncodeBoxRef(i);
    ASSERT_EQ(ref.size(), 5u);
    EXPECT_EQ(vel::boxtext::DecodeBoxRef(ref, 0), i);
    for (const std::string& text : {"\\box{" + ref + "}", "\\box{a" + ref + "}b", "$x$\\box{\\box{" + ref + "}}"}) {
      ASSERT_EQ(f.take(vel::BoxWidthHeight(f.st, text, 2, false, false, 0, 0)), 0) << i;
      EXPECT_GE(f.result().width, kEm) << i;
    }
  }
  // A mini page reference whose digits are '$' and '\' inside a formula's neighbourhood.
  f.st.miniPageList.resize(4 * 90 * 90 + 60 + 1);
  const int idx = 4 * 90 * 90 + 60;  // digits 4, 0, 60: "$", " ", "\"
  f.st.miniPageList[static_cast<size_t>(idx)].width = 1000;
  std::string ref = vel::boxtext::EncodeMiniPageRef(idx);
  EXPECT_EQ(ref.substr(2), std::string("$ \\"));
  ASSERT_EQ(f.take(vel::BoxWidthHeight(f.st, "$x$" + ref + "$y$", 2, false, false, 0, 0)), 0);
  EXPECT_EQ(f.result().width, kHalf + 1000 + kHalf);
  // A reference cut short at the end of the text is an error, not a read past it.
  EXPECT_EQ(f.take(vel::BoxWidthHeight(f.st, ref.substr(0, 3), 2, false, false, 0, 0)), -10);
}

TEST(BoxWalk, MiniPagesInBoxesBecomeReferences) {
  Fixture f;
  std::string rewritten;
  Box b;
  ASSERT_EQ(f.measure("a\\minipage{\\width{10mm}\\align{b}あ}b", &b, false, 0, 0, &rewritten), 0);
  ASSERT_EQ(f.st.miniPageList.size(), 1u);
  EXPECT_EQ(rewritten, std::string("a\\\x07   b"));
  EXPECT_EQ(b.width, kHalf + 7874 + kHalf);
  // Measuring the rewritten text makes no new block.
  ASSERT_EQ(f.take(vel::BoxWidthHeight(f.st, rewritten, 2, false, false, 0, 0)), 0);
  EXPECT_EQ(f.st.miniPageList.size(), 1u);
  EXPECT_EQ(f.result(), b);
}

TEST(BoxWalk, StringFunctionsAreReadAsText) {
  Fixture f;
  Box b;
  ASSERT_EQ(f.measure("\\strnum{3*4}あ", &b), 0);
  EXPECT_EQ(b.width, 2 * kHalf + kH6 + kEm);
}

TEST(BoxWalk, DrawingPutsGlyphsAtTheirLayoutPlaces) {
  Fixture f;
  f.st.draw.scale = 1;  // one device pixel per layout unit
  f.st.font.deviceHeight = f.st.font.layoutHeight;
  ASSERT_EQ(f.measure("あa\\hskip{1mm}b", nullptr, true, 10000, 500), 0);
  std::vector<std::string> texts = f.logged("text ");
  ASSERT_EQ(texts.size(), 3u);
  const int top = 10000 - kAscent;
  EXPECT_EQ(texts[0].substr(0, texts[0].find(" h=")), "text 500 " + std::to_string(top));
  const int xa = 500 + kEm + kH6;
  EXPECT_EQ(texts[1].substr(0, texts[1].find(" h=")), "text " + std::to_string(xa) + " " + std::to_string(top));
  EXPECT_NE(texts[1].find("velr10 a"), std::string::npos);
  EXPECT_EQ(texts[2].substr(0, texts[2].find(" h=")),
            "text " + std::to_string(xa + kHalf + 787) + " " + std::to_string(top));
  EXPECT_EQ(f.result().width, kEm + kH6 + kHalf + 787 + kHalf);
}

TEST(BoxWalk, VerticalBoxesTurnTheirSize) {
  Fixture f;
  ASSERT_EQ(f.take(vel::BoxWidthHeight(f.st, sj("あいう"), 2, true, false, 0, 0)), 0);
  EXPECT_EQ(f.result(), (Box{kAscent + kDescent, 3 * kEm / 2, 3 * kEm / 2}));
  f.st.draw.scale = 1;
  ASSERT_EQ(f.take(vel::BoxWidthHeight(f.st, sj("あい"), 2, true, true, 10000, 0)), 0);
  std::vector<std::string> texts = f.logged("text ");
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_NE(texts[0].find("esc=2700"), std::string::npos);
  EXPECT_EQ(texts[0].substr(0, texts[0].find(" h=")), "text " + std::to_string(kAscent + kDescent) + " " +
                                                           std::to_string(10000 - kEm));
  EXPECT_EQ(texts[1].substr(0, texts[1].find(" h=")), "text " + std::to_string(kAscent + kDescent) + " 10000");
}

TEST(BoxWalk, RaiseboxMovesTheContent) {
  Fixture f;
  Box b;
  ASSERT_EQ(f.measure("\\raisebox{\\raise{1mm}あ}", &b), 0);
  EXPECT_EQ(b, (Box{kEm, kAscent + 787, kDescent - 787}));
  EXPECT_EQ(f.measure("\\raisebox{あ}"), -10);
  EXPECT_EQ(f.measure("\\raisebox{\\raise{1mmあ}"), -1);  // the group is not closed
}

TEST(BoxWalk, NestingAndRepetitionAreBounded) {
  Fixture f;
  std::string deep;
  for (int i = 0; i < 300; ++i) deep += "\\rm{";
  deep += "x" + std::string(300, '}');
  EXPECT_EQ(f.measure(deep), -10);
  EXPECT_EQ(f.messages().back(), "** \\rmコマンドのエラー");
  std::string fine;
  for (int i = 0; i < 100; ++i) fine += "\\rm{";
  fine += "x" + std::string(100, '}');
  EXPECT_EQ(f.measure(fine), 0);

  // Each stored box holds the previous one twice: measuring doubles with
  // every level until the walks run out.
  Fixture g;
  ASSERT_EQ(g.measure("\\makeboxA{x}"), 0);
  int level = 0, r = 0;
  while (level < 40 && (r = g.measure("\\makeboxA{\\boxA\\boxA}")) == 0) ++level;
  EXPECT_EQ(r, -10);
  EXPECT_GT(level, 10);
  EXPECT_LT(level, 20);

  // Frames whose top pattern is the frame one level in, each twice as wide
  // as its pattern: the copies to draw double with every level.
  Fixture h;
  std::string frames = "x";
  for (int i = 1; i <= 20; ++i)
    frames = "\\framebox{\\style{\\top{" + frames + "}}\\hskip{" + std::to_string(1 << i) + "mm}}";
  ASSERT_EQ(h.measure(frames), 0);
  EXPECT_EQ(h.measure(frames, nullptr, true), -10);
}
