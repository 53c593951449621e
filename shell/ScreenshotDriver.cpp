// veldris-screenshot-driver: shows the main window in the states the
// screenshot script photographs. Between states it writes DIR/NAME.ready
// and waits for DIR/NAME.done (the script takes the picture in between);
// the window title of each state goes to DIR/NAME.title.
//
//   veldris-screenshot-driver DIR SAMPLE.vdr
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <algorithm>

#include "shell/HelpWindow.h"
#include "shell/InformationForm.h"
#include "shell/KankyoForm.h"
#include "shell/MainWindow.h"
#include "shell/SmallForms.h"
#include "shell/WindowPlacement.h"

namespace {

QString outDir;

void waitForShot(vel::TSDIAppForm& w, const QString& name) {
  for (int i = 0; i < 20; ++i) {
    QCoreApplication::processEvents();
    QThread::msleep(25);
  }
  QFile title(outDir + "/" + name + ".title");
  if (title.open(QIODevice::WriteOnly)) title.write(w.windowTitle().toUtf8());
  title.close();
  QFile ready(outDir + "/" + name + ".ready");
  if (ready.open(QIODevice::WriteOnly)) ready.close();
  const QString done = outDir + "/" + name + ".done";
  for (int i = 0; i < 1200 && !QFile::exists(done); ++i) {
    QCoreApplication::processEvents();
    QThread::msleep(25);
  }
}

void showMenu(vel::TSDIAppForm& w, const QString& objectName) {
  for (QAction* a : w.menuBar()->actions()) {
    if (a->menu() && a->menu()->objectName() == objectName) {
      w.menuBar()->setActiveAction(a);
      return;
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 3) return 2;
  outDir = QString::fromLocal8Bit(argv[1]);
  const QString sample = QFileInfo(QString::fromLocal8Bit(argv[2])).absoluteFilePath();
  QTemporaryDir home;

  vel::TSDIAppForm::Options o;
  o.settingsFile = home.filePath("settings.ini");
  o.homeDir = home.path();
  o.firstMessage = false;
  vel::TSDIAppForm w(o);
  w.messageHook = [](const QString&) {};
  w.resize(760, 720);
  w.move(0, 0);
  w.show();
  w.activateWindow();
  w.StartupOpen({sample});
  waitForShot(w, "01-main");

  for (const char* menu : {"FileMenu", "ViewMenu", "PageMenu", "HelpMenu"}) {
    showMenu(w, QString::fromLatin1(menu));
    waitForShot(w, QStringLiteral("02-%1").arg(QString::fromLatin1(menu)));
    for (QAction* a : w.menuBar()->actions())
      if (a->menu()) a->menu()->hide();
    w.menuBar()->setActiveAction(nullptr);
  }

  // A document that stops on an error when typeset again (F5): the
  // INFORMATION window comes up and the viewer keeps the last good pages.
  const QString bad = home.filePath("error.vdr");
  auto writeDoc = [&bad](const QByteArray& body) {
    QFile f(bad);
    if (f.open(QIODevice::WriteOnly)) f.write("\\documentstyle{10.5, a4t}\n\\begindocument\n" + body);
  };
  writeDoc("Text before the error.\\p\nThe next line will hold a command that does not exist.\n");
  w.OpenFile(bad);
  writeDoc("Text before the error.\\p\n\\undefinedcommand{x}\n");
  w.RePaintButtonClick();
  w.informationForm()->move(380, 380);
  waitForShot(w, "03-error");

  // The environment dialog, filled from the settings and modal to the main
  // window as the menu opens it, and then with its help page open beside it
  // (the dialog does not block the help).
  w.informationForm()->hide();
  vel::TKankyoForm* k = w.kankyoForm();
  k->fill(w.settings());
  k->move(10, 10);
  k->open();
  waitForShot(w, "04-settings");
  k->findChild<QPushButton*>(QStringLiteral("HelpBitBtn"))->click();
  vel::HelpWindow* help = w.helpWindow();
  const QRect area = vel::AvailableAreaOf(k);
  const int helpLeft = std::min(k->frameGeometry().right() + 1, area.right() - 420);
  help->resize(area.right() - helpLeft - 20, area.height() - 100);
  help->move(helpLeft, 40);
  waitForShot(w, "05-settings-help");
  help->hide();
  k->hide();

  // The first-run guide in the corner of the screen, beside the main window.
  w.firstMessageForm()->showAtCorner();
  waitForShot(w, "06-guide");
  w.firstMessageForm()->hide();
  return 0;
}
