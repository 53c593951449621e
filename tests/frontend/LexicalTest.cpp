// The scanners must never take a trail byte for a delimiter, and must
// follow the joining and resumption rules exactly: every later stage relies
// on them.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "base/NameList.h"
#include "frontend/Lexical.h"

using namespace vel;
using veltest::sj;

namespace {
// "表" is 0x95 0x5C: its trail byte is a backslash. "ソ" is 0x83 0x5C.
// "{" as a trail byte: 0x81 0x7B is "＋"; "}" as a trail: 0x81 0x7D is "×" ... (0x81 0x7E).
const std::string kHyo = "\x95\x5C";      // 表
const std::string kSo = "\x83\x5C";       // ソ
const std::string kBraceTrail = "\x81\x7B";  // ＋ (trail byte '{')
const std::string kCloseTrail = "\x81\x7D";  // ± (trail byte '}')
}  // namespace

TEST(Trim, OnlyAsciiSpaces) {
  EXPECT_EQ(Trim("  a b  "), "a b");
  EXPECT_EQ(Trim("    "), "");
  EXPECT_EQ(TrimLeft("  a "), "a ");
  EXPECT_EQ(TrimRight("  a "), "  a");
  EXPECT_EQ(Trim(sj("　a　")), sj("　a　"));  // the full-width space stays
  EXPECT_EQ(Trim("\ta\t"), "\ta\t");
}

TEST(Find, CaseInsensitiveOrderExactMatch) {
  NameList<int> l;
  l.Add("Normal", 1);
  l.Add("abc", 2);
  l.Add("normal", 3);
  l.Add("ZZ", 4);
  EXPECT_EQ(l[l.Find("normal")].value, 3);
  EXPECT_EQ(l[l.Find("Normal")].value, 1);
  EXPECT_EQ(l.Find("NORMAL"), -1);
  NameList<int> only;
  only.Add("Normal", 1);
  EXPECT_EQ(only.Find("normal"), -1);
  EXPECT_EQ(only.Find("Normal"), 0);
  // Sorted without regard to case.
  EXPECT_EQ(l[0].name, "abc");
  EXPECT_EQ(l[3].name, "ZZ");
}

TEST(DeleteText, KeepsLineCount) {
  Lines l = {"0000", "1111", "abcdefgh", "middle", "ABCDEFG", "5"};
  DeleteText(l, 2, 5, 4, 3);
  ASSERT_EQ(l.size(), 6u);
  EXPECT_EQ(l[2], "abcd");
  EXPECT_EQ(l[3], "");
  EXPECT_EQ(l[4], "DEFG");
  Lines one = {"abcdef"};
  DeleteText(one, 0, 2, 0, 4);
  EXPECT_EQ(one[0], "aef");
}

TEST(GetCommandName, LettersSpaceBraceAndDigits) {
  ScanState sc;
  std::string s = "\\section1";
  size_t r = GetCommandName(sc, s, 0);
  EXPECT_EQ(sc.commandName, "section");
  EXPECT_EQ(s.substr(r), "1");
  EXPECT_FALSE(sc.braceFollows);

  s = "\\alpha{x}";
  r = GetCommandName(sc, s, 0);
  EXPECT_EQ(sc.commandName, "alpha");
  EXPECT_TRUE(sc.braceFollows);
  EXPECT_EQ(s[r], '{');

  s = "\\alpha {x}";
  r = GetCommandName(sc, s, 0);
  EXPECT_FALSE(sc.braceFollows);
  EXPECT_EQ(s[r], '{');
}

TEST(GetCommandName, BackslashSpaceKeepsTheNextByte) {
  // "\box{a\ b}" must not lose the "b".
  ScanState sc;
  std::string s = "a\\ b";
  size_t r = GetCommandName(sc, s, 1);
  EXPECT_EQ(sc.commandName, " ");
  EXPECT_EQ(s.substr(r), "b");
}

TEST(GetCommandName, GroupMarkersAndBoxReference) {
  ScanState sc;
  std::string s = "\\group\x01x";
  size_t r = GetCommandName(sc, s, 0);
  EXPECT_EQ(sc.commandName, "group\x01");
  EXPECT_EQ(s.substr(r), "x");
  s = "\\lengroup\x02";
  GetCommandName(sc, s, 0);
  EXPECT_EQ(sc.commandName, "lengroup\x02");
  s = "\\boxx\x01";  // not a marker name: the byte stays
  r = GetCommandName(sc, s, 0);
  EXPECT_EQ(sc.commandName, "boxx");
  EXPECT_EQ(s[r], '\x01');
  // TAB + three digit bytes (which may look like anything), then an optional space.
  s = std::string("\\\t{\\} z");
  r = GetCommandName(sc, s, 0);
  EXPECT_EQ(sc.commandName, "\t{\\}");
  EXPECT_EQ(s.substr(r), "z");
}

TEST(LongGetCommandName, NameEndingTheLine) {
  ScanState sc;
  Lines l = {"x \\footnote", "", "{abc}"};
  TextPos p = LongGetCommandName(sc, l, 0, 3);
  EXPECT_EQ(sc.commandName, "footnote");
  EXPECT_TRUE(sc.braceFollows);
  EXPECT_EQ(p, (TextPos{2, 1}));

  Lines last = {"\\end"};
  p = LongGetCommandName(sc, last, 0, 1);
  EXPECT_EQ(p, (TextPos{0, 5}));
  EXPECT_FALSE(sc.braceFollows);

  Lines sp = {"\\ x"};
  p = LongGetCommandName(sc, sp, 0, 1);
  EXPECT_EQ(sc.commandName, " ");
  EXPECT_EQ(p, (TextPos{0, 3}));  // just after the space, no extra byte

  Lines mk = {"\\group\x01" "a"};
  p = LongGetCommandName(sc, mk, 0, 1);
  EXPECT_EQ(sc.commandName, "group\x01");
  EXPECT_EQ(p, (TextPos{0, 8}));
}

TEST(TrailBytes, NeverDelimiters) {
  ScanState sc;
  // A kanji with trail byte '\' at the end of a line, then "{" on the next:
  // no command and no group start at the trail byte.
  Lines l = {"{a" + kHyo, "b}"};
  std::string content;
  TextPos p = LongGetGroup(l, 0, 1, content);
  EXPECT_EQ(p, (TextPos{1, 3}));
  EXPECT_EQ(content, "a" + kHyo + "b");

  std::string s = "{" + kSo + "}";
  EXPECT_EQ(GetGroup(s, 0), s.size() - 1);
  s = "{" + kBraceTrail + "}";
  EXPECT_EQ(GetGroup(s, 0), s.size() - 1);
  s = "(" + kHyo + ")";
  EXPECT_EQ(GetkakkoGroup(s, 0, '0'), s.size() - 1);
  EXPECT_EQ(Group("ab" + kBraceTrail + "}", 1), 4);
  EXPECT_EQ(RGroup("{" + kCloseTrail + "x", 4), 1);

  std::vector<std::string> parts;
  StrTok("a" + kHyo + ",b", ",", parts);
  ASSERT_EQ(parts.size(), 2u);
  EXPECT_EQ(parts[0], "a" + kHyo);

  s = "$" + kHyo + "$";
  EXPECT_EQ(GetMath(sc, s, 0), s.size() - 1);
}

TEST(GetGroup, EscapesAndNesting) {
  EXPECT_EQ(GetGroup("{a\\}b}", 0), 5u);
  EXPECT_EQ(GetGroup("{a{b}c}d", 0), 6u);
  EXPECT_EQ(GetGroup("{a{b}c", 0), npos);
}

TEST(GetMath, SkipsCommandArguments) {
  ScanState sc;
  std::string s = "$\\rm{a$b}c$d";
  EXPECT_EQ(GetMath(sc, s, 0), 10u);
  EXPECT_EQ(GetMath(sc, "$\\rm{a", 0), npos);
  EXPECT_EQ(GetMath(sc, "$abc", 0), npos);
}

TEST(LongGetGroup, JoiningRules) {
  std::string out;
  Lines l = {"\\footnote{abc", "def}"};
  TextPos p = LongGetGroup(l, 0, 10, out);
  EXPECT_EQ(out, "abc\\/def");
  EXPECT_EQ(p, (TextPos{1, 5}));

  Lines j = {"\\footnote{" + sj("あ"), sj("い}")};
  LongGetGroup(j, 0, 10, out);
  EXPECT_EQ(out, sj("あい"));

  Lines c = {"{x\\", "alpha}"};
  LongGetGroup(c, 0, 1, out);
  EXPECT_EQ(out, "x\\\\/alpha");

  Lines e = {"{ab", "", "cd}"};  // the empty line adds nothing, the join still applies
  LongGetGroup(e, 0, 1, out);
  EXPECT_EQ(out, "ab\\/cd");

  Lines u = {"{ab", "cd"};
  EXPECT_EQ(LongGetGroup(u, 0, 1, out), (TextPos{-1, 0}));
  EXPECT_EQ(LongGetGroup(u, 0, 2, out), (TextPos{-1, 0}));
}

TEST(LongGetMath, JoinsLinesAndDelimiters) {
  ScanState sc;
  std::string out;
  Lines l = {"$a", "b$"};
  TextPos p = LongGetMath(sc, l, 0, 1, 1, out);
  EXPECT_EQ(out, "$a b$");
  EXPECT_EQ(p, (TextPos{1, 2}));

  Lines d = {"$$x$$"};
  p = LongGetMath(sc, d, 0, 2, 2, out);
  EXPECT_EQ(out, "$x$");
  EXPECT_EQ(p, (TextPos{0, 5}));

  Lines cmd = {"$\\frac{a", "b}{c}$"};
  LongGetMath(sc, cmd, 0, 1, 1, out);
  EXPECT_EQ(out, "$\\frac{a\\/b}{c}$");

  Lines end = {"$x+\\alpha", "b$"};  // a name ending its line
  LongGetMath(sc, end, 0, 1, 1, out);
  EXPECT_EQ(out, "$x+\\alpha b$");

  Lines open = {"$abc", "def"};
  EXPECT_EQ(LongGetMath(sc, open, 0, 1, 1, out), (TextPos{-1, -1}));
  Lines badArg = {"$\\rm{a$"};
  EXPECT_EQ(LongGetMath(sc, badArg, 0, 1, 1, out), (TextPos{-1, -1}));
}

TEST(StrTok, EscapesBracesAndTrailingPiece) {
  std::vector<std::string> p;
  StrTok("a,{b,c},d\\,e", ",", p);
  EXPECT_EQ(p, (std::vector<std::string>{"a", "{b,c}", "d\\,e"}));
  StrTok("", ",", p);
  EXPECT_EQ(p, (std::vector<std::string>{""}));
  StrTok("a,b,", ",", p);
  EXPECT_EQ(p, (std::vector<std::string>{"a", "b", ""}));
  StrTok(" x ; y ", ";;", p);  // only the first character of the delimiter counts
  EXPECT_EQ(p, (std::vector<std::string>{"x", "y"}));
}

TEST(LeftRight, SearchAndMatch) {
  std::string s = "\\leftarrow \\left( x \\right)";
  size_t f = SearchLR(s, 0);
  ASSERT_NE(f, npos);
  EXPECT_EQ(s.substr(f, 6), "\\left(");
  EXPECT_EQ(SearchLR("\\left{ x \\right)", 0), npos);

  std::string n = "\\left( a \\left[ b \\right] c \\right) d";
  size_t open = n.find('(');
  size_t last = lrGroup(n, open);
  ASSERT_NE(last, npos);
  EXPECT_EQ(n.substr(last + 1, 7), "\\right)");
  // From the delimiter after the outer \right back to its \left.
  int closeCol = static_cast<int>(n.find(')')) + 1;
  EXPECT_EQ(RlrGroup(n, closeCol), 1);
  int innerClose = static_cast<int>(n.find(']')) + 1;
  EXPECT_EQ(RlrGroup(n, innerClose), static_cast<int>(n.find("\\left[")) + 1);
}

TEST(LeftRight, MatchingIsLinearInTheNesting) {
  // 20,000 nested pairs: searching afresh from every bracket took seconds
  // for the outermost match (bench_brackets prints the figures).
  constexpr int kDepth = 20000;
  std::string s;
  for (int i = 0; i < kDepth; ++i) s += "\\left( ";
  s += "x";
  for (int i = 0; i < kDepth; ++i) s += " \\right)";
  EXPECT_EQ(lrGroup(s, 5), s.size() - 8);
  EXPECT_EQ(lrGroup(s, 7 * (kDepth - 1) + 5), 7u * kDepth + 1);  // the innermost pair
  // The first of either kind must still have its delimiter, even one
  // after the match.
  EXPECT_EQ(lrGroup("( a \\right) b", 0), 3u);
  EXPECT_EQ(lrGroup("( a \\right) \\left{ b", 0), npos);
}

TEST(StrLen, DoubleByteCountsOne) {
  EXPECT_EQ(StrLen(sj("あいうabc")), 6u);
  EXPECT_EQ(StrLen(""), 0u);
}
