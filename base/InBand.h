// The bytes that carry meaning inside processed text. Preprocessing and the
// box layout write them into the working text; every scanner reads them
// with these names. None of them can occur in a source file as written:
// preprocessing removes control bytes and TABs before it writes its own.
#pragma once

#include <cstddef>

namespace vel::inband {

// A printed "{" and "}" (an escaped brace); after \group, \lengroup and
// \valgroup the same bytes mark the start and the end of the group.
constexpr char kOpenBrace = '\x01';
constexpr char kCloseBrace = '\x02';
// The character a literal-brace byte stands for when it is shown.
constexpr char Shown(char c) { return c == kOpenBrace ? '{' : c == kCloseBrace ? '}' : c; }

// "\" + one of these bytes switches the math style level: \Normal,
// \normal, \small, \smallsmall (levels 1 to 4).
constexpr char kStyleNormalCap = '\x0E';
constexpr char kStyleNormal = '\x0F';
constexpr char kStyleSmall = '\x10';
constexpr char kStyleSmallSmall = '\x11';
// The style level a style code selects, or 0 for another byte.
constexpr int StyleLevelOfCode(char c) {
  return (c >= kStyleNormalCap && c <= kStyleSmallSmall) ? c - kStyleNormalCap + 1 : 0;
}

// The byte right after "\under{" that tells the math layout which gap to
// leave between a limit operator and its lower limit: \lim, \inf and
// \liminf take the first, \sup and \limsup the second; the big operators
// none.
constexpr char kLimitMarkerLim = '\x0A';
constexpr char kLimitMarkerSup = '\x0D';

// "\" + one of these bytes + four digit bytes is an encoded length
// (negative or positive); six bytes in all.
constexpr char kEncodedNegative = '\x0B';
constexpr char kEncodedPositive = '\x0C';
constexpr size_t kEncodedLengthSize = 6;
constexpr bool IsEncodedLengthSign(char c) { return c == kEncodedNegative || c == kEncodedPositive; }

// "\" + TAB + three base-224 digits is a stored-box reference; "\" + 0x07 +
// three base-90 digits a mini page reference. Written by the box layout
// into its own working text only.
constexpr char kBoxRef = '\t';
constexpr char kMiniPageRef = '\x07';
constexpr size_t kRefSize = 5;

// The inert command: a name of sixteen "l" written over a command the line
// builder must not execute twice (\headofnextcolumn read again); it takes
// and drops its argument.
constexpr char kInertCommandName[] = "llllllllllllllll";
constexpr size_t kInertCommandNameSize = sizeof kInertCommandName - 1;

}  // namespace vel::inband
