// A canvas with fixed, font-independent metrics and a text log of what is
// drawn. Every face has a cell height equal to its em size (ascent 0.8 em,
// descent 0.2 em); a double-byte character advances one em, a single byte
// half an em. Layout tests typeset on it to get exact, font-free numbers.
#pragma once

#include <string>
#include <vector>

#include "Canvas.h"

namespace vel {

class FakeFace : public FaceMetrics {
 public:
  double unitsPerEm() const override { return 1000; }
  double ascentUnits() const override { return 800; }
  double descentUnits() const override { return 200; }
  double advanceUnits(uint16_t code) const override { return code > 0xFF ? 1000 : 500; }
  bool hasGlyph(uint16_t) const override { return true; }
};

class FakeCanvas : public Canvas {
 public:
  explicit FakeCanvas(double dpi = 96) : dpi_(dpi) {}

  const FaceMetrics& face(const Font&) override { return face_; }
  double dpiX() const override { return dpi_; }
  double dpiY() const override { return dpi_; }

  void textOut(const Font& f, int x, int y, std::string_view s) override;
  void setPen(const Pen& p) override;
  void setBrush(const Brush& b) override;
  void lineTo(int x, int y) override;
  void polyline(const std::vector<Point>& pts) override;
  void polygon(const std::vector<Point>& pts) override;
  void rectangle(int l, int t, int r, int b) override;
  void roundRect(int l, int t, int r, int b, int ew, int eh) override;
  void ellipse(int l, int t, int r, int b) override;
  void arc(int l, int t, int r, int b, int x1, int y1, int x2, int y2) override;
  void pie(int l, int t, int r, int b, int x1, int y1, int x2, int y2) override;
  void chord(int l, int t, int r, int b, int x1, int y1, int x2, int y2) override;
  void fillRect(int l, int t, int r, int b, Color c) override;
  void fillRegion(const Region& r, Color c) override;
  void setClip(const std::optional<Region>& r) override;
  void drawBitmap(int x, int y, const Bitmap& b, std::optional<Color> transparent) override;
  void stretchBitmap(const Bitmap& b, int l, int t, int r, int bm, std::optional<Color> transparent) override;
  void tileBitmap(const Bitmap& b, int l, int t, int r, int bm, double originX, double originY, double tileW,
                  double tileH, std::optional<Color> transparent) override;
  std::unique_ptr<Canvas> createBitmapCanvas(Bitmap& target) override;

  // One line per drawing call, UTF-8.
  const std::vector<std::string>& log() const { return log_; }
  void clearLog() { log_.clear(); }

 private:
  void add(std::string line) { log_.push_back(std::move(line)); }
  FakeFace face_;
  double dpi_;
  std::vector<std::string> log_;
};

}  // namespace vel
