// Math signs drawn with strokes, polygons or Japanese characters instead of
// a glyph of the math fonts: plus and minus, the negation stroke, the angle,
// therefore and because, the long double arrows and the composite
// relations. Each measures in layout units and draws only when pen.draw,
// at the pen's x on its axis, turned with the text rotation.
#pragma once

#include "math/MathAtoms.h"

namespace vel {

// The pen-width addition of the output device, in device pixels (more
// while printing, so thin strokes keep their weight on paper).
double PenAddition(const State& st);

// The point (dx along, dy down) from the layout point (x0, y0), turned
// with the text rotation, in device pixels.
Point TurnedPoint(const State& st, double x0, double y0, double dx, double dy);

// The width of the sign pen in device pixels (the stroke width of drawn
// signs), with the bold factor used under \boldmath.
int SignPenWidth(const State& st, const MathPen& pen, double boldFactor);

MathBox WritePM(State& st, const MathPen& pen, bool plus);
// Strikes through a sign of width w at the pen: variant 1 like "/", 0 like "\".
void WriteNot(State& st, const MathPen& pen, int w, int variant);
MathBox WriteAngle(State& st, const MathPen& pen);
// Variant 1 "∴", 2 "∵".
MathBox WriteThereforFor(State& st, const MathPen& pen, int variant);
// Variant 1 left, 2 right, 3 both.
MathBox WriteLongArrow(State& st, const MathPen& pen, int variant);
// Dot leaders and rules: kinds 28 \cdots and 29 \ldots (a count of dots),
// 30 \cdotslen and 31 \ldotslen (dots filling a length), 42 \vdots, 32
// \cline and 33 \lline (a rule of a length).
MathBox WriteCLdots(State& st, const MathPen& pen, int kind, double countOrLength);
// The wide accents over `width` standing on the line y from x: variant 1
// a vector arrow, 2 a bar, 5 an arc. Returns the accent's height (any
// other variant: 0, nothing drawn).
int WriteVecBar(State& st, const MathPen& pen, double x, double y, int variant, int level, int width);
// Variants 1 \neareq, 2 \para, 3 \paraeq, 4 \lequal, 5 \gequal.
MathBox WriteCraftRels(State& st, const MathPen& pen, int variant);

}  // namespace vel
