#include "cli/Output.h"

#include <QDir>
#include <QImage>
#include <cstdio>
#include <optional>

#include "canvas/qt/QtCanvas.h"
#include "base/AtomicFile.h"
#include "layout/fonts/Fonts.h"
#include "layout/drawing/SheetDrawing.h"
#include "shell/Printing.h"

namespace vel {

// The PDF is printed: the same job as the desktop program's print command,
// on a PDF writer whose printable area is the whole paper.
bool WritePdf(Engine& engine, const std::string& path, SheetRange range, const std::string& fileName,
              PdfStructure* structureLater) {
  State* st = engine.state();
  if (!st) return false;
  // The job titles the file after the document's own name.
  const std::string name = st->fileName;
  st->fileName = fileName;
  PdfPrintDevice pdf(path, st->geo.paperWidthMM, st->geo.paperHeightMM);
  if (structureLater) pdf.leaveStructure();
  PrintRange r;
  r.first = range.first;
  r.last = range.last;
  PrintResult result = PrintSheets(engine, pdf, r);
  st->fileName = name;
  if (structureLater) *structureLater = pdf.structure();
  return result == PrintResult::Done;
}

// PNG pages are drawn as the viewer draws them: at dpi x zoom, on white
// paper the size of the document's paper.
bool WritePngs(Engine& engine, const std::string& dir, SheetRange range, double dpi, double zoom) {
  State* st = engine.state();
  if (!st) return false;
  QDir().mkpath(QString::fromStdString(dir));
  const double k = dpi * zoom / 25.4;
  const int w = static_cast<int>(st->geo.paperWidthMM * k);
  const int h = static_cast<int>(st->geo.paperHeightMM * k);
  Canvas* const savedCanvas = st->canvas;
  const DrawState savedDraw = st->draw;
  const std::optional<Region> savedRegion = st->geo.fullRegion;
  bool ok = true;
  for (int sheet = range.first; ok && sheet <= range.last; ++sheet) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::white);
    img.setDotsPerMeterX(static_cast<int>(dpi * zoom / 0.0254 + 0.5));
    img.setDotsPerMeterY(static_cast<int>(dpi * zoom / 0.0254 + 0.5));
    {
      QtCanvas canvas(static_cast<QPaintDevice&>(img), dpi * zoom, dpi * zoom);
      SetDrawTarget(*st, DrawTarget{&canvas, dpi, zoom, false});
      DrawSheet(*st, sheet);
    }
    char name[32];
    std::snprintf(name, sizeof name, "/sheet-%03d.png", sheet);
    ok = WriteBeside(dir + name, [&](const std::string& tmp) { return img.save(QString::fromStdString(tmp), "PNG"); });
  }
  st->canvas = savedCanvas;
  st->draw = savedDraw;
  st->geo.fullRegion = savedRegion;
  SetBigNormalHeight(*st, st->chr.styleLevel);
  return ok;
}

}  // namespace vel
