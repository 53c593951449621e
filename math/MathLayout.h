// The one operation that measures and draws a normalised formula.
//
// A formula is split into segments (plain math text, or one structure with
// its arguments), spaced between its atoms, cut at its style switches, and
// laid out segment by segment about the math axis. Drawing measures first
// and draws with the axis at top + the measured height, so what is drawn
// is what was measured. A call leaves fonts, metrics and (while drawing)
// the counters as it found them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "math/MathAtoms.h"

namespace vel {

// Formulas nested deeper than this are refused: it bounds the recursion of
// structures into their parts.
inline constexpr int kMaxFormulaNesting = 64;

// Matrices have at most this many rows and columns.
inline constexpr int kMaxMatrixSide = 20;

struct MathSegment {
  std::string text;
  int level = 2;
  int kind = 0;  // 0 plain math text, else the structure command number
};

// Splits a normalised formula; false when a structure lacks its argument,
// a group is unclosed, a matrix is malformed or a \mathstrut is negative.
bool SplitMathSegments(State& st, std::string_view formula, int level, std::vector<MathSegment>& out);

// Inserts the spacing between atoms, the Greek corrections and the letter
// kerns; false (with the message written) on a name in no table.
bool SpaceMathSegments(State& st, std::vector<MathSegment>& segments);

// Cuts plain segments at their style switches and sets the levels after.
void ApplyStyleSwitches(std::vector<MathSegment>& segments);

// Measures `formula` at `level`; when draw, draws it with the top-left
// corner of its box at (left, top). The width is -1 when it has an error.
// `measured`: the box a measuring of the same formula at the same level
// gave just before (a structure's part), so drawing need not measure it
// again: nested parts would otherwise be measured once per level of
// nesting above them; `partsOfMeasured`, that measuring's own parts.
// A whole formula measured alone keeps its measuring for its drawing in
// the same fonts.
MathBox MathWidthHeight(State& st, std::string_view formula, int level, bool draw, double top, double left,
                        const MathBox* measured = nullptr, PartMemo* partsOfMeasured = nullptr);

}  // namespace vel
