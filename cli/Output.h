// Writing typeset sheets to PDF and PNG.
#pragma once

#include <string>

#include "driver/Engine.h"
#include "shell/PdfStructure.h"

namespace vel {

struct SheetRange {
  int first = 1;
  int last = 0;  // inclusive
};

// PDF pages of the document's paper size, titled "VELDRIS(" + name + ")".
// With `structureLater`, the outline, labels and links are not added but
// left there for AddPdfStructure.
bool WritePdf(Engine& engine, const std::string& path, SheetRange range, const std::string& fileName,
              PdfStructure* structureLater = nullptr);
// dir/sheet-NNN.png at dpi x zoom.
bool WritePngs(Engine& engine, const std::string& dir, SheetRange range, double dpi, double zoom);

}  // namespace vel
