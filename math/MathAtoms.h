// The atoms of plain math text: letters, digits, signs, the symbols of the
// vocabulary, function names and spaces, each measured as a box about the
// math axis and, when asked, drawn with the pen at (x, axis).
//
// A MathPen carries what every atom of one formula shares: the style
// level, the cell height E of its math italic font, the axis offset of the
// text font and whether it draws. Atoms select their own fonts through
// SetMathFont; the caller saves and restores the state around the formula.
#pragma once

#include <cstdint>
#include <string_view>

#include "math/MathSymbols.h"
#include "state/State.h"

namespace vel {

// A box about the math axis: height above it, depth below it.
struct MathBox {
  int width = 0;
  int height = 0;
  int depth = 0;
};

struct MathPen {
  int level = 2;
  double E = 0;           // cell height of "x" in the math italic of the level
  double axisOffset = 0;  // the text baseline lies this far below the axis
  bool draw = false;
  double x = 0;     // pen, layout units
  double axis = 0;  // the axis line, layout units

  double ratio(const State& st) const { return st.font.mathSizeRatio[static_cast<size_t>(level)]; }
};

// The font position of a glyph code of the vocabulary: codes from 128 are
// positions 0-32 and 127 written as a Windows-1252 byte of the Mac Roman
// character 0x80 + position; lower codes are the position itself.
uint8_t MathGlyphPosition(uint8_t code);

// The spacing codes the spacing pass puts after a lower-case Greek letter
// (symbols 100-120), empty for other numbers. They take back the side
// bearings of the faces the system was designed with; the letter boxes of
// our faces, which have none to take back, are widened by the same amount.
std::string GreekCorrectionAfter(int number);

// Starts a segment at a style level: selects the math italic, measures E
// and makes it the cell height the spacing units come from.
void BeginMathSegment(State& st, MathPen& pen, int level);

// The width of a spacing unit at the pen's level (units S0-S5), by the
// size ratio of the level as the layout applies it.
double MathSpace(const State& st, const MathPen& pen, MathSpaceUnit unit);

// One byte of plain math text that is no command: a letter in the math
// italic, a digit or other byte in the roman font (punctuation centred on
// the axis), "<" and ">" in the math italic with the height E, "+" and "-"
// as drawn signs, the literal braces and "|" as glyphs of the symbol font.
MathBox SetMathChar(State& st, MathPen& pen, char c);

// A symbol of the vocabulary by its metric class (function names upright,
// glyphs by their font and code, drawn signs, spaces). Negations give an
// empty box: the caller strikes the relation after them.
MathBox SetMathSymbol(State& st, MathPen& pen, const MathSymbol& s);

// A run of upright text of a \rm group on the text baseline: letters and
// digits in the roman font, anything else in the Japanese text font.
MathBox SetUprightText(State& st, MathPen& pen, std::string_view cp932);

// Advances the pen (and the line's drawn width while drawing).
void AdvanceMathPen(State& st, MathPen& pen, int width);

}  // namespace vel
