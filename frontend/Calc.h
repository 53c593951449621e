// Expressions, lengths with units, colours and conditions.
#pragma once

#include <string>
#include <string_view>

#include "base/InBand.h"
#include "canvas/Canvas.h"
#include "state/State.h"

namespace vel {

// What an expression reads: the value stores (registers, counters, named
// values, the plotting variables) and the figure's stores, and the current
// font's height for \fontsize. It writes only the flag CalcUndefined.
struct ExprEnv {
  ValueStore& val;
  const FigureState& fig;
  int fontHeight = 0;  // layout height of the current font (negative)
};
inline ExprEnv ExprEnvOf(State& st) { return ExprEnv{st.val, st.fig, st.chr.font.height}; }

// The value of an expression; 0 on any error (CalcUndefined set for domain
// and arithmetic errors).
double Calc(const ExprEnv& env, std::string_view expr);
inline double Calc(State& st, std::string_view expr) { return Calc(ExprEnvOf(st), expr); }
// A length with an optional unit in layout units, truncated; 0 on error.
int UnitToPix(State& st, std::string_view text);
// Replaces the variable letter where no letter or digit touches it.
void ShikiHenkan(std::string_view formula, char var, std::string& out, std::string_view replacement);
void DefLength(State& st, std::string_view arg);
void SetCounter(State& st, std::string_view arg);
Color GetColor(State& st, std::string_view text);
Color HexToInt(std::string_view digits);
// Decides between a length and a value condition and tests it.
bool ConditionIsTrue(State& st, std::string_view cond);
bool ValueConditionIsTrue(State& st, std::string_view cond);
bool LengthConditionIsTrue(State& st, std::string_view cond);

// Encoded lengths: "\" + 0x0B (negative) or 0x0C (positive) + four bytes
// 0x80 + 7-bit digit, most significant first.
using inband::kEncodedLengthSize;
std::string EncodeLength(int v);
// The length encoded at s[pos] (s[pos] is the backslash); false when there is none.
bool DecodeLength(std::string_view s, size_t pos, int& v);

// Length variables as UnitToPix and ConditionIsTrue look them up (names
// without the backslash).
enum class BoxSize { NotABoxName, NoBox, Found };
// "boxwidthX", "boxheightX" (X in A-Z): the width, or height plus depth,
// of the box stored under X.
BoxSize BoxSizeOf(const State& st, std::string_view name, int& v);
// LengthList, then UserLengthList; a name of up to four characters is
// then padded with 'Z' to five and both are searched again.
bool FindLength(const State& st, std::string_view name, int& v);

}  // namespace vel
