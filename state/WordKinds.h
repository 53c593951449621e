// The kinds of the words and lines of a layout, the counter slots the
// layout itself uses, and the named sentinels of line building. The
// numbers are the system's own: they are the command numbers of the text
// commands, they travel in the layout dump, and ranges of them carry
// meaning (see the predicates below), so they never change.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vel {

// Command numbers, which are also the kinds of the words commands make.
namespace cmd {
enum Kind : int {
  Text = 0,  // a character, a run of Latin letters, a number, a space
  Figure = 1,
  InlineMath = 2,
  Underline = 3,
  FrameBox = 4,
  Table = 5,
  Box = 6,
  MiniPage = 7,
  Float = 8,
  Image = 9,
  Escaped = 10,
  SpaceFirst = 40,  // 40-47 spacing commands; 40, 42, 44 also inserted between scripts
  SpaceLast = 47,
  Hskip = 48,
  EmptyCommand = 49,
  Inert = 50,  // the inert command, and spacing removed at a line start
  LineEnd = 100,
  Skip = 101,
  PageBreak = 103,
  Font = 106,
  Rule = 109,
  Separation = 110,
  Indent = 111,
  TableSep = 113,
  MathSetting = 114,
  BeginItem = 115,
  EndItem = 116,
  Item = 117,
  UnderlineMark = 118,
  AlnumFontMode = 119,
  MakeBox = 123,
  LengthCounter = 124,
  MatrixSep = 125,
  FirstPageNum = 127,
  HeadFootSep = 128,
  Header = 130,
  Footer = 131,
  PageNum = 132,
  Heading = 133,
  StrLen = 134,
  GroupMark = 135,
  StringFunc = 136,
  Pval = 137,
  ToVal = 138,
  TableOfContents = 139,
  BoldMath = 140,
  Background = 141,
  TateMode = 142,
  CenterLine = 150,
  RightLine = 151,
  DisplayMath2 = 152,  // between "$$"
  DisplayMath3 = 153,  // between "$$$"
  ValFirst = 450,      // 450-501 value register assignments (register kind - 450)
  ValLast = 501,
  UserLengthFirst = 600,  // 600 and above: user length kind - 600
};

// Sub-types of the words that several commands share.
enum LineEndSub : int { LineEndBreak = 0, LineEndParagraph = 1, LineEndCrr = 2 };
enum PageBreakSub : int { NewColumn = 0, NewPage = 1, NewPaper = 2 };
enum IndentSub : int { LeftIndent = 0, RightIndent = 1, ParIndent = 2, NoIndent = 3, LeftIndentFor = 4, RightIndentFor = 5 };
enum UnderlineMarkSub : int { UnderlineStart = 0, UnderlineCapitalStart = 1, UnderlineEnd = 2 };
enum FloatSub : int {
  TopOfColumn = 0,
  TopOfPage = 1,
  BottomOfColumn = 2,
  BottomOfPage = 3,
  Footnote = 4,
  HeadOfNextColumn = 5,
};
}  // namespace cmd

// Spacing words the line breaker may drop at a line start or end (40-49).
constexpr bool IsRemovableSpacing(int kind) { return kind >= cmd::SpaceFirst && kind <= cmd::EmptyCommand; }
// Spacing of any form, the removed one included (40-50).
constexpr bool IsSpacing(int kind) { return kind >= cmd::SpaceFirst && kind <= cmd::Inert; }
// Value register assignments: the register they assign.
constexpr bool IsRegisterAssignment(int kind) { return kind >= cmd::ValFirst && kind <= cmd::ValLast; }
constexpr int RegisterOfKind(int kind) { return kind - cmd::ValFirst; }
// User length assignments: the UserLengthList entry they assign.
constexpr bool IsUserLengthAssignment(int kind) { return kind >= cmd::UserLengthFirst; }
constexpr int UserLengthOfKind(int kind) { return kind - cmd::UserLengthFirst; }
// Words of kind 100 and above act on lines (or were applied when made);
// the others are placed along the line.
constexpr bool IsLineCommand(int kind) { return kind >= cmd::LineEnd; }

// Kinds of lines (LineInfo::kind).
enum LineKind : int {
  LineJustified = 0,  // ended by overflow or \crr; also the empty line of \newcolumn
  LineEnded = 1,      // ended by a line-end command or by the end of the text
  LineCentred = 3,    // \centerline
  LineDisplay = 5,    // "$$" display math
  LineDisplayCentred = 6,  // "$$$" display math
  LineNewPage = 10,
  LineNewPaper = 11,
};

// Counters the layout keeps itself (the others belong to the document).
namespace counter {
constexpr size_t kChapter = 87;
constexpr size_t kSection = 88;
constexpr size_t kSubsection = 89;
// The item counter of list level 1-9 is kItemBase + level.
constexpr size_t kItemBase = 90;
constexpr size_t Item(int level) { return kItemBase + static_cast<size_t>(level); }
}  // namespace counter

// An item level whose label width is measured from its first label.
constexpr int kAutomaticLabelWidth = -10000;

// A skip below a line, or a column height, that nothing fits beside: the
// column breaks there (page breaks, the end of the text, a footnote that
// sends its line on).
constexpr int kForcedBreak = 10000000;

}  // namespace vel
