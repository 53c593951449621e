// The settings store and the environment dialog's rules.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTest>
#include <QTimer>

#include "ShellFixture.h"
#include "shell/AppSettings.h"
#include "shell/InformationForm.h"
#include "shell/KankyoForm.h"
#include "shell/MainWindow.h"
#include "shell/SmallForms.h"
#include "shell/WindowPlacement.h"

using namespace vel;
using veltest::Shell;

TEST(Settings, EmptyStoreGivesEveryDefault) {
  Shell sh;
  TSDIAppForm& w = sh.open(false);
  const AppSettings& s = w.settings();
  EXPECT_EQ(s.lastDir, "");
  EXPECT_EQ(s.lastFileName, "");
  EXPECT_TRUE(s.homeDir.endsWith('/'));
  EXPECT_TRUE(s.inputFileDirs.contains(s.homeDir + "input"));
  EXPECT_TRUE(s.imageFileDirs.isEmpty());
  EXPECT_EQ(s.xHead, QStringLiteral("、。，．・？！゛゜’”）］〕｝」』〉》】!),.:;?>]}｡｣､･ﾞﾟ"));
  EXPECT_EQ(s.xTail, QStringLiteral("（［｛「『‘“〔〈《【(<[{｢"));
  EXPECT_TRUE(s.firstMessage);
  EXPECT_EQ(s.maxFileHistories, 10);
  EXPECT_TRUE(s.fileHistory.isEmpty());
  EXPECT_FALSE(s.doRefresh);
  EXPECT_EQ(s.refreshInterval, 2000);
  EXPECT_FALSE(s.smallCharPrintError);
  EXPECT_EQ(s.editorName, "");
  EXPECT_EQ(s.howToOpenEditor, 1);
  EXPECT_FALSE(s.autoOpen);
  EXPECT_FALSE(s.autoRetypeset);
  EXPECT_EQ(s.toolBarColor, 192u | (220u << 8) | (192u << 16));
  EXPECT_EQ(s.yohakuColor, 166u | (202u << 8) | (240u << 16));
  EXPECT_TRUE(s.toolBarDisp);
  EXPECT_TRUE(s.yohakuDisp);
  EXPECT_EQ(s.mainForm.top, 12);
  EXPECT_EQ(s.mainForm.left, 107);
  EXPECT_EQ(s.mainForm.height, 738);
  EXPECT_EQ(s.mainForm.width, 715);
  EXPECT_FALSE(w.refreshTimer()->isActive());
}

TEST(Settings, FirstCloseWritesEveryValue) {
  Shell sh;
  sh.open();
  sh.close();
  const QStringList keys = {
      "LastDir", "LastFileName", "HomeDir", "InputFileDir", "ImageFileDir", "XHead", "XTail", "MaxFileHistories",
      "FileHistory/size", "DoRefresh", "RefreshInterval", "SmallCharPrintError", "EditorName", "HowToOpenEditor",
      "AutoOpen", "AutoRetypeset", "ToolBarColor", "YohakuColor",
      "MainForm/Top", "MainForm/Left", "MainForm/Height", "MainForm/Width", "MainForm/ToolBarDisp",
      "MainForm/YohakuDisp", "InfomationForm/Top", "InfomationForm/Left", "InfomationForm/Height",
      "InfomationForm/Width", "FileHistoryEditForm/Top", "FileHistoryEditForm/Left", "FileHistoryEditForm/Height",
      "FileHistoryEditForm/Width"};
  for (const QString& k : keys) EXPECT_TRUE(sh.iniHas(k)) << k.toStdString();
  EXPECT_EQ(sh.iniValue("MaxFileHistories"), "10");
  EXPECT_EQ(sh.iniValue("RefreshInterval"), "2000");
  EXPECT_EQ(sh.iniValue("HowToOpenEditor"), "1");
  EXPECT_EQ(sh.iniValue("ToolBarColor"), QString::number(0xC0DCC0));
  EXPECT_EQ(sh.iniValue("YohakuColor"), QString::number(0xF0CAA6));
  EXPECT_EQ(sh.iniValue("HomeDir"), QString::fromStdString(sh.tmp.path()) + "/");
  // FirstMessage is written only once it is false.
  EXPECT_FALSE(sh.iniHas("FirstMessage"));

  // What was written reads back the same.
  TSDIAppForm& again = sh.open(false);
  EXPECT_EQ(again.settings().xHead, QStringLiteral("、。，．・？！゛゜’”）］〕｝」』〉》】!),.:;?>]}｡｣､･ﾞﾟ"));
  EXPECT_EQ(again.settings().maxFileHistories, 10);
}

TEST(Settings, HistorySizeIsClampedAndTheOldNameMigrates) {
  struct Case {
    const char* key;
    int stored;
    int used;
  };
  const Case cases[] = {{"MaxFileHistories", 3, 5},  {"MaxFileHistories", 50, 20}, {"MaxFileHistories", 12, 12},
                        {"MaxFileHistorys", 7, 7},   {"MaxFileHistorys", 1, 5}};
  for (const Case& c : cases) {
    Shell sh;
    if (QString(c.key) == "MaxFileHistorys") sh.writeIni("MaxFileHistories", 15);
    sh.writeIni(c.key, c.stored);
    TSDIAppForm& w = sh.open(false);
    EXPECT_EQ(w.settings().maxFileHistories, c.used) << c.key << " " << c.stored;
    sh.close();
    EXPECT_FALSE(sh.iniHas("MaxFileHistorys")) << c.key;
    EXPECT_EQ(sh.iniValue("MaxFileHistories"), QString::number(c.used)) << c.key;
  }
}

TEST(Settings, DialogNumberFields) {
  const std::pair<const char*, int> refresh[] = {
      {"1000", 5000}, {"abc", 5000}, {"", 5000}, {"7000", 7000}, {" 6000 ", 6000}, {"20000", 10000}, {"-3", 5000}};
  for (const auto& [text, v] : refresh) EXPECT_EQ(AppSettings::refreshIntervalFromText(text), v) << text;
  const std::pair<const char*, int> history[] = {{"abc", 10}, {"3", 5}, {"50", 20}, {"7", 7}, {"", 10}};
  for (const auto& [text, v] : history) EXPECT_EQ(AppSettings::historySizeFromText(text), v) << text;
}

TEST(Settings, RefreshIntervalRules) {
  struct Case {
    bool doRefresh;
    int stored;
    bool timerOn;
  };
  // A stored period of 0 or less would fire without pause: refresh is off
  // until the dialog sets a usable period.
  const Case cases[] = {{true, 2000, true}, {true, 0, false}, {true, -100, false}, {false, 2000, false}};
  for (const Case& c : cases) {
    Shell sh;
    sh.writeIni("DoRefresh", c.doRefresh);
    sh.writeIni("RefreshInterval", c.stored);
    TSDIAppForm& w = sh.open(false);
    EXPECT_EQ(w.refreshTimer()->isActive(), c.timerOn) << c.stored;
    // The stored value stays as it is until OK in the dialog.
    EXPECT_EQ(w.settings().refreshInterval, c.stored);
    if (c.timerOn) {
      EXPECT_EQ(w.refreshTimer()->interval(), 2000);  // the first tick
    }
  }

  // OK in the dialog: 1000 becomes 5000 and the timer runs.
  Shell sh;
  sh.writeIni("DoRefresh", true);
  sh.writeIni("RefreshInterval", 0);
  TSDIAppForm& w = sh.open(false);
  ASSERT_FALSE(w.refreshTimer()->isActive());
  veltest::whileModal([&] { w.KankyoItemClick(); },
                      [&] {
                        w.kankyoForm()->refreshIntervalEdit->setText("1000");
                        w.kankyoForm()->accept();
                      });
  EXPECT_EQ(w.settings().refreshInterval, 5000);
  EXPECT_TRUE(w.refreshTimer()->isActive());
  // Each tick takes the setting's period.
  EXPECT_TRUE(veltest::waitUntil([&] { return w.refreshTimer()->interval() == 5000; }, 6000));
}

TEST(Settings, DirectoryEntriesSplitLikeStrTok) {
  struct Case {
    QString text;
    QStringList entries;
  };
  const Case cases[] = {
      {"X:\\a; Y:\\b\\", {"X:\\a", "Y:\\b"}},
      {"X:\\a\\;Y:\\b", {"X:\\a\\;Y:\\b"}},
      {"/home/u/input/; /opt/vdr", {"/home/u/input", "/opt/vdr"}},
      {" ; /a ;", {"/a"}},
      // The last UTF-8 byte of "め" (0x81) is a CP932 lead byte: it must not
      // swallow the separator after it.
      {QStringLiteral("/home/ゆめ;/tmp"), {QStringLiteral("/home/ゆめ"), "/tmp"}},
      // Characters outside CP932 survive.
      {QStringLiteral("/srv/café/; /b"), {QStringLiteral("/srv/café"), "/b"}},
      {"/", {"/"}},
  };
  for (const Case& c : cases) EXPECT_EQ(DirFieldEntries(c.text), c.entries) << c.text.toStdString();
  EXPECT_EQ(splitDirList("a;b\\;c;{d;e}"), (QStringList{"a", "b\\;c", "{d;e}"}));
}

TEST(Settings, DialogAppliesItsFieldsInOrder) {
  Shell sh;
  TSDIAppForm& w = sh.open(false);
  AppSettings s = w.settings();
  TKankyoForm dlg;
  dlg.fill(s);
  EXPECT_EQ(dlg.windowTitle(), QStringLiteral("VELDRIS2 環境設定"));
  EXPECT_EQ(dlg.refreshIntervalEdit->isEnabled(), s.doRefresh);
  dlg.inputDirEdit->setText("X:\\a; Y:\\b\\");
  dlg.xHeadEdit->setText(QStringLiteral("、\"。\""));
  dlg.historySizeEdit->setText("3");
  dlg.refreshCheck->setChecked(true);
  EXPECT_TRUE(dlg.refreshIntervalEdit->isEnabled());
  dlg.refreshIntervalEdit->setText("abc");
  dlg.toolBarCheck->setChecked(false);
  dlg.smallCharCheck->setChecked(true);
  dlg.associationRadio->setChecked(true);
  EXPECT_FALSE(dlg.editorEdit->isEnabled());
  dlg.editorEdit->setText("  /usr/bin/editor  ");
  dlg.autoRetypesetCheck->setChecked(true);
  KankyoChanges c = dlg.apply(s);
  EXPECT_EQ(s.inputFileDirs, (QStringList{"X:\\a", "Y:\\b"}));
  EXPECT_EQ(s.xHead, QStringLiteral("、。\""));
  EXPECT_EQ(s.maxFileHistories, 5);
  EXPECT_TRUE(s.doRefresh);
  EXPECT_EQ(s.refreshInterval, 5000);
  EXPECT_FALSE(s.toolBarDisp);
  EXPECT_EQ(s.howToOpenEditor, 0);
  EXPECT_EQ(s.editorName, "/usr/bin/editor");
  EXPECT_TRUE(s.autoRetypeset);
  EXPECT_TRUE(c.toolBarDisp);
  EXPECT_FALSE(c.yohakuDisp);
  EXPECT_TRUE(c.smallCharPrintError);
  EXPECT_TRUE(c.autoRetypeset);
  EXPECT_FALSE(c.yohakuColor);

  // The line-head reset buttons.
  dlg.fill(w.settings());
  dlg.xHeadEdit->clear();
  for (QPushButton* b : dlg.findChildren<QPushButton*>())
    if (b->text() == QStringLiteral("行頭禁則初期設定２ (促音等を含む)")) b->click();
  EXPECT_EQ(dlg.xHeadEdit->text(), w.settings().xHead + QStringLiteral("ヽヾゝゞ々ーｰぁぃぅぇぉっゃゅょァィゥェォッャュョ"));
}

TEST(Settings, XHeadFromTheStoreLosesItsFirstQuote) {
  Shell sh;
  sh.writeIni("XHead", QStringLiteral("\"、。\""));
  TSDIAppForm& w = sh.open(false);
  EXPECT_EQ(w.settings().xHead, QStringLiteral("、。\""));
}

TEST(Settings, WindowIsPulledBackOntoASmallerScreen) {
  struct Case {
    WindowGeometry in;
    QRect available;
    QMargins frame;  // left, top, right, bottom
    WindowGeometry out;
  };
  const QMargins none;
  const QMargins titled(1, 24, 1, 4);
  const Case cases[] = {
      {{12, 107, 738, 715, true}, {0, 0, 1920, 1080}, none, {12, 107, 738, 715, true}},
      {{12, 107, 738, 715, true}, {0, 0, 800, 600}, none, {10, 50, 580, 700, true}},
      {{400, 1500, 500, 600, true}, {0, 0, 1920, 1080}, none, {400, 50, 500, 1820, true}},
      {{700, 10, 500, 600, true}, {0, 0, 1920, 1080}, none, {10, 10, 1060, 600, true}},
      // The frame counts: 12 + 24 + 738 + 4 reaches below 768, and the
      // pulled-back height leaves room for the frame.
      {{12, 107, 738, 715, true}, {0, 0, 1024, 768}, titled, {10, 107, 720, 715, true}},
      {{12, 107, 720, 715, true}, {0, 0, 1024, 768}, titled, {12, 107, 720, 715, true}},
      // A panel at the top: the area starts lower.
      {{0, 0, 500, 600, true}, {0, 30, 1024, 738}, titled, {40, 0, 690, 600, true}},
      {{12, 310, 500, 715, true}, {0, 0, 1024, 768}, titled, {12, 50, 500, 922, true}},
  };
  for (const Case& c : cases) {
    WindowGeometry g = PullBackOntoScreen(c.in, c.available, c.frame);
    EXPECT_EQ((std::array<int, 4>{g.top, g.left, g.height, g.width}),
              (std::array<int, 4>{c.out.top, c.out.left, c.out.height, c.out.width}));
  }
}

TEST(Settings, GuideSitsInTheCornerWithItsFrame) {
  const QRect screen(0, 0, 1024, 768);
  EXPECT_EQ(BottomRightCorner({470, 380}, screen, QMargins()), QPoint(554, 388));
  EXPECT_EQ(BottomRightCorner({470, 380}, screen, QMargins(1, 24, 1, 4)), QPoint(552, 360));
  // Larger than the screen: the title bar stays on it.
  EXPECT_EQ(BottomRightCorner({1100, 900}, screen, QMargins(1, 24, 1, 4)), QPoint(0, 0));
  // Shown (offscreen: no frame), the whole window lies in the available area.
  Shell sh;
  TSDIAppForm& w = sh.open(false);
  w.firstMessageForm()->showAtCorner();
  EXPECT_TRUE(AvailableAreaOf(w.firstMessageForm()).contains(w.firstMessageForm()->frameGeometry()))
      << QTest::toString(AvailableAreaOf(w.firstMessageForm())) << " " << QTest::toString(w.firstMessageForm()->frameGeometry());
}

TEST(Settings, WindowGeometryRoundTrips) {
  Shell sh;
  sh.writeIni("InfomationForm/Top", 40);
  sh.writeIni("InfomationForm/Left", 30);
  sh.writeIni("InfomationForm/Width", 300);
  sh.writeIni("InfomationForm/Height", 200);
  TSDIAppForm& w = sh.open(false);
  EXPECT_EQ(w.informationForm()->pos(), QPoint(30, 40));
  EXPECT_EQ(w.informationForm()->size(), QSize(300, 200));
  w.resize(500, 400);
  w.move(20, 30);
  sh.close();
  EXPECT_EQ(sh.iniValue("MainForm/Width"), "500");
  EXPECT_EQ(sh.iniValue("MainForm/Height"), "400");
  EXPECT_EQ(sh.iniValue("InfomationForm/Width"), "300");
}

TEST(Settings, GuideCheckBoxTurnsFirstMessageOff) {
  Shell sh;
  TSDIAppForm& w = sh.open(false);
  TFirstMessageForm* g = w.firstMessageForm();
  EXPECT_EQ(g->windowTitle(), QStringLiteral("ＶＥＬＤＲＩＳ ガイド"));
  EXPECT_TRUE(g->memo->toPlainText().startsWith(QStringLiteral("ＶＥＬＤＲＩＳをご利用いただき，ありがとうございます。\n\nＶＥＬＤＲＩＳを初めてお使いの方は，\n\n")));
  g->showAtCorner();
  g->dontShowAgain->setChecked(true);
  g->close();
  EXPECT_FALSE(g->isVisible());
  EXPECT_FALSE(w.settings().firstMessage);
  sh.close();
  EXPECT_EQ(sh.iniValue("FirstMessage"), "false");
}
