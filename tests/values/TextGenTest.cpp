// Text generators on a fixed clock: the date format language with its
// 12-hour rules, full-width forms by exact code point, numerals.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "base/Cp932.h"
#include "frontend/TextGen.h"

using namespace vel;
using veltest::sj;

namespace {
RunClock at(int y, int mo, int d, int h, int mi, int s, int dow) { return {y, mo, d, h, mi, s, dow}; }
std::string date(const RunClock& c, const std::string& utf8Format) { return cp932ToUtf8(GetDateStr(c, sj(utf8Format))); }
}  // namespace

TEST(GetDateStr, TokensAndLiterals) {
  const RunClock c = at(2024, 3, 5, 9, 7, 4, 3);  // Tuesday 5 March 2024, 09:07:04
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"yyyy\"年\"m\"月\"d\"日\"", "2024年3月5日"}, {"yyyy/mm/dd", "20240305"},  // "/" is no token
      {"HH:NN", "０９０７"}, {"yy yyy yyyyy", "24"},  // other run lengths produce nothing
      {"YYYY YY", "２０２４２４"}, {"mmm mmmm", "MarMarch"}, {"M MM", "３０３"}, {"d dd D DD", "505５０５"},
      {"h hh H HH", "909９０９"}, {"n nn N NN", "707７０７"}, {"s ss S SS", "404４０４"},
      {"w ww www", "TueTuesday火"}, {"'it''s'", "its"}, {"d\"日", "5日"},  // an unclosed quote ends the format
      {"日付d", "5"},  // double-byte characters outside quotes are dropped
      {"<am", "3"},    // "<" without "/" and ">" is no token; "m" is the month
  };
  for (const auto& [fmt, want] : cases) EXPECT_EQ(date(c, fmt), want) << fmt;
}

TEST(GetDateStr, TwelveHourClock) {
  struct Case {
    int hour;
    std::string format, want;
  };
  const std::vector<Case> cases = {
      {15, "<午前/午後>h\"時\"", "午後3時"},
      {9, "<午前/午後>h\"時\"", "午前9時"},
      {12, "<AM/PM>h\":\"nn", "PM0:30"},  // 12:30 is shown as 0:30
      {0, "<AM/PM>hh", "AM00"},
      {15, "<AM/PM>HH", "PM０３"},
      // An hour before the token is corrected at the end, in half-width digits.
      {15, "hh<AM/PM>", "03PM"},
      {15, "HH<AM/PM>", "03PM"},
      {15, "H<AM/PM>", "3PM"},
      {21, "h\"-\"hh<a/p>", "21-09p"},  // only the last one before the token
      {9, "hh<AM/PM>", "09AM"},
      {15, "hh", "15"},
  };
  for (const Case& k : cases) EXPECT_EQ(date(at(2024, 1, 1, k.hour, 30, 0, 2), k.format), k.want) << k.format;
}

TEST(MonthAndDay, NamesAndRanges) {
  EXPECT_EQ(MonthStr(1, 3) + MonthStr(12, 4) + MonthStr(13, 3) + MonthStr(0, 4) + MonthStr(5, 5), "JanDecember");
  EXPECT_EQ(cp932ToUtf8(DayOfWeekStr(1, 1) + DayOfWeekStr(7, 2) + DayOfWeekStr(1, 3) + DayOfWeekStr(7, 3)),
            "SunSaturday日土");
  EXPECT_EQ(DayOfWeekStr(8, 1) + DayOfWeekStr(0, 2), "");
}

TEST(ToZenkaku, WholeTableByCodePoint) {
  // Every printable ASCII character and its full-width form.
  const std::u32string ascii =
      U" !\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`abcdefghijklmnopqrstuvwxyz{|}~";
  std::u32string want = U"\u3000！\u201D＃＄％＆\u2019（）＊＋，\uFF0D．／";
  for (char32_t d = 0xFF10; d <= 0xFF19; ++d) want += d;
  want += U"：；＜＝＞？＠";
  for (char32_t d = 0xFF21; d <= 0xFF3A; ++d) want += d;
  want += U"［\uFFE5］＾＿\uFF40";
  for (char32_t d = 0xFF41; d <= 0xFF5A; ++d) want += d;
  want += U"｛｜｝\uFF5E";
  std::string in;
  for (char32_t a : ascii) in += static_cast<char>(a);
  EXPECT_EQ(cp932ToU32(ToZenkaku(in)), want);

  // Half-width katakana 0xA1-0xDF: all but the prolonged sound and voicing marks.
  std::string kana;
  for (int b = 0xA1; b <= 0xDF; ++b) kana += static_cast<char>(b);
  EXPECT_EQ(cp932ToUtf8(ToZenkaku(kana)),
            "。「」、・ヲァィゥェォャュョッ\uFF70アイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホ"
            "マミムメモヤユヨラリルレロワン\uFF9E\uFF9F");

  // Double-byte characters (trail byte '\' in 表) and control bytes are copied.
  EXPECT_EQ(ToZenkaku(sj("表a\t")), sj("表ａ") + "\t");
  EXPECT_EQ(ToZenkaku(""), "");
}

TEST(Numerals, KanjiLettersRoman) {
  EXPECT_EQ(cp932ToUtf8(ToKanNum("2024")), "二〇二四");
  EXPECT_EQ(cp932ToUtf8(ToKanNum(sj("1-2表3"))), "一二三");
  EXPECT_EQ(ToKanNum(""), "");

  const std::vector<std::tuple<int, bool, std::string>> alpha = {
      {1, true, "A"}, {26, true, "Z"}, {27, true, "A"}, {28, true, "B"}, {2, false, "b"}, {0, true, ""}, {-3, false, ""}};
  for (const auto& [n, up, want] : alpha) EXPECT_EQ(ToAlpha(n, up), want) << n;

  const std::vector<std::tuple<int, bool, std::string>> rom = {
      {4, true, "IV"}, {14, false, "xiv"}, {49, true, "XLIX"}, {38, true, "XXXVIII"}, {50, true, ""}, {0, true, ""}};
  for (const auto& [n, up, want] : rom) EXPECT_EQ(ToRom(n, up), want) << n;
}

TEST(GetKakuchoshi, AfterTheLastDot) {
  EXPECT_EQ(GetKakuchoshi("dir/a.b.JPG"), "JPG");
  EXPECT_EQ(GetKakuchoshi("noext") + GetKakuchoshi("trailing."), "");
}
