// The line builder's shared operations: word records, line completion,
// indentation and the paragraph length reader.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "layout/commands/Commands.h"
#include "state/State.h"

namespace vel {

// Words and lines of `source` (the document body when mainText, else a
// block's text): the height used, or the failure (its command and line;
// "** name のエラー" written when the command is named).
Result<int> MakeWordLineList(State& st, Lines& source, WordList& words, bool mainText,
                             std::vector<LineInfo>& lines, WordTexts& texts);

// Classes of the previous word, for automatic Japanese-Latin spacing.
namespace cls {
constexpr int None = -1;
constexpr int Japanese = 0;
constexpr int Number = 1;
constexpr int Latin = 2;
constexpr int Math = 3;
constexpr int SpaceOrBox = 4;
constexpr int Punctuation = 5;
constexpr int Other = 6;
}  // namespace cls

// The class after a command's word, by its row.
inline int ClassAfter(const CommandTraits& t, int current) {
  switch (t.after) {
    case CommandTraits::After::SpaceOrBox: return cls::SpaceOrBox;
    case CommandTraits::After::None: return cls::None;
    default: return current;
  }
}

// Japanese punctuation: never receives automatic spacing.
bool InPunctuationSet(uint16_t code);
// Membership of a CP932 character in a set string (XHead, XTail).
bool InCharSet(std::string_view set, uint16_t code);

void SetWordInfo(WordList& words, int width, int pos, int line, int valueA, int valueB, int subType,
                 int value, int kind, int depth, int height);
void InsertWordInfo(WordList& words, int index, const WordInfo& w);

// Records a line. Returns 1 when added, 0 when added after a column was
// closed before it, -2 when dropped because text waits for the head of the
// next column. (An indent-for that no longer fits is cancelled here and the
// line tried again.)
[[nodiscard]] int SetLineLWHOHKCS(State& st, int lastWord, int width, bool mainText, std::vector<LineInfo>& lines, int skip,
                    int count, int kind, int ascent, int height);

// The last of the comma-separated lengths of text; pieces that used a
// length variable are frozen in place as encoded lengths.
int ReformPara(State& st, std::string& text);

void ChangeIndent(State& st);
// The width for the next line without recording one (\parindent, \noindent).
void RecomputeLineWidth(State& st);
void SetLeftIndent(State& st, std::string& arg);
void SetRightIndent(State& st, std::string& arg);
void SetLeftIndentFor(State& st, std::string& arg);
void SetRightIndentFor(State& st, std::string& arg);

// How a justified line spreads its gap: the first r word advances get q + 1
// extra layout units, the next n - r get q, the last none.
struct Justification {
  int q = 0;
  int r = 0;
  int n = 0;  // gaps: count - 1; nothing is spread when n <= 0
};
Justification JustificationOf(const LineInfo& line);

// Publishes the running values of the line being built.
void PublishLineState(State& st);

}  // namespace vel
