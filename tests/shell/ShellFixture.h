// A main window on the offscreen platform with its own settings file and
// message boxes collected instead of shown.
#pragma once

#include <QString>
#include <ostream>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <memory>
#include <string>

#include "TestSupport.h"
#include "shell/MainWindow.h"

// Readable failures.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QStringList& l, std::ostream* os) {
  *os << '{';
  for (const QString& s : l) *os << '"' << s.toStdString() << "\" ";
  *os << '}';
}

namespace veltest {

struct Shell {
  TempDir tmp;
  QString ini;
  QStringList messages;
  std::unique_ptr<vel::TSDIAppForm> w;

  Shell();
  // A window on the settings written so far (the ini file).
  vel::TSDIAppForm& open(bool show = true);
  // Closes the window (FormClose writes the settings) and drops it.
  void close();
  // From now on the window's program starts (the last one, program first)
  // and opened URLs (all) are recorded here instead of happening.
  QStringList started;
  QList<QUrl> urls;
  void recordLaunches();

  QString path(const std::string& name) const { return QString::fromStdString(tmp.file(name)); }
  // A document of `sheets` sheets (one \newpage between each), CP932.
  QString writeDoc(const std::string& name, int sheets, const std::string& extraUtf8 = "");
  // The settings file's value of a key ("" when absent).
  QString iniValue(const QString& key) const;
  bool iniHas(const QString& key) const;
  // The file history as stored, one path a key.
  QStringList iniHistory() const;
  void writeIni(const QString& key, const QVariant& value);
};

// Runs `action`, which opens a modal dialog; `answer` is called once the
// dialog runs.
void whileModal(const std::function<void()>& action, const std::function<void()>& answer);

// Processes events until `done` holds or `ms` milliseconds have passed;
// returns whether it held.
bool waitUntil(const std::function<bool()>& done, int ms);

// Count of pixels of an image that are not white.
long inkPixels(const QImage& img);

}  // namespace veltest
