#include "shell/FileHistory.h"

#include <QDir>
#include <QFileInfo>

namespace vel {

namespace {
qsizetype lastSeparator(const QString& path) {
#ifdef Q_OS_WIN
  return std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
#else
  return path.lastIndexOf(QLatin1Char('/'));
#endif
}
}  // namespace

QString GetDir(const QString& path) { return path.left(lastSeparator(path) + 1); }

QString GetFileName(const QString& path) { return path.mid(lastSeparator(path) + 1); }

bool SameHistoryPath(const QString& a, const QString& b) {
#ifdef Q_OS_WIN
  return a.compare(b, Qt::CaseInsensitive) == 0;
#else
  return a == b;
#endif
}

bool IsOpenableFile(const QString& path) {
  if (path.isEmpty()) return false;
  QFileInfo fi(path);
  return fi.isFile() && fi.isReadable();
}

QString TorivanDataPath() {
  QString tmp = qEnvironmentVariable("TMPDIR");
  if (tmp.isEmpty()) tmp = QStringLiteral("/tmp");
  while (tmp.size() > 1 && tmp.endsWith(QLatin1Char('/'))) tmp.chop(1);
  return tmp + QStringLiteral("/torivtemp/Torivan_Data.vdr");
}

void SetFileHistory(QStringList& history, const QString& path, int maxEntries) {
  if (!path.isEmpty()) {
    history.removeIf([&](const QString& h) { return SameHistoryPath(h, path); });
    history.prepend(path);
  }
  while (history.size() > std::max(0, maxEntries)) history.removeLast();
  history.removeIf([](const QString& h) { return h.trimmed().isEmpty(); });
}

QString HistoryCaption(int i, const QString& path) {
  QChar key = i < 10 ? QChar('0' + i) : QChar('A' + (i - 10));
  QString shown = path;
  shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
  return QStringLiteral("&") + key + QLatin1Char(' ') + shown;
}

QStringList HistoryFromEditorText(const QString& text) {
  QStringList out;
  const QStringList lines = text.split(QLatin1Char('\n'));
  for (qsizetype i = 0; i < lines.size() && i < 20; ++i) {
    QString l = lines[i];
    if (l.endsWith(QLatin1Char('\r'))) l.chop(1);
    if (!l.trimmed().isEmpty()) out << l;
  }
  return out;
}

QString KeepExistingPaths(const QString& text) {
  QStringList kept;
  for (const QString& l : text.split(QLatin1Char('\n')))
    if (!l.trimmed().isEmpty() && QFileInfo::exists(l.trimmed())) kept << l;
  return kept.join(QLatin1Char('\n'));
}

}  // namespace vel
