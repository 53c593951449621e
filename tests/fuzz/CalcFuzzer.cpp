// Calc, the value conditions, colours, ShikiHenkan and the date format on
// arbitrary bytes: no crash, no read past the text, no sanitizer report,
// and a failed evaluation is always exactly 0.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzState.h"
#include "frontend/TextGen.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vel::State& st = fuzz::SharedState();
  // An exact-size copy: any read past the end is a heap overflow.
  std::string text(reinterpret_cast<const char*>(data), size);
  std::string_view view(text);

  double v = vel::Calc(st, view);
  fuzz::Require(std::isfinite(v));
  fuzz::Require(!st.val.calcUndefined || v == 0);

  vel::ValueConditionIsTrue(st, view);
  vel::GetColor(st, view);

  std::string replaced;
  vel::ShikiHenkan(view, 'x', replaced, "\\c");
  st.val.calcVarC = 0.5;
  v = vel::Calc(st, replaced);
  fuzz::Require(std::isfinite(v));

  vel::RunClock clock{2024, 3, 5, 15, 7, 4, 3};
  vel::GetDateStr(clock, view);
  vel::ToZenkaku(view);
  vel::ToKanNum(view);
  vel::GetKakuchoshi(view);
  return 0;
}
