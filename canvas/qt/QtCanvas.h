// The drawing surface over a QPainter: the viewer's page image, PNG output,
// PDF and printer devices, off-screen bitmaps, and a measure-only surface.
//
// It reproduces the classic device-context behaviour the layout expects:
// text placed by the top-left of its cell with a transparent background,
// crisp (aliased) lines and shapes whose right and bottom edges are
// excluded, wide pens with round ends, dash patterns in device pixels that do
// not grow with the pen, arcs from radial points, pixel clip regions.
#pragma once

#include <QImage>
#include <QPainter>
#include <QRegion>
#include <array>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "canvas/Canvas.h"
#include "canvas/qt/QtFonts.h"

class QPaintDevice;

namespace vel {
class PdfJpegLog;
}

namespace vel {

class QtCanvas final : public Canvas {
 public:
  // Paints on a device (a QImage, QPdfWriter, QPrinter, widget) at the
  // device's own resolution, or at the given one. Pages of a paged device
  // follow with the device's newPage() while the surface lives.
  explicit QtCanvas(QPaintDevice& device);
  QtCanvas(QPaintDevice& device, double dpiX, double dpiY);
  // Paints through a painter that the caller has begun (and will end). The
  // surface sets the painter's render hints (aliased shapes, smooth text)
  // and its clip when a clip is selected.
  QtCanvas(QPainter& painter, double dpiX, double dpiY);
  ~QtCanvas() override;
  QtCanvas(const QtCanvas&) = delete;
  QtCanvas& operator=(const QtCanvas&) = delete;

  // A surface that measures and draws nothing.
  static std::unique_ptr<QtCanvas> measureOnly(double dpi = 96);
  // Paints into the bitmap's own memory.
  static std::unique_ptr<QtCanvas> onBitmap(Bitmap& target, double dpiX = 96, double dpiY = 96);

  // Ends painting now (a QPdfWriter writes its file when painting ends).
  // Later drawing calls do nothing.
  void finish();
  // The painter in use; null on a measure-only or finished surface.
  QPainter* painter() { return painter_; }

  const FaceMetrics& face(const Font& f) override;
  bool drawsPixels() const override { return painter_ != nullptr; }
  double dpiX() const override { return dpiX_; }
  double dpiY() const override { return dpiY_; }

  void textOut(const Font& f, int x, int y, std::string_view cp932) override;
  void textOutPlaced(const Font& f, int y, const std::vector<PlacedChar>& chars) override;
  void flush() override;
  void lineTo(int x, int y) override;
  void polyline(const std::vector<Point>& pts) override;
  void polygon(const std::vector<Point>& pts) override;
  void bezierPolygon(const std::vector<Point>& pts) override;
  void rectangle(int left, int top, int right, int bottom) override;
  void roundRect(int left, int top, int right, int bottom, int ellipseW, int ellipseH) override;
  void ellipse(int left, int top, int right, int bottom) override;
  void arc(int left, int top, int right, int bottom, int x1, int y1, int x2, int y2) override;
  void pie(int left, int top, int right, int bottom, int x1, int y1, int x2, int y2) override;
  void chord(int left, int top, int right, int bottom, int x1, int y1, int x2, int y2) override;
  void fillRect(int left, int top, int right, int bottom, Color c) override;
  void fillRegion(const Region& r, Color c) override;
  void setClip(const std::optional<Region>& r) override;
  void drawBitmap(int x, int y, const Bitmap& b, std::optional<Color> transparent = std::nullopt) override;
  void stretchBitmap(const Bitmap& b, int left, int top, int right, int bottom,
                     std::optional<Color> transparent = std::nullopt) override;
  void tileBitmap(const Bitmap& b, int left, int top, int right, int bottom, double originX, double originY,
                  double tileW, double tileH, std::optional<Color> transparent = std::nullopt) override;
  std::unique_ptr<Canvas> createBitmapCanvas(Bitmap& target) override;

  // Drawing into a PDF: the pixels of JPEG files are drawn so that the
  // finished file can get the files' own data (StoreJpegFilesAsIs), noted
  // in `log`, which must outlive the painting. Without a log every image
  // is stored lossless.
  void keepJpegFiles(PdfJpegLog* log) { jpegLog_ = log; }

  // What textOut draws for a string: glyph indexes and their pen positions
  // along the baseline in device pixels (each glyph at its own advance, no
  // kerning, no shaping), and the pen position after the last glyph.
  struct GlyphLine {
    QList<quint32> glyphs;
    QList<QPointF> positions;
    std::vector<double> advances;
    std::vector<bool> turned;  // full-width glyphs of a vertical ("@") face
    std::vector<const QtFace*> faces;  // the face each glyph is drawn from (a fallback for characters the font lacks)
    double width = 0;
  };
  GlyphLine glyphLine(const Font& f, std::string_view cp932);

  // The pixel region of a clip description (right and bottom edges of its
  // shapes excluded).
  static QRegion toQRegion(const Region& r);
  // The same description as a path (a PDF keeps it so).
  static QPainterPath toQPath(const Region& r);
  static QPainterPath toQPath(const Region::Node& n);
  // The image a bitmap is drawn as: its memory wrapped without a copy, or
  // a copy with the transparent colour's pixels made transparent.
  static QImage toQImage(const Bitmap& b, std::optional<Color> transparent = std::nullopt);

 private:
  struct MeasureOnlyTag {};
  QtCanvas(MeasureOnlyTag, double dpi);
  QtCanvas(QImage image, double dpiX, double dpiY);

  void begin(QPaintDevice& device);
  // Draws the glyphs of a line (positions relative to x) with the cell's
  // top-left at (x, y).
  void drawGlyphLine(const Font& f, int x, int y, const GlyphLine& line);
  void drawRun(const QtFace& from, double em, const QColor& colour, const QList<quint32>& glyphs,
               const QList<QPointF>& positions);
  // Glyphs held back on a PDF (see holdUpright), drawn by flushText
  // before paint of another colour, images, a change of clip or the end
  // of the page.
  struct HeldRun {
    const QtFace* face;
    double em;
    QColor colour;
    double baseline;  // the run's y origin; positions are relative to it
    QList<quint32> glyphs;
    QList<QPointF> positions;
  };
  HeldRun& heldRun(const QtFace& from, double em, const QColor& colour, double baseline);
  // Holds plain upright text without building its glyph line: `each`
  // (given the face) calls its argument with every character's code and
  // x offset from x.
  // False when the text is not plain (turned, underlined, rotated).
  template <typename Each>
  bool holdUpright(const Font& f, int x, int y, Each each);
  void flushText();
  void flushTextUnder(bool stroke, bool fill);  // before a stroke and/or fill with the pen and brush
  void flushTextUnder(Color paint);
  bool allHeldIn(Color c) const;
  std::vector<HeldRun> held_;
  size_t lastRun_ = 0;  // the held run added to last
  // The face and size text was held in last: whether it draws, its ascent.
  const QtFace* holdFace_ = nullptr;
  double holdEm_ = 0;
  bool holdDrawable_ = false;
  int holdAscent_ = 0;
  bool holdText_ = false;
  double shift_ = 0.4375;  // pixel (x, y) is painted at (x + shift_, y + shift_); see kShift
  void prepare();
  // Fills with the brush and strokes with the pen a shape given in pixel
  // centre coordinates; the fill alone (no pen) covers whole pixels.
  void fillAndStroke(const QPainterPath& outline, const QPainterPath& fillOnly);
  // Device pixel (x, y) as a painter point, and the area of pixels
  // l..r-1, t..b-1 (see shift_).
  QPointF centre(double x, double y) const;
  QRectF cells(int l, int t, int r, int b) const;
  void strokePath(const QPainterPath& path);
  void drawPathWith(const QPen& pen, const QBrush& brush, const QPainterPath& path);
  QPen qPen() const;
  QBrush qBrush() const;
  // Shape outline for a box whose right/bottom edges are excluded; inset
  // for inside-frame pens.
  QRectF outlineBox(int left, int top, int right, int bottom) const;
  void arcPath(QPainterPath& path, int kind, int left, int top, int right, int bottom, int x1, int y1, int x2,
               int y2) const;

  // Whether the painter stores images (a PDF): each image is then kept
  // once per content, so that the file holds it once however often it
  // is drawn.
  bool storesImages() const;
  // The image a bitmap is drawn as; `fromJpeg` tells that it is to be
  // drawn lossy for StoreJpegFilesAsIs.
  QImage imageOf(const Bitmap& b, std::optional<Color> transparent, bool mayKeepJpeg, bool& fromJpeg);

  struct StoredImage {
    QImage source;  // the bitmap's pixels, to tell contents with equal hashes apart
    QImage image;   // what is drawn (the source, or it with the transparent colour cut out)
    bool fromJpeg = false;
  };
  std::unordered_map<uint64_t, std::vector<StoredImage>> stored_;
  size_t storedBytes_ = 0;
  PdfJpegLog* jpegLog_ = nullptr;

  QImage image_;                       // owned target (bitmaps)
  std::unique_ptr<QPainter> owned_;    // painter begun by this canvas
  QPainter* painter_ = nullptr;
  double dpiX_ = 96, dpiY_ = 96;

  // The faces asked for last: a formula turns between a few math faces
  // glyph by glyph, and the process-wide table takes a lock and a string
  // key. A name and style stand for the same face for the whole process,
  // so entries never go stale.
  struct FaceSlot {
    std::string name;
    bool bold = false;
    bool italic = false;
    const QtFace* face = nullptr;
  };
  std::array<FaceSlot, 8> faceSlots_;
  size_t lastSlot_ = 0;  // the slot hit last
  size_t nextSlot_ = 0;  // the slot a new face replaces
};

}  // namespace vel
