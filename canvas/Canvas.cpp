#include "Canvas.h"

#include <cmath>

#include "Cp932.h"

namespace vel {

TextMetrics FaceMetrics::metrics(double em) const {
  TextMetrics m;
  double k = em / unitsPerEm();
  m.ascent = int(std::lround(ascentUnits() * k));
  m.descent = int(std::lround(descentUnits() * k));
  m.height = m.ascent + m.descent;
  return m;
}

int FaceMetrics::charWidth(uint16_t code, double em) const {
  return int(std::lround(advanceUnits(code) * em / unitsPerEm()));
}

int FaceMetrics::textWidth(std::string_view s, double em) const {
  double k = em / unitsPerEm();
  long total = 0;
  for (size_t i = 0; i < s.size();) {
    size_t len;
    uint16_t code = charCodeAt(s, i, &len);
    total += std::lround(advanceUnits(code) * k);
    i += len;
  }
  return int(total);
}

}  // namespace vel
