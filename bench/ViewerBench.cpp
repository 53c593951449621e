// The viewer on a generated document (the whole-run benchmark's text: a
// heading every two pages, a footnote a page): F5 until the current sheet is
// shown again, and the repaint of one sheet at 100 % (drawn into the page
// image and put on the widget). Offscreen; prints medians in ms.
//
// usage: bench_viewer [--pages N] [--runs N]
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/Cp932.h"
#include "shell/MainWindow.h"
#include "shell/PageView.h"

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point t) { return std::chrono::duration<double, std::milli>(Clock::now() - t).count(); }

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

std::string makeDocument(int pages) {
  std::string s =
      "\\documentstyle{10, a4t}\n\\topmargin{25mm}\\bottommargin{25mm}\\leftmargin{25mm}\\rightmargin{25mm}\n"
      "\\begindocument\n\\oddpagefooter{\\center{- \\pagenum\\/ -}}\n";
  for (int p = 1; p <= pages; ++p) {
    const std::string n = std::to_string(p / 2 + 1), ps = std::to_string(p);
    if (p % 2 == 1)
      s += "\\p\\section{" + n + "&組版の速さ " + ps + "}\\group{\\fontsize{*1.2}\\fontstyle{b}" + n + "　組版の速さ " +
           ps + "}\\p\n";
    for (int k = 0; k < 14; ++k) {
      s += "これは組版の速さを測るための文章です。日本語の文と English words " + ps + "." + std::to_string(k) +
           " が交互に現れ，";
      if (k == 4) s += "\\footnote{脚注は段の下に組まれます。Footnotes go to the foot of the column.}";
      s += "行末の禁則処理，和欧文間の空白，両端揃えがすべて働きます。"
           "The quick brown fox jumps over the lazy dog, again and again.\\p\n";
    }
  }
  return vel::utf8ToCp932(s);
}

// The offscreen platform's notes on window calls it ignores.
void quietPlatform(QtMsgType type, const QMessageLogContext&, const QString& msg) {
  if (!msg.startsWith(QStringLiteral("This plugin does not support"))) std::fprintf(stderr, "%s\n", qPrintable(msg));
  (void)type;
}

}  // namespace

int main(int argc, char** argv) {
  int pages = 100, runs = 7;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (!std::strcmp(argv[i], "--pages")) pages = std::atoi(argv[i + 1]);
    if (!std::strcmp(argv[i], "--runs")) runs = std::max(1, std::atoi(argv[i + 1]));
  }
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  qInstallMessageHandler(quietPlatform);
  QApplication app(argc, argv);
  QTemporaryDir tmp;
  const QString doc = tmp.filePath(QStringLiteral("bench.vdr"));
  {
    QFile f(doc);
    if (!f.open(QIODevice::WriteOnly)) return 2;
    const std::string text = makeDocument(pages);
    f.write(text.data(), static_cast<qint64>(text.size()));
  }
  vel::TSDIAppForm::Options o;
  o.settingsFile = tmp.filePath(QStringLiteral("settings.ini"));
  o.homeDir = tmp.path();
  o.firstMessage = false;
  vel::TSDIAppForm w(o);
  w.messageHook = [](const QString&) {};
  w.resize(1000, 800);
  w.show();
  if (!w.OpenFile(doc) || !w.pageShown()) {
    std::fprintf(stderr, "bench_viewer: the document did not typeset\n");
    return 1;
  }
  w.SetZoom(1.0);
  // A sheet in the middle, as an author editing it would look at.
  for (int i = 1; i < w.pageCount() / 2; ++i) w.NextPageItemClick();
  app.processEvents();

  std::vector<double> f5, repaint;
  for (int r = 0; r < runs; ++r) {
    const int sheet = w.currentPage();
    auto t = Clock::now();
    w.RePaintButtonClick();
    w.view()->viewport()->repaint();
    f5.push_back(msSince(t));
    if (w.currentPage() != sheet) std::fprintf(stderr, "bench_viewer: F5 moved from sheet %d\n", sheet);
    t = Clock::now();
    w.SetZoom(1.0);
    w.view()->viewport()->repaint();
    repaint.push_back(msSince(t));
  }
  std::printf("%d sheets, sheet %d shown at 100 %%\n", w.pageCount(), w.currentPage());
  std::printf("F5 to the sheet shown:  %.1f ms (median of %d)\n", median(f5), runs);
  std::printf("repaint of one sheet:   %.1f ms (median of %d)\n", median(repaint), runs);
  return 0;
}
