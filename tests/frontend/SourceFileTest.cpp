#include <gtest/gtest.h>

#include "TestSupport.h"
#include "frontend/SourceFile.h"

using namespace vel;

TEST(SourceFile, CrlfAndUtf8AreConverted) {
  veltest::TempDir d;
  veltest::writeFile(d.file("a.vdr"), "ab\r\ncd\r\n");
  Lines l;
  ASSERT_EQ(LoadSourceFile(d.file("a.vdr"), l), LoadResult::Ok);
  EXPECT_EQ(l, (Lines{"ab", "cd"}));

  veltest::writeFile(d.file("u.vdr"), "\xEF\xBB\xBF" "表\n");
  size_t bad = 99;
  ASSERT_EQ(LoadSourceFile(d.file("u.vdr"), l, &bad), LoadResult::Ok);
  EXPECT_EQ(l, (Lines{"\x95\x5C"}));
  EXPECT_EQ(bad, 0u);

  veltest::writeFile(d.file("x.vdr"), "😀表");  // no CP932 form for the emoji
  ASSERT_EQ(LoadSourceFile(d.file("x.vdr"), l, &bad), LoadResult::Ok);
  EXPECT_EQ(l, (Lines{"\x81\xAC\x95\x5C"}));
  EXPECT_EQ(bad, 1u);

  veltest::writeFile(d.file("s.vdr"), veltest::sj("表ソ"));  // CP932 stays as it is
  ASSERT_EQ(LoadSourceFile(d.file("s.vdr"), l), LoadResult::Ok);
  EXPECT_EQ(l, (Lines{"\x95\x5C\x83\x5C"}));

  EXPECT_EQ(LoadSourceFile(d.file("missing.vdr"), l), LoadResult::Missing);
  EXPECT_EQ(LoadSourceFile(d.path(), l), LoadResult::Unreadable);
}

TEST(SourceFile, CrLfAndCrlfEachEndALine) {
  const std::vector<std::pair<std::string, Lines>> cases = {
      {"a\rb\r\nc\nd", {"a", "b", "c", "d"}},  // old Macintosh, Windows and Unix line ends
      {"a\r\rb\r", {"a", "", "b"}},
      {"\r\n\n", {"", ""}},
  };
  for (const auto& [bytes, lines] : cases) {
    Lines l;
    SplitSourceText(bytes, l);
    EXPECT_EQ(l, lines) << veltest::splitLines(bytes).size() << " lines by LF";
  }
}

TEST(SourceFile, BytesValidInBothEncodingsStayCp932UnlessOnlyUtf8ReadsWell) {
  struct Case {
    std::string bytes;
    std::string cp932;  // the one line read
    size_t replaced;
  };
  const std::vector<Case> cases = {
      {"\xC3\xBD", "\xC3\xBD", 0},  // ﾃｽ: as UTF-8 "ý", which CP932 has no form for
      {"\xCE\xB1\xCE\xB2", "\xCE\xB1\xCE\xB2", 0},  // ﾎｱﾎｲ: half-width katakana, plausible Japanese
      {"\xE6\x97\xA5\xE6\x9C\xAC", veltest::sj("日本"), 0},  // as CP932 a rare kanji and stray kana
      {"\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88", veltest::sj("テスト"), 0},  // no CP932 reading at all
  };
  for (const Case& c : cases) {
    Lines l;
    size_t replaced = 99;
    SplitSourceText(c.bytes, l, &replaced);
    EXPECT_EQ(l, Lines{c.cp932}) << c.bytes;
    EXPECT_EQ(replaced, c.replaced) << c.bytes;
  }
}
