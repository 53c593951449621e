#include "Canvas.h"

#include <cmath>

#include "base/Cp932.h"

namespace vel {

TextMetrics FaceMetrics::metrics(double em) const {
  TextMetrics m;
  double k = em / unitsPerEm();
  // The cell rounds as a whole, so that a cell of one em is one em at
  // every size; the descent is what the ascent leaves of it.
  m.ascent = int(std::lround(ascentUnits() * k));
  m.height = int(std::lround((ascentUnits() + descentUnits()) * k));
  m.descent = m.height - m.ascent;
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

void Canvas::tileBitmap(const Bitmap& b, int left, int top, int right, int bottom, double originX, double originY,
                        double tileW, double tileH, std::optional<Color> transparent) {
  if (b.empty() || right <= left || bottom <= top || !(tileW >= 1) || !(tileH >= 1)) return;
  // The tiles that meet the rectangle.
  const double i0 = std::floor((left - originX) / tileW), i1 = std::ceil((right - originX) / tileW);
  const double j0 = std::floor((top - originY) / tileH), j1 = std::ceil((bottom - originY) / tileH);
  if ((i1 - i0) * (j1 - j0) > double(kMaxTiles)) return;
  const std::optional<Region> old = clip_;
  const Region area = Region::rect(left, top, right, bottom);
  setClip(old ? old->combined(area, Region::Op::And) : area);
  auto at = [](double v) { return int(std::floor(v + 0.5)); };
  for (double j = j0; j < j1; ++j)
    for (double i = i0; i < i1; ++i)
      stretchBitmap(b, at(originX + i * tileW), at(originY + j * tileH), at(originX + (i + 1) * tileW),
                    at(originY + (j + 1) * tileH), transparent);
  setClip(old);
}

}  // namespace vel
