// File history: the list rules, the menu, the editor, and the paths.
#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QPlainTextEdit>
#include <QPushButton>

#include "ShellFixture.h"
#include "shell/FileHistory.h"
#include "shell/MainWindow.h"
#include "shell/SmallForms.h"

using namespace vel;
using veltest::Shell;

TEST(History, ListRules) {
  struct Case {
    const char* what;
    QStringList before;
    QString path;
    int max;
    QStringList after;
  };
  const Case cases[] = {
      {"new file at the head", {"/a.vdr", "/b.vdr"}, "/c.vdr", 10, {"/c.vdr", "/a.vdr", "/b.vdr"}},
      {"same file twice keeps one entry", {"/a.vdr", "/b.vdr"}, "/b.vdr", 10, {"/b.vdr", "/a.vdr"}},
      {"sixth file drops the oldest", {"/1", "/2", "/3", "/4", "/5"}, "/6", 5, {"/6", "/1", "/2", "/3", "/4"}},
      // Two files whose names differ only in case are two files here.
      {"case differs: two entries", {"/d/X.VDR"}, "/d/x.vdr", 10, {"/d/x.vdr", "/d/X.VDR"}},
      {"empty path only applies the limit", {"/1", "/2", "/3"}, "", 2, {"/1", "/2"}},
      {"empty entries go", {"/1", "", "  ", "/2"}, "", 10, {"/1", "/2"}},
  };
  for (const Case& c : cases) {
    QStringList h = c.before;
    SetFileHistory(h, c.path, c.max);
    EXPECT_EQ(h, c.after) << c.what;
  }
}

TEST(History, MenuCaptions) {
  EXPECT_EQ(HistoryCaption(0, "/a.vdr"), "&0 /a.vdr");
  EXPECT_EQ(HistoryCaption(9, "/a.vdr"), "&9 /a.vdr");
  EXPECT_EQ(HistoryCaption(10, "/a.vdr"), "&A /a.vdr");
  EXPECT_EQ(HistoryCaption(19, "/a.vdr"), "&J /a.vdr");
  EXPECT_EQ(HistoryCaption(1, "/R&D/x.vdr"), "&1 /R&&D/x.vdr");
}

TEST(History, EditorText) {
  QStringList lines;
  for (int i = 0; i < 25; ++i) lines << (i == 3 ? QString() : QString("/f%1").arg(i));
  QStringList h = HistoryFromEditorText(lines.join('\n'));
  EXPECT_EQ(h.size(), 19);  // the first 20 lines, one of them empty
  EXPECT_EQ(h.first(), "/f0");
  EXPECT_EQ(h.last(), "/f19");
  EXPECT_EQ(HistoryFromEditorText("/a\r\n\r\n/b\r\n"), (QStringList{"/a", "/b"}));
}

TEST(History, PathParts) {
  EXPECT_EQ(GetDir("/home/u/doc.vdr"), "/home/u/");
  EXPECT_EQ(GetFileName("/home/u/doc.vdr"), "doc.vdr");
  EXPECT_EQ(GetDir("doc.vdr"), "");
  EXPECT_EQ(GetFileName("doc.vdr"), "doc.vdr");
}

TEST(History, OpeningFilesFillsTheMenuNewestFirst) {
  Shell sh;
  sh.writeIni("MaxFileHistories", 5);
  TSDIAppForm& w = sh.open();
  QStringList paths;
  for (int i = 1; i <= 6; ++i) paths << sh.writeDoc("doc" + std::to_string(i) + ".vdr", 1);
  // Differing only in case from doc1.vdr: a file of its own.
  QString upper = sh.writeDoc("DOC1.vdr", 1);
  for (const QString& p : paths) ASSERT_TRUE(w.OpenFile(p));
  ASSERT_TRUE(w.OpenFile(paths[3]));  // again: moves to the head
  ASSERT_TRUE(w.OpenFile(upper));
  const QStringList expected = {upper, paths[3], paths[5], paths[4], paths[2]};
  EXPECT_EQ(w.settings().fileHistory, expected);
  int shown = 0;
  for (int i = 0; i < 20; ++i) {
    QAction* a = w.historyActions()[i];
    if (!a->isVisible()) continue;
    ++shown;
    EXPECT_EQ(a->text(), HistoryCaption(i, expected[i]));
  }
  EXPECT_EQ(shown, 5);
  EXPECT_TRUE(w.action("ResetFileHistoryItem")->isVisible());
  EXPECT_EQ(w.settings().lastDir, QString::fromStdString(sh.tmp.path()) + "/");
  EXPECT_EQ(w.settings().lastFileName, "DOC1.vdr");

  // A history item opens its file.
  w.historyActions()[2]->trigger();
  EXPECT_EQ(w.documentPath(), paths[5]);

  sh.close();
  EXPECT_EQ(sh.iniHistory(), (QStringList{paths[5], upper, paths[3], paths[4], paths[2]}));
}

TEST(History, RefusedFilesLeaveTheHistoryAlone) {
  Shell sh;
  TSDIAppForm& w = sh.open();
  QString good = sh.writeDoc("good.vdr", 2);
  ASSERT_TRUE(w.OpenFile(good));
  QString empty = sh.path("empty.vdr");
  veltest::writeFile(empty.toStdString(), "");
  QString missing = sh.path("missing.vdr");
  QString folder = sh.path("folder.vdr");
  QDir().mkpath(folder);

  EXPECT_FALSE(w.OpenFile(missing));
  EXPECT_FALSE(w.OpenFile(folder));  // a folder passes an existence test but is no file
  EXPECT_FALSE(w.OpenFile(empty));
  EXPECT_EQ(sh.messages,
            (QStringList{missing + QStringLiteral("ファイル\n\nは存在しません。ファイル名を確認してください。"),
                         folder + QStringLiteral("ファイル\n\nは存在しません。ファイル名を確認してください。"),
                         empty + QStringLiteral("ファイル\n\nにはデータが入っていません。")}));
  EXPECT_EQ(w.settings().fileHistory, QStringList{good});
  EXPECT_EQ(w.documentPath(), good);
  EXPECT_EQ(w.pageCount(), 2);

  // Only empty lines is data.
  QString blank = sh.path("blank.vdr");
  veltest::writeFile(blank.toStdString(), "\n\n");
  EXPECT_TRUE(w.OpenFile(blank));
}

TEST(History, EditorWindowAndGo) {
  Shell sh;
  TSDIAppForm& w = sh.open();
  QString a = sh.writeDoc("a.vdr", 1);
  QString b = sh.writeDoc("b.vdr", 1);
  ASSERT_TRUE(w.OpenFile(a));
  ASSERT_TRUE(w.OpenFile(b));
  TFileHistoryEditForm* ed = w.historyEditForm();
  EXPECT_EQ(ed->windowTitle(), QStringLiteral("ファイルヒストリの整理・編集"));
  veltest::whileModal([&] { w.ResetFileHistoryItemClick(); },
                      [&] {
                        EXPECT_EQ(ed->memo->toPlainText(), b + "\n" + a);
                        ed->memo->setPlainText(a + "\n/no/such/file.vdr\n\n" + b);
                        ed->goButton->click();
                        EXPECT_EQ(ed->memo->toPlainText(), a + "\n" + b);
                        ed->memo->setPlainText(ed->memo->toPlainText() + "\n/kept/without/go.vdr");
                        ed->accept();
                      });
  EXPECT_EQ(w.settings().fileHistory, (QStringList{a, b, "/kept/without/go.vdr"}));
  EXPECT_EQ(w.historyActions()[2]->text(), "&2 /kept/without/go.vdr");
  EXPECT_FALSE(w.historyActions()[3]->isVisible());
}

TEST(History, TorivanDataPath) {
  Shell sh;
  const QByteArray old = qgetenv("TMPDIR");
  qputenv("TMPDIR", QByteArray::fromStdString(sh.tmp.path()));
  const QString p = TorivanDataPath();
  EXPECT_EQ(p, QString::fromStdString(sh.tmp.path()) + "/torivtemp/Torivan_Data.vdr");
  TSDIAppForm& w = sh.open();
  w.OpenTorivanDataItemClick();
  EXPECT_EQ(sh.messages, QStringList{QStringLiteral(
                             "とりばんデータがありません。\n\n「とりばん」を起動して、VELDRIS用のデータを保存してください。")});
  EXPECT_FALSE(w.documentOpen());
  QDir().mkpath(QString::fromStdString(sh.tmp.path()) + "/torivtemp");
  veltest::writeSjis(p.toStdString(), "\\documentstyle{10.5, a4t}\n\\begindocument\nとりばん\n");
  w.OpenTorivanDataItemClick();
  EXPECT_EQ(w.documentPath(), p);
  EXPECT_EQ(w.pageCount(), 1);
  qunsetenv("TMPDIR");
  EXPECT_EQ(TorivanDataPath(), "/tmp/torivtemp/Torivan_Data.vdr");
  if (!old.isNull()) qputenv("TMPDIR", old);
}

// A ";" (or a "," or a quote) is legal in a file name: every path comes back
// whole after a restart. The older one-value form is read once and replaced.
TEST(History, AnyPathSurvivesARestart) {
  Shell sh;
  const QStringList odd = {sh.writeDoc("a;b.vdr", 1), sh.writeDoc("c, \"d\".vdr", 1), sh.writeDoc("e\\;f.vdr", 1)};
  {
    TSDIAppForm& w = sh.open(false);
    for (const QString& p : odd) ASSERT_TRUE(w.OpenFile(p));
    sh.close();
  }
  const QStringList newestFirst = {odd[2], odd[1], odd[0]};
  EXPECT_EQ(sh.iniHistory(), newestFirst);
  TSDIAppForm& w = sh.open(false);
  EXPECT_EQ(w.settings().fileHistory, newestFirst);
  w.historyActions()[2]->trigger();
  EXPECT_EQ(w.documentPath(), odd[0]);
  EXPECT_TRUE(sh.messages.isEmpty());
  sh.close();

  Shell old;
  old.writeIni("FileHistory", "/x/one.vdr; /y/two.vdr");
  TSDIAppForm& o = old.open(false);
  EXPECT_EQ(o.settings().fileHistory, (QStringList{"/x/one.vdr", "/y/two.vdr"}));
  old.close();
  EXPECT_FALSE(old.iniHas("FileHistory"));
  EXPECT_EQ(old.iniHistory(), (QStringList{"/x/one.vdr", "/y/two.vdr"}));
}
