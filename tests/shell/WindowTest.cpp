// Menus and toolbar, printing from the window, re-typesetting on save,
// help and external programs, start-up opening.
#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QRadioButton>
#include <QDialogButtonBox>
#include <QFontComboBox>
#include <QFontDatabase>
#include <QTranslator>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPrintDialog>
#include <QPushButton>
#include <QTest>
#include <QTextBrowser>
#include <QThread>
#include <QToolBar>

#include "ShellFixture.h"
#include "shell/HelpWindow.h"
#include "shell/InformationForm.h"
#include "shell/MainWindow.h"
#include "shell/PageView.h"
#include "shell/KankyoForm.h"
#include "shell/PageForm.h"
#include "shell/SmallForms.h"
#include "shell/Translations.h"

using namespace vel;
using veltest::Shell;

TEST(Window, MenuCaptionsAndKeys) {
  Shell sh;
  TSDIAppForm& w = sh.open(false);
  QStringList menus;
  for (QAction* a : w.menuBar()->actions()) menus << a->text();
  EXPECT_EQ(menus, (QStringList{QStringLiteral("ﾌｧｲﾙ(&F)"), QStringLiteral("表示(&V)"), QStringLiteral("ページ(&P)"),
                                QStringLiteral("環境(&S)"), QStringLiteral("ﾍﾙﾌﾟ(&H)")}));
  struct Item {
    const char* name;
    const char16_t* text;
    QKeySequence key;
  };
  const Item items[] = {
      {"OpenItem", u"開く(&O)...", QKeySequence(Qt::CTRL | Qt::Key_O)},
      {"OpenTorivanDataItem", u"とりばんデータを開く(&H)", QKeySequence(Qt::Key_F6)},
      {"ResetFileHistoryItem", u"ファイル履歴を整理 (&S)", {}},
      {"PrintItem", u"印刷(&P)", QKeySequence(Qt::CTRL | Qt::Key_P)},
      {"ExitItem", u"終了(&X)", QKeySequence(Qt::ALT | Qt::Key_X)},
      {"RePaintItem", u"再描画(&R)", QKeySequence(Qt::Key_F5)},
      {"anybaiItem", u"任意倍率", {}},
      {"bai200Item", u"倍率 200% (&a)", {}},
      {"bai150Item", u"倍率 150% (&b)", {}},
      {"bai100Item", u"倍率 100% (&1)", {}},
      {"bai90Item", u"倍率  90% (&9)", {}},
      {"bai80Item", u"倍率  80% (&8)", {}},
      {"bai70Item", u"倍率  70% (&7)", {}},
      {"bai60Item", u"倍率  60% (&6)", {}},
      {"bai50Item", u"倍率  50% (&5)", {}},
      {"bai40Item", u"倍率  40% (&4)", {}},
      {"RefreshItem", u"画面のリフレッシュ (&P)", {}},
      {"SourceFileItem", u"ソースファイル(&S)", {}},
      {"FirstPageItem", u"最初のページへ(&F)", QKeySequence(Qt::Key_F9)},
      {"PrevPageItem", u"手前のページへ(&P)", QKeySequence(Qt::Key_F10)},
      {"NextPageItem", u"次のページへ(&N)", QKeySequence(Qt::Key_F11)},
      {"LastPageItem", u"最後のページへ(&L)", QKeySequence(Qt::Key_F12)},
      {"AnyPageItem", u"任意のページ(&A)", {}},
      {"KankyoItem", u"環境設定(&K)", {}},
      {"ContentsItem", u"目次(&C)", QKeySequence(Qt::Key_F1)},
      {"AboutVeldrisItem", u"ＶＥＬＤＲＩＳとは？(&W)", {}},
      {"MathCommandItem", u"数式コマンド一覧(&M)", QKeySequence(Qt::Key_F7)},
      {"DrawCommandItem", u"描画コマンド一覧(&D)", QKeySequence(Qt::Key_F8)},
      {"FontNameNyuryokuItem", u"フォント名入力支援(&F)", {}},
      {"VELDRISNyumonItem", u"VELDRIS 入門講座 (&L)", {}},
      {"PDFItem", u"PDFファイルの作成について(&P)", {}},
      {"AboutVersionUpItem", u"バージョンアップ(&V)", {}},
      {"About1", u"ﾊﾞｰｼﾞｮﾝ情報(&A)...", {}},
  };
  for (const Item& i : items) {
    QAction* a = w.action(i.name);
    ASSERT_NE(a, nullptr) << i.name;
    EXPECT_EQ(a->text(), QString::fromUtf16(i.text)) << i.name;
    EXPECT_EQ(a->shortcut(), i.key) << i.name;
  }
  // No history yet: its separators and the tidy item are hidden.
  EXPECT_FALSE(w.action("ResetFileHistoryItem")->isVisible());
}

TEST(Window, ToolbarButtonsAndHints) {
  Shell sh;
  TSDIAppForm& w = sh.open(false);
  QStringList hints;
  for (QAction* a : w.toolBar()->actions())
    if (!a->isSeparator() && !qobject_cast<QLabel*>(w.toolBar()->widgetForAction(a))) hints << a->toolTip();
  EXPECT_EQ(hints, (QStringList{QStringLiteral("開く(Ctrl+O)"), QStringLiteral("再描画(F5)"), QStringLiteral("印刷(Ctrl+P)"),
                                QStringLiteral("数式コマンド一覧(F7)"), QStringLiteral("描画コマンド一覧(F8)"),
                                QStringLiteral("ヘルプ(F1)"), QStringLiteral("最初のページへ(F9)"),
                                QStringLiteral("手前のページへ(F10)"), QStringLiteral("次のページへ(F11)"),
                                QStringLiteral("最後のページへ(F12)")}));
  EXPECT_EQ(w.action("MathCommandButton")->text(), QStringLiteral("Σ"));
  EXPECT_EQ(w.pageNumLabel()->text(), "0/0");

  // The buttons do what the menu items do.
  ASSERT_TRUE(w.OpenFile(sh.writeDoc("three.vdr", 3)));
  w.action("LastPageButton")->trigger();
  EXPECT_EQ(w.currentPage(), 3);
  w.action("PrevPageButton")->trigger();
  EXPECT_EQ(w.currentPage(), 2);
  w.action("FirstPageButton")->trigger();
  EXPECT_EQ(w.currentPage(), 1);
  w.action("NextPageButton")->trigger();
  EXPECT_EQ(w.currentPage(), 2);
  const int runs = w.typesetRuns();
  w.action("RePaintButton")->trigger();
  EXPECT_EQ(w.typesetRuns(), runs + 1);

  // Hidden by the setting.
  Shell hidden;
  hidden.writeIni("MainForm/ToolBarDisp", false);
  TSDIAppForm& h = hidden.open();
  EXPECT_FALSE(h.toolBar()->isVisible());
}

namespace {
int pdfPages(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return -1;
  const QByteArray pdf = f.readAll();
  int n = 0;
  for (qsizetype at = 0; (at = pdf.indexOf("/Type /Page", at)) >= 0; at += 11)
    if (pdf.mid(at + 11, 1) != "s") ++n;
  return n;
}
}  // namespace

TEST(Window, PrintingARangeThroughTheDialog) {
  Shell sh;
  TSDIAppForm& w = sh.open();
  ASSERT_TRUE(w.OpenFile(sh.writeDoc("Ten.vdr", 10)));
  QTest::keyClick(w.view(), Qt::Key_F11);
  const QString pdf = sh.path("out.pdf");
  w.printer().setOutputFormat(QPrinter::PdfFormat);
  w.printer().setOutputFileName(pdf);
  veltest::whileModal([&] { w.PrintItemClick(); },
                      [&] {
                        auto* dlg = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
                        ASSERT_NE(dlg, nullptr);
                        EXPECT_EQ(dlg->minPage(), 1);
                        EXPECT_EQ(dlg->maxPage(), 10);
                        dlg->printer()->setPrintRange(QPrinter::PageRange);
                        dlg->printer()->setFromTo(3, 5);
                        dlg->printer()->setOutputFileName(pdf);
                        dlg->done(QDialog::Accepted);
                      });
  TAbortPrintForm* progress = w.abortPrintForm();
  EXPECT_TRUE(progress->isVisible());
  EXPECT_EQ(progress->windowTitle(), QStringLiteral("VELDRIS印刷"));
  EXPECT_EQ(progress->fileName->text(), "TEN.VDR");
  EXPECT_EQ(progress->page->text(), QStringLiteral("(3ページ)"));
  EXPECT_TRUE(w.printTimer()->isActive());
  EXPECT_EQ(w.printTimer()->interval(), 500);

  // While the job runs, refresh, F5 and opening are ignored, and nothing
  // changes the drawing state (zoom items, the zoom dialog, the settings);
  // the cancel request is read between pages.
  const int runs = w.typesetRuns();
  bool sawJob = false;
  QTimer during;
  during.setInterval(0);
  QObject::connect(&during, &QTimer::timeout, [&] {
    if (!w.printing() || sawJob) return;
    sawJob = true;
    const double printScale = w.engine().state()->draw.scale;
    w.RePaintButtonClick();
    w.RefreshItemClick();
    EXPECT_FALSE(w.OpenFile(sh.writeDoc("other.vdr", 1)));
    QTest::keyClick(w.view(), Qt::Key_F12);
    for (const char* item : {"bai40Item", "bai200Item", "anybaiItem", "KankyoItem", "RePaintItem", "OpenItem"})
      EXPECT_FALSE(w.action(item)->isEnabled()) << item;
    w.action("bai40Item")->trigger();
    w.SetZoom(0.4);
    w.anybaiItemClick();
    w.KankyoItemClick();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_DOUBLE_EQ(w.zoom(), 1.0);
    EXPECT_DOUBLE_EQ(w.engine().state()->draw.scale, printScale);
  });
  during.start();
  EXPECT_TRUE(veltest::waitUntil([&] { return !w.printTimer()->isActive() && !w.printing(); }, 10000));
  during.stop();
  EXPECT_TRUE(sawJob);
  EXPECT_EQ(w.typesetRuns(), runs);
  EXPECT_EQ(w.documentPath(), sh.path("Ten.vdr"));
  EXPECT_FALSE(progress->isVisible());
  EXPECT_EQ(pdfPages(pdf), 3);
  // The view is as it was, and the items work again.
  EXPECT_EQ(w.currentPage(), 2);
  EXPECT_DOUBLE_EQ(w.zoom(), 1.0);
  EXPECT_TRUE(w.action("bai40Item")->isEnabled());
  EXPECT_TRUE(w.action("KankyoItem")->isEnabled());
  w.action("bai40Item")->trigger();
  EXPECT_DOUBLE_EQ(w.zoom(), 0.4);
}

TEST(Window, CancellingAPrintJob) {
  Shell sh;
  TSDIAppForm& w = sh.open();
  ASSERT_TRUE(w.OpenFile(sh.writeDoc("ten.vdr", 10)));
  const QString pdf = sh.path("cancel.pdf");
  w.printer().setOutputFormat(QPrinter::PdfFormat);
  w.printer().setOutputFileName(pdf);
  veltest::whileModal([&] { w.PrintItemClick(); },
                      [&] {
                        auto* dlg = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
                        ASSERT_NE(dlg, nullptr);
                        dlg->printer()->setPrintRange(QPrinter::AllPages);
                        dlg->printer()->setOutputFileName(pdf);
                        dlg->done(QDialog::Accepted);
                      });
  QStringList pagesShown;
  QTimer during;
  during.setInterval(0);
  QObject::connect(&during, &QTimer::timeout, [&] {
    if (!w.printing()) return;
    const QString p = w.abortPrintForm()->page->text();
    if (pagesShown.isEmpty() || pagesShown.last() != p) pagesShown << p;
    if (p == QStringLiteral("(2ページ)")) w.abortPrintForm()->cancelButton->click();
  });
  during.start();
  EXPECT_TRUE(veltest::waitUntil([&] { return !w.printTimer()->isActive() && !w.printing(); }, 10000));
  during.stop();
  // Page 2 was started and finished; the request stopped the job before page 3.
  EXPECT_EQ(pagesShown.last(), QStringLiteral("(2ページ)"));
  EXPECT_FALSE(w.abortPrintForm()->isVisible());
  EXPECT_FALSE(pagesShown.contains(QStringLiteral("(3ページ)")));
  EXPECT_LT(pdfPages(pdf), 10);  // (a PDF printer cannot drop what it wrote)
  // Back to normal: F5 works again.
  const int runs = w.typesetRuns();
  w.RePaintButtonClick();
  EXPECT_EQ(w.typesetRuns(), runs + 1);
}

TEST(Window, RetypesetsWhenTheSourceIsSaved) {
  Shell sh;
  sh.writeIni("AutoRetypeset", true);
  TSDIAppForm& w = sh.open();
  QString doc = sh.writeDoc("live.vdr", 2);
  ASSERT_TRUE(w.OpenFile(doc));
  EXPECT_TRUE(w.watcher()->files().contains(doc));
  const int runs = w.typesetRuns();
  QThread::msleep(20);  // a new modification time
  sh.writeDoc("live.vdr", 4);
  EXPECT_TRUE(veltest::waitUntil([&] { return w.pageCount() == 4; }, 5000));
  EXPECT_EQ(w.typesetRuns(), runs + 1);
  EXPECT_FALSE(w.informationForm()->isVisible());

  // Saved by writing another file and renaming it over the source.
  const QString tmp = sh.path("live.vdr.new");
  veltest::writeSjis(tmp.toStdString(), "\\documentstyle{10.5, a4t}\n\\begindocument\nA\\newpage\nB\\newpage\nC\n");
  ASSERT_EQ(std::rename(tmp.toLocal8Bit().constData(), doc.toLocal8Bit().constData()), 0);
  EXPECT_TRUE(veltest::waitUntil([&] { return w.pageCount() == 3; }, 5000));

  // A failing run shows the INFORMATION window.
  QThread::msleep(20);
  veltest::writeSjis(doc.toStdString(), "\\documentstyle{10.5, a4t}\n\\begindocument\n\\nosuchthing\n");
  EXPECT_TRUE(veltest::waitUntil([&] { return w.informationForm()->isVisible(); }, 5000));
  EXPECT_EQ(w.pageCount(), 3);

  // Off again: saving does nothing.
  w.settings().autoRetypeset = false;
  const int now = w.typesetRuns();
  QThread::msleep(20);
  sh.writeDoc("live.vdr", 1);
  QTest::qWait(800);
  EXPECT_EQ(w.typesetRuns(), now);
}

TEST(Window, NoWatchingUnlessAsked) {
  Shell sh;
  TSDIAppForm& w = sh.open();
  ASSERT_TRUE(w.OpenFile(sh.writeDoc("still.vdr", 1)));
  EXPECT_TRUE(w.watcher()->files().isEmpty());
  EXPECT_TRUE(w.watcher()->directories().isEmpty());
}

TEST(Window, HelpTopicsExist) {
  Shell sh;
  TSDIAppForm& w = sh.open(false);
  const char* const titles[] = {"VELDRIS2 ヘルプ 目次", "ＶＥＬＤＲＩＳとは？", "数式コマンド一覧",
                                "描画コマンド一覧", "PDFファイルの作成について", "環境設定"};
  for (int t = 0; t <= 5; ++t) {
    ASSERT_TRUE(w.helpWindow()->showTopic(t)) << t;
    EXPECT_EQ(w.helpWindow()->browser()->documentTitle(), QString::fromUtf8(titles[t])) << t;
  }
  EXPECT_FALSE(w.helpWindow()->showTopic(6));
  // F1, F7, F8 and the menu items.
  w.action("MathCommandItem")->trigger();
  EXPECT_TRUE(w.helpWindow()->browser()->source().toString().endsWith("math.html"));
  w.action("PDFItem")->trigger();
  EXPECT_TRUE(w.helpWindow()->browser()->source().toString().endsWith("pdf.html"));
  EXPECT_TRUE(sh.messages.isEmpty());
}

TEST(Window, EditorBrowserAndMailItems) {
  Shell sh;
  TSDIAppForm& w = sh.open(false);
  QStringList started;
  QList<QUrl> urls;
  w.startProgramHook = [&](const QString& p, const QStringList& a) {
    started << p << a;
    return true;
  };
  bool canOpen = false;
  w.openUrlHook = [&](const QUrl& u) {
    urls << u;
    return canOpen;
  };
  w.SourceFileItemClick();
  ASSERT_EQ(sh.messages.size(), 1);
  EXPECT_EQ(sh.messages.last(), QStringLiteral("ファイルが開かれていません。"));

  QString doc = sh.writeDoc("my doc.vdr", 1);
  ASSERT_TRUE(w.OpenFile(doc));
  w.SourceFileItemClick();
  EXPECT_EQ(sh.messages.last(),
            QStringLiteral("ソースファイルを開くためのエディタが指定されていません。\n\n環境設定で指定してください。"));
  w.settings().editorName = "/usr/bin/my editor";
  w.SourceFileItemClick();
  EXPECT_EQ(started, (QStringList{"/usr/bin/my editor", doc}));
  w.settings().howToOpenEditor = 0;
  w.SourceFileItemClick();
  ASSERT_EQ(urls.size(), 1);
  EXPECT_EQ(urls.last(), QUrl::fromLocalFile(doc));

  // Without a configured target the items say so; the introductory course
  // is the help's topic 1.
  w.projectUrl.clear();
  w.issuesUrl.clear();
  const int before = static_cast<int>(sh.messages.size());
  w.MailToZendarSystemItemClick();
  EXPECT_EQ(sh.messages.last(), QStringLiteral("ご意見・ご要望の送り先は設定されていません。"));
  w.AboutVersionUpItemClick();
  EXPECT_EQ(sh.messages.last(), QStringLiteral("バージョンアップの案内ページは設定されていません。"));
  w.VELDRISNyumonItemClick();
  EXPECT_EQ(sh.messages.size(), before + 2);
  EXPECT_TRUE(w.helpWindow()->browser()->source().toString().endsWith("about.html"));
  EXPECT_EQ(urls.size(), 1);  // only the editor's

  // With targets: what nothing takes is reported, as a browser or a mail
  // program missing.
  w.projectUrl = "https://example.org/veldris";
  w.issuesUrl = "mailto:veldris@example.org";
  w.AboutVersionUpItemClick();
  EXPECT_EQ(sh.messages.last(), QStringLiteral("インターネット・ブラウザがインストールされていません。"));
  w.MailToZendarSystemItemClick();
  EXPECT_EQ(sh.messages.last(), QStringLiteral("メールソフトがインストールされていません。"));
  canOpen = true;
  w.AboutVersionUpItemClick();
  w.MailToZendarSystemItemClick();
  EXPECT_EQ(sh.messages.size(), before + 4);
  EXPECT_EQ(urls.mid(1), (QList<QUrl>{QUrl("https://example.org/veldris"), QUrl("mailto:veldris@example.org"),
                                      QUrl("https://example.org/veldris"), QUrl("mailto:veldris@example.org")}));
}

TEST(Window, TheEditorOpensAtTheErrorThatStoppedTheRun) {
  // The file that holds the error, an included one too, at the error's
  // line; the document itself after a good run.
  Shell sh;
  TSDIAppForm& w = sh.open(false);
  sh.recordLaunches();
  QStringList& started = sh.started;
  QList<QUrl>& urls = sh.urls;
  w.settings().editorName = "/usr/bin/ed";
  veltest::writeSjis(sh.tmp.file("sub.vdr"), "ok\n\\bad\n");
  const QString sub = sh.path("sub.vdr");
  const struct {
    std::string extra;
    QStringList expected;
  } cases[] = {
      {"\\input{sub}\n", {"/usr/bin/ed", "+2", sub}},
      {"x\n$x\n", {"/usr/bin/ed", "+4", sh.path("a.vdr")}},
      {"", {"/usr/bin/ed", sh.path("a.vdr")}},
  };
  for (const auto& c : cases) {
    const QString doc = sh.writeDoc("a.vdr", 1, c.extra);
    w.OpenFile(doc);
    w.SourceFileItemClick();
    EXPECT_EQ(started, c.expected) << c.extra;
  }
  // Opened by the file's association: the file, without a line.
  sh.writeDoc("a.vdr", 1, "\\input{sub}\n");
  w.OpenFile(sh.path("a.vdr"));
  w.settings().howToOpenEditor = 0;
  w.SourceFileItemClick();
  EXPECT_EQ(urls, (QList<QUrl>{QUrl::fromLocalFile(sub)}));
}

TEST(Window, StartUpOpening) {
  Shell sh;
  QString doc = sh.writeDoc("start.vdr", 2);
  {
    TSDIAppForm& w = sh.open(false);
    w.StartupOpen({doc});
    EXPECT_EQ(w.documentPath(), doc);
    EXPECT_EQ(w.currentPage(), 1);
    sh.close();
  }
  {
    // Without an argument and without AutoOpen nothing opens.
    TSDIAppForm& w = sh.open(false);
    w.StartupOpen({});
    EXPECT_FALSE(w.documentOpen());
    sh.close();
  }
  sh.writeIni("AutoOpen", true);
  TSDIAppForm& w = sh.open(false);
  w.StartupOpen({});
  EXPECT_EQ(w.documentPath(), doc);
  EXPECT_EQ(w.pageCount(), 2);
}

TEST(Window, AboutBox) {
  Shell sh;
  TSDIAppForm& w = sh.open(false);
  TAboutBox* a = w.aboutBox();
  EXPECT_EQ(a->windowTitle(), QStringLiteral("ＶＥＬＤＲＩＳ２バージョン情報"));
  EXPECT_TRUE(a->version->text().contains(QStringLiteral(VELDRIS_TEST_VERSION)));
  bool sawProduct = false;
  for (QLabel* l : a->findChildren<QLabel*>()) sawProduct |= l->text() == QStringLiteral("ＶＥＬＤＲＩＳ２");
  EXPECT_TRUE(sawProduct);
}

// The settings dialog is modal to the main window only: its help page can
// be read and used while it is open.
TEST(Window, SettingsHelpIsUsableWhileTheDialogIsOpen) {
  Shell sh;
  TSDIAppForm& w = sh.open();
  bool helpUsable = false;
  veltest::whileModal([&] { w.KankyoItemClick(); },
                      [&] {
                        TKankyoForm* k = w.kankyoForm();
                        EXPECT_EQ(k->windowModality(), Qt::WindowModal);
                        k->findChild<QPushButton*>("HelpBitBtn")->click();
                        HelpWindow* help = w.helpWindow();
                        ASSERT_TRUE(help->isVisible());
                        EXPECT_TRUE(help->browser()->source().toString().endsWith("settings.html"));
                        // A real click on its 目次 button reaches it.
                        for (QPushButton* b : help->findChildren<QPushButton*>())
                          if (b->text() == QStringLiteral("目次")) QTest::mouseClick(b, Qt::LeftButton);
                        helpUsable = help->browser()->source().toString().endsWith("index.html");
                        k->reject();
                      });
  EXPECT_TRUE(helpUsable);
}

// The font-name aid offers only faces with Japanese glyphs.
TEST(Window, FontNameAidOffersOnlyJapaneseFaces) {
  Shell sh;
  TSDIAppForm& w = sh.open(false);
  TFontNameForm* f = w.fontNameForm();
  QStringList offered;
  for (int i = 0; i < f->fonts->count(); ++i) offered << f->fonts->itemText(i);
  ASSERT_FALSE(offered.isEmpty());
  for (const QString& family : offered)
    EXPECT_TRUE(QFontDatabase::writingSystems(family).contains(QFontDatabase::Japanese)) << family.toStdString();
  EXPECT_TRUE(offered.contains(QStringLiteral("IPAPMincho")));
  EXPECT_FALSE(offered.contains(QStringLiteral("Liberation Serif")));
  EXPECT_FALSE(offered.contains(QStringLiteral("cmr10")));

  veltest::whileModal([&] { w.FontNameNyuryokuItemClick(); },
                      [&] {
                        EXPECT_EQ(f->fonts->currentText(), QStringLiteral("IPAPMincho"));
                        f->fonts->setCurrentIndex(f->fonts->findText(QStringLiteral("IPAGothic")));
                        f->accept();
                      });
  EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("IPAGothic"));
  EXPECT_EQ(sh.messages, QStringList{QStringLiteral("選択されたフォント名 \"IPAGothic\" をクリップボードにコピーしました。\n\n"
                                                    "クリップボードから貼りつけてご使用下さい。")});
}

// Linux wording in the settings dialog, the same button texts in every
// small dialog, and Qt's own dialogs in Japanese under a Japanese locale.
TEST(Window, WordingAndLanguageOnLinux) {
  for (const QString& text : {DirectoryHint(), AssociationCaption()}) {
    EXPECT_FALSE(text.contains(QStringLiteral("Windows"))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("ドライブ"))) << text.toStdString();
  }
  TKankyoForm k;
  EXPECT_EQ(k.associationRadio->text(), AssociationCaption());

  Shell sh;
  TSDIAppForm& w = sh.open(false);
  const auto buttonTexts = [](QWidget* dialog) {
    QStringList texts;
    for (QAbstractButton* b : dialog->findChild<QDialogButtonBox*>()->buttons()) texts << b->text();
    texts.sort();
    return texts;
  };
  const QStringList okCancel = {QStringLiteral("OK"), QStringLiteral("キャンセル")};
  EXPECT_EQ(buttonTexts(w.pageForm()), okCancel);
  EXPECT_EQ(buttonTexts(w.historyEditForm()), okCancel);
  EXPECT_EQ(buttonTexts(w.fontNameForm()), okCancel);

  EXPECT_EQ(InstallQtTranslations(QLocale(QLocale::English, QLocale::UnitedStates)), nullptr);
  QTranslator* ja = InstallQtTranslations(QLocale(QLocale::Japanese, QLocale::Japan));
  ASSERT_NE(ja, nullptr) << "Qt's Japanese translations (qt6-translations-l10n) are missing";
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("キャンセル"));
  EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Open"), QStringLiteral("開く"));
  QCoreApplication::removeTranslator(ja);
  delete ja;
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancel"));
}
