#include "shell/AppSettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include "base/Cp932.h"
#include "frontend/Lexical.h"

namespace vel {

namespace {
QString fromSj(const std::string& s) { return QString::fromStdString(cp932ToUtf8(s)); }
std::string toSj(const QString& s) { return utf8ToCp932(s.toStdString()); }

void readGeometry(QSettings& s, const QString& group, WindowGeometry& g) {
  s.beginGroup(group);
  bool any = false;
  auto rd = [&](const char* key, int& v) {
    if (s.contains(key)) {
      v = s.value(key).toInt();
      any = true;
    }
  };
  rd("Top", g.top);
  rd("Left", g.left);
  rd("Height", g.height);
  rd("Width", g.width);
  g.valid = g.valid || any;
  s.endGroup();
}

// The file history, one path a key ("FileHistory/1/Path", ...): a ";" or
// any other character is legal in a file name, so no separator can join
// them. The older form, one value of paths joined with ";", is read once
// and replaced.
void readHistory(QSettings& s, QStringList& history) {
  if (s.contains("FileHistory")) {
    history = splitDirList(s.value("FileHistory").toString());
    s.remove("FileHistory");
    return;
  }
  if (!s.childGroups().contains("FileHistory")) return;
  history.clear();
  const int n = s.beginReadArray("FileHistory");
  for (int i = 0; i < n; ++i) {
    s.setArrayIndex(i);
    const QString path = s.value("Path").toString();
    if (!path.trimmed().isEmpty()) history << path;
  }
  s.endArray();
}

void writeHistory(QSettings& s, const QStringList& history) {
  s.remove("FileHistory");
  s.beginWriteArray("FileHistory");
  int i = 0;
  for (const QString& h : history) {
    if (h.trimmed().isEmpty()) continue;
    s.setArrayIndex(i++);
    s.setValue("Path", h);
  }
  s.endArray();
}

void writeGeometry(QSettings& s, const QString& group, const WindowGeometry& g) {
  s.beginGroup(group);
  s.setValue("Top", g.top);
  s.setValue("Left", g.left);
  s.setValue("Height", g.height);
  s.setValue("Width", g.width);
  s.endGroup();
}
}  // namespace

QStringList splitDirList(const QString& text) {
  // StrTok works on CP932 bytes: every non-ASCII character goes through it
  // as one stand-in double-byte character (so no byte of a UTF-8 sequence
  // can pass for a separator or a backslash, and nothing outside CP932 is
  // lost), and is put back afterwards in the same order.
  std::string bytes;
  std::vector<char32_t> wide;
  for (char32_t u : text.toStdU32String()) {
    if (u < 0x80) {
      bytes += static_cast<char>(u);
    } else {
      bytes += "\x81\x40";
      wide.push_back(u);
    }
  }
  std::vector<std::string> parts;
  StrTok(bytes, ";", parts);
  QStringList out;
  size_t next = 0;
  for (const std::string& p : parts) {
    std::u32string piece;
    for (size_t i = 0; i < p.size(); ++i) {
      if (static_cast<unsigned char>(p[i]) == 0x81 && i + 1 < p.size() && next < wide.size()) {
        piece += wide[next++];
        ++i;
      } else {
        piece += static_cast<char32_t>(static_cast<unsigned char>(p[i]));
      }
    }
    if (!piece.empty()) out << QString::fromStdU32String(piece);
  }
  return out;
}

QString programDataDir() {
  const QString app = QCoreApplication::applicationDirPath();
  // Installed: <prefix>/bin/veldris reads <prefix>/share/veldris, wherever
  // the prefix was moved.
  const QDir installed(app + QStringLiteral("/../share/veldris"));
  if (installed.exists(QStringLiteral("input"))) return installed.canonicalPath();
  // Run from the build tree, which holds no copy of the data: the source
  // tree's. An installed copy never falls back to it.
  const QString build = QDir(QStringLiteral(VELDRIS_BUILD_DIR)).canonicalPath();
  const QString here = QDir(app).canonicalPath();
  const QDir source(QStringLiteral(VELDRIS_SOURCE_DATA_DIR));
  if (!build.isEmpty() && (here == build || here.startsWith(build + '/')) && source.exists())
    return source.canonicalPath();
  return QDir::cleanPath(installed.absolutePath());
}

AppSettings AppSettings::defaults(const QString& programInputDir, const QString& homeDir) {
  AppSettings a;
  a.homeDir = homeDir;
  if (!a.homeDir.endsWith('/')) a.homeDir += '/';
  a.inputFileDirs = {programInputDir, a.homeDir + QStringLiteral("input")};
  a.xHead = fromSj(Settings::defaultXHead());
  a.xTail = fromSj(Settings::defaultXTail());
  return a;
}

void AppSettings::load(QSettings& s) {
  if (s.contains("LastDir")) lastDir = s.value("LastDir").toString();
  if (s.contains("LastFileName")) lastFileName = s.value("LastFileName").toString();
  if (s.contains("InputFileDir")) inputFileDirs = splitDirList(s.value("InputFileDir").toString());
  if (s.contains("ImageFileDir")) imageFileDirs = splitDirList(s.value("ImageFileDir").toString());
  if (s.contains("XHead")) xHead = s.value("XHead").toString();
  if (s.contains("XTail")) xTail = s.value("XTail").toString();
  xHead = withoutFirstQuote(xHead);
  xTail = withoutFirstQuote(xTail);
  if (s.contains("FirstMessage")) firstMessage = s.value("FirstMessage").toBool();
  // The old spelling wins when present, and is then removed.
  if (s.contains("MaxFileHistorys")) {
    maxFileHistories = s.value("MaxFileHistorys").toInt();
    s.remove("MaxFileHistorys");
  } else if (s.contains("MaxFileHistories")) {
    maxFileHistories = s.value("MaxFileHistories").toInt();
  }
  maxFileHistories = std::clamp(maxFileHistories, 5, 20);
  readHistory(s, fileHistory);
  if (s.contains("DoRefresh")) doRefresh = s.value("DoRefresh").toBool();
  if (s.contains("RefreshInterval")) refreshInterval = s.value("RefreshInterval").toInt();
  if (s.contains("SmallCharPrintError")) smallCharPrintError = s.value("SmallCharPrintError").toBool();
  if (s.contains("EditorName")) editorName = s.value("EditorName").toString();
  if (s.contains("HowToOpenEditor")) howToOpenEditor = s.value("HowToOpenEditor").toInt();
  if (s.contains("AutoOpen")) autoOpen = s.value("AutoOpen").toBool();
  if (s.contains("AutoRetypeset")) autoRetypeset = s.value("AutoRetypeset").toBool();
  if (s.contains("ToolBarColor")) toolBarColor = s.value("ToolBarColor").toUInt();
  if (s.contains("YohakuColor")) yohakuColor = s.value("YohakuColor").toUInt();
  readGeometry(s, "MainForm", mainForm);
  s.beginGroup("MainForm");
  if (s.contains("ToolBarDisp")) toolBarDisp = s.value("ToolBarDisp").toBool();
  if (s.contains("YohakuDisp")) yohakuDisp = s.value("YohakuDisp").toBool();
  s.endGroup();
  readGeometry(s, "InfomationForm", informationForm);
  readGeometry(s, "FileHistoryEditForm", fileHistoryEditForm);
}

void AppSettings::save(QSettings& s) const {
  s.setValue("LastDir", lastDir);
  s.setValue("LastFileName", lastFileName);
  s.setValue("HomeDir", homeDir);
  s.setValue("InputFileDir", inputFileDirs.join(';'));
  s.setValue("ImageFileDir", imageFileDirs.join(';'));
  s.setValue("XHead", xHead);
  s.setValue("XTail", xTail);
  if (!firstMessage) s.setValue("FirstMessage", false);
  s.setValue("MaxFileHistories", maxFileHistories);
  writeHistory(s, fileHistory);
  s.setValue("DoRefresh", doRefresh);
  s.setValue("RefreshInterval", refreshInterval);
  s.setValue("SmallCharPrintError", smallCharPrintError);
  s.setValue("EditorName", editorName);
  s.setValue("HowToOpenEditor", howToOpenEditor);
  s.setValue("AutoOpen", autoOpen);
  s.setValue("AutoRetypeset", autoRetypeset);
  s.setValue("ToolBarColor", toolBarColor);
  s.setValue("YohakuColor", yohakuColor);
  writeGeometry(s, "MainForm", mainForm);
  s.beginGroup("MainForm");
  s.setValue("ToolBarDisp", toolBarDisp);
  s.setValue("YohakuDisp", yohakuDisp);
  s.endGroup();
  writeGeometry(s, "InfomationForm", informationForm);
  writeGeometry(s, "FileHistoryEditForm", fileHistoryEditForm);
}

Settings AppSettings::engineSettings(const QString& programInputDir) const {
  Settings e = Settings::defaults();
  auto native = [](QString d) {
    while (d.size() > 1 && (d.endsWith('/') || d.endsWith('\\'))) d.chop(1);
    return d.toStdString();
  };
  for (const QString& d : inputFileDirs) e.inputDirs.push_back(native(d));
  std::string own = native(programInputDir);
  if (std::find(e.inputDirs.begin(), e.inputDirs.end(), own) == e.inputDirs.end()) e.inputDirs.push_back(own);
  for (const QString& d : imageFileDirs) e.imageDirs.push_back(native(d));
  e.xHead = toSj(xHead);
  e.xTail = toSj(xTail);
  e.smallCharPrintError = smallCharPrintError;
  e.homeDir = homeDir.toStdString();
  return e;
}

QSettings* openUserSettings() {
#ifdef Q_OS_WIN
  // The values sit directly under the key, the window groups are its subkeys.
  return new QSettings(QStringLiteral("HKEY_CURRENT_USER\\Software\\VDRSYSTEM"), QSettings::NativeFormat);
#else
  return new QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("VDRSYSTEM"), QStringLiteral("VELDRIS2"));
#endif
}

int AppSettings::historySizeFromText(const QString& text) {
  bool ok = false;
  int v = text.trimmed().toInt(&ok);
  return std::clamp(ok ? v : 10, 5, 20);
}

int AppSettings::refreshIntervalFromText(const QString& text) {
  bool ok = false;
  int v = text.trimmed().toInt(&ok);
  return std::clamp(ok ? v : 2000, 5000, 10000);
}

QString AppSettings::withoutFirstQuote(const QString& text) {
  QString s = text;
  qsizetype q = s.indexOf(QLatin1Char('"'));
  if (q >= 0) s.remove(q, 1);
  return s;
}

}  // namespace vel
