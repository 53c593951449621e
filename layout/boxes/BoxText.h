// The working text of boxes: the references the box walk writes into it
// and the scanners that read it.
//
// A stored-box reference is a backslash, a TAB and three base-224 digits
// (each plus 32); a mini page reference a backslash, the byte 7 and three
// base-90 digits (each plus 32). Their digit bytes can be any of "$ ( ) [ ]
// \ { }" or a lead byte, so every scanner of a box's text steps over them
// (and over encoded lengths and double-byte characters) as whole units.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/InBand.h"
#include "frontend/Lexical.h"
#include "state/State.h"

namespace vel::boxtext {

using inband::kBoxRef;
using inband::kMiniPageRef;
using inband::kRefSize;

// Bytes of the unit at s[i]: a reference (5), an encoded length (6), a
// double-byte character (2), anything else 1; never past the end.
size_t UnitLen(std::string_view s, size_t i);
// s[i] starts a reference of the kind (kBoxRef or kMiniPageRef).
bool IsRef(std::string_view s, size_t i, char kind);

// The references for an index; empty when the index has no such form.
std::string EncodeBoxRef(int index);
std::string EncodeMiniPageRef(int index);
// The index held by the three digit bytes after the reference's marker
// byte (ref points at the backslash); -1 when they are missing.
int DecodeBoxRef(std::string_view s, size_t ref);
int DecodeMiniPageRef(std::string_view s, size_t ref);
// The index of a stored-box reference read as a command name (TAB and the
// three digits); -1 when it is not one.
int BoxRefIndexOfName(std::string_view name);

// s[open] is '{': the matching '}' or npos.
size_t GroupEnd(std::string_view s, size_t open);
// s[open] is '$': the closing '$' of the formula or npos. Commands and
// their groups inside the formula are stepped over.
size_t MathEnd(std::string_view s, size_t open);

// "\name{...}" at s[pos] (after spaces): the name and the group's content;
// `end` is just past the '}'. false when no such form starts there or the
// group is not closed (`unclosed` then tells which).
struct NamedGroup {
  std::string name;
  std::string content;
  size_t begin = 0, end = 0;
  bool unclosed = false;
};
bool ReadNamedGroup(std::string_view s, size_t pos, NamedGroup& g);

size_t SkipSpaces(std::string_view s, size_t pos);

// Offsets of the copies of a pattern of extent p (> 0) along a side of
// length L: n = L / p copies, at least one; a single copy is centred,
// otherwise the leftover R = L - n*p is spread over the n - 1 gaps, the
// first R mod (n - 1) of them one unit wider. At most kMaxCopies copies
// (a pattern narrower than L / kMaxCopies is no longer visible as one).
constexpr long long kMaxCopies = 2000;
std::vector<long long> SpreadCopies(long long L, long long p);

// One level of box typesetting (a box walk, a frame, an underline, a
// block): counts the nesting and the walks of the outermost box; `ok` is
// false when either bound is passed.
class BoxLevel {
 public:
  explicit BoxLevel(State& st);
  ~BoxLevel() { --st_.box.nesting; }
  BoxLevel(const BoxLevel&) = delete;
  BoxLevel& operator=(const BoxLevel&) = delete;
  bool ok() const { return ok_; }

 private:
  State& st_;
  bool ok_;
};

}  // namespace vel::boxtext
