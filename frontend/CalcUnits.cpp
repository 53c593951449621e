// Lengths: UnitToPix with its unit suffixes and length variables, the
// encoded lengths the paragraph reformer freezes, user lengths and counters.
#include <charconv>
#include <cmath>
#include <string>

#include "base/Units.h"
#include "base/InBand.h"
#include "base/Cp932.h"
#include "frontend/Calc.h"
#include "frontend/Values.h"
#include "frontend/Lexical.h"

namespace vel {

namespace {

// Layout units per unit: the resolution r = 10 times the scale m = 2000.
constexpr double kInch = units::kPerInch;
constexpr double kMm = units::kPerMM;
constexpr double kCm = kInch / 2.54;
constexpr double kPt = units::kPerPoint;

bool isLetter(char c) { return isAsciiLetter(c); }

// The first backslash outside double-byte characters, or npos.
size_t FirstBackslash(std::string_view s) {
  for (size_t i = 0; i < s.size(); i += isLead(s[i]) && i + 1 < s.size() ? 2 : 1)
    if (s[i] == '\\') return i;
  return npos;
}

bool EndsWithUnit(std::string_view t, std::string_view unit) {
  return t.size() > unit.size() && t.compare(t.size() - unit.size(), unit.size(), unit) == 0 &&
         !isLetter(t[t.size() - unit.size() - 1]);
}

// v >= 0 with 10 significant digits, in fixed notation so that Calc can
// read it back (an exponent would split into operands).
void AppendSig10(std::string& out, double v) {
  if (v == 0) {
    out += '0';
    return;
  }
  char buf[48];
  auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, 9);
  std::string_view sci(buf, static_cast<size_t>(r.ptr - buf));  // d.ddddddddde[+-]xx
  size_t e = sci.find('e');
  std::string digits;
  digits += sci[0];
  digits.append(sci.substr(2, e - 2));
  int exp = 0;
  std::from_chars(sci.data() + e + (sci[e + 1] == '+' ? 2 : 1), sci.data() + sci.size(), exp);
  std::string text;
  if (exp >= 0) {
    size_t intLen = static_cast<size_t>(exp) + 1;
    if (digits.size() < intLen) digits.append(intLen - digits.size(), '0');
    text = digits.substr(0, intLen);
    std::string frac = digits.substr(intLen);
    while (!frac.empty() && frac.back() == '0') frac.pop_back();
    if (!frac.empty()) text += "." + frac;
  } else {
    while (!digits.empty() && digits.back() == '0') digits.pop_back();
    text = "0." + std::string(static_cast<size_t>(-exp - 1), '0') + digits;
  }
  out += text;
}

}  // namespace

BoxSize BoxSizeOf(const State& st, std::string_view name, int& v) {
  bool width = name.size() == 9 && name.compare(0, 8, "boxwidth") == 0;
  bool height = name.size() == 10 && name.compare(0, 9, "boxheight") == 0;
  if (!width && !height) return BoxSize::NotABoxName;
  char letter = name.back();
  if (letter < 'A' || letter > 'Z') return BoxSize::NotABoxName;
  int index = st.box.boxLetterIndex[static_cast<size_t>(letter - 'A')];
  if (index < 0 || index >= static_cast<int>(st.boxList.size())) return BoxSize::NoBox;
  const StoredBox& b = st.boxList[static_cast<size_t>(index)];
  v = width ? b.width : b.height + b.depth;
  return BoxSize::Found;
}

bool FindLength(const State& st, std::string_view name, int& v) {
  for (int pass = 0; pass < 2; ++pass) {
    std::string padded;
    std::string_view n = name;
    if (pass == 1) {
      if (name.size() > 4) break;
      padded = PaddedLengthName(name);
      n = padded;
    }
    for (const LengthNameList* l : {&*st.val.lengthList, &*st.val.userLengthList}) {
      int i = l->Find(n);
      if (i >= 0) {
        v = (*l)[i].value;
        return true;
      }
    }
  }
  return false;
}

int UnitToPix(State& st, std::string_view text) {
  st.val.unitGiven = false;
  st.val.lengthVarUsed = false;
  std::string t = Trim(text);

  size_t bs = FirstBackslash(t);
  if (bs != npos && bs + 1 < t.size() && inband::IsEncodedLengthSign(t[bs + 1])) {
    int v = 0;
    return DecodeLength(t, bs, v) ? v : 0;
  }

  double f = kCm;
  struct Suffix {
    std::string_view text;
    double factor;
  };
  const Suffix suffixes[] = {{"mm", kMm}, {"cm", kCm}, {"pt", kPt}, {"ch", st.font.charHeight}, {"inch", kInch}};
  for (const Suffix& s : suffixes) {
    if (EndsWithUnit(t, s.text)) {
      f = s.factor;
      t.resize(t.size() - s.text.size());
      st.val.unitGiven = true;
      break;
    }
  }

  // Length variables become their value in the unit in force.
  std::string expr;
  expr.reserve(t.size() + 16);
  for (size_t i = 0; i < t.size();) {
    if (t[i] != '\\') {
      size_t len = isLead(t[i]) && i + 1 < t.size() ? 2 : 1;
      expr.append(t, i, len);
      i += len;
      continue;
    }
    size_t e = i + 1;
    while (e < t.size() && isLetter(t[e])) ++e;
    std::string_view name = std::string_view(t).substr(i + 1, e - i - 1);
    int v = 0;
    bool found = false;
    BoxSize box = BoxSizeOf(st, name, v);
    if (box == BoxSize::NoBox) return 0;
    if (box == BoxSize::Found) {
      found = true;
    } else if (name == "hpos" && st.draw.drawing) {
      v = st.draw.linePenX - st.draw.lineStartX;
      found = true;
    } else {
      found = !name.empty() && FindLength(st, name, v);
    }
    if (!found) {
      expr.append(t, i, e - i);
      i = e;
      continue;
    }
    double inUnit = f > 0 ? v / f : 0;
    if (inUnit < 0) {
      expr += "(-";
      AppendSig10(expr, -inUnit);
      expr += ')';
    } else {
      AppendSig10(expr, inUnit);
    }
    st.val.lengthVarUsed = true;
    i = e;
  }

  double x = Calc(st, expr) * f;
  // A length variable went through ten significant digits of the unit in
  // force; without a nudge its own value comes back one unit short.
  if (st.val.lengthVarUsed) x += x < 0 ? -1e-6 : 1e-6;
  double r = std::trunc(x);
  if (!(std::fabs(r) < 2147483648.0)) return 0;
  return static_cast<int>(r);
}

std::string EncodeLength(int v) {
  std::string s = "\\";
  s += v < 0 ? inband::kEncodedNegative : inband::kEncodedPositive;
  long m = std::labs(static_cast<long>(v));
  if (m > (1L << 28) - 1) m = (1L << 28) - 1;
  for (int shift = 21; shift >= 0; shift -= 7) s += static_cast<char>(0x80 | ((m >> shift) & 0x7F));
  return s;
}

bool DecodeLength(std::string_view s, size_t pos, int& v) {
  if (pos >= s.size() || s.size() - pos < kEncodedLengthSize || s[pos] != '\\') return false;
  char sign = s[pos + 1];
  if (!inband::IsEncodedLengthSign(sign)) return false;
  int m = 0;
  for (size_t k = 2; k < kEncodedLengthSize; ++k) {
    unsigned char d = static_cast<unsigned char>(s[pos + k]);
    if (d < 0x80) return false;
    m = (m << 7) | (d & 0x7F);
  }
  v = sign == inband::kEncodedNegative ? -m : m;
  return true;
}

void DefLength(State& st, std::string_view arg) {
  std::string t = Trim(arg);
  if (t.empty()) return;
  std::string name = t.substr(1);
  while (name.size() < 5) name += 'Z';
  if (st.val.userLengthList->Find(name) < 0) st.val.userLengthList.mut().Add(name, 0);
}

void SetCounter(State& st, std::string_view arg) {
  std::vector<std::string> parts;
  StrTok(arg, ",", parts);
  if (parts.size() < 2) return;
  double index = std::trunc(Calc(st, parts[0]));
  if (!(index >= 0 && index <= 99)) return;
  double value = std::trunc(Calc(st, parts[1]));
  if (!(std::fabs(value) < 2147483648.0)) value = 0;
  st.val.counters[static_cast<size_t>(index)] = static_cast<int>(value);
}

}  // namespace vel
