// The Japanese line-breaking rules on the real proportional font: a long
// paragraph full of prohibited characters, typeset at many widths, never
// starts a line with a line-head character nor ends one with a line-end
// character, and loses or duplicates nothing.
#include <gtest/gtest.h>

#include <random>

#include "StateFixture.h"
#include "TestSupport.h"
#include "base/Cp932.h"
#include "canvas/qt/QtCanvas.h"
#include "layout/fonts/Fonts.h"
#include "layout/lines/WordLine.h"

using namespace vel;

namespace {

// Characters as CP932 strings, by role.
std::vector<std::string> chars(const char* utf8) {
  std::vector<std::string> out;
  std::string s = veltest::sj(utf8);
  for (size_t i = 0; i < s.size(); i += 2) out.push_back(s.substr(i, 2));
  return out;
}

std::string paragraph(unsigned seed, size_t n) {
  static const auto plain = chars("あいうえおかきくけこ日本語文章組版規則漢字仮名");
  static const auto head = chars("。、」）");
  static const auto tail = chars("「（");
  std::mt19937 rng(seed);
  std::string out;
  int headRun = 0, tailRun = 0;
  for (size_t i = 0; i < n; ++i) {
    unsigned r = rng() % 10;
    if (r < 2 && headRun < 2 && i > 0) {
      out += head[rng() % head.size()];
      ++headRun;
      tailRun = 0;
    } else if (r == 2 && tailRun < 2) {
      out += tail[rng() % tail.size()];
      ++tailRun;
      headRun = 0;
    } else {
      out += plain[rng() % plain.size()];
      headRun = tailRun = 0;
    }
  }
  return out;
}

}  // namespace

TEST(Kinsoku, RealFontManyWidths) {
  auto canvas = QtCanvas::measureOnly(96);
  Settings settings = Settings::defaults();
  for (unsigned seed = 1; seed <= 3; ++seed) {
    const std::string text = paragraph(seed, 600);
    for (int chars = 5; chars <= 40; chars += 3) {
      veltest::StateFixture f(canvas.get());
      f.body(chars * 2916, 100000000);
      State& st = f.st;
      st.sourceLines = {text};
      ASSERT_TRUE(MakeWordLineList(st, st.sourceLines, st.wordList, true, st.lineList, st.wordTextList).ok());

      std::string joined;
      int first = 0;
      for (size_t l = 0; l < st.lineList.size(); ++l) {
        const LineInfo& line = st.lineList[l];
        std::string lt;
        for (int w = first; w <= line.lastWord; ++w)
          if (st.wordList[w].kind == 0) lt += st.wordTextList[w];
        first = line.lastWord + 1;
        ASSERT_FALSE(lt.empty()) << "empty line " << l;
        if (l > 0) {
          EXPECT_FALSE(InCharSet(settings.xHead, charCodeAt(lt, 0)))
              << "seed " << seed << " width " << chars << " line " << l << " starts with " << cp932ToUtf8(lt.substr(0, 2));
        }
        if (l + 1 < st.lineList.size()) {  // the text itself may end with an opening bracket
          EXPECT_FALSE(InCharSet(settings.xTail, charCodeAt(lt, lt.size() - 2)))
              << "seed " << seed << " width " << chars << " line " << l << " ends with " << cp932ToUtf8(lt.substr(lt.size() - 2));
        }
        EXPECT_LE(line.width, line.lineWidth) << "seed " << seed << " width " << chars << " line " << l;
        joined += lt;
      }
      ASSERT_EQ(joined, text) << "seed " << seed << " width " << chars;
    }
  }
}

TEST(Kinsoku, FullStopAndBracketMoveWithThePrecedingCharacter) {
  auto canvas = QtCanvas::measureOnly(96);
  Settings settings = Settings::defaults();
  veltest::StateFixture f(canvas.get());
  f.body(0, 100000000);
  State& st = f.st;
  // Exactly as wide as "あいうえ": "。」" overflows and takes "え" along.
  st.geo.columnWidth = st.line.lineWidth = canvas->textWidth(st.chr.font, veltest::sj("あいうえ"));
  st.sourceLines = {veltest::sj("あいうえ。」か")};
  ASSERT_TRUE(MakeWordLineList(st, st.sourceLines, st.wordList, true, st.lineList, st.wordTextList).ok());
  ASSERT_EQ(st.lineList.size(), 2u);
  EXPECT_EQ(st.lineList[0].lastWord, 2);  // あいう | え。」か
}
