#include "layout/Fonts.h"

#include <cmath>

#include "canvas/Cp932.h"

namespace vel {

Font BaseFont(const State& st) {
  Font f;
  f.name = SJ("ＭＳ Ｐ明朝");
  f.charset = kShiftJisCharset;
  f.height = static_cast<int>(-(st.font.baseSize * 10.0 / 72.0));
  return f;
}

void SetBigNormalHeight(State& st, int level) {
  if (level < 0 || level > 5) level = 2;
  st.font.layoutHeight = -(st.font.size * 10.0 / 72.0 * st.font.mathSizeRatio[static_cast<size_t>(level)]);
  st.font.deviceHeight = st.font.layoutHeight * st.draw.scale;
  st.font.styleLevel = level;
}

void GetFontMetric(State& st) {
  TextMetrics m = st.canvas ? st.canvas->metrics(st.font.current) : TextMetrics{};
  st.font.ascent = m.ascent;
  st.font.descent = m.descent;
  st.font.charHeight = m.height;
  st.font.mathAxis = (m.ascent - m.height / 2.0) * 0.85;
}

void SetSkip(State& st) {
  double h = st.font.charHeight;
  st.font.skip = {h / 18, h / 12, h / 6, 2 * h / 9, 5 * h / 18, h / 2};
  st.font.ruleThickness = static_cast<int>(20000.0 * (st.font.size / 2000.0) / 1270.0);
}

void SetFont(State& st, const Font& f, int styleLevel) {
  st.font.current = f;
  SetBigNormalHeight(st, styleLevel);
  st.font.current.height = static_cast<int>(st.font.layoutHeight);
  st.font.current.pitch = 0;
  GetFontMetric(st);
  SetSkip(st);
}

}  // namespace vel
