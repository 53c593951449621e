#include "shell/Printing.h"

#include <QFile>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <zlib.h>

#include <algorithm>

#include "base/Cp932.h"
#include "canvas/qt/PdfImages.h"
#include "canvas/qt/QtCanvas.h"
#include "layout/drawing/SheetDrawing.h"

// Qt's PDF writer deflates each page's content at zlib's default level,
// which took a quarter of a long document's run; the fastest level costs a
// fifth more bytes (text pages are small either way). The programs export
// this symbol, so Qt's calls reach it; a level asked for explicitly stays.
extern "C" int deflateInit_(z_streamp stream, int level, const char* version, int streamSize) {
  if (level == Z_DEFAULT_COMPRESSION) level = Z_BEST_SPEED;
  return deflateInit2_(stream, level, Z_DEFLATED, MAX_WBITS, 8, Z_DEFAULT_STRATEGY, version, streamSize);
}

namespace vel {

namespace {

QPageSize paperOf(double widthMM, double heightMM) {
  return QPageSize(QSizeF(widthMM, heightMM), QPageSize::Millimeter, QString(), QPageSize::ExactMatch);
}

}  // namespace

std::string PrintPageText(int sheet) { return "(" + std::to_string(sheet) + SJ("ページ)"); }

const std::string& NothingToPrintText() { return SJ("印刷するデータがありません。"); }

std::string PrintJobTitle(const std::string& fileName) { return "VELDRIS(" + fileName + ")"; }

bool PrintJobRunning(Engine& engine) {
  State* st = engine.state();
  return st && st->draw.printing;
}

PrintResult PrintSheets(Engine& engine, PrintDevice& device, const PrintRange& range, const PrintHooks& hooks) {
  State* st = engine.state();
  const int sheets = st ? st->col.sheets : 0;
  if (!st || sheets <= 0) return PrintResult::NothingToPrint;
  const int first = std::clamp(range.first, 1, sheets);
  const int last = std::clamp(range.last, first, sheets);

  // Collated copies repeat the range; otherwise the printer copies each page.
  int rounds = 1;
  if (range.collate) {
    device.setCopies(1);
    rounds = std::max(1, range.copies);
  } else {
    device.setCopies(std::max(1, range.copies));
  }
  // Read before the printer's offsets shift the margins: positions on the paper.
  device.setStructure(MakePdfStructure(*st, first, last));
  if (!device.beginDocument(PrintJobTitle(st->fileName))) return PrintResult::Failed;

  PrinterScope printer(*st, device.canvas(), device.resolution(), device.offsetX(), device.offsetY());
  for (int round = 0; round < rounds; ++round) {
    if (round > 0 && !device.newPage()) {
      device.abortDocument();
      return PrintResult::Failed;
    }
    for (int sheet = first; sheet <= last; ++sheet) {
      // A page that has started is finished; the request is read before
      // the next one, and not before the last page of the range.
      if (sheet != last && hooks.cancelRequested && hooks.cancelRequested()) {
        device.abortDocument();
        return PrintResult::Cancelled;
      }
      if (hooks.pageStarting) hooks.pageStarting(sheet);
      DrawSheet(*st, sheet);
      if (sheet != last && !device.newPage()) {
        device.abortDocument();
        return PrintResult::Failed;
      }
    }
  }
  return device.endDocument() ? PrintResult::Done : PrintResult::Failed;
}

// ---------------------------------------------------------------- QPrinter

QtPrintDevice::QtPrintDevice(QPrinter& printer, double paperWidthMM, double paperHeightMM)
    : printer_(printer), paperW_(paperWidthMM), paperH_(paperHeightMM) {}

QtPrintDevice::~QtPrintDevice() {
  canvas_.reset();
  if (painter_ && painter_->isActive()) painter_->end();
}

void QtPrintDevice::setCopies(int copies) { printer_.setCopyCount(copies); }

bool QtPrintDevice::beginDocument(const std::string& title) {
  printer_.setDocName(QString::fromStdString(title));
  if (printer_.outputFormat() == QPrinter::PdfFormat && paperW_ > 0 && paperH_ > 0)
    printer_.setPageSize(paperOf(paperW_, paperH_));
  painter_ = std::make_unique<QPainter>();
  if (!painter_->begin(&printer_)) {
    painter_.reset();
    return false;
  }
  const double dpi = printer_.resolution();
  canvas_ = std::make_unique<QtCanvas>(*painter_, dpi, dpi);
  return true;
}

bool QtPrintDevice::newPage() {
  if (canvas_) canvas_->flush();
  return printer_.newPage();
}

bool QtPrintDevice::endDocument() {
  canvas_.reset();
  if (!painter_ || !painter_->end()) return false;
  // Printing to a PDF file: the file gets the document's structure (a
  // file that cannot be rewritten keeps what Qt wrote).
  if (printer_.outputFormat() == QPrinter::PdfFormat && !printer_.outputFileName().isEmpty())
    (void)AddPdfStructure(QFile::encodeName(printer_.outputFileName()).toStdString(), structure_);
  return true;
}

void QtPrintDevice::abortDocument() {
  printer_.abort();
  canvas_.reset();
  if (painter_ && painter_->isActive()) painter_->end();
  // A printer that writes a file cannot take back what it wrote: a
  // cancelled job must not leave half a document behind.
  if (!printer_.outputFileName().isEmpty()) QFile::remove(printer_.outputFileName());
}

double QtPrintDevice::resolution() const { return printer_.resolution(); }

// The painter's origin is the corner of the printable area unless the
// printer was set to the full page.
int QtPrintDevice::offsetX() const {
  if (printer_.fullPage()) return 0;
  return printer_.pageLayout().paintRectPixels(printer_.resolution()).left();
}

int QtPrintDevice::offsetY() const {
  if (printer_.fullPage()) return 0;
  return printer_.pageLayout().paintRectPixels(printer_.resolution()).top();
}

Canvas& QtPrintDevice::canvas() { return *canvas_; }

// ---------------------------------------------------------------- PDF

PdfPrintDevice::PdfPrintDevice(std::string path, double paperWidthMM, double paperHeightMM, int dpi)
    : path_(std::move(path)), paperW_(paperWidthMM), paperH_(paperHeightMM), dpi_(dpi) {}

PdfPrintDevice::~PdfPrintDevice() {
  canvas_.reset();
  if (painter_ && painter_->isActive()) painter_->end();
}

bool PdfPrintDevice::beginDocument(const std::string& title) {
  writer_ = std::make_unique<QPdfWriter>(QString::fromStdString(path_));
  writer_->setTitle(QString::fromStdString(title));
  writer_->setCreator(QStringLiteral("VELDRIS"));
  writer_->setResolution(dpi_);
  writer_->setPageLayout(QPageLayout(paperOf(paperW_, paperH_), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
  painter_ = std::make_unique<QPainter>();
  if (!painter_->begin(writer_.get())) {
    painter_.reset();
    return false;
  }
  canvas_ = std::make_unique<QtCanvas>(*painter_, dpi_, dpi_);
  jpegs_ = std::make_unique<PdfJpegLog>();
  canvas_->keepJpegFiles(jpegs_.get());
  return true;
}

bool PdfPrintDevice::newPage() {
  if (canvas_) canvas_->flush();
  return writer_ && writer_->newPage();
}

bool PdfPrintDevice::endDocument() {
  canvas_.reset();
  if (!painter_ || !painter_->end()) return false;
  // Qt has encoded the JPEG files' pixels again: the file gets their own
  // data (or, should that fail, keeps Qt's).
  if (jpegs_) (void)StoreJpegFilesAsIs(QString::fromStdString(path_), *jpegs_);
  // Then the outline, page labels, links and document information (a file
  // that cannot be rewritten keeps what Qt wrote).
  if (!structureLeft_) (void)AddPdfStructure(path_, structure_);
  return true;
}

void PdfPrintDevice::abortDocument() {
  canvas_.reset();
  if (painter_ && painter_->isActive()) painter_->end();
  writer_.reset();
  QFile::remove(QString::fromStdString(path_));
}

Canvas& PdfPrintDevice::canvas() { return *canvas_; }

// ---------------------------------------------------------------- recording

bool RecordingPrintDevice::beginDocument(const std::string& title) {
  events.push_back("begin " + title);
  canvas_.clearLog();
  return true;
}

void RecordingPrintDevice::closePage() {
  pages.push_back(canvas_.log());
  canvas_.clearLog();
}

bool RecordingPrintDevice::newPage() {
  closePage();
  events.push_back("newpage");
  return true;
}

bool RecordingPrintDevice::endDocument() {
  closePage();
  events.push_back("end");
  return true;
}

void RecordingPrintDevice::abortDocument() {
  closePage();
  events.push_back("abort");
}

}  // namespace vel
