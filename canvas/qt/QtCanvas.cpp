#include "canvas/qt/QtCanvas.h"

#include <QGlyphRun>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "base/Cp932.h"
#include "canvas/qt/PdfImages.h"

namespace vel {

namespace {

QColor toQColor(Color c) { return QColor(redOf(c), greenOf(c), blueOf(c)); }

// Slant of synthesized italics (about 12 degrees), as rasterisers commonly apply it.
constexpr double kSyntheticSlant = 0.2126;

// Dash patterns of the stock pen styles in device pixels (on, off, ...),
// the same whatever the pen width.
std::vector<qreal> dashPixels(PenStyle s) {
  switch (s) {
    case PenStyle::Dash: return {18, 6};
    case PenStyle::Dot: return {3, 3};
    case PenStyle::DashDot: return {9, 6, 3, 6};
    case PenStyle::DashDotDot: return {9, 3, 3, 3, 3, 3};
    default: return {};
  }
}

// Device coordinates name pixels: the point (x, y) is the centre of pixel
// (x, y). Qt's aliased fills take a pixel when its centre (x + 0.5) lies
// inside, so geometry moves by half a pixel; a little less than half, so
// that an edge through pixel centres keeps its left and top pixels and
// drops its right and bottom ones, as a device context's fill does. Qt's
// one-pixel strokes land on the same pixels with this shift.
constexpr double kShift = 0.5 - 1.0 / 16;

// The shapes whose intersection a region is (itself, unless it is an
// intersection).
void AndParts(const Region::Node& n, std::vector<const Region::Node*>& out) {
  if (n.shape == Region::Shape::Combined && n.op == Region::Op::And && n.a && n.b) {
    AndParts(*n.a, out);
    AndParts(*n.b, out);
  } else {
    out.push_back(&n);
  }
}

void normalise(int& l, int& t, int& r, int& b) {
  if (l > r) std::swap(l, r);
  if (t > b) std::swap(t, b);
}

}  // namespace

QtCanvas::QtCanvas(QPaintDevice& device) : dpiX_(device.logicalDpiX()), dpiY_(device.logicalDpiY()) { begin(device); }

QtCanvas::QtCanvas(QPaintDevice& device, double dpiX, double dpiY) : dpiX_(dpiX), dpiY_(dpiY) { begin(device); }

QtCanvas::QtCanvas(QPainter& painter, double dpiX, double dpiY) : painter_(&painter), dpiX_(dpiX), dpiY_(dpiY) {
  if (!painter.isActive()) painter_ = nullptr;
  prepare();
}

QtCanvas::QtCanvas(MeasureOnlyTag, double dpi) : dpiX_(dpi), dpiY_(dpi) {}

QtCanvas::QtCanvas(QImage image, double dpiX, double dpiY) : image_(std::move(image)), dpiX_(dpiX), dpiY_(dpiY) {
  if (!image_.isNull()) begin(image_);
}

QtCanvas::~QtCanvas() { finish(); }

std::unique_ptr<QtCanvas> QtCanvas::measureOnly(double dpi) {
  return std::unique_ptr<QtCanvas>(new QtCanvas(MeasureOnlyTag{}, dpi));
}

std::unique_ptr<QtCanvas> QtCanvas::onBitmap(Bitmap& target, double dpiX, double dpiY) {
  QImage image;
  // Wrapping the bitmap's rows makes every stroke land in its memory.
  if (!target.empty())
    image = QImage(target.data(), target.width(), target.height(), target.stride(), QImage::Format_BGR888);
  return std::unique_ptr<QtCanvas>(new QtCanvas(std::move(image), dpiX, dpiY));
}

void QtCanvas::begin(QPaintDevice& device) {
  owned_ = std::make_unique<QPainter>();
  if (owned_->begin(&device)) {
    painter_ = owned_.get();
    prepare();
  } else {
    owned_.reset();
  }
}

void QtCanvas::finish() {
  flushText();
  if (owned_) owned_->end();
  owned_.reset();
  painter_ = nullptr;
}

void QtCanvas::prepare() {
  if (!painter_) return;
  // Rules and shapes crisp, as a device context draws them; text smooth.
  painter_->setRenderHint(QPainter::Antialiasing, false);
  painter_->setRenderHint(QPainter::TextAntialiasing, true);
  painter_->setBackgroundMode(Qt::TransparentMode);
  // Bitmaps go into a PDF as their pixels are (Qt would encode them as JPEG).
  if (storesImages()) painter_->setRenderHint(QPainter::LosslessImageRendering, true);
  holdText_ = storesImages();
  // A PDF has no pixels to hit: shapes keep whole coordinates, which the
  // file writes in a third of the bytes.
  shift_ = storesImages() ? 0 : kShift;
}

bool QtCanvas::storesImages() const {
  return painter_ && painter_->paintEngine() && painter_->paintEngine()->type() == QPaintEngine::Pdf;
}

const FaceMetrics& QtCanvas::face(const Font& f) {
  auto holds = [&f](const FaceSlot& s) {
    return s.face && s.bold == f.bold && s.italic == f.italic && s.name == f.name;
  };
  if (holds(faceSlots_[lastSlot_])) return *faceSlots_[lastSlot_].face;
  for (size_t i = 0; i < faceSlots_.size(); ++i)
    if (holds(faceSlots_[i])) {
      lastSlot_ = i;
      return *faceSlots_[i].face;
    }
  FaceSlot& s = faceSlots_[nextSlot_];
  s.face = &QtFonts::face(f);
  s.name = f.name;
  s.bold = f.bold;
  s.italic = f.italic;
  lastSlot_ = nextSlot_;
  nextSlot_ = (nextSlot_ + 1) % faceSlots_.size();
  return *s.face;
}

// ---- text ----

QtCanvas::GlyphLine QtCanvas::glyphLine(const Font& f, std::string_view s) {
  const QtFace& fc = static_cast<const QtFace&>(face(f));
  const double k = fc.emOf(f.height) / fc.unitsPerEm();
  GlyphLine line;
  for (size_t i = 0; i < s.size();) {
    size_t len;
    uint16_t code = charCodeAt(s, i, &len);
    i += len;
    double adv = fc.advanceUnits(code) * k;
    line.glyphs.push_back(fc.glyphIndex(code));
    line.faces.push_back(&fc.glyphFace(code));
    line.positions.push_back(QPointF(line.width, 0));
    line.advances.push_back(adv);
    line.turned.push_back(fc.file().vertical && code > 0xFF);
    line.width += adv;
  }
  return line;
}

// On a PDF, upright glyphs wait in one run per face, size and colour
// until something else is drawn: a formula's atoms then become a few text
// objects instead of one each (the file and its writing time shrink
// several times over). Text that overlaps other text keeps no order, which
// text of one colour does not show. No glyph line is built for it.
template <typename Each>
bool QtCanvas::holdUpright(const Font& f, int x, int y, Each each) {
  if (!holdText_ || f.escapement != 0 || f.underline || f.strikeOut) return false;
  const QtFace& fc = static_cast<const QtFace&>(face(f));
  bool upright = true;
  if (fc.file().vertical) each(fc, [&](uint16_t code, double) { upright = upright && code <= 0xFF; });
  if (!upright) return false;
  const double em = fc.emOf(f.height);
  // Formulas come glyph by glyph in a few faces and sizes: whether the
  // face draws at the size, and its ascent there, are kept for the last.
  if (&fc != holdFace_ || em != holdEm_) {
    holdFace_ = &fc;
    holdEm_ = em;
    holdDrawable_ = fc.drawingFont(em).isValid();
    holdAscent_ = fc.metrics(em).ascent;
  }
  if (!holdDrawable_) return true;
  const double baseline = y + holdAscent_;
  const QColor colour = toQColor(f.color);
  each(fc, [&](uint16_t code, double along) {
    HeldRun& run = heldRun(fc.glyphFace(code), em, colour, baseline);
    run.glyphs.push_back(fc.glyphIndex(code));
    run.positions.push_back(QPointF(x + along, baseline - run.baseline));
  });
  return true;
}

void QtCanvas::textOut(const Font& f, int x, int y, std::string_view s) {
  if (!painter_ || s.empty()) return;
  auto each = [&](const QtFace& fc, auto fn) {
    const double k = fc.emOf(f.height) / fc.unitsPerEm();
    double along = 0;
    for (size_t i = 0; i < s.size();) {
      size_t len;
      const uint16_t code = charCodeAt(s, i, &len);
      i += len;
      fn(code, along);
      along += fc.advanceUnits(code) * k;
    }
  };
  if (holdUpright(f, x, y, each)) return;
  drawGlyphLine(f, x, y, glyphLine(f, s));
}

// One glyph run for the whole set: drawing glyph by glyph costs a painter
// state change per glyph, which dominates page drawing (and PDF output).
void QtCanvas::textOutPlaced(const Font& f, int y, const std::vector<PlacedChar>& chars) {
  if (!painter_ || chars.empty()) return;
  const int left = chars.front().x;
  auto each = [&](const QtFace&, auto fn) {
    for (const PlacedChar& c : chars) fn(c.code, c.x - left);
  };
  if (holdUpright(f, left, y, each)) return;
  const QtFace& fc = static_cast<const QtFace&>(face(f));
  const double k = fc.emOf(f.height) / fc.unitsPerEm();
  const int x0 = chars.front().x;
  GlyphLine line;
  line.glyphs.reserve(qsizetype(chars.size()));
  line.positions.reserve(qsizetype(chars.size()));
  for (const PlacedChar& c : chars) {
    const double adv = fc.advanceUnits(c.code) * k;
    line.glyphs.push_back(fc.glyphIndex(c.code));
    line.faces.push_back(&fc.glyphFace(c.code));
    line.positions.push_back(QPointF(c.x - x0, 0));
    line.advances.push_back(adv);
    line.turned.push_back(fc.file().vertical && c.code > 0xFF);
    line.width = std::max(line.width, c.x - x0 + adv);
  }
  drawGlyphLine(f, x0, y, line);
}

// A run of glyphs of one face at one em, positions relative to the
// painter's origin (the baseline at y = 0). Synthetic styles are drawn here
// rather than left to the rasteriser, so that every device (and every
// size) gets the same treatment.
void QtCanvas::drawRun(const QtFace& from, double em, const QColor& colour, const QList<quint32>& g,
                       const QList<QPointF>& pos) {
  const QRawFont raw = from.drawingFont(em);
  if (g.isEmpty() || !raw.isValid()) return;
  QPainter& p = *painter_;
  const FaceFile& file = from.file();
  QGlyphRun run;
  run.setRawFont(raw);
  run.setGlyphIndexes(g);
  run.setPositions(pos);
  p.save();
  p.setPen(colour);
  if (file.synthItalic) p.setTransform(QTransform(1, 0, -kSyntheticSlant, 1, 0, 0), true);
  p.drawGlyphRun(QPointF(0, 0), run);
  if (file.synthBold) {
    // Bold from a regular face: the glyphs filled and their outlines
    // stroked with a thin pen, which thickens every stem alike.
    QPainterPath outline;
    for (qsizetype i = 0; i < g.size(); ++i) outline.addPath(from.glyphOutline(em, g[i]).translated(pos[i]));
    p.strokePath(outline, QPen(colour, std::max(0.5, em / 36.0), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  }
  p.restore();
}

void QtCanvas::drawGlyphLine(const Font& f, int x, int y, const GlyphLine& line) {
  const QtFace& fc = static_cast<const QtFace&>(face(f));
  const double em = fc.emOf(f.height);
  if (!fc.drawingFont(em).isValid()) return;
  const double k = em / fc.unitsPerEm();
  const TextMetrics tm = fc.metrics(em);
  const QColor colour = toQColor(f.color);
  auto faceOf = [&](qsizetype i) -> const QtFace& {
    return size_t(i) < line.faces.size() && line.faces[size_t(i)] ? *line.faces[size_t(i)] : fc;
  };

  // Text a PDF could hold was held before it came here (holdUpright).
  flushText();

  QPainter& p = *painter_;
  p.save();
  p.setRenderHint(QPainter::TextAntialiasing, true);
  p.translate(x, y);
  if (f.escapement != 0) p.rotate(-f.escapement / 10.0);  // Qt turns clockwise on screen
  p.translate(0, tm.ascent);                               // the baseline
  p.setPen(colour);

  // Upright glyphs in one run per face, in the order the faces first appear.
  std::vector<const QtFace*> order;
  for (qsizetype i = 0; i < line.glyphs.size(); ++i)
    if (!line.turned[size_t(i)] && std::find(order.begin(), order.end(), &faceOf(i)) == order.end())
      order.push_back(&faceOf(i));
  for (const QtFace* from : order) {
    QList<quint32> glyphs;
    QList<QPointF> at;
    for (qsizetype i = 0; i < line.glyphs.size(); ++i) {
      if (line.turned[size_t(i)] || &faceOf(i) != from) continue;
      glyphs.push_back(line.glyphs[i]);
      at.push_back(line.positions[i]);
    }
    drawRun(*from, em, colour, glyphs, at);
  }
  for (qsizetype i = 0; i < line.glyphs.size(); ++i) {
    if (!line.turned[size_t(i)]) continue;
    // Turned a quarter counter-clockwise about the centre of its cell, so
    // that it stands upright in text rotated a quarter clockwise.
    QPointF cellCentre(line.positions[i].x() + line.advances[size_t(i)] / 2, (tm.descent - tm.ascent) / 2.0);
    p.save();
    p.translate(cellCentre);
    p.rotate(-90);
    p.translate(-cellCentre);
    drawRun(faceOf(i), em, colour, {line.glyphs[i]}, {line.positions[i]});
    p.restore();
  }

  if (f.underline || f.strikeOut) {
    auto bar = [&](double topBelowBaseline, double thicknessUnits) {
      double h = std::max(1.0, std::round(thicknessUnits * k));
      p.fillRect(QRectF(0, std::round(topBelowBaseline), line.width, h), colour);
    };
    if (f.underline) bar(fc.underlineOffsetUnits() * k, fc.underlineThicknessUnits());
    if (f.strikeOut) bar(-(fc.strikeoutOffsetUnits() * k), fc.strikeoutThicknessUnits());
  }
  p.restore();
}

// A slanted face shears about its own baseline: its runs are kept per
// baseline; other faces mix baselines in one run.
QtCanvas::HeldRun& QtCanvas::heldRun(const QtFace& from, double em, const QColor& colour, double baseline) {
  const bool perBaseline = from.file().synthItalic;
  auto holds = [&](const HeldRun& r) {
    return r.face == &from && r.em == em && r.colour == colour && (!perBaseline || r.baseline == baseline);
  };
  // Mostly the run of the glyph before.
  if (lastRun_ < held_.size() && holds(held_[lastRun_])) return held_[lastRun_];
  for (lastRun_ = 0; lastRun_ < held_.size(); ++lastRun_)
    if (holds(held_[lastRun_])) return held_[lastRun_];
  held_.push_back(HeldRun{&from, em, colour, perBaseline ? baseline : 0.0, {}, {}});
  return held_.back();
}

void QtCanvas::flushText() {
  if (held_.empty() || !painter_) {
    held_.clear();
    return;
  }
  for (const HeldRun& r : held_) {
    // Runs on the page's own baseline need no move: a PDF writes every
    // change of the transformation out again with the clip.
    if (r.baseline == 0) {
      drawRun(*r.face, r.em, r.colour, r.glyphs, r.positions);
      continue;
    }
    painter_->save();
    painter_->translate(0, r.baseline);
    drawRun(*r.face, r.em, r.colour, r.glyphs, r.positions);
    painter_->restore();
  }
  held_.clear();
}

// Paint of the held text's own colour may go on before it: opaque paint of
// one colour gives the same page in either order. Anything else draws
// the held text first.
void QtCanvas::flushTextUnder(bool stroke, bool fill) {
  if (held_.empty()) return;
  const bool strokeSame = !stroke || pen_.style == PenStyle::Null || allHeldIn(pen_.color);
  const bool fillSame = !fill || brush_.style == BrushStyle::Clear ||
                        (brush_.style == BrushStyle::Solid && allHeldIn(brush_.color));
  if (!strokeSame || !fillSame) flushText();
}

void QtCanvas::flushTextUnder(Color paint) {
  if (!held_.empty() && !allHeldIn(paint)) flushText();
}

bool QtCanvas::allHeldIn(Color c) const {
  const QColor q = toQColor(c);
  return std::all_of(held_.begin(), held_.end(), [&](const HeldRun& r) { return r.colour == q; });
}

void QtCanvas::flush() { flushText(); }

// ---- pens and brushes ----

QPen QtCanvas::qPen() const {
  if (pen_.style == PenStyle::Null) return QPen(Qt::NoPen);
  const int w = std::max(1, pen_.width);
  QPen q(toQColor(pen_.color));
  q.setWidth(w);
  q.setJoinStyle(Qt::RoundJoin);
  // One-pixel lines stop short of their end point (flat caps); wide pens
  // have round ends.
  q.setCapStyle(w > 1 ? Qt::RoundCap : Qt::FlatCap);
  std::vector<qreal> dashes = dashPixels(pen_.style);
  if (!dashes.empty()) {
    // Qt measures dashes in pen widths: divide so they stay in pixels.
    QList<qreal> pattern;
    for (qreal d : dashes) pattern.push_back(d / w);
    q.setDashPattern(pattern);
    q.setCapStyle(Qt::FlatCap);
  }
  return q;
}

QBrush QtCanvas::qBrush() const {
  switch (brush_.style) {
    case BrushStyle::Clear:
      return QBrush(Qt::NoBrush);
    case BrushStyle::Hatched: {
      static constexpr Qt::BrushStyle kHatch[] = {Qt::HorPattern,   Qt::VerPattern,   Qt::FDiagPattern,
                                                  Qt::BDiagPattern, Qt::CrossPattern, Qt::DiagCrossPattern};
      int h = std::clamp(int(brush_.hatch), 0, 5);
      return QBrush(toQColor(brush_.color), kHatch[h]);
    }
    case BrushStyle::Pattern:
      if (brush_.pattern && !brush_.pattern->empty()) {
        // A kept image is the canvas's own; a wrapped one is copied, as the
        // brush may outlive the bitmap.
        bool fromJpeg = false;
        const QImage img = const_cast<QtCanvas*>(this)->imageOf(*brush_.pattern, std::nullopt, false, fromJpeg);
        return QBrush(storesImages() ? img : img.copy());
      }
      return QBrush(Qt::NoBrush);
    case BrushStyle::Solid:
      break;
  }
  return QBrush(toQColor(brush_.color));
}

QRectF QtCanvas::outlineBox(int l, int t, int r, int b) const {
  // The outline runs through the centres of the outermost pixels; an
  // inside-frame pen keeps all of its width within the box.
  double inset = 0;
  if (pen_.style == PenStyle::InsideFrame) inset = (std::max(1, pen_.width) - 1) / 2.0;
  return QRectF(centre(l + inset, t + inset), centre(r - 1 - inset, b - 1 - inset));
}

QPointF QtCanvas::centre(double x, double y) const { return QPointF(x + shift_, y + shift_); }

// The area of the pixels left..right-1, top..bottom-1.
QRectF QtCanvas::cells(int l, int t, int r, int b) const {
  return QRectF(centre(l - 0.5, t - 0.5), centre(r - 0.5, b - 0.5));
}

void QtCanvas::strokePath(const QPainterPath& path) {
  if (pen_.style == PenStyle::Null) return;
  if (storesImages()) {
    drawPathWith(qPen(), Qt::NoBrush, path);
    return;
  }
  painter_->strokePath(path, qPen());
}

// A PDF writes the pen and the brush out again whenever the painter's
// change: they are left set for the next shape, which mostly has the same.
// Every drawing call sets the pen and brush it draws with.
void QtCanvas::drawPathWith(const QPen& pen, const QBrush& brush, const QPainterPath& path) {
  painter_->setPen(pen);
  painter_->setBrush(brush);
  painter_->drawPath(path);
}

void QtCanvas::fillAndStroke(const QPainterPath& outline, const QPainterPath& fillOnly) {
  QBrush brush = qBrush();
  bool stroked = pen_.style != PenStyle::Null;
  if (storesImages()) {
    // One path filled and stroked: a PDF writes it once.
    if (stroked) drawPathWith(qPen(), brush, outline);
    else if (brush.style() != Qt::NoBrush) drawPathWith(QPen(Qt::NoPen), brush, fillOnly);
    return;
  }
  if (brush.style() != Qt::NoBrush) painter_->fillPath(stroked ? outline : fillOnly, brush);
  if (stroked) painter_->strokePath(outline, qPen());
}

// ---- lines ----

void QtCanvas::lineTo(int x, int y) {
  flushTextUnder(true, false);
  if (painter_ && pen_.style != PenStyle::Null && (x != pos_.x || y != pos_.y)) {
    QPainterPath path(centre(pos_.x, pos_.y));
    path.lineTo(centre(x, y));
    strokePath(path);
  }
  pos_ = {x, y};
}

void QtCanvas::polyline(const std::vector<Point>& pts) {
  flushTextUnder(true, false);
  if (!painter_ || pts.size() < 2) return;
  QPainterPath path(centre(pts[0].x, pts[0].y));
  for (size_t i = 1; i < pts.size(); ++i) path.lineTo(centre(pts[i].x, pts[i].y));
  strokePath(path);
}

void QtCanvas::polygon(const std::vector<Point>& pts) {
  flushTextUnder(true, true);
  if (!painter_ || pts.size() < 2) return;
  // Vertices are pixel centres: the fill takes the pixels inside and, with
  // the half-open sampling, leaves out the right and bottom edges that the
  // outline then covers.
  QPolygonF outline;
  for (const Point& pt : pts) outline << centre(pt.x, pt.y);
  QPainterPath o;
  o.setFillRule(Qt::OddEvenFill);
  o.addPolygon(outline);
  o.closeSubpath();
  fillAndStroke(o, o);
}

void QtCanvas::bezierPolygon(const std::vector<Point>& pts) {
  flushTextUnder(true, true);
  if (!painter_ || pts.size() < 4) return;
  QPainterPath o(centre(pts[0].x, pts[0].y));
  o.setFillRule(Qt::OddEvenFill);
  for (size_t i = 1; i + 2 < pts.size(); i += 3)
    o.cubicTo(centre(pts[i].x, pts[i].y), centre(pts[i + 1].x, pts[i + 1].y), centre(pts[i + 2].x, pts[i + 2].y));
  o.closeSubpath();
  fillAndStroke(o, o);
}

// ---- boxed shapes ----

void QtCanvas::rectangle(int l, int t, int r, int b) {
  flushTextUnder(true, true);
  if (!painter_) return;
  normalise(l, t, r, b);
  if (r == l || b == t) return;
  QPainterPath o, f;
  o.addRect(outlineBox(l, t, r, b));
  f.addRect(cells(l, t, r, b));
  fillAndStroke(o, f);
}

void QtCanvas::roundRect(int l, int t, int r, int b, int ew, int eh) {
  flushTextUnder(true, true);
  if (!painter_) return;
  normalise(l, t, r, b);
  if (r == l || b == t) return;
  QPainterPath o, f;
  o.addRoundedRect(outlineBox(l, t, r, b), std::abs(ew) / 2.0, std::abs(eh) / 2.0);
  f.addRoundedRect(cells(l, t, r, b), std::abs(ew) / 2.0, std::abs(eh) / 2.0);
  fillAndStroke(o, f);
}

void QtCanvas::ellipse(int l, int t, int r, int b) {
  flushTextUnder(true, true);
  if (!painter_) return;
  normalise(l, t, r, b);
  if (r == l || b == t) return;
  QPainterPath o, f;
  o.addEllipse(outlineBox(l, t, r, b));
  f.addEllipse(cells(l, t, r, b));
  fillAndStroke(o, f);
}

// kind: 0 arc, 1 pie, 2 chord.
void QtCanvas::arcPath(QPainterPath& path, int kind, int l, int t, int r, int b, int x1, int y1, int x2,
                       int y2) const {
  QRectF box = outlineBox(l, t, r, b);
  QPointF c = box.center();
  double a = std::max(box.width() / 2, 0.5), e = std::max(box.height() / 2, 0.5);
  // Qt's angles are parametric on the ellipse: the angle of a radial point
  // is that of its direction in coordinates normalised by the axes.
  auto angle = [&](int x, int y) {
    QPointF d = centre(x, y) - c;
    return std::atan2(-d.y() / e, d.x() / a) * 180 / std::numbers::pi;
  };
  double start = angle(x1, y1);
  double span = angle(x2, y2) - start;
  while (span <= 1e-9) span += 360;  // equal points: the whole ellipse
  if (kind == 1) {
    path.moveTo(c);
    path.arcTo(box, start, span);
    path.closeSubpath();
  } else {
    path.arcMoveTo(box, start);
    path.arcTo(box, start, span);
    if (kind == 2) path.closeSubpath();
  }
}

void QtCanvas::arc(int l, int t, int r, int b, int x1, int y1, int x2, int y2) {
  flushTextUnder(true, false);
  if (!painter_) return;
  normalise(l, t, r, b);
  if (r == l || b == t) return;
  QPainterPath path;
  arcPath(path, 0, l, t, r, b, x1, y1, x2, y2);
  strokePath(path);
}

void QtCanvas::pie(int l, int t, int r, int b, int x1, int y1, int x2, int y2) {
  flushTextUnder(true, true);
  if (!painter_) return;
  normalise(l, t, r, b);
  if (r == l || b == t) return;
  QPainterPath path;
  arcPath(path, 1, l, t, r, b, x1, y1, x2, y2);
  fillAndStroke(path, path);
}

void QtCanvas::chord(int l, int t, int r, int b, int x1, int y1, int x2, int y2) {
  flushTextUnder(true, true);
  if (!painter_) return;
  normalise(l, t, r, b);
  if (r == l || b == t) return;
  QPainterPath path;
  arcPath(path, 2, l, t, r, b, x1, y1, x2, y2);
  fillAndStroke(path, path);
}

// ---- fills and clipping ----

void QtCanvas::fillRect(int l, int t, int r, int b, Color c) {
  flushTextUnder(c);
  if (!painter_) return;
  normalise(l, t, r, b);
  if (r == l || b == t) return;
  painter_->fillRect(QRect(l, t, r - l, b - t), toQColor(c));
}

void QtCanvas::fillRegion(const Region& r, Color c) {
  flushTextUnder(c);
  if (!painter_) return;
  QColor colour = toQColor(c);
  // A PDF takes the shape as one path: the pixel rows of a curved region
  // would be written out as hundreds of rectangles.
  if (storesImages()) {
    painter_->fillPath(toQPath(r), colour);
    return;
  }
  for (const QRect& rect : toQRegion(r)) painter_->fillRect(rect, colour);
}

void QtCanvas::setClip(const std::optional<Region>& r) {
  // Held-back text must be drawn under the clip it was set under; with no
  // clip before and after there is nothing to draw early (a formula's
  // vector arrow would otherwise cut the page's text runs).
  if (!r && !clip_) return;
  flushText();
  Canvas::setClip(r);
  if (!painter_) return;
  if (r && storesImages()) {
    // An intersection goes out as successive clips, which a PDF intersects
    // itself: working it out here (curves against the figure box) costs
    // far more than the page.
    std::vector<const Region::Node*> parts;
    AndParts(r->node(), parts);
    for (size_t i = 0; i < parts.size(); ++i)
      painter_->setClipPath(toQPath(*parts[i]), i == 0 ? Qt::ReplaceClip : Qt::IntersectClip);
  }
  else if (r) painter_->setClipRegion(toQRegion(*r));
  else painter_->setClipping(false);
}

QPainterPath QtCanvas::toQPath(const Region& region) { return toQPath(region.node()); }

QPainterPath QtCanvas::toQPath(const Region::Node& node) {
  struct Walk {
    static QPainterPath of(const Region::Node& n) {
      int l = n.left, t = n.top, r = n.right, b = n.bottom;
      normalise(l, t, r, b);
      const QRectF box(l, t, r - l, b - t);
      QPainterPath path;
      switch (n.shape) {
        case Region::Shape::Empty:
          break;
        case Region::Shape::Rect:
          if (!box.isEmpty()) path.addRect(box);
          break;
        case Region::Shape::Ellipse:
          if (!box.isEmpty()) path.addEllipse(box);
          break;
        case Region::Shape::RoundRect:
          if (!box.isEmpty()) path.addRoundedRect(box, std::abs(n.ellipseW) / 2.0, std::abs(n.ellipseH) / 2.0);
          break;
        case Region::Shape::Polygon: {
          QPolygonF poly;
          for (const RegionPoint& p : n.points) poly << QPointF(p.x, p.y);
          path.addPolygon(poly);
          path.closeSubpath();
          path.setFillRule(Qt::OddEvenFill);
          break;
        }
        case Region::Shape::Combined: {
          const QPainterPath a = n.a ? of(*n.a) : QPainterPath(), c = n.b ? of(*n.b) : QPainterPath();
          switch (n.op) {
            case Region::Op::And: return a.intersected(c);
            case Region::Op::Diff: return a.subtracted(c);
            case Region::Op::Xor: return a.united(c).subtracted(a.intersected(c));
            case Region::Op::Or: return a.united(c);
          }
          return a;
        }
      }
      return path;
    }
  };
  return Walk::of(node);
}

QRegion QtCanvas::toQRegion(const Region& region) {
  struct Walk {
    static QRegion of(const Region::Node& n) {
      int l = n.left, t = n.top, r = n.right, b = n.bottom;
      normalise(l, t, r, b);
      QRect box(l, t, r - l, b - t);
      switch (n.shape) {
        case Region::Shape::Empty:
          return {};
        case Region::Shape::Rect:
          return QRegion(box);
        case Region::Shape::Ellipse:
          return box.isEmpty() ? QRegion() : QRegion(box, QRegion::Ellipse);
        case Region::Shape::RoundRect: {
          if (box.isEmpty()) return {};
          QPainterPath path;
          path.addRoundedRect(QRectF(box), std::abs(n.ellipseW) / 2.0, std::abs(n.ellipseH) / 2.0);
          return QRegion(path.toFillPolygon().toPolygon());
        }
        case Region::Shape::Polygon: {
          QPolygon poly;
          for (const RegionPoint& p : n.points) poly << QPoint(p.x, p.y);
          return QRegion(poly, Qt::OddEvenFill);
        }
        case Region::Shape::Combined: {
          QRegion a = n.a ? of(*n.a) : QRegion(), b = n.b ? of(*n.b) : QRegion();
          switch (n.op) {
            case Region::Op::And: return a.intersected(b);
            case Region::Op::Diff: return a.subtracted(b);
            case Region::Op::Xor: return a.xored(b);
            case Region::Op::Or: return a.united(b);
          }
          return a;
        }
      }
      return {};
    }
  };
  return Walk::of(region.node());
}

// ---- bitmaps ----

QImage QtCanvas::toQImage(const Bitmap& b, std::optional<Color> transparent) {
  if (b.empty()) return {};
  QImage wrapped(b.data(), b.width(), b.height(), b.stride(), QImage::Format_BGR888);
  if (!transparent) return wrapped;
  QImage img = wrapped.convertToFormat(QImage::Format_ARGB32);
  const QRgb key = qRgb(redOf(*transparent), greenOf(*transparent), blueOf(*transparent));
  for (int y = 0; y < img.height(); ++y) {
    QRgb* row = reinterpret_cast<QRgb*>(img.scanLine(y));
    for (int x = 0; x < img.width(); ++x)
      if ((row[x] & 0xFFFFFF) == (key & 0xFFFFFF)) row[x] = 0;
  }
  return img;
}

namespace {

// FNV-1a over 64-bit words of the pixel rows, the size and the key colour.
uint64_t contentHash(const Bitmap& b, std::optional<Color> transparent) {
  uint64_t h = 1469598103934665603ull;
  auto mix = [&](uint64_t v) { h = (h ^ v) * 1099511628211ull; };
  mix(uint64_t(b.width()) << 32 | uint32_t(b.height()));
  mix(transparent ? 0x1000000ull | *transparent : 0);
  const size_t rowBytes = size_t(b.width()) * 3;
  for (int y = 0; y < b.height(); ++y) {
    const uint8_t* r = b.row(y);
    size_t i = 0;
    for (; i + 8 <= rowBytes; i += 8) {
      uint64_t v;
      std::memcpy(&v, r + i, 8);
      mix(v);
    }
    for (; i < rowBytes; ++i) mix(r[i]);
  }
  return h;
}

bool samePixels(const QImage& source, const Bitmap& b) {
  if (source.width() != b.width() || source.height() != b.height()) return false;
  const size_t rowBytes = size_t(b.width()) * 3;
  for (int y = 0; y < b.height(); ++y)
    if (std::memcmp(source.constScanLine(y), b.row(y), rowBytes) != 0) return false;
  return true;
}

// Images kept for a PDF beyond this are forgotten (drawn again, they are
// stored again).
constexpr size_t kMaxStoredBytes = size_t(512) << 20;

}  // namespace

QImage QtCanvas::imageOf(const Bitmap& b, std::optional<Color> transparent, bool mayKeepJpeg, bool& fromJpeg) {
  fromJpeg = false;
  if (!storesImages()) return toQImage(b, transparent);
  // One QImage per content: Qt's PDF engine stores an image once per
  // QImage and reuses the object for every later drawing of it.
  const uint64_t key = contentHash(b, transparent);
  std::vector<StoredImage>& same = stored_[key];
  for (const StoredImage& s : same)
    if (samePixels(s.source, b)) {
      fromJpeg = s.fromJpeg;
      return s.image;
    }
  StoredImage s;
  s.source = toQImage(b).copy();
  s.image = transparent ? toQImage(b, transparent) : s.source;
  s.fromJpeg = mayKeepJpeg && jpegLog_ && b.jpegSource();
  if (s.fromJpeg) jpegLog_->add(b.jpegSource(), b.width(), b.height());
  const size_t bytes = size_t(s.source.sizeInBytes()) + (transparent ? size_t(s.image.sizeInBytes()) : 0);
  if (storedBytes_ + bytes > kMaxStoredBytes) {
    stored_.clear();
    storedBytes_ = 0;
  }
  storedBytes_ += bytes;
  fromJpeg = s.fromJpeg;
  QImage image = s.image;
  stored_[key].push_back(std::move(s));
  return image;
}

void QtCanvas::drawBitmap(int x, int y, const Bitmap& b, std::optional<Color> transparent) {
  if (!painter_ || b.empty()) return;
  stretchBitmap(b, x, y, x + b.width(), y + b.height(), transparent);
}

void QtCanvas::stretchBitmap(const Bitmap& b, int l, int t, int r, int bm, std::optional<Color> transparent) {
  flushText();
  if (!painter_ || b.empty() || r == l || bm == t) return;
  bool fromJpeg = false;
  const QImage img = imageOf(b, transparent, true, fromJpeg);
  // Reversed extents mirror the image.
  const bool flipX = r < l, flipY = bm < t;
  normalise(l, t, r, bm);
  painter_->save();
  // Pixel-exact, as a stretched bitmap is: each device pixel takes the
  // nearest source pixel.
  painter_->setRenderHint(QPainter::SmoothPixmapTransform, false);
  if (fromJpeg) painter_->setRenderHint(QPainter::LosslessImageRendering, false);
  if (flipX || flipY)
    painter_->setTransform(QTransform(flipX ? -1 : 1, 0, 0, flipY ? -1 : 1, flipX ? l + r : 0, flipY ? t + bm : 0),
                           true);
  painter_->drawImage(QRect(l, t, r - l, bm - t), img);
  painter_->restore();
}

void QtCanvas::tileBitmap(const Bitmap& b, int left, int top, int right, int bottom, double originX, double originY,
                          double tileW, double tileH, std::optional<Color> transparent) {
  flushText();
  if (!painter_ || b.empty() || right <= left || bottom <= top || !(tileW > 0) || !(tileH > 0)) return;
  bool fromJpeg = false;
  // One texture brush: the image is kept once and the surface repeats it
  // (a tiling pattern in a PDF).
  QBrush brush(imageOf(b, transparent, false, fromJpeg));
  brush.setTransform(QTransform(tileW / b.width(), 0, 0, tileH / b.height(), originX, originY));
  painter_->save();
  painter_->setRenderHint(QPainter::SmoothPixmapTransform, false);
  painter_->fillRect(QRect(left, top, right - left, bottom - top), brush);
  painter_->restore();
}

std::unique_ptr<Canvas> QtCanvas::createBitmapCanvas(Bitmap& target) { return onBitmap(target, dpiX_, dpiY_); }

}  // namespace vel
