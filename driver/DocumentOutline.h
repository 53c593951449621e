// The structure of a typeset document that a PDF reader shows beside its
// pages: the headings with the sheet and height where each is drawn, the
// number printed on each sheet and the contents entries with the heading
// each points at. Read from the kept layout of a good run, without
// drawing, so that the printer and veldris-render give their PDF files
// the same structure. Lengths are layout units from the paper's top-left
// corner.
#pragma once

#include <string>
#include <vector>

#include "state/State.h"

namespace vel {

struct OutlineHeading {
  int level = 0;      // 0 \chapter, 1 \section, 2 \subsection
  std::string title;  // number and title as plain text (CP932)
  int sheet = 1;      // 1-based
  int x = 0, y = 0;   // left edge of its column, top of its line
};

// How a sheet is numbered: as the page number drawn on it (the first page
// of the sheet), or not at all (title pages).
struct SheetNumber {
  enum class Style { None, Roman, Arabic };
  Style style = Style::None;
  int number = 0;
};

// A contents entry's area on its sheet (the lines of the entry within one
// column) and the heading it points at.
struct ContentsLink {
  int sheet = 1;
  int left = 0, top = 0, right = 0, bottom = 0;
  int heading = 0;  // index into DocumentOutline::headings
};

struct DocumentOutline {
  std::vector<OutlineHeading> headings;  // in text order
  std::vector<SheetNumber> sheets;       // one per sheet
  std::vector<ContentsLink> links;
};

// The outline of the run kept in `st` (its sheets counted by the run).
DocumentOutline MakeDocumentOutline(const State& st);

// A heading's "number&title" argument as the plain text a reader lists:
// "number title", commands and their arguments left out.
std::string PlainHeadingText(const std::string& arg);

}  // namespace vel
