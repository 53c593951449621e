// Commands of running text: looking a name up (GetCommandNum) and
// executing it (SetCommand), with the item, heading and counter helpers.
#pragma once

#include <string>
#include <string_view>

#include "state/State.h"

namespace vel {

// Command numbers, which are also the kinds of the words commands make.
namespace cmd {
constexpr int Figure = 1;
constexpr int InlineMath = 2;
constexpr int Underline = 3;
constexpr int FrameBox = 4;
constexpr int Table = 5;
constexpr int Box = 6;
constexpr int MiniPage = 7;
constexpr int Float = 8;
constexpr int Image = 9;
constexpr int Escaped = 10;
constexpr int SpaceFirst = 40;  // 40-47 spacing commands
constexpr int Hskip = 48;
constexpr int EmptyCommand = 49;
constexpr int Inert = 50;  // the inert command, and removed spacing
constexpr int LineEnd = 100;
constexpr int Skip = 101;
constexpr int PageBreak = 103;
constexpr int Font = 106;
constexpr int Rule = 109;
constexpr int Separation = 110;
constexpr int Indent = 111;
constexpr int TableSep = 113;
constexpr int MathSetting = 114;
constexpr int BeginItem = 115;
constexpr int EndItem = 116;
constexpr int Item = 117;
constexpr int UnderlineMark = 118;
constexpr int AlnumFontMode = 119;
constexpr int MakeBox = 123;
constexpr int LengthCounter = 124;
constexpr int MatrixSep = 125;
constexpr int FirstPageNum = 127;
constexpr int HeadFootSep = 128;
constexpr int Header = 130;
constexpr int Footer = 131;
constexpr int PageNum = 132;
constexpr int Heading = 133;
constexpr int StrLen = 134;
constexpr int GroupMark = 135;
constexpr int StringFunc = 136;
constexpr int Pval = 137;
constexpr int ToVal = 138;
constexpr int TableOfContents = 139;
constexpr int BoldMath = 140;
constexpr int Background = 141;
constexpr int TateMode = 142;
constexpr int CenterLine = 150;
constexpr int RightLine = 151;
constexpr int DisplayMath2 = 152;  // between "$$"
constexpr int DisplayMath3 = 153;  // between "$$$"
constexpr int ValFirst = 450;      // 450-501 value register assignments
constexpr int UserLengthFirst = 600;
}  // namespace cmd

// The command number of st.scan.commandName, or -1; sets st.cmd.subType.
int GetCommandNum(State& st);

// Where a command is executed.
struct CommandContext {
  int styleLevel = 2;
  bool floatsAllowed = true;  // main text and boxes; false in mini pages
  bool insideBox = false;     // called from the single-line box layout
  bool mainText = true;       // the document body (page breaks allowed)
  bool draw = false;
  int y = 0, x = 0;
};

// Executes the command looked up last (st.scan.commandName, number `num`)
// with its argument. Returns 0 or an error code (-1, -2, -3, -10); the
// word to make is left in st.cmd.out, its text in wordText. When the
// command replaces itself by text (the string functions), st.cmd.replaced
// is set and st.cmd.replacement holds the text to read instead.
int SetCommand(State& st, int num, const std::string& arg, bool hasArg, std::string& wordText,
               const CommandContext& ctx);

// \beginitem's argument: the indent and label width of the next level.
bool SetItem(State& st, std::string_view arg);

// A table-of-contents entry for a heading of level 0-2 (first pass of a
// document with \tableofcontents only): the nesting lines and the entry
// line go to st.pre.contentsLines.
void SetChapterList(State& st, int level, const std::string& number, const std::string& title);

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
