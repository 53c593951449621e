// The line builder on a generated 200-page Japanese/Latin document (no
// math): words per second and pages per second, for a whole typesetting
// run and for MakeWordLineList alone. Prints its figures; asserts nothing.
#include <chrono>
#include <cstdio>
#include <random>
#include <string>

#include "base/Cp932.h"
#include "canvas/qt/QtCanvas.h"
#include "layout/fonts/Fonts.h"
#include "driver/Engine.h"
#include "layout/lines/WordLine.h"

using namespace vel;
using Clock = std::chrono::steady_clock;

namespace {

Lines generate(int paragraphs) {
  const std::string kana = utf8ToCp932("あいうえおかきくけこさしすせそたちつてとなにぬねの日本語文章組版規則漢字仮名計算結果図表");
  const std::string punct = utf8ToCp932("、。「」");
  const char* words[] = {"typesetting", "line", "break", "VELDRIS", "document", "Japanese", "Latin", "text"};
  std::mt19937 rng(42);
  Lines out = {"\\documentstyle{10.5, a4t}", "\\begindocument"};
  for (int p = 0; p < paragraphs; ++p) {
    std::string line;
    int sentences = 3 + static_cast<int>(rng() % 4);
    for (int s = 0; s < sentences; ++s) {
      int n = 20 + static_cast<int>(rng() % 30);
      for (int i = 0; i < n; ++i) {
        unsigned r = rng() % 20;
        if (r == 0) line += words[rng() % 8];
        else if (r == 1) line += std::to_string(rng() % 2000);
        else if (r == 2) line += punct.substr(2 * (rng() % 4), 2);
        else line += kana.substr(2 * (rng() % (kana.size() / 2)), 2);
      }
      line += utf8ToCp932("。");
      out.push_back(line);
      line.clear();
    }
    out.push_back("\\p");
  }
  return out;
}

double seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

}  // namespace

int main() {
  auto canvas = QtCanvas::measureOnly(96);
  MemoHost host;
  Engine engine(host, *canvas);
  engine.documentPath = "/tmp/bench.vdr";

  // Grow the text until it makes 200 pages.
  int paragraphs = 400;
  for (;;) {
    engine.source = generate(paragraphs);
    engine.TextDraw(1);
    if (engine.sheets >= 200 || paragraphs > 100000) break;
    paragraphs = paragraphs * 200 / std::max(1, engine.sheets) + 10;
  }
  const State* st = engine.state();
  if (!st) {
    std::fprintf(stderr, "the benchmark document did not typeset\n");
    return 1;
  }
  const size_t words = st->wordList.size();
  const size_t sourceLines = st->sourceLines.size();
  const int pages = engine.sheets;

  const int runs = 5;
  auto a = Clock::now();
  for (int i = 0; i < runs; ++i) engine.TextDraw(1);
  auto b = Clock::now();
  double whole = seconds(a, b) / runs;

  // The line builder alone, on the preprocessed text of the last run.
  double builder = 0;
  for (int i = 0; i < runs; ++i) {
    State s;
    Settings settings = Settings::defaults();
    s.canvas = canvas.get();
    s.host = &host;
    s.settings = &settings;
    s.geo = engine.state()->geo;
    s.chr.fontSize = s.font.baseSize = 21000;
    s.font.base = BaseFont(s);
    SetFont(s, s.font.base, 2);
    s.sourceLines = engine.state()->sourceLines;
    auto c = Clock::now();
    (void)MakeWordLineList(s, s.sourceLines, s.wordList, true, s.lineList, s.wordTextList);
    builder += seconds(c, Clock::now());
  }
  builder /= runs;

  std::printf("document: %d pages, %zu words, %zu source lines\n", pages, words, sourceLines);
  std::printf("whole run (TextDraw): %.1f ms  %.0f words/s  %.0f pages/s\n", whole * 1e3, words / whole, pages / whole);
  std::printf("MakeWordLineList:     %.1f ms  %.0f words/s  %.0f pages/s\n", builder * 1e3, words / builder,
              pages / builder);
  return 0;
}
