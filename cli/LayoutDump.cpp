#include "cli/LayoutDump.h"

#include <cstdio>

#include "base/Cp932.h"
#include "layout/drawing/SheetDrawing.h"

namespace vel {

namespace {

class Json {
 public:
  std::string out;
  void raw(const char* s) {
    sep();
    out += s;
  }
  void str(std::string_view utf8) {
    sep();
    quoted(utf8);
  }
  void sj(const std::string& cp932) { str(toLogUtf8(cp932)); }
  void num(long long v) {
    sep();
    out += std::to_string(v);
  }
  void dbl(double v) {
    sep();
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.10g", v);
    out += buf;
  }
  void key(const char* k) {
    sep();
    quoted(k);
    out += ':';
    afterKey_ = true;
  }
  void open(char c) {
    sep();
    out += c;
    first_ = true;
  }
  void close(char c) {
    out += c;
    first_ = false;
  }
  void kv(const char* k, long long v) {
    key(k);
    num(v);
  }
  void kvs(const char* k, const std::string& cp932) {
    key(k);
    sj(cp932);
  }
  void intList(const char* k, const std::vector<int>& v) {
    key(k);
    open('[');
    for (int x : v) num(x);
    close(']');
  }

 private:
  void sep() {
    if (afterKey_) {
      afterKey_ = false;
      return;
    }
    if (!first_) out += ',';
    first_ = false;
  }
  void quoted(std::string_view utf8) {
    out += '"';
    for (char c : utf8) {
      switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        default:
          if (static_cast<unsigned char>(c) < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
          } else {
            out += c;
          }
      }
    }
    out += '"';
  }
  bool first_ = true;
  bool afterKey_ = false;
};

void words(Json& j, const WordList& ws, const WordTexts& texts, int first, int last) {
  j.key("words");
  j.open('[');
  for (int w = first; w <= last && w < static_cast<int>(ws.size()); ++w) {
    const WordInfo wi = ws[static_cast<size_t>(w)];
    j.open('{');
    j.kv("kind", wi.kind);
    j.kv("subtype", wi.subType);
    j.kv("value", wi.value);
    j.kv("width", wi.width);
    j.kv("height", wi.height);
    j.kv("depth", wi.depth);
    j.kv("line", wi.line);
    j.kv("col", wi.pos);
    j.kvs("text", w < static_cast<int>(texts.size()) ? std::string(texts[w]) : std::string());
    j.close('}');
  }
  j.close(']');
}

// Lines with their words; a line's plain text is its kind-0 words joined.
void lines(Json& j, const std::vector<LineInfo>& ls, const WordList& ws,
           const WordTexts& texts, const std::vector<ColumnInfo>* columns) {
  j.key("lines");
  j.open('[');
  int first = 0;
  size_t col = 0;
  for (int i = 0; i < static_cast<int>(ls.size()); ++i) {
    const LineInfo& l = ls[i];
    if (columns)
      while (col < columns->size() && (*columns)[col].lastLine < i) ++col;
    j.open('{');
    j.kv("index", i);
    if (columns) j.kv("column", col < columns->size() ? static_cast<long long>(col) : -1);
    j.kv("kind", l.kind);
    j.kv("left", l.offset);
    j.kv("width", l.width);
    j.kv("lineWidth", l.lineWidth);
    j.kv("height", l.height);
    j.kv("ascent", l.ascent);
    j.kv("skip", l.skip);
    j.kv("count", l.count);
    std::string text;
    for (int w = first; w <= l.lastWord && w < static_cast<int>(ws.size()); ++w)
      if (ws[w].kind == 0 && w < static_cast<int>(texts.size())) text += texts[w];
    j.kvs("text", text);
    words(j, ws, texts, first, l.lastWord);
    j.close('}');
    first = l.lastWord + 1;
  }
  j.close(']');
}

void lengthList(Json& j, const char* k, const LengthNameList& l) {
  j.key(k);
  j.open('{');
  for (const auto& e : l) j.kv(toLogUtf8(e.name).c_str(), e.value);
  j.close('}');
}

// Running headers or footers of both parities (0 even, 1 odd pages).
void headFoot(Json& j, const char* k, const std::array<HeadFoot, 2>& hf) {
  j.key(k);
  j.open('[');
  for (const HeadFoot& h : hf) {
    j.open('{');
    j.key("defined");
    j.raw(h.defined ? "true" : "false");
    j.kv("rule", h.ruleWidth);
    j.kvs("left", h.left);
    j.kvs("center", h.center);
    j.kvs("right", h.right);
    j.close('}');
  }
  j.close(']');
}

}  // namespace

std::string LayoutDumpJson(const State& st, bool error) {
  Json j;
  const Geometry& g = st.geo;
  j.open('{');
  j.key("error");
  j.raw(error ? "true" : "false");
  j.kv("sheets", st.col.sheets);
  j.kv("columnsPerSheet", g.columnsPerSheet);
  j.kv("columnsPerPage", g.columnsPerPage);
  j.kv("pagesPerSheet", g.pagesPerSheet);
  j.key("paper");
  j.open('{');
  j.key("widthMM");
  j.dbl(g.paperWidthMM);
  j.key("heightMM");
  j.dbl(g.paperHeightMM);
  j.close('}');
  j.key("geometry");
  j.open('{');
  j.kv("topMargin", g.topMargin);
  j.kv("bottomMargin", g.bottomMargin);
  j.kv("leftMargin", g.leftMargin);
  j.kv("rightMargin", g.rightMargin);
  j.kv("columnWidth", g.columnWidth);
  j.kv("columnHeight", g.columnHeight);
  j.kv("pageWidth", g.pageWidth);
  j.kv("paperHeight", g.paperHeight);
  j.intList("separators", {g.columnSep.begin(), g.columnSep.end()});
  j.intList("rules", {g.columnRule.begin(), g.columnRule.end()});
  j.kv("headSep", g.headSep);
  j.kv("footSep", g.footSep);
  j.kv("firstPageNum", g.firstPageNum);
  j.close('}');

  j.key("columns");
  j.open('[');
  for (size_t c = 0; c < st.columnList.size(); ++c) {
    const ColumnInfo& ci = st.columnList[c];
    j.open('{');
    j.kv("index", static_cast<long long>(c));
    j.kv("sheet", static_cast<long long>(c) / std::max(1, g.columnsPerSheet) + 1);
    {
      // The number the renderer draws for the column's page: front matter
      // and title pages counted as it counts them.
      bool front = false;
      int number = 0;
      std::string text = PageNumberText(st, static_cast<int>(c) / std::max(1, g.columnsPerPage), front, number);
      if (!front && number <= 0) text.clear();  // not drawn
      j.kv("page", number);
      j.kvs("pageText", text);
    }
    j.kv("lastLine", ci.lastLine);
    j.intList("topOfColumn", ci.topOfColumn);
    j.intList("topOfPage", ci.topOfPage);
    j.intList("bottomOfColumn", ci.bottomOfColumn);
    j.intList("bottomOfPage", ci.bottomOfPage);
    j.kv("footnotes", ci.footnoteCount);
    j.key("background");
    j.open('{');
    if (ci.hasBgColor) j.kv("color", ci.bgColor);
    if (ci.hasBgImage) j.kvs("image", ci.bgImage);
    j.close('}');
    j.kvs("chapter", ci.chapterNum + " " + ci.chapterTitle);
    j.kvs("section", ci.sectionNum + " " + ci.sectionTitle);
    j.kvs("subsection", ci.subsectionNum + " " + ci.subsectionTitle);
    j.close('}');
  }
  j.close(']');

  // The float queues after the run: all empty when every float was placed.
  j.kv("columnsMade", st.col.columnsMade);
  j.key("floatQueues");
  j.open('{');
  const ColumnState& q = st.col;
  j.intList("nowTopOfPage", q.nowTopOfPage);
  j.intList("waitingTopOfPage", q.waitingTopOfPage);
  j.intList("nowTopOfColumn", q.nowTopOfColumn);
  j.intList("waitingTopOfColumn", q.waitingTopOfColumn);
  j.intList("nowBottomOfPage", q.nowBottomOfPage);
  j.intList("waitingBottomOfPage", q.waitingBottomOfPage);
  j.intList("nowBottomOfColumn", q.nowBottomOfColumn);
  j.intList("waitingBottomOfColumn", q.waitingBottomOfColumn);
  j.close('}');

  j.key("pages");
  j.open('[');
  for (const PageInfo& p : st.pageList) {
    j.open('{');
    if (p.hasBgColor) j.kv("bgColor", p.bgColor);
    if (p.hasBgImage) j.kvs("bgImage", p.bgImage);
    j.intList("counters", {p.counters.begin(), p.counters.end()});
    j.close('}');
  }
  j.close(']');

  lines(j, st.lineList, st.wordList, st.wordTextList, &st.columnList);

  j.key("miniPages");
  j.open('[');
  for (const MiniPage& m : st.miniPageList) {
    j.open('{');
    j.kv("width", m.width);
    j.kv("height", m.height);
    j.kv("depth", m.depth);
    lines(j, m.lines, m.words, m.wordTexts, nullptr);
    j.close('}');
  }
  j.close(']');

  j.key("boxes");
  j.open('[');
  for (const StoredBox& b : st.boxList) {
    j.open('{');
    j.kv("width", b.width);
    j.kv("height", b.height);
    j.kv("depth", b.depth);
    j.kvs("text", b.text);
    j.close('}');
  }
  j.close(']');

  j.intList("counters", {st.val.counters.begin(), st.val.counters.end()});
  j.key("registers");
  j.open('[');
  for (double v : st.val.registers) j.dbl(v);
  j.close(']');
  lengthList(j, "lengths", *st.val.lengthList);
  lengthList(j, "userLengths", *st.val.userLengthList);
  j.key("values");
  j.open('{');
  for (const auto& e : st.val.valueList) {
    j.key(toLogUtf8(e.name).c_str());
    j.dbl(e.value);
  }
  j.close('}');
  headFoot(j, "headers", g.header);
  headFoot(j, "footers", g.footer);
  j.key("contents");
  j.open('{');
  j.kv("frontMatterPages", st.pre.frontMatterPages);
  j.kv("level", st.pre.contentsLevel);
  j.close('}');
  j.kv("groupSnapshots", static_cast<long long>(st.groupInfoList.size()));
  j.close('}');
  j.out += '\n';
  return j.out;
}

}  // namespace vel
