#include "Region.h"

namespace vel {

namespace {
std::shared_ptr<Region::Node> box(Region::Shape s, int l, int t, int r, int b) {
  auto n = std::make_shared<Region::Node>();
  n->shape = s;
  n->left = l;
  n->top = t;
  n->right = r;
  n->bottom = b;
  return n;
}
}  // namespace

Region Region::rect(int l, int t, int r, int b) { return Region(box(Shape::Rect, l, t, r, b)); }

Region Region::roundRect(int l, int t, int r, int b, int ew, int eh) {
  auto n = box(Shape::RoundRect, l, t, r, b);
  n->ellipseW = ew;
  n->ellipseH = eh;
  return Region(n);
}

Region Region::ellipse(int l, int t, int r, int b) { return Region(box(Shape::Ellipse, l, t, r, b)); }

Region Region::polygon(std::vector<RegionPoint> pts) {
  auto n = std::make_shared<Node>();
  n->shape = Shape::Polygon;
  n->points = std::move(pts);
  return Region(n);
}

Region Region::combined(const Region& other, Op op) const {
  auto n = std::make_shared<Node>();
  n->shape = Shape::Combined;
  n->op = op;
  n->a = node_;
  n->b = other.node_;
  return Region(n);
}

}  // namespace vel
