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
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include "shell/InformationForm.h"
#include "shell/KankyoForm.h"
#include "shell/MainWindow.h"

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

  // A document that stops on an error: the INFORMATION window comes up and
  // the viewer keeps the last good pages.
  const QString bad = home.filePath("error.vdr");
  QFile f(bad);
  if (f.open(QIODevice::WriteOnly)) {
    f.write("\\documentstyle{10.5, a4t}\n\\begindocument\nText before the error.\\p\n\\undefinedcommand{x}\n");
    f.close();
  }
  w.OpenFile(bad);
  w.informationForm()->move(380, 380);
  waitForShot(w, "03-error");

  // The environment dialog, filled from the settings.
  w.informationForm()->hide();
  w.kankyoForm()->fill(w.settings());
  w.kankyoForm()->move(40, 20);
  w.kankyoForm()->show();
  waitForShot(w, "04-settings");
  w.kankyoForm()->hide();
  return 0;
}
