// The lookups between the page and the source on one document that has
// every kind of place (data/lookup: an included file, a contents list, a
// float, footnotes, a frame box, a mini page, two columns): every glyph
// drawn comes back to a line that holds it, and each line's first word
// comes back to its line, in process and through veldris-render.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "base/Cp932.h"
#include "canvas/FakeCanvas.h"
#include "driver/Engine.h"
#include "driver/SourceLookup.h"
#include "layout/drawing/SheetDrawing.h"

namespace veltest {
namespace {

constexpr double kDpi = 200;  // 1 px = 100 layout units

struct LookupDocument {
  TempDir dir;
  vel::FakeCanvas canvas{kDpi};
  vel::MemoHost host;
  vel::Engine engine{host, canvas};
  std::map<std::string, std::vector<std::string>> lines;  // path -> its lines, UTF-8

  LookupDocument() {
    for (const char* name : {"main.vdr", "sub.vdr"}) {
      const std::string text = readFile(sourceDir() + "/tests/render/data/lookup/" + name);
      writeSjis(dir.file(name), text);
      lines[dir.file(name)] = splitLines(text);
    }
    engine.programInputDir = sourceDir() + "/data/input";  // the contents pass reads veldris.vdr there
    engine.loadDocument(dir.file("main.vdr"));
    engine.setView(kDpi, 1.0);
  }
  const std::string& line(const vel::SourcePlace& p) {
    static const std::string kNone;
    const auto& f = lines[p.path];
    return p.line >= 1 && p.line <= int(f.size()) ? f[size_t(p.line - 1)] : kNone;
  }
};

// A drawn glyph: sheet, device cell top-left and height, UTF-8 text.
struct Glyph {
  int sheet, x, y, h;
  std::string text;
};

std::vector<Glyph> drawnGlyphs(LookupDocument& d) {
  std::vector<Glyph> out;
  vel::State& st = *d.engine.state();
  for (int s = 1; s <= d.engine.sheets; ++s) {
    d.canvas.clearLog();
    vel::DrawSheet(st, s);
    for (const std::string& l : d.canvas.log()) {
      int x = 0, y = 0, h = 0;
      if (std::sscanf(l.c_str(), "text %d %d h=%d", &x, &y, &h) != 3) continue;
      out.push_back({s, x, y, std::abs(h), l.substr(l.rfind(' ') + 1)});
    }
  }
  return out;
}

// A glyph belongs to a line that holds it; text the run made belongs to
// the line that asked for it: the contents (on the first sheet, the front
// matter's page number too), footnote marks, running headers and footers
// (outside the text area).
bool writes(const std::string& line, const Glyph& g, bool inTextArea) {
  if (line.find(g.text) != std::string::npos) return true;
  if (line.find("pageheader") != std::string::npos) return !inTextArea;
  if (line.find("\\tableofcontents") != std::string::npos) return g.sheet == 1;
  return line.find("\\footnote") != std::string::npos && g.text.find_first_not_of("*0123456789") == std::string::npos;
}

TEST(SourceLookup, EveryDrawnGlyphAndEveryLineComeBackToTheirLine) {
  LookupDocument d;
  ASSERT_EQ(d.engine.TextDraw(1), vel::RunStatus::Done) << d.host.lines().back();
  ASSERT_GE(d.engine.sheets, 2);
  vel::State& st = *d.engine.state();
  vel::SourceLookup lookup(st);

  // Page to source: the centre of each glyph's cell.
  std::set<std::pair<std::string, int>> seen;
  const std::vector<Glyph> glyphs = drawnGlyphs(d);
  ASSERT_GT(glyphs.size(), 500u);
  const double perPx = vel::units::kPerInch / kDpi;
  for (const Glyph& g : glyphs) {
    const auto p = lookup.what(g.sheet, int((g.x + 2) * perPx), int((g.y + g.h / 2.0) * perPx));
    ASSERT_TRUE(p) << g.text << " on sheet " << g.sheet << " at " << g.x << "," << g.y;
    const int top = int(g.y * perPx);
    const bool inText = top >= st.geo.topMargin && top < st.geo.topMargin + st.geo.columnHeight;
    EXPECT_TRUE(writes(d.line(*p), g, inText)) << g.text << " -> " << p->path << ":" << p->line << " " << d.line(*p);
    seen.insert({p->path, p->line});
  }
  // Both files, the contents, the float, the footnotes, the boxes and both
  // columns' text were among them.
  const std::string main = d.dir.file("main.vdr"), sub = d.dir.file("sub.vdr");
  for (const auto& [path, line] : std::vector<std::pair<std::string, int>>{
           {main, 4}, {main, 5}, {main, 6}, {main, 7}, {main, 8}, {main, 9}, {main, 11}, {main, 24}, {main, 37},
           {sub, 1}, {sub, 3}})
    EXPECT_TRUE(seen.count({path, line})) << path << ":" << line;

  // Source to page and back: each line's first word holds that line; a
  // line without words stands for the next one that has them.
  for (const auto& [path, line] : seen) {
    int found = 0;
    const auto at = lookup.where(path, line, &found);
    ASSERT_TRUE(at) << path << ":" << line;
    EXPECT_EQ(found, line);
    const auto back = lookup.what(at->sheet, at->left + at->width / 2, at->top + at->height / 2);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->line, line) << path;
  }
  // Byte columns are the author's where the line is as written.
  const auto seventh = lookup.where(main, 7);
  ASSERT_TRUE(seventh);
  const auto first = lookup.what(seventh->sheet, seventh->left + 1, seventh->top + 1);
  ASSERT_TRUE(first);
  EXPECT_EQ(first->column, 1);
  int found = 0;
  ASSERT_TRUE(lookup.where(main, 12, &found));  // the blank line before the filler
  EXPECT_EQ(found, 13);
  ASSERT_TRUE(lookup.where("sub.vdr", 2, &found));  // by name
  EXPECT_EQ(found, 3);
  EXPECT_FALSE(lookup.where(d.dir.file("other.vdr"), 1));
  EXPECT_FALSE(lookup.what(1, -5, -5));
  EXPECT_FALSE(lookup.what(d.engine.sheets + 1, 0, 0));

  // The lookups draw nothing and leave the sheet shown alone.
  d.canvas.clearLog();
  st.draw.currentSheet = 1;
  vel::SourceLookup fresh(st);
  (void)fresh.where(main, 37);
  EXPECT_TRUE(d.canvas.log().empty());
  EXPECT_EQ(st.draw.currentSheet, 1);
  EXPECT_EQ(st.draw.drawnWords, nullptr);

  // veldris-render answers the same questions: --where of every line, then
  // --what at each answer (1 mm inside the word), one line each.
  std::vector<std::string> args = {"--defaults", "--fake-metrics", "--dpi", "200"};
  std::vector<std::pair<std::string, int>> asked(seen.begin(), seen.end());
  for (const auto& [path, line] : asked) args.insert(args.end(), {"--where", path + ":" + std::to_string(line)});
  args.push_back(main);
  const RunResult where = runRender(args);
  ASSERT_EQ(where.exitCode, 0) << where.err;
  const std::vector<std::string> answers = splitLines(where.out);
  ASSERT_EQ(answers.size(), asked.size()) << where.out;
  args = {"--defaults", "--fake-metrics", "--what", "9,0,0"};
  for (size_t i = 0; i < answers.size(); ++i) {
    int sheet = 0, line = 0;
    double x = 0, y = 0;
    ASSERT_EQ(std::sscanf(answers[i].c_str(), "%d %lf %lf %d", &sheet, &x, &y, &line), 4) << answers[i];
    EXPECT_EQ(line, asked[i].second) << answers[i];
    char point[64];
    std::snprintf(point, sizeof point, "%d,%.2f,%.2f", sheet, x + 1.0, y + 1.0);
    args.insert(args.end(), {"--what", point});
  }
  args.push_back(main);
  const RunResult what = runRender(args);
  ASSERT_EQ(what.exitCode, 0) << what.err;
  const std::vector<std::string> places = splitLines(what.out);
  ASSERT_EQ(places.size(), asked.size() + 1);
  EXPECT_EQ(places[0], "-");  // no ninth sheet
  for (size_t i = 0; i < asked.size(); ++i) {
    const std::string want = asked[i].first + ":" + std::to_string(asked[i].second) + ":";
    EXPECT_EQ(places[i + 1].rfind(want, 0), 0u) << places[i + 1] << " for " << want;
  }

  // Malformed queries are usage errors.
  for (const char* bad : {"--where=main.vdr", "--where main.vdr", "--where main.vdr:0", "--what 1,2", "--what x,1,2"}) {
    std::vector<std::string> a = {"--defaults"};
    std::string s = bad;
    const size_t sp = s.find(' ');
    if (sp == std::string::npos) a.push_back(s);
    else a.insert(a.end(), {s.substr(0, sp), s.substr(sp + 1)});
    a.push_back(main);
    EXPECT_EQ(runRender(a).exitCode, 2) << bad;
  }
}

}  // namespace
}  // namespace veltest
