// State of drawing: the device scale, the drawing flag and the pen
// position of the line being drawn.
#pragma once

#include "base/Units.h"

namespace vel {

struct DrawState {
  bool drawing = false;    // a page is being drawn (hpos reads the pen position)
  bool printing = false;
  double penBias = 0.5;    // added to pen widths: 0.5 on screen, 0.99 when printing
  double scale = units::DeviceScale(96.0);  // device pixels per layout unit (S)
  double zoom = 1.0;
  double deviceDpi = 96.0;
  int linePenX = 0;        // layout x of the pen in the line being drawn
  int lineStartX = 0;      // layout x where that line starts
  int lineLeftX = 0;       // published left x of the line for the math Parts
  bool slantedText = false;
  int currentSheet = 0;
};

}  // namespace vel
