// GetCellProp: the formatting commands at the start of a table cell.
#include <algorithm>
#include <cmath>

#include "frontend/Calc.h"
#include "frontend/Lexical.h"
#include "layout/boxes/BoxText.h"
#include "layout/tables/Table.h"

namespace vel {

namespace {

// A span count from its expression: truncated, and kept to what a grid
// can hold (a huge or invalid value spans to the grid's end).
int spanOf(State& st, std::string_view expr) {
  const double v = std::trunc(Calc(st, expr));
  if (!std::isfinite(v) || v < 0) return 0;
  return v > kMaxTableRows + kMaxTableColumns ? kMaxTableRows + kMaxTableColumns : static_cast<int>(v);
}

double factorOf(State& st, std::string_view expr) {
  const double v = Calc(st, expr);
  return std::isfinite(v) ? std::clamp(v, -1e6, 1e6) : 0;  // an absurd width is capped
}

}  // namespace

CellProp GetCellProp(State& st, std::string& cell, char defaultAlign) {
  CellProp p;
  p.hAlign = defaultAlign;
  size_t i = 0;
  for (;;) {
    while (i < cell.size() && (cell[i] == ' ' || cell[i] == '\n')) ++i;
    if (i >= cell.size() || cell[i] != '\\' || boxtext::UnitLen(cell, i) > 1) break;
    ScanState sc;
    const size_t after = GetCommandName(sc, cell, i);
    const std::string& n = sc.commandName;
    size_t end = after;
    std::string_view group;
    bool hasGroup = false;
    if (sc.braceFollows) {
      const size_t close = boxtext::GroupEnd(cell, after);
      if (close != std::string::npos) {
        group = std::string_view(cell).substr(after + 1, close - after - 1);
        hasGroup = true;
        end = close + 1;
      }
    }
    const bool takesGroup = n == "colspan" || n == "rowspan" || n == "cellBGcolor";
    const bool optionalGroup = n == "ushasen" || n == "dshasen";
    if (takesGroup && !hasGroup) break;
    if (optionalGroup && sc.braceFollows && !hasGroup) break;  // an unclosed group
    if (!takesGroup && !optionalGroup) end = after;  // a group after these is text
    if (n == "l" || n == "c" || n == "r") {
      p.hAlign = n[0];
    } else if (n == "t" || n == "b") {
      p.vAlign = n[0];
    } else if (n == "tate") {
      p.vertical = true;
    } else if (n == "colspan") {
      p.colSpan = spanOf(st, group);
    } else if (n == "rowspan") {
      p.rowSpan = spanOf(st, group);
    } else if (n == "cellBGcolor") {
      p.hasBackground = true;
      p.background = GetColor(st, group);
    } else if (optionalGroup) {
      (n == "ushasen" ? p.upDiagonal : p.downDiagonal) = hasGroup ? factorOf(st, group) : 1;
    } else if (n == "beginrowspan") {
      p.beginRowSpan = true;
    } else if (n == "endrowspan") {
      p.endRowSpan = true;
    } else {
      break;
    }
    // Consumed: blanked, so that every later offset stays where it was.
    for (size_t k = i; k < end; ++k) cell[k] = '\n';
    i = end;
  }
  return p;
}

}  // namespace vel
