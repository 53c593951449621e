// UnitToPix, the length conditions and the font size on arbitrary bytes:
// no crash, no read past the text, no sanitizer report.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzState.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vel::State& st = fuzz::SharedState();
  std::string text(reinterpret_cast<const char*>(data), size);
  std::string_view view(text);

  st.draw.drawing = size % 2 == 1;  // hpos from the pen position on odd sizes
  st.draw.linePenX = 5000;
  st.draw.lineStartX = 1000;
  vel::UnitToPix(st, view);
  vel::ConditionIsTrue(st, view);
  vel::LengthConditionIsTrue(st, view);

  int decoded = 0;
  for (size_t i = 0; i < size; ++i)
    if (text[i] == '\\') vel::DecodeLength(view, i, decoded);

  const double size0 = st.chr.fontSize;
  vel::SetFontSize(st, view, 2);
  fuzz::Require(st.chr.fontSize > 0 && std::isfinite(st.chr.fontSize));
  st.chr.fontSize = size0;
  vel::SetFont(st, st.font.base, 2);
  return 0;
}
