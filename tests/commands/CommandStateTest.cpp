// The state the commands change, checked on the state itself: what drawing
// and replaying re-apply (and what replaying must leave alone), group
// snapshots and the length and value groups, paragraph commands refused in
// boxes, the header walk, contents entries and their nesting, counters,
// skips, items and headings, and the queued head of the next column.
#include <gtest/gtest.h>

#include "StateFixture.h"
#include "TestSupport.h"
#include "base/Cp932.h"
#include "canvas/FakeCanvas.h"
#include "frontend/Calc.h"
#include "frontend/Values.h"
#include "layout/commands/Commands.h"
#include "layout/fonts/Fonts.h"
#include "layout/lines/WordLine.h"

using namespace vel;
using veltest::sj;

namespace {

constexpr int kEm = 2916;  // 10.5 points in layout units

// Words and lines of running text on fixed metrics.
struct Words : veltest::StateFixture {
  int result = 0;

  explicit Words(int columnChars = 40, int columnLines = 1000) { body(columnChars * kEm, columnLines * kEm); }
  // CP932 lines (group markers written as preprocessing writes them).
  Words& lines(std::vector<std::string> src) {
    st.sourceLines = std::move(src);
    result = veltest::ValueOrCode(MakeWordLineList(st, st.sourceLines, st.wordList, true, st.lineList, st.wordTextList));
    return *this;
  }
  Words& run(const std::string& utf8) { return lines({sj(utf8)}); }
  // Re-applies every command word, as drawing (draw) or replaying does.
  void replayAll(bool draw) {
    for (size_t i = 0; i < st.wordList.size(); ++i) {
      std::string t(st.wordTextList[i]);
      ReplayCommandWord(st, st.wordList[i], t, draw);
      st.wordTextList.set(i, t);
    }
  }
  std::vector<WordInfo> ofKind(int kind) const {
    std::vector<WordInfo> out;
    for (const WordInfo& w : st.wordList)
      if (w.kind == kind) out.push_back(w);
    return out;
  }
};

const std::string kOpen = std::string("\\group") + '\x01';
const std::string kClose = std::string("\\group") + '\x02';
const std::string kLenOpen = std::string("\\lengroup") + '\x01';
const std::string kLenClose = std::string("\\lengroup") + '\x02';
const std::string kValOpen = std::string("\\valgroup") + '\x01';
const std::string kValClose = std::string("\\valgroup") + '\x02';

// Executes one command by name outside the line builder: its code, and
// its outcome when it succeeds.
int execute(State& st, const std::string& name, const std::string& arg, bool hasArg, const CommandContext& ctx,
            CommandOutcome* out = nullptr) {
  Result<CommandOutcome> r = veltest::RunCommand(st, name, arg, hasArg, ctx);
  if (r && out) *out = r.value();
  return veltest::CodeOf(r);
}

}  // namespace

TEST(Replay, DrawingReappliesSettingsAndReplayOnlyWhatStepsCounters) {
  Words w;
  w.run("\\valA{2}\\pvalB{3}\\setcounter{5,7}\\boldmath\\alnumfontmode{1}\\lineskip{3mm}\\fontsize{20}"
        "\\rulewidth{1mm}\\deflength{\\q}\\q{1cm}\\toval{1cm,4cm}\\beginitem\\item a\\item b\\enditem"
        "\\beginitem\\item c\\enditem\\chapter{4&x}\\section{4.1&y}\\tablesep{2mm}\\matrixrowsep{1mm}");
  ASSERT_EQ(w.result, w.st.col.textHeight);
  const State after = w.st;
  EXPECT_EQ(after.val.registers[0], 2);
  EXPECT_EQ(after.val.registers[53], 3);
  EXPECT_EQ(after.val.registers[75], 0.25);
  EXPECT_EQ(after.val.counters[5], 7);
  EXPECT_EQ(after.val.counters[91], 1);  // the second list counted afresh

  // Back to a cleared state, then replay without drawing.
  auto reset = [&] {
    w.st.val.registers.fill(0);
    w.st.val.counters.fill(0);
    w.st.chr.boldMath = false;
    w.st.chr.alnumFontMode = 0;
    w.st.para.lineSkip = 1574;
    w.st.chr.ruleWidth = 157;
    w.st.chr.tableColSep = 787;
    w.st.chr.matrixRowSep = 0;
    w.st.chr.fontSize = 21000;
    SetUserLength(w.st, "q", 0);
  };
  reset();
  w.replayAll(false);
  EXPECT_EQ(w.st.val.registers[0], 2);
  EXPECT_EQ(w.st.val.registers[53], 3);
  EXPECT_EQ(w.st.val.registers[75], 0);  // \toval only when drawing
  EXPECT_EQ(w.st.val.counters[5], 7);
  // Items and headings step their counters (\beginitem's reset is no
  // command word to replay: three items counted).
  EXPECT_EQ(w.st.val.counters[91], 3);
  EXPECT_EQ(w.st.val.counters[87], 1);
  EXPECT_EQ(w.st.val.counters[88], 1);
  EXPECT_TRUE(w.st.chr.boldMath);
  EXPECT_EQ(w.st.chr.alnumFontMode, 1);
  EXPECT_EQ(w.st.para.lineSkip, 1574);
  EXPECT_EQ(w.st.chr.ruleWidth, 157);
  EXPECT_EQ(w.st.chr.tableColSep, 787);
  EXPECT_EQ(w.st.chr.matrixRowSep, 0);
  EXPECT_EQ(w.st.chr.fontSize, 21000);
  EXPECT_EQ(UserLengthOf(w.st, "q"), 0);

  reset();
  w.replayAll(true);
  // Drawing gives items and headings the layout's values.
  EXPECT_EQ(w.st.val.counters[91], 1);
  EXPECT_EQ(w.st.val.counters[87], 1);
  EXPECT_EQ(w.st.val.counters[88], 1);
  EXPECT_EQ(w.st.val.registers[75], 0.25);
  EXPECT_EQ(w.st.para.lineSkip, after.para.lineSkip);
  EXPECT_EQ(w.st.chr.ruleWidth, after.chr.ruleWidth);
  EXPECT_EQ(w.st.chr.tableColSep, 1574);
  EXPECT_EQ(w.st.chr.matrixRowSep, 787);
  EXPECT_EQ(w.st.chr.fontSize, 40000);
  EXPECT_EQ(UserLengthOf(w.st, "q"), 7874);
  // The layout's word texts are never changed by drawing.
  EXPECT_EQ(w.st.wordTextList, after.wordTextList);
}

TEST(Groups, CloseRestoresTheOpeningStateAndDrawingDoesTheSame) {
  Words w;
  w.lines({kOpen + "\\fontsize{20}\\rulewidth{1mm}a" + kClose + "b"});
  ASSERT_GE(w.result, 0);
  EXPECT_EQ(w.st.chr.fontSize, 21000);
  EXPECT_EQ(w.st.chr.ruleWidth, 157);
  auto open = w.ofKind(cmd::Inert);
  auto close = w.ofKind(cmd::GroupMark);
  ASSERT_EQ(close.size(), 1u);
  EXPECT_EQ(close[0].subType, 2);
  ASSERT_EQ(w.st.groupInfoList.size(), 1u);
  EXPECT_EQ(close[0].value, 0);
  EXPECT_EQ(w.st.groupInfoList[0].chr.fontSize, 21000);
  EXPECT_EQ(w.st.groupInfoList[0].chr.ruleWidth, 157);
  EXPECT_TRUE(w.st.groupVariablesList.empty());

  // Drawing replays the words in the group, then the close restores.
  w.replayAll(true);
  EXPECT_EQ(w.st.chr.fontSize, 21000);
  EXPECT_EQ(w.st.chr.ruleWidth, 157);
  EXPECT_EQ(LengthOf(w.st, "rulewidth"), 157);
}

TEST(Groups, AClosingMarkWithoutItsOpeningIsAnError) {
  Words w;
  w.lines({"a" + kClose});
  EXPECT_EQ(w.result, -1);
}

TEST(Groups, LengthAndValueGroupsRestoreWhatTheyCover) {
  Words w;
  w.lines({"\\deflength{\\q}\\q{1cm}\\valA{1}" + kLenOpen + "\\q{2cm}" + kLenClose + kValOpen + "\\valA{5}\\setcounter{2,9}" +
         kValClose});
  ASSERT_GE(w.result, 0);
  EXPECT_EQ(UserLengthOf(w.st, "q"), 7874);
  EXPECT_EQ(w.st.val.registers[0], 1);
  EXPECT_EQ(w.st.val.counters[2], 9);  // counters are no group variables
  auto marks = w.ofKind(cmd::GroupMark);
  ASSERT_EQ(marks.size(), 4u);
  EXPECT_EQ(marks[1].subType, 4);
  EXPECT_EQ(marks[1].value, 0);
  ASSERT_EQ(w.st.val.lengthRestoredList.size(), 1u);

  // Drawing: the length group's close takes the copy its word names.
  SetUserLength(w.st, "q", 123);
  w.replayAll(true);
  EXPECT_EQ(UserLengthOf(w.st, "q"), 7874);
  EXPECT_EQ(w.st.val.registers[0], 1);
}

TEST(Boxes, ParagraphCommandsAreRefusedInsideABox) {
  Words w;
  CommandContext box;
  box.insideBox = true;
  box.mainText = false;
  const std::pair<const char*, const char*> refused[] = {
      {"\\", ""},          {"cr", ""},          {"p", ""},           {"crr", ""},
      {"lineskip", "1mm"}, {"parskip", "1mm"},  {"newpage", ""},     {"newcolumn", ""},
      {"newpaper", ""},    {"leftindent", "1"}, {"parindent", "1"},  {"noindent", ""},
      {"mathindent", "1"}, {"mathrightindent", "1"}, {"beginitem", ""}, {"enditem", ""},
      {"item", ""},        {"pageBGcolor", "red"}, {"columnBGimage", "a.bmp"}, {"centerline", "a"},
      {"rightline", "a"},  {"headofnextcolumn", "a"},
  };
  for (const auto& [name, arg] : refused)
    EXPECT_EQ(execute(w.st, name, arg, *arg != 0, box), -2) << name;
  // Settings are fine inside a box.
  for (const char* name : {"fontsize", "mathkakkomode", "inlinemathmode", "rulewidth", "tablesep"})
    EXPECT_EQ(execute(w.st, name, "1", true, box), 0) << name;

  // In a mini page page breaks are refused, and with an argument too.
  CommandContext mini;
  mini.mainText = false;
  EXPECT_EQ(execute(w.st, "newpage", "", false, mini), -2);
  CommandContext main;
  EXPECT_EQ(execute(w.st, "newpage", "x", true, main), -10);
}

TEST(Headers, SubCommandsAreStoredAsWritten) {
  Words w;
  CommandContext ctx;
  ASSERT_EQ(execute(w.st, "oddpageheader", "text \\left{\\chapterstr}x\\right{p.\\pagenum}\\line{0}", true, ctx), 0);
  const HeadFoot& h = w.st.geo.header[1];
  EXPECT_TRUE(h.defined);
  EXPECT_FALSE(w.st.geo.header[0].defined);
  EXPECT_EQ(h.left, "\\chapterstr");
  EXPECT_EQ(h.right, "p.\\pagenum");
  EXPECT_EQ(h.center, "");
  EXPECT_EQ(h.ruleWidth, 138);  // below one layout unit: 1/144 inch
  ASSERT_EQ(execute(w.st, "evenpagefooter", "\\line{1mm}\\center{" + sj("中") + "}", true, ctx), 0);
  EXPECT_EQ(w.st.geo.footer[0].ruleWidth, 787);
  EXPECT_EQ(w.st.geo.footer[0].center, sj("中"));

  // An unclosed sub-command group: -1, the sub-command named.
  const Result<CommandOutcome> unclosed = veltest::RunCommand(w.st, "oddpagefooter", "\\center{abc", true, ctx);
  EXPECT_EQ(unclosed.code(), LayoutCode::GroupNotClosed);
  EXPECT_EQ(unclosed.failure().name, "center");
  // A trail byte that looks like a brace is no brace.
  ASSERT_EQ(execute(w.st, "oddpagefooter", "\\left{" + sj("ソ表") + "}", true, ctx), 0);
  EXPECT_EQ(w.st.geo.footer[1].left, sj("ソ表"));
}

TEST(Headers, PageNumberAndHeadingsReplaceThemselvesInsideHeaders) {
  Words w;
  CommandContext ctx;
  ASSERT_EQ(execute(w.st, "chapter", "3&" + sj("序論"), true, ctx), 0);
  ASSERT_EQ(execute(w.st, "section", "3.1&" + sj("背景"), true, ctx), 0);
  w.st.cmd.inHeaderFooter = true;
  w.st.cmd.pageNumText = "iv";
  const std::pair<const char*, std::string> cases[] = {
      {"pagenum", "iv"}, {"chapternum", "3"}, {"chapterstr", sj("序論")}, {"sectionnum", "3.1"},
      {"sectionstr", sj("背景")}, {"subsectionnum", ""}, {"subsectionstr", ""},
  };
  for (const auto& [name, text] : cases) {
    CommandOutcome o;
    ASSERT_EQ(execute(w.st, name, "", false, ctx, &o), 0) << name;
    EXPECT_EQ(o.replacement, text) << name;
  }
  // Elsewhere the heading strings do nothing.
  w.st.cmd.inHeaderFooter = false;
  CommandOutcome o;
  ASSERT_EQ(execute(w.st, "chapterstr", "", false, ctx, &o), 0);
  EXPECT_FALSE(o.replacement);
}

TEST(Headings, CountersAndTexts) {
  Words w;
  w.run("\\section{0&pre}\\chapter{3&" + std::string("序論") + "}\\section{3.1&a}\\subsection{3.1.1&b}\\subsection{3.1.2&c}"
        "\\section{3.2&d}");
  ASSERT_GE(w.result, 0);
  const auto& c = w.st.val.counters;
  EXPECT_EQ(c[87], 1);
  EXPECT_EQ(c[88], 2);  // reset by \chapter, then two sections
  EXPECT_EQ(c[89], 0);  // reset by the last \section
  EXPECT_EQ(w.st.cmd.chapterNum, "3");
  EXPECT_EQ(w.st.cmd.chapterTitle, sj("序論"));
  EXPECT_EQ(w.st.cmd.sectionNum, "3.2");
  EXPECT_EQ(w.st.cmd.subsectionNum, "");
  EXPECT_EQ(w.st.cmd.subsectionTitle, "");
  // A heading without "&" has an empty title.
  Words v;
  v.run("\\chapter{7}");
  EXPECT_EQ(v.st.cmd.chapterNum, "7");
  EXPECT_EQ(v.st.cmd.chapterTitle, "");
}

TEST(Contents, EntriesWithTheirNestingAndPageNumbers) {
  State st;
  st.pre.contentsRequested = true;
  st.col.columnsMade = 3;
  st.geo.columnsPerPage = 2;
  st.geo.firstPageNum = 5;
  SetChapterList(st, 1, "1.1", "A");   // depth 0 -> 2
  SetChapterList(st, 0, "2", "B");     // 2 -> 1
  SetChapterList(st, 2, "2.0.1", "C"); // 1 -> 3
  SetChapterList(st, 2, "2.0.2", "D"); // same depth
  const std::string e = "\\group{\\fontsize{*1}\\dotsfillrightline{6}}";
  EXPECT_EQ(st.pre.contentsLines,
            (Lines{"\\beginitem{0,0}", "\\beginitem{0,2ch}",
                   "\\item{\\fontsize{*1.1}1.1}\\group{\\fontsize{*1.1}A}" + e, "\\enditem",
                   "\\item{\\fontsize{*1.2}2}\\group{\\fontsize{*1.2}B}" + e, "\\beginitem{0,0}", "\\beginitem{0,2ch}",
                   "\\item{\\fontsize{*1}2.0.1}\\group{\\fontsize{*1}C}" + e,
                   "\\item{\\fontsize{*1}2.0.2}\\group{\\fontsize{*1}D}" + e}));
  EXPECT_EQ(st.pre.contentsLevel, 2);

  // Only in the first pass of a document that asked for contents.
  State second = st;
  second.pre.contentsPassDone = true;
  SetChapterList(second, 0, "9", "Z");
  EXPECT_EQ(second.pre.contentsLines.size(), st.pre.contentsLines.size());
  State none;
  SetChapterList(none, 0, "9", "Z");
  EXPECT_TRUE(none.pre.contentsLines.empty());
}

TEST(Contents, TableOfContentsOnlyInTheSecondPass) {
  Words w;
  CommandContext ctx;
  EXPECT_EQ(execute(w.st, "tableofcontents", "", false, ctx), -10);
  w.st.pre.contentsRequested = w.st.pre.contentsPassDone = true;
  w.st.col.columnsMade = 5;
  w.st.geo.columnsPerPage = 2;
  EXPECT_EQ(execute(w.st, "tableofcontents", "x", true, ctx), -10);
  CommandContext box;
  box.insideBox = true;
  EXPECT_EQ(execute(w.st, "tableofcontents", "", false, box), -10);
  EXPECT_EQ(execute(w.st, "tableofcontents", "", false, ctx), 0);
  EXPECT_EQ(w.st.pre.frontMatterPages, 2);
}

TEST(Counters, SetCounterTruncatesAndIgnoresOtherIndexes) {
  Words w;
  w.run("\\setcounter{3.9, 7.9}\\setcounter{120,5}\\setcounter{-1,5}\\setcounter{99,-2.5}");
  ASSERT_GE(w.result, 0);
  std::array<int, 100> expected{};
  expected[3] = 7;
  expected[99] = -2;
  EXPECT_EQ(w.st.val.counters, expected);
}

TEST(Skips, LineSkipPublishesTheParagraphSkipUntilOneIsSet) {
  Words w;
  w.run("\\lineskip{3mm}");
  EXPECT_EQ(w.st.para.lineSkip, 2362);
  EXPECT_EQ(LengthOf(w.st, "parskip"), 2362);
  EXPECT_EQ(w.st.para.parSkip, 1574);  // the skip \p uses is not changed
  Words v;
  v.run("\\parskip{4mm}\\lineskip{3mm}");
  EXPECT_EQ(v.st.para.parSkip, 3149);
  EXPECT_EQ(LengthOf(v.st, "parskip"), 3149);
  EXPECT_EQ(LengthOf(v.st, "lineskip"), 2362);
}

TEST(Items, BulletAndAutomaticLabelWidth) {
  Words w;
  w.run("\\beginitem{1cm}\\item a\\item{(10)}b\\enditem");
  ASSERT_GE(w.result, 0);
  auto items = w.ofKind(cmd::Item);
  ASSERT_EQ(items.size(), 2u);
  size_t first = 0;
  while (w.st.wordList[first].kind != cmd::Item) ++first;
  EXPECT_EQ(w.st.wordTextList[first], "$\\bullet$");
  // The first label fixed the level's right edge: left edge + label + 0.5ch.
  // The item's word holds the label and the half character after it.
  const ItemLevel& lv = w.st.line.items[1];
  EXPECT_EQ(lv.leftEdge, 7874);
  EXPECT_EQ(lv.rightEdge, 7874 + (items[0].width - kEm / 2) + kEm / 2);
  EXPECT_EQ(items[1].value, 1);   // the level whose counter the item steps
  EXPECT_EQ(items[1].valueA, 2);  // and the value it gave it
}

TEST(Registers, ValuesAndStringFunctionsInsideBoxesToo) {
  Words w;
  CommandContext box;
  box.insideBox = true;
  box.mainText = false;
  ASSERT_EQ(execute(w.st, "valq", "2*3", true, box), 0);
  EXPECT_EQ(w.st.val.registers[26 + 16], 6);
  w.st.cmd.subType = 0;
  ASSERT_EQ(execute(w.st, "pvalZ", "1/4", true, box), 0);
  EXPECT_EQ(w.st.val.registers[77], 0.25);
  CommandOutcome o;
  ASSERT_EQ(execute(w.st, "strKannum", "\\valq*2", true, box, &o), 0);
  EXPECT_EQ(o.replacement, sj("一二"));
  ASSERT_EQ(execute(w.st, "strKannum", "0", true, box, &o), 0);
  EXPECT_EQ(o.replacement, "");
  ASSERT_EQ(execute(w.st, "strZennum", "1000000", true, box, &o), 0);
  EXPECT_EQ(o.replacement, "");
}

TEST(HeadOfNextColumn, QueuedTextIsTypesetOnce) {
  // Two lines per column. The command is met on the third line, which the
  // column break drops: the queued text heads the second column, set before
  // the dropped line's words, and its argument is typeset once.
  Words w(10, 2);
  w.st.geo.columnHeight = 2 * kEm + 1574;
  w.lines({sj("あいうえおかきくけこさしすせそたちつてとな\\headofnextcolumn{ヘッド}にぬねの")});
  ASSERT_GE(w.result, 0);
  std::string all;
  for (size_t i = 0; i < w.st.wordList.size(); ++i)
    if (w.st.wordList[i].kind == 0) all += w.st.wordTextList[i];
  EXPECT_EQ(cp932ToUtf8(all), "あいうえおかきくけこさしすせそたちつてとヘッドなにぬねの");
  ASSERT_GE(w.st.columnList.size(), 1u);
}
