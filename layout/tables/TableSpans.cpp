// The span grid of a table: which positions start a cell and which are
// covered by a cell spanning rows, columns or both.
#include <algorithm>

#include "layout/tables/TableParts.h"

namespace vel::tables {

namespace {

// 0 first, 1 middle, 2 last of n (n >= 2).
int placeIn(int k, int n) { return k == 0 ? 0 : (k == n - 1 ? 2 : 1); }

void mark(SpanGrid& g, int r, int c, int rows, int cols) {
  g.rows[static_cast<size_t>(r)][static_cast<size_t>(c)] = static_cast<unsigned char>(rows);
  g.cols[static_cast<size_t>(r)][static_cast<size_t>(c)] = static_cast<unsigned char>(cols);
  if (rows < 2 && cols < 2) return;
  for (int dr = 0; dr < rows; ++dr) {
    for (int dc = 0; dc < cols; ++dc) {
      int code;
      if (rows >= 2 && cols >= 2) code = kBlockFirstFirst + 3 * placeIn(dr, rows) + placeIn(dc, cols);
      else if (cols >= 2) code = kColFirst + placeIn(dc, cols);
      else code = kRowFirst + placeIn(dr, rows);
      g.code[static_cast<size_t>(r + dr)][static_cast<size_t>(c + dc)] = static_cast<unsigned char>(code);
    }
  }
}

}  // namespace

SpanGrid MakeSpanGrid(const Source& src) {
  SpanGrid g;
  for (auto& row : g.rows) row.fill(1);
  for (auto& row : g.cols) row.fill(1);
  for (int r = 0; r < src.rows; ++r) {
    for (int c = 0; c < src.columns; ++c) {
      if (g.at(r, c) != kPlain) continue;  // covered by an earlier span
      const CellProp& p = src.cells[static_cast<size_t>(r)][static_cast<size_t>(c)].prop;
      // A column span never reaches past the last column; a row span stops
      // at the grid's last row (it may cover rows the table does not have).
      const int cols = p.colSpan >= 2 ? std::min(p.colSpan, src.columns - c) : 1;
      int rows = 1;
      if (p.beginRowSpan) {
        int last = src.rows - 1;
        for (int rr = r + 1; rr < src.rows; ++rr) {
          if (src.cells[static_cast<size_t>(rr)][static_cast<size_t>(c)].prop.endRowSpan) {
            last = rr;
            break;
          }
        }
        rows = last - r + 1;
      } else if (p.rowSpan >= 2) {
        rows = std::min(p.rowSpan, kMaxTableRows - r);
      }
      mark(g, r, c, rows, cols);
    }
  }
  return g;
}

}  // namespace vel::tables
