// Typesetting and drawing formulas: a generated document whose every page
// holds about 10 display and 20 inline formulas (scripts, fractions, roots,
// limits, Greek letters, delimiters). Prints typeset pages/s and formula
// pages/s, and render ms/page at 96 dpi.
//
// usage: bench_math [--pages N]
#include <sys/stat.h>
#include <unistd.h>

#include <QGuiApplication>
#include <QImage>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/Cp932.h"
#include "canvas/qt/QtCanvas.h"
#include "driver/Engine.h"
#include "layout/drawing/SheetDrawing.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

// One page of formulas: five paragraphs of four inline formulas, ten displays.
void addPage(vel::Lines& lines, int n) {
  auto add = [&](const std::string& utf8) { lines.push_back(vel::utf8ToCp932(utf8)); };
  const std::string k = std::to_string(n);
  for (int p = 0; p < 5; ++p)
    add("関数 $f(x)=x^2+" + k + "$ の微分は $f'(x)=2x$ で，$\\alpha\\leq\\beta$ かつ "
        "$\\sin\\theta+\\cos\\theta\\geq 1$ が成り立つとき，次の式を考えます。");
  for (int d = 0; d < 10; ++d) {
    switch (d % 5) {
      case 0: add("$$x_{" + k + "}=\\frac{-b\\pm\\sqr{b^2-4ac}}{2a}$$"); break;
      case 1: add("$$\\sum_{i=1}^n i^2=\\frac{n(n+1)(2n+1)}{6}$$"); break;
      case 2: add("$$\\int_0^{\\infty} e^{-x^2}\\,dx=\\frac{\\sqr{\\pi}}{2}$$"); break;
      case 3: add("$$\\lim_{n\\rightarrow\\infty}\\left(1+\\frac{1}{n}\\right)^n=e$$"); break;
      default: add("$$\\alpha\\beta\\gamma+\\delta_{ij}\\epsilon^{kl}\\not=\\Omega\\times\\Phi$$"); break;
    }
  }
  add("\\newpage");
}

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  if (!std::getenv("XDG_RUNTIME_DIR")) {
    std::string dir = "/tmp/veldris-runtime-" + std::to_string(getuid());
    mkdir(dir.c_str(), 0700);
    setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
  }
  QGuiApplication app(argc, argv);
  int pages = 50;
  for (int i = 1; i + 1 < argc; i += 2)
    if (!std::strcmp(argv[i], "--pages")) pages = std::max(1, std::atoi(argv[i + 1]));

  auto measure = vel::QtCanvas::measureOnly(96);
  vel::MemoHost host;
  vel::Engine engine(host, *measure);
  engine.documentPath = "/tmp/math-bench.vdr";
  engine.setView(96, 1.0);
  engine.source = {"\\documentstyle{10.5, a4t}", "\\begindocument"};
  for (int p = 1; p <= pages; ++p) addPage(engine.source, p);
  if (engine.TextDraw(1) != vel::RunStatus::Done) {
    std::fprintf(stderr, "bench_math: the document did not typeset:\n");
    for (const std::string& l : host.lines()) std::fprintf(stderr, "  %s\n", vel::toLogUtf8(l).c_str());
    return 1;
  }

  auto t0 = Clock::now();
  int runs = 0;
  double typeset = 0;
  do {
    if (engine.TextDraw(1) != vel::RunStatus::Done) return 1;
    ++runs;
    typeset = secondsSince(t0);
  } while (typeset < 2.0 && runs < 20);
  const int sheets = engine.sheets;

  vel::State& st = *engine.state();
  const int w = static_cast<int>(st.geo.paperWidthMM * 96 / 25.4);
  const int h = static_cast<int>(st.geo.paperHeightMM * 96 / 25.4);
  QImage page(w, h, QImage::Format_RGB32);
  vel::QtCanvas canvas(static_cast<QPaintDevice&>(page), 96, 96);
  vel::SetDrawTarget(st, vel::DrawTarget{&canvas, 96, 1.0, false});
  auto t1 = Clock::now();
  for (int s = 1; s <= sheets; ++s) {
    page.fill(Qt::white);
    vel::DrawSheet(st, s);
  }
  const double render = secondsSince(t1);
  vel::SetDrawTarget(st, vel::DrawTarget{measure.get(), 96, 1.0, false});

  std::printf("formula pages: %d (%d sheets), 30 formulas each\n", pages, sheets);
  std::printf("typeset: %.1f formula pages/s (%.2f ms per page of 30 formulas)\n", pages * runs / typeset,
              1000.0 * typeset / (runs * pages));
  std::printf("render: %.2f ms/sheet at 96 dpi\n", 1000.0 * render / sheets);
  return 0;
}
