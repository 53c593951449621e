// The string functions \strnum ... \substr: their result replaces the
// command and its argument in the text, which is then read as text.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "base/Cp932.h"
#include "frontend/Calc.h"
#include "frontend/TextGen.h"
#include "layout/commands/CommandEffects.h"
#include "frontend/Lexical.h"

namespace vel::fx {

namespace {

// Truncation toward zero that stays defined for any double.
long long TruncToLong(double v) {
  if (!(v == v)) return 0;
  if (v >= 9.2e18) return 9200000000000000000LL;
  if (v <= -9.2e18) return -9200000000000000000LL;
  return static_cast<long long>(v);
}

int ClampToInt(long long v) {
  if (v > 2147483647LL) return 2147483647;
  if (v < -2147483647LL) return -2147483647;
  return static_cast<int>(v);
}

// The decimals \strval writes at most.
constexpr int kMaxDecimals = 18;

// v in fixed notation with d decimals: rounded half away from zero on its
// decimal digits, of which at most 15 significant ones are kept (the rest
// read as zeros).
std::string FixedText(double v, int d) {
  if (!std::isfinite(v)) v = 0;
  std::string digits = "0";
  int intDigits = 1;  // digits before the decimal point
  if (v != 0) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.14e", std::fabs(v));  // d.dddddddddddddde+XX
    digits.assign(1, buf[0]);
    digits.append(buf + 2, 14);
    intDigits = std::atoi(buf + 17) + 1;
  }
  const int keep = intDigits + d;  // digits that stay
  if (keep < 0) {
    digits = "0";
    intDigits = 1;
  } else if (keep < static_cast<int>(digits.size())) {
    const bool up = digits[static_cast<size_t>(keep)] >= '5';
    digits.resize(static_cast<size_t>(keep));
    if (up) {
      int i = keep - 1;
      for (; i >= 0 && digits[static_cast<size_t>(i)] == '9'; --i) digits[static_cast<size_t>(i)] = '0';
      if (i >= 0) ++digits[static_cast<size_t>(i)];
      else {
        digits.insert(digits.begin(), '1');
        ++intDigits;
      }
    }
  }
  auto digitAt = [&](int i) { return (i >= 0 && i < static_cast<int>(digits.size())) ? digits[static_cast<size_t>(i)] : '0'; };
  std::string out;
  if (intDigits <= 0) out = "0";
  for (int i = 0; i < intDigits; ++i) out += digitAt(i);
  if (d > 0) {
    out += '.';
    for (int i = 0; i < d; ++i) out += digitAt(intDigits + i);
  }
  if (v < 0 && out.find_first_of("123456789") != std::string::npos) out.insert(out.begin(), '-');
  return out;
}

// Character boundaries of a CP932 text: a double-byte character is one.
std::vector<size_t> CharStarts(const std::string& s) {
  std::vector<size_t> starts;
  for (size_t i = 0; i < s.size();) {
    starts.push_back(i);
    i += (isLead(s[i]) && i + 1 < s.size()) ? 2 : 1;
  }
  return starts;
}

// Positions of the commas that separate the parts of an argument: outside
// braces, not escaped, never a trail byte.
std::vector<size_t> TopLevelCommas(const std::string& s) {
  std::vector<size_t> commas;
  int depth = 0;
  for (size_t i = 0; i < s.size();) {
    const char c = s[i];
    if (isLead(c) && i + 1 < s.size()) {
      i += 2;
      continue;
    }
    if (c == '\\' && i + 1 < s.size() && (s[i + 1] == ',' || s[i + 1] == '{' || s[i + 1] == '}')) {
      i += 2;
      continue;
    }
    if (c == '{') ++depth;
    else if (c == '}') --depth;
    else if (c == ',' && depth == 0) commas.push_back(i);
    ++i;
  }
  return commas;
}

std::string SubStr(State& st, const std::string& arg) {
  const std::vector<size_t> commas = TopLevelCommas(arg);
  std::string text, fromText, countText;
  if (commas.size() >= 2) {
    // Commas beyond the last two belong to the text.
    const size_t a = commas[commas.size() - 2], b = commas.back();
    text = Trim(std::string_view(arg).substr(0, a));
    fromText = arg.substr(a + 1, b - a - 1);
    countText = arg.substr(b + 1);
  } else if (commas.size() == 1) {
    text = Trim(std::string_view(arg).substr(0, commas[0]));
    fromText = arg.substr(commas[0] + 1);
  } else {
    text = Trim(arg);
  }
  if (text.empty()) return std::string();
  const std::vector<size_t> starts = CharStarts(text);
  const long long n = static_cast<long long>(starts.size());
  long long from = TruncToLong(Calc(st, fromText));
  long long count = TruncToLong(Calc(st, countText));
  from = std::max(1LL, std::min(from, n));
  count = std::max(1LL, std::min(count, n - from + 1));
  const size_t begin = starts[static_cast<size_t>(from - 1)];
  const long long last = from - 1 + count;  // index of the first character after the result
  const size_t end = last >= n ? text.size() : starts[static_cast<size_t>(last)];
  return text.substr(begin, end - begin);
}

}  // namespace

std::string StringFunction(State& st, int sub, const std::string& arg) {
  if (sub == 11) return SubStr(st, arg);
  if (sub == 10) {
    std::vector<std::string> parts;
    StrTok(arg, ",", parts);
    const double v = Calc(st, parts[0]);
    long long d = parts.size() > 1 ? TruncToLong(Calc(st, parts[1])) : 0;
    d = std::max(0LL, std::min<long long>(d, kMaxDecimals));
    return FixedText(v, static_cast<int>(d));
  }
  const long long n = TruncToLong(Calc(st, arg));
  const int small = ClampToInt(n);
  switch (sub) {
    case 1: return std::to_string(n);
    case 2: return ToAlpha(small, false);
    case 3: return ToAlpha(small, true);
    case 4: return ToRom(small, false);
    case 5: return ToRom(small, true);
    case 6: return (n >= 1 && n < 1000000) ? ToZenkaku(std::to_string(n)) : std::string();
    case 7: return ToZenkaku(ToAlpha(small, false));
    case 8: return ToZenkaku(ToAlpha(small, true));
    case 9: return (n >= 1 && n < 1000000) ? ToKanNum(std::to_string(n)) : std::string();
    default: return std::string();
  }
}

}  // namespace vel::fx
