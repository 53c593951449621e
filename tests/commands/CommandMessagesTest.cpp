// What the message window shows when a command fails, byte for byte: a
// missing argument (-3), a forbidden or invalid argument (-10), a paragraph
// command inside a box (-2, reported through the box), \pagenum in running
// text, and the header sub-commands.
#include <gtest/gtest.h>

#include "Typeset.h"

using namespace vel;
using cmdtest::kHead;
using cmdtest::Typeset;

namespace {

struct Case {
  const char* line4;                     // the body line that fails (source line 4)
  std::vector<std::string> expected;     // the lines after "処理済みカラム数"
};

void check(const Case& c) {
  Typeset t(kHead + "前\n" + c.line4 + "\n後\n");
  EXPECT_EQ(t.status, RunStatus::Stopped) << c.line4;
  std::vector<std::string> log = t.log();
  ASSERT_GE(log.size(), 2u) << c.line4;
  EXPECT_EQ(log[0], "VELDRIS (t.vdr)");
  EXPECT_EQ(log[1], "処理済みカラム数");
  EXPECT_EQ(std::vector<std::string>(log.begin() + 2, log.end()), c.expected) << c.line4;
}

}  // namespace

TEST(CommandMessages, MissingArgument) {
  const Case cases[] = {
      {"\\hskip a", {"** \\hskipコマンドのエラー", "** \\hskipコマンドに引数がありません。(4行目)", "\\hskip a"}},
      {"\\fontsize", {"** \\fontsizeコマンドのエラー", "** \\fontsizeコマンドに引数がありません。(4行目)", "\\fontsize"}},
      {"\\setcounter x", {"** \\setcounterコマンドのエラー", "** \\setcounterコマンドに引数がありません。(4行目)", "\\setcounter x"}},
      {"\\valA 3", {"** \\valAコマンドのエラー", "** \\valAコマンドに引数がありません。(4行目)", "\\valA 3"}},
      {"\\strnum", {"** \\strnumコマンドのエラー", "** \\strnumコマンドに引数がありません。(4行目)", "\\strnum"}},
      {"\\oddpagefooter", {"** \\oddpagefooterコマンドのエラー", "** \\oddpagefooterコマンドに引数がありません。(4行目)", "\\oddpagefooter"}},
      // A user length without its value; a short name is found in its padded form.
      {"\\deflength{\\ab}\\ab",
       {"** \\abコマンドのエラー", "** \\abコマンドに引数がありません。(4行目)", "\\deflength{\\ab}\\ab"}},
      // A header sub-command without its group: the sub-command is named.
      {"\\oddpageheader{\\left}",
       {"** \\leftコマンドのエラー", "** \\leftコマンドに引数がありません。(4行目)", "\\oddpageheader{\\left}"}},
  };
  for (const Case& c : cases) check(c);
}

TEST(CommandMessages, ForbiddenOrInvalidArgument) {
  const Case cases[] = {
      // An argument where none is allowed.
      {"\\boldmath{1}", {"** \\boldmathコマンドのエラー", "** 文法エラー(4行目)", "\\boldmath{1}"}},
      {"\\newpage{1}", {"** \\newpageコマンドのエラー", "** 文法エラー(4行目)", "\\newpage{1}"}},
      {"\\enditem{1}", {"** \\enditemコマンドのエラー", "** 文法エラー(4行目)", "\\enditem{1}"}},
      {"\\sectionstr{1}", {"** \\sectionstrコマンドのエラー", "** 文法エラー(4行目)", "\\sectionstr{1}"}},
      // Headings need their argument; an empty \beginitem is invalid.
      {"\\chapter x", {"** \\chapterコマンドのエラー", "** 文法エラー(4行目)", "\\chapter x"}},
      {"\\beginitem{}", {"** \\beginitemコマンドのエラー", "** 文法エラー(4行目)", "\\beginitem{}"}},
      // A header sub-command that does not exist.
      {"\\oddpageheader{\\middle{a}}", {"** \\middleコマンドのエラー", "** 文法エラー(4行目)", "\\oddpageheader{\\middle{a}}"}},
      // A length or font argument joined from two source lines holds "\/".
      {"\\hskip{1\n2cm}", {"** \\hskipコマンドのエラー", "** 文法エラー(4行目)", "\\hskip{1"}},
      {"\\fontname{ab\ncd}", {"** \\fontnameコマンドのエラー", "** 文法エラー(4行目)", "\\fontname{ab"}},
      {"\\tatemode{1\n0}", {"** \\tatemodeコマンドのエラー", "** 文法エラー(4行目)", "\\tatemode{1"}},
  };
  for (const Case& c : cases) check(c);
}

TEST(CommandMessages, PageNumberOnlyInHeadersAndFooters) {
  check({"\\pagenum", {"** \\pagenumコマンドのエラー", "** 文法エラー(4行目)", "\\pagenum"}});
  // In a footer it is the page number, and the run goes through.
  Typeset t(kHead + "\\oddpagefooter{\\center{\\pagenum}}本文\n");
  EXPECT_EQ(t.status, RunStatus::Done);
  EXPECT_TRUE(t.errors().empty());
}

TEST(CommandMessages, ParagraphCommandInsideABox) {
  // The command refused inside the box is not defined there, and is
  // reported so, by its own name.
  check({"\\box{x\\p y}", {"** \\pコマンドのエラー", "** \\pコマンドは定義されていません。(4行目)", "\\box{x\\p y}"}});
  check({"\\centerline{x\\lineskip{1mm}y}",
         {"** \\lineskipコマンドのエラー", "** \\lineskipコマンドは定義されていません。(4行目)",
          "\\centerline{x\\lineskip{1mm}y}"}});  // echoed as written, without the \p preprocessing adds
  check({"\\beginitem\\item{\\newpage}a\\enditem",
         {"** \\newpageコマンドのエラー", "** \\newpageコマンドは定義されていません。(4行目)",
          "\\beginitem\\item{\\newpage}a\\enditem"}});
  check({"\\rightline{\\mathindent{1cm}}",
         {"** \\mathindentコマンドのエラー", "** \\mathindentコマンドは定義されていません。(4行目)",
          "\\rightline{\\mathindent{1cm}}"}});
}

TEST(CommandMessages, UndefinedNamesOfAnyLength) {
  // Short unknown names are reported too, and a name beginning with a
  // Japanese character is written without the backslash in the first line.
  check({"\\qq{1}", {"** \\qqコマンドのエラー", "** \\qqコマンドは定義されていません。(4行目)", "\\qq{1}"}});
  check({"\\あ", {"** あのエラー", "** \\あコマンドは定義されていません。(4行目)", "\\あ"}});
}
