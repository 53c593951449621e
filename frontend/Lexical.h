// Lexical primitives of the markup language: trimming, command names,
// braced and bracketed groups, math spans, \left...\right pairs, argument
// splitting and deletion of text ranges over lines.
//
// Every scanner treats a double-byte CP932 character as one unit: a trail
// byte (which may be '\', '{', '|' or '}') is never taken for a delimiter.
// Positions in a line list are (0-based line, 1-based byte column);
// positions in a single string are 0-based byte indexes, npos for "none".
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/Lines.h"
#include "state/ScanState.h"

namespace vel {

std::string Trim(std::string_view s);
std::string TrimLeft(std::string_view s);
std::string TrimRight(std::string_view s);

// Deletes from (sl, sc) to (el, ec), both ends included; never changes the
// number of lines.
void DeleteText(Lines& lines, int sl, int sc, int el, int ec);

// s[pos] is a backslash; returns where scanning resumes.
size_t GetCommandName(ScanState& sc, std::string_view s, size_t pos);
// col is the column of the backslash.
TextPos LongGetCommandName(ScanState& sc, const Lines& lines, int line, int col);

// s[pos] is an opening '$'; returns the closing '$' or npos.
size_t GetMath(ScanState& sc, std::string_view s, size_t pos);
// col is the column of the last '$' of the opening delimiter of length n.
// Returns the column of the last '$' of the closing delimiter, or (-1, -1);
// out receives the span's text ("$...$").
TextPos LongGetMath(ScanState& sc, const Lines& lines, int line, int col, int n, std::string& out);

// s[pos] is '{'; returns the matching '}' or npos.
size_t GetGroup(std::string_view s, size_t pos);
// The byte at col must be '{'. Returns the position just after the
// matching '}', or (-1, 0); out receives the content.
TextPos LongGetGroup(const Lines& lines, int line, int col, std::string& out);

// Bytes from startCol (1-based, just after a '{') to the matching '}', or -1.
int Group(std::string_view text, int startCol);
// Column of the '{' opening the group that holds col, or 0.
int RGroup(std::string_view text, int col);
// s[pos] opens a bracket of kind '0' (round) or '1' (square); returns the
// matching closing bracket or npos.
size_t GetkakkoGroup(std::string_view s, size_t pos, char kind);

// First \left or \right (not followed by a letter) with a valid delimiter,
// from pos on; npos when none, or when the first one found has a bad delimiter.
size_t SearchLR(std::string_view s, size_t pos);
// s[pos] is the delimiter after \left; returns the last byte before the
// matching \right, or npos.
size_t lrGroup(std::string_view s, size_t pos);
// col is the column of the delimiter after a \right; returns the column of
// the backslash of the matching \left, or 0.
int RlrGroup(std::string_view text, int col);

bool isLeftDelimiter(char c);
bool isRightDelimiter(char c);

// Splits text at the delimiter (first character of delim) outside braces;
// '\' before the delimiter or a brace escapes it. The trimmed pieces go to
// out (cleared first); the trailing piece is always added.
void StrTok(std::string_view text, std::string_view delim, std::vector<std::string>& out);

// Moves (line, index) to the next backslash at or after it, over lines,
// stepping over double-byte characters; false at the end of the lines.
bool NextBackslash(const Lines& lines, int& line, size_t& index);

// Characters, a double-byte character counting one.
size_t StrLen(std::string_view s);

// True when the last character of s is a single byte (not a trail byte).
bool lastCharIsSingleByte(std::string_view s);

}  // namespace vel
