// The page viewer: opening, paging, the page and zoom dialogs, F5, runs
// that stop on an error, scrolling.
#include <gtest/gtest.h>

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <cmath>

#include "ShellFixture.h"
#include "base/Cp932.h"
#include "shell/InformationForm.h"
#include <QGuiApplication>
#include <QWindow>
#include "shell/MainWindow.h"
#include "shell/PageForm.h"
#include "shell/PageView.h"

using namespace vel;
using veltest::Shell;

namespace {
QString caption(const QString& path, const QString& label) { return "VELDRIS2(" + path + QStringLiteral(")　") + label; }

// Answers the page/zoom dialog with `input`; returns its caption and label.
std::pair<QString, QString> answer(TSDIAppForm& w, void (TSDIAppForm::*item)(), const QString& input) {
  std::pair<QString, QString> seen;
  veltest::whileModal([&] { (w.*item)(); },
                      [&] {
                        TPageForm* f = w.pageForm();
                        seen.first = f->windowTitle();
                        for (QLabel* l : f->findChildren<QLabel*>()) seen.second += l->text();
                        EXPECT_TRUE(f->input()->text().isEmpty());
                        f->input()->setText(input);
                        f->accept();
                      });
  return seen;
}
}  // namespace

TEST(Viewer, StartsUntitledWithAnEmptySheet) {
  Shell sh;
  TSDIAppForm& w = sh.open();
  EXPECT_EQ(w.windowTitle(), QStringLiteral("VELDRIS2(無題)"));
  EXPECT_EQ(w.pageNumLabel()->text(), "0/0");
  EXPECT_EQ(w.currentPage(), 0);
  // The b5t paper at zoom 1.
  EXPECT_EQ(w.view()->image().width(), static_cast<int>(182 * w.screenDpi() / 25.4));
  // Nothing to page, print or typeset again.
  QTest::keyClick(w.view(), Qt::Key_F11);
  w.RePaintButtonClick();
  EXPECT_EQ(w.typesetRuns(), 0);
  w.PrintItemClick();
  EXPECT_EQ(sh.messages, QStringList{QStringLiteral("印刷するデータがありません。")});
}

TEST(Viewer, OpeningShowsPageOneAndSetsTheCaption) {
  Shell sh;
  TSDIAppForm& w = sh.open();
  QString doc = sh.writeDoc("ten.vdr", 10);
  ASSERT_TRUE(w.OpenFile(doc));
  EXPECT_TRUE(w.documentOpen());
  EXPECT_TRUE(w.pageShown());
  EXPECT_EQ(w.pageCount(), 10);
  EXPECT_EQ(w.currentPage(), 1);
  EXPECT_EQ(w.windowTitle(), caption(doc, "1/10 "));
  EXPECT_EQ(w.pageNumLabel()->text(), "1/10");
  // A4 at the screen's resolution, and the text drawn on it.
  const QImage& img = w.view()->image();
  EXPECT_EQ(img.width(), static_cast<int>(210 * w.screenDpi() / 25.4));
  EXPECT_EQ(img.height(), static_cast<int>(297 * w.screenDpi() / 25.4));
  EXPECT_GT(veltest::inkPixels(img), 50);
  EXPECT_EQ(w.view()->scrollRange(), img.size() + QSize(40, 40));
  EXPECT_FALSE(w.informationForm()->isVisible());
  EXPECT_TRUE(w.informationForm()->text().startsWith("VELDRIS (ten.vdr)"));
}

TEST(Viewer, FunctionKeysAndPageKeysTurnPages) {
  Shell sh;
  TSDIAppForm& w = sh.open();
  ASSERT_TRUE(w.OpenFile(sh.writeDoc("ten.vdr", 10)));
  const std::pair<Qt::Key, int> steps[] = {
      {Qt::Key_F10, 1},      {Qt::Key_F9, 1},       {Qt::Key_F11, 2},      {Qt::Key_F11, 3},
      {Qt::Key_PageDown, 4}, {Qt::Key_PageUp, 3},   {Qt::Key_F12, 10},     {Qt::Key_F11, 10},
      {Qt::Key_PageDown, 10}, {Qt::Key_F10, 9},     {Qt::Key_F9, 1},       {Qt::Key_PageUp, 1},
  };
  int runs = w.typesetRuns();
  for (const auto& [key, sheet] : steps) {
    QTest::keyClick(w.view(), key);
    EXPECT_EQ(w.currentPage(), sheet) << QTest::toString(key);
  }
  EXPECT_EQ(w.windowTitle(), caption(w.documentPath(), "1/10 "));
  EXPECT_EQ(w.typesetRuns(), runs);  // paging never typesets
}

TEST(Viewer, PageDialog) {
  Shell sh;
  TSDIAppForm& w = sh.open();
  ASSERT_TRUE(w.OpenFile(sh.writeDoc("ten.vdr", 10)));
  const std::pair<const char*, int> cases[] = {{"3+1", 4}, {"0", 1}, {"99", 10}, {"-5", 1}, {"2.9", 2}, {"x", 1}};
  for (const auto& [input, sheet] : cases) {
    auto [title, label] = answer(w, &TSDIAppForm::AnyPageItemClick, input);
    EXPECT_EQ(title, QStringLiteral("ページ指定"));
    EXPECT_EQ(label, QStringLiteral("ページへ(1～10)"));
    EXPECT_EQ(w.currentPage(), sheet) << input;
  }
  // Cancel leaves the page.
  veltest::whileModal([&] { w.AnyPageItemClick(); }, [&] { w.pageForm()->reject(); });
  EXPECT_EQ(w.currentPage(), 1);
  EXPECT_EQ(PageFromInput("3+1", 10), 4);
}

TEST(Viewer, ZoomDialogAndZoomItemsDoNotTypeset) {
  Shell sh;
  TSDIAppForm& w = sh.open();
  ASSERT_TRUE(w.OpenFile(sh.writeDoc("ten.vdr", 10)));
  QTest::keyClick(w.view(), Qt::Key_F11);
  const int runs = w.typesetRuns();
  struct Case {
    const char* input;
    double zoom;
  };
  const Case cases[] = {{"500", 3.0}, {"10", 0.4}, {"150", 1.5}, {"100", 1.0}, {"50+25", 0.75}};
  for (const Case& c : cases) {
    auto [title, label] = answer(w, &TSDIAppForm::anybaiItemClick, c.input);
    EXPECT_EQ(title, QStringLiteral("表示倍率指定"));
    EXPECT_EQ(label, QStringLiteral("％ (40～300)"));
    EXPECT_DOUBLE_EQ(w.zoom(), c.zoom) << c.input;
    // The page image is the paper at the zoom: A4 at 300 % fits.
    EXPECT_EQ(w.view()->image().width(), static_cast<int>(210 * c.zoom * w.screenDpi() / 25.4)) << c.input;
  }
  EXPECT_EQ(w.windowTitle(), caption(w.documentPath(), QStringLiteral("(表示倍率 75%) 2/10 ")));
  w.action("bai200Item")->trigger();
  EXPECT_DOUBLE_EQ(w.zoom(), 2.0);
  w.action("bai40Item")->trigger();
  EXPECT_DOUBLE_EQ(w.zoom(), 0.4);
  w.action("bai100Item")->trigger();
  EXPECT_EQ(w.windowTitle(), caption(w.documentPath(), "2/10 "));
  EXPECT_EQ(w.currentPage(), 2);
  EXPECT_EQ(w.typesetRuns(), runs);
}

TEST(Viewer, RetypesetKeepsThePageAndReportsAMissingFile) {
  Shell sh;
  TSDIAppForm& w = sh.open();
  QString doc = sh.writeDoc("ten.vdr", 10);
  ASSERT_TRUE(w.OpenFile(doc));
  QTest::keyClick(w.view(), Qt::Key_F12);
  sh.writeDoc("ten.vdr", 12);
  const int runs = w.typesetRuns();
  QTest::keyClick(w.view(), Qt::Key_F5);
  EXPECT_EQ(w.typesetRuns(), runs + 1);
  EXPECT_EQ(w.pageCount(), 12);
  EXPECT_EQ(w.currentPage(), 10);

  QFile::remove(doc);
  QTest::keyClick(w.view(), Qt::Key_F5);
  EXPECT_EQ(sh.messages, QStringList{doc + QStringLiteral(" がありません。")});
  EXPECT_EQ(w.typesetRuns(), runs + 1);
  EXPECT_EQ(w.pageCount(), 12);
}

TEST(Viewer, AFailedRunKeepsTheLastGoodPages) {
  Shell sh;
  TSDIAppForm& w = sh.open();
  QString doc = sh.writeDoc("ten.vdr", 10);
  ASSERT_TRUE(w.OpenFile(doc));
  for (int i = 0; i < 4; ++i) QTest::keyClick(w.view(), Qt::Key_F11);
  ASSERT_EQ(w.currentPage(), 5);
  const QImage before = w.view()->image();

  // Three sheets, then an undefined command.
  veltest::writeSjis(doc.toStdString(),
                     "\\documentstyle{10.5, a4t}\n\\begindocument\nA\\newpage\nB\\newpage\nC\\undefinedthing\n");
  QTest::keyClick(w.view(), Qt::Key_F5);
  EXPECT_TRUE(w.informationForm()->isVisible());
  const QString log = w.informationForm()->text();
  EXPECT_TRUE(log.contains(QStringLiteral("** \\undefinedthingコマンドは定義されていません。(5行目)"))) << log.toStdString();
  EXPECT_EQ(w.pageCount(), 10);
  EXPECT_EQ(w.currentPage(), 5);
  EXPECT_EQ(w.view()->image(), before);
  // Paging, zooming and refreshing work on the last good run.
  QTest::keyClick(w.view(), Qt::Key_F12);
  EXPECT_EQ(w.currentPage(), 10);
  w.action("bai150Item")->trigger();
  w.RefreshItemClick();
  EXPECT_EQ(w.currentPage(), 10);
  EXPECT_EQ(w.windowTitle(), caption(doc, QStringLiteral("(表示倍率 150%) 10/10 ")));

  // Mended, F5 shows the new pages and hides the window.
  sh.writeDoc("ten.vdr", 3);
  QTest::keyClick(w.view(), Qt::Key_F5);
  EXPECT_FALSE(w.informationForm()->isVisible());
  EXPECT_EQ(w.pageCount(), 3);
  EXPECT_EQ(w.currentPage(), 3);
}

TEST(Viewer, FirstRunFailingLeavesNothingToPage) {
  Shell sh;
  TSDIAppForm& w = sh.open();
  QString doc = sh.path("bad.vdr");
  veltest::writeSjis(doc.toStdString(), "\\documentstyle{10.5, a4t}\n\\begindocument\n\\nosuchcommand\n");
  ASSERT_TRUE(w.OpenFile(doc));
  EXPECT_TRUE(w.informationForm()->isVisible());
  EXPECT_EQ(w.pageCount(), 0);
  QTest::keyClick(w.view(), Qt::Key_F11);
  w.RefreshItemClick();
  w.PrintItemClick();
  EXPECT_EQ(w.currentPage(), 0);
  EXPECT_EQ(sh.messages, QStringList{QStringLiteral("印刷するデータがありません。")});
}

TEST(Viewer, ScrollKeysAndWheelStayInRange) {
  Shell sh;
  TSDIAppForm& w = sh.open();
  w.resize(400, 300);
  ASSERT_TRUE(w.OpenFile(sh.writeDoc("one.vdr", 1)));
  PageView* v = w.view();
  const QPoint max(v->horizontalScrollBar()->maximum(), v->verticalScrollBar()->maximum());
  ASSERT_GT(max.y(), 64);
  QTest::keyClick(v, Qt::Key_Down);
  QTest::keyClick(v, Qt::Key_Down);
  QTest::keyClick(v, Qt::Key_Right);
  EXPECT_EQ(v->scrollPosition(), QPoint(32, 64));
  QTest::keyClick(v, Qt::Key_Up);
  QTest::keyClick(v, Qt::Key_Left);
  QTest::keyClick(v, Qt::Key_Left);
  EXPECT_EQ(v->scrollPosition(), QPoint(0, 32));
  QTest::keyClick(v, Qt::Key_End);
  EXPECT_EQ(v->scrollPosition(), max);
  QTest::keyClick(v, Qt::Key_Down);
  EXPECT_EQ(v->scrollPosition(), max);
  QTest::keyClick(v, Qt::Key_Home);
  EXPECT_EQ(v->scrollPosition(), QPoint(0, 0));

  QWheelEvent down(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                   Qt::NoScrollPhase, false);
  QApplication::sendEvent(v->viewport(), &down);
  EXPECT_EQ(v->scrollPosition(), QPoint(0, 32));
  QWheelEvent up(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, 240), Qt::NoButton, Qt::NoModifier,
                 Qt::NoScrollPhase, false);
  QApplication::sendEvent(v->viewport(), &up);
  EXPECT_EQ(v->scrollPosition(), QPoint(0, 0));

  // The margin: 5 mm, or none.
  EXPECT_EQ(v->panelOffset(), static_cast<int>(5.0 * w.screenDpi() / 25.4));
}

TEST(Viewer, DoubleClickAndTimerRedrawWithoutTypesetting) {
  Shell sh;
  sh.writeIni("DoRefresh", true);
  TSDIAppForm& w = sh.open();
  ASSERT_TRUE(w.OpenFile(sh.writeDoc("two.vdr", 2)));
  const int runs = w.typesetRuns();
  QTest::keyClick(w.view(), Qt::Key_F11);
  w.view()->image().fill(Qt::red);  // anything left would show
  QTest::mouseDClick(w.view()->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(w.view()->image().pixel(0, 0) & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(w.currentPage(), 2);
  w.view()->image().fill(Qt::red);
  ASSERT_TRUE(w.refreshTimer()->isActive());
  EXPECT_TRUE(veltest::waitUntil([&] { return (w.view()->image().pixel(0, 0) & 0xFFFFFF) == 0xFFFFFFu; }, 6000));
  EXPECT_EQ(w.typesetRuns(), runs);
}

TEST(Viewer, InformationWindow) {
  Shell sh;
  TSDIAppForm& w = sh.open();
  TInformationForm* info = w.informationForm();
  EXPECT_EQ(info->windowTitle(), "INFORMATION");
  EXPECT_FALSE(info->windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(info->windowFlags() & Qt::WindowSystemMenuHint);
  EXPECT_TRUE(info->memo()->isReadOnly());
  EXPECT_EQ(info->memo()->palette().color(QPalette::Text), QColor(0, 128, 0));
  EXPECT_EQ(info->memo()->palette().color(QPalette::Base), QColor(Qt::white));
  EXPECT_EQ(info->memo()->font().pixelSize(), 15);
  info->addLine("VELDRIS (a.vdr)");
  info->addLine(QStringLiteral("処理済みカラム数"));
  info->appendAtCaret("[1]");
  info->appendAtCaret("[2]");
  info->addLine("** x");
  EXPECT_EQ(info->text(), QStringLiteral("VELDRIS (a.vdr)\n処理済みカラム数\n[1][2]\n** x"));
  info->show();
  info->close();  // only the program hides it
  EXPECT_TRUE(info->isVisible());
}

namespace {
// A key as the keyboard sends it: to whichever window has the focus.
void pressKey(Qt::Key key) {
  ASSERT_TRUE(veltest::waitUntil([] { return QGuiApplication::focusWindow() != nullptr; }, 1000));
  QTest::keyClick(QGuiApplication::focusWindow(), key);
}
}  // namespace

// The INFORMATION window shows at the start of every run but takes the
// keys only after an error; after a good run they are the main window's.
TEST(Viewer, PageKeysReachTheMainWindowAfterEveryRun) {
  Shell sh;
  TSDIAppForm& w = sh.open();
  QString doc = sh.writeDoc("ten.vdr", 10);
  ASSERT_TRUE(w.OpenFile(doc));
  pressKey(Qt::Key_PageDown);
  EXPECT_EQ(w.currentPage(), 2);
  pressKey(Qt::Key_F5);
  pressKey(Qt::Key_PageDown);
  EXPECT_EQ(w.currentPage(), 3);

  veltest::writeSjis(doc.toStdString(), "\\documentstyle{10.5, a4t}\n\\begindocument\n\\nosuchcommand\n");
  pressKey(Qt::Key_F5);
  EXPECT_TRUE(w.informationForm()->isVisible());
  EXPECT_TRUE(veltest::waitUntil([&] { return w.informationForm()->isActiveWindow(); }, 1000));

  sh.writeDoc("ten.vdr", 10);
  pressKey(Qt::Key_F5);
  EXPECT_FALSE(w.informationForm()->isVisible());
  pressKey(Qt::Key_PageDown);
  EXPECT_EQ(w.currentPage(), 4);
  pressKey(Qt::Key_End);
  EXPECT_EQ(w.view()->scrollPosition(),
            QPoint(w.view()->horizontalScrollBar()->maximum(), w.view()->verticalScrollBar()->maximum()));
}

// Another file whose first run fails shows nothing of the previous one:
// empty paper, "0/0", nothing to page or print. F5 on the same file keeps
// its last good pages (AFailedRunKeepsTheLastGoodPages).
TEST(Viewer, AnotherFileThatFailsShowsNoPagesOfThePreviousOne) {
  Shell sh;
  TSDIAppForm& w = sh.open();
  ASSERT_TRUE(w.OpenFile(sh.writeDoc("good.vdr", 10)));
  QTest::keyClick(w.view(), Qt::Key_F12);
  ASSERT_GT(veltest::inkPixels(w.view()->image()), 50);
  const QString bad = sh.path("bad.vdr");
  veltest::writeSjis(bad.toStdString(), "\\documentstyle{10.5, a4t}\n\\begindocument\n\\nosuchcommand\n");
  ASSERT_TRUE(w.OpenFile(bad));
  EXPECT_TRUE(w.informationForm()->isVisible());
  EXPECT_EQ(w.pageCount(), 0);
  EXPECT_EQ(w.currentPage(), 0);
  EXPECT_EQ(w.pageNumLabel()->text(), "0/0");
  EXPECT_EQ(w.windowTitle(), "VELDRIS2(" + bad + ")");
  EXPECT_EQ(veltest::inkPixels(w.view()->image()), 0);
  QTest::keyClick(w.view(), Qt::Key_F9);
  w.RefreshItemClick();
  EXPECT_EQ(veltest::inkPixels(w.view()->image()), 0);
  w.PrintItemClick();
  EXPECT_EQ(sh.messages, QStringList{QStringLiteral("印刷するデータがありません。")});

  // Mended, F5 shows it.
  sh.writeDoc("bad.vdr", 2);
  QTest::keyClick(w.view(), Qt::Key_F5);
  EXPECT_EQ(w.pageCount(), 2);
  EXPECT_EQ(w.pageNumLabel()->text(), "1/2");
}

// Characters of a UTF-8 source without a Shift-JIS form are set as 〓 and
// counted in the INFORMATION window, which does not take the keys for it.
TEST(Viewer, Utf8SourceCountsTheCharactersSetAsGeta) {
  Shell sh;
  TSDIAppForm& w = sh.open();
  const QString doc = sh.path("utf8.vdr");
  veltest::writeFile(doc.toStdString(),
                     "\\documentstyle{10.5, a4t}\n\\begindocument\nあ\xF0\x9F\x98\x80い\xF0\x9D\x84\x9E\xC3\xA9\n");
  ASSERT_TRUE(w.OpenFile(doc));
  EXPECT_EQ(w.pageCount(), 1);
  EXPECT_TRUE(w.informationForm()->isVisible());
  const QString log = w.informationForm()->text();
  EXPECT_TRUE(log.contains(QStringLiteral(" 3 文字")) && log.contains(QStringLiteral("〓"))) << log.toStdString();
  // The run's own warning, once: the line veldris-render writes too.
  const QStringList notes = log.split(QLatin1Char('\n')).filter(QStringLiteral("〓"));
  ASSERT_EQ(notes.size(), 1) << log.toStdString();
  EXPECT_NE(veltest::runRender({doc.toStdString()}).out.find(notes[0].toStdString()), std::string::npos)
      << notes[0].toStdString();
  // Shown, it does not keep the keys, whatever the platform does on show.
  QTest::qWait(100);
  EXPECT_EQ(QGuiApplication::focusWindow(), w.windowHandle());
  pressKey(Qt::Key_End);
  EXPECT_GT(w.view()->scrollPosition().y(), 0);

  // So does a file it includes, whose warning a good run would hide.
  veltest::writeFile(sh.tmp.file("sub.vdr"), "\xF0\x9F\x98\x80x\xF0\x9F\x98\x80\n");
  ASSERT_TRUE(w.OpenFile(sh.writeDoc("inc.vdr", 1, "\\input{sub}\n")));
  EXPECT_EQ(w.pageCount(), 1);
  EXPECT_TRUE(w.informationForm()->isVisible());
  EXPECT_TRUE(w.informationForm()->text().contains(QStringLiteral("sub.vdr の 2 文字")))
      << w.informationForm()->text().toStdString();
  QTest::qWait(100);
  EXPECT_EQ(QGuiApplication::focusWindow(), w.windowHandle());
  pressKey(Qt::Key_End);
  EXPECT_GT(w.view()->scrollPosition().y(), 0);

  // A Shift-JIS source gets no note.
  ASSERT_TRUE(w.OpenFile(sh.writeDoc("sjis.vdr", 1)));
  EXPECT_FALSE(w.informationForm()->isVisible());
  EXPECT_FALSE(w.informationForm()->text().contains(QStringLiteral("〓")));
}

// The quoted source line after an error is processed text: the group
// markers and the literal-brace codes are shown as the user wrote them.
TEST(Viewer, QuotedSourceLinesShowTheBracesAsWritten) {
  const std::pair<std::string, const char*> cases[] = {
      {"A \\group\x01x\\nosuch\\group\x02 b", "A \\group{x\\nosuch} b"},
      {"\\lengroup\x01" "1\\lengroup\x02\\valgroup\x01v\\valgroup\x02", "\\lengroup{1}\\valgroup{v}"},
      {"\x01y\x02", "\\{y\\}"},
      {"\\groupx\x01", "\\groupx\\{"},  // another command: a literal brace after it
      {"\x0B\x7F", "\\x0B\\x7F"},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(MessageLineText(in), QString::fromUtf8(out)) << out;
  // A double-byte character whose trail byte is a backslash stays whole.
  EXPECT_EQ(MessageLineText(veltest::sj("表\\group") + "\x01"), QStringLiteral("表\\group{"));

  Shell sh;
  TSDIAppForm& w = sh.open();
  const QString doc = sh.path("group.vdr");
  veltest::writeSjis(doc.toStdString(), "\\documentstyle{10.5, a4t}\n\\begindocument\nA \\group{x\\nosuch} \\{b\\}\n");
  ASSERT_TRUE(w.OpenFile(doc));
  const QString log = w.informationForm()->text();
  EXPECT_TRUE(log.endsWith(QStringLiteral("A \\group{x\\nosuch} \\{b\\}"))) << log.toStdString();
  EXPECT_FALSE(log.contains(QChar(1)));
  EXPECT_FALSE(log.contains(QChar(2)));
}
