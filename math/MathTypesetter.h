// The math subsystem behind the layout's math seam.
#pragma once

#include "seams/MathSeam.h"

namespace vel {

class MathTypesetter final : public MathSeam {
 public:
  LayoutCode Normalise(State& st, std::string& formula) const override;
  Result<Extent> Measure(State& st, const std::string& formula, int styleLevel) const override;
  Result<Extent> Draw(State& st, const std::string& formula, int styleLevel, int left, int top) const override;
  int SymbolNumber(std::string_view name) const override;
};

}  // namespace vel
