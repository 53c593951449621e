#include "driver/SourceLookup.h"

#include <algorithm>
#include <filesystem>
#include <limits>

#include "layout/drawing/SheetDrawing.h"
#include "state/WordKinds.h"

namespace vel {

namespace {

// Measures with the run's surface and draws nothing: positions come out
// as drawing makes them, and no page, printer or file is touched.
class InklessCanvas : public Canvas {
 public:
  explicit InklessCanvas(Canvas& measuring) : m_(measuring) {}
  const FaceMetrics& face(const Font& f) override { return m_.face(f); }
  bool drawsPixels() const override { return m_.drawsPixels(); }
  double dpiX() const override { return m_.dpiX(); }
  double dpiY() const override { return m_.dpiY(); }
  void textOut(const Font&, int, int, std::string_view) override {}
  void textOutPlaced(const Font&, int, const std::vector<PlacedChar>&) override {}
  void lineTo(int x, int y) override { pos_ = {x, y}; }
  void polyline(const std::vector<Point>&) override {}
  void polygon(const std::vector<Point>&) override {}
  void bezierPolygon(const std::vector<Point>&) override {}
  void rectangle(int, int, int, int) override {}
  void roundRect(int, int, int, int, int, int) override {}
  void ellipse(int, int, int, int) override {}
  void arc(int, int, int, int, int, int, int, int) override {}
  void pie(int, int, int, int, int, int, int, int) override {}
  void chord(int, int, int, int, int, int, int, int) override {}
  void fillRect(int, int, int, int, Color) override {}
  void fillRegion(const Region&, Color) override {}
  void drawBitmap(int, int, const Bitmap&, std::optional<Color>) override {}
  void stretchBitmap(const Bitmap&, int, int, int, int, std::optional<Color>) override {}
  void tileBitmap(const Bitmap&, int, int, int, int, double, double, double, double, std::optional<Color>) override {}
  std::unique_ptr<Canvas> createBitmapCanvas(Bitmap& target) override { return m_.createBitmapCanvas(target); }

 private:
  Canvas& m_;
};

// Messages drawing would write (an image gone since the run) are the run's
// business, not the lookup's.
class QuietHost : public Host {
 public:
  void addLine(const std::string&) override {}
  void appendAtCaret(const std::string&) override {}
};

bool samePath(const std::string& a, const std::string& b) {
  if (a == b) return true;
  std::error_code ea, eb;
  const auto ca = std::filesystem::weakly_canonical(a, ea), cb = std::filesystem::weakly_canonical(b, eb);
  return !ea && !eb && ca == cb;
}

// The command that set the running text of the page whose first column is
// `column`: the last \oddpageheader (or its kin) of that parity met up to
// the end of the page.
std::optional<SourcePlace> runningTextSource(const State& st, const DrawnWord& d) {
  const int kind = d.from == DrawnWord::Header ? cmd::Header : cmd::Footer;
  const int perPage = std::max(1, st.geo.columnsPerPage);
  const int lastColumn = std::min({d.line + perPage - 1, st.col.columnsMade - 1, int(st.columnList.size()) - 1});
  if (lastColumn < 0) return std::nullopt;
  const int lastLine = st.columnList[size_t(lastColumn)].lastLine;
  const int lastWord = lastLine >= 0 && lastLine < int(st.lineList.size()) ? st.lineList[size_t(lastLine)].lastWord
                                                                          : int(st.wordList.size()) - 1;
  // A page of the other parity shows the odd pages' text when no even one
  // was set: then any command of the kind set it.
  std::optional<WordInfo> setBy;
  for (const bool sameParity : {true, false}) {
    for (int i = 0; i < int(st.wordList.size()) && !(setBy && i > lastWord); ++i) {
      const WordInfo w = st.wordList[size_t(i)];
      if (w.kind != kind || (sameParity && (w.subType & 1) != d.parity)) continue;
      setBy = w;
      if (i > lastWord) break;
    }
    if (setBy) break;
  }
  if (!setBy) return std::nullopt;
  return SourceOfLine(st, setBy->line, setBy->pos);
}

bool holds(const DrawnWord& w, int x, int y) {
  return x >= w.left && x < w.left + std::max(w.width, 1) && y >= w.top && y < w.top + std::max(w.height, 1);
}

}  // namespace

std::vector<DrawnWord> DrawnWordsOf(State& st, int sheet) {
  if (!st.canvas || sheet < 1 || sheet > st.col.sheets) return {};
  InklessCanvas inkless(*st.canvas);
  QuietHost quiet;
  DrawnWordLog log;
  log.keptMiniPages = st.miniPageList.size();
  Canvas* const canvas = st.canvas;
  Host* const host = st.host;
  const DrawState draw = st.draw;
  st.canvas = &inkless;
  st.host = &quiet;
  st.draw.drawnWords = &log;
  DrawSheet(st, sheet);
  st.canvas = canvas;
  st.host = host;
  st.draw = draw;
  return std::move(log.words);
}

std::optional<SourcePlace> SourceOfLine(const State& st, int processedLine, int pos) {
  const LineOrigin* o = st.origins.of(processedLine);
  if (!o) return std::nullopt;
  const SourceFileRecord& f = st.origins.files[size_t(o->file)];
  // A byte position is the author's only where preprocessing left the line
  // as written (no macro, comment or escape in it); a generated line (the
  // contents pass) has the origin of the \tableofcontents that asked for it.
  const bool asWritten = !o->generated && size_t(processedLine) < st.sourceLines.size() &&
                         size_t(o->line) < f.text.size() && st.sourceLines[size_t(processedLine)] == f.text[size_t(o->line)];
  return SourcePlace{f.path, f.name, o->line + 1, asWritten ? pos : 0};
}

std::optional<SourcePlace> SourceLookup::sourceOf(const DrawnWord& w) {
  const State& st = st_;
  switch (w.from) {
    case DrawnWord::Word: {
      if (w.mini < 0) return SourceOfLine(st, w.line, w.pos);
      if (!ownersMade_) {
        // The words that place blocks (floats, footnotes, mini pages) hold
        // the block's index; a block placed inside another block has the
        // source line of the outer one's placer.
        ownersMade_ = true;
        const size_t n = st.miniPageList.size();
        owners_.assign(n, {-1, 0});
        std::vector<int> within(n, -1);
        auto scan = [&](const WordList& words, int inMini) {
          for (const WordInfo& x : words)
            if ((x.kind == cmd::Float || x.kind == cmd::MiniPage) && x.value >= 0 && size_t(x.value) < n &&
                owners_[size_t(x.value)].first < 0) {
              owners_[size_t(x.value)] = {x.line, x.pos};
              within[size_t(x.value)] = inMini;
            }
        };
        scan(st.wordList, -1);
        for (size_t m = 0; m < n; ++m) scan(st.miniPageList[m].words, int(m));
        for (size_t m = 0; m < n; ++m) {
          int outer = within[m];
          for (size_t depth = 0; outer >= 0 && depth < n; ++depth) {
            owners_[m] = owners_[size_t(outer)];
            outer = within[size_t(outer)];
          }
        }
      }
      if (size_t(w.mini) >= owners_.size() || owners_[size_t(w.mini)].first < 0) return std::nullopt;
      return SourceOfLine(st, owners_[size_t(w.mini)].first, owners_[size_t(w.mini)].second);
    }
    case DrawnWord::FrontNumber:
      // The front matter is numbered because the contents asked for it:
      // the lines the contents pass made have the origin of that request.
      for (size_t i = 0; i < st.origins.lines.size(); ++i)
        if (st.origins.lines[i].generated) return SourceOfLine(st, int(i), 0);
      return std::nullopt;
    default:
      return runningTextSource(st, w);
  }
}

const std::vector<DrawnWord>& SourceLookup::words(int sheet) {
  static const std::vector<DrawnWord> kNone;
  if (sheet < 1 || sheet > st_.col.sheets) return kNone;
  if (sheets_.size() < size_t(st_.col.sheets)) sheets_.resize(size_t(st_.col.sheets));
  auto& kept = sheets_[size_t(sheet - 1)];
  if (!kept) kept = DrawnWordsOf(st_, sheet);
  return *kept;
}

std::optional<SourcePlace> SourceLookup::what(int sheet, int x, int y) {
  const DrawnWord* best = nullptr;
  long long bestArea = std::numeric_limits<long long>::max();
  for (const DrawnWord& w : words(sheet)) {
    if (!holds(w, x, y)) continue;
    const long long area = static_cast<long long>(std::max(w.width, 1)) * std::max(w.height, 1);
    if (area < bestArea) {
      best = &w;
      bestArea = area;
    }
  }
  if (!best) return std::nullopt;
  return sourceOf(*best);
}

std::optional<SheetPlace> SourceLookup::where(const std::string& path, int line, int* found) {
  const auto& files = st_.origins.files;
  int file = -1;
  for (size_t f = 0; f < files.size() && file < 0; ++f)
    if (samePath(files[f].path, path)) file = static_cast<int>(f);
  for (size_t f = 0; f < files.size() && file < 0; ++f)
    if (files[f].name == path || std::filesystem::path(files[f].path).filename() == path) file = static_cast<int>(f);
  if (file < 0) return std::nullopt;

  // Per source line of the file (0-based), its first word: the earliest
  // sheet, then the smallest column, then drawing order.
  struct First {
    SheetPlace place;
    int pos = 0;
  };
  std::vector<std::optional<First>> first;
  const int want = line - 1;
  for (int s = 1; s <= st_.col.sheets; ++s) {
    // The earliest sheet that holds the line wins: later ones need no walk.
    if (want >= 0 && size_t(want) < first.size() && first[size_t(want)]) break;
    for (const DrawnWord& w : words(s)) {
      int l = -1;
      if (w.from == DrawnWord::Word && w.mini < 0) {
        const LineOrigin* o = st_.origins.of(w.line);
        if (o && o->file == file) l = o->line;
      } else if (const auto p = sourceOf(w); p && p->path == files[size_t(file)].path) {
        l = p->line - 1;  // the line of the command that placed or set it
      }
      if (l < 0) continue;
      if (first.size() <= size_t(l)) first.resize(size_t(l) + 1);
      auto& f = first[size_t(l)];
      if (f && (f->place.sheet < s || f->pos <= w.pos)) continue;
      f = First{SheetPlace{s, w.left, w.top, w.width, w.height}, w.pos};
    }
  }
  int use = -1;
  for (int l = std::max(want, 0); l < static_cast<int>(first.size()) && use < 0; ++l)
    if (first[size_t(l)]) use = l;
  for (int l = std::min(want, static_cast<int>(first.size()) - 1); l >= 0 && use < 0; --l)
    if (first[size_t(l)]) use = l;
  if (use < 0) return std::nullopt;
  if (found) *found = use + 1;
  return first[size_t(use)]->place;
}

}  // namespace vel
