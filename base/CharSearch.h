// Searching CP932 text character by character, so that a trail byte (which
// may be '\', '{', '}' or a letter) never matches.
#pragma once

#include <string_view>

#include "base/Cp932.h"
#include "base/Lines.h"

namespace vel {

// The first occurrence of `word` starting on a character boundary at or
// after `from`; npos when none.
inline size_t FindText(std::string_view s, std::string_view word, size_t from = 0) {
  for (size_t i = from; i < s.size();) {
    if (s.substr(i, word.size()) == word) return i;
    i += (isLead(s[i]) && i + 1 < s.size()) ? 2 : 1;
  }
  return npos;
}

// The last single-byte character equal to c; npos when none.
inline size_t LastSingleByte(std::string_view s, char c) {
  size_t found = npos;
  for (size_t i = 0; i < s.size();) {
    if (isLead(s[i]) && i + 1 < s.size()) {
      i += 2;
      continue;
    }
    if (s[i] == c) found = i;
    ++i;
  }
  return found;
}

// "\word" at s[pos] with no letter after it.
inline bool CommandAt(std::string_view s, size_t pos, std::string_view word) {
  if (pos >= s.size() || s[pos] != '\\' || s.substr(pos + 1, word.size()) != word) return false;
  size_t after = pos + 1 + word.size();
  return after >= s.size() || !isAsciiLetter(s[after]);
}

}  // namespace vel
