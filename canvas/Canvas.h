// The drawing surface of the engine. Layout code measures and draws only
// through this interface; canvas/qt implements it with QPainter, and
// FakeCanvas implements it with fixed metrics for exact layout tests.
//
// Conventions follow the classic device-context model the engine was built
// around: integer device coordinates, text placed by the top-left corner of
// its cell, transparent text background, rectangles that exclude their
// right and bottom edges, arcs given by a bounding box and two radial points.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Bitmap.h"
#include "Region.h"

namespace vel {

// 24-bit colour: red in the low byte, green in the middle, blue in the high byte.
using Color = uint32_t;
inline Color rgb(int r, int g, int b) { return (Color(b & 255) << 16) | (Color(g & 255) << 8) | Color(r & 255); }
inline int redOf(Color c) { return c & 255; }
inline int greenOf(Color c) { return (c >> 8) & 255; }
inline int blueOf(Color c) { return (c >> 16) & 255; }
constexpr Color kWhite = 0xFFFFFF;
constexpr Color kBlack = 0;

struct Point {
  int x = 0, y = 0;
};

// Character sets of a logical font.
constexpr int kAnsiCharset = 0;
constexpr int kDefaultCharset = 1;
constexpr int kShiftJisCharset = 128;

// A logical font. Its height is in the units of whatever it measures or
// draws: layout units when measuring, device pixels when drawing.
struct Font {
  std::string name;  // CP932 face name as written in the source ("ＭＳ Ｐ明朝", "cmr10", ...)
  int height = 0;    // < 0: character (em) height; > 0: cell height; 0: a default of 12
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool strikeOut = false;
  int charset = kShiftJisCharset;
  int escapement = 0;  // tenths of a degree, counter-clockwise
  int pitch = 0;
  Color color = kBlack;

  bool sameFace(const Font& o) const { return name == o.name && bold == o.bold && italic == o.italic; }
  bool operator==(const Font&) const = default;
};

struct TextMetrics {
  int ascent = 0;
  int descent = 0;
  int height = 0;  // cell height = ascent + descent
};

// Metrics of one face, independent of size: advances in design units,
// scaled linearly to the em size asked for (measuring at large layout
// heights must not go through size-limited rasteriser metrics).
class FaceMetrics {
 public:
  virtual ~FaceMetrics() = default;
  virtual double unitsPerEm() const = 0;
  virtual double ascentUnits() const = 0;   // like the OS/2 winAscent
  virtual double descentUnits() const = 0;  // like the OS/2 winDescent
  // Advance of one CP932 character code (byte, or lead<<8|trail).
  virtual double advanceUnits(uint16_t code) const = 0;
  virtual bool hasGlyph(uint16_t code) const = 0;
  // The name of the face measured and drawn in place of this one when its
  // own name is installed nowhere (CP932); empty when the name was found.
  virtual std::string standIn() const { return {}; }

  // The em size of a font height (see Font::height).
  double emOf(int fontHeight) const {
    if (fontHeight < 0) return -double(fontHeight);
    if (fontHeight == 0) return 12.0;
    return fontHeight * unitsPerEm() / (ascentUnits() + descentUnits());
  }
  TextMetrics metrics(double em) const;
  int charWidth(uint16_t code, double em) const;
  // Sum of the character widths (each rounded to whole units), no kerning.
  int textWidth(std::string_view cp932, double em) const;
};

enum class PenStyle { Solid = 0, Dash = 1, Dot = 2, DashDot = 3, DashDotDot = 4, Null = 5, InsideFrame = 6 };

struct Pen {
  int width = 1;  // device pixels; 0 acts as 1
  Color color = kBlack;
  PenStyle style = PenStyle::Solid;
  bool operator==(const Pen&) const = default;
};

enum class BrushStyle { Solid, Clear, Hatched, Pattern };
// Hatch styles in the stock numbering: horizontal, vertical, forward diagonal
// (falling to the right), backward diagonal (rising), cross, diagonal cross.
enum class Hatch { Horizontal = 0, Vertical = 1, FDiagonal = 2, BDiagonal = 3, Cross = 4, DiagCross = 5 };

struct Brush {
  BrushStyle style = BrushStyle::Solid;
  Color color = kWhite;
  Hatch hatch = Hatch::Horizontal;
  std::shared_ptr<const Bitmap> pattern;  // BrushStyle::Pattern
};

class Canvas {
 public:
  virtual ~Canvas() = default;

  // ---- measuring: the same results on every surface ----
  virtual const FaceMetrics& face(const Font& f) = 0;
  TextMetrics metrics(const Font& f);
  int charWidth(const Font& f, uint16_t code) { const FaceMetrics& m = face(f); return m.charWidth(code, m.emOf(f.height)); }
  int textWidth(const Font& f, std::string_view s) { const FaceMetrics& m = face(f); return m.textWidth(s, m.emOf(f.height)); }

  // ---- drawing (device pixels) ----
  virtual bool drawsPixels() const { return true; }
  virtual double dpiX() const = 0;
  virtual double dpiY() const = 0;

  // Text with a transparent background, the top-left corner of the first
  // cell at (x, y) (rotated about that point by the font's escapement),
  // in the font's colour. Glyphs advance by their own widths.
  virtual void textOut(const Font& f, int x, int y, std::string_view cp932) = 0;

  // Characters of one font whose cells all have their top at y, each at
  // its own x: the same as one textOut per character (which is what this
  // default does), in one call that a surface may draw as one run.
  struct PlacedChar {
    int x = 0;
    uint16_t code = 0;  // CP932: byte, or lead<<8|trail
  };
  virtual void textOutPlaced(const Font& f, int y, const std::vector<PlacedChar>& chars);

  virtual void setPen(const Pen& p) { pen_ = p; }
  const Pen& pen() const { return pen_; }
  virtual void setBrush(const Brush& b) { brush_ = b; }
  const Brush& brush() const { return brush_; }

  virtual void moveTo(int x, int y) { pos_ = {x, y}; }
  virtual void lineTo(int x, int y) = 0;
  Point currentPosition() const { return pos_; }
  virtual void polyline(const std::vector<Point>& pts) = 0;
  // Filled with the brush (alternate rule) and outlined with the pen.
  virtual void polygon(const std::vector<Point>& pts) = 0;
  // A closed outline of cubic Bezier pieces, filled and outlined as
  // polygon() is: pts[0] starts it, then each piece is two control points
  // and its end (a straight piece has its controls on the line). This
  // default draws a polygon through points of the curves; a surface that
  // keeps curves (PDF) writes a few control points instead of many vertices.
  virtual void bezierPolygon(const std::vector<Point>& pts);
  virtual void rectangle(int left, int top, int right, int bottom) = 0;
  virtual void roundRect(int left, int top, int right, int bottom, int ellipseW, int ellipseH) = 0;
  virtual void ellipse(int left, int top, int right, int bottom) = 0;
  // Counter-clockwise from the radial point (x1, y1) to the radial point (x2, y2).
  virtual void arc(int left, int top, int right, int bottom, int x1, int y1, int x2, int y2) = 0;
  virtual void pie(int left, int top, int right, int bottom, int x1, int y1, int x2, int y2) = 0;
  virtual void chord(int left, int top, int right, int bottom, int x1, int y1, int x2, int y2) = 0;
  // Fills without an outline; right and bottom edges excluded.
  virtual void fillRect(int left, int top, int right, int bottom, Color c) = 0;
  virtual void fillRegion(const Region& r, Color c) = 0;

  // Draws whatever the surface has held back (a PDF gathers text into
  // runs); a paged device calls it before it ends a page.
  virtual void flush() {}

  // Clipping: nullopt removes the clip.
  virtual void setClip(const std::optional<Region>& r) { clip_ = r; }
  const std::optional<Region>& clip() const { return clip_; }

  // Bitmaps: drawn at (x, y), or stretched to the destination rectangle.
  // A transparent colour leaves those pixels out.
  virtual void drawBitmap(int x, int y, const Bitmap& b, std::optional<Color> transparent = std::nullopt) = 0;
  virtual void stretchBitmap(const Bitmap& b, int left, int top, int right, int bottom,
                             std::optional<Color> transparent = std::nullopt) = 0;
  // The bitmap repeated over the pixels left..right-1, top..bottom-1
  // (within the clip), in tiles of tileW x tileH pixels (fractions allowed)
  // from (originX, originY). A surface that keeps images (PDF) stores the
  // bitmap once however many tiles there are; this default stretches it
  // once per tile, at most kMaxTiles of them.
  static constexpr long long kMaxTiles = 10000;
  virtual void tileBitmap(const Bitmap& b, int left, int top, int right, int bottom, double originX, double originY,
                          double tileW, double tileH, std::optional<Color> transparent = std::nullopt);

  // A surface of the same kind that draws into a bitmap (figures render
  // fills off screen).
  virtual std::unique_ptr<Canvas> createBitmapCanvas(Bitmap& target) = 0;

 protected:
  Pen pen_;
  Brush brush_;
  // Formulas ask for the metrics of a few faces and sizes over and over.
  struct KnownMetrics {
    const FaceMetrics* face = nullptr;
    int height = 0;
    TextMetrics metrics;
  };
  std::array<KnownMetrics, 4> knownMetrics_{};
  size_t nextKnown_ = 0;
  Point pos_;
  std::optional<Region> clip_;
};

}  // namespace vel
