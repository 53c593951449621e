// The driver: report texts byte for byte, the second-pass source, and the
// guards around stale line indexes.
#include <gtest/gtest.h>

#include "StateFixture.h"
#include "TestSupport.h"
#include "base/Cp932.h"
#include "canvas/FakeCanvas.h"
#include "driver/Engine.h"
#include "driver/MessageFold.h"
#include "state/Reports.h"
#include "driver/StandardSeams.h"

using namespace vel;
using veltest::sj;

namespace {
struct Fixture : veltest::StateFixture {
  Fixture() { st.sourceLines = {"line one", "line two \\bad", "three"}; }
  std::vector<std::string> utf8() const { return messages(); }
};
}  // namespace

TEST(Reports, CommandNameDecoration) {
  EXPECT_EQ(cp932ToUtf8(DecorateCommandName("foo")), "\\fooコマンド");
  EXPECT_EQ(cp932ToUtf8(DecorateCommandName("\\input")), "\\inputコマンド");
  EXPECT_EQ(cp932ToUtf8(DecorateCommandName(sj("日本語コマンド名"))), "日本語コマンド名");
  EXPECT_EQ(cp932ToUtf8(DecorateCommandName(sj("数式"))), "数式");
  EXPECT_EQ(cp932ToUtf8(DecorateCommandName("\\")), "\\\\コマンド");  // the forced line break
}

TEST(Reports, LayoutFailuresByteForByte) {
  const std::vector<std::pair<int, std::string>> cases = {
      {-1, "** } が閉じていません。(2行目)"},
      {-2, "** \\badコマンドは定義されていません。(2行目)"},
      {-3, "** \\badコマンドに引数がありません。(2行目)"},
      {-4, "** $が閉じていません。(2行目)"},
      {-5, "** 数式エラー(2行目)"},
      {-10, "** 文法エラー(2行目)"},
  };
  for (const auto& [code, text] : cases) {
    Fixture f;
    ReportLayoutFailure(f.st, Failure{AsLayoutCode(code), "bad", 1});
    EXPECT_EQ(f.utf8(), (std::vector<std::string>{text, "line two \\bad"})) << code;
  }
}

TEST(Reports, PreprocessingFailures) {
  Fixture f;
  ReportReformFailure(f.st, ReformCode::InputMissing, 1);
  EXPECT_EQ(f.utf8()[0],
            "** インプットファイルが存在しません(2行目)ファイル名が正しいかどうか，あるいは環境設定のインプットファイル用ディレクトリが設定されているかどうかを確認してください。");
  Fixture g;
  ReportReformFailure(g.st, ReformCode::MathNotClosed, 1);
  EXPECT_EQ(g.utf8()[0], "** 数式エラー(2行目)");
  Fixture h;
  ReportReformFailure(h.st, ReformCode::SyntaxError, 1);
  EXPECT_EQ(h.utf8()[0], "** 文法エラー(2行目)");
}

TEST(Reports, StaleLineIndexIsNeverRead) {
  Fixture f;
  AddFailingLine(f.st, 7);
  AddFailingLine(f.st, -1);
  EXPECT_TRUE(f.host.lines().empty());
}

TEST(Driver, EmptySourceWritesOnlyTheFileLine) {
  FakeCanvas canvas;
  MemoHost host;
  Engine e(host, canvas);
  e.documentPath = "/tmp/dir/empty.vdr";
  EXPECT_EQ(e.TextDraw(1), RunStatus::Empty);
  ASSERT_EQ(host.lines().size(), 1u);
  EXPECT_EQ(host.lines()[0], "VELDRIS (empty.vdr)");
  EXPECT_EQ(e.sheets, 0);
}

TEST(Driver, SecondPassSourceFromTheContents) {
  State st;
  st.pre.preambleLines = {"\\input{veldris}", "\\documentstyle{10.5,a4t}", "\\begindocument"};
  st.pre.contentsLines = st.pre.preambleLines;
  st.pre.contentsLines.push_back("\\group{");
  st.pre.contentsLines.push_back("front // matter");
  st.pre.frontMatterEnd = static_cast<int>(st.pre.contentsLines.size());
  const LineOrigin made{0, 3, false, true};  // "\\input{veldris}" and "\\group{"
  st.pre.contentsOrigins = {made, {0, 0}, {0, 1}, made, {0, 2}};
  st.pre.contentsOrigin = {0, 3};
  st.pre.contentsLines.push_back("\\beginitem{0,2ch}");
  st.pre.contentsLines.push_back("\\item{1}\\group\x01\\ http://x\\group\x02...");
  st.pre.contentsLevel = 0;
  st.pre.afterContentsLines = {"after", "http://x"};
  st.pre.afterContentsOrigins = {{0, 3}, {0, 4}};
  AddContents(st);
  EXPECT_EQ(st.sourceLines, (Lines{"\\input{veldris}", "\\documentstyle{10.5,a4t}", "\\begindocument", "\\group{",
                                   "front // matter", "\\beginitem{0,2ch}", "\\item{1}\\group\x01\\ http://x\\group\x02...",
                                   "\\enditem", "}\\newpage\\tableofcontents", "after", "http://x"}));
  // Only the "\input{veldris}" is new text; everything else, the entries
  // included, was preprocessed by the first pass. What the contents pass
  // wrote comes from the \tableofcontents line (4).
  std::vector<std::string> origins;
  for (const LineOrigin& o : st.origins.lines)
    origins.push_back(std::to_string(o.line + 1) + (o.preprocessed ? "*" : "") + (o.generated ? "g" : ""));
  EXPECT_EQ(origins, (std::vector<std::string>{"4g", "1*", "2*", "4*g", "3*", "4*g", "4*g", "4*g", "4*g", "4*", "5*"}));
}

TEST(Reports, LinesAreNamedByTheirFileAndLine) {
  Fixture f;
  f.st.origins.files = {{"a.vdr", "/d/a.vdr", {"one", "two \\bad"}, 0}, {"sub.vdr", "/d/sub.vdr", {"s1", "s2"}, 0}};
  f.st.origins.lines = {{0, 0}, {1, 1}, {0, 1}};
  const std::vector<std::tuple<int, std::string, std::string, std::string>> cases = {
      {0, "(1行目)", "one", "/d/a.vdr:1"}, {1, "(sub.vdr 2行目)", "s2", "/d/sub.vdr:2"}, {2, "(2行目)", "two \\bad", "/d/a.vdr:2"}};
  for (const auto& [index, number, echoed, where] : cases) {
    Fixture g;
    g.st.sourceLines = {"processed 1", "processed 2", "processed 3"};
    g.st.origins = f.st.origins;
    ReportLayoutFailure(g.st, Failure{LayoutCode::MathError, "", index});
    EXPECT_EQ(g.utf8(), (std::vector<std::string>{"** 数式エラー" + number, echoed})) << index;
    ASSERT_TRUE(g.st.error);
    EXPECT_EQ(g.st.error->path + ":" + std::to_string(g.st.error->line), where);
  }
  // A line grown past reason is cut where it is echoed.
  Fixture h;
  h.st.sourceLines = {std::string(1000, 'a')};
  AddFailingLine(h.st, 0);
  EXPECT_EQ(h.utf8(), (std::vector<std::string>{std::string(kEchoedLineMax, 'a') + "…"}));
}

TEST(Reports, NamesAreShownAsTheAuthorWroteThem) {
  Fixture f;
  f.st.box.boxLetterIndex[2] = 5;
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"\t  %", "** \\boxCコマンドのエラー"},  // the stored box 5, bound to C
      {"\t  &", "** \\boxコマンドのエラー"},   // a box no letter holds now
      {"group\x02", "** \\groupコマンドのエラー"},
      {"valgroup\x01", "** \\valgroupコマンドのエラー"},
      {"\x0E", "** \\Normalコマンドのエラー"},
      {"bad", "** \\badコマンドのエラー"},
  };
  for (const auto& [name, line] : cases) WriteCommandError(f.st, name);
  std::vector<std::string> expected;
  for (const auto& c : cases) expected.push_back(c.second);
  EXPECT_EQ(f.utf8(), expected);

  // Text quoted in a message, as it was written.
  const std::vector<std::pair<std::string, std::string>> texts = {
      {"a\\group\x01" "b\\p\\group\x02" "c", "a\\group{b\\p}c"},
      {"\\lengroup\x01\\valgroup\x01x\\valgroup\x02\\lengroup\x02", "\\lengroup{\\valgroup{x}}"},
      {"\x01x\x02 \\\t  %\\\t  & \\\x0F", "\\{x\\} \\boxC\\box \\normal"},
      {"\\\x07  !\\\\ \\groupe\x01", "\\minipage{...}\\\\ \\groupe\\{"},  // no mark after \groupe
      {sj("\\表\\x"), "\\表\\x"},
  };
  for (const auto& [text, shown] : texts) EXPECT_EQ(cp932ToUtf8(ShownText(f.st, text)), shown) << shown;
}

TEST(Reports, ARepeatedBlockOfErrorLinesIsWrittenOnceWithItsCount) {
  // Each case: the lines written, "|" between them, and what the window
  // shows.
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"** a|** b|** b|** b|** end|src", "** a|** b|** 同じ行があと2回続きます。|** end|src"},
      {"** a|** m|** c|** m|** c|** m|** c|** end", "** a|** m|** c|** 上の2行があと2回続きます。|** end"},
      {"** m|** c|** m|** x", "** m|** c|** m|** x"},  // a repetition that does not complete
      {"** m|** c|** m|** c|** m", "** m|** c|** 上の2行があと1回続きます。|** m"},
      {"** a|** a|x|** a", "** a|** 同じ行があと1回続きます。|x|** a"},  // the count ends at a progress line
      {"\\input(a)|\\input(a)", "\\input(a)|\\input(a)"},  // progress lines are never folded
  };
  auto split = [](const std::string& s) {
    std::vector<std::string> v;
    for (size_t a = 0;;) {
      const size_t b = s.find('|', a);
      v.push_back(s.substr(a, b - a));
      if (b == std::string::npos) return v;
      a = b + 1;
    }
  };
  for (const auto& [in, shown] : cases) {
    MemoHost host;
    RepeatFold fold(host);
    for (const std::string& l : split(in)) fold.addLine(utf8ToCp932(l));
    fold.flush();
    std::vector<std::string> out;
    for (const std::string& l : host.lines()) out.push_back(cp932ToUtf8(l));
    EXPECT_EQ(out, split(shown)) << in;
  }
}

TEST(Driver, ErrorsInBoxesAreReportedOnceAndAsWritten) {
  // The error lines between "処理済みカラム数" and the report of the line.
  const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
      {"\\box{\\box{\\box{\\box{\\box{\\framebox{\\style{q}a}}}}}}",
       {"** \\styleのエラー", "** \\frameboxコマンドのエラー", "** \\boxコマンドのエラー", "** 同じ行があと4回続きます。"}},
      {"\\framebox{a\\group{b\\p}}",
       {"** \\pコマンドのエラー", "** \\frameboxコマンドの記述エラー(a\\group{b\\p})", "** \\frameboxコマンドのエラー"}},
  };
  for (const auto& [body, errors] : cases) {
    FakeCanvas canvas;
    MemoHost host;
    Engine e(host, canvas);
    e.documentPath = "/tmp/none/a.vdr";
    e.source = {"\\documentstyle{10.5,a4t}", "\\begindocument", body};
    ASSERT_EQ(e.TextDraw(1), RunStatus::Stopped);
    std::vector<std::string> lines{"VELDRIS (a.vdr)", "処理済みカラム数"};
    lines.insert(lines.end(), errors.begin(), errors.end());
    lines.insert(lines.end(), {"** 文法エラー(3行目)", body});
    std::vector<std::string> shown;
    for (const std::string& l : host.lines()) shown.push_back(cp932ToUtf8(l));
    EXPECT_EQ(shown, lines) << body;
  }
}

TEST(Driver, TheSecondContentsPassKeepsMacrosAndFigureFunctions) {
  FakeCanvas canvas;
  MemoHost host;
  Engine e(host, canvas);
  e.programInputDir = veltest::sourceDir() + "/data/input";
  e.documentPath = "/tmp/none/a.vdr";
  e.source = {"\\def\\t{T}\\velfunc\\sq#1{#1*#1}", "\\def\\dotsfillrightline#1{<#1>}",
              "\\documentstyle{10.5,a4t}", "\\begindocument", "\\tableofcontents", "\\chapter{1&A}"};
  ASSERT_EQ(e.TextDraw(1), RunStatus::Done);
  const PreprocState& pre = e.state()->pre;
  ASSERT_TRUE(pre.contentsPassDone);
  ASSERT_EQ(pre.figureFunctionList.Count(), 1);
  EXPECT_EQ(pre.figureFunctionList[0].name, "sq");
  EXPECT_GE(pre.macroNameList.Find("t"), 0);
  // The author's definition of a name of veldris.vdr follows its inclusion
  // in the document: it wins in the second pass as in the first, and the
  // entry of the contents is made with it.
  const int own = pre.macroNameList.Find("dotsfillrightline");
  ASSERT_GE(own, 0);
  EXPECT_EQ(pre.macroNameList[own].value.body, "<#1>");
  bool entry = false;
  for (const std::string& l : e.state()->sourceLines) entry = entry || l.find("<1>") != std::string::npos;
  EXPECT_TRUE(entry);
}
