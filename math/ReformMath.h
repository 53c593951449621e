// Normalising the source of a formula before it is measured: scripts
// written with "^" and "_" become \uplow, or \under and \over for the
// operators that take limits, with explicit groups; primes become
// superscripts; Japanese text becomes upright text; the size commands
// become one-byte style codes. Also the spacing table between atoms.
//
// All positions are 1-based byte positions in one line; a double-byte
// CP932 character is one unit and its trail byte is never read as a
// delimiter. Every operation is a pure function of its arguments: failures
// are -1 (or 0 for TopOfLastBox), and the line may then be partly
// rewritten. Math nested in upright text (\rm{... $...$ ...}) is handled by
// recursion bounded by kMaxMathNesting.
#pragma once

#include <string>
#include <string_view>

#include "base/InBand.h"
#include "math/MathSymbols.h"

namespace vel {

// Formulas nested deeper than this inside upright text arguments are
// refused; well beyond any real document, and it bounds the recursion.
inline constexpr int kMaxMathNesting = 16;

// Rewrites the span whose opening "$" (one to three of them) is at
// firstDollar. Returns the position of the last "$" of the closing
// delimiter after rewriting, or -1: no closing delimiter on the line, a
// closing delimiter of another length, an unclosed upright argument or
// nested span, or a script ReformOfUpLow refuses.
int ReformMath(std::string& line, int firstDollar);

// Rewrites the scripts of the content first..last (last < first: empty).
// Returns the new last position, or -1 when a script has no nucleus or an
// unclosed group.
int ReformOfUpLow(std::string& line, int first, int last);

// The position where the box ending at p begins: a \left...\right pair, a
// command with its groups, a group, a symbol command or one character;
// 0 when none can be found.
int TopOfLastBox(std::string_view line, int p);

// The spacing command put before an atom of class `current` following one
// of class `previous` at a style level (1 to 5): "\,", "\<", "\>", "\;" or
// empty. Levels above 2 space only around operators.
std::string_view GetInsertStr(int styleLevel, MathAtom previous, MathAtom current);

// Turns the literal-brace codes back into the braces they print as.
void ToMiddleKakko(std::string& s);

}  // namespace vel
