// Figures behind the layout's figure seam (the language itself: figure/Figure.h).
#pragma once

#include "seams/FigureSeam.h"

namespace vel {

class FigureTypesetter final : public FigureSeam {
 public:
  Result<Extent> Measure(State& st, const std::string& arg) const override;
  Result<Extent> Draw(State& st, const std::string& arg, int x, int baseline) const override;
  void VectorArrow(State& st, const std::vector<std::string>& args) const override;
};

}  // namespace vel
