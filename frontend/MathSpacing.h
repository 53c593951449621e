// The math pass of preprocessing: every inline formula is brought onto one
// line and cut into short formulas at its operators, with fixed spaces
// between them, so that the line breaker may split it there.
#pragma once

#include <string>
#include <string_view>

#include "frontend/Lexical.h"
#include "frontend/Reform.h"
#include "seams/MathSeam.h"
#include "state/State.h"

namespace vel {

// Classes of the atoms of a formula, as far as spacing is concerned.
enum class AtomClass { Ordinary, Binary, Relation, Space, UnarySign, Start, Opening };

// The text put between two atoms: "" or a closing "$", a spacing command
// and an opening "$" (followed by the style code of \Normal or \normal when
// one is in force). sizeState is 0, or 14..17 after \Normal, \normal,
// \small, \smallsmall.
std::string GetCutStr(int sizeState, AtomClass prev, AtomClass cur);

// Rebuilds an inline formula ("$...$", as collected by LongGetMath) with
// the spacing between its atoms, classing commands by their symbol numbers
// (every command is ordinary without the math seam). False on a malformed formula, with the
// error item in `item`.
bool SpaceInlineMath(ScanState& sc, const MathSeam* math, std::string_view formula, std::string& out,
                     std::string& item);

// Checks every formula of `lines` and rebuilds the inline ones in place.
// 0, -1 (malformed formula) or -3 (formula not closed); the failing line
// and the error item go to `f`.
[[nodiscard]] int MathPass(State& st, Lines& lines, ReformFailure& f);

}  // namespace vel
