// \pageBGcolor, \columnBGcolor, \pageBGimage, \columnBGimage: a request
// for the page (or column) being filled and a count of following ones.
#include <algorithm>
#include <string>
#include <string_view>

#include "base/Cp932.h"
#include "frontend/Calc.h"
#include "frontend/Lexical.h"
#include "layout/pages/Columns.h"

namespace vel {

namespace {

// The first single-byte `c` at or after `from`: a trail byte of a
// double-byte character may be '[' or ']' and must not match.
size_t FindSingle(std::string_view s, char c, size_t from) {
  for (size_t i = 0; i < s.size();) {
    if (isLead(s[i]) && i + 1 < s.size()) {
      i += 2;
      continue;
    }
    if (i >= from && s[i] == c) return i;
    ++i;
  }
  return npos;
}

// "all", or a number of pages or columns; anything else counts 0.
int BracketCount(std::string_view inside) {
  const std::string t = Trim(inside);
  if (t == "all") return kEveryOne;
  size_t i = t.size() > 1 && t[0] == '+' ? 1 : 0;
  if (i >= t.size()) return 0;
  long long n = 0;
  for (; i < t.size(); ++i) {
    if (!isAsciiDigit(t[i])) return 0;
    n = std::min<long long>(n * 10 + (t[i] - '0'), kEveryOne);
  }
  return static_cast<int>(n);
}

}  // namespace

bool ConsumeBackground(BackgroundRequest& r) {
  if (r.count <= 0) return false;
  if (r.count != kEveryOne) --r.count;
  return true;
}

void SetPageColumnBGColorImage(State& st, const std::string& text, int which) {
  int count = kEveryOne;
  std::string_view value = text;
  const size_t open = FindSingle(text, '[', 0);
  if (open != npos) {
    const size_t close = FindSingle(text, ']', open + 1);
    if (close == npos) {
      count = 0;
    } else {
      count = BracketCount(std::string_view(text).substr(open + 1, close - open - 1));
      value = std::string_view(text).substr(close + 1);
    }
  }

  BackgroundRequest* r = nullptr;
  switch (which) {
    case 0: r = &st.col.pageColor; break;
    case 1: r = &st.col.columnColor; break;
    case 2: r = &st.col.pageImage; break;
    case 3: r = &st.col.columnImage; break;
    default: return;
  }
  // A new request replaces the pending one of its kind.
  *r = BackgroundRequest{};
  r->count = count;
  if (which == 0 || which == 1) r->color = GetColor(st, value);
  else r->image = Trim(value);
}

}  // namespace vel
