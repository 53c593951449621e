// State of mathematics shared with the text layout.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace vel {

struct PartMemo;

// A part of a formula as its measuring found it, with its own parts.
struct MeasuredPart {
  std::string text;
  int level = 0;
  int width = 0, height = 0, depth = 0;
  std::shared_ptr<PartMemo> inner;  // the part's parts, when they were kept too
};

// The parts a formula's measuring pass measured, which its drawing pass
// (the same segments, the same state) takes instead of measuring again.
struct PartMemo {
  int depth = 0;           // the formula's own nesting depth: only its direct parts are kept
  bool replaying = false;  // false while recording
  std::vector<MeasuredPart> parts;
  size_t next = 0;  // the part the replay expects next (past the end: out of step)
};

// Formulas as the math subsystem read them (its own type).
struct FormulaReadings;

struct MathState {
  bool mathMode = false;  // a formula is being set
  int depth = 0;          // formulas being set inside one another
  // A display that begins with \array is cut into one display per row:
  // while set, the array leaves its rows' texts here instead of drawing.
  bool arrayRowExport = false;
  std::vector<std::string> arrayRowList;
  PartMemo* partMemo = nullptr;  // the parts being recorded or replayed, if any
  // Set while a formula is measured by what reads or changes more than
  // its fonts (boxes of running text, length and value groups, \getmath,
  // row export, flush right, lengths and numbers that name variables):
  // such a measuring is not kept.
  bool beyondFonts = false;
  std::shared_ptr<FormulaReadings> readings;
};

}  // namespace vel
