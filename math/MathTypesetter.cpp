// The math subsystem behind the layout's math seam: normalising a span and
// the layout core's MathWidthHeight.
#include "math/MathTypesetter.h"

#include "math/MathLayout.h"
#include "math/ReformMath.h"
#include "state/State.h"

namespace vel {

namespace {

// The span's text without its dollars.
std::string_view Body(std::string_view formula) {
  size_t n = 0;
  while (n < formula.size() && n < 3 && formula[n] == '$') ++n;
  formula.remove_prefix(n);
  while (!formula.empty() && formula.back() == '$') formula.remove_suffix(1);
  return formula;
}

// SetMath: the extent, or MathError when the formula has an error.
Result<Extent> SetMath(State& st, const std::string& formula, int level, bool draw, int left, int top) {
  const MathBox b = MathWidthHeight(st, Body(formula), level, draw, top, left);
  if (b.width < 0) return Failure{LayoutCode::MathError, {}, -1};
  Extent e;
  e.width = b.width;
  e.height = b.height;
  e.depth = b.depth;
  return e;
}

}  // namespace

LayoutCode MathTypesetter::Normalise(State&, std::string& formula) const {
  if (formula.empty() || formula[0] != '$') return LayoutCode::MathNotClosed;
  const int last = ReformMath(formula, 1);
  if (last < 0 || static_cast<size_t>(last) != formula.size()) return LayoutCode::MathNotClosed;
  return LayoutCode::Ok;
}

Result<Extent> MathTypesetter::Measure(State& st, const std::string& formula, int level) const {
  return SetMath(st, formula, level, false, 0, 0);
}

Result<Extent> MathTypesetter::Draw(State& st, const std::string& formula, int level, int left, int top) const {
  return SetMath(st, formula, level, true, left, top);
}

int MathTypesetter::SymbolNumber(std::string_view name) const { return GetEachTypeCommandNum(name); }

}  // namespace vel
