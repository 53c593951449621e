// The table seam: Table measured while lines are built and drawn when the
// page is drawn. Whatever Table's own code, the command fails with -10.
#include "layout/tables/TableTypesetter.h"

#include "layout/tables/Table.h"

namespace vel {

Result<Extent> TableTypesetter::Measure(State& st, const std::string& arg, int, std::string* rewritten) const {
  const Result<Extent> r = Table(st, arg, 0, false, 0, rewritten);
  if (!r) return LayoutCode::InvalidArgument;
  return r;
}

Result<Extent> TableTypesetter::Draw(State& st, const std::string& arg, int, int x, int baseline) const {
  const Result<Extent> r = Table(st, arg, x, true, baseline);
  if (!r) return LayoutCode::InvalidArgument;
  return r;
}

}  // namespace vel
