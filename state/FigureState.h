// Figure-side stores that expressions and text rotation read.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/Units.h"
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
  // How many of `want` points fit from entry `start` on while `spare`
  // entries stay free at the end (a closed dashed stroke writes one past
  // its last point): never negative, 0 when start is past the end. Every
  // writer of a run of points sizes it by this before it writes.
  static int fit(long long start, long long want, int spare = 0) {
    const long long room = static_cast<long long>(kCapacity) - spare - (start < 0 ? 0 : start);
    if (room <= 0 || want <= 0) return 0;
    return static_cast<int>(want < room ? want : room);
  }
  // Entries 0..last as the caller's own copy (empty when last < 0).
  std::vector<Point> upTo(int last) const {
    if (last < 0) return {};
    const size_t n = static_cast<size_t>(last) + 1 < kCapacity ? static_cast<size_t>(last) + 1 : kCapacity;
    return std::vector<Point>(pts_.begin(), pts_.begin() + static_cast<std::ptrdiff_t>(n));
  }

 private:
  std::vector<Point> pts_;
};

struct GraphPoints {
  int count = 0;
  int countX = 0, countY = 0, countZ = 0;  // fill counts of the three arrays
  std::array<double, 1000> x{}, y{}, z{};
};

// The figure context: everything a figure sets for itself. A figure (and
// a figure measured inside another one's label) copies the whole record on
// entry and puts it back on exit, so nothing of one figure reaches its
// parent or the text after it.
struct FigureContext {
  std::array<double, 100> constants{};  // a0..a99
  std::array<double, 100> params{};     // #0..#99
  int dimen = 2;              // figDimension
  double rotY = 0, rotZ = 0;  // figRotY, figRotZ (radians)

  // The figure box (layout units) and its user coordinates.
  int originX = 0, originY = 0;
  int width = 0, height = 0;
  int ascent = 0;  // above the text baseline; the depth is height - ascent
  double scaleX = 1, scaleY = 1;  // layout units per user unit
  double baseUnit = 1;
  double xMin = 0, xMax = 0, yMin = 0, yMax = 0;

  // The box on the canvas (device pixels: left, top, right, bottom) and as
  // the clip region every drawing command selects; the closed area of the
  // last \endclose.
  std::array<int, 4> clipRect{};
  std::optional<Region> clipRegion;
  std::optional<Region> closeRegion;
  // The shape being filled and, for sectors and chords, the polygon it is
  // intersected with (Shasen reads both).
  std::optional<Region> areaRegion;
  std::optional<Region> auxRegion;
  int nesting = 0;  // drawn figures around this one

  int penStyle = 0;
  int brushKind = 0;
  bool brushNone = true;
  int hatchSpacing = 787;  // 1 mm
  int hatchWidth = 78;     // 0.1 mm
  int textClip = 0;
  double textMarginX = units::kPerInch * 0.6 / 25.4;  // 0.6 mm
  double textMarginY = units::kPerInch * 0.2 / 25.4;  // 0.2 mm
  int closeModeSide = 0;

  // The brush of \brush (Brushes.cpp), read by Shasen. Gradient geometry
  // is in user units (plane coordinates, 3-D centres projected); the dot
  // screen is one period of its pattern, in memory, so each figure (and
  // each nested one, through this record) has its own.
  Color brushColor = kBlack;
  Color gradColor1 = kBlack, gradColor2 = kBlack;
  std::array<uint8_t, 3> gradChannels1{}, gradChannels2{};  // blue, green, red
  double gradX1 = 0, gradY1 = 0, gradX2 = 0, gradY2 = 0;  // kind 9: P1, P2; 10-12: the centre Q in 1
  std::vector<std::array<double, 2>> gradVertices;         // kind 10
  double gradRX = 0, gradRY = 0;                           // kind 11: the radii
  double gradAngle1 = 0, gradAngle2 = 0, gradRadius = 0;   // kind 12: radians (page), covering radius
  // kind -1: the file, its size and anchor point (layout units), the
  // anchor mode 1-9; the whole-figure flag when only the file was named.
  std::string imageFile;
  int imageWidth = 0, imageHeight = 0, imageX = 0, imageY = 0, imageMode = 5;
  bool imageWholeFigure = true;
  std::shared_ptr<const Bitmap> dotScreen;  // kind 8: null until a \brush{8} finished it
  bool dotTransparent = true;

  // Named points A-Z, a-z: coordinate texts joined by commas.
  std::array<std::string, 52> namedPoints;

  // Results of the last transforms (XXYY/xxyy, Rotxy, ThreeToTwoDimen).
  Point lastPoint;
  double rotatedX = 0, rotatedY = 0;
  double projU = 0, projV = 0;
};

// The context plus what lives across figures: the point array and its
// drawing modes (each header resets the modes), and the graph points.
struct FigureState : FigureContext {
  GraphPoints graph;
  PointArray points;

  // Indexes into the point array for closed areas and polylines (-1: empty).
  bool closeMode = false;
  int closeLast = -1;
  bool polylineMode = false;
  int polylineLast = -1;

  // Commands and loop passes the outermost figure being drawn may still run.
  long long stepsLeft = 0;
  // Figure functions running inside one another (DoVelFunc caps it, so a
  // function that calls itself ends).
  int functionDepth = 0;
};

}  // namespace vel
