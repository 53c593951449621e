// Macro definitions and uses, runaway expansions, and the special rewrites
// of the macro walk.
#include <gtest/gtest.h>

#include "Harness.h"
#include "frontend/Macros.h"
#include "frontend/Reform.h"

using namespace veltest;

namespace {
struct Result {
  int code;
  Strings lines;
  Strings log;
  int errorLine;
};
Result Preprocess(const Strings& in, bool secondPass = false) {
  Harness h(in);
  h.st.pre.contentsPassDone = secondPass;
  h.st.pre.clock = {2024, 3, 5, 15, 7, 9, 3};
  const vel::ReformFailure failure = vel::ReformProc(h.st);
  const int r = vel::ToInt(failure.code);
  Strings log = h.log();
  log.erase(log.begin(), log.begin() + std::min<size_t>(1, log.size()));  // "処理済みカラム数"
  return {r, h.lines(), log, failure.line};
}
Strings Lines(const Strings& in) {
  Result r = Preprocess(in);
  EXPECT_EQ(r.code, 0) << in.back();
  return r.lines;
}
}  // namespace

TEST(Macros, Expansion) {
  EXPECT_EQ(Lines({"\\def\\hi{Hello}\\hi world"}), (Strings{"Helloworld"}));
  EXPECT_EQ(Lines({"\\def\\b{\\bf}\\b x \\b{}x \\b\\/y"}), (Strings{"\\bf x \\bf{}x \\bf\\/y"}));
  EXPECT_EQ(Lines({"\\def\\b{\\bf}\\b", "x"}), (Strings{"\\bf", "x"}));
  EXPECT_EQ(Lines({"\\def\\pair#1#2{(#1,#2)}", "\\pair{a}{b} \\pair{a} {b} \\pair{\\pair{1}{2}}{c#1}"}),
            (Strings{"", "(a,b) \\pair{a} {b} ((1,2),c#1)"}));
  EXPECT_EQ(Lines({"\\def\\ten#1#2#3#4#5#6#7#8#9#10{#10#1}\\ten{1}{2}{3}{4}{5}{6}{7}{8}{9}{X}"}), (Strings{"X1"}));
  EXPECT_EQ(Lines({"\\def\\sharpx{a#b}\\sharpx"}), (Strings{"a#b"}));
  // An argument may run over lines; its use is removed as one span.
  EXPECT_EQ(Lines({"\\def\\u#1{<#1>}x\\u{a", "b}y"}), (Strings{"x<a\\/b>", "y"}));
}

TEST(Macros, DefinitionsAndRedefinition) {
  // Every definition is collected before any use is expanded: the last one wins everywhere.
  EXPECT_EQ(Lines({"\\x", "\\def\\x{one}", "\\x", "\\def\\x{two}", "\\x"}), (Strings{"two", "", "two", "", "two"}));
  EXPECT_EQ(Lines({"a\\def\\m{x", "y", "z}b", "\\m"}), (Strings{"a", "", "b", "x\\/y\\/z"}));
  for (std::string bad : {"\\def\\x {a}", "\\def\\x#2{a}", "\\def\\x#1#3{a}", "\\def\\1{a}", "\\def\\x", "\\def\\x{a"}) {
    Result r = Preprocess({"ok", bad});
    EXPECT_EQ(r.code, -1) << bad;
    EXPECT_EQ(r.errorLine, 1) << bad;
    EXPECT_EQ(r.log, (Strings{"** \\defのエラー"})) << bad;
  }
}

TEST(Macros, BadParameterReferences) {
  for (std::string use : {"\\q{x}", "\\r{x}", "\\s{x}"}) {
    Result r = Preprocess({"\\def\\q#1{#12}\\def\\r#1{#0}\\def\\s#1{#a}", "", use});
    EXPECT_EQ(r.code, -1) << use;
    EXPECT_EQ(r.errorLine, 2) << use;
    EXPECT_EQ(r.log, (Strings{"** \\" + use.substr(1, 1) + "のエラー"})) << use;
  }
}

TEST(Macros, RunawayExpansionStops) {
  // Doubling 40 times: legitimate nesting, but no line holds 2^40 characters.
  std::string doubled = "x";
  for (int i = 0; i < 40; ++i) doubled = "\\d{" + doubled + "}";
  for (const Strings& src : {Strings{"\\def\\loop{\\loop}", "a", "b \\loop"}, Strings{"\\def\\a{x\\b}\\def\\b{\\a y}", "", "\\a"},
                             Strings{"\\def\\w#1{\\w{#1#1}}", "", "\\w{z}"}, Strings{"\\def\\d#1{#1#1}", "", doubled}}) {
    Result r = Preprocess(src);
    EXPECT_EQ(r.code, -1) << src[0];
    EXPECT_EQ(r.errorLine, 2) << src[0];
    ASSERT_EQ(r.log.size(), 1u);
    EXPECT_EQ(r.log[0].rfind("** \\", 0), 0u) << r.log[0];
  }
}

TEST(Macros, ALongLineIsNoRunawayExpansion) {
  // What expansion adds is bounded, not the line: 300 KB of text with one
  // ordinary use passes, a use that adds more than the bound stops.
  const std::string text(300000, 'a');
  Result ok = Preprocess({"\\def\\x{X}", text + "\\x " + text});
  EXPECT_EQ(ok.code, 0);
  EXPECT_EQ(ok.lines[1], text + "X" + text);
  std::string wide = "\\w";
  for (int i = 0; i < 9; ++i) wide = "\\d{" + wide + "}";  // 512 copies of a 1 KB body
  Result stopped = Preprocess({"\\def\\d#1{#1#1}\\def\\w{" + std::string(1024, 'b') + "}", "", wide});
  EXPECT_EQ(stopped.code, -1);
  EXPECT_EQ(stopped.errorLine, 2);
}

TEST(Macros, DeepButFiniteNestingAndManyUsesPass) {
  std::string nested = "x";
  for (int i = 0; i < 60; ++i) nested = "\\p{" + nested + "}";
  Strings src{"\\def\\p#1{(#1)}", nested};
  std::string many;
  for (int i = 0; i < 5000; ++i) many += "\\one ";
  src.push_back("\\def\\one{1}" + many);
  Strings out = Lines(src);
  EXPECT_EQ(out[1], std::string(60, '(') + "x" + std::string(60, ')'));
  EXPECT_EQ(out[2], std::string(5000, '1'));
}

TEST(Specials, FootnoteMarksInEachStyle) {
  EXPECT_EQ(Lines({"\\footnote{a}"}), (Strings{"\\raisebox{\\raise{.5ch}\\fontsize{*0.7}*1}\\footnote{\\fontsize{*0.7}*1\\ a}"}));
  EXPECT_EQ(Lines({"\\footnotemark{注num)}\\footnote{a}\\footnote{b}"}),
            (Strings{"\\footnotemark{注num)}\\raisebox{\\raise{.5ch}\\fontsize{*0.7}注1)}\\footnote{\\fontsize{*0.7}注1)\\ a}"
                     "\\raisebox{\\raise{.5ch}\\fontsize{*0.7}注2)}\\footnote{\\fontsize{*0.7}注2)\\ b}"}));
  // A footnote inside a footnote is marked too; letters run a, b, ...
  EXPECT_EQ(Lines({"\\footnotemark{(alpha)}\\footnote{x\\footnote{y}}"}),
            (Strings{"\\footnotemark{(alpha)}\\raisebox{\\raise{.5ch}\\fontsize{*0.7}(a)}\\footnote{\\fontsize{*0.7}(a)\\ x"
                     "\\raisebox{\\raise{.5ch}\\fontsize{*0.7}(b)}\\footnote{\\fontsize{*0.7}(b)\\ y}}"}));
  EXPECT_EQ(Lines({"\\footnotemark{★}\\footnote{a}"}),
            (Strings{"\\footnotemark{★}\\raisebox{\\raise{.5ch}\\fontsize{*0.7}★}\\footnote{\\fontsize{*0.7}★\\ a}"}));

  vel::PreprocState pre;
  vel::SetFootnoteMarkStyle(pre, "symbol");
  const std::string first = "\\fontname{ＭＳ Ｐ明朝}\\!＊\\!\\*";
  EXPECT_EQ(vel::cp932ToUtf8(vel::FootnoteMark(pre, 1)), first);
  EXPECT_EQ(vel::cp932ToUtf8(vel::FootnoteMark(pre, 5)), "\\fontname{ＭＳ Ｐ明朝}¶");
  EXPECT_EQ(vel::cp932ToUtf8(vel::FootnoteMark(pre, 10)), first);
  // The trail byte of a kanji is never part of the keyword.
  vel::SetFootnoteMarkStyle(pre, sj("渡um"));  // 渡 is 0x93 0x6E ("n")
  EXPECT_EQ(pre.footnoteStyle, 0);
}

TEST(Specials, DateContentsAndCenterline) {
  EXPECT_EQ(Lines({"\\datetime{yyyy\"年\"m\"月\"d\"日\"} \\datetime{<午前/午後>h\"時\"}"}), (Strings{"2024年3月5日 午後3時"}));
  Harness h({"\\centerline{a} \\tableofcontents"});
  ASSERT_TRUE(vel::ReformProc(h.st).ok());
  EXPECT_EQ(h.lines(), (Strings{"\\p\\centerline{a} \\tableofcontents"}));
  EXPECT_TRUE(h.st.pre.contentsRequested);
  // The second pass's text was rewritten by the first.
  Result second = Preprocess({"\\datetime{yyyy} \\footnote{a} \\centerline{b}"}, true);
  EXPECT_EQ(second.lines, (Strings{"\\datetime{yyyy} \\footnote{a} \\centerline{b}"}));
  // No braced argument, or one joined from two lines.
  for (std::string bad : {"\\datetime yyyy", "\\datetime", "\\datetime{yy", "\\footnote a", "\\footnotemark{a"}) {
    Result r = Preprocess({"", bad, "x}"});
    EXPECT_EQ(r.code, -1) << bad;
    EXPECT_EQ(r.errorLine, 1) << bad;
  }
}
