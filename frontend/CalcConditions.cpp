// Conditions of \if and of the drawing language: a comparison of two
// values, or of two lengths when a length variable or an encoded length
// appears in the text.
#include <string>

#include "base/InBand.h"
#include "base/Cp932.h"
#include "frontend/Calc.h"
#include "frontend/Lexical.h"

namespace vel {

namespace {

enum class Op { None, Eq, Ne, Always, Lt, Le, Gt, Ge };

// Splits at the first of "=", "!", ">", "<"; a "=" right after the
// operator belongs to it.
Op Split(std::string_view c, std::string_view& left, std::string_view& right) {
  size_t i = 0;
  while (i < c.size()) {
    char ch = c[i];
    if (ch == '=' || ch == '!' || ch == '>' || ch == '<') break;
    if (ch == '\\' && i + 1 < c.size() && inband::IsEncodedLengthSign(c[i + 1])) {
      i += kEncodedLengthSize;  // its digit bytes may look like lead bytes
      continue;
    }
    i += isLead(ch) && i + 1 < c.size() ? 2 : 1;
  }
  if (i >= c.size()) return Op::None;
  left = c.substr(0, i);
  char op = c[i];
  bool eq = i + 1 < c.size() && c[i + 1] == '=';
  right = c.substr(i + (eq ? 2 : 1));
  switch (op) {
    case '=': return Op::Eq;
    case '!': return eq ? Op::Ne : Op::Always;
    case '<': return eq ? Op::Le : Op::Lt;
    default: return eq ? Op::Ge : Op::Gt;
  }
}

template <class T>
bool Compare(Op op, T a, T b) {
  switch (op) {
    case Op::Eq: return a == b;
    case Op::Ne: return a != b;
    case Op::Lt: return a < b;
    case Op::Le: return a <= b;
    case Op::Gt: return a > b;
    case Op::Ge: return a >= b;
    default: return true;
  }
}

}  // namespace

bool ValueConditionIsTrue(State& st, std::string_view cond) {
  std::string_view l, r;
  Op op = Split(cond, l, r);
  if (op == Op::None) return Calc(st, cond) != 0;
  if (op == Op::Always) return true;
  double a = Calc(st, l);
  return Compare(op, a, Calc(st, r));
}

bool LengthConditionIsTrue(State& st, std::string_view cond) {
  std::string_view l, r;
  Op op = Split(cond, l, r);
  if (op == Op::None) return UnitToPix(st, cond) != 0;
  if (op == Op::Always) return true;
  int a = UnitToPix(st, l);
  return Compare(op, a, UnitToPix(st, r));
}

bool ConditionIsTrue(State& st, std::string_view cond) {
  bool length = false;
  for (size_t i = 0; i < cond.size() && !length;) {
    if (cond[i] != '\\') {
      i += isLead(cond[i]) && i + 1 < cond.size() ? 2 : 1;
      continue;
    }
    if (i + 1 < cond.size() && inband::IsEncodedLengthSign(cond[i + 1])) {
      length = true;
      break;
    }
    size_t next = GetCommandName(st.scan, cond, i);
    const std::string& name = st.scan.commandName;
    int v = 0;
    length = !name.empty() && (FindLength(st, name, v) || BoxSizeOf(st, name, v) != BoxSize::NotABoxName);
    i = next > i ? next : i + 1;
  }
  return length ? LengthConditionIsTrue(st, cond) : ValueConditionIsTrue(st, cond);
}

}  // namespace vel
