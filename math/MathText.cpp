// Until the math layout lands, a formula is measured as the plain text it
// is written in, centred on the math axis like the formula box will be.
#include "canvas/Cp932.h"
#include "math/Math.h"

namespace vel {

int ReformMath(State&, std::string&) { return 0; }

int SetMath(State& st, const std::string& formula, int) {
  std::string body = formula;
  if (!body.empty() && body.front() == '$') body.erase(0, 1);
  if (!body.empty() && body.back() == '$') body.pop_back();
  int w = st.canvas ? st.canvas->textWidth(st.font.current, body) : 0;
  st.box.resultWidth = w;
  st.box.resultHeight = static_cast<int>(st.font.ascent - st.font.mathAxis);
  st.box.resultDepth = static_cast<int>(st.font.descent + st.font.mathAxis);
  return 0;
}

}  // namespace vel
