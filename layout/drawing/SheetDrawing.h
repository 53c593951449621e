// Drawing typeset sheets: the entry the viewer, the printer and the
// command-line output share, the device rounding rules, the running
// headers and footers, and the window caption.
#pragma once

#include <cmath>
#include <string>

#include "state/State.h"

namespace vel {

// Where a sheet is drawn: a surface and its resolution. The viewer draws
// at the screen's resolution times its zoom; a printer at its own
// resolution, zoom 1, with the wider pen bias.
struct DrawTarget {
  Canvas* canvas = nullptr;
  double dpi = 96;  // device pixels per inch
  double zoom = 1;  // display magnification (ignored when printing)
  bool printing = false;
};

// Makes `t` the state's drawing surface and scale: S = dpi x zoom / 20000
// (zoom 1 when printing), pen bias 0.5 on screen and 0.99 when printing,
// the current font's device height re-derived.
void SetDrawTarget(State& st, const DrawTarget& t);

// Draws sheet `sheet` (1-based, clamped) on the state's current surface.
// Whatever was drawn before, the sheet starts from its own page snapshot
// and the state is left as the run left it.
void DrawSheet(State& st, int sheet);

// The caption of the main window after a sheet was drawn:
// "VELDRIS2(" + path + ")　" + SheetLabel(...). CP932.
std::string SheetCaption(const std::string& documentPath, double zoom, int sheet, int sheets);
// "(表示倍率 NN%) " (only when zoom is not 1) + sheet + "/" + sheets + " ".
std::string SheetLabel(double zoom, int sheet, int sheets);

// Draws the header, footer and page number of the page whose first column
// is `column`; nothing for other columns.
void WriteHeaderFooter(State& st, int column);

// Where a column's lines are drawn: the left edge of column `column`
// (0-based through the document) and the top of its first line, below the
// floats at the top of its page and of itself.
int ColumnLeft(const State& st, int column);
int ColumnFirstLineTop(const State& st, int column);

// The page number text of page index p (0-based) and whether p is a
// front-matter page (numbered in Roman numerals); `number` receives the
// arabic page number (meaningful when not front matter).
std::string PageNumberText(const State& st, int pageIndex, bool& frontMatter, int& number);

// ---- device rounding ----
// Text positions and the end points of rules and lines.
inline int DevicePos(const State& st, double v) { return static_cast<int>(std::trunc(v * st.draw.scale + 0.5)); }
// Filled rectangles and clip rectangles.
inline int DeviceFill(const State& st, double v) { return static_cast<int>(std::trunc(v * st.draw.scale)); }
// The device height of the current font: a whole number of pixels (10.5
// points at 96 dpi is 13.999... in floating point and must give 14).
inline int DeviceFontHeight(const State& st) { return static_cast<int>(std::lround(st.font.deviceHeight)); }
// Pen widths: a rule never vanishes.
inline int DevicePen(const State& st, double width) {
  return static_cast<int>(std::trunc(width * st.draw.scale + st.draw.penBias));
}

// Switches a state to a printer for the length of a job (and back): the
// printer's surface and resolution, pen bias 0.99, the margins shifted by
// the printable-area offset (the printer's origin is the corner of what
// it can print), the full-page region rebuilt.
class PrinterScope {
 public:
  PrinterScope(State& st, Canvas& printerCanvas, double printerDpi, int offsetXPixels, int offsetYPixels);
  ~PrinterScope();
  PrinterScope(const PrinterScope&) = delete;
  PrinterScope& operator=(const PrinterScope&) = delete;

 private:
  State& st_;
  Canvas* canvas_;
  DrawState draw_;
  int top_, bottom_, left_, right_;
  double deviceHeight_;
};

}  // namespace vel
