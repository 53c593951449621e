#include "frontend/Lexical.h"

#include <algorithm>

#include "base/InBand.h"
#include "base/Cp932.h"

namespace vel {

namespace {

inline bool isLetter(char c) { return isAsciiLetter(c); }
inline size_t charLen(std::string_view s, size_t i) { return (isLead(s[i]) && i + 1 < s.size()) ? 2 : 1; }

bool isGroupMarkerName(std::string_view n) { return n == "group" || n == "lengroup" || n == "valgroup"; }

// The last byte of a line, provided it is a single-byte character; 0 otherwise.
char lastSingle(std::string_view s) { return (!s.empty() && lastCharIsSingleByte(s)) ? s.back() : '\0'; }

}  // namespace

bool lastCharIsSingleByte(std::string_view s) {
  if (s.empty()) return false;
  size_t i = 0, last = 0;
  while (i < s.size()) {
    last = i;
    i += charLen(s, i);
  }
  return last == s.size() - 1;
}

std::string Trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && s[b] == ' ') ++b;
  while (e > b && s[e - 1] == ' ') --e;
  return std::string(s.substr(b, e - b));
}

std::string TrimLeft(std::string_view s) {
  size_t b = 0;
  while (b < s.size() && s[b] == ' ') ++b;
  return std::string(s.substr(b));
}

std::string TrimRight(std::string_view s) {
  size_t e = s.size();
  while (e > 0 && s[e - 1] == ' ') --e;
  return std::string(s.substr(0, e));
}

void DeleteText(Lines& lines, int sl, int sc, int el, int ec) {
  int n = static_cast<int>(lines.size());
  if (sl < 0 || sl >= n || el < sl) return;
  if (el >= n) {
    el = n - 1;
    ec = static_cast<int>(lines[el].size());
  }
  sc = std::max(sc, 1);
  if (sl == el) {
    std::string& s = lines[sl];
    if (sc > static_cast<int>(s.size()) || ec < sc) return;
    size_t count = static_cast<size_t>(std::min(ec, static_cast<int>(s.size())) - sc + 1);
    s.erase(static_cast<size_t>(sc - 1), count);
    return;
  }
  if (sc - 1 < static_cast<int>(lines[sl].size())) lines[sl].erase(static_cast<size_t>(sc - 1));
  for (int i = sl + 1; i < el; ++i) lines[i].clear();
  std::string& e = lines[el];
  e.erase(0, static_cast<size_t>(std::clamp(ec, 0, static_cast<int>(e.size()))));
}

size_t GetCommandName(ScanState& sc, std::string_view s, size_t pos) {
  sc.braceFollows = false;
  sc.commandName.clear();
  size_t i = pos + 1;
  size_t start = i;
  while (i < s.size() && isLetter(s[i])) ++i;
  if (i == start) {
    if (i >= s.size()) return i;  // a backslash at the very end: empty name
    if (s[i] == inband::kBoxRef) {
      // Internal stored-box reference: TAB and three digit bytes.
      size_t end = std::min(s.size(), i + 4);
      sc.commandName.assign(s.substr(i, end - i));
      if (end < s.size() && s[end] == ' ') ++end;
      return end;
    }
    size_t len = charLen(s, i);  // a double-byte character is one unit
    sc.commandName.assign(s.substr(i, len));
    // "\ " resumes right after the space (the byte after it is text).
    return i + len;
  }
  sc.commandName.assign(s.substr(start, i - start));
  if (i < s.size()) {
    char t = s[i];
    if (t == ' ') return i + 1;
    if (t == '{') {
      sc.braceFollows = true;
      return i;
    }
    if ((t == inband::kOpenBrace || t == inband::kCloseBrace) && isGroupMarkerName(sc.commandName)) {
      sc.commandName += t;
      return i + 1;
    }
  }
  return i;
}

TextPos LongGetCommandName(ScanState& sc, const Lines& lines, int line, int col) {
  sc.braceFollows = false;
  sc.commandName.clear();
  const std::string& s = lines[line];
  size_t i = static_cast<size_t>(col);  // byte after the backslash (0-based)
  size_t start = i;
  while (i < s.size() && isLetter(s[i])) ++i;
  if (i == start) {
    if (i >= s.size()) return {line, static_cast<int>(i) + 1};
    size_t len = charLen(s, i);
    sc.commandName.assign(s.substr(i, len));
    return {line, static_cast<int>(i + len) + 1};
  }
  sc.commandName.assign(s.substr(start, i - start));
  if (i >= s.size()) {
    // The name ends the line: resume at the next non-empty line.
    for (int k = line + 1; k < static_cast<int>(lines.size()); ++k) {
      if (lines[k].empty()) continue;
      sc.braceFollows = lines[k][0] == '{';
      return {k, 1};
    }
    int last = static_cast<int>(lines.size()) - 1;
    return {last, static_cast<int>(lines[last].size()) + 1};
  }
  char t = s[i];
  if (t == ' ') return {line, static_cast<int>(i) + 2};
  if (t == '{') {
    sc.braceFollows = true;
    return {line, static_cast<int>(i) + 1};
  }
  if ((t == inband::kOpenBrace || t == inband::kCloseBrace) && isGroupMarkerName(sc.commandName)) {
    sc.commandName += t;
    return {line, static_cast<int>(i) + 2};
  }
  return {line, static_cast<int>(i) + 1};
}

size_t GetGroup(std::string_view s, size_t pos) {
  int depth = 0;
  size_t i = pos + 1;
  while (i < s.size()) {
    char c = s[i];
    if (isLead(c)) {
      i += 2;
      continue;
    }
    if (c == '\\' && i + 1 < s.size() && (s[i + 1] == '\\' || s[i + 1] == '{' || s[i + 1] == '}')) {
      i += 2;
      continue;
    }
    if (c == '{') ++depth;
    else if (c == '}') {
      if (depth == 0) return i;
      --depth;
    }
    ++i;
  }
  return npos;
}

size_t GetMath(ScanState& sc, std::string_view s, size_t pos) {
  size_t i = pos + 1;
  while (i < s.size()) {
    char c = s[i];
    if (isLead(c)) {
      i += 2;
      continue;
    }
    if (c == '$') return i;
    if (c == '\\') {
      i = GetCommandName(sc, s, i);
      if (sc.braceFollows) {
        size_t close = GetGroup(s, i);
        if (close == npos) return npos;
        i = close + 1;
      }
      continue;
    }
    ++i;
  }
  return npos;
}

TextPos LongGetGroup(const Lines& lines, int line, int col, std::string& out) {
  out.clear();
  if (line < 0 || line >= static_cast<int>(lines.size())) return {-1, 0};
  const std::string& first = lines[line];
  if (col < 1 || col > static_cast<int>(first.size()) || first[col - 1] != '{') return {-1, 0};
  int depth = 0;
  char prevLast = 0;  // last byte of the last non-empty line (found only when the group goes on)
  bool firstLine = true;
  size_t i = static_cast<size_t>(col);
  for (int k = line; k < static_cast<int>(lines.size()); ++k) {
    const std::string& s = lines[k];
    if (k > line) {
      i = 0;
      if (firstLine) {
        prevLast = lastSingle(first);
        firstLine = false;
      }
      if (s.empty()) continue;
      char f = s[0];
      bool alnumJoin = (isAsciiLetter(prevLast) || isAsciiDigit(prevLast)) && (isAsciiLetter(f) || isAsciiDigit(f));
      bool cmdJoin = prevLast == '\\' && isAsciiLetter(f);
      if (alnumJoin || cmdJoin) out += "\\/";
      prevLast = lastSingle(s);
    }
    size_t segStart = i;
    while (i < s.size()) {
      char c = s[i];
      if (isLead(c)) {
        i += charLen(s, i);
        continue;
      }
      if (c == '{') ++depth;
      else if (c == '}') {
        if (depth == 0) {
          out.append(s, segStart, i - segStart);
          return {k, static_cast<int>(i) + 2};
        }
        --depth;
      }
      ++i;
    }
    out.append(s, segStart, std::string::npos);
  }
  out.clear();
  return {-1, 0};
}

TextPos LongGetMath(ScanState& sc, const Lines& lines, int line, int col, int n, std::string& out) {
  out = "$";
  const int nl = static_cast<int>(lines.size());
  int k = line;
  size_t i = static_cast<size_t>(std::max(col, 0));
  int count = 0;
  std::string arg;
  while (k < nl) {
    const std::string& s = lines[k];
    size_t seg = i;
    bool jumped = false;
    while (i < s.size()) {
      char c = s[i];
      if (isLead(c)) {
        count = 0;
        i += charLen(s, i);
        continue;
      }
      if (c == '$') {
        if (++count == n) {
          out.append(s, seg, i + 1 - seg);
          out.erase(out.size() - static_cast<size_t>(n - 1));
          return {k, static_cast<int>(i) + 1};
        }
        ++i;
        continue;
      }
      count = 0;
      if (c != '\\') {
        ++i;
        continue;
      }
      out.append(s, seg, i - seg);
      TextPos after = LongGetCommandName(sc, lines, k, static_cast<int>(i) + 1);
      std::string name = sc.commandName;
      if (sc.braceFollows) {
        TextPos g = LongGetGroup(lines, after.line, after.col, arg);
        if (g.line < 0) {
          out.clear();
          return {-1, -1};
        }
        out += "\\" + name + "{" + arg + "}";
        k = g.line;
        i = static_cast<size_t>(g.col - 1);
        jumped = true;
        break;
      }
      out += "\\" + name;
      size_t term = i + 1 + name.size();
      if (after.line != k) {  // the name ran to the end of its line
        i = seg = s.size();
        break;
      }
      if (!name.empty() && isAsciiLetter(name[0]) && term < s.size() && s[term] == ' ') out += ' ';
      i = seg = static_cast<size_t>(after.col - 1);
    }
    if (jumped) continue;
    if (seg < s.size()) out.append(s, seg, std::string::npos);
    // Line change: join with the next non-empty line.
    char prevLast = lastSingle(s);
    ++k;
    while (k < nl && lines[k].empty()) ++k;
    if (k >= nl) break;
    char f = lines[k][0];
    if (isAsciiLetter(prevLast) && isAsciiLetter(f)) out += ' ';
    else if (prevLast == '\\' && isAsciiLetter(f)) out += "\\/";
    i = 0;
    count = 0;
  }
  out.clear();
  return {-1, -1};
}

int Group(std::string_view text, int startCol) {
  int depth = 0;
  for (size_t i = static_cast<size_t>(std::max(startCol, 1) - 1); i < text.size();) {
    char c = text[i];
    if (isLead(c)) {
      i += charLen(text, i);
      continue;
    }
    if (c == '{') ++depth;
    else if (c == '}') {
      if (depth == 0) return static_cast<int>(i) - (startCol - 1);
      --depth;
    }
    ++i;
  }
  return -1;
}

int RGroup(std::string_view text, int col) {
  // Collect the single-byte positions first so that trail bytes are never read as braces.
  std::vector<size_t> singles;
  for (size_t i = 0; i < text.size() && i < static_cast<size_t>(col);) {
    size_t len = charLen(text, i);
    if (len == 1) singles.push_back(i);
    i += len;
  }
  int depth = 0;
  for (auto it = singles.rbegin(); it != singles.rend(); ++it) {
    char c = text[*it];
    if (c == '}') ++depth;
    else if (c == '{') {
      if (depth == 0) return static_cast<int>(*it) + 1;
      --depth;
    }
  }
  return 0;
}

size_t GetkakkoGroup(std::string_view s, size_t pos, char kind) {
  char open = kind == '1' ? '[' : '(';
  char close = kind == '1' ? ']' : ')';
  int depth = 0;
  for (size_t i = pos + 1; i < s.size();) {
    char c = s[i];
    if (isLead(c)) {
      i += charLen(s, i);
      continue;
    }
    if (c == open) ++depth;
    else if (c == close) {
      if (depth == 0) return i;
      --depth;
    }
    ++i;
  }
  return npos;
}

bool isLeftDelimiter(char c) { return c == '(' || c == inband::kOpenBrace || c == '[' || c == '|' || c == '.'; }
bool isRightDelimiter(char c) { return c == ')' || c == inband::kCloseBrace || c == ']' || c == '|' || c == '.'; }

namespace {
// First "\word" not followed by a letter, from pos; npos when none.
size_t findCommand(std::string_view s, size_t pos, std::string_view word) {
  for (size_t i = pos; i < s.size();) {
    char c = s[i];
    if (isLead(c)) {
      i += charLen(s, i);
      continue;
    }
    if (c == '\\') {
      if (s.substr(i + 1, word.size()) == word) {
        size_t after = i + 1 + word.size();
        if (after >= s.size() || !isAsciiLetter(s[after])) return i;
      }
      // Skip the escaped byte as a unit: "\\left" is a backslash followed by text.
      i += (i + 1 < s.size() && !isLead(s[i + 1])) ? 2 : 1;
      continue;
    }
    ++i;
  }
  return npos;
}
}  // namespace

size_t SearchLR(std::string_view s, size_t pos) {
  size_t l = findCommand(s, pos, "left");
  if (l != npos && (l + 5 >= s.size() || !isLeftDelimiter(s[l + 5]))) return npos;
  size_t r = findCommand(s, pos, "right");
  if (r != npos && (r + 6 >= s.size() || !isRightDelimiter(s[r + 6]))) return npos;
  if (l == npos) return r;
  if (r == npos) return l;
  return std::min(l, r);
}

size_t lrGroup(std::string_view s, size_t pos) {
  if (pos >= s.size() || !isLeftDelimiter(s[pos])) return npos;
  // SearchLR from every bracket would rescan the text to the next \right
  // each time (quadratic in the nesting). The scan only moves forward, so
  // the next \left and the next \right are each found once and kept until
  // the scan passes them: one pass over the text in all. A \right lies at
  // least 6 bytes after a \left before it ("\left" and its delimiter hold
  // no backslash), and the other way round 7, so the one kept stays ahead.
  auto leftAt = [&](size_t from) { return findCommand(s, from, "left"); };
  auto rightAt = [&](size_t from) { return findCommand(s, from, "right"); };
  size_t l = leftAt(pos + 1), r = rightAt(pos + 1);
  int depth = 0;
  for (;;) {
    // As SearchLR: the first of either kind must have its delimiter.
    if (l != npos && (l + 5 >= s.size() || !isLeftDelimiter(s[l + 5]))) return npos;
    if (r != npos && (r + 6 >= s.size() || !isRightDelimiter(s[r + 6]))) return npos;
    if (l != npos && (r == npos || l < r)) {
      ++depth;
      l = leftAt(l + 6);
    } else if (r != npos) {
      if (depth == 0) return r == 0 ? npos : r - 1;
      --depth;
      r = rightAt(r + 7);
    } else {
      return npos;
    }
  }
}

int RlrGroup(std::string_view text, int col) {
  std::vector<size_t> backslashes;  // real command backslashes, in order
  for (size_t i = 0; i < text.size();) {
    char c = text[i];
    if (isLead(c)) {
      i += charLen(text, i);
      continue;
    }
    if (c == '\\') backslashes.push_back(i);
    ++i;
  }
  int cur = col - 7;  // 1-based column just before the backslash of that \right
  int depth = 0;
  while (cur >= 1) {
    // Last backslash at or before column cur.
    auto it = std::upper_bound(backslashes.begin(), backslashes.end(), static_cast<size_t>(cur - 1));
    if (it == backslashes.begin()) return 0;
    size_t b = *(it - 1);
    std::string_view rest = text.substr(b + 1);
    if (rest.substr(0, 4) == "left" && rest.size() > 4 && isLeftDelimiter(rest[4])) {
      if (depth == 0) return static_cast<int>(b) + 1;
      --depth;
    } else if (rest.substr(0, 5) == "right" && rest.size() > 5 && isRightDelimiter(rest[5])) {
      ++depth;
    }
    cur = static_cast<int>(b);  // one column before that backslash (1-based b+1, minus 1)
  }
  return 0;
}

void StrTok(std::string_view text, std::string_view delim, std::vector<std::string>& out) {
  out.clear();
  char d = delim.empty() ? ',' : delim[0];
  int depth = 0;
  size_t start = 0;
  for (size_t i = 0; i < text.size();) {
    char c = text[i];
    if (isLead(c)) {
      i += charLen(text, i);
      continue;
    }
    if (c == '\\' && i + 1 < text.size() && (text[i + 1] == d || text[i + 1] == '{' || text[i + 1] == '}')) {
      i += 2;
      continue;
    }
    if (c == '{') ++depth;
    else if (c == '}') --depth;
    else if (c == d && depth == 0) {
      out.push_back(Trim(text.substr(start, i - start)));
      start = i + 1;
    }
    ++i;
  }
  out.push_back(Trim(text.substr(start)));
}

size_t StrLen(std::string_view s) { return charCount(s); }

bool NextBackslash(const Lines& lines, int& line, size_t& index) {
  while (line < static_cast<int>(lines.size())) {
    const std::string& s = lines[static_cast<size_t>(line)];
    if (index >= s.size()) {
      ++line;
      index = 0;
      continue;
    }
    const char c = s[index];
    if (c == '\\') return true;
    index += isLead(c) ? 2 : 1;
  }
  return false;
}

}  // namespace vel
