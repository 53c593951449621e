// Printing a range of sheets. The print job (the body of the print timer)
// is written against a small printer interface with three
// implementations: a QPrinter (the desktop program's print dialog: any
// CUPS printer or a PDF file), a PDF writer (veldris-render --pdf) and a
// recording printer for tests.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "canvas/Canvas.h"
#include "canvas/FakeCanvas.h"
#include "driver/Engine.h"
#include "shell/PdfStructure.h"

class QPrinter;
class QPdfWriter;
class QPainter;

namespace vel {

class QtCanvas;
class PdfJpegLog;

// What printing needs of a printer.
class PrintDevice {
 public:
  virtual ~PrintDevice() = default;
  // Copies the printer makes of each page; set before the document begins.
  virtual void setCopies(int copies) = 0;
  // Starts the job with its title (UTF-8).
  virtual bool beginDocument(const std::string& title) = 0;
  virtual bool newPage() = 0;
  virtual bool endDocument() = 0;
  // Drops the job: nothing of it is printed.
  virtual void abortDocument() = 0;
  // Device pixels per inch, and the offset of the printable area from the
  // paper's corner in those pixels (the printer's origin).
  virtual double resolution() const = 0;
  virtual int offsetX() const = 0;
  virtual int offsetY() const = 0;
  // The surface of the current page; valid between begin and end.
  virtual Canvas& canvas() = 0;
  // The outline, page labels and links of the sheets about to be printed,
  // given before the document begins; a device that writes a PDF file
  // adds them to it, a printer has no use for them.
  virtual void setStructure(const PdfStructure&) {}
};

struct PrintRange {
  int first = 1;  // sheets, 1-based, inclusive
  int last = 1;
  int copies = 1;
  bool collate = false;  // repeat the whole range per copy
};

enum class PrintResult { Done, Cancelled, NothingToPrint, Failed };

struct PrintHooks {
  // Read before every page but the last of the range; true aborts the job.
  std::function<bool()> cancelRequested;
  // Called with the sheet number before the sheet is drawn.
  std::function<void(int sheet)> pageStarting;
};

// The print job: sends sheets first..last of the last good run to the
// device, switching the drawing state to the printer (resolution, pen
// bias 0.99, margins shifted by the printable-area offset) and back.
PrintResult PrintSheets(Engine& engine, PrintDevice& device, const PrintRange& range, const PrintHooks& hooks = {});

// True while a job draws pages: the viewer's refresh, re-typesetting and
// file opening must wait until it ends (they would draw on the printer or
// replace the pages being printed).
bool PrintJobRunning(Engine& engine);

// Texts (CP932): the progress window's page label "(" + n + "ページ)" and the
// message when there is nothing to print.
std::string PrintPageText(int sheet);
const std::string& NothingToPrintText();
// "VELDRIS(" + file name + ")", the job's title (UTF-8).
std::string PrintJobTitle(const std::string& fileName);

// A QPrinter configured by the print dialog. A printer writing a PDF file
// gets the document's paper size when one is given.
class QtPrintDevice final : public PrintDevice {
 public:
  explicit QtPrintDevice(QPrinter& printer, double paperWidthMM = 0, double paperHeightMM = 0);
  ~QtPrintDevice() override;
  void setCopies(int copies) override;
  bool beginDocument(const std::string& title) override;
  bool newPage() override;
  bool endDocument() override;
  void abortDocument() override;
  double resolution() const override;
  int offsetX() const override;
  int offsetY() const override;
  Canvas& canvas() override;
  void setStructure(const PdfStructure& s) override { structure_ = s; }

 private:
  QPrinter& printer_;
  double paperW_, paperH_;
  PdfStructure structure_;
  std::unique_ptr<QPainter> painter_;
  std::unique_ptr<QtCanvas> canvas_;
};

// A PDF file of the document's paper size, fonts embedded.
class PdfPrintDevice final : public PrintDevice {
 public:
  PdfPrintDevice(std::string path, double paperWidthMM, double paperHeightMM, int dpi = 1200);
  ~PdfPrintDevice() override;
  void setCopies(int) override {}  // a file holds each page once
  bool beginDocument(const std::string& title) override;
  bool newPage() override;
  bool endDocument() override;
  void abortDocument() override;
  double resolution() const override { return dpi_; }
  int offsetX() const override { return 0; }
  int offsetY() const override { return 0; }
  Canvas& canvas() override;
  void setStructure(const PdfStructure& s) override { structure_ = s; }
  // The outline, labels and links are left for the caller to add
  // (AddPdfStructure) once it has let go of the pages: the rewrite reads
  // the whole file, and the run's words would otherwise still be held.
  void leaveStructure() { structureLeft_ = true; }
  const PdfStructure& structure() const { return structure_; }

 private:
  std::string path_;
  PdfStructure structure_;
  bool structureLeft_ = false;
  double paperW_, paperH_;
  int dpi_;
  std::unique_ptr<QPdfWriter> writer_;
  std::unique_ptr<QPainter> painter_;
  std::unique_ptr<QtCanvas> canvas_;
  std::unique_ptr<PdfJpegLog> jpegs_;  // JPEG files drawn, stored as they are when the file is done
};

// Records the job: the calls made of it and, at each page end, the
// drawing calls of the page (FakeCanvas log lines).
class RecordingPrintDevice final : public PrintDevice {
 public:
  explicit RecordingPrintDevice(double dpi = 600, int offsetX = 0, int offsetY = 0)
      : dpi_(dpi), offX_(offsetX), offY_(offsetY), canvas_(dpi) {}
  void setCopies(int copies) override { events.push_back("copies " + std::to_string(copies)); }
  bool beginDocument(const std::string& title) override;
  bool newPage() override;
  bool endDocument() override;
  void abortDocument() override;
  double resolution() const override { return dpi_; }
  int offsetX() const override { return offX_; }
  int offsetY() const override { return offY_; }
  Canvas& canvas() override { return canvas_; }

  std::vector<std::string> events;
  // The drawing calls of each finished page.
  std::vector<std::vector<std::string>> pages;

 private:
  void closePage();
  double dpi_;
  int offX_, offY_;
  FakeCanvas canvas_;
};

}  // namespace vel
