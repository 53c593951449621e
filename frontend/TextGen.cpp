// Text generators: the date format language, full-width forms, kanji
// digits, letters and Roman numerals, file-name extensions.
#include "frontend/TextGen.h"

#include <array>

#include "base/Cp932.h"
#include "frontend/Lexical.h"

namespace vel {

namespace {

size_t charLen(std::string_view s, size_t i) { return isLead(s[i]) && i + 1 < s.size() ? 2 : 1; }

// Full-width forms of the single-byte characters, as CP932 (empty: none).
const std::array<std::string, 256>& ZenkakuTable() {
  static const std::array<std::string, 256> table = [] {
    std::array<std::string, 256> t;
    auto put = [&](unsigned char c, char32_t u) {
      uint16_t code = unicodeToCp932(u);
      if (code > 0xFF) t[c] = {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
    };
    put(' ', U'\u3000');
    for (int k = 0; k < 10; ++k) put(static_cast<unsigned char>('0' + k), U'\uFF10' + static_cast<char32_t>(k));
    for (int k = 0; k < 26; ++k) {
      put(static_cast<unsigned char>('A' + k), U'\uFF21' + static_cast<char32_t>(k));
      put(static_cast<unsigned char>('a' + k), U'\uFF41' + static_cast<char32_t>(k));
    }
    const std::pair<char, char32_t> marks[] = {
        {'!', U'\uFF01'}, {'#', U'\uFF03'}, {'$', U'\uFF04'}, {'%', U'\uFF05'}, {'&', U'\uFF06'},
        {'"', U'\u201D'}, {'\'', U'\u2019'}, {'`', U'\uFF40'},
        {'(', U'\uFF08'}, {')', U'\uFF09'}, {'[', U'\uFF3B'}, {']', U'\uFF3D'}, {'{', U'\uFF5B'}, {'}', U'\uFF5D'},
        {'=', U'\uFF1D'}, {'-', U'\uFF0D'}, {'+', U'\uFF0B'}, {'*', U'\uFF0A'}, {'~', U'\uFF5E'}, {'^', U'\uFF3E'},
        {'\\', U'\uFFE5'},
        {'|', U'\uFF5C'}, {'@', U'\uFF20'}, {'_', U'\uFF3F'},
        {';', U'\uFF1B'}, {':', U'\uFF1A'}, {',', U'\uFF0C'}, {'.', U'\uFF0E'}, {'/', U'\uFF0F'}, {'?', U'\uFF1F'},
        {'<', U'\uFF1C'}, {'>', U'\uFF1E'},
    };
    for (auto [c, u] : marks) put(static_cast<unsigned char>(c), u);
    // Half-width 0xA1-0xAF and 0xB1-0xDD; the prolonged sound mark 0xB0 and
    // the voicing marks 0xDE, 0xDF stay as they are.
    const std::u32string kana =
        U"。「」、・ヲァィゥェォャュョッ"        // 0xA1-0xAF
        U"アイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモヤユヨラリルレロワン";  // 0xB1-0xDD
    for (size_t k = 0; k < 15; ++k) put(static_cast<unsigned char>(0xA1 + k), kana[k]);
    for (size_t k = 15; k < kana.size(); ++k) put(static_cast<unsigned char>(0xB1 + k - 15), kana[k]);
    return t;
  }();
  return table;
}

const std::string& ZenkakuDigit(int d) { return ZenkakuTable()[static_cast<unsigned char>('0' + d)]; }

std::string Digits(int v, int width) {
  std::string s = std::to_string(v < 0 ? -v : v);
  while (static_cast<int>(s.size()) < width) s.insert(s.begin(), '0');
  return s;
}

std::string Zenkaku(const std::string& ascii) {
  std::string out;
  for (char c : ascii) out += ZenkakuDigit(c - '0');
  return out;
}

}  // namespace

std::string MonthStr(int month, int tokenLength) {
  static const char* const kShort[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  static const char* const kLong[] = {"January", "February", "March",     "April",   "May",      "June",
                                      "July",    "August",   "September", "October", "November", "December"};
  if (month < 1 || month > 12) return {};
  switch (tokenLength) {
    case 1: return std::to_string(month);
    case 2: return Digits(month, 2);
    case 3: return kShort[month - 1];
    case 4: return kLong[month - 1];
    default: return {};
  }
}

std::string DayOfWeekStr(int dayOfWeek, int tokenLength) {
  static const char* const kShort[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const kLong[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
  if (dayOfWeek < 1 || dayOfWeek > 7) return {};
  switch (tokenLength) {
    case 1: return kShort[dayOfWeek - 1];
    case 2: return kLong[dayOfWeek - 1];
    case 3: {
      static const std::string kKanji = SJ("日月火水木金土");
      return kKanji.substr(static_cast<size_t>(dayOfWeek - 1) * 2, 2);
    }
    default: return {};
  }
}

std::string GetDateStr(const RunClock& clock, std::string_view formatIn) {
  const std::string format = Trim(formatIn);
  std::string out;
  bool twelve = false;         // a <a/b> token was met
  const int hour12 = clock.hour >= 12 ? clock.hour - 12 : clock.hour;
  // The last hour token before the first <a/b>: where its output sits.
  size_t hourAt = npos, hourLen = 0;
  int hourLetters = 0;

  auto number = [&](int v, int n, bool wide, int minWidth) {
    std::string d = Digits(v, n == 2 ? minWidth : 1);
    out += wide ? Zenkaku(d) : d;
  };

  for (size_t i = 0; i < format.size();) {
    const char c = format[i];
    if (c == '"' || c == '\'') {
      size_t close = i + 1;
      while (close < format.size() && format[close] != c) close += charLen(format, close);
      out.append(format, i + 1, std::min(close, format.size()) - i - 1);
      if (close >= format.size()) break;  // an unclosed quote ends the format
      i = close + 1;
      continue;
    }
    if (c == '<') {
      size_t slash = npos, close = npos;
      for (size_t k = i + 1; k < format.size(); k += charLen(format, k)) {
        if (format[k] == '/' && slash == npos) slash = k;
        if (format[k] == '>') {
          close = k;
          break;
        }
      }
      if (slash == npos || close == npos || slash > close) {
        ++i;  // not a token: dropped
        continue;
      }
      if (clock.hour < 12) out.append(format, i + 1, slash - i - 1);
      else out.append(format, slash + 1, close - slash - 1);
      twelve = true;
      i = close + 1;
      continue;
    }
    if (!isAsciiLetter(c)) {
      i += charLen(format, i);  // belongs to no token
      continue;
    }
    size_t e = i;
    while (e < format.size() && format[e] == c) ++e;
    const int n = static_cast<int>(e - i);
    i = e;
    const size_t before = out.size();
    switch (c) {
      case 'y':
      case 'Y':
        if (n == 2 || n == 4) {
          std::string d = n == 2 ? Digits(clock.year % 100, 2) : Digits(clock.year, 4);
          out += c == 'Y' ? Zenkaku(d) : d;
        }
        break;
      case 'm':
        out += MonthStr(clock.month, n);
        break;
      case 'M':
        if (n <= 2) number(clock.month, n, true, 2);
        break;
      case 'd':
      case 'D':
        if (n <= 2) number(clock.day, n, c == 'D', 2);
        break;
      case 'h':
      case 'H':
        if (n <= 2) {
          number(twelve ? hour12 : clock.hour, n, c == 'H', 2);
          if (!twelve) {
            hourAt = before;
            hourLen = out.size() - before;
            hourLetters = n;
          }
        }
        break;
      case 'n':
      case 'N':
        if (n <= 2) number(clock.minute, n, c == 'N', 2);
        break;
      case 's':
      case 'S':
        if (n <= 2) number(clock.second, n, c == 'S', 2);
        break;
      case 'w':
        out += DayOfWeekStr(clock.dayOfWeek, n);
        break;
      default:
        break;
    }
  }
  // An hour written before the <a/b> token follows it once the format is read.
  if (twelve && clock.hour >= 12 && hourAt != npos)
    out.replace(hourAt, hourLen, Digits(hour12, hourLetters == 2 ? 2 : 1));
  return out;
}

std::string ToZenkaku(std::string_view text) {
  const auto& table = ZenkakuTable();
  std::string out;
  out.reserve(text.size() * 2);
  for (size_t i = 0; i < text.size();) {
    size_t len = charLen(text, i);
    const std::string& z = len == 1 ? table[static_cast<unsigned char>(text[i])] : std::string();
    if (!z.empty()) out += z;
    else out.append(text, i, len);
    i += len;
  }
  return out;
}

std::string ToKanNum(std::string_view digits) {
  static const std::string kKanji = SJ("〇一二三四五六七八九");
  std::string out;
  for (size_t i = 0; i < digits.size();) {
    size_t len = charLen(digits, i);
    if (len == 1 && isAsciiDigit(digits[i])) out.append(kKanji, static_cast<size_t>(digits[i] - '0') * 2, 2);
    i += len;
  }
  return out;
}

std::string ToAlpha(int n, bool upper) {
  if (n <= 0) return {};
  return std::string(1, static_cast<char>((upper ? 'A' : 'a') + (n - 1) % 26));
}

std::string ToRom(int n, bool upper) {
  static const char* const kTens[] = {"", "X", "XX", "XXX", "XL"};
  static const char* const kUnits[] = {"", "I", "II", "III", "IV", "V", "VI", "VII", "VIII", "IX"};
  if (n < 1 || n > 49) return {};
  std::string s = std::string(kTens[n / 10]) + kUnits[n % 10];
  if (!upper)
    for (char& c : s) c = static_cast<char>(c + 32);
  return s;
}

std::string GetKakuchoshi(std::string_view name) {
  size_t dot = npos;
  for (size_t i = 0; i < name.size(); i += charLen(name, i))
    if (name[i] == '.') dot = i;
  return dot == npos ? std::string() : std::string(name.substr(dot + 1));
}

}  // namespace vel
