// Clip regions described independently of the drawing back end: shapes
// combined by intersection, difference, exclusive or and union. A back end
// turns the description into its own region when it is selected.
#pragma once

#include <memory>
#include <vector>

namespace vel {

struct RegionPoint {
  int x = 0, y = 0;
};

class Region {
 public:
  enum class Shape { Empty, Rect, RoundRect, Ellipse, Polygon, Combined };
  enum class Op { And, Diff, Xor, Or };

  struct Node {
    Shape shape = Shape::Empty;
    int left = 0, top = 0, right = 0, bottom = 0;  // Rect, RoundRect, Ellipse
    int ellipseW = 0, ellipseH = 0;                 // RoundRect corners
    std::vector<RegionPoint> points;                // Polygon (alternate rule)
    Op op = Op::And;                                // Combined
    std::shared_ptr<const Node> a, b;
  };

  Region() : node_(std::make_shared<Node>()) {}
  static Region rect(int l, int t, int r, int b);
  static Region roundRect(int l, int t, int r, int b, int ew, int eh);
  static Region ellipse(int l, int t, int r, int b);
  static Region polygon(std::vector<RegionPoint> pts);
  Region combined(const Region& other, Op op) const;

  const Node& node() const { return *node_; }
  bool isEmptyShape() const { return node_->shape == Shape::Empty; }

 private:
  explicit Region(std::shared_ptr<const Node> n) : node_(std::move(n)) {}
  std::shared_ptr<const Node> node_;
};

}  // namespace vel
