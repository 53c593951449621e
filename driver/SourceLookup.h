// From a point on a sheet to the source line that wrote it, and from a
// source line to the sheet and place of its first word. Both read the
// layout kept for drawing: the sheets are walked as drawing walks them, on
// a surface that measures but puts no ink anywhere, with the walk noting
// where each word goes. Nothing is noted when nobody asks.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "state/State.h"

namespace vel {

// A line the author wrote: the file (its native path and its name as
// messages give it, CP932), the 1-based line and the 1-based byte column
// (0 where preprocessing changed the line or the run made it).
struct SourcePlace {
  std::string path;
  std::string name;
  int line = 0;
  int column = 0;
};

// A word on a sheet: the 1-based sheet and its box in layout units from
// the sheet's top-left corner.
struct SheetPlace {
  int sheet = 0;
  int left = 0, top = 0, width = 0, height = 0;
};

// The words of sheet `sheet` (1-based, of the run's sheets) where drawing
// puts them, in drawing order. The state is left as it was.
std::vector<DrawnWord> DrawnWordsOf(State& st, int sheet);

// The author's line of a processed line; nullopt when it has none.
std::optional<SourcePlace> SourceOfLine(const State& st, int processedLine, int pos = 0);

class SourceLookup {
 public:
  explicit SourceLookup(State& st) : st_(st) {}

  // The source of the word under (x, y) on `sheet` (layout units): the
  // smallest word box that holds the point, so that a word inside a box or
  // a mini page wins over the block around it. Nullopt off the words.
  std::optional<SourcePlace> what(int sheet, int x, int y);

  // The first word of line `line` (1-based) of the file at `path` (the
  // document or an included file; a bare name matches by name): the word
  // of the smallest column on the earliest sheet. A line that put no word
  // on any sheet (a blank line, a comment, the preamble) stands for the
  // next line of the same file that did, else the last one before it;
  // `found` receives the line used. Nullopt when the file has no words.
  std::optional<SheetPlace> where(const std::string& path, int line, int* found = nullptr);

  // The words of a sheet, walked once and kept until this lookup goes.
  const std::vector<DrawnWord>& words(int sheet);

  // The author's line of a drawn word: its own; for a word of a float or a
  // footnote that of the command that placed it; for a running header or
  // footer the command that set it; for the front matter's page number
  // the \tableofcontents.
  std::optional<SourcePlace> sourceOf(const DrawnWord& w);

 private:
  State& st_;
  std::vector<std::optional<std::vector<DrawnWord>>> sheets_;
  // Per mini page, the processed line and position of the word that
  // placed it (-1: none found); made when first needed.
  std::vector<std::pair<int, int>> owners_;
  bool ownersMade_ = false;
};

}  // namespace vel
