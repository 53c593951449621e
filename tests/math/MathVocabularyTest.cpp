// The math vocabulary against the cases in tests/math/cases: names to
// symbol and structure numbers, delimiter kinds, the glyph rows dumped as
// text, symbol classes and the full-width fallback letters.
#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "CaseFile.h"
#include "math/MathSymbols.h"

using namespace vel;
using mathcases::Case;

namespace {

const char* const kMetricNames[] = {"Letter",       "Symbol",        "BigOperator", "Integral",
                                    "SingleArrow",  "DoubleArrow",   "FunctionName", "LimitFunction",
                                    "Drawn",        "AsLetter",      "Spacing",      "Negation"};
const char* const kFontNames[] = {"SmallSymbol", "Roman", "MathItalic", "Symbol", "Extension", "Typewriter",
                                  "TextItalic"};
const char* const kOpNames[] = {"None", "WriteAngle", "WriteThereforFor", "WriteCraftRels", "WriteLongArrow"};
const char* const kUnitNames[] = {"S0", "S1", "S2", "S3", "S4", "S5", "Zero", "Length"};

std::string Dump(const MathSymbol* s) {
  if (!s) return "none";
  std::ostringstream o;
  o << kMetricNames[static_cast<int>(s->metric)];
  switch (s->metric) {
    case MathMetric::FunctionName:
    case MathMetric::LimitFunction: o << ' ' << kFontNames[static_cast<int>(s->font)]; break;
    case MathMetric::Drawn: o << ' ' << kOpNames[static_cast<int>(s->op)] << ' ' << int(s->variant); break;
    case MathMetric::Negation: o << ' ' << int(s->variant); break;
    case MathMetric::AsLetter: o << ' ' << static_cast<char>(s->code); break;
    case MathMetric::Spacing:
      o << ' ' << (s->spaceSign < 0 ? "-" : "") << kUnitNames[static_cast<int>(s->space)];
      if (s->spaceOnlyLarge) o << " large-only";
      break;
    default:
      o << ' ' << kFontNames[static_cast<int>(s->font)] << ':' << int(s->code);
      if (s->secondCode) o << '+' << int(s->secondCode);
      if (s->charset) o << " set" << int(s->charset);
      if (s->widthFactor != 1) o << " x" << s->widthFactor;
      if (s->drawShift != 0) o << " shift" << s->drawShift;
      if (s->widthCode) o << " widthOf:" << int(s->widthCode);
  }
  return o.str();
}

const char* const kAtomNames[] = {"Start", "Ord",   "Op",    "Bin",   "Rel", "Open",
                                  "Close", "Space", "Punct", "Inner", "",    "Unary"};
std::string AtomName(MathAtom a) { return kAtomNames[static_cast<int>(a) + 1]; }
MathAtom AtomOf(const std::string& name) {
  for (int v = -1; v <= 10; ++v)
    if (name == kAtomNames[v + 1] && v != 9) return static_cast<MathAtom>(v);
  ADD_FAILURE() << "no atom class " << name;
  return MathAtom::Start;
}

}  // namespace

TEST(MathVocabulary, SymbolNamesGiveTheirNumbers) {
  for (const Case& c : mathcases::Read("symbols.tests")) {
    ASSERT_EQ(c.fields.size(), 2u) << c.where();
    EXPECT_EQ(GetEachTypeCommandNum(c.fields[0]), std::stoi(c.fields[1]))
        << c.where() << ": " << mathcases::Show(c.fields[0]);
  }
}

TEST(MathVocabulary, StructureNamesGiveTheirNumbers) {
  for (const Case& c : mathcases::Read("commands.tests")) {
    ASSERT_EQ(c.fields.size(), 2u) << c.where();
    EXPECT_EQ(GetMathCommandNum(c.fields[0]), std::stoi(c.fields[1]))
        << c.where() << ": " << mathcases::Show(c.fields[0]);
  }
}

TEST(MathVocabulary, DelimiterKinds) {
  for (const Case& c : mathcases::Read("kakko.tests")) {
    ASSERT_EQ(c.fields.size(), 2u) << c.where();
    ASSERT_EQ(c.fields[0].size(), 1u) << c.where();
    EXPECT_EQ(KindOfKakko(c.fields[0][0]), std::stoi(c.fields[1])) << c.where();
  }
}

TEST(MathVocabulary, GlyphRowsDumpAsWritten) {
  for (const Case& c : mathcases::Read("glyphs.tests")) {
    ASSERT_EQ(c.fields.size(), 2u) << c.where();
    EXPECT_EQ(Dump(MathSymbolOf(std::stoi(c.fields[0]))), c.fields[1]) << c.where();
  }
}

TEST(MathVocabulary, ClassesFollowTheHundredsDigit) {
  for (const Case& c : mathcases::Read("classes.tests")) {
    ASSERT_EQ(c.fields.size(), 3u) << c.where();
    const auto got = AtomClassOf(std::stoi(c.fields[0]), AtomOf(c.fields[1]));
    EXPECT_EQ(got ? AtomName(*got) : "none", c.fields[2]) << c.where();
  }
}

TEST(MathVocabulary, SmallCharacterFallback) {
  for (const Case& c : mathcases::Read("fallback.tests")) {
    ASSERT_GE(c.fields.size(), 1u) << c.where();
    const std::string want = c.fields.size() > 1 ? c.fields[1] : "";
    const std::string& key = c.fields[0];
    const bool number = !key.empty() && std::isdigit(static_cast<unsigned char>(key[0]));
    const std::string got = number ? SmallCharFallback(std::stoi(key)) : SmallCharFallbackOfChar(key[0]);
    EXPECT_EQ(mathcases::Show(got), mathcases::Show(want)) << c.where();
  }
}

// Every row is reachable by its name and its number, and lies in its class.
TEST(MathVocabulary, EveryRowRoundTrips) {
  std::set<int> numbers;
  for (const MathSymbol& s : MathSymbolTable()) {
    EXPECT_EQ(GetEachTypeCommandNum(s.name), s.number) << mathcases::Show(std::string(s.name));
    EXPECT_EQ(MathSymbolOf(s.number), &s) << s.number;
    EXPECT_EQ(static_cast<int>(SymbolClassOf(s.number)), s.number / 100) << s.number;
    numbers.insert(s.number);
  }
  EXPECT_EQ(numbers.size(), 189u);  // 24 names, 72 ordinary, 22 infix, 53 relations, 16 spaces, 2 negations
  for (const MathCommand& m : MathCommandTable()) {
    EXPECT_EQ(GetMathCommandNum(m.name), m.number) << mathcases::Show(std::string(m.name));
    EXPECT_EQ(MathCommandOf(m.number), &m) << m.number;
  }
  EXPECT_EQ(MathCommandTable().size(), 42u);
  ASSERT_NE(MathCommandOf(112), nullptr);
  EXPECT_EQ(MathCommandOf(112)->args, MathArgs::One);
  EXPECT_EQ(MathCommandOf(126), nullptr);
}

// Operators shrink to the small symbol font at the two smallest levels.
TEST(MathVocabulary, InfixFontAtSmallLevels) {
  EXPECT_EQ(MathFontAtLevel(*MathSymbolOf(200), 3), MathFontKind::Symbol);
  EXPECT_EQ(MathFontAtLevel(*MathSymbolOf(200), 4), MathFontKind::SmallSymbol);
  EXPECT_EQ(MathFontAtLevel(*MathSymbolOf(213), 5), MathFontKind::SmallSymbol);
  EXPECT_EQ(MathFontAtLevel(*MathSymbolOf(214), 5), MathFontKind::Symbol);
  EXPECT_EQ(MathFontAtLevel(*MathSymbolOf(300), 5), MathFontKind::Symbol);
}
