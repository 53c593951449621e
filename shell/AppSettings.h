// The program's settings and their persistent store (QSettings: an INI file
// under the organisation "VDRSYSTEM" on Linux). The desktop program and
// veldris-render read the same store.
#pragma once

#include <QRect>
#include <QSettings>
#include <QString>
#include <QStringList>

#include "state/Settings.h"

namespace vel {

// A window's place: the position of its frame, the size of its inside.
struct WindowGeometry {
  int top = 0, left = 0, height = 0, width = 0;
  bool valid = false;  // read from the store
};

struct AppSettings {
  QString lastDir;
  QString lastFileName;
  QString homeDir;          // the folder current at start, with a trailing '/'
  QStringList inputFileDirs;
  QStringList imageFileDirs;
  QString xHead;            // UTF-8 forms of the CP932 sets
  QString xTail;
  bool firstMessage = true;
  int maxFileHistories = 10;
  QStringList fileHistory;
  bool doRefresh = false;
  int refreshInterval = 2000;     // as stored; only the dialog clamps it (5000-10000)
  bool smallCharPrintError = false;
  QString editorName;
  int howToOpenEditor = 1;
  bool autoOpen = false;
  bool autoRetypeset = false;     // re-typeset when the source file is saved
  unsigned toolBarColor = 0xC0DCC0;  // red 192, green 220, blue 192 (red in the low byte)
  unsigned yohakuColor = 0xF0CAA6;   // red 166, green 202, blue 240

  WindowGeometry mainForm{12, 107, 738, 715, false};
  bool toolBarDisp = true;
  bool yohakuDisp = true;
  // The designed places of the two windows; a stored value replaces each
  // field that is present.
  WindowGeometry informationForm{120, 560, 260, 420, false};
  WindowGeometry fileHistoryEditForm{160, 200, 360, 520, false};

  // The refresh timer runs only with a usable period: a stored interval of
  // 0 or less would make a timer fire without pause, so it counts as off.
  bool refreshTimerOn() const { return doRefresh && refreshInterval > 0; }

  // The environment dialog's rules for its number fields: the history size
  // (10 when not a number, then 5-20) and the refresh period (2000 when not
  // a number, then 5000-10000).
  static int historySizeFromText(const QString& text);
  static int refreshIntervalFromText(const QString& text);
  // XHead and XTail lose their first double quote, when read and when set.
  static QString withoutFirstQuote(const QString& text);

  // Defaults, with the program's own data/input folder first among the
  // input folders.
  static AppSettings defaults(const QString& programInputDir, const QString& homeDir);
  // Reads every value (a missing one keeps its default).
  void load(QSettings& s);
  // Writes every value and the three window groups.
  void save(QSettings& s) const;

  // What the engine reads: the configured input folders followed by the
  // program's own (needed by the table-of-contents pass).
  Settings engineSettings(const QString& programInputDir) const;
};

// The user's store: organisation "VDRSYSTEM", application "VELDRIS2", INI format.
QSettings* openUserSettings();

// Splits a ";" list as the dialogs and the store do (StrTok: trimmed pieces,
// "\;" keeps a separator inside an entry), dropping empty entries.
QStringList splitDirList(const QString& text);

// The folder holding the program's data files (input/, help/): share/veldris
// under the install prefix, found from the executable's own folder; the
// source tree's data/ only for a program run from its build tree.
QString programDataDir();

}  // namespace vel
