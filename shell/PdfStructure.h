// The structure a PDF reader expects beside the pages: an outline of the
// headings, page labels that read as the numbers printed on the sheets,
// links from the contents entries to their headings, and the document
// information (creator with the program's version, the run's clock as the
// creation date). Qt's PDF writer has none of these, so the file Qt wrote
// is opened again with qpdf and written once more with them, streams
// passed through as Qt compressed them. The file identifier is derived
// from the content, so two runs at the same clock write the same bytes.
#pragma once

#include <string>

#include "driver/DocumentOutline.h"

namespace vel {

struct PdfStructure {
  DocumentOutline outline;
  int firstSheet = 1;  // the sheet on the file's first page
  int lastSheet = 0;   // the last sheet the file holds (copies follow it)
  RunClock clock;      // the creation date
};

// The structure of sheets first..last of the run kept in `st`.
PdfStructure MakePdfStructure(const State& st, int firstSheet, int lastSheet);

// "VELDRIS " + the program's version: the creator named in the file.
std::string PdfCreator();

// Rewrites the PDF file at `path` (native) with `s`, writing beside it and
// renaming, so that a reader never finds half a file. False when the file
// cannot be read or written; it is then left as it was.
bool AddPdfStructure(const std::string& path, const PdfStructure& s);

}  // namespace vel
