// The contract of veldris-render that every end-to-end test relies on.
#include <gtest/gtest.h>

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
  EXPECT_EQ(runRender({"--now", "2024-13-01T00:00:00", d.file("a.vdr")}).exitCode, 2);
  RunResult dir = runRender({"--defaults", d.path()});
  EXPECT_EQ(dir.exitCode, 2);
}

TEST(RenderCli, StoppedRunExitsOneAndStillDumps) {
  TempDir d;
  writeSjis(d.file("a.vdr"), "本文だけ\n");
  RunResult r = runRender({"--defaults", "--fake-metrics", "--dump-layout", d.file("a.json"), d.file("a.vdr")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, "VELDRIS (a.vdr)\n処理済みカラム数\n** エラー(\\begindocument がありません。)\n");
  EXPECT_EQ(r.err, "");
  QJsonDocument j = QJsonDocument::fromJson(QByteArray::fromStdString(readFile(d.file("a.json"))));
  ASSERT_TRUE(j.isObject());
  EXPECT_TRUE(j.object()["error"].toBool());
}
