#include "FakeCanvas.h"

#include <cstdio>

#include "base/Cp932.h"

namespace vel {

namespace {
std::string fmt(const char* f, auto... a) {
  char buf[256];
  std::snprintf(buf, sizeof buf, f, a...);
  return buf;
}
std::string box(const char* what, int l, int t, int r, int b) { return fmt("%s %d %d %d %d", what, l, t, r, b); }
std::string arcLike(const char* what, int l, int t, int r, int b, int x1, int y1, int x2, int y2) {
  return fmt("%s %d %d %d %d %d %d %d %d", what, l, t, r, b, x1, y1, x2, y2);
}
std::string points(const char* what, const std::vector<Point>& pts) {
  std::string s = what;
  for (const Point& p : pts) s += fmt(" %d,%d", p.x, p.y);
  return s;
}
}  // namespace

void FakeCanvas::textOut(const Font& f, int x, int y, std::string_view s) {
  add(fmt("text %d %d h=%d esc=%d color=%06X ", x, y, f.height, f.escapement, f.color) + toLogUtf8(f.name) + " " +
      toLogUtf8(s));
}
void FakeCanvas::setPen(const Pen& p) {
  Canvas::setPen(p);
  add(fmt("pen %d %06X %d", p.width, p.color, int(p.style)));
}
void FakeCanvas::setBrush(const Brush& b) {
  Canvas::setBrush(b);
  add(fmt("brush %d %06X %d", int(b.style), b.color, int(b.hatch)));
}
void FakeCanvas::lineTo(int x, int y) {
  add(fmt("line %d %d %d %d", pos_.x, pos_.y, x, y));
  pos_ = {x, y};
}
void FakeCanvas::polyline(const std::vector<Point>& pts) { add(points("polyline", pts)); }
void FakeCanvas::polygon(const std::vector<Point>& pts) { add(points("polygon", pts)); }
void FakeCanvas::rectangle(int l, int t, int r, int b) { add(box("rectangle", l, t, r, b)); }
void FakeCanvas::roundRect(int l, int t, int r, int b, int ew, int eh) {
  add(box("roundrect", l, t, r, b) + fmt(" %d %d", ew, eh));
}
void FakeCanvas::ellipse(int l, int t, int r, int b) { add(box("ellipse", l, t, r, b)); }
void FakeCanvas::arc(int l, int t, int r, int b, int x1, int y1, int x2, int y2) {
  add(arcLike("arc", l, t, r, b, x1, y1, x2, y2));
}
void FakeCanvas::pie(int l, int t, int r, int b, int x1, int y1, int x2, int y2) {
  add(arcLike("pie", l, t, r, b, x1, y1, x2, y2));
}
void FakeCanvas::chord(int l, int t, int r, int b, int x1, int y1, int x2, int y2) {
  add(arcLike("chord", l, t, r, b, x1, y1, x2, y2));
}
void FakeCanvas::fillRect(int l, int t, int r, int b, Color c) { add(box("fill", l, t, r, b) + fmt(" %06X", c)); }
void FakeCanvas::fillRegion(const Region&, Color c) { add(fmt("fillregion %06X", c)); }
void FakeCanvas::setClip(const std::optional<Region>& r) {
  Canvas::setClip(r);
  add(r ? "clip" : "noclip");
}
void FakeCanvas::drawBitmap(int x, int y, const Bitmap& b, std::optional<Color>) {
  add(fmt("bitmap %d %d %dx%d", x, y, b.width(), b.height()));
}
void FakeCanvas::stretchBitmap(const Bitmap& b, int l, int t, int r, int bm, std::optional<Color>) {
  add(box("stretch", l, t, r, bm) + fmt(" %dx%d", b.width(), b.height()));
}
void FakeCanvas::tileBitmap(const Bitmap& b, int l, int t, int r, int bm, double originX, double originY, double tileW,
                            double tileH, std::optional<Color> transparent) {
  add(box("tile", l, t, r, bm) + fmt(" from %.2f %.2f by %.2f %.2f %dx%d%s", originX, originY, tileW, tileH, b.width(),
                                     b.height(), transparent ? " keyed" : ""));
}
std::unique_ptr<Canvas> FakeCanvas::createBitmapCanvas(Bitmap&) { return std::make_unique<FakeCanvas>(dpi_); }

}  // namespace vel
