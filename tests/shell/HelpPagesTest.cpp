// The help pages: every source example typesets as the page says, and the
// settings file they name is the one the program writes.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTextDocumentFragment>
#include <memory>

#include "TestSupport.h"
#include "shell/AppSettings.h"

namespace {

QString readText(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

QString helpDir() { return QString::fromStdString(veltest::sourceDir()) + QStringLiteral("/data/help"); }

}  // namespace

// A page shows source in <pre class="vdr"> and shell commands in
// <pre class="shell">; a fragment without a preamble is typeset in a
// minimal document.
TEST(HelpPages, EveryExampleTypesetsWithoutAnErrorMessage) {
  const QStringList pages = QDir(helpDir()).entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name);
  ASSERT_GE(pages.size(), 6);
  const QRegularExpression pre(QStringLiteral("<pre([^>]*)>(.*?)</pre>"), QRegularExpression::DotMatchesEverythingOption);
  veltest::TempDir tmp;
  int examples = 0;
  for (const QString& page : pages) {
    const QString html = readText(helpDir() + QLatin1Char('/') + page);
    for (auto it = pre.globalMatch(html); it.hasNext();) {
      const QRegularExpressionMatch m = it.next();
      const QString kind = m.captured(1).trimmed();
      ASSERT_TRUE(kind == QStringLiteral("class=\"vdr\"") || kind == QStringLiteral("class=\"shell\""))
          << page.toStdString() << ": an example that says neither vdr nor shell";
      if (kind != QStringLiteral("class=\"vdr\"")) continue;
      QString source = QTextDocumentFragment::fromHtml(QStringLiteral("<pre>") + m.captured(2) + QStringLiteral("</pre>"))
                           .toPlainText();
      if (!source.contains(QStringLiteral("\\begindocument")))
        source = QStringLiteral("\\documentstyle{10.5, a4t}\n\\begindocument\n") + source;
      const std::string file = tmp.file("example" + std::to_string(++examples) + ".vdr");
      veltest::writeSjis(file, source.toStdString());
      const veltest::RunResult r = veltest::runRender({file});
      EXPECT_EQ(r.exitCode, 0) << page.toStdString() << ":\n" << source.toStdString() << "\n" << r.out;
      EXPECT_EQ(r.out.find("** "), std::string::npos) << page.toStdString() << ":\n" << source.toStdString() << "\n" << r.out;
    }
  }
  EXPECT_GE(examples, 5);
}

// Parts not built yet say so plainly on their pages.
TEST(HelpPages, PagesOfPartsNotBuiltSaySo) {
  const std::pair<const char*, const char16_t*> notes[] = {
      {"math.html", u"数式の組版はまだ作られていません"},
      {"drawing.html", u"図の描画はまだ作られていません"},
      {"about.html", u"まだ作られていない機能"},
  };
  for (const auto& [page, note] : notes)
    EXPECT_TRUE(readText(helpDir() + QLatin1Char('/') + QLatin1String(page)).contains(QString::fromUtf16(note))) << page;
}

TEST(HelpPages, TheSettingsFileIsNamedAsTheProgramWritesIt) {
  std::unique_ptr<QSettings> s(vel::openUserSettings());
  const QString name = QStringLiteral("VDRSYSTEM/VELDRIS2.ini");
  EXPECT_TRUE(s->fileName().endsWith(QLatin1Char('/') + name)) << s->fileName().toStdString();
  EXPECT_TRUE(readText(helpDir() + QStringLiteral("/settings.html")).contains(QStringLiteral("~/.config/") + name));
  const QString readme = readText(QString::fromStdString(veltest::sourceDir()) + QStringLiteral("/README.md"));
  EXPECT_TRUE(readme.contains(QStringLiteral("~/.config/") + name));
  EXPECT_FALSE(readme.contains(QStringLiteral("VELDRIS2.conf")));
}
