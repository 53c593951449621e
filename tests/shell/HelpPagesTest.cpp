// The help pages: every source example typesets as the page says and every
// command line runs; the messages and captions they quote are the
// program's; what is not built yet is said so exactly as long as it is not;
// the settings file they name is the one the program writes.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QRegularExpression>
#include <QTextDocumentFragment>
#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>

#include "TestSupport.h"
#include "canvas/FakeCanvas.h"
#include "driver/Engine.h"
#include "shell/AppSettings.h"
#include "shell/KankyoForm.h"

namespace {

QString readText(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

QString helpDir() { return QString::fromStdString(veltest::sourceDir()) + QStringLiteral("/data/help"); }

QStringList helpPages() { return QDir(helpDir()).entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name); }

QString pageText(const QString& page) {
  return QTextDocumentFragment::fromHtml(readText(helpDir() + QLatin1Char('/') + page)).toPlainText();
}

const char* const kMinimalPreamble = "\\documentstyle{10.5, a4t}\n\\begindocument\n";

// A body typeset in-process on the fixed-metrics canvas, its first sheet
// drawn: the status and the drawing log.
struct InProcessRun {
  vel::RunStatus status;
  std::vector<std::string> log;
  bool drew(const std::string& prefix) const { return count(prefix) > 0; }
  int count(const std::string& prefix) const {
    int n = 0;
    for (const std::string& l : log)
      if (l.compare(0, prefix.size(), prefix) == 0) ++n;
    return n;
  }
  // The y of the first text drawn as `s` ("text X Y ... FACE s"); -1 when none.
  int textY(const std::string& s) const {
    for (const std::string& l : log) {
      int x = 0, y = 0;
      if (l.size() > s.size() && l.compare(l.size() - s.size() - 1, std::string::npos, " " + s) == 0 &&
          std::sscanf(l.c_str(), "text %d %d", &x, &y) == 2)
        return y;
    }
    return -1;
  }
};

InProcessRun typesetBody(const std::string& bodyUtf8) {
  vel::FakeCanvas canvas;
  vel::MemoHost host;
  vel::Engine e(host, canvas);
  e.documentPath = "/tmp/notice.vdr";
  e.source = veltest::splitLines(veltest::sj(kMinimalPreamble + bodyUtf8));
  InProcessRun r{e.TextDraw(1), {}};
  r.log = canvas.log();
  return r;
}

}  // namespace

// A page shows source in <pre class="vdr"> and command lines in
// <pre class="shell">; that is how the examples are found. A fragment
// without a preamble is typeset in a minimal document. A command line runs
// with its file names made into files of a scratch folder, and what it
// names as output must be there afterwards.
TEST(HelpPages, EveryExampleTypesetsWithoutAnErrorMessage) {
  const QStringList pages = helpPages();
  ASSERT_GE(pages.size(), 6);
  const QRegularExpression pre(QStringLiteral("<pre([^>]*)>(.*?)</pre>"),
                               QRegularExpression::DotMatchesEverythingOption | QRegularExpression::CaseInsensitiveOption);
  const QRegularExpression sheets(QStringLiteral("\"sheets\"\\s*:\\s*(\\d+)"));
  veltest::TempDir tmp;
  int examples = 0, commands = 0;
  for (const QString& page : pages) {
    const QString html = readText(helpDir() + QLatin1Char('/') + page);
    for (auto it = pre.globalMatch(html); it.hasNext();) {
      const QRegularExpressionMatch m = it.next();
      const QString kind = m.captured(1).trimmed();
      ASSERT_TRUE(kind == QStringLiteral("class=\"vdr\"") || kind == QStringLiteral("class=\"shell\""))
          << page.toStdString() << ": an example that says neither vdr nor shell";
      const QString text =
          QTextDocumentFragment::fromHtml(QStringLiteral("<pre>") + m.captured(2) + QStringLiteral("</pre>")).toPlainText();

      if (kind == QStringLiteral("class=\"vdr\"")) {
        QString source = text;
        if (!source.contains(QStringLiteral("\\begindocument"))) source = QString::fromUtf8(kMinimalPreamble) + source;
        const std::string file = tmp.file("example" + std::to_string(++examples) + ".vdr");
        veltest::writeSjis(file, source.toStdString());
        const veltest::RunResult r = veltest::runRender({file, "--dump-layout", file + ".json"});
        const std::string where = page.toStdString() + ":\n" + source.toStdString() + "\n" + r.out;
        EXPECT_EQ(r.exitCode, 0) << where;
        EXPECT_EQ(r.out.find("** "), std::string::npos) << where;
        const QRegularExpressionMatch n = sheets.match(QString::fromStdString(veltest::readFile(file + ".json")));
        EXPECT_TRUE(n.hasMatch() && n.captured(1).toInt() >= 1) << "no sheet: " << where;
        continue;
      }

      for (const QString& line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        ASSERT_FALSE(words.isEmpty());
        ASSERT_EQ(words.takeFirst(), QStringLiteral("veldris-render")) << page.toStdString() << ": " << line.toStdString();
        const QString scratch = QString::fromStdString(tmp.file("command" + std::to_string(++commands)));
        ASSERT_TRUE(QDir().mkpath(scratch));
        std::vector<std::string> args;
        QStringList outputs;
        for (const QString& w : words) {
          bool number = false;
          w.toDouble(&number);
          if (w.startsWith(QLatin1String("--")) || number) {
            args.push_back(w.toStdString());
            continue;
          }
          const QString file = scratch + QLatin1Char('/') + w;
          if (w.endsWith(QLatin1String(".vdr")))
            veltest::writeSjis(file.toStdString(), std::string(kMinimalPreamble) + "一\\newpage\n二\n");
          else
            outputs << file;
          args.push_back(file.toStdString());
        }
        const veltest::RunResult r = veltest::runRender(args);
        EXPECT_EQ(r.exitCode, 0) << page.toStdString() << ": " << line.toStdString() << "\n" << r.out << r.err;
        for (const QString& out : outputs) {
          const QFileInfo fi(out);
          EXPECT_TRUE(fi.isFile() ? fi.size() > 0 : !QDir(out).isEmpty()) << line.toStdString() << ": no " << out.toStdString();
        }
      }
    }
  }
  EXPECT_GE(examples, 5);
  EXPECT_GE(commands, 2);
}

// Each part that is not finished has one sentence that says so, and so has
// each thing a page names as not done yet; it stands on the pages named
// here as long as it holds, and on no page once it no longer does. Whether
// it holds is seen by typesetting what it is about.
TEST(HelpPages, PagesOfPartsNotBuiltSaySo) {
  struct Part {
    const char* what;
    const char16_t* notice;
    QStringList pages;
    bool built;
  };
  // Formulas are finished when the last of what they do is done: the rows
  // of a matrix stand one above the other, an accent is drawn, a
  // stretchable bracket is built rather than taken from the font.
  const InProcessRun matrix = typesetBody("$\\matrix{a&b\\\\c&d}$\n");
  const InProcessRun accent = typesetBody("$\\vec{x}$\n");
  const InProcessRun bracket = typesetBody("$\\left(\\frac{1}{2}\\right)$\n");
  for (const InProcessRun* r : {&matrix, &accent, &bracket}) ASSERT_EQ(r->status, vel::RunStatus::Done);
  // Drawn as strokes, or (over a narrow letter) as a glyph beside the letter's.
  const bool accents =
      accent.drew("line ") || accent.drew("polyline ") || accent.drew("polygon ") || accent.count("text ") >= 2;
  const bool brackets = bracket.textY("(") < 0;
  const bool mathFinished = matrix.textY("a") >= 0 && matrix.textY("a") != matrix.textY("c") && accents && brackets;
  // A figure is a blank box: its line is not drawn (the grey screen frame,
  // drawn already, is turned off). A two-point line is drawn as a filled
  // quadrilateral, for its square ends.
  const InProcessRun figure = typesetBody("A\\veldris{\\basexy{0,2,0,2,1cm}\\frame{0}\\line{p,0,0,2,2}}\n");
  ASSERT_EQ(figure.status, vel::RunStatus::Done);
  // A table stops the run at its \col.
  const InProcessRun table = typesetBody("\\table{\\col{|c|c|}\\hline a&b\\\\\\hline}\n");
  const Part parts[] = {
      {"formulas", u"数式の組版はまだできあがっていません", {"math.html", "about.html"}, mathFinished},
      {"stretchable brackets", u"伸縮するかっこはまだ形に", {"math.html", "about.html"}, brackets},
      {"accents", u"アクセントはまだ描かれません", {"math.html", "about.html"}, accents},
      {"figures", u"図の描画はまだ作られていません", {"drawing.html", "about.html"},
       figure.drew("line ") || figure.drew("polyline ") || figure.drew("polygon ")},
      {"tables", u"表の組版はまだ作られていません", {"about.html"}, table.status == vel::RunStatus::Done},
  };
  bool allBuilt = true;
  for (const Part& p : parts) {
    const QString notice = QString::fromUtf16(p.notice);
    allBuilt &= p.built;
    for (const QString& page : helpPages()) {
      const bool says = pageText(page).contains(notice);
      if (p.built) {
        EXPECT_FALSE(says) << p.what << ": done now, take \"" << notice.toStdString() << "\" and what it explains off "
                           << page.toStdString();
      } else if (p.pages.contains(page)) {
        EXPECT_TRUE(says) << p.what << ": not done yet, so " << page.toStdString() << " must say \"" << notice.toStdString()
                          << "\"";
      }
    }
  }
  EXPECT_EQ(pageText("about.html").contains(QStringLiteral("まだできあがっていない機能")), !allBuilt);
}

// A message the pages quote (「** …」) is one a run writes: each has a
// source here that makes it.
TEST(HelpPages, QuotedMessagesAreThoseTheProgramWrites) {
  const std::map<QString, std::string> makers = {
      {QStringLiteral("** 数式($…$)が閉じていません。"), "A $x+1\n"},
      {QStringLiteral("** \\colコマンドのエラー"), "\\table{\\col{|c|c|}\\hline a&b\\\\\\hline}\n"},
  };
  const QRegularExpression quoted(QStringLiteral("「(\\*\\* [^」]+)」"));
  veltest::TempDir tmp;
  int seen = 0;
  for (const QString& page : helpPages()) {
    for (auto it = quoted.globalMatch(pageText(page)); it.hasNext();) {
      const QString message = it.next().captured(1);
      ++seen;
      const auto maker = makers.find(message);
      ASSERT_NE(maker, makers.end()) << page.toStdString() << " quotes \"" << message.toStdString()
                                     << "\": add a source that makes it";
      const std::string file = tmp.file("quoted" + std::to_string(seen) + ".vdr");
      veltest::writeSjis(file, kMinimalPreamble + maker->second);
      const std::vector<std::string> out = veltest::splitLines(veltest::runRender({file}).out);
      EXPECT_NE(std::find(out.begin(), out.end(), message.toStdString()), out.end())
          << page.toStdString() << ": the run does not write \"" << message.toStdString() << "\"";
    }
  }
  EXPECT_GE(seen, 1);
}

// The settings page names the dialog's controls by their captions.
TEST(HelpPages, SettingsCaptionsAreTheDialogs) {
  vel::TKankyoForm dialog;
  QStringList captions;
  for (const QLabel* l : dialog.findChildren<QLabel*>()) captions << l->text();
  for (const QAbstractButton* b : dialog.findChildren<QAbstractButton*>()) captions << b->text();
  for (const QGroupBox* g : dialog.findChildren<QGroupBox*>()) captions << g->title();
  const QRegularExpression bold(QStringLiteral("<b>(.*?)</b>"));
  int named = 0;
  for (auto it = bold.globalMatch(readText(helpDir() + QStringLiteral("/settings.html"))); it.hasNext();) {
    const QString caption = QTextDocumentFragment::fromHtml(it.next().captured(1)).toPlainText();
    ++named;
    EXPECT_TRUE(captions.contains(caption)) << "settings.html names \"" << caption.toStdString() << "\"";
  }
  EXPECT_GE(named, 6);
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
