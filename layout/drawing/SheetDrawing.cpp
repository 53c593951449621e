#include "layout/drawing/SheetDrawing.h"

#include <cmath>

#include "base/Units.h"
#include "base/Cp932.h"
#include "frontend/Preamble.h"
#include "layout/fonts/Fonts.h"
#include "layout/drawing/PageDisplay.h"

namespace vel {

void SetDrawTarget(State& st, const DrawTarget& t) {
  st.canvas = t.canvas;
  st.draw.printing = t.printing;
  st.draw.deviceDpi = t.dpi;
  if (!t.printing) st.draw.zoom = t.zoom;
  st.draw.scale = units::DeviceScale(t.dpi, t.printing ? 1.0 : t.zoom);
  st.draw.penBias = t.printing ? 0.99 : 0.5;
  SetBigNormalHeight(st, st.chr.styleLevel);
  CreateFullRgn(st);
}

void DrawSheet(State& st, int sheet) { PageDisplay(st, sheet, -1, 1, 0, 0); }

std::string SheetLabel(double zoom, int sheet, int sheets) {
  std::string z;
  if (std::fabs(zoom - 1.0) > 1e-12) {
    // 0.58 x 100 is 57.999... in floating point; the percentage shown is
    // the one the user chose.
    const long percent = static_cast<long>(std::trunc(zoom * 100 + 1e-7));
    z = SJ("(表示倍率 ") + std::to_string(percent) + "%) ";
  }
  return z + std::to_string(sheet) + "/" + std::to_string(sheets) + " ";
}

std::string SheetCaption(const std::string& documentPath, double zoom, int sheet, int sheets) {
  return "VELDRIS2(" + utf8ToCp932(documentPath) + ")" + SJ("　") + SheetLabel(zoom, sheet, sheets);
}

PrinterScope::PrinterScope(State& st, Canvas& printerCanvas, double printerDpi, int offsetXPixels,
                           int offsetYPixels)
    : st_(st),
      canvas_(st.canvas),
      draw_(st.draw),
      top_(st.geo.topMargin),
      bottom_(st.geo.bottomMargin),
      left_(st.geo.leftMargin),
      right_(st.geo.rightMargin),
      deviceHeight_(st.font.deviceHeight) {
  const double dpi = printerDpi > 0 ? printerDpi : 600;
  // The printer's origin is the corner of its printable area: the page
  // moves back by that offset so that it keeps its place on the paper.
  const int dx = static_cast<int>(std::trunc(offsetXPixels * units::kPerInch / dpi));
  const int dy = static_cast<int>(std::trunc(offsetYPixels * units::kPerInch / dpi));
  st.geo.leftMargin -= dx;
  st.geo.rightMargin += dx;
  st.geo.topMargin -= dy;
  st.geo.bottomMargin += dy;
  SetDrawTarget(st, DrawTarget{&printerCanvas, dpi, 1.0, true});
}

PrinterScope::~PrinterScope() {
  st_.canvas = canvas_;
  st_.draw = draw_;
  st_.geo.topMargin = top_;
  st_.geo.bottomMargin = bottom_;
  st_.geo.leftMargin = left_;
  st_.geo.rightMargin = right_;
  st_.font.deviceHeight = deviceHeight_;
  CreateFullRgn(st_);
}

}  // namespace vel
