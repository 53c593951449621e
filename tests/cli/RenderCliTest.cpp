// The contract of veldris-render that every end-to-end test relies on.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "TestSupport.h"

using namespace veltest;

TEST(RenderCli, EmptyFilePrintsOnlyTheFileLine) {
  TempDir d;
  writeFile(d.file("empty.vdr"), "");
  RunResult r = runRender({"--defaults", d.file("empty.vdr")});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, "VELDRIS (empty.vdr)\n");
}

TEST(RenderCli, MissingFileAndUsage) {
  TempDir d;
  RunResult r = runRender({"--defaults", d.file("nope.vdr")});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find(" がありません。"), std::string::npos);
  EXPECT_EQ(runRender({}).exitCode, 2);
  EXPECT_EQ(runRender({"--bogus", d.file("a.vdr")}).exitCode, 2);
  EXPECT_EQ(runRender({"--sheets", "3-1", d.file("a.vdr")}).exitCode, 2);
  for (const char* now : {"2024-13-01T00:00:00", "2024-02-31T00:00:00", "2023-02-29T00:00:00", "2024-04-31T12:00:00"}) {
    RunResult bad = runRender({"--now", now, d.file("a.vdr")});
    EXPECT_EQ(bad.exitCode, 2) << now;
    EXPECT_EQ(bad.err.rfind("veldris-render: bad value for --now", 0), 0u) << now;
  }
  RunResult dir = runRender({"--defaults", d.path()});
  EXPECT_EQ(dir.exitCode, 2);
  EXPECT_EQ(dir.err, "veldris-render: " + d.path() + " is a folder, not a source file\n");
}

TEST(RenderCli, SheetsBeyondTheLastAreTheLastAndNoSheetsIsAnError) {
  TempDir d;
  writeSjis(d.file("two.vdr"), "\\documentstyle{10.5,a4t}\n\\begindocument\na\\newpage\nb\n");
  writeFile(d.file("empty.vdr"), "");
  RunResult r = runRender({"--defaults", "--fake-metrics", "--sheets", "5-7", "--png", d.file("png"), d.file("two.vdr")});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.err, "veldris-render: the document has 2 sheet(s): writing sheet 2\n");
  EXPECT_FALSE(readFile(d.file("png/sheet-002.png")).empty());
  RunResult none = runRender({"--defaults", "--pdf", d.file("e.pdf"), d.file("empty.vdr")});
  EXPECT_EQ(none.exitCode, 2);
  EXPECT_EQ(none.err, "veldris-render: the document has no sheets: nothing written\n");
}

TEST(RenderCli, LayoutDumpPagesAreTheNumbersDrawn) {
  // A title page and the contents are front matter, numbered i and ii; the
  // chapter's page is page 1.
  TempDir d;
  writeSjis(d.file("a.vdr"), "\\documentstyle{10.5,a4t}\n\\begindocument\nTitle\\newpage\n\\tableofcontents\n"
                             "\\chapter{1&A}\nx\\newpage\ny\n");
  RunResult r = runRender({"--defaults", "--fake-metrics", "--dump-layout", d.file("a.json"), d.file("a.vdr")});
  ASSERT_EQ(r.exitCode, 0) << r.out;
  const QJsonObject j = QJsonDocument::fromJson(QByteArray::fromStdString(readFile(d.file("a.json")))).object();
  QStringList pages;
  for (const QJsonValue c : j["columns"].toArray())
    pages << QString::number(c["page"].toInt()) + ":" + c["pageText"].toString();
  EXPECT_EQ(pages.join(' ').toStdString(), "1:i 2:ii 1:1 2:2");
  EXPECT_EQ(j["pages"].toArray().size(), j["sheets"].toInt() + 1);  // the record of the sheet that never began
}

TEST(RenderCli, StoppedRunExitsOneAndStillDumps) {
  TempDir d;
  writeSjis(d.file("a.vdr"), "本文だけ\n");
  RunResult r = runRender({"--defaults", "--fake-metrics", "--dump-layout", d.file("a.json"), d.file("a.vdr")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, "VELDRIS (a.vdr)\n処理済みカラム数\n** エラー(\\begindocument がありません。)\n");
  EXPECT_EQ(r.err, d.file("a.vdr") + ": エラー(\\begindocument がありません。)\n");
  QJsonDocument j = QJsonDocument::fromJson(QByteArray::fromStdString(readFile(d.file("a.json"))));
  ASSERT_TRUE(j.isObject());
  EXPECT_TRUE(j.object()["error"].toBool());
}
