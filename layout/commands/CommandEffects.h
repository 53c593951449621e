// The effects of the text commands, one function per effect, shared by
// SetCommand (when the word is made) and ReplayCommandWord (when a page is
// drawn or replayed), so both change the state the same way.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "layout/commands/Commands.h"

namespace vel::fx {

// ---- settings (SettingCommands.cpp) ----
// \lineskip (0), \parskip (1): the length (frozen in place by ReformPara).
void Skip(State& st, int sub, std::string& text);
// \fontname (0), \fontsize (1), \fontstyle (2), \fontcolor (3), \Fontname (4).
void FontSetting(State& st, int sub, const std::string& text, int styleLevel);
// \rulewidth (0), \rulecolor (1).
void Rule(State& st, int sub, std::string& text);
// \frameboxsep (0), \underlinesep (1), \doublelinesep (2).
void Separation(State& st, int sub, std::string& text);
// \parindent: the indent at once, and the width of the line being filled.
void ParIndent(State& st, std::string& text);
// \tablesep (0), \tablerowsep (1), \tablecolsep (2).
void TableSep(State& st, int sub, std::string& text);
// \mathindent (0), \mathrightindent (1), \mathkakkomode (2), \inlinemathmode (3).
void MathSetting(State& st, int sub, std::string& text);
// \matrixrowsep (0), \matrixcolsep (1).
void MatrixSep(State& st, int sub, const std::string& text);
void AlnumFontMode(State& st, const std::string& text);
void TateMode(State& st, const std::string& text);
// \deflength (0), \setcounter (1).
void LengthCounter(State& st, int sub, const std::string& text);
// Register n of ValueRegisters (0-77).
void AssignRegister(State& st, int n, double v);
// \toval{a, b}: \pvalX = a / b (0 when b is not positive).
void ToVal(State& st, const std::string& text);
void BoldMath(State& st, int sub);
// UserLengthList entry `index` = ReformPara of the text; returns the value.
int AssignUserLength(State& st, int index, std::string& text);
// The item counter of a level steps by one; drawing sets it to the value
// the layout gave it.
void StepItemCounter(State& st, int level);
void SetItemCounter(State& st, int level, int value);
// Drawing: the chapter, section and subsection counters as the layout left them.
void SetHeadingCounters(State& st, int chapter, int section, int subsection);
// \chapter (0), \section (1), \subsection (2): the heading counters.
void StepHeadingCounters(State& st, int level);

// A decimal integer with an optional sign, 0 when the text is not one.
int DecimalInteger(std::string_view text);
// The double a word carries in value A (low half) and value B (high half).
void PutDouble(CommandResult& out, double v);
double WordDouble(const WordInfo& w);
double HalvesDouble(int32_t low, int32_t high);

// ---- group markers (GroupMarkers.cpp) ----
// Executes a group, length-group or value-group marker (sub-type 1-6).
// Sets kind and value of the word; -1 for a group close without its open.
[[nodiscard]] int GroupMarker(State& st, int sub, bool insideBox, int& kind, int& value);
// Drawing: the same restores, from what the layout recorded in the word.
void ReplayGroupMarker(State& st, const WordInfo& w, bool draw);

// ---- headings, headers and footers, contents (Headings.cpp) ----
// \chapter … \subsectionstr (sub-types 0-8). contentsEntry receives the
// index of the contents entry a heading made, or -1.
[[nodiscard]] int Heading(State& st, int sub, const std::string& arg, bool hasArg, std::optional<std::string>& replacement,
                          int& contentsEntry);
// \evenpageheader … \oddpagefooter: footer false for headers; parity 0 even,
// 1 odd. A failure names the sub-command that failed in `failedName`.
[[nodiscard]] int HeaderFooter(State& st, bool footer, int parity, const std::string& arg, std::string& failedName);
[[nodiscard]] int PageNum(State& st, std::optional<std::string>& replacement);
[[nodiscard]] int TableOfContents(State& st, bool hasArg, bool insideBox);

// ---- string functions (StringFunctions.cpp) ----
// The text that replaces \strnum (1) … \substr (11) and its argument.
std::string StringFunction(State& st, int sub, const std::string& arg);

}  // namespace vel::fx
