// What the commands produce, read from veldris-render's --dump-layout: the
// string functions, \toval with user lengths, counters, registers and
// lengths across groups, headers, and a table of contents typeset in two
// passes with the page numbers of the first.
#include <gtest/gtest.h>

#include <algorithm>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "TestSupport.h"

using veltest::readFile;
using veltest::runRender;
using veltest::TempDir;
using veltest::writeSjis;

namespace {

struct Dump {
  veltest::RunResult run;
  QJsonObject json;
};

Dump render(const TempDir& dir, const std::string& body) {
  writeSjis(dir.file("d.vdr"), "\\documentstyle{10.5, a4t}\n\\begindocument\n" + body);
  Dump d;
  d.run = runRender({"--defaults", "--fake-metrics", "--now", "2024-03-05T09:07:00", "--dump-layout",
                     dir.file("d.json"), dir.file("d.vdr")});
  d.json = QJsonDocument::fromJson(QByteArray::fromStdString(readFile(dir.file("d.json")))).object();
  return d;
}

// The texts of the lines that have text (page breaks and list openings
// make lines without).
std::vector<std::string> lineTexts(const QJsonObject& j) {
  std::vector<std::string> out;
  for (const QJsonValue& l : j["lines"].toArray()) {
    std::string t = l.toObject()["text"].toString().toStdString();
    if (!t.empty()) out.push_back(t);
  }
  return out;
}

// The words of one kind, in order: their texts.
std::vector<std::string> wordTexts(const QJsonObject& j, int kind) {
  std::vector<std::string> out;
  for (const QJsonValue& l : j["lines"].toArray())
    for (const QJsonValue& w : l.toObject()["words"].toArray())
      if (w.toObject()["kind"].toInt() == kind) out.push_back(w.toObject()["text"].toString().toStdString());
  return out;
}

}  // namespace

TEST(CommandOutput, StringFunctions) {
  TempDir dir;
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"\\substr{あいうえお,2,3}", "いうえ"},
      {"\\substr{a,b,c,d,2,3}", ",b,"},  // extra commas belong to the text
      {"\\substr{あいう,0,99}", "あいう"},
      {"\\substr{あいう,9,2}", "う"},     // beyond the last: the last
      {"\\substr{あいう,2,-4}", "い"},     // below 1 counts as 1
      {"[\\substr{,2,3}]", "[]"},
      {"\\strval{2^0.5,4}", "1.4142"},
      {"\\strval{2.5}", "3"},
      {"\\strval{0.125,2}", "0.13"},
      {"\\strval{-0.001,2}", "0.00"},
      {"\\strval{1/3,17}", "0.33333333333333300"},
      {"\\strval{123456789.987654321,6}", "123456789.987654"},
      {"\\strnum{7.9}\\strnum{-2.5}", "7-2"},
      {"\\stralpha{28}\\strAlpha{28}\\strrom{49}\\strRom{14}\\strrom{50}", "bBxlixXIV"},
      {"\\strZennum{2024}\\strZenalpha{3}\\strZenAlpha{26}", "２０２４ｃＺ"},
      {"\\strKannum{2024}[\\strKannum{0}]", "二〇二四[]"},
      {"\\strnum{\\strlen{あいう}+1}", "4"},
  };
  std::string body;
  for (const auto& [src, text] : cases) body += src + "\\p\n";
  Dump d = render(dir, body);
  ASSERT_EQ(d.run.exitCode, 0) << d.run.out;
  std::vector<std::string> texts = lineTexts(d.json);
  ASSERT_EQ(texts.size(), cases.size()) << d.run.out;
  for (size_t i = 0; i < cases.size(); ++i) EXPECT_EQ(texts[i], cases[i].second) << cases[i].first;
}

TEST(CommandOutput, ToValWithUserLengths) {
  TempDir dir;
  Dump d = render(dir,
                  "\\deflength{\\wa}\\deflength{\\widthb}\\wa{3cm}\\widthb{\\wa*4}\\toval{\\wa,\\widthb}"
                  "\\strval{\\pvalX,3}\\p\n"
                  "\\toval{\\wa, 0cm}\\strval{\\pvalX,1}\\p\n"
                  "\\toval{\\widthb,1cm}\\strval{\\pvalX,2}\\p\n");
  ASSERT_EQ(d.run.exitCode, 0) << d.run.out;
  EXPECT_EQ(lineTexts(d.json), (std::vector<std::string>{"0.250", "0.0", "12.00"}));
  const QJsonObject ul = d.json["userLengths"].toObject();
  EXPECT_EQ(ul["waZZZ"].toInt(), 23622);  // a short name, padded with "Z"
  EXPECT_EQ(ul["widthb"].toInt(), 94488);
  EXPECT_EQ(d.json["registers"].toArray()[75].toDouble(), 94488.0 / 7874);
}

TEST(CommandOutput, CountersRegistersAndLengthsAcrossGroups) {
  TempDir dir;
  Dump d = render(dir,
                  // Counters are not restored by groups of any kind.
                  "\\setcounter{1,5}\\group{\\setcounter{1,7}\\strnum{counter(1)}}\\strnum{counter(1)}\\p\n"
                  "\\valgroup{\\setcounter{1,8}}\\strnum{counter(1)}\\p\n"
                  // Value registers come back after a value group only.
                  "\\valA{1}\\valgroup{\\valA{2}\\strnum{\\valA}}\\strnum{\\valA}"
                  "\\group{\\valA{3}}\\strnum{\\valA}\\p\n"
                  // User lengths come back after a length group only.
                  "\\deflength{\\wc}\\wc{1cm}\\lengroup{\\wc{2cm}\\toval{\\wc,1cm}\\strnum{\\pvalX}}"
                  "\\toval{\\wc,1cm}\\strnum{\\pvalX}\\group{\\wc{4cm}}\\toval{\\wc,1cm}\\strnum{\\pvalX}\\p\n"
                  // Chapter, section and item counters.
                  "\\chapter{1&a}\\section{1.1&b}\\section{1.2&c}\\strnum{counter(87)}.\\strnum{counter(88)}\\p\n"
                  "\\beginitem\\item x\\item y\\enditem\\strnum{counter(91)}\\p\n");
  ASSERT_EQ(d.run.exitCode, 0) << d.run.out;
  EXPECT_EQ(lineTexts(d.json),
            (std::vector<std::string>{"77", "8", "213", "214", "1.2", "x", "y", "2"}));
  EXPECT_EQ(d.json["groupSnapshots"].toInt(), 3);
  const QJsonArray cols = d.json["columns"].toArray();
  ASSERT_EQ(cols.size(), 1);
  EXPECT_EQ(cols[0].toObject()["chapter"].toString(), "1 a");
  EXPECT_EQ(cols[0].toObject()["section"].toString(), "1.2 c");
}

TEST(CommandOutput, HeadersFootersAndPageSettings) {
  TempDir dir;
  Dump d = render(dir,
                  "\\oddpageheader{\\left{\\chapterstr}\\right{\\pagenum}\\line{0.5mm}}"
                  "\\evenpagefooter{\\center{- \\pagenum -}}\\firstpagenum{3}\\headsep{1cm}\\footsep{2cm}"
                  "\\tatemode{0}本文\n");
  ASSERT_EQ(d.run.exitCode, 0) << d.run.out;
  const QJsonArray h = d.json["headers"].toArray();
  const QJsonArray f = d.json["footers"].toArray();
  // A header set for odd pages only serves even pages too.
  for (int parity : {0, 1}) {
    const QJsonObject o = h[parity].toObject();
    EXPECT_TRUE(o["defined"].toBool());
    EXPECT_EQ(o["left"].toString(), "\\chapterstr");
    EXPECT_EQ(o["right"].toString(), "\\pagenum");
    EXPECT_EQ(o["rule"].toInt(), 393);
    EXPECT_EQ(f[parity].toObject()["center"].toString(), "- \\pagenum -");
  }
  const QJsonObject g = d.json["geometry"].toObject();
  EXPECT_EQ(g["firstPageNum"].toInt(), 3);
  EXPECT_EQ(g["headSep"].toInt(), 7874);
  EXPECT_EQ(g["footSep"].toInt(), 15748);
  EXPECT_EQ(d.json["values"].toObject()["tatemode"].toDouble(), 0);
}

TEST(CommandOutput, TableOfContentsFromTheFirstPass) {
  TempDir dir;
  Dump d = render(dir,
                  "表紙\n"
                  "\\tableofcontents\n"
                  "\\chapter{1&はじめに}はじめの章。\n"
                  "\\newpage\n"
                  "\\section{1.1&背景}背景の節。\n"
                  "\\newpage\n"
                  "\\chapter{2&方法}方法の章。\n");
  ASSERT_EQ(d.run.exitCode, 0) << d.run.out;
  // Typeset twice: preprocessing reports once per pass.
  int passes = 0;
  for (const std::string& l : veltest::splitLines(d.run.out)) passes += l == "処理済みカラム数";
  EXPECT_EQ(passes, 2);

  // The generated list: labels, titles, and the page numbers of the first pass.
  EXPECT_EQ(wordTexts(d.json, 117), (std::vector<std::string>{"\\fontsize{*1.2}1", "\\fontsize{*1.1}1.1", "\\fontsize{*1.2}2"}));
  // Each page number is set flush right after a dotted leader (a formula).
  EXPECT_EQ(wordTexts(d.json, 2),
            (std::vector<std::string>{"\\dotsfilllast{1}", "\\dotsfilllast{2}", "\\dotsfilllast{3}"}));
  // The front matter, the entries (their labels are item words), the body.
  EXPECT_EQ(lineTexts(d.json),
            (std::vector<std::string>{"表紙", "はじめに", "背景", "方法", "はじめの章。", "背景の節。", "方法の章。"}));

  // The contents end the front matter: one page, numbered in Roman numerals.
  EXPECT_EQ(d.json["contents"].toObject()["frontMatterPages"].toInt(), 1);
  EXPECT_EQ(d.json["sheets"].toInt(), 4);
}

// A heading read while the column before its line is still open: the
// contents give the page of its line, and the running head of the page
// before does not show it yet.
TEST(CommandOutput, AHeadingAtThePageTopIsListedWithItsPage) {
  TempDir dir;
  // With the fixed metrics, 42 paragraphs fill page 1: the second chapter's
  // line is the one that opens page 2 (checked below).
  std::string body = "\\tableofcontents\n\\chapter{1&前}前の章。\\p\n";
  for (int i = 0; i < 42; ++i) body += "段落 " + std::to_string(i) + "。\\p\n";
  body += "\\chapter{2&後}後の章。\n";
  Dump d = render(dir, body);
  ASSERT_EQ(d.run.exitCode, 0) << d.run.out;
  // The page of the column holding the second chapter's line.
  int chapterPage = -1, column = -1;
  for (const QJsonValue& l : d.json["lines"].toArray())
    if (veltest::sj(l.toObject()["text"].toString().toStdString()).find(veltest::sj("後の章")) != std::string::npos)
      column = l.toObject()["column"].toInt();
  ASSERT_GE(column, 0);
  const QJsonArray lines = d.json["lines"].toArray();
  int first = -1;
  for (const QJsonValue& l : lines)
    if (l.toObject()["column"].toInt() == column) {
      first = l.toObject()["index"].toInt();
      break;
    }
  ASSERT_TRUE(first >= 0 && veltest::sj(lines[first].toObject()["text"].toString().toStdString())
                                    .find(veltest::sj("後の章")) != std::string::npos);
  const QJsonArray columns = d.json["columns"].toArray();
  chapterPage = columns[column].toObject()["page"].toInt();
  ASSERT_GT(chapterPage, 1);
  const std::vector<std::string> entries = wordTexts(d.json, 2);
  ASSERT_GE(entries.size(), 2u);
  EXPECT_EQ(entries[1], "\\dotsfilllast{" + std::to_string(chapterPage) + "}");
  // The column before it is headed by the first chapter.
  EXPECT_EQ(columns[column - 1].toObject()["chapter"].toString().toStdString().find("2"), std::string::npos);
}

// The introductory sample typesets without a message, with its contents.
TEST(CommandOutput, IntroductorySample) {
  TempDir dir;
  veltest::RunResult r = runRender({"--defaults", "--dump-layout", dir.file("intro.json"),
                                    veltest::sourceDir() + "/samples/intro.vdr"});
  ASSERT_EQ(r.exitCode, 0) << r.out;
  for (const std::string& l : veltest::splitLines(r.out)) EXPECT_NE(l.rfind("** ", 0), 0u) << l;
  const QJsonObject j = QJsonDocument::fromJson(QByteArray::fromStdString(readFile(dir.file("intro.json")))).object();
  // The chapters and sections in the contents, each with its page.
  std::vector<int> pages;
  for (const std::string& t : wordTexts(j, 2))
    if (t.rfind("\\dotsfilllast{", 0) == 0) pages.push_back(std::atoi(t.c_str() + 14));
  // One entry per chapter and section of the sample, from page 1 on, in order.
  const std::string sample = readFile(veltest::sourceDir() + "/samples/intro.vdr");
  size_t headings = 0;
  for (const char* h : {"\\midashi{", "\\komidashi{"})
    for (size_t i = sample.find(h); i != std::string::npos; i = sample.find(h, i + 1)) ++headings;
  ASSERT_EQ(pages.size(), headings);
  EXPECT_EQ(pages.front(), 1);
  EXPECT_TRUE(std::is_sorted(pages.begin(), pages.end()));
  EXPECT_EQ(j["contents"].toObject()["frontMatterPages"].toInt(), 1);
  EXPECT_TRUE(j["headers"].toArray()[1].toObject()["defined"].toBool());
}
