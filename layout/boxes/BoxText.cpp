#include "layout/boxes/BoxText.h"

#include <algorithm>

#include "base/InBand.h"
#include "base/Cp932.h"
#include "frontend/Calc.h"
#include "layout/boxes/Boxes.h"

namespace vel::boxtext {

namespace {

std::string encode(char marker, int index, int base) {
  if (index < 0 || index >= base * base * base) return {};
  std::string r = "\\";
  r += marker;
  r += static_cast<char>(32 + index / (base * base));
  r += static_cast<char>(32 + index / base % base);
  r += static_cast<char>(32 + index % base);
  return r;
}

int decode(std::string_view digits, int base) {
  if (digits.size() < 3) return -1;
  int v = 0;
  for (size_t k = 0; k < 3; ++k) {
    int d = static_cast<unsigned char>(digits[k]) - 32;
    if (d < 0 || d >= base) return -1;
    v = v * base + d;
  }
  return v;
}

}  // namespace

bool IsRef(std::string_view s, size_t i, char kind) {
  return i + 1 < s.size() && s[i] == '\\' && s[i + 1] == kind;
}

size_t UnitLen(std::string_view s, size_t i) {
  if (i >= s.size()) return 0;
  const size_t rest = s.size() - i;
  if (s[i] == '\\' && rest > 1) {
    char n = s[i + 1];
    if (n == kBoxRef || n == kMiniPageRef) return std::min(rest, kRefSize);
    if (inband::IsEncodedLengthSign(n)) return std::min(rest, inband::kEncodedLengthSize);
  }
  if (isLead(s[i]) && rest > 1) return 2;
  return 1;
}

std::string EncodeBoxRef(int index) { return encode(kBoxRef, index, 224); }
std::string EncodeMiniPageRef(int index) { return encode(kMiniPageRef, index, 90); }

int DecodeBoxRef(std::string_view s, size_t ref) {
  if (!IsRef(s, ref, kBoxRef) || ref + kRefSize > s.size()) return -1;
  return decode(s.substr(ref + 2, 3), 224);
}

int DecodeMiniPageRef(std::string_view s, size_t ref) {
  if (!IsRef(s, ref, kMiniPageRef) || ref + kRefSize > s.size()) return -1;
  return decode(s.substr(ref + 2, 3), 90);
}

int BoxRefIndexOfName(std::string_view name) {
  if (name.size() != 4 || name[0] != kBoxRef) return -1;
  return decode(name.substr(1), 224);
}

size_t GroupEnd(std::string_view s, size_t open) {
  int depth = 0;
  size_t i = open + 1;
  while (i < s.size()) {
    const char c = s[i];
    if (c == '\\' && i + 1 < s.size() && (s[i + 1] == '\\' || s[i + 1] == '{' || s[i + 1] == '}')) {
      i += 2;
      continue;
    }
    if (c == '{') {
      ++depth;
    } else if (c == '}') {
      if (depth == 0) return i;
      --depth;
    }
    i += UnitLen(s, i);
  }
  return npos;
}

size_t MathEnd(std::string_view s, size_t open) {
  size_t i = open + 1;
  while (i < s.size()) {
    const char c = s[i];
    if (c == '$') return i;
    if (c != '\\') {
      i += UnitLen(s, i);
      continue;
    }
    size_t u = UnitLen(s, i);
    if (u > 1) {  // a reference or an encoded length
      i += u;
      continue;
    }
    // A command: its name (letters, or one character), then its group.
    size_t e = i + 1;
    while (e < s.size() && isAsciiLetter(s[e])) ++e;
    if (e == i + 1) {
      i = e < s.size() ? e + UnitLen(s, e) : e;
      continue;
    }
    if (e < s.size() && s[e] == '{') {
      size_t close = GroupEnd(s, e);
      if (close == npos) return npos;
      e = close + 1;
    }
    i = e;
  }
  return npos;
}

size_t SkipSpaces(std::string_view s, size_t pos) {
  while (pos < s.size() && s[pos] == ' ') ++pos;
  return pos;
}

std::vector<long long> SpreadCopies(long long L, long long p) {
  std::vector<long long> at;
  if (p <= 0) return at;
  long long n = std::clamp(L / p, 1LL, kMaxCopies);
  if (n == 1) {
    at.push_back((L - p) / 2);
    return at;
  }
  const long long R = L - n * p;
  const long long step = p + R / (n - 1), wide = R % (n - 1);
  at.reserve(static_cast<size_t>(n));
  long long pos = 0;
  for (long long k = 0; k < n; ++k) {
    at.push_back(pos);
    pos += step + (k < wide ? 1 : 0);
  }
  return at;
}

BoxLevel::BoxLevel(State& st) : st_(st) {
  if (st.box.nesting == 0) st.box.walks = 0;
  ++st.box.nesting;
  ++st.box.walks;
  ok_ = st.box.nesting <= kMaxBoxDepth && st.box.walks <= kMaxBoxWalks;
}

bool ReadNamedGroup(std::string_view s, size_t pos, NamedGroup& g) {
  g = NamedGroup{};
  if (pos >= s.size() || s[pos] != '\\') return false;
  size_t e = pos + 1;
  while (e < s.size() && isAsciiLetter(s[e])) ++e;
  if (e == pos + 1 || e >= s.size() || s[e] != '{') return false;
  g.name.assign(s.substr(pos + 1, e - pos - 1));
  g.begin = pos;
  size_t close = GroupEnd(s, e);
  if (close == npos) {
    g.unclosed = true;
    return false;
  }
  g.content.assign(s.substr(e + 1, close - e - 1));
  g.end = close + 1;
  return true;
}

}  // namespace vel::boxtext
