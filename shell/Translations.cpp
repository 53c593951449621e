#include "shell/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace vel {

QTranslator* InstallQtTranslations(const QLocale& locale) {
  if (locale.language() != QLocale::Japanese || !QCoreApplication::instance()) return nullptr;
  auto* t = new QTranslator(QCoreApplication::instance());
  if (!t->load(locale, QStringLiteral("qt"), QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
      !QCoreApplication::installTranslator(t)) {
    delete t;
    return nullptr;
  }
  return t;
}

}  // namespace vel
