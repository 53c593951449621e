// Figure-side stores that expressions and text rotation read.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "canvas/Canvas.h"

namespace vel {

// The shared array of device points that figure commands write into. Every
// write goes through set(), which refuses indexes past the end.
class PointArray {
 public:
  static constexpr size_t kCapacity = 50002;
  PointArray() : pts_(kCapacity) {}
  bool set(size_t i, Point p) {
    if (i >= kCapacity) return false;
    pts_[i] = p;
    return true;
  }
  Point get(size_t i) const { return i < kCapacity ? pts_[i] : Point{}; }
  const Point* data() const { return pts_.data(); }
  static constexpr size_t capacity() { return kCapacity; }

 private:
  std::vector<Point> pts_;
};

struct GraphPoints {
  int count = 0;
  std::array<double, 1000> x{}, y{}, z{};
};

struct FigureState {
  std::array<double, 100> constants{};  // a0..a99
  std::array<double, 100> params{};     // #0..#99
  GraphPoints graph;
  int dimen = 2;
  double rotY = 0, rotZ = 0;
  PointArray points;
};

}  // namespace vel
