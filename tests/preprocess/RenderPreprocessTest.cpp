// Preprocessing and the preamble through veldris-render: the preprocessed
// source (--dump-source), the message log of every stopping error, and
// the paper in the layout dump.
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

#include "TestSupport.h"

using namespace veltest;

namespace {

struct Rendered {
  int exitCode;
  std::string log;
  std::vector<std::string> source;
  std::string err;
};

// Typesets `utf8` as d/name with d as the only input folder.
Rendered Render(const TempDir& d, const std::string& utf8, std::vector<std::string> extra = {},
                const std::string& name = "a.vdr") {
  writeSjis(d.file(name), utf8);
  std::vector<std::string> args{"--defaults", "--fake-metrics", "--input-dir", d.path(), "--dump-source", d.file("a.txt")};
  args.insert(args.end(), extra.begin(), extra.end());
  args.push_back(d.file(name));
  RunResult r = runRender(args);
  return {r.exitCode, r.out, splitLines(readFile(d.file("a.txt"))), r.err};
}

const std::string kHead = "\\documentstyle{10.5,a4t}\n\\begindocument\n";

}  // namespace

TEST(RenderPreprocess, SourceOfCommentsEscapesIncludesBlocksGroupsAndMath) {
  TempDir d;
  writeSjis(d.file("part.vdr"), "p1 // gone\np2 \\{x\\}\n");
  Rendered r = Render(d, kHead +
                             "a // c\n"
                             "b /* c\n"
                             "c */ d \\# \\$\n"
                             "\\input{dir\\part}tail\n"
                             "\\beginsource\n"
                             "$x$ // \\y\n"
                             "\\endsource\n"
                             "\\group{g\\valgroup{v}} $a=b$\n");
  EXPECT_EQ(r.source, (std::vector<std::string>{"", "", "a ", "b ", " d \\sharp\\/ \\dollar\\/", "", "p1 ",
                                                "p2 \\x01x\\x02", "tail", "\\group\\x01\\Fontname{ＭＳ 明朝}", "\\\\",
                                                "\\dollar\\/x\\dollar\\/\\ //\\ \\yen\\/y", "\\\\", "\\group\\x02",
                                                "\\group\\x01g\\valgroup\\x01v\\valgroup\\x02\\group\\x02 $a$\\>$=$\\>$b$"}));
  EXPECT_EQ(r.log.rfind("VELDRIS (a.vdr)\n\\input(part.vdr)\n処理済みカラム数\n", 0), 0u) << r.log;
}

TEST(RenderPreprocess, FormulasAreShownNormalised) {
  TempDir d;
  Rendered r = Render(d, kHead + "$$x^2_1 + \\sum_{i=1}^n f'(i)$$\n");
  ASSERT_EQ(r.exitCode, 0) << r.log;
  EXPECT_EQ(r.source.back(), "$$\\uplow{x}{2}{1} + \\under{\\over{\\sum}{n}}{i=1} \\uplow{f}{\\prime}{}(i)$$");
}

TEST(RenderPreprocess, SourceOfMacrosFootnotesAndDates) {
  TempDir d;
  Rendered r = Render(d,
                      "\\def\\x{first}\\def\\pair#1#2{#2-#1}\n"
                      "\\footnotemark{[alpha]}\n" + kHead +
                          "\\x \\pair{a}{b}\\def\\x{last}\n"
                          "\\footnote{n}\\footnote{m}\n"
                          "\\footnotemark{num}\\footnote{o}\n"
                          "\\footnotemark{symbol}\\footnote{p}\n"
                          "\\footnotemark{★}\\footnote{q}\n"
                          "\\datetime{yyyy\"/\"mm\"/\"dd ww hh:nn}\n",
                      {"--now", "2024-03-05T09:07:00"});
  auto note = [](const std::string& mark, const std::string& text) {
    return "\\raisebox{\\raise{.5ch}\\fontsize{*0.7}" + mark + "}\\footnote{\\fontsize{*0.7}" + mark + "\\ " + text + "}";
  };
  EXPECT_EQ(r.source, (std::vector<std::string>{
                          "", "", "", "", "lastb-a", note("[a]", "n") + note("[b]", "m"),
                          "\\footnotemark{num}" + note("3", "o"),
                          "\\footnotemark{symbol}" + note("\\fontname{ＭＳ Ｐ明朝}\\!§\\!\\!", "p"),
                          "\\footnotemark{★}" + note("★", "q"), "2024/03/05Tuesday0907"}));
}

TEST(RenderPreprocess, StoppingErrorsAreReportedWithTheirLine) {
  TempDir d;
  writeSjis(d.file("self.vdr"), "s\n\\input{self}\n");
  writeSjis(d.file("three.vdr"), "1\n2\n3\n");
  writeSjis(d.file("sub.vdr"), "ok\n \\bad\n");
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"text only\n", "処理済みカラム数\n** エラー(\\begindocument がありません。)\n"},
      {"\\documentstyle{10.5,a4t}\n\\column\n\\begindocument\n",
       "処理済みカラム数\n** \\columnコマンドのエラー\n** 文法エラー(2行目)\n\\column\n"},
      {"\\documentstyle{12}\n\\begindocument\n",
       "処理済みカラム数\n** \\documentstyleコマンドのエラー\n** 文法エラー(1行目)\n\\documentstyle{12}\n"},
      {"\\topmargin{2\ncm}\n\\begindocument\n",
       "処理済みカラム数\n** \\topmarginコマンドのエラー\n** 文法エラー(1行目)\n\\topmargin{2\n"},
      {kHead + "ok\n$a+b\n",
       "処理済みカラム数\n** 数式($…$)が閉じていません。\n** 数式のエラー\n** 数式エラー(4行目)\n$a+b\n"},
      {kHead + "\\input{nothere}\n",
       "** インプットファイルが存在しません(3行目)ファイル名が正しいかどうか，あるいは環境設定のインプットファイル用"
       "ディレクトリが設定されているかどうかを確認してください。\n\\input{nothere}\n"},
      {"x\n\\input{a}\n", "** \\inputのエラー\n** 文法エラー(2行目)\n\\input{a}\n"},
      // A line of an included file is named by its file and its line there.
      {"x\n\\input{self}\n", "\\input(self.vdr)\n** \\inputのエラー\n** 文法エラー(self.vdr 2行目)\n\\input{self}\n"},
      // The line echoed is the one the author wrote, not its expansion.
      {"\\def\\loop{a\\loop}\n" + kHead + "\\loop\n",
       "処理済みカラム数\n** \\loopのエラー\n** 文法エラー(4行目)\n\\loop\n"},
      // Line numbers are those of the document: included lines do not count.
      {"\\input{three}\n\\column{7}\n\\begindocument\n",
       "\\input(three.vdr)\n処理済みカラム数\n** \\columnコマンドのエラー\n** 文法エラー(2行目)\n\\column{7}\n"},
      {"\\input{three}\n" + kHead + "$x\n",
       "\\input(three.vdr)\n処理済みカラム数\n** 数式($…$)が閉じていません。\n** 数式のエラー\n** 数式エラー(4行目)\n$x\n"},
      // Nor do the lines a source block or the contents pass adds.
      {kHead + "\\beginsource\na\nb\n\\endsource\n\\bad\n",
       "処理済みカラム数\n** \\badコマンドのエラー\n** \\badコマンドは定義されていません。(7行目)\n\\bad\n"},
      {kHead + "\\tableofcontents\n\\chapter{1&A}\n\\bad\n",
       "処理済みカラム数\n** \\badコマンドのエラー\n** \\badコマンドは定義されていません。(5行目)\n\\bad\n"},
      {kHead + "\\input{three}\n\\input{sub}\n",
       "\\input(three.vdr)\n\\input(sub.vdr)\n処理済みカラム数\n** \\badコマンドのエラー\n"
       "** \\badコマンドは定義されていません。(sub.vdr 2行目)\n \\bad\n"},
  };
  for (const auto& [src, log] : cases) {
    Rendered r = Render(d, src);
    EXPECT_EQ(r.exitCode, 1) << src;
    EXPECT_EQ(r.log, "VELDRIS (a.vdr)\n" + log) << src;
  }
}

TEST(RenderPreprocess, ErrorsGoToStandardErrorAsFileAndLine) {
  TempDir d;
  writeSjis(d.file("sub.vdr"), "ok\n$x\n");
  const std::vector<std::pair<std::string, std::string>> cases = {
      {kHead + "\\bad\n", d.file("a.vdr") + ":3: \\badコマンドは定義されていません。(3行目)\n"},
      {kHead + "\\input{sub}\n", d.file("sub.vdr") + ":2: 数式エラー(sub.vdr 2行目)\n"},
      {"text\n", d.file("a.vdr") + ": エラー(\\begindocument がありません。)\n"},
  };
  for (const auto& [src, err] : cases) {
    Rendered r = Render(d, src);
    EXPECT_EQ(r.exitCode, 1) << src;
    EXPECT_EQ(r.err, err) << src;
  }
}

TEST(RenderPreprocess, DocumentsWithATableOfContentsFinish) {
  // The second pass reads the entries as the first pass made them (a "//"
  // made literal stays) and finds the installed veldris.vdr whatever the
  // document is called.
  TempDir d;
  const std::vector<std::tuple<std::string, std::string, std::string>> cases = {
      {"a.vdr", kHead + "\\tableofcontents\n\\chapter{1&\\beginsourcef http://x.org\\endsource}\n", "http://x.org"},
      {"veldris.vdr", kHead + "\\tableofcontents\n\\chapter{1&Intro}\n", "Intro"},
  };
  for (const auto& [name, src, title] : cases) {
    Rendered r = Render(d, src, {}, name);
    EXPECT_EQ(r.exitCode, 0) << src << r.log;
    // The entry of the contents holds the heading's text.
    bool entry = false;
    for (const std::string& l : r.source) entry = entry || (l.find("\\item{") != std::string::npos && l.find(title) != std::string::npos);
    EXPECT_TRUE(entry) << src;
  }
}

TEST(RenderPreprocess, CharactersReplacedInAnIncludedFileAreReported) {
  TempDir d;
  writeFile(d.file("sub.vdr"), "\xF0\x9F\x98\x80\xE8\xA1\xA8\n");  // an emoji, which CP932 lacks, and 表
  Rendered r = Render(d, kHead + "\\input{sub}\n");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.log.find("\\input(sub.vdr)\n** sub.vdr の 1 文字はシフトJISにないため〓に置き換えました。\n"), std::string::npos)
      << r.log;
  EXPECT_NE(r.err.find("1 character(s) of " + d.file("sub.vdr")), std::string::npos) << r.err;
}

TEST(RenderPreprocess, PaperInTheLayoutDump) {
  TempDir d;
  const std::vector<std::tuple<std::string, double, double>> cases = {
      {"12, A4T", 210, 297}, {"12,b5", 257, 182}, {"10.5, papersize(500,10)", 420, 20}};
  for (const auto& [style, w, h] : cases) {
    Render(d, "\\documentstyle{" + style + "}\n\\begindocument\n", {"--dump-layout", d.file("a.json")});
    QJsonObject paper =
        QJsonDocument::fromJson(QByteArray::fromStdString(readFile(d.file("a.json")))).object()["paper"].toObject();
    EXPECT_EQ(paper["widthMM"].toDouble(), w) << style;
    EXPECT_EQ(paper["heightMM"].toDouble(), h) << style;
  }
}
