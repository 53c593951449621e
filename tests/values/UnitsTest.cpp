// UnitToPix, encoded lengths, user lengths, counters, colours and the
// condition tests.
#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
#include "ValuesFixture.h"
#include "base/Cp932.h"
#include "frontend/Calc.h"
#include "frontend/Values.h"

using namespace vel;
using valtest::Env;

namespace {
struct LengthCase {
  std::string text;
  int value;
  bool unitGiven, varUsed;
};
}  // namespace

TEST(UnitToPix, UnitsAndVariables) {
  Env e;  // character height 2916 on the fixed canvas
  State& st = e.st;
  SetLengthList(st, "linewidth", 100001);
  SetLengthList(st, "neg", -7874);
  SetLengthList(st, "hpos", 4000);
  DefLength(st, "\\ab");
  SetUserLength(st, "ab", 1000);
  st.boxList.push_back({1000, 700, 300, "", false});
  st.box.boxLetterIndex[1] = 0;  // B
  st.box.boxLetterIndex[2] = 5;  // C: bound past the end of the list
  const std::vector<LengthCase> cases = {
      {"10mm", 7874, true, false}, {"1inch", 20000, true, false}, {"3pt", 833, true, false},
      {"0.5", 3937, false, false}, {"  2cm ", 15748, true, false}, {"0.5ch", 1458, true, false},
      {"(1+1)mm", 1574, true, false}, {"-1mm", -787, true, false},
      {"mm", 0, false, false}, {"xmm", 0, false, false},  // a unit needs a non-letter before it
      {"1.2.3mm", 0, true, false}, {"999999", 0, false, false},
      {"\\linewidth*0.5", 50000, false, true}, {"\\linewidth*0.5mm", 50000, true, true},
      {"\\linewidth/3pt", 33333, true, true}, {"\\neg*2inch", -15748, true, true},  // written (-0.3937)
      {"\\ab", 1000, false, true}, {"\\abZZZ", 1000, false, true}, {"\\ab+1mm", 1787, true, true},
      {"\\hpos", 4000, false, true}, {"\\nosuch+1", 0, false, false},
      {"\\boxwidthB*1inch", 1000, true, true}, {"\\boxheightB*1inch", 1000, true, true},
      {"\\boxwidthA+1cm", 0, true, false}, {"\\boxwidthC", 0, false, false},  // no box: 0 at once
  };
  for (const LengthCase& c : cases) {
    st.val.unitGiven = !c.unitGiven;
    st.val.lengthVarUsed = !c.varUsed;
    EXPECT_EQ(UnitToPix(st, c.text), c.value) << c.text;
    EXPECT_EQ(st.val.unitGiven, c.unitGiven) << c.text;
    EXPECT_EQ(st.val.lengthVarUsed, c.varUsed) << c.text;
  }
  for (int v : {1, 7, 12345, 99999, 1234567}) {
    SetLengthList(st, "v", v);
    EXPECT_EQ(UnitToPix(st, "\\v*1pt"), v) << v;  // a length reads back as itself
  }
  // While a page is drawn, hpos is the pen position in the line.
  st.draw.drawing = true;
  st.draw.linePenX = 9000;
  st.draw.lineStartX = 1000;
  EXPECT_EQ(UnitToPix(st, "\\hpos"), 8000);
}

TEST(EncodedLength, RoundTripAndUnitToPix) {
  Env e;
  for (int v : {0, 1, -1, 127, 128, -12345, (1 << 28) - 1, -((1 << 28) - 1)}) {
    std::string s = EncodeLength(v);
    int back = 0;
    ASSERT_TRUE(DecodeLength(s, 0, back));
    EXPECT_EQ(back, v);
    EXPECT_EQ(UnitToPix(e.st, "  " + s + "  "), v);
  }
  EXPECT_EQ(EncodeLength(300), std::string("\\\x0C\x80\x80\x82\xAC", 6));
  int v = 0;
  EXPECT_FALSE(DecodeLength(EncodeLength(5).substr(0, 5), 0, v));  // cut short
  EXPECT_FALSE(DecodeLength("\\\x0C\x80\x80\x80\x05", 0, v));        // digit without its high bit
  EXPECT_FALSE(DecodeLength("ab", 7, v));
}

TEST(DefLengthAndSetCounter, StoreRules) {
  Env e;
  State& st = e.st;
  DefLength(st, " \\ab ");
  DefLength(st, "\\lengthy");
  SetUserLength(st, "ab", 5);
  DefLength(st, "\\ab");  // already there: kept
  EXPECT_EQ(st.val.userLengthList->Count(), 2);
  EXPECT_EQ(UserLengthOf(st, "ab"), 5);
  EXPECT_GE(st.val.userLengthList->Find("lengthy"), 0);

  for (const char* arg : {"3, 7", "2.9, 5.9", "1+1+8, -4.5", "100, 1", "-1, 1", "99"}) SetCounter(st, arg);
  const auto& c = st.val.counters;
  EXPECT_EQ(c[3], 7);
  EXPECT_EQ(c[2], 5);
  EXPECT_EQ(c[10], -4);
  EXPECT_EQ(c[99], 0);
}

TEST(GetColor, NamesHexAndCurrentColours) {
  Env e;
  e.st.chr.font.color = rgb(10, 20, 30);
  e.st.chr.ruleColor = rgb(200, 100, 0);
  const std::vector<std::pair<std::string, Color>> cases = {
      {"#FF0000", 0x0000FF},  // red in the low byte
      {"#ff00", 0}, {"Red", rgb(255, 0, 0)}, {"orange", kWhite}, {"%0000ff", rgb(0, 0, 255)},
      {" #00FF00 ", rgb(0, 255, 0)}, {"#12345678", rgb(0x12, 0x34, 0x56)}, {"#zzzzzz", 0},
      {"\\fontcolor", rgb(10, 20, 30)}, {"\\cfontcolor", rgb(245, 235, 225)},
      {"\\RuleColor", rgb(200, 100, 0)}, {"\\crulecolor", rgb(55, 155, 255)},
      {"aqua", rgb(0, 255, 255)}, {"black", 0}, {"blue", rgb(0, 0, 255)}, {"fuchsia", rgb(255, 0, 255)},
      {"gray", rgb(128, 128, 128)}, {"green", rgb(0, 128, 0)}, {"lime", rgb(0, 255, 0)},
      {"maroon", rgb(128, 0, 0)}, {"navy", rgb(0, 0, 128)}, {"olive", rgb(128, 128, 0)},
      {"purple", rgb(128, 0, 128)}, {"silver", rgb(192, 192, 192)}, {"teal", rgb(0, 128, 128)},
      {"YELLOW", rgb(255, 255, 0)}, {"white", kWhite}, {"", kWhite},
  };
  for (const auto& [text, want] : cases) EXPECT_EQ(GetColor(e.st, text), want) << text;
  EXPECT_EQ(HexToInt("FF0000"), 0u);  // upper case only after GetColor's lower-casing
}

TEST(Conditions, ValueAndLengthComparisons) {
  Env e;
  State& st = e.st;
  for (const auto& [text, want] : std::vector<std::pair<std::string, bool>>{
           {"3>=3", true}, {"3!2", true}, {"0", false}, {"1", true}, {"2=2", true}, {"2==2", true},
           {"2!=2", false}, {"1<2", true}, {"2<=1", false}, {"3>2", true}, {"1+1=2", true},
           {"abc", false}, {"!", true}, {"", false}})
    EXPECT_EQ(ValueConditionIsTrue(st, text), want) << text;

  SetLengthList(st, "linewidth", 20000);  // 2.54 cm
  DefLength(st, "\\ab");
  st.boxList.push_back({500, 0, 0, "", false});
  st.box.boxLetterIndex[0] = 0;
  for (const auto& [text, want] : std::vector<std::pair<std::string, bool>>{
           // A length variable makes a length condition: layout units, default unit cm.
           {"\\linewidth>2.5", true}, {"\\linewidth<2.6", true}, {"\\linewidth*1inch=1inch", true},
           {"\\linewidth*1inch!=1inch", false}, {"25.3mm<\\linewidth", true}, {"\\ab=0", true},
           {"\\abZZZ<1mm", true}, {"\\boxwidthA>0.06", true}, {"\\boxwidthA<0.07", true},
           {EncodeLength(7874) + "=1", true},
           // Digit bytes 0x81 look like lead bytes: the "<" after them must still be found.
           {EncodeLength(129) + "<1", true}, {EncodeLength(129) + ">1", false},
           // Registers and unknown names make value conditions.
           {"\\valA=0", true}, {"\\nosuch=0", true}})
    EXPECT_EQ(ConditionIsTrue(st, text), want) << toLogUtf8(text);
  EXPECT_FALSE(ValueConditionIsTrue(st, "\\linewidth>2.5"));  // an unknown value there
}

TEST(ValueStores, SaveRestoreStacks) {
  Env e;
  State& st = e.st;
  st.val.registers[0] = 1;
  st.val.registers[60] = 6;
  SaveValueInfoList(st);
  st.val.registers[0] = 2;
  st.val.registers[60] = 7;
  RestoreValueInfoList(st);
  RestoreValueInfoList(st);  // empty: nothing happens
  EXPECT_EQ(st.val.registers[0], 1);
  EXPECT_EQ(st.val.registers[60], 7);  // pval registers are not saved

  DefLength(st, "\\ab");
  SaveLengthList(st);
  DefLength(st, "\\cd");
  EXPECT_EQ(RestoreLengthList(st), 0);
  EXPECT_EQ(RestoreLengthList(st), -1);  // nothing saved: the lengths stay
  EXPECT_EQ(st.val.userLengthList->Count(), 1);
  EXPECT_EQ(st.val.lengthRestoredList.size(), 1u);
}
