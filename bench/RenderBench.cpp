// Typesetting, page rendering and PDF export of a generated document of
// about 200 pages (Japanese and Latin text, headings, items, frames,
// footnotes, two columns). Prints, in one run: typeset pages/s, render
// ms/page at 96 dpi and zoom 1, PDF export pages/s.
//
// usage: bench_render [--pages N] [--keep-pdf FILE] [--repeat typeset|render|pdf N]
// (--repeat runs one phase N more times, for a profiler)
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
#include "layout/drawing/SheetDrawing.h"
#include "driver/Engine.h"
#include "shell/Printing.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

// One section: a heading, Japanese and Latin paragraphs, an item list, a
// framed box and a footnote.
void addSection(vel::Lines& lines, int n) {
  auto add = [&](const std::string& utf8) { lines.push_back(vel::utf8ToCp932(utf8)); };
  const std::string num = std::to_string(n);
  add("\\section{節 " + num + " 組版の試験}");
  add("これは組版と描画の速さを測るための文章です。日本語の文と English words が交互に現れ，"
      "数字 12345 や記号も入ります。行末の禁則処理，和欧文間の空白，両端揃えがすべて働きます。"
      "段落は十分に長く，二段組の一段に何行も続きます。");
  add("The quick brown fox jumps over the lazy dog " + num +
      " times, while the typesetter measures every word and breaks the lines with care.\\p");
  add("\\beginitem{2zw}");
  add("\\item 項目その一：短い文。\\item 項目その二：Latin text in an item " + num +
      ".\\item 項目その三：もう少し長い文章で，行を折り返すかどうかを確かめます。");
  add("\\enditem");
  add("本文に戻ります。\\framebox{枠で囲んだ語}を含み，脚注\\footnote{脚注 " + num +
      " の本文です。}も付きます。さらに文章が続き，段の終わりまで流れていきます。");
  add("日本語の組版では，句読点や括弧の位置に規則があります。「かぎ括弧」や（丸括弧）が行頭や行末に"
      "来ないように調整されます。\\p");
}

vel::Lines makeDocument(int sections) {
  vel::Lines lines;
  lines.push_back("\\documentstyle{10.5, a4t}");
  lines.push_back("\\column{2}");
  lines.push_back("\\begindocument");
  lines.push_back(vel::utf8ToCp932("\\oddpageheader{\\left{VELDRIS} \\right{\\pagenum} \\line{0.3mm}}"));
  for (int i = 1; i <= sections; ++i) addSection(lines, i);
  return lines;
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
  int targetPages = 200;
  std::string keepPdf, repeatPhase;
  int repeat = 0;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (!std::strcmp(argv[i], "--pages")) targetPages = std::max(1, std::atoi(argv[i + 1]));
    else if (!std::strcmp(argv[i], "--keep-pdf")) keepPdf = argv[i + 1];
    else if (!std::strcmp(argv[i], "--repeat") && i + 2 < argc) {
      repeatPhase = argv[i + 1];
      repeat = std::max(0, std::atoi(argv[i + 2]));
      ++i;
    }
  }

  auto measure = vel::QtCanvas::measureOnly(96);
  vel::MemoHost host;
  vel::Engine engine(host, *measure);
  engine.documentPath = "/tmp/render-bench.vdr";
  engine.setView(96, 1.0);

  // Size the document: a trial run, then enough sections for the target.
  int sections = 20;
  engine.source = makeDocument(sections);
  if (engine.TextDraw(1) != vel::RunStatus::Done || engine.sheets <= 0) {
    std::fprintf(stderr, "bench_render: the document did not typeset:\n");
    for (const std::string& l : host.lines()) std::fprintf(stderr, "  %s\n", vel::toLogUtf8(l).c_str());
    return 1;
  }
  for (int pass = 0; pass < 3 && engine.sheets != targetPages; ++pass) {
    sections = std::max(1, sections * targetPages / std::max(1, engine.sheets));
    engine.source = makeDocument(sections);
    if (engine.TextDraw(1) != vel::RunStatus::Done) return 1;
  }

  // Typesetting (the run also draws sheet 1 on the measure-only surface).
  auto t0 = Clock::now();
  int runs = 0;
  double typeset = 0;
  do {
    if (engine.TextDraw(1) != vel::RunStatus::Done) return 1;
    ++runs;
    typeset = secondsSince(t0);
  } while (typeset < 2.0 && runs < 20);
  const int pages = engine.sheets;
  const double typesetPagesPerSecond = pages * runs / typeset;

  // Rendering every sheet at 96 dpi, zoom 1, as the viewer does.
  vel::State& st = *engine.state();
  const int w = static_cast<int>(st.geo.paperWidthMM * 96 / 25.4);
  const int h = static_cast<int>(st.geo.paperHeightMM * 96 / 25.4);
  QImage page(w, h, QImage::Format_RGB32);
  auto renderAll = [&] {
    vel::QtCanvas canvas(static_cast<QPaintDevice&>(page), 96, 96);
    vel::SetDrawTarget(st, vel::DrawTarget{&canvas, 96, 1.0, false});
    auto t1 = Clock::now();
    for (int s = 1; s <= pages; ++s) {
      page.fill(Qt::white);
      vel::DrawSheet(st, s);
    }
    double seconds = secondsSince(t1);
    vel::SetDrawTarget(st, vel::DrawTarget{measure.get(), 96, 1.0, false});
    return seconds;
  };
  const double render = renderAll();
  if (!keepPdf.empty()) page.save(QString::fromStdString(keepPdf + ".last.png"));

  // PDF export of the whole document.
  const std::string pdfPath = keepPdf.empty() ? "/tmp/render-bench-" + std::to_string(getpid()) + ".pdf" : keepPdf;
  auto exportPdf = [&] {
    auto t2 = Clock::now();
    vel::PdfPrintDevice pdf(pdfPath, st.geo.paperWidthMM, st.geo.paperHeightMM);
    vel::PrintRange range;
    range.first = 1;
    range.last = pages;
    if (vel::PrintSheets(engine, pdf, range) != vel::PrintResult::Done) return -1.0;
    return secondsSince(t2);
  };
  const double pdfSeconds = exportPdf();
  if (pdfSeconds < 0) {
    std::fprintf(stderr, "bench_render: PDF export failed\n");
    return 1;
  }
  for (int i = 0; i < repeat; ++i) {
    if (repeatPhase == "typeset") engine.TextDraw(1);
    else if (repeatPhase == "render") renderAll();
    else if (repeatPhase == "pdf") exportPdf();
  }
  if (keepPdf.empty()) std::remove(pdfPath.c_str());

  std::printf("document: %d sections, %d pages (%d words, %d lines)\n", sections, pages,
              static_cast<int>(st.wordList.size()), static_cast<int>(st.lineList.size()));
  std::printf("typeset: %.1f pages/s (%d runs)\n", typesetPagesPerSecond, runs);
  std::printf("render:  %.2f ms/page at 96 dpi, zoom 1\n", render * 1000 / pages);
  std::printf("pdf:     %.1f pages/s\n", pages / pdfSeconds);
  return 0;
}
