// Calc: the expression evaluator every numeric argument goes through.
//
// The evaluation works on one rewritten copy of the text. Bracket pairs,
// max/min/arg calls and graph-point reads are evaluated first and replaced
// by placeholders: the byte kMark followed by one byte 0x80 + index. The
// rewrite refuses control bytes and bytes of 0x80 and above outside
// \strlen, so a placeholder can never be confused with anything typed.
//
// Flat expressions have one precedence per operator group, applied left
// to right: "^", then "*" "/", then "+" "-". That makes 2^3^2 = 64 and
// 2*-3 = -3 (the empty operand before "-" is 0); documents rely on both.
#include <array>
#include <charconv>
#include <cstdint>
#include <cmath>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "base/Cp932.h"
#include "base/Units.h"
#include "frontend/Calc.h"
#include "frontend/Lexical.h"

namespace vel {

namespace {

constexpr int kMaxOperands = 25;
constexpr int kMaxPlaceholders = 98;
constexpr char kMark = '\x1A';
constexpr long double kPi = 3.141592653589793L;

enum class Fail { None, Syntax, Undefined };

// One evaluation: the placeholders are shared by the nested evaluations of
// max/min/arg arguments and graph-point indexes, so their values stay
// visible there and all of them count against the limit of 98.
struct Eval {
  explicit Eval(const ExprEnv& e) : env(e) {}
  const ExprEnv& env;
  std::array<long double, kMaxPlaceholders> ph;  // written before read
  int phCount = 0;
};

bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isOperator(char c) { return c == '+' || c == '-' || c == '*' || c == '/' || c == '^'; }

bool startsWith(std::string_view s, size_t pos, std::string_view w) {
  return s.size() >= pos + w.size() && s.compare(pos, w.size(), w) == 0;
}

// A command name of letters right after s[pos] == '\\', followed by '{'.
bool isBracedCommand(std::string_view s, size_t pos, std::string_view name) {
  size_t end = pos + 1 + name.size();
  return startsWith(s, pos + 1, name) && end < s.size() && s[end] == '{';
}

void appendNumber(std::string& out, size_t n) {
  char buf[24];
  auto r = std::to_chars(buf, buf + sizeof buf, n);
  out.append(buf, r.ptr);
}

// Step 2: spaces out, \counter{ -> counter{, \strlen{..} -> its length,
// \uplow{a}{b}{} -> {a}^{b}. False when the text cannot be an expression
// (a group not closed, a byte that no operand can hold).
bool Rewrite(std::string_view s, std::string& out) {
  out.clear();
  out.reserve(s.size());
  struct Uplow {
    int depth;
    int stage;  // 0: in the base group, 1: in the exponent group
  };
  std::vector<Uplow> uplows;  // allocates only when \uplow appears
  int depth = 0;
  for (size_t i = 0; i < s.size();) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c == ' ') {
      ++i;
      continue;
    }
    if (c < 0x20 || c >= 0x7F) return false;
    if (c == '\\') {
      if (isBracedCommand(s, i, "strlen")) {
        size_t open = i + 7;
        size_t close = GetGroup(s, open);
        if (close == npos) return false;
        appendNumber(out, StrLen(s.substr(open + 1, close - open - 1)));
        i = close + 1;
        continue;
      }
      if (isBracedCommand(s, i, "counter")) {
        ++i;  // only the backslash goes
        continue;
      }
      if (isBracedCommand(s, i, "uplow")) {
        out += '{';
        ++depth;
        uplows.push_back({depth, 0});
        i += 7;
        continue;
      }
      out += '\\';
      ++i;
      continue;
    }
    if (c == '{') {
      ++depth;
      out += '{';
      ++i;
      continue;
    }
    if (c == '}') {
      out += '}';
      ++i;
      if (!uplows.empty() && uplows.back().depth == depth) {
        --depth;
        while (i < s.size() && s[i] == ' ') ++i;
        if (i >= s.size() || s[i] != '{') return false;
        if (uplows.back().stage == 0) {
          out += "^{";
          ++depth;
          uplows.back().stage = 1;
          ++i;
        } else {
          // The third group carries nothing for the value.
          size_t close = GetGroup(s, i);
          if (close == npos) return false;
          uplows.pop_back();
          i = close + 1;
        }
        continue;
      }
      --depth;
      continue;
    }
    out += static_cast<char>(c);
    ++i;
  }
  return uplows.empty();
}

bool finite(long double v) { return std::isfinite(v); }

long double Power(long double base, long double e, Fail& fail) {
  if (e == std::floor(e)) {
    if (e == 0) return 1;
    long double n = std::fabs(e);
    long double r;
    if (n <= 64) {
      // Repeated multiplication, as the exponent rule says.
      r = base;
      for (int k = 1; k < static_cast<int>(n); ++k) r *= base;
    } else {
      r = std::pow(std::fabs(base), n);
      if (base < 0 && std::fmod(n, 2.0L) == 1) r = -r;
    }
    if (e < 0) {
      if (r == 0) {
        fail = Fail::Undefined;  // 1 / 0 inside the power
        return 0;
      }
      r = 1 / r;
    }
    return r;
  }
  if (base < 0) return 0;
  return std::pow(base, e);
}

// Digits with at most one ".", nothing else (no sign, no exponent), read
// the same in every locale.
bool parseNumber(std::string_view t, long double& v) {
  bool dot = false, digit = false, exact = true;
  uint64_t mantissa = 0;
  int digits = 0, fraction = 0;
  for (char c : t) {
    if (isDigit(c)) {
      digit = true;
      if (mantissa == 0 && c == '0') {
        if (dot) ++fraction;  // leading zeros only shift the point
        continue;
      }
      if (digits == 19) {
        exact = false;  // more digits than the fast path holds
        continue;
      }
      mantissa = mantissa * 10 + static_cast<uint64_t>(c - '0');
      ++digits;
      if (dot) ++fraction;
    } else if (c == '.' && !dot) {
      dot = true;
    } else {
      return false;
    }
  }
  if (!digit) return false;
  if (exact && fraction <= 27) {
    // Both exact in the 64-bit significand: one correctly rounded division.
    long double scale = 1;
    for (int k = 0; k < fraction; ++k) scale *= 10;
    v = static_cast<long double>(mantissa) / scale;
    return true;
  }
  auto r = std::from_chars(t.data(), t.data() + t.size(), v, std::chars_format::fixed);
  return r.ec == std::errc() && r.ptr == t.data() + t.size() && finite(v);
}

int AlphToInt(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  return -1;
}

// `\name`, with t[0] == '\\'.
Fail NamedOperand(Eval& ev, std::string_view t, long double& v) {
  size_t n = 1;
  while (n < t.size() && isLetter(t[n])) ++n;
  if (n != t.size() || n == 1) return Fail::Syntax;
  std::string_view name = t.substr(1);
  const ValueStore& val = ev.env.val;
  const FigureState& fig = ev.env.fig;
  if (name == "c") v = val.calcVarC;
  else if (name == "d") v = val.calcVarD;
  else if (name.size() == 4 && startsWith(name, 0, "val")) v = val.registers[static_cast<size_t>(AlphToInt(name[3]))];
  else if (name.size() == 5 && startsWith(name, 0, "pval") && name[4] >= 'A' && name[4] <= 'Z')
    v = val.registers[static_cast<size_t>(52 + name[4] - 'A')];
  else if (name == "dimen") v = fig.dimen;
  else if (name == "fontsize") v = -static_cast<long double>(ev.env.fontHeight) * 72 / units::kUnitsPerInch;
  else if (name == "getgraphpointcount") v = fig.graph.count;
  else if (name == "roty") v = fig.rotY;
  else if (name == "rotz") v = fig.rotZ;
  else {
    int i = val.valueList.Find(name);
    if (i < 0) return Fail::Syntax;
    v = val.valueList[i].value;
  }
  return Fail::None;
}

// `#n`, `#nn`, `an`, `ann`: the slot, or -1.
int SlotOf(std::string_view t) {
  if (t.size() < 2 || t.size() > 3) return -1;
  int n = 0;
  for (size_t i = 1; i < t.size(); ++i) {
    if (!isDigit(t[i])) return -1;
    n = n * 10 + (t[i] - '0');
  }
  return n;
}

Fail Function(Eval& ev, std::string_view name, long double x, long double& v) {
  auto domain = [&](bool ok) { return ok ? Fail::None : Fail::Undefined; };
  Fail f = Fail::None;
  if (name == "abs") v = std::fabs(x);
  else if (name == "acos") {
    if ((f = domain(x >= -1 && x <= 1)) == Fail::None) v = std::acos(x);
  } else if (name == "asin") {
    if ((f = domain(x >= -1 && x <= 1)) == Fail::None) v = std::asin(x);
  } else if (name == "atan") v = std::atan(x);
  else if (name == "cos") v = std::cos(x);
  else if (name == "cosh") v = std::cosh(x);
  else if (name == "cot") {
    long double t = std::tan(x);
    if ((f = domain(t != 0)) == Fail::None) v = 1 / t;
  } else if (name == "counter") {
    if (!(x > -1 && x < 100)) return Fail::Syntax;  // truncates into 0-99
    v = ev.env.val.counters[static_cast<size_t>(static_cast<int>(x))];
  } else if (name == "exp") v = std::exp(x);
  else if (name == "int") v = std::floor(x);
  else if (name == "log") {
    if ((f = domain(x > 0)) == Fail::None) v = std::log(x);
  } else if (name == "log10") {
    if ((f = domain(x > 0)) == Fail::None) v = std::log10(x);
  } else if (name == "sin") v = std::sin(x);
  else if (name == "sinh") v = std::sinh(x);
  else if (name == "sqr" || name == "sqrt") {
    if ((f = domain(x >= 0)) == Fail::None) v = std::sqrt(x);
  } else if (name == "tan") v = std::tan(x);
  else if (name == "tanh") v = std::tanh(x);
  else return Fail::Syntax;
  if (f == Fail::None && !finite(v)) f = Fail::Undefined;
  return f;
}

Fail Operand(Eval& ev, std::string_view t, long double& v) {
  v = 0;
  if (t.empty()) return Fail::None;
  const char c = t[0];
  if (isDigit(c) || c == '.') return parseNumber(t, v) ? Fail::None : Fail::Undefined;
  if (c == kMark) {
    if (t.size() != 2) return Fail::Syntax;
    v = ev.ph[static_cast<unsigned char>(t[1]) - 0x80u];
    return Fail::None;
  }
  if (t == "pi") {
    v = kPi;
    return Fail::None;
  }
  if (c == '\\') return NamedOperand(ev, t, v);
  if (c == '#' || c == 'a') {
    int slot = SlotOf(t);
    if (slot >= 0) {
      v = c == '#' ? ev.env.fig.params[static_cast<size_t>(slot)] : ev.env.fig.constants[static_cast<size_t>(slot)];
      return Fail::None;
    }
  }
  // A function name followed by the placeholder of its bracket.
  if (t.size() > 2 && t[t.size() - 2] == kMark) {
    long double x = ev.ph[static_cast<unsigned char>(t.back()) - 0x80u];
    return Function(ev, t.substr(0, t.size() - 2), x, v);
  }
  return Fail::Syntax;
}

// Step 6: a text without brackets.
Fail Flat(Eval& ev, std::string_view s, long double& result) {
  std::array<size_t, kMaxOperands> start, len;
  std::array<char, kMaxOperands> ops;
  std::array<long double, kMaxOperands> v;
  std::array<bool, kMaxOperands> consumed{};
  int n = 0;
  size_t b = 0;
  for (size_t i = 0; i <= s.size(); ++i) {
    const bool end = i == s.size();
    if (!end && s[i] == kMark) {
      ++i;  // the index byte is never an operator
      continue;
    }
    if (!end && !isOperator(s[i])) continue;
    if (n == kMaxOperands) return Fail::Syntax;
    start[static_cast<size_t>(n)] = b;
    len[static_cast<size_t>(n)] = i - b;
    if (!end) ops[static_cast<size_t>(n)] = s[i];
    ++n;
    b = i + 1;
  }
  for (int k = 0; k < n; ++k) {
    size_t ks = static_cast<size_t>(k);
    Fail f = Operand(ev, s.substr(start[ks], len[ks]), v[ks]);
    if (f != Fail::None) return f;
  }
  auto pass = [&](auto inGroup) -> Fail {
    for (int k = 0; k + 1 < n; ++k) {
      size_t ks = static_cast<size_t>(k);
      char op = ops[ks];
      if (!inGroup(op)) continue;
      size_t j = ks + 1;
      while (consumed[j]) ++j;  // the last operand is never consumed
      long double a = v[ks], bv = v[j], r = 0;
      Fail f = Fail::None;
      switch (op) {
        case '^': r = Power(a, bv, f); break;
        case '*': r = a * bv; break;
        case '/': r = bv == 0 ? 0 : a / bv; break;
        case '+': r = a + bv; break;
        default: r = a - bv; break;
      }
      if (f == Fail::None && !finite(r)) f = Fail::Undefined;
      if (f != Fail::None) return f;
      v[j] = r;
      consumed[ks] = true;
    }
    return Fail::None;
  };
  Fail f = pass([](char o) { return o == '^'; });
  if (f == Fail::None) f = pass([](char o) { return o == '*' || o == '/'; });
  if (f == Fail::None) f = pass([](char o) { return o == '+' || o == '-'; });
  if (f != Fail::None) return f;
  result = v[static_cast<size_t>(n - 1)];
  return Fail::None;
}

void putPlaceholder(Eval& ev, std::string& w, size_t from, size_t to, long double value) {
  ev.ph[static_cast<size_t>(ev.phCount)] = value;
  char p[2] = {kMark, static_cast<char>(0x80 + ev.phCount)};
  ++ev.phCount;
  w.replace(from, to - from + 1, p, 2);
}

// Steps 4 and 5 on w (changed in place).
Fail Brackets(Eval& ev, std::string& w, long double& result) {
  int opens = 0, closes = 0;
  for (char& c : w) {
    if (c == '{') c = '(';
    else if (c == '}') c = ')';
    if (c == '(') ++opens;
    else if (c == ')') ++closes;
  }
  if (opens != closes || ev.phCount + opens > kMaxPlaceholders) return Fail::Syntax;
  std::array<size_t, kMaxPlaceholders> stack;
  int top = 0;
  for (size_t i = 0; i < w.size(); ++i) {
    if (w[i] == kMark) {
      ++i;
      continue;
    }
    if (w[i] == '(') {
      stack[static_cast<size_t>(top++)] = i;
      continue;
    }
    if (w[i] != ')') continue;
    if (top == 0) return Fail::Syntax;
    size_t o = stack[static_cast<size_t>(--top)];
    long double v;
    Fail f = Flat(ev, std::string_view(w).substr(o + 1, i - o - 1), v);
    if (f != Fail::None) return f;
    putPlaceholder(ev, w, o, i, v);
    i = o + 1;
  }
  return Flat(ev, w, result);
}

// A nested evaluation of an argument. Its failure is the whole
// expression's: a value computed from an undefined argument is undefined.
Fail Argument(Eval& ev, std::string_view text, long double& v) {
  std::string w(text);
  v = 0;
  return Brackets(ev, w, v);
}

constexpr std::string_view kTwoArg[] = {"max(", "min(", "arg("};
constexpr std::string_view kGraph[] = {"\\getgraphpointx[", "\\getgraphpointy[", "\\getgraphpointz["};

// Step 3, rightmost call first, so arguments only ever hold placeholders
// of the calls inside them.
Fail Calls(Eval& ev, std::string& w) {
  size_t p = w.size();
  while (p > 0) {
    --p;
    const char c = w[p];
    if (c != 'm' && c != 'a' && c != '\\') continue;
    int two = -1, graph = -1;
    for (int k = 0; k < 3; ++k) {
      if (startsWith(w, p, kTwoArg[k])) two = k;
      if (c == '\\' && startsWith(w, p, kGraph[k])) graph = k;
    }
    if (two < 0 && graph < 0) continue;
    if (graph >= 0) {
      size_t open = p + kGraph[graph].size() - 1;
      size_t close = w.find(']', open);
      if (close == std::string::npos) return Fail::Syntax;
      long double i = 0;
      Fail f = Argument(ev, std::string_view(w).substr(open + 1, close - open - 1), i);
      if (f != Fail::None) return f;
      long double k = std::trunc(i - 1);
      long double value = 0;
      if (k >= 0 && k <= 999) {
        const auto& g = ev.env.fig.graph;
        const auto& arr = graph == 0 ? g.x : graph == 1 ? g.y : g.z;
        value = arr[static_cast<size_t>(k)];
      }
      if (ev.phCount == kMaxPlaceholders) return Fail::Syntax;
      putPlaceholder(ev, w, p, close, value);
      continue;
    }
    size_t open = p + 3;
    size_t semi = std::string::npos, close = std::string::npos;
    int depth = 0, semis = 0;
    for (size_t i = open + 1; i < w.size(); ++i) {
      char c = w[i];
      if (c == kMark) {
        ++i;
        continue;
      }
      if (c == '(' || c == '{') ++depth;
      else if (c == ')' || c == '}') {
        if (depth == 0) {
          if (c != ')') return Fail::Syntax;
          close = i;
          break;
        }
        --depth;
      } else if (c == ';' && depth == 0) {
        ++semis;
        semi = i;
      }
    }
    if (close == std::string::npos || semis != 1) return Fail::Syntax;
    long double a = 0, b = 0;
    Fail f = Argument(ev, std::string_view(w).substr(open + 1, semi - open - 1), a);
    if (f == Fail::None) f = Argument(ev, std::string_view(w).substr(semi + 1, close - semi - 1), b);
    if (f != Fail::None) return f;
    long double value = two == 0 ? std::max(a, b) : two == 1 ? std::min(a, b) : std::atan2(b, a);
    if (ev.phCount == kMaxPlaceholders) return Fail::Syntax;
    putPlaceholder(ev, w, p, close, value);
  }
  return Fail::None;
}

}  // namespace

double Calc(const ExprEnv& env, std::string_view expr) {
  env.val.calcUndefined = false;
  std::string w;
  if (!Rewrite(expr, w)) return 0;
  Eval ev(env);
  long double v = 0;
  Fail f = Calls(ev, w);
  if (f == Fail::None) f = Brackets(ev, w, v);
  if (f == Fail::None && std::fabs(v) > std::numeric_limits<double>::max()) f = Fail::Undefined;
  if (f != Fail::None) {
    env.val.calcUndefined = f == Fail::Undefined;
    return 0;
  }
  return static_cast<double>(v);
}

void ShikiHenkan(std::string_view formula, char var, std::string& out, std::string_view replacement) {
  out.clear();
  auto alnum = [](char c) { return isLetter(c) || isDigit(c); };
  bool prevAlnum = false;  // the start counts as a free neighbour
  for (size_t i = 0; i < formula.size();) {
    size_t len = isLead(formula[i]) && i + 1 < formula.size() ? 2 : 1;
    char c = formula[i];
    bool nextAlnum = i + len < formula.size() && alnum(formula[i + len]);
    if (len == 1 && c == var && !prevAlnum && !nextAlnum) out += replacement;
    else out.append(formula, i, len);
    prevAlnum = len == 1 && alnum(c);
    i += len;
  }
}

}  // namespace vel
