// Tables through veldris-render on fixed metrics: the messages of a table
// that stops the run with its line, tables inside boxes, mini pages and
// formulas, and a table that does not fit its column.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "TestSupport.h"

using namespace veltest;

namespace {

struct Typeset {
  RunResult r;
  QJsonObject layout;
  std::vector<std::string> messages;  // the "** " lines
};

Typeset typeset(const TempDir& d, const std::string& body) {
  writeSjis(d.file("a.vdr"), "\\documentstyle{10.5, a4t}\n\\begindocument\n" + body + "\n");
  Typeset t;
  t.r = runRender({"--defaults", "--fake-metrics", "--dump-layout", d.file("a.json"), d.file("a.vdr")});
  t.layout = QJsonDocument::fromJson(QByteArray::fromStdString(readFile(d.file("a.json")))).object();
  for (const std::string& l : splitLines(t.r.out))
    if (l.rfind("** ", 0) == 0) t.messages.push_back(l);
  return t;
}

// The words of a kind over all lines, with the column of their line.
std::vector<QJsonObject> wordsOf(const QJsonObject& layout, int kind) {
  std::vector<QJsonObject> out;
  for (const QJsonValue& l : layout["lines"].toArray())
    for (const QJsonValue& w : l.toObject()["words"].toArray())
      if (w.toObject()["kind"].toInt() == kind) {
        QJsonObject o = w.toObject();
        o["column"] = l.toObject()["column"];
        out.push_back(o);
      }
  return out;
}

const char* kSmall = "\\col{1l1c1}\\hline あ&い\\\\\\hline{1,6}";

}  // namespace

TEST(TablesEndToEnd, AFailingTableNamesItsLine) {
  TempDir d;
  const Typeset t = typeset(d, "前の文。\n\\table{\\col{ll}a&b\\\\\nc\\\\}\n");
  EXPECT_EQ(t.r.exitCode, 1);
  const std::vector<std::string> want = {"** \"&\"が不足しています。", "** \\tableコマンドのエラー",
                                         "** 文法エラー(4行目)"};
  EXPECT_EQ(t.messages, want) << t.r.out;
}

TEST(TablesEndToEnd, InBoxesMiniPagesFloatsAndFormulasATableKeepsItsSize) {
  TempDir d;
  const std::string table = std::string("\\table{") + kSmall + "}";
  const Typeset t = typeset(d, table + "\\box{" + table + "}$" + table + "$\\framebox{" + table + "}\\p\n" +
                                   "\\minipage{\\width{5cm}" + table + "}\\topofcolumnbox{" + table + "}\\p");
  ASSERT_EQ(t.r.exitCode, 0) << t.r.out;
  const std::vector<QJsonObject> tables = wordsOf(t.layout, 5), boxes = wordsOf(t.layout, 6),
                                 formulas = wordsOf(t.layout, 2), frames = wordsOf(t.layout, 4);
  ASSERT_EQ(tables.size(), 1u);
  ASSERT_EQ(boxes.size(), 1u);
  ASSERT_EQ(formulas.size(), 1u);
  ASSERT_EQ(frames.size(), 1u);
  const int W = tables[0]["width"].toInt(), T = tables[0]["height"].toInt() + tables[0]["depth"].toInt();
  EXPECT_GT(W, 0);
  EXPECT_EQ(boxes[0]["width"].toInt(), W);
  EXPECT_EQ(boxes[0]["height"].toInt() + boxes[0]["depth"].toInt(), T);
  EXPECT_EQ(formulas[0]["width"].toInt(), W);
  // A formula's box is kept against the math axis: a unit is lost to each truncation.
  EXPECT_NEAR(formulas[0]["height"].toInt() + formulas[0]["depth"].toInt(), T, 2);
  EXPECT_GT(frames[0]["width"].toInt(), W);
  // The mini page and the float each hold the table (blocks start from
  // their own defaults, so its size there is their own).
  const QJsonArray mini = t.layout["miniPages"].toArray();
  ASSERT_EQ(mini.size(), 2);
  for (const QJsonValue& m : mini) {
    int inside = 0;
    for (const QJsonValue& l : m.toObject()["lines"].toArray())
      for (const QJsonValue& w : l.toObject()["words"].toArray())
        if (w.toObject()["kind"].toInt() == 5) {
          ++inside;
          EXPECT_GT(w.toObject()["width"].toInt(), 0);
        }
    EXPECT_EQ(inside, 1);
  }
}

TEST(TablesEndToEnd, ATableThatDoesNotFitMovesWholeToTheNextColumn) {
  TempDir d;
  std::string body;
  for (int i = 0; i < 30; ++i) body += "段落の文です。\\p\n";
  body += "\\table{\\col{1l1}\\hline\n";
  for (int i = 0; i < 25; ++i) body += "行\\\\\\hline\n";
  body += "}\\p\n後の文。";
  const Typeset t = typeset(d, body);
  ASSERT_EQ(t.r.exitCode, 0) << t.r.out;
  const std::vector<QJsonObject> tables = wordsOf(t.layout, 5);
  ASSERT_EQ(tables.size(), 1u);
  EXPECT_EQ(tables[0]["column"].toInt(), 1);
  const int columnHeight = t.layout["geometry"].toObject()["columnHeight"].toInt();
  EXPECT_LE(tables[0]["height"].toInt() + tables[0]["depth"].toInt(), columnHeight);
}

TEST(TablesEndToEnd, ATableTallerThanAColumnIsRefused) {
  TempDir d;
  std::string body = "前の文。\n\\table{\\col{1l1}\\hline\n";
  for (int i = 0; i < 79; ++i) body += "行\\\\\\hline\n";
  body += "}";
  const Typeset t = typeset(d, body);
  EXPECT_EQ(t.r.exitCode, 1);
  const std::vector<std::string> want = {"** 表の高さが段の高さを超えています。表を分けて下さい。",
                                         "** \\tableコマンドのエラー", "** 文法エラー(4行目)"};
  EXPECT_EQ(t.messages, want) << t.r.out;
}
