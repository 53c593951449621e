// The preamble: papers, the geometry derived from the preamble commands,
// their errors, the full-page region and the texts of the
// table-of-contents pass.
#include <gtest/gtest.h>

#include "Harness.h"
#include "frontend/Preamble.h"
#include "frontend/Values.h"
#include "driver/Engine.h"
#include "frontend/Reform.h"

using namespace veltest;

namespace {
// Runs SetDefaultVariable and ReadBasicVariable; false when the preamble failed.
bool ReadPreamble(Harness& h) {
  vel::SetDefaultVariable(h.st);
  return vel::ReadBasicVariable(h.st, vel::ApplyDocumentStyleFont);
}
std::pair<double, double> Paper(const std::string& name) {
  Harness h;
  vel::SetPaper(h.st, name);
  return {h.st.geo.paperWidthMM, h.st.geo.paperHeightMM};
}
using WH = std::pair<double, double>;
}  // namespace

TEST(Preamble, PaperNames) {
  EXPECT_EQ(Paper("a4t"), WH(210, 297));
  EXPECT_EQ(Paper("a4y"), WH(297, 210));
  EXPECT_EQ(Paper("a4"), WH(297, 210));  // the last character is "4", not "t"
  EXPECT_EQ(Paper("a3t"), WH(297, 420));
  EXPECT_EQ(Paper("a5t"), WH(148.5, 210));
  EXPECT_EQ(Paper("a6y"), WH(148.5, 105));
  EXPECT_EQ(Paper("a6"), WH(297, 210));  // no number before the last character: A4
  EXPECT_EQ(Paper("a9t"), WH(210, 297));
  EXPECT_EQ(Paper("b4t"), WH(257, 364));
  EXPECT_EQ(Paper("b5"), WH(257, 182));
  EXPECT_EQ(Paper("b6t"), WH(128.5, 182));
  EXPECT_EQ(Paper("b7y"), WH(128.5, 91));
  EXPECT_EQ(Paper("bt"), WH(182, 257));
  EXPECT_EQ(Paper("ht"), WH(100, 148));
  EXPECT_EQ(Paper("h"), WH(148, 100));
  EXPECT_EQ(Paper("letter"), WH(182, 257));
  EXPECT_EQ(Paper(""), WH(182, 257));
  EXPECT_EQ(Paper("papersize(500,10)"), WH(420, 20));
  EXPECT_EQ(Paper("papersize(100+50, 2*60)"), WH(150, 120));
  EXPECT_EQ(Paper("papersize(100)"), WH(182, 257));
}

TEST(Preamble, FullRegionFollowsTheOutputResolution) {
  Harness h;
  h.st.draw.deviceDpi = 96;
  h.st.draw.zoom = 2;
  vel::SetPaper(h.st, "a4t");
  const auto& n = h.st.geo.fullRegion->node();
  EXPECT_EQ(std::make_tuple(n.left, n.top, n.right, n.bottom), std::make_tuple(0, 0, 1587, 2245));
  h.st.draw.printing = true;  // the printer has no zoom
  h.st.draw.deviceDpi = 600;
  vel::CreateFullRgn(h.st);
  EXPECT_EQ(h.st.geo.fullRegion->node().right, 4960);
  EXPECT_EQ(h.st.geo.fullRegion->node().bottom, 7015);
}

TEST(Preamble, CommandsAndDerivedGeometry) {
  Harness h({"\\documentstyle{12, A4T}", "\\column{3}\\columnsep{5mm,8mm}\\columnrule{1mm}",
             "\\pageperpaper{2}\\titlepagenum{3}", "\\topmargin{2cm}\\leftmargin{1inch} text \\bf x",
             "\\footnotemark{num}\\begindocument body"});
  ASSERT_TRUE(ReadPreamble(h));
  EXPECT_EQ(h.lines(), (Strings{"", "", "", " text \\bf x", " body"}));
  const vel::Geometry& g = h.st.geo;
  EXPECT_EQ(WH(g.paperWidthMM, g.paperHeightMM), WH(210, 297));
  EXPECT_EQ(g.columnsPerSheet, 3);
  EXPECT_EQ(g.columnsPerPage, 3);  // an odd column count stays on one page
  EXPECT_EQ(g.columnSep, (std::array<int, 3>{3937, 3937, 6299}));
  EXPECT_EQ(g.columnRule, (std::array<int, 3>{787, 0, 0}));
  EXPECT_EQ(g.pagesPerSheet, 2);
  EXPECT_EQ(g.titlePageNum, 3);
  EXPECT_EQ(g.topMargin, 15748);
  EXPECT_EQ(g.columnWidth, (165354 - 20000 - 20000 - 2 * 3937) / 3);
  EXPECT_EQ(g.pageWidth, 3 * g.columnWidth + 2 * 3937);
  EXPECT_EQ(g.paperHeight, 233858);
  EXPECT_EQ(g.columnHeight, 233858 - 15748 - 20000);
  EXPECT_EQ(h.st.geo.baseFontSizeText, "12");
  EXPECT_EQ(h.st.font.baseSize, 24000);
  EXPECT_EQ(h.st.chr.fontSize, 24000);
  const vel::State& st = h.st;
  for (const auto& [name, v] : std::vector<std::pair<const char*, int>>{
           {"topmargin", 15748}, {"leftmargin", 20000}, {"rightmargin", 20000}, {"columnwidth", g.columnWidth},
           {"linewidth", g.columnWidth}, {"pagewidth", g.pageWidth}, {"columnheight", g.columnHeight},
           {"lineskip", 1574}, {"tablecolsep", 787}, {"topbottomboxsep", 3937}, {"hpos", 0},
           {"doccharheight", static_cast<int>(st.font.docCharHeight)},
           {"mathindent", static_cast<int>(2 * st.font.charHeight)},
           {"matrixrowsep", static_cast<int>(0.3 * st.font.charHeight)}})
    EXPECT_EQ(vel::LengthOf(st, name, -1), v) << name;
  EXPECT_GT(st.font.docCharHeight, 0);
}

TEST(Preamble, ColumnsPerPageAndInheritedPaper) {
  Harness h({"\\column{4}\\pageperpaper{2}\\columnsep{3mm,1mm,2mm,9mm}\\begindocument"});
  h.st.geo.paperWidthMM = 300;  // the paper of the previous run
  h.st.geo.paperHeightMM = 100;
  ASSERT_TRUE(ReadPreamble(h));
  EXPECT_EQ(WH(h.st.geo.paperWidthMM, h.st.geo.paperHeightMM), WH(300, 100));
  EXPECT_EQ(h.st.geo.columnsPerPage, 2);
  EXPECT_EQ(h.st.geo.columnSep, (std::array<int, 3>{2362, 787, 2362}));
  EXPECT_EQ(h.st.geo.baseFontSizeText, "10.5");
  EXPECT_EQ(h.st.chr.fontSize, 21000);
}

TEST(Preamble, TheEngineKeepsThePaperOfTheLastRun) {
  vel::FakeCanvas canvas;
  vel::MemoHost host;
  vel::Engine e(host, canvas);
  EXPECT_EQ(WH(e.paperWidthMM, e.paperHeightMM), WH(182, 257));  // "b5t" at start
  e.source = {"\\documentstyle{10, a4y}", "\\begindocument"};
  ASSERT_EQ(e.TextDraw(1), vel::RunStatus::Done);
  e.source = {"\\begindocument"};
  ASSERT_EQ(e.TextDraw(1), vel::RunStatus::Done);
  EXPECT_EQ(WH(e.state()->geo.paperWidthMM, e.state()->geo.paperHeightMM), WH(297, 210));
}

TEST(Preamble, ErrorsStopWithTheCommandAndLine) {
  struct Case {
    Strings src;
    Strings log;
  };
  const std::vector<Case> cases = {
      {{"x", "\\column 2", "\\begindocument"}, {"** \\columnコマンドのエラー", "** 文法エラー(2行目)", "\\column 2"}},
      {{"\\column{0}\\begindocument"}, {"** \\columnコマンドのエラー", "** 文法エラー(1行目)", "\\column{0}\\begindocument"}},
      {{"\\column{5}"}, {"** \\columnコマンドのエラー", "** 文法エラー(1行目)", "\\column{5}"}},
      {{"\\documentstyle{12}"}, {"** \\documentstyleコマンドのエラー", "** 文法エラー(1行目)", "\\documentstyle{12}"}},
      {{"\\topmargin{2", "cm}"}, {"** \\topmarginコマンドのエラー", "** 文法エラー(1行目)", "\\topmargin{2"}},
      {{"\\leftmargin{3cm"}, {"** \\leftmarginコマンドのエラー", "** 文法エラー(1行目)", "\\leftmargin{3cm"}},
      {{"\\footnotemark"}, {"** \\footnotemarkコマンドのエラー", "** 文法エラー(1行目)", "\\footnotemark"}},
      {{"text only"}, {"** エラー(\\begindocument がありません。)"}},
  };
  for (const Case& c : cases) {
    Harness h(c.src);
    EXPECT_FALSE(ReadPreamble(h)) << c.src[0];
    EXPECT_EQ(h.log(), c.log) << c.src[0];
  }
}

TEST(ContentsPass, FrontMatterAndTheSecondPassSource) {
  Harness h({"\\documentstyle{10.5,a4t} // c", "\\def\\t{TOC}", "\\begindocument Title", "front $a+b$ \\t",
             "\\tableofcontents after", "\\beginsource", "x // y", "\\endsource"});
  h.settings.inputDirs = {sourceDir() + "/data/input"};
  ASSERT_TRUE(vel::ReformProc(h.st).ok());
  ASSERT_TRUE(h.st.pre.contentsRequested);
  vel::SaveBeforeBeginDocument(h.st);
  ASSERT_TRUE(ReadPreamble(h));
  const vel::PreprocState& pre = h.st.pre;
  auto utf8 = [](const vel::Lines& ls) {
    Strings out;
    for (const auto& l : ls) out.push_back(vel::toLogUtf8(l));
    return out;
  };
  const Strings preamble{"\\input{veldris}", "\\documentstyle{10.5,a4t} ", "", "\\begindocument "};
  EXPECT_EQ(utf8(pre.preambleLines), preamble);
  Strings contents = preamble;
  for (const char* l : {"\\group{", " Title", "front $a$\\,$+$\\,$b$ TOC", ""}) contents.push_back(l);
  EXPECT_EQ(utf8(pre.contentsLines), contents);
  EXPECT_EQ(pre.frontMatterEnd, 8);
  const Strings after{"after", "\\group\\x01\\Fontname{ＭＳ 明朝}", "\\\\", "x\\ //\\ y", "\\\\", "\\group\\x02"};
  EXPECT_EQ(utf8(pre.afterContentsLines), after);
  Strings firstPass{" ", "", "", "", ""};
  firstPass.insert(firstPass.end(), after.begin(), after.end());
  EXPECT_EQ(h.lines(), firstPass);
  // The rest of the \tableofcontents line is a line of its own: later
  // lines keep their numbers.
  EXPECT_EQ(h.origins(), (Strings{"doc:1", "doc:2", "doc:3", "doc:4", "doc:5", "doc:5", "doc:6", "doc:7", "doc:7",
                                  "doc:8", "doc:8"}));

  // The second pass: an entry made by the first, then everything again.
  h.st.pre.contentsLines.push_back("\\dotsfillrightline{3}");
  vel::AddContents(h.st);
  h.st.pre.contentsPassDone = true;
  h.host.showMessages();
  ASSERT_TRUE(vel::ReformProc(h.st).ok());
  EXPECT_EQ(h.log(), (Strings{"\\input(veldris.vdr)", "処理済みカラム数"}));
  Strings out = h.lines();
  const Strings tail{"\\documentstyle{10.5,a4t} ", "", "\\begindocument ", "\\group\\x01", " Title",
                     "front $a$\\,$+$\\,$b$ TOC", "", "$\\dotsfilllast{3}$", "\\group\\x02\\newpage\\tableofcontents",
                     "after", "\\group\\x01\\Fontname{ＭＳ 明朝}", "\\\\", "x\\ //\\ y", "\\\\", "\\group\\x02"};
  ASSERT_GT(out.size(), tail.size());
  EXPECT_EQ(Strings(out.end() - static_cast<std::ptrdiff_t>(tail.size()), out.end()), tail);
  // Each line where the author wrote it; what the contents pass wrote
  // (the group, the entry, its close) at the \tableofcontents line.
  const Strings origins = h.origins();
  EXPECT_EQ(Strings(origins.end() - static_cast<std::ptrdiff_t>(tail.size()), origins.end()),
            (Strings{"doc:1*", "doc:2*", "doc:3*", "doc:5*", "doc:3*", "doc:4*", "doc:5*", "doc:5*", "doc:5*", "doc:5*",
                     "doc:6*", "doc:7*", "doc:7*", "doc:8*", "doc:8*"}));
  // The input file brings definitions only.
  for (size_t i = 0; i + tail.size() < out.size(); ++i) EXPECT_EQ(out[i].find_first_not_of(' '), std::string::npos) << out[i];
  ASSERT_TRUE(ReadPreamble(h));
}

TEST(ContentsPass, WithoutTableOfContentsAfterBeginDocument) {
  Harness h({"\\tableofcontents", "\\begindocument a", "b"});
  h.st.pre.contentsRequested = true;
  vel::SaveBeforeBeginDocument(h.st);
  ASSERT_TRUE(ReadPreamble(h));
  EXPECT_EQ(h.lines(), (Strings{"\\tableofcontents", " a", "b"}));
  EXPECT_EQ(h.st.pre.contentsLines.size(), 4u);
  EXPECT_EQ(h.st.pre.afterContentsLines, (vel::Lines{" a", "b"}));
}
