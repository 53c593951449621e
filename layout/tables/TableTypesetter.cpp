// Until the table layout lands, a table's text is measured and drawn as
// one box, with the box state saved around it.
#include "layout/tables/TableTypesetter.h"

#include "layout/boxes/Boxes.h"
#include "layout/scopes/StateStacks.h"

namespace vel {

namespace {

Result<Extent> AsBox(State& st, const std::string& arg, int level, bool draw, int x, int y, std::string* rewritten) {
  SaveBoxVariables(st);
  Result<Extent> r = BoxWidthHeight(st, arg, level, false, draw, y, x, rewritten);
  RestoreBoxVariables(st);
  if (!r) return LayoutCode::InvalidArgument;
  return r;
}

}  // namespace

Result<Extent> TableTypesetter::Measure(State& st, const std::string& arg, int level, std::string* rewritten) const {
  return AsBox(st, arg, level, false, 0, 0, rewritten);
}

Result<Extent> TableTypesetter::Draw(State& st, const std::string& arg, int level, int x, int baseline) const {
  return AsBox(st, arg, level, true, x, baseline, nullptr);
}

}  // namespace vel
