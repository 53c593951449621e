// Table: measuring the grid (cells as boxes, columns and rows widened for
// the spanning cells), placing it against the text line, and handing it
// to the drawing.
#include "layout/tables/Table.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "base/Cp932.h"
#include "layout/boxes/Boxes.h"
#include "layout/scopes/StateStacks.h"
#include "layout/tables/TableParts.h"
#include "state/Reports.h"

namespace vel {

namespace tables {

namespace {

// Cells are typeset at the text's style level (inline math in them as in
// running text).
constexpr int kCellLevel = 2;

int toInt(double v) { return static_cast<int>(std::clamp(std::trunc(v), double(INT_MIN / 2), double(INT_MAX / 2))); }

// Adds the boundary before column (or row) k of a span: the separations on
// both sides and the rule, both lines and their gap when it is double;
// truncated after each addition.
double addBoundary(double sum, const Rule& rule, double sep, double doubleSep) {
  sum = std::trunc(sum + 2 * sep + rule.width);
  if (rule.isDouble()) sum = std::trunc(sum + doubleSep + rule.width);
  return sum;
}

// Spreads the excess e over m columns (or rows) from `first`: each but the
// last e / m, the last what remains.
template <class Array>
void widen(Array& sizes, int first, int m, long long e) {
  const long long each = e / m;
  for (int k = 0; k < m; ++k) {
    auto& s = sizes[static_cast<size_t>(first + k)];
    s = toInt(static_cast<double>(s) + static_cast<double>(k == m - 1 ? e - (m - 1) * each : each));
  }
}

}  // namespace

int Layout::spanWidth(int c0, int c1) const {
  double w = colWidth[static_cast<size_t>(c0)];
  for (int k = c0 + 1; k <= c1; ++k)
    w = std::trunc(addBoundary(w, src->vrules[static_cast<size_t>(k)], colSep, doubleSep) + colWidth[static_cast<size_t>(k)]);
  return toInt(w);
}

int Layout::spanHeight(int r0, int r1) const {
  double h = rowHeight[static_cast<size_t>(r0)];
  for (int k = r0 + 1; k <= r1; ++k)
    h = std::trunc(addBoundary(h, src->hrules[static_cast<size_t>(k)], rowSep, doubleSep) + rowHeight[static_cast<size_t>(k)]);
  return toInt(h);
}

std::vector<int> Layout::contentLefts(int x) const {
  std::vector<int> left(static_cast<size_t>(src->columns));
  double at = std::trunc(x + src->vrules[0].full(doubleSep) + colSep);
  for (size_t c = 0; c < left.size(); ++c) {
    left[c] = toInt(at);
    at = std::trunc(at + colWidth[c] + 2 * colSep + src->vrules[c + 1].full(doubleSep));
  }
  return left;
}

std::vector<int> Layout::contentTops() const {
  std::vector<int> top(static_cast<size_t>(src->rows));
  double at = std::trunc(this->top + src->hrules[0].full(doubleSep) + rowSep);
  for (size_t r = 0; r < top.size(); ++r) {
    top[r] = toInt(at);
    at = std::trunc(at + rowHeight[r] + 2 * rowSep + src->hrules[r + 1].full(doubleSep));
  }
  return top;
}

std::vector<double> Layout::vruleSlots(int x) const {
  std::vector<double> at(static_cast<size_t>(src->columns) + 1);
  at[0] = x;
  for (size_t c = 0; c + 1 < at.size(); ++c) at[c + 1] = at[c] + src->vrules[c].full(doubleSep) + 2 * colSep + colWidth[c];
  return at;
}

std::vector<double> Layout::hruleSlots() const {
  std::vector<double> at(static_cast<size_t>(src->rows) + 1);
  at[0] = top;
  for (size_t r = 0; r + 1 < at.size(); ++r) at[r + 1] = at[r] + src->hrules[r].full(doubleSep) + 2 * rowSep + rowHeight[r];
  return at;
}

namespace {

// Measures every cell that starts at its position; a failure writes the
// table's message (after the box's own) and gives the cell's code.
LayoutCode measureCells(State& st, Layout& L, std::string* rewritten, const std::string& text) {
  const Source& src = *L.src;
  L.measured.assign(static_cast<size_t>(src.rows), std::vector<Measured>(static_cast<size_t>(src.columns)));
  std::string out;
  size_t copied = 0;
  for (int r = 0; r < src.rows; ++r) {
    for (int c = 0; c < src.columns; ++c) {
      if (!StartsCell(L.spans.at(r, c))) continue;
      const Cell& cell = src.cells[static_cast<size_t>(r)][static_cast<size_t>(c)];
      std::string laidOut;
      SaveBoxVariables(st);
      const Result<Extent> e = BoxWidthHeight(st, cell.content, kCellLevel, cell.prop.vertical, false, 0, 0,
                                              rewritten ? &laidOut : nullptr);
      RestoreBoxVariables(st);
      if (!e) {
        st.message("** " + SJ("\\table内の記述エラー (") + ShownText(st, cell.content) + ")");
        return e.code();
      }
      Measured& m = L.measured[static_cast<size_t>(r)][static_cast<size_t>(c)];
      m.measured = true;
      m.content = *e;
      const int fixed = src.fixedWidth[static_cast<size_t>(c)];
      m.counted = fixed >= 0 ? fixed : e->width;
      if (rewritten) {
        out.append(text, copied, cell.begin - copied);
        out += laidOut;
        copied = cell.end;
      }
    }
  }
  if (rewritten) *rewritten = out + text.substr(copied);
  return LayoutCode::Ok;
}

void sizeGrid(Layout& L) {
  const Source& src = *L.src;
  const SpanGrid& g = L.spans;
  // Cells that span nothing across (or only down) size their column; those
  // that span nothing down (or only across) their row.
  for (int r = 0; r < src.rows; ++r) {
    for (int c = 0; c < src.columns; ++c) {
      const int code = g.at(r, c);
      const Measured& m = L.measured[static_cast<size_t>(r)][static_cast<size_t>(c)];
      if (code == kPlain || code == kRowFirst)
        L.colWidth[static_cast<size_t>(c)] = std::max(L.colWidth[static_cast<size_t>(c)], m.counted);
      if (code == kPlain || code == kColFirst)
        L.rowHeight[static_cast<size_t>(r)] =
            std::max(L.rowHeight[static_cast<size_t>(r)], toInt(double(m.content.height) + m.content.depth));
    }
  }
  // Column spans, column by column, at the last column of each span's first row.
  for (int c = 0; c < src.columns; ++c) {
    for (int r = 0; r < src.rows; ++r) {
      const int code = g.at(r, c);
      if (code != kColLast && code != kBlockFirstLast) continue;
      int c0 = c;
      while (c0 > 0 && !StartsCell(g.at(r, c0))) --c0;
      const int m = c - c0 + 1;
      const long long e = static_cast<long long>(L.measured[static_cast<size_t>(r)][static_cast<size_t>(c0)].counted) -
                          L.spanWidth(c0, c);
      if (e > 0) widen(L.colWidth, c0, m, e);
    }
  }
  // Row spans, row by row, at the last row of each span's first column.
  for (int r = 0; r < src.rows; ++r) {
    for (int c = 0; c < src.columns; ++c) {
      const int code = g.at(r, c);
      if (code != kRowLast && code != kBlockLastFirst) continue;
      int r0 = r;
      while (r0 > 0 && !StartsCell(g.at(r0, c))) --r0;
      const int m = r - r0 + 1;
      const Extent& ce = L.measured[static_cast<size_t>(r0)][static_cast<size_t>(c)].content;
      const long long e = static_cast<long long>(ce.height) + ce.depth - L.spanHeight(r0, r);
      if (e > 0) widen(L.rowHeight, r0, m, e);
    }
  }
  // The whole: every column with the rule before it, then the right edge
  // (counted once even when double); every row likewise, and the bottom
  // rule with its full width.
  double W = 0;
  for (int c = 0; c < src.columns; ++c) {
    const Rule& v = src.vrules[static_cast<size_t>(c)];
    W += std::trunc(v.full(L.doubleSep) + 2 * L.colSep + L.colWidth[static_cast<size_t>(c)]);
  }
  W += src.vrules[static_cast<size_t>(src.columns)].width;
  double T = 0;
  for (int r = 0; r < src.rows; ++r) {
    const Rule& h = src.hrules[static_cast<size_t>(r)];
    T += std::trunc(h.full(L.doubleSep) + 2 * L.rowSep + L.rowHeight[static_cast<size_t>(r)]);
  }
  T += src.hrules[static_cast<size_t>(src.rows)].full(L.doubleSep);
  L.W = toInt(W);
  L.T = toInt(T);
}

// The grid against the baseline y: the top edge, and the extent.
Extent place(State& st, Layout& L, int y) {
  const long long T = L.T;
  if (L.src->align == 'b') {
    L.top = toInt(double(y) + st.font.descent - double(T));
    return {L.W, toInt(double(T) - st.font.descent), st.font.descent};
  }
  if (L.src->align == 't') {
    L.top = toInt(double(y) - st.font.ascent);
    return {L.W, st.font.ascent, toInt(double(T) - st.font.ascent)};
  }
  const long long h = T / 2;
  L.top = toInt(double(y) - st.font.mathAxis - double(h));
  const int height = toInt(double(h) + st.font.mathAxis);
  return {L.W, height, toInt(double(T) - height)};
}

void describe(const Layout& L, TableGeometry& g, int x) {
  const Source& src = *L.src;
  g.top = L.top;
  g.colWidths.assign(L.colWidth.begin(), L.colWidth.begin() + src.columns);
  g.rowHeights.assign(L.rowHeight.begin(), L.rowHeight.begin() + src.rows);
  g.cells.clear();
  const std::vector<int> left = L.contentLefts(x), top = L.contentTops();
  for (int r = 0; r < src.rows; ++r) {
    for (int c = 0; c < src.columns; ++c) {
      if (!StartsCell(L.spans.at(r, c))) continue;
      TableCellBox b;
      b.row = r, b.col = c;
      b.rows = std::min<int>(L.spans.rows[static_cast<size_t>(r)][static_cast<size_t>(c)], src.rows - r);
      b.cols = L.spans.cols[static_cast<size_t>(r)][static_cast<size_t>(c)];
      b.left = left[static_cast<size_t>(c)];
      b.top = top[static_cast<size_t>(r)];
      b.width = L.spanWidth(c, c + b.cols - 1);
      b.height = L.spanHeight(r, r + b.rows - 1);
      b.content = L.measured[static_cast<size_t>(r)][static_cast<size_t>(c)].content;
      g.cells.push_back(b);
    }
  }
}

}  // namespace

}  // namespace tables

Result<Extent> Table(State& st, const std::string& text, int x, bool draw, int y, std::string* rewritten,
                     TableGeometry* geometry) {
  using namespace tables;
  Result<Source> src = ReadTableSource(st, text);
  if (!src) return src.code();

  Layout L;
  L.src = &*src;
  L.spans = MakeSpanGrid(*src);
  L.colSep = st.chr.tableColSep;
  L.rowSep = st.chr.tableRowSep;
  L.doubleSep = st.chr.doubleLineSep;

  // While a page is drawn the cells are measured again: what that counts
  // or stores is put back, so that drawing them counts it once.
  const auto counters = st.val.counters;
  const auto letters = st.box.boxLetterIndex;
  const size_t boxes = st.boxList.size(), miniPages = st.miniPageList.size();
  if (draw) ++st.box.footnotesOff;
  const LayoutCode measured = measureCells(st, L, draw ? nullptr : rewritten, text);
  if (draw) {
    --st.box.footnotesOff;
    st.box.boxLetterIndex = letters;
    st.boxList.resize(std::min(st.boxList.size(), boxes));
    st.miniPageList.resize(std::min(st.miniPageList.size(), miniPages));
  }
  if (measured != LayoutCode::Ok) {
    if (draw) st.val.counters = counters;
    return measured;
  }
  sizeGrid(L);
  // A table is one word of its line: one taller than a whole column would
  // run past the column's foot (over the footer, off the paper), so it is
  // refused; one taller only than what is left of a column moves with its
  // line to the next column.
  if (st.geo.columnHeight > 0 && L.T > st.geo.columnHeight) {
    if (draw) st.val.counters = counters;
    st.message("** " + SJ("表の高さが段の高さを超えています。表を分けて下さい。"));
    return LayoutCode::InvalidArgument;
  }
  const Extent box = place(st, L, y);
  if (geometry) {
    geometry->box = box;
    describe(L, *geometry, x);
  }
  if (draw) DrawTable(st, L, x, counters);
  return box;
}

}  // namespace vel
