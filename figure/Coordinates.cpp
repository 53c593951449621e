// The figure's coordinate transforms: user units to layout units and to
// device pixels, the text rotation, and the 3-D projection. Every drawing
// command calls them once per point, so each is a few multiplications and
// one FigInt.
#include <cmath>

#include "figure/Figure.h"
#include "frontend/Calc.h"

namespace vel {

int FigInt(double v) {
  // A NaN compares false with everything: it falls through to 0.
  if (v >= kFigIntMax) return kFigIntMax;
  if (v <= -kFigIntMax) return -kFigIntMax;
  if (!(v == v)) return 0;
  return static_cast<int>(v);  // in range: truncation toward zero
}

int AlphToInt(char letter) {
  if (letter >= 'A' && letter <= 'Z') return letter - 'A';
  if (letter >= 'a' && letter <= 'z') return letter - 'a' + 26;
  return -1;
}

int XX(State& st, double x) { return FigInt(st.fig.originX + x * st.fig.scaleX); }
int YY(State& st, double y) { return FigInt(st.fig.originY - y * st.fig.scaleY); }
int xx(State& st, double x) { return FigInt((st.fig.originX + x * st.fig.scaleX) * st.draw.scale + 0.5); }
int yy(State& st, double y) { return FigInt((st.fig.originY - y * st.fig.scaleY) * st.draw.scale + 0.5); }

namespace {

// (oX + u cos t + v sin t, oY - u sin t + v cos t) with u = x sX, v = -y sY;
// without a rotation the plain (oX + u, oY + v).
void Turned(const State& st, double x, double y, double& px, double& py) {
  const double u = x * st.fig.scaleX, v = -y * st.fig.scaleY;
  if (st.font.textRotationDeg == 0) {
    px = st.fig.originX + u;
    py = st.fig.originY + v;
    return;
  }
  const double t = st.font.textRotationRad;
  px = st.fig.originX + u * std::cos(t) + v * std::sin(t);
  py = st.fig.originY - u * std::sin(t) + v * std::cos(t);
}

}  // namespace

Point XXYY(State& st, double x, double y) {
  double px, py;
  Turned(st, x, y, px, py);
  st.fig.lastPoint = Point{FigInt(px), FigInt(py)};
  return st.fig.lastPoint;
}

Point xxyy(State& st, double x, double y) {
  double px, py;
  Turned(st, x, y, px, py);
  const double S = st.draw.scale;
  st.fig.lastPoint = Point{FigInt(px * S + 0.5), FigInt(py * S + 0.5)};
  return st.fig.lastPoint;
}

int PixLen(State& st, double dx, double dy, double len) {
  const double along = std::sqrt(dx * dx + dy * dy);
  const double scaled = std::hypot(dx * st.fig.scaleX, dy * st.fig.scaleY);
  // A zero direction gives 0/0: FigInt makes it 0 rather than a wild cast.
  return FigInt(len / along * st.draw.scale * scaled + 0.5);
}

void Rotxy(State& st, double x, double y) {
  const double t = st.font.textRotationRad;
  st.fig.rotatedX = x * std::cos(t) - y * std::sin(t);
  st.fig.rotatedY = x * std::sin(t) + y * std::cos(t);
}

bool ReadUserPoint(State& st, const std::vector<std::string>& a, size_t at, int dimen, double& x, double& y) {
  if (at + size_t(dimen) > a.size()) return false;
  x = Calc(st, a[at]);
  y = Calc(st, a[at + 1]);
  if (dimen == 3) {
    ThreeToTwoDimen(st, x, y, Calc(st, a[at + 2]));
    x = st.fig.projU;
    y = st.fig.projV;
  }
  return true;
}

void ThreeToTwoDimen(State& st, double x, double y, double z) {
  const double a = st.fig.rotZ, b = st.fig.rotY;
  st.fig.projU = -x * std::sin(a) + y * std::cos(a);
  st.fig.projV = -x * std::sin(b) * std::cos(a) - y * std::sin(b) * std::sin(a) + z * std::cos(b);
}

}  // namespace vel
