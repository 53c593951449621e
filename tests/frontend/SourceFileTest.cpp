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
