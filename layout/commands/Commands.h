// Commands of running text: looking a name up (GetCommandNum) and
// executing it (SetCommand), with the item, heading and counter helpers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/Result.h"
#include "state/State.h"

namespace vel {

// The command number of st.scan.commandName, or -1; sets st.cmd.subType.
int GetCommandNum(State& st);

// What a command, and the word it makes, does: one row per command number
// (word kind). Sub-type masks hold bit s for sub-type s, so a row can say
// that only \parindent (Indent, sub-type 2) is replayed.
struct CommandTraits {
  using Mask = uint32_t;
  static constexpr Mask kAll = ~Mask{0};
  static constexpr Mask Sub(int s) { return Mask{1} << s; }

  // The class the automatic spacing sees after the word: unchanged, that of
  // a space or box, or none (as after a line start).
  enum class After : int8_t { Keep, SpaceOrBox, None };

  int kind = -1;
  const char* what = "";
  // The argument: missing where required (-3), present where refused
  // (-10), joined from two source lines ("\/") where that is refused (-10).
  Mask argRequired = 0, argRefused = 0, joinRefused = 0;
  // Refused (-2) inside a one-line box, or outside the document body.
  Mask paragraphOnly = 0, mainTextOnly = 0;
  // Re-run when its page is drawn or replayed (ReplayCommandWord).
  Mask replayed = 0;
  // Drawing moves the pen by the word's width.
  Mask advances = 0;
  // The line-head search does not walk back over it.
  bool barrier = false;
  // The look-ahead for the next visible character stops at it.
  bool endsLookAhead = false;
  After after = After::Keep;
  // Inside a one-line box: its width counts, and its height and depth too.
  bool takesRoomInBox = false, extendsBox = false;

  // A word's sub-type may hold a value (\raisebox keeps its raise length
  // there), so a mask of every sub-type holds whatever it is.
  static bool has(Mask m, int sub) { return m == kAll || (sub >= 0 && sub < 32 && (m & Sub(sub)) != 0); }
};

// The row of a command number or word kind (a neutral row for numbers
// without one).
const CommandTraits& TraitsOf(int kind);

// Where a command is executed.
struct CommandContext {
  int styleLevel = 2;
  bool floatsAllowed = true;  // main text and boxes; false in mini pages
  bool insideBox = false;     // called from the single-line box layout
  bool mainText = true;       // the document body (page breaks allowed)
  bool draw = false;
  int y = 0, x = 0;
};

// The word a command makes: its kind, size and values (WordInfo's fields
// but the source position).
struct CommandResult {
  int kind = 0;
  int width = 0;
  int height = 0;
  int depth = 0;
  int value = 0;
  int subType = 0;
  int valueA = 0;
  int valueB = 0;
};

// What executing a command produced: the word to make and its text; for
// the string functions, the text that takes the command's place instead;
// for the box-making commands, the argument as the box walk left it
// (stored boxes replaced by references to what was measured), which a box
// around the command puts back into its own text.
struct CommandOutcome {
  CommandResult word;
  std::string text;
  std::optional<std::string> replacement;
  std::string rewrittenArg;
};

// Executes the command looked up last (st.scan.commandName, number `num`)
// with its argument: its outcome, or its failure (-1, -2, -3, -10) with
// the name to report when it is not the command's own (a header's inner
// command).
Result<CommandOutcome> SetCommand(State& st, int num, const std::string& arg, bool hasArg, const CommandContext& ctx);

// \beginitem's argument: the indent and label width of the next level.
bool SetItem(State& st, std::string_view arg);

// A table-of-contents entry for a heading of level 0-2 (first pass of a
// document with \tableofcontents only): the nesting lines and the entry
// line go to st.pre.contentsLines. Returns the entry line's index, or -1.
int SetChapterList(State& st, int level, const std::string& number, const std::string& title);

// The contents entry line `index` with its page number replaced.
void SetContentsPage(State& st, int index, int page);

// Applies the state change of one command word while a page is drawn
// (draw) or replayed without drawing (!draw), from what the layout
// recorded in the word and its text. Kinds: 100, 101, 106, 109, 110, 111
// (\parindent), 113, 114, 117 (the item counter), 119, 123, 124, 125, 133
// (the heading counters), 135, 137, 138, 140, 450-501, 600 and above;
// other kinds are left alone. Replaying, item and heading words step their
// counters (what DecreasePageInfoCounter subtracts); drawing, they set them
// to the values the layout gave them, so that labels drawn agree with the
// layout although the resets of \beginitem are not drawn. Replay runs only what can step counters or
// set registers, flags and box bindings; fonts, lengths, separations,
// indents, \deflength, user lengths, group restores and \toval run only
// when drawing.
void ReplayCommandWord(State& st, const WordInfo& w, std::string& wordText, bool draw);

}  // namespace vel
