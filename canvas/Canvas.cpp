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

TextMetrics Canvas::metrics(const Font& f) {
  const FaceMetrics& m = face(f);
  for (const KnownMetrics& k : knownMetrics_)
    if (k.face == &m && k.height == f.height) return k.metrics;
  KnownMetrics& k = knownMetrics_[nextKnown_];
  nextKnown_ = (nextKnown_ + 1) % knownMetrics_.size();
  k = {&m, f.height, m.metrics(m.emOf(f.height))};
  return k.metrics;
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

void Canvas::bezierPolygon(const std::vector<Point>& pts) {
  constexpr int kSteps = 16;
  std::vector<Point> flat;
  if (!pts.empty()) flat.push_back(pts[0]);
  for (size_t i = 1; i + 2 < pts.size(); i += 3) {
    const Point p0 = pts[i - 1], c1 = pts[i], c2 = pts[i + 1], p1 = pts[i + 2];
    for (int k = 1; k <= kSteps; ++k) {
      const double t = double(k) / kSteps, u = 1 - t;
      const double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
      flat.push_back({int(std::lround(a * p0.x + b * c1.x + c * c2.x + d * p1.x)),
                      int(std::lround(a * p0.y + b * c1.y + c * c2.y + d * p1.y))});
    }
  }
  polygon(flat);
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
