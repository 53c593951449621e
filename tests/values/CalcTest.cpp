// Calc: the flat left-to-right precedence, operands, functions and the
// two kinds of failure (0 with and without CalcUndefined).
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "TestSupport.h"
#include "ValuesFixture.h"
#include "frontend/Calc.h"
#include "frontend/Values.h"

using namespace vel;
using valtest::Env;
using veltest::sj;

namespace {
struct Case {
  std::string expr;
  double value;
  bool undefined;
};

void expectCases(Env& e, const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    e.st.val.calcUndefined = !c.undefined;  // must be overwritten either way
    EXPECT_NEAR(Calc(e.st, c.expr), c.value, 1e-9 * std::max(1.0, std::fabs(c.value))) << c.expr;
    EXPECT_EQ(e.st.val.calcUndefined, c.undefined) << c.expr;
  }
}

std::string repeat(const std::string& s, int n) {
  std::string r;
  for (int i = 0; i < n; ++i) r += s;
  return r;
}
const double pi = 3.141592653589793;
}  // namespace

TEST(Calc, ArithmeticAndFunctions) {
  Env e;
  expectCases(e, {
      {"1+2*3^2", 19, false}, {"2^3^2", 64, false}, {"8/2/2", 2, false}, {"2-3-4", -5, false},
      {"-3", -3, false}, {"2*-3", -3, false},  // (2*0)-3: the empty operand is 0
      {"2^-1", 0, false}, {"(-2)^-2", -1, false}, {"2^(-1)", 0.5, false}, {"2^3*4^5", 8192, false},
      {"1 + 2 * 3", 7, false}, {"", 0, false}, {"(-2)^3", -8, false}, {"(-2)^(0-2)", 0.25, false},
      {"2^0.5", std::sqrt(2.0), false}, {"(-8)^(1/3)", 0, false}, {"5/0", 0, false}, {"0/0", 0, false},
      {"sin{pi/2}", 1, false}, {"sin(pi/2)", 1, false}, {"abs(-2.5)", 2.5, false},
      {"int(-1.5)", -2, false}, {"log(exp(2))", 2, false}, {"log10(1000)", 3, false}, {"sqr(16)", 4, false},
      {"cos(0)+cosh(0)+tanh(0)+sinh(0)+tan(0)+atan(0)+acos(1)+asin(0)", 2, false}, {"cot(pi/4)", 1, false},
      {".5+5.", 5.5, false}, {"max(1;max(2;3))", 3, false}, {"min(4;2)", 2, false}, {"arg(-1;0)", pi, false},
      {"max((1+2)*2;5)", 6, false}, {"2*max(1;2)+min(3;4)", 7, false},
  });
}

TEST(Calc, FailuresAndTheirFlag) {
  Env e;
  expectCases(e, {
      // Domain and arithmetic faults set CalcUndefined.
      {"sqrt(-1)", 0, true}, {"sqr(-4)", 0, true}, {"0^(0-1)", 0, true}, {"10^400", 0, true},
      {"acos(2)", 0, true}, {"log(0)", 0, true}, {"log10(-1)", 0, true}, {"cot(0)", 0, true},
      {"exp(100000)", 0, true}, {"1e-3", 0, true}, {"1.2.3", 0, true}, {".", 0, true}, {"2pi", 0, true},
      {"max{1;2}", 0, true},  // no call: the bracket holds "1;2", a malformed number
      {"max(sqrt(0-1);2)", 0, true}, {"1+min(2;log(0))", 0, true},  // an undefined argument
      // Syntax errors do not.
      {"max(1,2)", 0, false}, {"max(1;2;3)", 0, false}, {"max(1)", 0, false}, {"max(1;2", 0, false},
      {"max(foo;2)", 0, false}, {"(1+2", 0, false}, {")1+2(", 0, false}, {"foo", 0, false}, {"pix", 0, false},
      {"PI", 0, false}, {"\\nosuchvalue", 0, false}, {"sine(1)", 0, false}, {"(2)(3)", 0, false},
      {"\\", 0, false}, {"1+\\", 0, false}, {"\\strlen{abc", 0, false}, {"\\uplow{2}{3}", 0, false},
      {"\\getgraphpointx[1", 0, false}, {"\\getgraphpointx[foo]", 0, false}, {"counter(100)", 0, false},
      {"counter(-1)", 0, false}, {sj("表"), 0, false}, {"1\x1A\x80", 0, false},
  });
}

TEST(Calc, RewritesAndOperands) {
  Env e;
  State& st = e.st;
  st.val.counters[3] = 7;
  st.val.registers[0] = 1.5;   // \valA
  st.val.registers[26] = 2.5;  // \vala
  st.val.registers[52] = 3.5;  // \pvalA
  st.val.registers[77] = 4.5;  // \pvalZ
  SetValueList(st, "valAB", 9);
  st.val.calcVarC = 0.25;
  st.val.calcVarD = -2;
  st.fig.params[5] = 55;
  st.fig.constants[7] = 77;
  st.fig.constants[99] = 99;
  st.fig.dimen = 3;
  st.fig.rotY = 0.5;
  st.fig.rotZ = -0.5;
  st.fig.graph.count = 2;
  st.fig.graph.x[0] = 10;
  st.fig.graph.x[1] = 11;
  st.fig.graph.y[1] = 21;
  st.fig.graph.z[999] = 1999;
  expectCases(e, {
      {sj("\\strlen{あいう}+1"), 4, false}, {"\\strlen{a b}", 3, false}, {sj("\\strlen{表}"), 1, false},
      {"\\uplow{2}{3}{}", 8, false}, {"\\uplow{1+1}{3}{}", 8, false}, {"\\uplow{\\uplow{2}{2}{}}{2}{}", 16, false},
      {"\\counter{3}", 7, false}, {"counter(3.9)*2", 14, false}, {"\\counter{1+2}+1", 8, false},
      {"\\valA+\\vala", 4, false}, {"\\pvalA*\\pvalZ", 15.75, false}, {"\\valAB", 9, false},
      {"\\pvala", 0, false},  // lower case is no register: an unknown name
      {"\\c*4+\\d", -1, false}, {"\\cx", 0, false}, {"#5+#05", 110, false}, {"a7+a07+a99", 253, false},
      {"a100", 0, false}, {"\\dimen", 3, false}, {"\\roty-\\rotz", 1, false}, {"\\getgraphpointcount", 2, false},
      {"\\getgraphpointx[0.5]+\\getgraphpointx[1.99]", 20, false},  // 0 < i < 2: the first point
      {"\\getgraphpointx[2]+\\getgraphpointy[1+1]", 32, false}, {"\\getgraphpointx[0]", 0, false},
      {"\\getgraphpointz[1000]", 1999, false}, {"\\getgraphpointz[1001]", 0, false},
      {"\\getgraphpointx[\\getgraphpointcount]", 11, false}, {"max(\\c;#5)", 55, false},
  });
  // \fontsize reads the font height: 10.5 points is -2916 layout units.
  EXPECT_DOUBLE_EQ(Calc(st, "\\fontsize"), 2916.0 * 72 / 20000);
}

TEST(Calc, LimitsAndHostileInput) {
  Env e;
  std::string ops25 = "1" + repeat("+1", 24);
  // 97 brackets plus one max call is 98 placeholders; one more is too many.
  expectCases(e, {
      {ops25, 25, false}, {ops25 + "+1", 0, false}, {"(" + ops25 + ")*2", 50, false},
      {repeat("(", 98) + "1" + repeat(")", 98), 1, false}, {repeat("(", 99) + "1" + repeat(")", 99), 0, false},
      {"max(1;2)+" + repeat("(", 97) + "1" + repeat(")", 97), 3, false},
      {"max(1;2)+" + repeat("(", 98) + "1" + repeat(")", 98), 0, false},
      {repeat("(", 10000) + "1" + repeat(")", 10000), 0, false},
      {"1" + repeat("+1", 500000), 0, false},
      {"\\strlen{" + std::string(1 << 20, 'a') + "}", double(1 << 20), false},
      {repeat("\\uplow{", 5000) + "2", 0, false},
      {"\\strlen{\x95", 0, false},  // a lead byte at the very end
  });
}

TEST(Calc, NumbersReadExactlyInAnyLocale) {
  Env e;
  // Short and long mantissas, leading zeros, many fraction digits: the
  // same double as the C library's reading in the "C" locale.
  std::vector<std::string> numbers = {"007", "1.50", "00.5", "0.1", "3.14159265358979323846",
                                      "123456789012345678901234", "0.000000000000000000000000000001",
                                      "9999999999999999999", "18446744073709551617", ".000125"};
  uint64_t x = 88172645463325252ull;
  for (int i = 0; i < 2000; ++i) {
    x ^= x << 13, x ^= x >> 7, x ^= x << 17;
    std::string s = std::to_string(x % 100000000000ull);
    s.insert((x >> 40) % (s.size() + 1), ".");
    numbers.push_back(s);
  }
  for (const std::string& s : numbers) EXPECT_DOUBLE_EQ(Calc(e.st, s), std::strtod(s.c_str(), nullptr)) << s;
  // A comma locale must not change how "1.5" reads (checked when one is installed).
  if (setlocale(LC_NUMERIC, "de_DE.UTF-8") || setlocale(LC_NUMERIC, "fr_FR.UTF-8")) {
    EXPECT_DOUBLE_EQ(Calc(e.st, "1.5*2"), 3.0);
    setlocale(LC_NUMERIC, "C");
  }
}

TEST(ShikiHenkan, ReplacesOnlyFreeLetters) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"x^2+exp(x)", "\\c^2+exp(\\c)"}, {"x", "\\c"}, {"xx+2x+x2", "xx+2x+x2"},
      {sj("表x"), sj("表\\c")},  // the trail byte of 表 is no letter
      {"", ""},
  };
  for (const auto& [in, want] : cases) {
    std::string out = "stale";
    ShikiHenkan(in, 'x', out, "\\c");
    EXPECT_EQ(out, want) << in;
  }
}
