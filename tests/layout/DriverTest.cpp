// The driver: report texts byte for byte, the second-pass source, and the
// guards around stale line indexes.
#include <gtest/gtest.h>

#include "StateFixture.h"
#include "TestSupport.h"
#include "base/Cp932.h"
#include "canvas/FakeCanvas.h"
#include "driver/Engine.h"
#include "state/Reports.h"
#include "base/InBand.h"
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
  st.pre.contentsLines.push_back("\\beginitem{0,2ch}");
  st.pre.contentsLines.push_back("\\item{1}...");
  st.pre.contentsLevel = 0;
  st.pre.afterContentsLines = {"after", "http://x"};
  AddContents(st);
  const std::string m(1, vel::inband::kPreprocessedLineMark);
  EXPECT_EQ(st.sourceLines, (Lines{"\\input{veldris}", m + "\\documentstyle{10.5,a4t}", m + "\\begindocument", "\\group{",
                                   m + "front // matter", "\\beginitem{0,2ch}", "\\item{1}...", "\\enditem",
                                   "}\\newpage\\tableofcontents", m + "after", m + "http://x"}));
}
