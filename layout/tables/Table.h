// Tables: \table{...} typeset as a grid of cells, one word of its line.
//
// `Table` reads the table-level commands (\align, \col, \tableBGcolor),
// splits the body into rows (\\) and cells (&) with their rules (\hline),
// reads each cell's own commands (`GetCellProp`), works out which cells
// span others, measures every cell as a box (the box layout), widens
// columns and rows for the spanning cells, places the whole grid against
// the text line and, when drawing, paints the backgrounds, the cells'
// contents, their diagonals and the rules (styled lines through MyLine).
//
// Measuring and drawing run the same steps, so what is drawn is what was
// measured. Failures are results: the message is written and the code
// returned; nothing is drawn after a failure.
//
// Limits: kMaxTableColumns columns and kMaxTableRows rows.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "base/Result.h"
#include "state/State.h"

namespace vel {

constexpr int kMaxTableColumns = 30;
constexpr int kMaxTableRows = 80;

// What GetCellProp read from the start of a cell.
struct CellProp {
  int colSpan = 0;  // 0 or 1: none
  int rowSpan = 0;
  char hAlign = 'c';  // l, c, r
  char vAlign = 'm';  // m, t, b
  bool vertical = false;  // \tate
  double upDiagonal = 0, downDiagonal = 0;  // factors of the rule width; 0 none
  bool beginRowSpan = false, endRowSpan = false;
  bool hasBackground = false;
  Color background = kWhite;
};

// Reads the cell commands at the start of `cell` (spaces between them
// passed over) and blanks them out of it (line feeds, which trimming
// removes); `defaultAlign` is the column's letter.
CellProp GetCellProp(State& st, std::string& cell, char defaultAlign);

// Where measuring put things (layout units), for those who look at a
// table from outside: the grid's columns and rows, and a box per cell
// that was measured (covered cells have none).
struct TableCellBox {
  int row = 0, col = 0;
  int rows = 1, cols = 1;  // spanned
  int left = 0, top = 0, width = 0, height = 0;  // the cell's content area
  Extent content;
};
struct TableGeometry {
  Extent box;
  int top = 0;  // of the grid
  std::vector<int> colWidths, rowHeights;
  std::vector<TableCellBox> cells;
};

// Lays out the table of `text` (the \table argument) with its left edge at
// x against the baseline y, drawing it when `draw` is set: its extent, or
// the code of the failure (the message written). `rewritten` receives the
// text with each cell's content as the box layout left it (stored boxes
// replaced by references), what drawing reads again; `geometry` what the
// measuring found.
Result<Extent> Table(State& st, const std::string& text, int x, bool draw, int y, std::string* rewritten = nullptr,
                     TableGeometry* geometry = nullptr);

}  // namespace vel
