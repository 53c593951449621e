// State of drawing: the device scale, the drawing flag and the pen
// position of the line being drawn.
#pragma once

#include <cstddef>
#include <vector>

#include "base/Units.h"

namespace vel {

// A word of the kept layout where a drawing walk put it: its box in layout
// units from the sheet's top-left corner, and the processed line and
// 1-based byte position that wrote it. The lookup between the page and the
// source reads these.
struct DrawnWord {
  int left = 0, top = 0, width = 0, height = 0;
  int line = 0, pos = 0;
  // Running texts have no line of their own: the command that set them
  // wrote them. 0 a word of the layout; else one of these, `line` then
  // the index of the page's first column.
  enum : int { Word = 0, Header = 1, Footer = 2, FrontNumber = 3 };
  int from = Word;
  int parity = 0;  // of a header or footer: the page's
  // A word of mini page `mini` drawn on its own (a float or a footnote):
  // its line counts within the block, whose placing word has the source
  // line. -1 when `line` is already the source's.
  int mini = -1;
};
struct DrawnWordLog {
  std::vector<DrawnWord> words;
  // The word of the main lists being drawn: what a mini page or box drawn
  // inside it writes belongs to its line.
  int ownerLine = -1, ownerPos = 0;
  // Mini pages from this index on were measured anew while drawing and
  // belong to no source line of their own: their words are not noted.
  size_t keptMiniPages = 0;
};

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
  // Set only while the source lookup walks a sheet; drawing for the eye
  // leaves it null and notes nothing.
  DrawnWordLog* drawnWords = nullptr;
};

}  // namespace vel
