#include "ShellFixture.h"

#include <QApplication>
#include <cstdio>
#include <QElapsedTimer>
#include <QThread>
#include <QImage>
#include <QSettings>
#include <QTest>
#include <QTimer>

namespace veltest {

namespace {
QtMessageHandler previousHandler = nullptr;
// The offscreen platform says so each time a window is raised or resized.
void quietPlatform(QtMsgType type, const QMessageLogContext& ctx, const QString& msg) {
  if (msg.startsWith(QLatin1String("This plugin does not support"))) return;
  if (previousHandler) previousHandler(type, ctx, msg);
  else fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, ctx, msg)));
}
}  // namespace

Shell::Shell() {
  static const bool installed = [] {
    previousHandler = qInstallMessageHandler(quietPlatform);
    return true;
  }();
  (void)installed;
  ini = QString::fromStdString(tmp.file("settings.ini"));
}

void Shell::recordLaunches() {
  w->startProgramHook = [this](const QString& p, const QStringList& a) {
    started = QStringList{p} + a;
    return true;
  };
  w->openUrlHook = [this](const QUrl& u) {
    urls << u;
    return true;
  };
}

vel::TSDIAppForm& Shell::open(bool show) {
  vel::TSDIAppForm::Options o;
  o.settingsFile = ini;
  o.homeDir = QString::fromStdString(tmp.path());
  o.firstMessage = false;
  w = std::make_unique<vel::TSDIAppForm>(o);
  w->messageHook = [this](const QString& m) { messages << m; };
  w->openUrlHook = [](const QUrl&) { return false; };
  w->startProgramHook = [](const QString&, const QStringList&) { return true; };
  if (show) {
    w->show();
    QApplication::setActiveWindow(w.get());
    (void)QTest::qWaitForWindowActive(w.get(), 1000);
  }
  return *w;
}

void Shell::close() {
  if (!w) return;
  w->close();
  w.reset();
}

QString Shell::writeDoc(const std::string& name, int sheets, const std::string& extraUtf8) {
  std::string text = "\\documentstyle{10.5, a4t}\n\\begindocument\n" + extraUtf8;
  for (int i = 1; i <= sheets; ++i) {
    text += "ページ" + std::to_string(i) + "の本文。";
    if (i < sheets) text += "\\newpage";
    text += "\n";
  }
  writeSjis(tmp.file(name), text);
  return path(name);
}

QString Shell::iniValue(const QString& key) const {
  QSettings s(ini, QSettings::IniFormat);
  return s.value(key).toString();
}

bool Shell::iniHas(const QString& key) const {
  QSettings s(ini, QSettings::IniFormat);
  return s.contains(key);
}

QStringList Shell::iniHistory() const {
  QSettings s(ini, QSettings::IniFormat);
  QStringList out;
  const int n = s.beginReadArray("FileHistory");
  for (int i = 0; i < n; ++i) {
    s.setArrayIndex(i);
    out << s.value("Path").toString();
  }
  s.endArray();
  return out;
}

void Shell::writeIni(const QString& key, const QVariant& value) {
  QSettings s(ini, QSettings::IniFormat);
  s.setValue(key, value);
  s.sync();
}

void whileModal(const std::function<void()>& action, const std::function<void()>& answer) {
  bool answered = false;
  QTimer poll;
  poll.setInterval(10);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (!answered && QApplication::activeModalWidget()) {
      answered = true;
      answer();
    }
  });
  poll.start();
  action();
  poll.stop();
}

bool waitUntil(const std::function<bool()>& done, int ms) {
  QElapsedTimer t;
  t.start();
  while (!done()) {
    if (t.elapsed() > ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(5);
  }
  return true;
}

long inkPixels(const QImage& img) {
  long n = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if ((img.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF) ++n;
  return n;
}

}  // namespace veltest
