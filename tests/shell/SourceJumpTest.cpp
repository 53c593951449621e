// From the page to the source and back in the viewer: Ctrl over a word
// names its line in the status bar, Ctrl+click runs the editor at it (the
// command recorded, not run), and FILE.vdr:LINE on the command line shows
// the sheet of that line with its first word marked.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFileInfo>
#include <QMouseEvent>
#include <QStatusBar>
#include <QTest>

#include "ShellFixture.h"
#include "shell/PageView.h"

namespace veltest {
namespace {

using vel::TSDIAppForm;

// A view point inside the word marked last (the flash of GoToSourceLine).
QPoint flashedPoint(TSDIAppForm& w) {
  const QRect r = w.view()->flashedRect();
  const int m = w.view()->panelOffset();
  return r.center() + QPoint(m, m) - w.view()->scrollPosition();
}

void ctrlMove(QWidget* viewport, const QPoint& at, bool ctrl) {
  QMouseEvent e(QEvent::MouseMove, QPointF(at), QPointF(viewport->mapToGlobal(at)), Qt::NoButton, Qt::NoButton,
                ctrl ? Qt::ControlModifier : Qt::NoModifier);
  QApplication::sendEvent(viewport, &e);
}

TEST(SourceJump, CtrlClickOpensTheEditorAtTheLineOfTheWord) {
  Shell sh;
  TSDIAppForm& w = sh.open();
  sh.recordLaunches();
  QStringList& started = sh.started;
  QList<QUrl>& urls = sh.urls;
  w.settings().editorName = "/usr/bin/ed";
  w.settings().howToOpenEditor = 1;
  writeSjis(sh.tmp.file("sub.vdr"), "取り込まれた一行目\n\n取り込まれた三行目\\footnote{脚注の中}\n");
  const QString doc = sh.writeDoc("a.vdr", 3, "\\input{sub}\n");  // lines 4-6: the pages
  const QString sub = sh.path("sub.vdr");
  ASSERT_TRUE(w.OpenFile(doc));
  ASSERT_EQ(w.pageCount(), 3);
  QWidget* vp = w.view()->viewport();

  const struct {
    QString file;
    int line;
    int sheet;
    QStringList editor;
  } rows[] = {
      {sub, 1, 1, {"/usr/bin/ed", "+1", sub}},
      {sub, 2, 1, {"/usr/bin/ed", "+3", sub}},  // a blank line: the next with words
      {sub, 3, 1, {"/usr/bin/ed", "+3", sub}},
      {doc, 5, 2, {"/usr/bin/ed", "+5", doc}},
      {doc, 6, 3, {"/usr/bin/ed", "+6", doc}},
  };
  for (const auto& r : rows) {
    ASSERT_TRUE(w.GoToSourceLine(r.file, r.line)) << r.line;
    EXPECT_EQ(w.currentPage(), r.sheet) << r.line;
    ASSERT_FALSE(w.view()->flashedRect().isNull());
    const QPoint at = flashedPoint(w);
    ctrlMove(vp, at, true);
    EXPECT_EQ(w.statusBar()->currentMessage(),
              QFileInfo(r.editor.last()).fileName() + ":" + r.editor[1].mid(1)) << r.line;
    started.clear();
    QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, at);
    EXPECT_TRUE(started.isEmpty());  // a plain click opens nothing
    QTest::mouseClick(vp, Qt::LeftButton, Qt::ControlModifier, at);
    EXPECT_EQ(started, r.editor) << r.line;
    ctrlMove(vp, at, false);
    EXPECT_TRUE(w.statusBar()->currentMessage().isEmpty());
  }

  // Off the words: nothing named, nothing run.
  started.clear();
  ctrlMove(vp, QPoint(2, 2), true);
  EXPECT_TRUE(w.statusBar()->currentMessage().isEmpty());
  QTest::mouseClick(vp, Qt::LeftButton, Qt::ControlModifier, QPoint(2, 2));
  EXPECT_TRUE(started.isEmpty());

  // The desktop's program for the file takes no line.
  w.settings().howToOpenEditor = 0;
  ASSERT_TRUE(w.GoToSourceLine(sub, 1));
  QTest::mouseClick(vp, Qt::LeftButton, Qt::ControlModifier, flashedPoint(w));
  EXPECT_EQ(urls, QList<QUrl>{QUrl::fromLocalFile(sub)});
  EXPECT_TRUE(sh.messages.isEmpty()) << sh.messages.join(" / ").toStdString();
}

TEST(SourceJump, FileColonLineOnTheCommandLineShowsTheSheetOfTheLine) {
  Shell sh;
  const QString doc = sh.writeDoc("b.vdr", 3);
  const struct {
    QString arg;
    QString path;
    int line;
  } args[] = {
      {doc + ":4", doc, 4},
      {doc, doc, 0},
      {doc + ":0", doc + ":0", 0},
      {sh.path("none.vdr") + ":2", sh.path("none.vdr") + ":2", 0},
  };
  for (const auto& a : args) {
    int line = -1;
    EXPECT_EQ(TSDIAppForm::StartupPath(a.arg, line), a.path) << a.arg.toStdString();
    EXPECT_EQ(line, a.line) << a.arg.toStdString();
  }
  TSDIAppForm& w = sh.open();
  w.StartupOpen({doc + ":4"});  // the second page's line
  EXPECT_EQ(w.currentPage(), 2);
  EXPECT_FALSE(w.view()->flashedRect().isNull());
  EXPECT_TRUE(waitUntil([&] { return w.view()->flashedRect().isNull(); }, 4000));  // the mark goes
  EXPECT_FALSE(w.GoToSourceLine(sh.path("other.vdr"), 1));
}

}  // namespace
}  // namespace veltest
