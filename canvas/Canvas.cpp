#include "Canvas.h"

#include <cmath>

#include "base/Cp932.h"

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

void Canvas::textOutPlaced(const Font& f, int y, const std::vector<PlacedChar>& chars) {
  for (const PlacedChar& c : chars) {
    char bytes[2];
    size_t n = 0;
    if (c.code > 0xFF) bytes[n++] = static_cast<char>(c.code >> 8);
    bytes[n++] = static_cast<char>(c.code & 0xFF);
    textOut(f, c.x, y, std::string_view(bytes, n));
  }
}

}  // namespace vel
