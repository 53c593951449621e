// SetCommand: executing the commands of running text under the general
// rules (argument present or not, "\/" in length and font arguments,
// paragraph commands refused inside boxes), and reporting the word each
// command makes. The effects themselves live in the fx:: functions, which
// drawing re-runs.
#include <algorithm>

#include "base/CharSearch.h"
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
bool hasJoin(const std::string& arg) { return FindText(arg, "\\/") != npos; }

// A command's word: kind and size.
void word(CommandOutcome& o, const State& st, int kind, int width = 0, int height = 0, int depth = 0) {
  o.word = CommandResult{};
  o.word.kind = kind;
  o.word.width = width;
  o.word.height = height;
  o.word.depth = depth;
  o.word.subType = st.cmd.subType;
}
void word(CommandOutcome& o, const State& st, int kind, const Extent& e) { word(o, st, kind, e.width, e.height, e.depth); }

// Measures text as a box with the box state saved around it. A command
// that fails inside has written its own line; the command measuring the
// box is the one reported.
Result<Extent> measureBox(State& st, const std::string& text, int level) {
  SaveBoxVariables(st);
  Result<Extent> r = BoxWidthHeight(st, text, level, false, false, 0, 0);
  RestoreBoxVariables(st);
  return r;
}

// A measured text that fails: an undefined (or here not allowed) command
// inside is reported by its own name; anything else fails this command.
int measureFailure(const Result<Extent>& e, Failure& failure) {
  if (e.code() != LayoutCode::Undefined) return -10;
  failure = e.failure();
  return ToInt(e.code());
}

// The outcome of a box-making command becomes this command's.
int boxCommand(CommandOutcome& o, Result<CommandOutcome> r, Failure& failure) {
  if (!r) {
    failure = r.failure();
    return ToInt(r.code());
  }
  o = std::move(r.value());
  return 0;
}

// A name not in the table: a user length (names of up to four characters
// are stored padded with "Z"), or undefined.
int userLength(State& st, const std::string& arg, bool hasArg, CommandOutcome& o) {
  const std::string& name = st.scan.commandName;
  const int i = st.val.userLengthList->Find(name.size() < 5 ? PaddedLengthName(name) : name);
  if (i < 0) return -2;
  if (!hasArg) return -3;
  o.text = arg;
  const int v = fx::AssignUserLength(st, i, o.text);
  word(o, st, cmd::UserLengthFirst + i);
  o.word.subType = 0;
  o.word.value = v;
  return 0;
}

// A value register assignment (\valA ... \valz, \pvalA ... \pvalZ).
int registerAssignment(State& st, int kind, int reg, const std::string& arg, CommandOutcome& o) {
  const double v = Calc(st, arg);
  fx::AssignRegister(st, reg, v);
  o.text = arg;
  word(o, st, kind);
  fx::PutDouble(o.word, v);
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

int execute(State& st, int num, const std::string& arg, bool hasArg, CommandOutcome& o, const CommandContext& ctx,
            Failure& failure) {
  if (num < 0) return userLength(st, arg, hasArg, o);
  const int sub = st.cmd.subType;
  // The rules every command shares, read from its row.
  const CommandTraits& t = TraitsOf(num);
  if (ctx.insideBox && t.has(t.paragraphOnly, sub)) return -2;
  if (!ctx.mainText && t.has(t.mainTextOnly, sub)) return -2;
  if (!hasArg && t.has(t.argRequired, sub)) return -3;
  if (hasArg && t.has(t.argRefused, sub)) return -10;
  if (hasArg && t.has(t.joinRefused, sub) && hasJoin(arg)) return -10;
  if (IsRegisterAssignment(num)) {
    int r = registerAssignment(st, num, RegisterOfKind(num), arg, o);
    o.word.subType = 0;
    return r;
  }
  const double H = st.font.charHeight;

  switch (num) {
    case cmd::Escaped: {
      static const char kChars[] = {'$', '\\', '#', '&', '_', '^'};
      const char c = kChars[std::clamp(sub, 0, 5)];
      o.text.assign(1, c);
      int w = st.canvas ? st.canvas->charWidth(st.chr.font, static_cast<unsigned char>(c)) : 0;
      word(o, st, 0, w, st.font.ascent, st.font.descent);
      return 0;
    }
    case 40: case 41: case 42: case 43: case 44: case 45: case 46: case 47: {
      static const double kRatio[] = {5.0 / 18, 2.0 / 9, 1.0 / 6, 1.0 / 12, 1.0 / 18, -1.0 / 6, -1.0 / 12, 1.0 / 2};
      word(o, st, num, static_cast<int>(H * kRatio[num - 40]));
      return 0;
    }
    case cmd::Hskip: {
      o.text = arg;
      word(o, st, cmd::Hskip, ReformPara(st, o.text));
      return 0;
    }
    case cmd::EmptyCommand:
      word(o, st, cmd::Hskip, 0);
      return 0;
    case cmd::Inert:
    case cmd::StrLen:
      // The command written over \headofnextcolumn takes its argument
      // along: that text was queued already. \strlen as a command is inert.
      word(o, st, cmd::Inert);
      return 0;
    case cmd::LineEnd:
      o.text = arg;
      word(o, st, cmd::LineEnd);
      return 0;
    case cmd::Skip:
      o.text = arg;
      fx::Skip(st, sub, o.text);
      word(o, st, cmd::Skip);
      return 0;
    case cmd::PageBreak:
      word(o, st, cmd::PageBreak);
      return 0;
    case cmd::Font:
      o.text = arg;
      fx::FontSetting(st, sub, o.text, ctx.styleLevel);
      word(o, st, cmd::Font);
      return 0;
    case cmd::Rule:
    case cmd::Separation:
    case cmd::TableSep:
    case cmd::MathSetting:
      o.text = arg;
      if (num == cmd::Rule) fx::Rule(st, sub, o.text);
      else if (num == cmd::Separation) fx::Separation(st, sub, o.text);
      else if (num == cmd::TableSep) fx::TableSep(st, sub, o.text);
      else fx::MathSetting(st, sub, o.text);
      word(o, st, num);
      return 0;
    case cmd::Indent: {
      if (sub != cmd::NoIndent) o.text = arg;
      if (sub == cmd::ParIndent) fx::ParIndent(st, o.text);
      word(o, st, cmd::Indent);
      return 0;
    }
    case cmd::BeginItem:
      if (hasArg && !SetItem(st, arg)) return -10;
      if (!hasArg) {
        st.line.nextItemIndent = 0;
        st.line.nextLabelWidth = kAutomaticLabelWidth;
      }
      o.text = arg;
      word(o, st, cmd::BeginItem);
      // The word carries its level's indent and label width, and the new
      // level's items count from 0 again.
      o.word.value = st.line.nextItemIndent;
      o.word.valueA = st.line.nextLabelWidth;
      if (st.line.itemLevel >= 0 && st.line.itemLevel < 9) st.val.counters[counter::Item(st.line.itemLevel + 1)] = 0;
      return 0;
    case cmd::EndItem:
      word(o, st, cmd::EndItem);
      return 0;
    case cmd::Item: {
      LineState& L = st.line;
      const int level = std::min(std::max(L.itemLevel, 0), 9);
      fx::StepItemCounter(st, level);
      std::string label = hasArg ? arg : std::string("$\\bullet$");
      const Result<Extent> e = measureBox(st, label, ctx.styleLevel);
      if (!e) return measureFailure(e, failure);
      st.cmd.subType = sub;
      o.text = label;
      // Half a character of space follows the label: the word holds it, so
      // that the line counts it and drawing moves past it.
      word(o, st, cmd::Item, Extent{e->width + static_cast<int>(st.font.charHeight / 2), e->height, e->depth});
      // Drawing sets the counter to what the layout gave it, whatever the
      // state it starts from (\beginitem resets are not drawn).
      o.word.value = level;
      o.word.valueA = st.val.counters[counter::Item(level)];
      ItemLevel& lv = L.items[static_cast<size_t>(level)];
      if (level > 0 && lv.rightEdge == kAutomaticLabelWidth)
        lv.rightEdge = lv.leftEdge + e->width + UnitToPix(st, "0.5ch");
      return 0;
    }
    case cmd::UnderlineMark:
      o.text = arg;
      word(o, st, cmd::UnderlineMark);
      o.word.value = sub == 2 ? 0 : sub;
      return 0;
    case cmd::AlnumFontMode:
      o.text = arg;
      fx::AlnumFontMode(st, o.text);
      word(o, st, cmd::AlnumFontMode);
      return 0;
    case cmd::LengthCounter:
      o.text = arg;
      fx::LengthCounter(st, sub, o.text);
      word(o, st, cmd::LengthCounter);
      return 0;
    case cmd::MatrixSep:
      o.text = arg;
      fx::MatrixSep(st, sub, o.text);
      word(o, st, cmd::MatrixSep);
      return 0;
    case cmd::FirstPageNum: {
      const double v = Calc(st, arg);
      st.geo.firstPageNum = (v > -2e9 && v < 2e9) ? static_cast<int>(v) : 0;
      word(o, st, cmd::FirstPageNum);
      return 0;
    }
    case cmd::HeadFootSep:
      (sub == 0 ? st.geo.footSep : st.geo.headSep) = UnitToPix(st, arg);
      word(o, st, cmd::HeadFootSep);
      return 0;
    case cmd::Header:
    case cmd::Footer: {
      const int r = fx::HeaderFooter(st, num == cmd::Footer, sub, arg, failure.name);
      if (r < 0) return r;
      word(o, st, num);
      return 0;
    }
    case cmd::PageNum: {
      const int r = fx::PageNum(st, o.replacement);
      if (r < 0) return r;
      word(o, st, cmd::PageNum);
      return 0;
    }
    case cmd::Heading: {
      const CommandState& h = st.cmd;
      const HeadingTexts before{h.chapterTitle, h.chapterNum,      h.sectionTitle,
                                h.sectionNum,   h.subsectionTitle, h.subsectionNum};
      int contentsEntry = -1;
      const int r = fx::Heading(st, sub, arg, hasArg, o.replacement, contentsEntry);
      if (r < 0) return r;
      // A heading of the main text takes effect for the running heads and
      // the contents page when the column holding its line is finished.
      if (sub <= 2 && ctx.mainText && !ctx.insideBox && !ctx.draw && !st.draw.drawing)
        st.col.headingsAhead.push_back({static_cast<int>(st.wordList.size()), before, contentsEntry});
      st.cmd.subType = sub;
      word(o, st, cmd::Heading);
      if (sub <= 2) {
        // The heading counters as the layout left them, for drawing.
        o.word.value = st.val.counters[counter::kChapter];
        o.word.valueA = st.val.counters[counter::kSection];
        o.word.valueB = st.val.counters[counter::kSubsection];
      }
      return 0;
    }
    case cmd::GroupMark: {
      int kind = 0, value = 0;
      const int r = fx::GroupMarker(st, sub, ctx.insideBox, kind, value);
      if (r < 0) return r;
      word(o, st, kind);
      o.word.value = value;
      return 0;
    }
    case cmd::StringFunc:
      o.replacement = fx::StringFunction(st, sub, arg);
      word(o, st, cmd::StringFunc);
      return 0;
    case cmd::Pval:
      return registerAssignment(st, cmd::Pval, 52 + sub, arg, o);
    case cmd::ToVal:
      o.text = arg;
      fx::ToVal(st, o.text);
      word(o, st, cmd::ToVal);
      return 0;
    case cmd::TableOfContents: {
      const int r = fx::TableOfContents(st, hasArg, ctx.insideBox);
      if (r < 0) return r;
      word(o, st, cmd::TableOfContents);
      return 0;
    }
    case cmd::BoldMath:
      fx::BoldMath(st, sub);
      word(o, st, cmd::BoldMath);
      return 0;
    case cmd::Background:
      SetPageColumnBGColorImage(st, arg, sub);
      o.text = arg;
      word(o, st, cmd::Background);
      return 0;
    case cmd::TateMode:
      o.text = arg;
      fx::TateMode(st, o.text);
      word(o, st, cmd::TateMode);
      return 0;
    case cmd::CenterLine:
    case cmd::RightLine: {
      const Result<Extent> e = measureBox(st, arg, ctx.styleLevel);
      if (!e) return measureFailure(e, failure);
      st.cmd.subType = sub;
      o.text = arg;
      word(o, st, num, *e);
      return 0;
    }
    case cmd::Float:
      if (sub == cmd::HeadOfNextColumn) {
        // \headofnextcolumn: the text waits for the next column.
        st.line.nextColumnHeadList.push_back(arg);
        word(o, st, cmd::Inert);
        return 0;
      }
      return boxCommand(o, SetBoxCommand(st, num, arg, ctx), failure);
    case cmd::Figure:
    case cmd::Underline:
    case cmd::FrameBox:
    case cmd::Table:
    case cmd::Box:
    case cmd::MiniPage:
    case cmd::Image:
      return boxCommand(o, SetBoxCommand(st, num, arg, ctx), failure);
    case cmd::MakeBox: {
      // The word keeps the letter in its sub-type: drawing binds it again.
      const int r = boxCommand(o, SetBoxCommand(st, num, arg, ctx), failure);
      if (r == 0) o.word.subType = sub;
      return r;
    }
    default:
      return -2;
  }
}

}  // namespace

Result<CommandOutcome> SetCommand(State& st, int num, const std::string& arg, bool hasArg, const CommandContext& ctx) {
  // Commands met while measuring a box overwrite the name and sub-type of
  // the command being executed; its caller reads them afterwards.
  const std::string name = st.scan.commandName;
  const int sub = st.cmd.subType;
  CommandOutcome o;
  Failure failure;
  const int r = execute(st, num, arg, hasArg, o, ctx, failure);
  st.scan.commandName = name;
  st.cmd.subType = sub;
  if (r < 0) {
    failure.code = AsLayoutCode(r);
    return failure;
  }
  return o;
}

}  // namespace vel
