// The command table: names to command numbers and sub-types.
#include <array>
#include <string_view>

#include "base/InBand.h"
#include "layout/commands/Commands.h"

namespace vel {

namespace {

struct Entry {
  std::string_view name;
  int num;
  int sub;
};

// Fixed names (the families box/makebox/val/pval + letter, the group
// markers and the stored-box reference are recognised separately).
constexpr Entry kTable[] = {
    {"veldris", cmd::Figure, 0},
    {"underline", cmd::Underline, 0},
    {"Underline", cmd::Underline, 1},
    {"framebox", cmd::FrameBox, 0},
    {"table", cmd::Table, 0},
    {"box", cmd::Box, 0},
    {"rm", cmd::Box, 2},
    {"raisebox", cmd::Box, 3},
    {"minipage", cmd::MiniPage, 0},
    {"topofcolumnbox", cmd::Float, 0},
    {"topofpagebox", cmd::Float, 1},
    {"bottomofcolumnbox", cmd::Float, 2},
    {"bottomofpagebox", cmd::Float, 3},
    {"footnote", cmd::Float, 4},
    {"headofnextcolumn", cmd::Float, 5},
    {"image", cmd::Image, 0},
    {"dollar", cmd::Escaped, 0},
    {"yen", cmd::Escaped, 1},
    {"sharp", cmd::Escaped, 2},
    {"and", cmd::Escaped, 3},
    {"underbar", cmd::Escaped, 4},
    {"hat", cmd::Escaped, 5},
    {";", 40, 0},
    {">", 41, 0},
    {",", 42, 0},
    {"<", 43, 0},
    {":", 44, 0},
    {"!", 45, 0},
    {"*", 46, 0},
    {" ", 47, 0},
    {"hskip", cmd::Hskip, 0},
    {"/", cmd::EmptyCommand, 0},
    {inband::kInertCommandName, cmd::Inert, 0},
    {"\\", cmd::LineEnd, 0},
    {"cr", cmd::LineEnd, 0},
    {"p", cmd::LineEnd, 1},
    {"crr", cmd::LineEnd, 2},
    {"lineskip", cmd::Skip, 0},
    {"parskip", cmd::Skip, 1},
    {"newcolumn", cmd::PageBreak, 0},
    {"newpage", cmd::PageBreak, 1},
    {"newpaper", cmd::PageBreak, 2},
    {"fontname", cmd::Font, 0},
    {"fontsize", cmd::Font, 1},
    {"fontstyle", cmd::Font, 2},
    {"fontcolor", cmd::Font, 3},
    {"Fontname", cmd::Font, 4},
    {"rulewidth", cmd::Rule, 0},
    {"rulecolor", cmd::Rule, 1},
    {"frameboxsep", cmd::Separation, 0},
    {"underlinesep", cmd::Separation, 1},
    {"doublelinesep", cmd::Separation, 2},
    {"leftindent", cmd::Indent, 0},
    {"rightindent", cmd::Indent, 1},
    {"parindent", cmd::Indent, 2},
    {"noindent", cmd::Indent, 3},
    {"leftindentfor", cmd::Indent, 4},
    {"rightindentfor", cmd::Indent, 5},
    {"tablesep", cmd::TableSep, 0},
    {"tablerowsep", cmd::TableSep, 1},
    {"tablecolsep", cmd::TableSep, 2},
    {"mathindent", cmd::MathSetting, 0},
    {"mathrightindent", cmd::MathSetting, 1},
    {"mathkakkomode", cmd::MathSetting, 2},
    {"inlinemathmode", cmd::MathSetting, 3},
    {"beginitem", cmd::BeginItem, 0},
    {"enditem", cmd::EndItem, 0},
    {"item", cmd::Item, 0},
    {"beginunderline", cmd::UnderlineMark, 0},
    {"beginUnderline", cmd::UnderlineMark, 1},
    {"endunderline", cmd::UnderlineMark, 2},
    {"alnumfontmode", cmd::AlnumFontMode, 0},
    {"deflength", cmd::LengthCounter, 0},
    {"setcounter", cmd::LengthCounter, 1},
    {"matrixrowsep", cmd::MatrixSep, 0},
    {"matrixcolsep", cmd::MatrixSep, 1},
    {"firstpagenum", cmd::FirstPageNum, 0},
    {"footsep", cmd::HeadFootSep, 0},
    {"headsep", cmd::HeadFootSep, 1},
    {"evenpageheader", cmd::Header, 0},
    {"oddpageheader", cmd::Header, 1},
    {"evenpagefooter", cmd::Footer, 0},
    {"oddpagefooter", cmd::Footer, 1},
    {"pagenum", cmd::PageNum, 0},
    {"chapter", cmd::Heading, 0},
    {"section", cmd::Heading, 1},
    {"subsection", cmd::Heading, 2},
    {"chapternum", cmd::Heading, 3},
    {"chapterstr", cmd::Heading, 4},
    {"sectionnum", cmd::Heading, 5},
    {"sectionstr", cmd::Heading, 6},
    {"subsectionnum", cmd::Heading, 7},
    {"subsectionstr", cmd::Heading, 8},
    {"strlen", cmd::StrLen, 0},
    {"strnum", cmd::StringFunc, 1},
    {"stralpha", cmd::StringFunc, 2},
    {"strAlpha", cmd::StringFunc, 3},
    {"strrom", cmd::StringFunc, 4},
    {"strRom", cmd::StringFunc, 5},
    {"strZennum", cmd::StringFunc, 6},
    {"strZenalpha", cmd::StringFunc, 7},
    {"strZenAlpha", cmd::StringFunc, 8},
    {"strKannum", cmd::StringFunc, 9},
    {"strval", cmd::StringFunc, 10},
    {"substr", cmd::StringFunc, 11},
    {"toval", cmd::ToVal, 0},
    {"tableofcontents", cmd::TableOfContents, 0},
    {"boldmath", cmd::BoldMath, 0},
    {"unboldmath", cmd::BoldMath, 1},
    {"pageBGcolor", cmd::Background, 0},
    {"columnBGcolor", cmd::Background, 1},
    {"pageBGimage", cmd::Background, 2},
    {"columnBGimage", cmd::Background, 3},
    {"tatemode", cmd::TateMode, 0},
    {"centerline", cmd::CenterLine, 0},
    {"rightline", cmd::RightLine, 0},
};


// The rows of CommandTraits, one per command number. Columns: kind, what;
// argument required, refused, "\/" refused; paragraph only, body only;
// replayed; advances; barrier, ends the look-ahead; class after; room and
// height in a one-line box.
using T = CommandTraits;
using A = T::After;
constexpr T::Mask All = T::kAll;
constexpr T::Mask S(int s) { return T::Sub(s); }
constexpr bool Y = true, N = false;

constexpr CommandTraits kTraits[] = {
    {cmd::Text, "text", 0, 0, 0, 0, 0, 0, All, N, N, A::SpaceOrBox, Y, Y},
    {cmd::Figure, "figure", All, 0, 0, 0, 0, 0, All, Y, Y, A::SpaceOrBox, Y, Y},
    {cmd::InlineMath, "inline formula", 0, 0, 0, 0, 0, 0, All, Y, Y, A::SpaceOrBox, Y, Y},
    {cmd::Underline, "underlined box", All, 0, 0, 0, 0, 0, All, Y, Y, A::SpaceOrBox, Y, Y},
    {cmd::FrameBox, "frame box", All, 0, 0, 0, 0, 0, All, Y, Y, A::SpaceOrBox, Y, Y},
    {cmd::Table, "table", All, 0, 0, 0, 0, 0, All, Y, Y, A::SpaceOrBox, Y, Y},
    // \boxA (1) and the stored-box reference (4) take no argument.
    {cmd::Box, "box", All & ~(S(1) | S(4)), S(1) | S(4), 0, 0, 0, 0, All, Y, Y, A::SpaceOrBox, Y, Y},
    {cmd::MiniPage, "mini page", All, 0, 0, 0, 0, 0, All, Y, Y, A::SpaceOrBox, Y, Y},
    // \headofnextcolumn (5) only in the body's paragraphs; the floats
    // check their own place once their argument is known.
    {cmd::Float, "float or footnote", All, 0, 0, S(5), S(5), 0, 0, Y, Y, A::SpaceOrBox, N, Y},
    {cmd::Image, "image", All, 0, 0, 0, 0, 0, All, Y, Y, A::SpaceOrBox, Y, Y},
    {cmd::Escaped, "escaped character", 0, All, 0, 0, 0, 0, 0, Y, Y, A::SpaceOrBox, Y, Y},
    {cmd::SpaceFirst, "spacing", 0, All, 0, 0, 0, 0, All, N, N, A::None, Y, N},  // stands for 40-47
    {cmd::Hskip, "\\hskip", All, 0, All, 0, 0, 0, All, N, N, A::None, Y, N},
    {cmd::EmptyCommand, "\\/", 0, All, 0, 0, 0, 0, 0, N, N, A::None, N, N},
    {cmd::Inert, "inert", 0, 0, 0, 0, 0, 0, 0, N, N, A::None, N, N},
    {cmd::LineEnd, "line end", 0, 0, 0, All, 0, All, 0, N, Y, A::None, N, N},
    {cmd::Skip, "line and paragraph skip", All, 0, All, All, 0, All, 0, N, N, A::Keep, N, N},
    {cmd::PageBreak, "column, page or paper break", 0, All, 0, All, All, 0, 0, N, Y, A::None, N, N},
    {cmd::Font, "font setting", All, 0, All, 0, 0, All, 0, N, N, A::Keep, N, N},
    {cmd::Rule, "rule setting", All, 0, All, 0, 0, All, 0, N, N, A::Keep, N, N},
    {cmd::Separation, "separation setting", All, 0, All, 0, 0, All, 0, N, N, A::Keep, N, N},
    // \noindent (3) takes no argument; only \parindent (2) is replayed
    // and only it leaves the pen where it is.
    {cmd::Indent, "indentation", All & ~S(3), S(3), All & ~S(3), All, 0, S(2), All & ~S(2), N, N, A::Keep, N, N},
    {cmd::TableSep, "table separation", All, 0, All, 0, 0, All, 0, N, N, A::Keep, N, N},
    // \mathindent (0) and \mathrightindent (1) need a paragraph.
    {cmd::MathSetting, "math setting", All, 0, All, S(0) | S(1), 0, All, 0, N, N, A::Keep, N, N},
    {cmd::BeginItem, "\\beginitem", 0, 0, 0, All, 0, 0, 0, N, Y, A::None, N, N},
    {cmd::EndItem, "\\enditem", 0, All, 0, All, 0, 0, 0, N, Y, A::None, N, N},
    {cmd::Item, "\\item", 0, 0, 0, All, 0, 0, All, N, Y, A::None, N, N},
    {cmd::UnderlineMark, "underline span marker", 0, 0, 0, 0, 0, 0, 0, N, N, A::Keep, N, N},
    {cmd::AlnumFontMode, "\\alnumfontmode", All, 0, 0, 0, 0, All, 0, N, N, A::Keep, N, N},
    {cmd::MakeBox, "\\makebox", All, 0, 0, 0, 0, All, 0, N, N, A::Keep, N, N},
    {cmd::LengthCounter, "\\deflength, \\setcounter", All, 0, S(0), 0, 0, All, 0, N, N, A::Keep, N, N},
    {cmd::MatrixSep, "matrix separation", All, 0, All, 0, 0, All, 0, N, N, A::Keep, N, N},
    {cmd::FirstPageNum, "\\firstpagenum", All, 0, 0, 0, 0, 0, 0, N, N, A::Keep, N, N},
    {cmd::HeadFootSep, "\\headsep, \\footsep", All, 0, 0, 0, 0, 0, 0, N, N, A::Keep, N, N},
    {cmd::Header, "header", All, 0, 0, 0, 0, 0, 0, N, N, A::Keep, N, N},
    {cmd::Footer, "footer", All, 0, 0, 0, 0, 0, 0, N, N, A::Keep, N, N},
    {cmd::PageNum, "\\pagenum", 0, 0, 0, 0, 0, 0, 0, N, N, A::Keep, Y, Y},
    {cmd::Heading, "heading", 0, 0, 0, 0, 0, All, 0, N, N, A::Keep, Y, Y},
    {cmd::StrLen, "\\strlen", 0, 0, 0, 0, 0, 0, 0, N, N, A::Keep, N, N},
    {cmd::GroupMark, "group marker", 0, 0, 0, 0, 0, All, 0, N, N, A::Keep, N, N},
    {cmd::StringFunc, "string function", All, 0, 0, 0, 0, 0, 0, N, N, A::Keep, N, N},
    {cmd::Pval, "\\pval", All, 0, 0, 0, 0, All, 0, N, N, A::Keep, N, N},
    {cmd::ToVal, "\\toval", All, 0, 0, 0, 0, All, 0, N, N, A::Keep, N, N},
    {cmd::TableOfContents, "\\tableofcontents", 0, 0, 0, 0, 0, 0, 0, N, N, A::Keep, N, N},
    {cmd::BoldMath, "\\boldmath, \\unboldmath", 0, All, 0, 0, 0, All, 0, N, N, A::Keep, N, N},
    {cmd::Background, "background", All, 0, 0, All, 0, 0, 0, N, N, A::Keep, N, N},
    {cmd::TateMode, "\\tatemode", All, 0, All, 0, 0, All, 0, N, N, A::Keep, N, N},
    {cmd::CenterLine, "\\centerline", All, 0, 0, All, 0, 0, All, Y, Y, A::None, N, N},
    {cmd::RightLine, "\\rightline", All, 0, 0, All, 0, 0, All, Y, Y, A::None, N, N},
    {cmd::DisplayMath2, "display formula", 0, 0, 0, 0, 0, 0, All, Y, Y, A::None, N, N},
    {cmd::DisplayMath3, "centred display formula", 0, 0, 0, 0, 0, 0, All, Y, Y, A::None, N, N},
    {cmd::ValFirst, "value register assignment", All, 0, 0, 0, 0, All, 0, N, N, A::Keep, N, N},  // 450-501
    {cmd::UserLengthFirst, "user length assignment", All, 0, 0, 0, 0, All, 0, N, N, A::Keep, N, N},  // 600-
};

constexpr CommandTraits kNeutral{};

// Row index by kind below the assignments; the word loop asks per word.
constexpr int kIndexedKinds = 160;
constexpr auto kTraitsIndex = [] {
  std::array<int8_t, kIndexedKinds> index{};
  index.fill(-1);
  for (size_t i = 0; i < std::size(kTraits); ++i)
    if (kTraits[i].kind < kIndexedKinds) index[static_cast<size_t>(kTraits[i].kind)] = static_cast<int8_t>(i);
  return index;
}();

bool isUpper(char c) { return c >= 'A' && c <= 'Z'; }
bool isLower(char c) { return c >= 'a' && c <= 'z'; }

}  // namespace

int GetCommandNum(State& st) {
  const std::string& n = st.scan.commandName;
  for (const Entry& e : kTable) {
    if (e.name == n) {
      st.cmd.subType = e.sub;
      return e.num;
    }
  }
  // Families of a name and one letter.
  if (n.size() == 4 && n.compare(0, 3, "box") == 0 && isUpper(n[3])) {
    st.cmd.subType = 1;
    return cmd::Box;
  }
  if (n.size() == 8 && n.compare(0, 7, "makebox") == 0 && isUpper(n[7])) {
    // The letter travels in the sub-type: drawing binds it again (kind 123).
    st.cmd.subType = n[7] - 'A';
    return cmd::MakeBox;
  }
  if (n.size() == 4 && n.compare(0, 3, "val") == 0 && (isUpper(n[3]) || isLower(n[3])))
    return isUpper(n[3]) ? cmd::ValFirst + (n[3] - 'A') : cmd::ValFirst + 26 + (n[3] - 'a');
  if (n.size() == 5 && n.compare(0, 4, "pval") == 0 && isUpper(n[4])) {
    st.cmd.subType = n[4] - 'A';
    return cmd::Pval;
  }
  // Group markers made by preprocessing.
  if (n.size() >= 6 && (n.back() == inband::kOpenBrace || n.back() == inband::kCloseBrace)) {
    std::string_view base(n.data(), n.size() - 1);
    int open = n.back() == inband::kOpenBrace ? 1 : 2;
    if (base == "group") { st.cmd.subType = open; return cmd::GroupMark; }
    if (base == "lengroup") { st.cmd.subType = 2 + open; return cmd::GroupMark; }
    if (base == "valgroup") { st.cmd.subType = 4 + open; return cmd::GroupMark; }
  }
  // The stored-box reference written by the box layout: TAB + three digits.
  if (n.size() == 4 && n[0] == inband::kBoxRef) {
    st.cmd.subType = 4;
    return cmd::Box;
  }
  return -1;
}

const CommandTraits& TraitsOf(int kind) {
  static constexpr size_t kRegisters = std::size(kTraits) - 2, kUserLengths = std::size(kTraits) - 1;
  static_assert(kTraits[kRegisters].kind == cmd::ValFirst && kTraits[kUserLengths].kind == cmd::UserLengthFirst);
  if (kind >= cmd::SpaceFirst && kind <= cmd::SpaceLast) kind = cmd::SpaceFirst;
  if (kind >= 0 && kind < kIndexedKinds) {
    const int i = kTraitsIndex[static_cast<size_t>(kind)];
    return i < 0 ? kNeutral : kTraits[static_cast<size_t>(i)];
  }
  if (IsRegisterAssignment(kind)) return kTraits[kRegisters];
  if (IsUserLengthAssignment(kind)) return kTraits[kUserLengths];
  return kNeutral;
}

}  // namespace vel
