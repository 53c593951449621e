// The whole command table, walked name by name: every command with a valid
// argument typesets without an error, and every misspelled or wrongly
// cased form of its name is reported as undefined, with the exact message
// and source line. Also the lookup itself for the forms a user cannot type
// (group markers, the stored-box reference).
#include <gtest/gtest.h>

#include <set>

#include "Typeset.h"
#include "canvas/Bitmap.h"
#include "layout/commands/Commands.h"

using namespace vel;
using cmdtest::kHead;
using cmdtest::Typeset;

namespace {

struct Row {
  const char* name;  // the name after the backslash
  const char* usage;  // a valid use (may need other commands around it)
  const char* arg;    // the argument written after a misspelled name
};

// Every fixed name of the table and one member of each family.
const Row kRows[] = {
    {"veldris", "\\veldris{\\basicset{2cm,1cm,0,0,1}}", "{\\basicset{2cm,1cm,0,0,1}}"},
    {"underline", "\\underline{a}", "{a}"},
    {"Underline", "\\Underline{a}", "{a}"},
    {"framebox", "\\framebox{a}", "{a}"},
    {"table", "\\table{\\col{l}a\\\\}", "{a}"},
    {"box", "\\box{a}", "{a}"},
    {"boxA", "\\makeboxA{a}\\boxA", ""},
    {"rm", "\\rm{a}", "{a}"},
    {"raisebox", "\\raisebox{\\raise{1mm}a}", "{\\raise{1mm}a}"},
    {"minipage", "\\minipage{\\width{3cm}a}", "{\\width{3cm}a}"},
    {"topofcolumnbox", "\\topofcolumnbox{a}", "{a}"},
    {"topofpagebox", "\\topofpagebox{a}", "{a}"},
    {"bottomofcolumnbox", "\\bottomofcolumnbox{a}", "{a}"},
    {"bottomofpagebox", "\\bottomofpagebox{a}", "{a}"},
    {"footnote", "a\\footnote{b}", "{b}"},
    {"headofnextcolumn", "\\headofnextcolumn{a}", "{a}"},
    {"image", "\\image{\\width{1cm}dot.bmp}", "{\\width{1cm}dot.bmp}"},
    {"dollar", "\\dollar", ""},
    {"yen", "\\yen", ""},
    {"sharp", "\\sharp", ""},
    {"and", "\\and", ""},
    {"underbar", "\\underbar", ""},
    {"hat", "\\hat", ""},
    {";", "a\\;b", ""},
    {">", "a\\>b", ""},
    {",", "a\\,b", ""},
    {"<", "a\\<b", ""},
    {":", "a\\:b", ""},
    {"!", "a\\!b", ""},
    {"*", "a\\*b", ""},
    {" ", "a\\ b", ""},
    {"hskip", "\\hskip{1cm}", "{1cm}"},
    {"/", "a\\/b", ""},
    {"llllllllllllllll", "\\llllllllllllllll{a}", "{a}"},
    {"\\", "a\\\\b", ""},
    {"cr", "a\\cr b", ""},
    {"p", "a\\p b", ""},
    {"crr", "a\\crr b", ""},
    {"lineskip", "\\lineskip{1mm}", "{1mm}"},
    {"parskip", "\\parskip{1mm}", "{1mm}"},
    {"newcolumn", "a\\newcolumn b", ""},
    {"newpage", "a\\newpage b", ""},
    {"newpaper", "a\\newpaper b", ""},
    {"fontname", "\\fontname{ＭＳ ゴシック}", "{a}"},
    {"fontsize", "\\fontsize{12}", "{12}"},
    {"fontstyle", "\\fontstyle{b}", "{b}"},
    {"fontcolor", "\\fontcolor{red}", "{red}"},
    {"Fontname", "\\Fontname{ＭＳ 明朝}", "{a}"},
    {"rulewidth", "\\rulewidth{1mm}", "{1mm}"},
    {"rulecolor", "\\rulecolor{red}", "{red}"},
    {"frameboxsep", "\\frameboxsep{1mm}", "{1mm}"},
    {"underlinesep", "\\underlinesep{1mm}", "{1mm}"},
    {"doublelinesep", "\\doublelinesep{1mm}", "{1mm}"},
    {"leftindent", "\\leftindent{1cm}", "{1cm}"},
    {"rightindent", "\\rightindent{1cm}", "{1cm}"},
    {"parindent", "\\parindent{1cm}", "{1cm}"},
    {"noindent", "\\noindent a", ""},
    {"leftindentfor", "\\leftindentfor{1cm,1cm}", "{1cm,1cm}"},
    {"rightindentfor", "\\rightindentfor{1cm,1cm}", "{1cm,1cm}"},
    {"tablesep", "\\tablesep{1mm}", "{1mm}"},
    {"tablerowsep", "\\tablerowsep{1mm}", "{1mm}"},
    {"tablecolsep", "\\tablecolsep{1mm}", "{1mm}"},
    {"mathindent", "\\mathindent{1cm}", "{1cm}"},
    {"mathrightindent", "\\mathrightindent{1cm}", "{1cm}"},
    {"mathkakkomode", "\\mathkakkomode{1}", "{1}"},
    {"inlinemathmode", "\\inlinemathmode{1}", "{1}"},
    {"beginitem", "\\beginitem{1cm,2ch}\\item{1}a\\enditem", "{1cm,2ch}"},
    {"enditem", "\\beginitem\\item a\\enditem", ""},
    {"item", "\\beginitem\\item{1}a\\enditem", "{1}"},
    {"beginunderline", "\\beginunderline{}a\\endunderline{}", "{}"},
    {"beginUnderline", "\\beginUnderline{}a\\endunderline{}", "{}"},
    {"endunderline", "\\beginunderline{}a\\endunderline{}", "{}"},
    {"alnumfontmode", "\\alnumfontmode{1}", "{1}"},
    {"makeboxA", "\\makeboxA{a}", "{a}"},
    {"deflength", "\\deflength{\\ab}", "{\\ab}"},
    {"setcounter", "\\setcounter{3,4}", "{3,4}"},
    {"matrixrowsep", "\\matrixrowsep{1mm}", "{1mm}"},
    {"matrixcolsep", "\\matrixcolsep{1mm}", "{1mm}"},
    {"firstpagenum", "\\firstpagenum{3}", "{3}"},
    {"footsep", "\\footsep{1cm}", "{1cm}"},
    {"headsep", "\\headsep{1cm}", "{1cm}"},
    {"evenpageheader", "\\evenpageheader{\\left{a}\\line{0.1mm}}", "{\\left{a}}"},
    {"oddpageheader", "\\oddpageheader{\\center{a}}", "{\\center{a}}"},
    {"evenpagefooter", "\\evenpagefooter{\\right{a}}", "{\\right{a}}"},
    {"oddpagefooter", "\\oddpagefooter{\\line{1mm}}", "{\\line{1mm}}"},
    {"pagenum", "\\oddpagefooter{\\center{\\pagenum}}", ""},
    {"chapter", "\\chapter{1&a}", "{1&a}"},
    {"section", "\\section{1&a}", "{1&a}"},
    {"subsection", "\\subsection{1&a}", "{1&a}"},
    {"chapternum", "\\chapternum", ""},
    {"chapterstr", "\\chapterstr", ""},
    {"sectionnum", "\\sectionnum", ""},
    {"sectionstr", "\\sectionstr", ""},
    {"subsectionnum", "\\subsectionnum", ""},
    {"subsectionstr", "\\subsectionstr", ""},
    {"strlen", "\\strlen{abc}", "{abc}"},
    {"group", "\\group{a}", "{a}"},
    {"lengroup", "\\lengroup{a}", "{a}"},
    {"valgroup", "\\valgroup{a}", "{a}"},
    {"strnum", "\\strnum{3}", "{3}"},
    {"stralpha", "\\stralpha{3}", "{3}"},
    {"strAlpha", "\\strAlpha{3}", "{3}"},
    {"strrom", "\\strrom{3}", "{3}"},
    {"strRom", "\\strRom{3}", "{3}"},
    {"strZennum", "\\strZennum{3}", "{3}"},
    {"strZenalpha", "\\strZenalpha{3}", "{3}"},
    {"strZenAlpha", "\\strZenAlpha{3}", "{3}"},
    {"strKannum", "\\strKannum{3}", "{3}"},
    {"strval", "\\strval{1/3,2}", "{1/3,2}"},
    {"substr", "\\substr{abc,2,1}", "{abc,2,1}"},
    {"pvalA", "\\pvalA{1}", "{1}"},
    {"toval", "\\toval{1cm,2cm}", "{1cm,2cm}"},
    {"tableofcontents", "\\tableofcontents\\chapter{1&a}", ""},
    {"boldmath", "\\boldmath", ""},
    {"unboldmath", "\\unboldmath", ""},
    {"pageBGcolor", "\\pageBGcolor{red}", "{red}"},
    {"columnBGcolor", "\\columnBGcolor{red}", "{red}"},
    {"pageBGimage", "\\pageBGimage{dot.bmp}", "{dot.bmp}"},
    {"columnBGimage", "\\columnBGimage{dot.bmp}", "{dot.bmp}"},
    {"tatemode", "\\tatemode{0}", "{0}"},
    {"centerline", "\\centerline{a}", "{a}"},
    {"rightline", "\\rightline{a}", "{a}"},
    {"valA", "\\valA{1}", "{1}"},
    {"valz", "\\valz{1}", "{1}"},
};

bool isUpper(char c) { return c >= 'A' && c <= 'Z'; }
bool isLower(char c) { return c >= 'a' && c <= 'z'; }
bool isLetter(char c) { return isUpper(c) || isLower(c); }

// A name that is itself a command: a fixed name of the table or a member
// of a family of a name and one letter (the twins a variant may hit).
bool isCommand(const std::string& n) {
  static const std::set<std::string> fixed = [] {
    std::set<std::string> s;
    for (const Row& r : kRows) s.insert(r.name);
    return s;
  }();
  if (fixed.count(n)) return true;
  auto family = [&](const char* stem, bool lowerToo) {
    const size_t k = std::string(stem).size();
    return n.size() == k + 1 && n.compare(0, k, stem) == 0 && (isUpper(n[k]) || (lowerToo && isLower(n[k])));
  };
  return family("box", false) || family("makebox", false) || family("val", true) || family("pval", false);
}

char flip(char c) { return isUpper(c) ? static_cast<char>(c - 'A' + 'a') : static_cast<char>(c - 'a' + 'A'); }

// Misspelled and wrongly cased forms: the last letter dropped, and the
// first, middle and last letters in the other case.
std::set<std::string> variants(const std::string& n) {
  std::set<std::string> out;
  for (char c : n)
    if (!isLetter(c)) return out;
  if (n.size() >= 2) out.insert(n.substr(0, n.size() - 1));
  for (size_t i : {size_t(0), n.size() / 2, n.size() - 1}) {
    std::string v = n;
    v[i] = flip(v[i]);
    out.insert(v);
  }
  for (auto it = out.begin(); it != out.end();) it = isCommand(*it) ? out.erase(it) : std::next(it);
  return out;
}

}  // namespace

TEST(CommandTable, EveryCommandWithAValidArgumentTypesets) {
  veltest::TempDir dir;
  ASSERT_TRUE(Bitmap(2, 2, 0x0000FF).saveBmp(dir.file("dot.bmp")));
  for (const Row& r : kRows) {
    Typeset t(kHead + "前\n" + r.usage + "\n後\n", dir.path());
    EXPECT_EQ(t.status, RunStatus::Done) << r.name;
    EXPECT_TRUE(t.errors().empty()) << r.name << ": " << (t.errors().empty() ? "" : t.errors()[0]);
  }
}

TEST(CommandTable, MisspelledAndMiscasedNamesAreUndefined) {
  int checked = 0;
  for (const Row& r : kRows) {
    for (const std::string& v : variants(r.name)) {
      Typeset t(kHead + "前\n" + "\\" + v + r.arg + "\n後\n");
      const std::vector<std::string> log = t.log();
      ASSERT_EQ(t.status, RunStatus::Stopped) << v;
      ASSERT_GE(log.size(), 3u) << v;
      EXPECT_EQ(log[log.size() - 3], "** \\" + v + "コマンドのエラー") << v;
      EXPECT_EQ(log[log.size() - 2], "** \\" + v + "コマンドは定義されていません。(4行目)") << v;
      EXPECT_EQ(log.back(), "\\" + v + r.arg) << v;
      ++checked;
    }
  }
  // The twins (\Underline, \Fontname, \strRom, \boxA's \box ...) were left out, not everything.
  EXPECT_GT(checked, 350);
  EXPECT_TRUE(variants("underline").count("Underline") == 0);
  EXPECT_TRUE(variants("strrom").count("strRom") == 0);
  EXPECT_TRUE(variants("crr").count("cr") == 0);
}

TEST(CommandTable, LookupOfFamiliesAndInternalForms) {
  struct Case {
    std::string name;
    int num;
    int sub;  // -1: not checked
  };
  const Case cases[] = {
      {"boxQ", cmd::Box, 1},
      {"makeboxC", cmd::MakeBox, 2},
      {"valA", 450, -1},
      {"valZ", 475, -1},
      {"vala", 476, -1},
      {"valz", 501, -1},
      {"pvalA", cmd::Pval, 0},
      {"pvalZ", cmd::Pval, 25},
      {"pvalz", -1, -1},
      {"makeboxc", -1, -1},
      {"boxAB", -1, -1},
      {"valAB", -1, -1},
      {"group\x01", cmd::GroupMark, 1},
      {"group\x02", cmd::GroupMark, 2},
      {"lengroup\x01", cmd::GroupMark, 3},
      {"lengroup\x02", cmd::GroupMark, 4},
      {"valgroup\x01", cmd::GroupMark, 5},
      {"valgroup\x02", cmd::GroupMark, 6},
      {"group", -1, -1},
      {std::string("\t!!#"), cmd::Box, 4},
      {"strlen", cmd::StrLen, -1},
      {"/", cmd::EmptyCommand, -1},
      {std::string(16, 'l'), cmd::Inert, -1},
      {std::string(15, 'l'), -1, -1},
  };
  for (const Case& c : cases) {
    State st;
    st.scan.commandName = c.name;
    st.cmd.subType = 99;
    EXPECT_EQ(GetCommandNum(st), c.num) << c.name;
    if (c.sub >= 0) {
      EXPECT_EQ(st.cmd.subType, c.sub) << c.name;
    }
  }
  // Names without a sub-type leave it alone.
  State st;
  st.scan.commandName = "valB";
  st.cmd.subType = 7;
  GetCommandNum(st);
  EXPECT_EQ(st.cmd.subType, 7);
}
