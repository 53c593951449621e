// Until the math layout lands, a formula is measured and drawn as the
// plain text it is written in, centred on the math axis like the formula
// box will be, and no command has a symbol number.
#include "math/MathTypesetter.h"

#include "layout/drawing/SheetDrawing.h"
#include "state/State.h"

namespace vel {

namespace {

// The span's text without its dollars and the display switch the line
// builder puts in front.
std::string Body(const std::string& formula) {
  std::string body = formula;
  if (!body.empty() && body.front() == '$') body.erase(0, 1);
  if (!body.empty() && body.back() == '$') body.pop_back();
  return body;
}

}  // namespace

LayoutCode MathTypesetter::Normalise(State&, std::string&) const { return LayoutCode::Ok; }

Result<Extent> MathTypesetter::Measure(State& st, const std::string& formula, int) const {
  Extent e;
  e.width = st.canvas ? st.canvas->textWidth(st.chr.font, Body(formula)) : 0;
  e.height = static_cast<int>(st.font.ascent - st.font.mathAxis);
  e.depth = static_cast<int>(st.font.descent + st.font.mathAxis);
  return e;
}

Result<Extent> MathTypesetter::Draw(State& st, const std::string& formula, int level, int left, int top) const {
  Result<Extent> e = Measure(st, formula, level);
  if (!st.canvas) return e;
  std::string body = Body(formula);
  if (body.rfind("\\Normal ", 0) == 0) body.erase(0, 8);
  Font f = st.chr.font;
  f.height = DeviceFontHeight(st);
  st.canvas->textOut(f, DevicePos(st, left), DevicePos(st, top), body);
  return e;
}

int MathTypesetter::SymbolNumber(std::string_view) const { return -1; }

}  // namespace vel
