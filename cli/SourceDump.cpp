#include "cli/SourceDump.h"

#include "base/Cp932.h"
#include "math/ReformMath.h"

namespace vel {

namespace {

// The line with every formula normalised; a formula that does not close
// on its line (the run reported it) and everything after it stay as written.
std::string NormalisedLine(std::string line) {
  for (size_t i = 0; i < line.size(); ++i) {
    if (isLead(line[i]) && i + 1 < line.size()) {
      ++i;
      continue;
    }
    if (line[i] == '\\' && i + 1 < line.size()) {
      ++i;
      continue;
    }
    if (line[i] != '$') continue;
    std::string copy = line;
    const int last = ReformMath(copy, static_cast<int>(i) + 1);
    if (last < 0) break;
    line = std::move(copy);
    i = static_cast<size_t>(last) - 1;
  }
  return line;
}

}  // namespace

std::string SourceDumpText(const Lines& sourceLines) {
  std::string text;
  for (const std::string& l : sourceLines) text += toLogUtf8(NormalisedLine(l)) + "\n";
  return text;
}

}  // namespace vel
