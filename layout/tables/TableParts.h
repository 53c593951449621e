// The pieces of a table that its steps hand each other: the source read
// into rules and cells (ReadTableSource), the span grid (MakeSpanGrid),
// the measured grid and the drawing (DrawTable).
#pragma once

#include <array>
#include <string>
#include <vector>

#include "layout/tables/Table.h"

namespace vel::tables {

// A rule: its width in layout units (0: none) and its line style (0
// solid, 1-5 dashed patterns, 6 double, 9 invisible).
struct Rule {
  double width = 0;
  int style = 0;
  bool isDouble() const { return style == 6; }
  // What it takes across: both lines and their gap when double.
  double full(double doubleSep) const { return isDouble() ? 2 * width + doubleSep : width; }
};

struct Cell {
  std::string content;            // trimmed, without the cell commands
  size_t begin = 0, end = 0;      // where the content lies in the table text
  CellProp prop;
};

// What the span grid holds at each position.
enum SpanCode : unsigned char {
  kPlain = 0,
  kColFirst = 1, kColMiddle = 2, kColLast = 3,
  kRowFirst = 4, kRowMiddle = 5, kRowLast = 6,
  kBlockFirstFirst = 7, kBlockFirstMiddle = 8, kBlockFirstLast = 9,
  kBlockMiddleFirst = 10, kBlockMiddleMiddle = 11, kBlockMiddleLast = 12,
  kBlockLastFirst = 13, kBlockLastMiddle = 14, kBlockLastLast = 15,
};
// A position that starts a cell (is measured and drawn).
inline bool StartsCell(int code) { return code == kPlain || code == kColFirst || code == kRowFirst || code == kBlockFirstFirst; }

struct Source {
  char align = 'c';  // b, t, anything else centre
  bool hasBackground = false;
  Color background = kWhite;
  int columns = 0;
  std::array<char, kMaxTableColumns> letters{};
  std::array<int, kMaxTableColumns> fixedWidth{};  // -1: none
  std::array<Rule, kMaxTableColumns + 1> vrules{};
  std::array<Rule, kMaxTableRows + 1> hrules{};
  int rows = 0;
  std::vector<std::vector<Cell>> cells;  // [row][col]
};

// The table text read; a failure's message is written (an incomplete last
// row without \\ fails with no message of its own).
Result<Source> ReadTableSource(State& st, const std::string& text);

// The span grid: a code per position, and for each cell that starts a span
// how many rows and columns it covers (rows may reach past the table's
// last row, up to the row limit).
struct SpanGrid {
  std::array<std::array<unsigned char, kMaxTableColumns>, kMaxTableRows> code{};
  std::array<std::array<unsigned char, kMaxTableColumns>, kMaxTableRows> rows{}, cols{};
  int at(int r, int c) const { return code[static_cast<size_t>(r)][static_cast<size_t>(c)]; }
};
SpanGrid MakeSpanGrid(const Source& src);

// A measured cell's content and the width it counts for (a fixed column's
// width in such a column).
struct Measured {
  Extent content;
  int counted = 0;
  bool measured = false;
};

// Everything drawing needs: the source, the grid and the sizes found.
struct Layout {
  const Source* src = nullptr;
  SpanGrid spans;
  std::array<int, kMaxTableColumns> colWidth{};
  std::array<int, kMaxTableRows> rowHeight{};
  std::vector<std::vector<Measured>> measured;  // [row][col]
  int W = 0, T = 0;
  int top = 0;
  double colSep = 0, rowSep = 0, doubleSep = 0;

  // The width a cell spanning cols c0..c1 has (inner boundaries counted),
  // and the height of rows r0..r1.
  int spanWidth(int c0, int c1) const;
  int spanHeight(int r0, int r1) const;
  // The left edge of each column's content for a table at x, and the top
  // of each row's content.
  std::vector<int> contentLefts(int x) const;
  std::vector<int> contentTops() const;
  // Where each vertical rule's slot starts (its left edge) and each
  // horizontal rule's (its top edge).
  std::vector<double> vruleSlots(int x) const;
  std::vector<double> hruleSlots() const;
};

// Draws the measured table with its left edge at x (step by step as the
// layout was found); the counters are put back to `counters` before the
// cells' contents are drawn.
void DrawTable(State& st, const Layout& L, int x, const std::array<int, 100>& counters);

}  // namespace vel::tables
