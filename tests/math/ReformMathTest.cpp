// Math source normalisation against the cases in tests/math/cases: whole
// spans rewritten, the box before a script, the spacing between atoms;
// then the limits: nesting depth and arbitrary input.
#include <gtest/gtest.h>

#include <random>

#include "CaseFile.h"
#include "math/ReformMath.h"

using namespace vel;
using mathcases::Case;
using mathcases::Show;

namespace {

MathAtom AtomOf(const std::string& name) {
  static const char* const kNames[] = {"Start", "Ord",   "Op",    "Bin",   "Rel", "Open",
                                       "Close", "Space", "Punct", "Inner", "",    "Unary"};
  for (int v = -1; v <= 10; ++v)
    if (v != 9 && name == kNames[v + 1]) return static_cast<MathAtom>(v);
  ADD_FAILURE() << "no atom class " << name;
  return MathAtom::Start;
}

// ReformMath from the first "$"; the line is rewritten in place.
int Reform(std::string& line) {
  const size_t dollar = line.find('$');
  return dollar == std::string::npos ? -1 : ReformMath(line, static_cast<int>(dollar) + 1);
}

}  // namespace

TEST(ReformMath, SpansRewriteAsWritten) {
  for (const Case& c : mathcases::Read("reform.tests")) {
    ASSERT_GE(c.fields.size(), 2u) << c.where();
    std::string line = c.fields[0];
    const int got = Reform(line);
    if (c.fields[1] == "FAIL") {
      EXPECT_EQ(got, -1) << c.where() << ": " << Show(line);
      continue;
    }
    EXPECT_EQ(Show(line), Show(c.fields[1])) << c.where();
    const int end = c.fields.size() > 2 ? std::stoi(c.fields[2]) : static_cast<int>(c.fields[1].rfind('$')) + 1;
    EXPECT_EQ(got, end) << c.where();
  }
}

TEST(ReformMath, BoxBeforeAScript) {
  for (const Case& c : mathcases::Read("boxes.tests")) {
    ASSERT_EQ(c.fields.size(), 3u) << c.where();
    EXPECT_EQ(TopOfLastBox(c.fields[0], std::stoi(c.fields[1])), std::stoi(c.fields[2]))
        << c.where() << ": " << Show(c.fields[0]);
  }
}

TEST(ReformMath, SpacingBetweenAtoms) {
  for (const Case& c : mathcases::Read("spacing.tests")) {
    ASSERT_GE(c.fields.size(), 3u) << c.where();
    const std::string want = c.fields.size() > 3 ? c.fields[3] : "";
    EXPECT_EQ(GetInsertStr(std::stoi(c.fields[0]), AtomOf(c.fields[1]), AtomOf(c.fields[2])), want) << c.where();
  }
}

TEST(ReformMath, LiteralBracesPrintAsBraces) {
  std::string s = "\x01" "a" + veltest::sj("表") + "\x02";
  ToMiddleKakko(s);
  EXPECT_EQ(s, "{a" + veltest::sj("表") + "}");
}

// Formulas nested in upright text are followed to a fixed depth, no further.
TEST(ReformMath, NestingIsBounded) {
  auto nested = [](int depth) {
    std::string s = "$";
    for (int k = 0; k < depth; ++k) s += "\\rm{$";
    s += "x^2";
    for (int k = 0; k < depth; ++k) s += "$}";
    return s + "$";
  };
  std::string ok = nested(kMaxMathNesting);
  const int end = ReformMath(ok, 1);
  EXPECT_EQ(end, static_cast<int>(ok.size()));
  EXPECT_NE(ok.find("\\uplow{x}{2}{}"), std::string::npos);
  std::string deep = nested(kMaxMathNesting + 1);
  EXPECT_EQ(ReformMath(deep, 1), -1);
  std::string absurd = nested(5000);
  EXPECT_EQ(ReformMath(absurd, 1), -1);
}

// Arbitrary text never makes a position run past the line, and a rewritten
// span is already in normal form, except where a bare script took the
// backslash of a command ("x^\alpha" gives "{\}alpha").
TEST(ReformMath, ArbitraryInputStaysInBounds) {
  const std::vector<std::string> pieces = {
      "$", "$", "^", "_", "{", "}", "\\", "'", "a", "x", " ", "\\rm{", "\\left(", "\\right)", "\\sum",
      "\\lim", "\\frac{a}", "\\\\", "\\ ", "\\Normal", "\\similar", "\x0C", "\x01", "\x02",
      veltest::sj("あ"), veltest::sj("表"), veltest::sj("マ"), "\x83", "\xB1"};
  std::mt19937 rng(7);
  for (int round = 0; round < 20000; ++round) {
    std::string line;
    const int n = 1 + static_cast<int>(rng() % 12);
    for (int k = 0; k < n; ++k) line += pieces[rng() % pieces.size()];
    const std::string input = line;
    const int got = Reform(line);
    if (got == -1) continue;
    ASSERT_GE(got, 1) << Show(input);
    ASSERT_LE(got, static_cast<int>(line.size())) << Show(input);
    ASSERT_EQ(line[static_cast<size_t>(got - 1)], '$') << Show(input);
    ASSERT_LE(line.size(), 64 * input.size() + 64) << Show(input);
    if (line.find("{\\}") != std::string::npos) continue;
    std::string again = line;
    ASSERT_EQ(Reform(again), got) << Show(input);
    ASSERT_EQ(Show(again), Show(line)) << Show(input);
  }
  for (int round = 0; round < 2000; ++round) {
    std::string text;
    const int n = static_cast<int>(rng() % 10);
    for (int k = 0; k < n; ++k) text += pieces[rng() % pieces.size()];
    for (int p = -1; p <= static_cast<int>(text.size()) + 1; ++p) {
      const int top = TopOfLastBox(text, p);
      ASSERT_TRUE(top == 0 || (top >= 1 && top <= p)) << Show(text) << " at " << p;
    }
    std::string s = text;
    const int last = ReformOfUpLow(s, 1, static_cast<int>(s.size()));
    ASSERT_LE(last, static_cast<int>(s.size())) << Show(text);
  }
}
