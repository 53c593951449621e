// Paths and the file history: what opening a file needs besides the
// engine, kept free of widgets so that it can be tested alone.
#pragma once

#include <QString>
#include <QStringList>

namespace vel {

// GetDir: the text up to and including the last separator; GetFileName:
// the text after it.
QString GetDir(const QString& path);
QString GetFileName(const QString& path);

// Whether two history entries name the same file. Windows file names
// ignore letter case; elsewhere two names that differ only in case are two
// files, and merging them would drop one from the history.
bool SameHistoryPath(const QString& a, const QString& b);

// What opening can use: an existing, readable regular file. A folder passes
// a plain existence test and would then fail to load.
bool IsOpenableFile(const QString& path);

// The sibling program's export: $TMPDIR/torivtemp/Torivan_Data.vdr, or
// under /tmp without TMPDIR.
QString TorivanDataPath();

// The list side of SetFileHistoryMenu: a non-empty path moves to the head
// (an equal entry removed), entries past `maxEntries` are dropped from the
// end, then empty entries.
void SetFileHistory(QStringList& history, const QString& path, int maxEntries);

// The caption of history menu item i (0-19): "&" + key + " " + path, the
// key "0"-"9" then "A"-"J"; an '&' of the path is doubled so that it shows.
QString HistoryCaption(int i, const QString& path);

// The history editor's text on OK: its first 20 lines without empty ones.
QStringList HistoryFromEditorText(const QString& text);
// GO: only the lines whose path exists.
QString KeepExistingPaths(const QString& text);

}  // namespace vel
