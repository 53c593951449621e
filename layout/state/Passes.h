// The passes of a typesetting run, in the order the driver calls them.
// Each is defined by its own subsystem.
#pragma once

#include <string>
#include <vector>

#include "layout/state/State.h"

namespace vel {

// Prefix of a line that the first pass already preprocessed: the second
// pass of a document with a table of contents must not cut comments or
// rewrite escapes in it again. The main preprocessing pass removes it.
constexpr char kPreprocessedLineMark = '\x1F';

// Preprocessing: 0, or -1 syntax error, -2 input file missing, -3 math not closed.
int ReformProc(State& st);
void SaveBeforeBeginDocument(State& st);
void SetDefaultVariable(State& st);
bool ReadBasicVariable(State& st);

// Words and lines: the height used, or a negative error code.
int MakeWordLineList(State& st, Lines& source, std::vector<WordInfo>& words, bool mainText,
                     std::vector<LineInfo>& lines, std::vector<std::string>& texts);

void SetColumnInfoList(State& st, int lastLine);
// Places a float or footnote (mini page `miniPage`, float sub-type 0-4)
// when its command is met in the text: into its Now queue when it fits,
// else into its Waiting queue. Returns 0, or -2 when the float is not
// allowed here.
int PlaceFloat(State& st, int miniPage, int subType, bool mainText);
// \pageBGcolor, \columnBGcolor, \pageBGimage, \columnBGimage (which 0-3).
void SetPageColumnBGColorImage(State& st, const std::string& text, int which);
// Corrects the counters stored for a page whose first line was built
// before the page existed.
void DecreasePageInfoCounter(State& st, int firstWord);
void SetPageInfoList(State& st, bool settleOnly);

// Draws sheet `first` (box -1, draw 1), replays words from `first` (box -1,
// draw 0), or draws/replays mini page `box` at (x, y).
void PageDisplay(State& st, int first, int box, int draw, int y, int x);

}  // namespace vel
