// SetCommand: executing the commands of running text under the general
// rules (argument present or not, "\/" in length and font arguments,
// paragraph commands refused inside boxes), and reporting the word each
// command makes. The effects themselves live in the fx:: functions, which
// drawing re-runs.
#include <algorithm>

#include "base/Cp932.h"
#include "frontend/Calc.h"
#include "frontend/Values.h"
#include "layout/boxes/Boxes.h"
#include "layout/commands/CommandEffects.h"
#include "layout/lines/WordLine.h"
#include "layout/pages/Columns.h"
#include "layout/scopes/StateStacks.h"
#include "frontend/Lexical.h"

namespace vel {

namespace {

// A length or setting argument joined from two source lines holds "\/".
bool hasJoin(const std::string& arg) { return arg.find("\\/") != std::string::npos; }

// A command's word: kind and size.
void word(State& st, int kind, int width = 0, int height = 0, int depth = 0) {
  CommandResult& o = st.cmd.out;
  o = CommandResult{};
  o.kind = kind;
  o.width = width;
  o.height = height;
  o.depth = depth;
  o.subType = st.cmd.subType;
}

// Measures text as a box with the box state saved around it. A command
// that fails inside has written its own line; the command measuring the
// box is the one reported.
int measureBox(State& st, const std::string& text, int level) {
  SaveBoxVariables(st);
  int r = BoxWidthHeight(st, text, level, false, false, 0, 0);
  RestoreBoxVariables(st);
  st.cmd.replaced = false;
  if (r != 0) st.errorName.clear();
  return r;
}

// A name not in the table: a user length (names of up to four characters
// are stored padded with "Z"), or undefined.
int userLength(State& st, const std::string& arg, bool hasArg, std::string& wordText) {
  const std::string& name = st.scan.commandName;
  const int i = st.val.userLengthList->Find(name.size() < 5 ? PaddedLengthName(name) : name);
  if (i < 0) return -2;
  if (!hasArg) return -3;
  wordText = arg;
  const int v = fx::AssignUserLength(st, i, wordText);
  word(st, cmd::UserLengthFirst + i);
  st.cmd.out.subType = 0;
  st.cmd.out.value = v;
  return 0;
}

// A value register assignment (\valA ... \valz, \pvalA ... \pvalZ).
int registerAssignment(State& st, int kind, int reg, const std::string& arg, std::string& wordText) {
  const double v = Calc(st, arg);
  fx::AssignRegister(st, reg, v);
  wordText = arg;
  word(st, kind);
  fx::PutDouble(st.cmd.out, v);
  return 0;
}

}  // namespace

bool SetItem(State& st, std::string_view arg) {
  std::string a = Trim(arg);
  if (a.empty()) return false;
  size_t comma = a.find(',');
  std::string indent = comma == std::string::npos ? a : a.substr(0, comma);
  st.line.nextItemIndent = UnitToPix(st, indent);
  std::string label = comma == std::string::npos ? std::string() : Trim(a.substr(comma + 1));
  st.line.nextLabelWidth = label.empty() ? kAutomaticLabelWidth : UnitToPix(st, label);
  return true;
}

namespace {

int execute(State& st, int num, const std::string& arg, bool hasArg, std::string& wordText,
            const CommandContext& ctx) {
  st.cmd.replaced = false;
  wordText.clear();
  if (num < 0) return userLength(st, arg, hasArg, wordText);
  const int sub = st.cmd.subType;
  // The rules every command shares, read from its row.
  const CommandTraits& t = TraitsOf(num);
  if (ctx.insideBox && t.has(t.paragraphOnly, sub)) return -2;
  if (!ctx.mainText && t.has(t.mainTextOnly, sub)) return -2;
  if (!hasArg && t.has(t.argRequired, sub)) return -3;
  if (hasArg && t.has(t.argRefused, sub)) return -10;
  if (hasArg && t.has(t.joinRefused, sub) && hasJoin(arg)) return -10;
  if (IsRegisterAssignment(num)) {
    int r = registerAssignment(st, num, RegisterOfKind(num), arg, wordText);
    st.cmd.out.subType = 0;
    return r;
  }
  const double H = st.font.charHeight;

  switch (num) {
    case cmd::Escaped: {
      static const char kChars[] = {'$', '\\', '#', '&', '_', '^'};
      const char c = kChars[std::clamp(sub, 0, 5)];
      wordText.assign(1, c);
      int w = st.canvas ? st.canvas->charWidth(st.chr.font, static_cast<unsigned char>(c)) : 0;
      word(st, 0, w, st.font.ascent, st.font.descent);
      return 0;
    }
    case 40: case 41: case 42: case 43: case 44: case 45: case 46: case 47: {
      static const double kRatio[] = {5.0 / 18, 2.0 / 9, 1.0 / 6, 1.0 / 12, 1.0 / 18, -1.0 / 6, -1.0 / 12, 1.0 / 2};
      word(st, num, static_cast<int>(H * kRatio[num - 40]));
      return 0;
    }
    case cmd::Hskip: {
      wordText = arg;
      word(st, cmd::Hskip, ReformPara(st, wordText));
      return 0;
    }
    case cmd::EmptyCommand:
      word(st, cmd::Hskip, 0);
      return 0;
    case cmd::Inert:
    case cmd::StrLen:
      // The command written over \headofnextcolumn takes its argument
      // along: that text was queued already. \strlen as a command is inert.
      word(st, cmd::Inert);
      return 0;
    case cmd::LineEnd:
      wordText = arg;
      word(st, cmd::LineEnd);
      return 0;
    case cmd::Skip:
      wordText = arg;
      fx::Skip(st, sub, wordText);
      word(st, cmd::Skip);
      return 0;
    case cmd::PageBreak:
      word(st, cmd::PageBreak);
      return 0;
    case cmd::Font:
      wordText = arg;
      fx::FontSetting(st, sub, wordText, ctx.styleLevel);
      word(st, cmd::Font);
      return 0;
    case cmd::Rule:
    case cmd::Separation:
    case cmd::TableSep:
    case cmd::MathSetting:
      wordText = arg;
      if (num == cmd::Rule) fx::Rule(st, sub, wordText);
      else if (num == cmd::Separation) fx::Separation(st, sub, wordText);
      else if (num == cmd::TableSep) fx::TableSep(st, sub, wordText);
      else fx::MathSetting(st, sub, wordText);
      word(st, num);
      return 0;
    case cmd::Indent: {
      if (sub != cmd::NoIndent) wordText = arg;
      if (sub == cmd::ParIndent) fx::ParIndent(st, wordText);
      word(st, cmd::Indent);
      return 0;
    }
    case cmd::BeginItem:
      if (hasArg && !SetItem(st, arg)) return -10;
      if (!hasArg) {
        st.line.nextItemIndent = 0;
        st.line.nextLabelWidth = kAutomaticLabelWidth;
      }
      wordText = arg;
      word(st, cmd::BeginItem);
      return 0;
    case cmd::EndItem:
      word(st, cmd::EndItem);
      return 0;
    case cmd::Item: {
      LineState& L = st.line;
      const int level = std::min(std::max(L.itemLevel, 0), 9);
      fx::StepItemCounter(st, level);
      std::string label = hasArg ? arg : std::string("$\\bullet$");
      if (measureBox(st, label, ctx.styleLevel) != 0) return -10;
      st.cmd.subType = sub;
      wordText = label;
      word(st, cmd::Item, st.box.resultWidth, st.box.resultHeight, st.box.resultDepth);
      // Drawing sets the counter to what the layout gave it, whatever the
      // state it starts from (\beginitem resets are not drawn).
      st.cmd.out.value = level;
      st.cmd.out.valueA = st.val.counters[counter::Item(level)];
      ItemLevel& lv = L.items[static_cast<size_t>(level)];
      if (level > 0 && lv.rightEdge == kAutomaticLabelWidth)
        lv.rightEdge = lv.leftEdge + st.box.resultWidth + UnitToPix(st, "0.5ch");
      return 0;
    }
    case cmd::UnderlineMark:
      wordText = arg;
      word(st, cmd::UnderlineMark);
      st.cmd.out.value = sub == 2 ? 0 : sub;
      return 0;
    case cmd::AlnumFontMode:
      wordText = arg;
      fx::AlnumFontMode(st, wordText);
      word(st, cmd::AlnumFontMode);
      return 0;
    case cmd::LengthCounter:
      wordText = arg;
      fx::LengthCounter(st, sub, wordText);
      word(st, cmd::LengthCounter);
      return 0;
    case cmd::MatrixSep:
      wordText = arg;
      fx::MatrixSep(st, sub, wordText);
      word(st, cmd::MatrixSep);
      return 0;
    case cmd::FirstPageNum: {
      const double v = Calc(st, arg);
      st.geo.firstPageNum = (v > -2e9 && v < 2e9) ? static_cast<int>(v) : 0;
      word(st, cmd::FirstPageNum);
      return 0;
    }
    case cmd::HeadFootSep:
      (sub == 0 ? st.geo.footSep : st.geo.headSep) = UnitToPix(st, arg);
      word(st, cmd::HeadFootSep);
      return 0;
    case cmd::Header:
    case cmd::Footer: {
      const int r = fx::HeaderFooter(st, num == cmd::Footer, sub, arg);
      if (r < 0) return r;
      word(st, num);
      return 0;
    }
    case cmd::PageNum: {
      const int r = fx::PageNum(st);
      if (r < 0) return r;
      word(st, cmd::PageNum);
      return 0;
    }
    case cmd::Heading: {
      const int r = fx::Heading(st, sub, arg, hasArg);
      if (r < 0) return r;
      st.cmd.subType = sub;
      word(st, cmd::Heading);
      if (sub <= 2) {
        // The heading counters as the layout left them, for drawing.
        st.cmd.out.value = st.val.counters[counter::kChapter];
        st.cmd.out.valueA = st.val.counters[counter::kSection];
        st.cmd.out.valueB = st.val.counters[counter::kSubsection];
      }
      return 0;
    }
    case cmd::GroupMark: {
      int kind = 0, value = 0;
      const int r = fx::GroupMarker(st, sub, ctx.insideBox, kind, value);
      if (r < 0) return r;
      word(st, kind);
      st.cmd.out.value = value;
      return 0;
    }
    case cmd::StringFunc:
      st.cmd.replacement = fx::StringFunction(st, sub, arg);
      st.cmd.replaced = true;
      word(st, cmd::StringFunc);
      return 0;
    case cmd::Pval:
      return registerAssignment(st, cmd::Pval, 52 + sub, arg, wordText);
    case cmd::ToVal:
      wordText = arg;
      fx::ToVal(st, wordText);
      word(st, cmd::ToVal);
      return 0;
    case cmd::TableOfContents: {
      const int r = fx::TableOfContents(st, hasArg, ctx.insideBox);
      if (r < 0) return r;
      word(st, cmd::TableOfContents);
      return 0;
    }
    case cmd::BoldMath:
      fx::BoldMath(st, sub);
      word(st, cmd::BoldMath);
      return 0;
    case cmd::Background:
      SetPageColumnBGColorImage(st, arg, sub);
      wordText = arg;
      word(st, cmd::Background);
      return 0;
    case cmd::TateMode:
      wordText = arg;
      fx::TateMode(st, wordText);
      word(st, cmd::TateMode);
      return 0;
    case cmd::CenterLine:
    case cmd::RightLine:
      if (measureBox(st, arg, ctx.styleLevel) != 0) return -10;
      st.cmd.subType = sub;
      wordText = arg;
      word(st, num, st.box.resultWidth, st.box.resultHeight, st.box.resultDepth);
      return 0;
    case cmd::Float:
      if (sub == cmd::HeadOfNextColumn) {
        // \headofnextcolumn: the text waits for the next column.
        st.line.nextColumnHeadList.push_back(arg);
        word(st, cmd::Inert);
        return 0;
      }
      return SetBoxCommand(st, num, arg, wordText, ctx);
    case cmd::Figure:
    case cmd::Underline:
    case cmd::FrameBox:
    case cmd::Table:
    case cmd::Box:
    case cmd::MiniPage:
    case cmd::Image:
      return SetBoxCommand(st, num, arg, wordText, ctx);
    case cmd::MakeBox: {
      // The word keeps the letter in its sub-type: drawing binds it again.
      const int r = SetBoxCommand(st, num, arg, wordText, ctx);
      if (r == 0) st.cmd.out.subType = sub;
      return r;
    }
    default:
      return -2;
  }
}

}  // namespace

int SetCommand(State& st, int num, const std::string& arg, bool hasArg, std::string& wordText,
               const CommandContext& ctx) {
  // Commands met while measuring a box overwrite the name and sub-type of
  // the command being executed; its caller reads them afterwards.
  const std::string name = st.scan.commandName;
  const int sub = st.cmd.subType;
  const int r = execute(st, num, arg, hasArg, wordText, ctx);
  st.scan.commandName = name;
  st.cmd.subType = sub;
  return r;
}

}  // namespace vel
