// Qt's own Japanese texts for its standard dialogs (file, print, colour,
// font) and their buttons. The program's own texts are Japanese already;
// Qt's come from Debian's qt6-translations-l10n (qt_ja.qm, which pulls in
// qtbase_ja.qm) in Qt's translations folder.
#pragma once

class QLocale;
class QTranslator;

namespace vel {

// Installs Qt's translations for `locale` when its language is Japanese.
// Returns the installed translator (owned by the application), or null
// when the locale is another one or the files are missing.
QTranslator* InstallQtTranslations(const QLocale& locale);

}  // namespace vel
