// The passes of ReformProc on a state: comments, escapes, included files,
// source blocks, group markers, inline-math splitting and the lines kept
// from the first pass of a document with a table of contents.
#include <gtest/gtest.h>

#include "Harness.h"
#include "frontend/MathSpacing.h"
#include "frontend/Reform.h"

using namespace veltest;
using vel::AtomClass;

namespace {
// Preprocesses the lines; the result code goes to *code.
Strings Reformed(const Strings& in, int* code = nullptr, Strings* log = nullptr) {
  Harness h(in);
  const vel::ReformFailure failure = vel::ReformProc(h.st);
  const int r = vel::ToInt(failure.code);
  if (code) *code = r;
  if (log) *log = h.log();
  return h.lines();
}
}  // namespace

TEST(MainPass, CommentsAndTabs) {
  EXPECT_EQ(Reformed({"a // b", "x /* c */ y", "web http://host/x"}), (Strings{"a ", "x  y", "web http:"}));
  EXPECT_EQ(Reformed({"a /* one", "two", "three */ b", "c"}), (Strings{"a ", "", " b", "c"}));
  EXPECT_EQ(Reformed({"p/*/ q */r"}), (Strings{"pr"}));            // "/*/" does not close itself
  EXPECT_EQ(Reformed({"k /* open", "x", "y"}), (Strings{"k ", "", ""}));  // unclosed: to the end
  EXPECT_EQ(Reformed({"\ta\tb"}), (Strings{"ab"}));
}

TEST(MainPass, OneByteCommandNamesStartNoComment) {
  EXPECT_EQ(Reformed({"A\\//B", "x\\/*y", "d", "\\\\// c"}), (Strings{"A\\//B", "x\\/*y", "d", "\\\\"}));
}

TEST(MainPass, NoByteOfTheTextMarksALineAsProcessed) {
  // A line that starts with 0x1F is processed like any other: only the
  // origins beside the lines say which ones the first pass processed.
  EXPECT_EQ(Reformed({"\x1F" "a // b", "\x1F\\# \tc"}), (Strings{"\\x1Fa ", "\\x1F\\sharp\\/ c"}));
}

TEST(MainPass, Escapes) {
  EXPECT_EQ(Reformed({"\\# \\$ \\& \\^ \\_"}), (Strings{"\\sharp\\/ \\dollar\\/ \\and\\/ \\hat\\/ \\underbar\\/"}));
  EXPECT_EQ(Reformed({"\\{x\\} \\\\#"}), (Strings{"\\x01x\\x02 \\\\#"}));
  // The trail byte of 表 is a backslash: no escape, no comment start.
  EXPECT_EQ(Reformed({"表#表{表}"}), (Strings{"表#表{表}"}));
}

TEST(MainPass, SourceBlocks) {
  Harness h({"\\beginsource", "a // {b} $x$ \\alpha", "", "\\endsource tail"});
  ASSERT_TRUE(vel::ReformProc(h.st).ok());
  // The forced line breaks come from the lines they stand before.
  EXPECT_EQ(h.origins(), (Strings{"doc:1", "doc:2", "doc:2", "doc:3", "doc:4", "doc:4"}));
  Strings out = h.lines();
  EXPECT_EQ(out, (Strings{"\\group\\x01\\Fontname{ＭＳ 明朝}", "\\\\",
                          "a\\ //\\ \\x01b\\x02\\ \\dollar\\/x\\dollar\\/\\ \\yen\\/alpha",
                          "\\\\$\\vphantom{国}$\\\\", "\\\\", "\\group\\x02 tail"}));
  EXPECT_EQ(Reformed({"\\beginsourcef x", "\\endsource"}), (Strings{"\\group\\x01\\ x", "\\\\", "\\group\\x02"}));
}

TEST(MainPass, IncludesAreSplicedFromTheSearchFolders) {
  TempDir doc, first, second;
  writeSjis(doc.file("chap1.vdr"), "doc one\ndoc two\n");
  writeSjis(first.file("chap1.vdr"), "first\n");
  writeSjis(second.file("inner.txt"), "inner\n");
  writeSjis(second.file("outer.vdr"), "o1\\input{inner.txt}o2\n");
  Harness h({"a\\input{sub\\chap1}の続き", "\\ifexistinput{dir/outer}b", "\\ifexistinput{missing} text"});
  h.st.documentDir = doc.path();
  h.settings.inputDirs = {first.path(), second.path()};
  ASSERT_TRUE(vel::ReformProc(h.st).ok());
  EXPECT_EQ(h.lines(), (Strings{"a", "doc one", "doc two", "の続き", "", "o1", "inner", "o2", "b", " text"}));
  EXPECT_EQ(h.origins(), (Strings{"doc:1", "chap1.vdr:1", "chap1.vdr:2", "doc:1", "doc:2", "outer.vdr:1",
                                  "inner.txt:1", "outer.vdr:1", "doc:2", "doc:3"}));
  EXPECT_EQ(h.log(), (Strings{"\\input(chap1.vdr)", "\\input(outer.vdr)", "\\input(inner.txt)", "処理済みカラム数"}));
}

TEST(MainPass, IncludeErrors) {
  TempDir d;
  writeSjis(d.file("self.vdr"), "x\n\\input{self}\n");
  writeSjis(d.file("a.vdr"), "\\input{b}\n");
  writeSjis(d.file("b.vdr"), "\\input{a}\n");
  writeSjis(d.file("twice.vdr"), "t\n");
  auto run = [&](const Strings& src, Strings* lines = nullptr) {
    Harness h(src);
    h.st.documentDir = d.path();
    const vel::ReformFailure failure = vel::ReformProc(h.st);
  const int r = vel::ToInt(failure.code);
    if (lines) *lines = h.lines();
    return std::make_tuple(r, failure.line, h.log());
  };
  EXPECT_EQ(run({"\\input {a}"}), std::make_tuple(-1, 0, Strings{"** \\inputのエラー"}));
  EXPECT_EQ(run({"", "\\input{a"}), std::make_tuple(-1, 1, Strings{"** \\inputのエラー"}));
  EXPECT_EQ(run({"", "\\input{missing}"}), std::make_tuple(-2, 1, Strings{}));
  // A file on its own inclusion chain: reported at the \input that closes the loop.
  EXPECT_EQ(run({"top", "\\input{self}"}),
            std::make_tuple(-1, 3, Strings{"\\input(self.vdr)", "** \\inputのエラー"}));
  EXPECT_EQ(run({"\\input{a}"}),
            std::make_tuple(-1, 2, Strings{"\\input(a.vdr)", "\\input(b.vdr)", "** \\inputのエラー"}));
  // The same file twice in a row is no loop.
  Strings lines;
  EXPECT_EQ(std::get<0>(run({"\\input{twice}\\input{twice}"}, &lines)), 0);
  EXPECT_EQ(lines, (Strings{"", "t", "", "t", ""}));
}

TEST(MainPass, IncludeDepthIsCapped) {
  TempDir d;
  for (int i = 0; i < 40; ++i)
    writeSjis(d.file("n" + std::to_string(i) + ".vdr"), "\\input{n" + std::to_string(i + 1) + "}\n");
  writeSjis(d.file("n40.vdr"), "end\n");
  Harness h({"\\input{n0}"});
  h.st.documentDir = d.path();
  const vel::ReformFailure failure = vel::ReformProc(h.st);
  EXPECT_EQ(failure.code, vel::ReformCode::SyntaxError);
  EXPECT_EQ(failure.line, vel::kMaxInputDepth);
  EXPECT_EQ(h.log().back(), "** \\inputのエラー");
}

TEST(GroupPass, MarkersReplaceTheBraces) {
  EXPECT_EQ(Reformed({"\\group{a\\lengroup{b}c}\\valgroup{", "d}"}),
            (Strings{"\\group\\x01a\\lengroup\\x01b\\lengroup\\x02c\\group\\x02\\valgroup\\x01", "d\\valgroup\\x02"}));
  // A brace on the next line still makes one marker name.
  EXPECT_EQ(Reformed({"\\group", "{x}"}), (Strings{"\\group\\x01", "x\\group\\x02"}));
  int code = 0;
  Strings log;
  Reformed({"ok", "\\valgroup{x"}, &code, &log);
  EXPECT_EQ(code, -1);
  EXPECT_EQ(log.back(), "** \\valgroupのエラー");
}

TEST(MathPass, CutTable) {
  EXPECT_EQ(vel::GetCutStr(0, AtomClass::Ordinary, AtomClass::Binary), "$\\,$");
  EXPECT_EQ(vel::GetCutStr(0, AtomClass::Space, AtomClass::Relation), "$\\/$");
  EXPECT_EQ(vel::GetCutStr(0, AtomClass::UnarySign, AtomClass::Opening), "$\\<$");
  EXPECT_EQ(vel::GetCutStr(0, AtomClass::Start, AtomClass::Relation), "");
  EXPECT_EQ(vel::GetCutStr(14, AtomClass::Binary, AtomClass::Ordinary), "$\\,$\\\x0E");
  EXPECT_EQ(vel::GetCutStr(16, AtomClass::Binary, AtomClass::Ordinary), "");
}

TEST(MathPass, InlineFormulasAreSplit) {
  EXPECT_EQ(Reformed({"$a+b=c$ and $-x$"}), (Strings{"$a$\\,$+$\\,$b$\\>$=$\\>$c$ and $-$\\<$x$"}));
  EXPECT_EQ(Reformed({"$\\small a+b$"}), (Strings{"$\\small a+b$"}));
  EXPECT_EQ(Reformed({"$\\Normal a+b$"}), (Strings{"$\\Normal a$\\,$\\\\x0E+$\\,$\\\\x0Eb$"}));
  EXPECT_EQ(Reformed({"$f(x), \\left( y \\right)-z \\not= {p+q}+\\,\\hskip{1mm}w$"}),
            (Strings{"$f(x), \\left( y \\right)$\\,$-$\\,$z $\\>$\\not= $\\>${p+q}$\\,$+$\\/$\\,\\hskip{1mm}w$"}));
  EXPECT_EQ(Reformed({"$a", "+b$ c"}), (Strings{"$a$\\,$+$\\,$b$", " c"}));
  // Commands take the class of their symbol number: relations, binary
  // operators, spaces; names that are no symbol stay ordinary.
  EXPECT_EQ(Reformed({"$a\\leq b\\times c\\,d\\foo e$"}),
            (Strings{"$a$\\>$\\leq $\\>$b$\\,$\\times $\\,$c\\,d\\foo e$"}));
  EXPECT_EQ(Reformed({"$$a+b$$ $$$c", "=d$$$"}), (Strings{"$$a+b$$ $$$c", "=d$$$"}));
}

TEST(MathPass, MalformedAndUnclosedFormulas) {
  struct Case {
    Strings src;
    int code;
    int line;
    Strings log;
  };
  const std::vector<Case> cases = {
      {{"x", "$a+b"}, -3, 1, {"処理済みカラム数", "** 数式($…$)が閉じていません。", "** 数式のエラー"}},
      {{"$$a"}, -3, 0, {"処理済みカラム数", "** 数式($$…$$)が閉じていません。", "** 数式のエラー"}},
      {{"$$$a$$"}, -3, 0, {"処理済みカラム数", "** 数式($$$…$$$)が閉じていません。", "** 数式のエラー"}},
      {{"$\\表$"}, -1, 0, {"処理済みカラム数", "** 日本語コマンド名のエラー"}},
      {{"$\\left( a$"}, -1, 0, {"処理済みカラム数", "** \\leftのエラー"}},
      {{"$\\hskip a$"}, -1, 0, {"処理済みカラム数", "** \\hskipのエラー"}},
      {{"$\\alpha {a$"}, -1, 0, {"処理済みカラム数", "** \\alphaのエラー"}},
  };
  for (const Case& c : cases) {
    Harness h(c.src);
    const vel::ReformFailure failure = vel::ReformProc(h.st);
    EXPECT_EQ(vel::ToInt(failure.code), c.code) << c.src.back();
    EXPECT_EQ(failure.line, c.line) << c.src.back();
    EXPECT_EQ(h.log(), c.log) << c.src.back();
  }
}

TEST(SecondPass, KeptLinesAreNotProcessedAgain) {
  // Lines of the first pass are marked beside the text; new lines are
  // processed fully.
  TempDir d;
  writeSjis(d.file("veldris.vdr"), "\\def\\dots#1{[#1]} // macro\n");
  Harness h({"\\input{veldris}", "a\\ //\\ b $x$", "\\group{", "\\dots{c} // gone", "}\\newpage\\tableofcontents",
             "\\yen\\/alpha /* z */ $$y+1$"});
  vel::FitOrigins(h.st);
  for (size_t k : {1u, 5u}) h.st.origins.lines[k].preprocessed = true;
  h.st.documentDir = d.path();
  h.st.pre.contentsPassDone = true;
  ASSERT_TRUE(vel::ReformProc(h.st).ok());
  EXPECT_EQ(h.lines(), (Strings{"", " ", "", "a\\ //\\ b $x$", "\\group\\x01", "[c] ",
                                "\\group\\x02\\newpage\\tableofcontents", "\\yen\\/alpha /* z */ $$y+1$"}));
  EXPECT_EQ(h.origins(), (Strings{"doc:1", "veldris.vdr:1", "doc:1", "doc:2*", "doc:3", "doc:4", "doc:5", "doc:6*"}));
  EXPECT_FALSE(h.st.pre.contentsRequested);  // no special rewrites in this pass
}

TEST(FigureFunctions, AreCollectedAndRemoved) {
  Harness h({"a\\velfunc\\sq#1{#1*#1}b", "\\velfunc\\bad #1{x}"});
  const vel::ReformFailure failure = vel::ReformProc(h.st);
  EXPECT_EQ(failure.code, vel::ReformCode::SyntaxError);
  EXPECT_EQ(failure.line, 1);
  EXPECT_EQ(h.log().back(), "** \\velfuncのエラー");
  ASSERT_EQ(h.st.pre.figureFunctionList.Count(), 1);
  EXPECT_EQ(h.st.pre.figureFunctionList[0].name, "sq");
  EXPECT_EQ(h.st.pre.figureFunctionList[0].value, (vel::MacroDef{1, "#1*#1"}));
  EXPECT_EQ(h.lines()[0], "ab");
}
