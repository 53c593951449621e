// veldris-render: the headless typesetter. Typesets a source file as F5 in
// the viewer does, prints the INFORMATION window's text on stdout (UTF-8),
// and writes PDF, PNG and dumps of the result.
//
// Exit status: 0 the run finished (an empty file included), 1 it stopped on
// an error in the source, 2 usage error or a missing/unreadable file.
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/Cp932.h"
#include "canvas/FakeCanvas.h"
#include "canvas/qt/QtCanvas.h"
#include "cli/LayoutDump.h"
#include "cli/SourceDump.h"
#include "cli/Output.h"
#include "cli/Lookups.h"
#include "cli/Watch.h"
#include "base/AtomicFile.h"
#include "frontend/SourceFile.h"
#include "driver/Engine.h"
#include "shell/AppSettings.h"

namespace {

const char* kUsage =
    "usage: veldris-render [options] FILE.vdr\n"
    "  --pdf OUT.pdf          write the typeset sheets as PDF\n"
    "  --png DIR              write DIR/sheet-001.png ...\n"
    "  --dpi N                PNG resolution (default 96)\n"
    "  --zoom Z               PNG zoom (default 1)\n"
    "  --sheets N | A-B       limit the output to these sheets (1-based)\n"
    "  --dump-source FILE     the preprocessed source lines, formulas normalised (UTF-8)\n"
    "  --dump-layout FILE     the layout as JSON\n"
    "  --where FILE:LINE      the sheet and place (mm) of the line's first word (repeatable)\n"
    "  --what SHEET,X,Y       the FILE:LINE:COLUMN of the word at X,Y mm (repeatable);\n"
    "                         with either, standard output holds only the answers\n"
    "  --now YYYY-MM-DDTHH:MM:SS   the clock of the run\n"
    "  --input-dir D, --image-dir D (repeatable)  folders instead of the settings'\n"
    "  --settings FILE        read settings from this INI file\n"
    "  --defaults             ignore the user's settings\n"
    "  --fake-metrics         fixed font metrics (for tests)\n"
    "  --watch                typeset again whenever the document or a file it read is\n"
    "                         saved, until Ctrl+C or SIGTERM\n";

struct Options {
  std::string file;
  std::string pdf, pngDir, dumpSource, dumpLayout, settingsFile;
  double dpi = 96, zoom = 1;
  int firstSheet = 1, lastSheet = 0;  // 0: to the end
  std::optional<vel::RunClock> now;
  std::vector<std::string> inputDirs, imageDirs;
  std::vector<vel::LookupQuery> lookups;  // --where, --what in the order given
  bool defaults = false, fakeMetrics = false;
  bool watch = false;
};

int usage(const std::string& why) {
  if (!why.empty()) std::cerr << "veldris-render: " << why << "\n";
  std::cerr << kUsage;
  return 2;
}

bool parseClock(const std::string& s, vel::RunClock& c) {
  int y, mo, d, h, mi, se;
  char tail;
  if (std::sscanf(s.c_str(), "%d-%d-%dT%d:%d:%d%c", &y, &mo, &d, &h, &mi, &se, &tail) != 6) return false;
  if (mo < 1 || mo > 12 || h < 0 || h > 23 || mi < 0 || mi > 59 || se < 0 || se > 60) return false;
  // The days of the month: 2024-02-31 is no date.
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  if (d < 1 || d > kDays[mo - 1] + (mo == 2 && leap ? 1 : 0)) return false;
  std::tm tm{};
  tm.tm_year = y - 1900;
  tm.tm_mon = mo - 1;
  tm.tm_mday = d;
  tm.tm_hour = 12;
  std::time_t t = timegm(&tm);
  std::tm back{};
  gmtime_r(&t, &back);
  c = {y, mo, d, h, mi, se, back.tm_wday + 1};
  return true;
}

bool parseArgs(int argc, char** argv, Options& o, std::string& err) {
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto next = [&](std::string& v) {
      if (i + 1 >= argc) {
        err = a + " needs a value";
        return false;
      }
      v = argv[++i];
      return true;
    };
    std::string v;
    if (a == "--pdf") {
      if (!next(o.pdf)) return false;
    } else if (a == "--png") {
      if (!next(o.pngDir)) return false;
    } else if (a == "--dump-source") {
      if (!next(o.dumpSource)) return false;
    } else if (a == "--dump-layout") {
      if (!next(o.dumpLayout)) return false;
    } else if (a == "--settings") {
      if (!next(o.settingsFile)) return false;
    } else if (a == "--dpi" || a == "--zoom") {
      if (!next(v)) return false;
      char* end = nullptr;
      double x = std::strtod(v.c_str(), &end);
      if (!end || *end || x <= 0) {
        err = "bad value for " + a;
        return false;
      }
      (a == "--dpi" ? o.dpi : o.zoom) = x;
    } else if (a == "--sheets") {
      if (!next(v)) return false;
      int x = 0, y = 0;
      char tail;
      if (std::sscanf(v.c_str(), "%d-%d%c", &x, &y, &tail) == 2 && x >= 1 && y >= x) {
        o.firstSheet = x;
        o.lastSheet = y;
      } else if (std::sscanf(v.c_str(), "%d%c", &x, &tail) == 1 && x >= 1) {
        o.firstSheet = o.lastSheet = x;
      } else {
        err = "bad value for --sheets";
        return false;
      }
    } else if (a == "--now") {
      if (!next(v)) return false;
      vel::RunClock c;
      if (!parseClock(v, c)) {
        err = "bad value for --now (YYYY-MM-DDTHH:MM:SS)";
        return false;
      }
      o.now = c;
    } else if (a == "--where" || a == "--what") {
      vel::LookupQuery q{a == "--where", {}};
      if (!next(q.arg)) return false;
      err = vel::CheckLookup(q);
      if (!err.empty()) return false;
      o.lookups.push_back(q);
    } else if (a == "--input-dir") {
      if (!next(v)) return false;
      o.inputDirs.push_back(v);
    } else if (a == "--image-dir") {
      if (!next(v)) return false;
      o.imageDirs.push_back(v);
    } else if (a == "--defaults") {
      o.defaults = true;
    } else if (a == "--fake-metrics") {
      o.fakeMetrics = true;
    } else if (a == "--watch") {
      o.watch = true;
    } else if (a == "-h" || a == "--help") {
      err.clear();
      return false;
    } else if (!a.empty() && a[0] == '-') {
      err = "unknown option " + a;
      return false;
    } else if (o.file.empty()) {
      o.file = a;
    } else {
      err = "only one source file";
      return false;
    }
  }
  if (o.file.empty()) {
    err = "no source file";
    return false;
  }
  return true;
}

bool writeText(const std::string& path, const std::string& text) {
  return vel::WriteBeside(path, [&](const std::string& tmp) {
    std::ofstream out(tmp, std::ios::binary);
    out << text;
    out.close();
    return static_cast<bool>(out);
  });
}

int TypesetOnce(const Options& o, const vel::AppSettings& as, const QString& ownInput,
                std::vector<std::string>* filesRead);

}  // namespace

int main(int argc, char** argv) {
  Options o;
  std::string err;
  if (!parseArgs(argc, argv, o, err)) return usage(err);

  if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
  if (!std::getenv("XDG_RUNTIME_DIR")) {
    // Qt warns on stderr without one; stderr is for our own messages.
    std::string dir = "/tmp/veldris-runtime-" + std::to_string(getuid());
    mkdir(dir.c_str(), 0700);
    setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
  }
  QGuiApplication app(argc, argv);
  QGuiApplication::setOrganizationName("VDRSYSTEM");
  QGuiApplication::setApplicationName("VELDRIS2");

  // Settings: the user's store, another INI file, or the defaults.
  const QString dataDir = vel::programDataDir();
  const QString ownInput = dataDir + "/input";
  vel::AppSettings as = vel::AppSettings::defaults(ownInput, QDir::currentPath());
  if (!o.settingsFile.empty()) {
    QSettings s(QString::fromStdString(o.settingsFile), QSettings::IniFormat);
    as.load(s);
  } else if (!o.defaults) {
    std::unique_ptr<QSettings> s(vel::openUserSettings());
    as.load(*s);
  }
  if (!o.inputDirs.empty()) {
    as.inputFileDirs.clear();
    for (const auto& d : o.inputDirs) as.inputFileDirs << QString::fromStdString(d);
  }
  if (!o.imageDirs.empty()) {
    as.imageFileDirs.clear();
    for (const auto& d : o.imageDirs) as.imageFileDirs << QString::fromStdString(d);
  }

  if (!o.watch) return TypesetOnce(o, as, ownInput, nullptr);
  // A document that cannot be read at the start is a usage error, as
  // without --watch; later runs wait for it.
  std::vector<std::string> read;
  int first = TypesetOnce(o, as, ownInput, &read);
  if (first == 2 && read.empty()) return first;
  bool firstDone = false;
  return vel::WatchAndTypeset(QFileInfo(QString::fromStdString(o.file)).absoluteFilePath().toStdString(), [&] {
    vel::WatchedRun r;
    if (!firstDone) {
      firstDone = true;
      r.status = first;
      r.filesRead = std::move(read);
    } else {
      r.status = TypesetOnce(o, as, ownInput, &r.filesRead);
    }
    return r;
  });
}

namespace {

// One run: the document loaded, typeset, its messages printed and its
// outputs written. Returns the exit status; `filesRead`, when given, gets
// the files the run read, for --watch.
int TypesetOnce(const Options& o, const vel::AppSettings& as, const QString& ownInput,
                std::vector<std::string>* filesRead) {
  // The document.
  QFileInfo fi(QString::fromStdString(o.file));
  const std::string path = fi.absoluteFilePath().toStdString();
  vel::Lines lines;
  size_t unmappable = 0;
  vel::LoadResult lr = vel::LoadSourceFile(path, lines, &unmappable);
  if (lr == vel::LoadResult::Missing) {
    std::cerr << path << vel::cp932ToUtf8(SJ(" がありません。")) << "\n";
    return 2;
  }
  if (lr != vel::LoadResult::Ok) {
    std::cerr << "veldris-render: " << path << (fi.isDir() ? " is a folder, not a source file" : ": cannot read")
              << "\n";
    return 2;
  }

  std::unique_ptr<vel::Canvas> canvas;
  if (o.fakeMetrics) canvas = std::make_unique<vel::FakeCanvas>(o.dpi);
  else canvas = vel::QtCanvas::measureOnly(o.dpi);

  vel::MemoHost host;
  vel::Engine engine(host, *canvas);
  engine.settings = as.engineSettings(ownInput);
  engine.programInputDir = ownInput.toStdString();
  engine.fixedClock = o.now;
  engine.documentPath = path;
  engine.source = std::move(lines);
  engine.sourceReplaced = unmappable;
  engine.setView(o.dpi, 1.0);

  vel::RunStatus status = engine.TextDraw(1);

  // With lookups asked, standard output holds only their answers.
  if (o.lookups.empty())
    for (const std::string& l : host.lines()) std::cout << vel::toLogUtf8(l) << "\n";
  else
    vel::AnswerLookups(engine, o.lookups, std::cout);
  std::cout.flush();

  vel::State* run = engine.lastRun();
  if (run && filesRead) {
    for (const vel::SourceFileRecord& f : run->origins.files) filesRead->push_back(f.path);
    filesRead->insert(filesRead->end(), run->origins.images.begin(), run->origins.images.end());
  }
  if (run) {
    for (const vel::SourceFileRecord& f : run->origins.files)
      if (f.replaced > 0)
        std::cerr << "veldris-render: warning: " << f.replaced << " character(s) of " << f.path
                  << " have no Shift-JIS form and were replaced by \xE3\x80\x93\n";
  }
  // The error as compilers write theirs, FILE:LINE: message, so that
  // editors can jump to it.
  if (const vel::SourceError* e = engine.lastError()) {
    std::string text = vel::toLogUtf8(e->message);
    if (text.rfind("** ", 0) == 0) text.erase(0, 3);
    std::cerr << e->path << (e->line > 0 ? ":" + std::to_string(e->line) : std::string()) << ": " << text << "\n";
  }
  int rc = status == vel::RunStatus::Stopped ? 1 : 0;
  if (run && !o.dumpSource.empty()) {
    if (!writeText(o.dumpSource, vel::SourceDumpText(run->sourceLines))) {
      std::cerr << "veldris-render: cannot write " << o.dumpSource << "\n";
      rc = 2;
    }
  }
  if (run && !o.dumpLayout.empty()) {
    if (!writeText(o.dumpLayout, vel::LayoutDumpJson(*run, status == vel::RunStatus::Stopped))) {
      std::cerr << "veldris-render: cannot write " << o.dumpLayout << "\n";
      rc = 2;
    }
  }

  const bool output = !o.pdf.empty() || !o.pngDir.empty();
  std::optional<vel::PdfStructure> pdfStructure;
  if (status != vel::RunStatus::Stopped && output && engine.sheets == 0) {
    std::cerr << "veldris-render: the document has no sheets: nothing written\n";
    return 2;
  }
  if (status == vel::RunStatus::Done && output) {
    // Sheets beyond the last are the last, as the viewer shows them.
    const int last = o.lastSheet == 0 ? engine.sheets : std::min(o.lastSheet, engine.sheets);
    vel::SheetRange range{std::min(o.firstSheet, last), last};
    if (o.firstSheet > engine.sheets)
      std::cerr << "veldris-render: the document has " << engine.sheets << " sheet(s): writing sheet " << last
                << "\n";
    if (!o.pdf.empty() && !vel::WriteBeside(o.pdf, [&](const std::string& tmp) {
          return vel::WritePdf(engine, tmp, range, fi.fileName().toStdString(), &pdfStructure.emplace());
        })) {
      pdfStructure.reset();
      std::cerr << "veldris-render: cannot write " << o.pdf << "\n";
      rc = 2;
    }
    if (!o.pngDir.empty() && !vel::WritePngs(engine, o.pngDir, range, o.dpi, o.zoom)) {
      std::cerr << "veldris-render: cannot write " << o.pngDir << "\n";
      rc = 2;
    }
  }
  // Background images are read only when the sheets are drawn.
  if (filesRead && engine.state())
    filesRead->insert(filesRead->end(), engine.state()->origins.images.begin(), engine.state()->origins.images.end());
  // The PDF's outline, labels and links go in once the run's pages are let
  // go: the rewrite reads the whole file, and a long document's words
  // would otherwise still take their room beside it. A file that cannot be
  // rewritten keeps what was written.
  if (pdfStructure) {
    engine.ForgetPages();
    (void)vel::AddPdfStructure(o.pdf, *pdfStructure);
  }
  return rc;
}

}  // namespace
