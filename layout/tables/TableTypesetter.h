// Tables behind the layout's table seam (layout/tables/Table.h).
#pragma once

#include "seams/TableSeam.h"

namespace vel {

class TableTypesetter final : public TableSeam {
 public:
  Result<Extent> Measure(State& st, const std::string& arg, int styleLevel, std::string* rewritten) const override;
  Result<Extent> Draw(State& st, const std::string& arg, int styleLevel, int x, int baseline) const override;
};

}  // namespace vel
