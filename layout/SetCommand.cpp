// SetCommand: executing the commands of running text.
#include <algorithm>
#include <cstring>

#include "canvas/Cp932.h"
#include "frontend/Calc.h"
#include "frontend/Values.h"
#include "layout/Boxes.h"
#include "layout/Commands.h"
#include "layout/WordLine.h"
#include "layout/state/StateStacks.h"

namespace vel {

namespace {

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

// Measures text as a box with the box state saved around it.
int measureBox(State& st, const std::string& text, int level) {
  SaveBoxVariables(st);
  int r = BoxWidthHeight(st, text, level, false, false, 0, 0);
  RestoreBoxVariables(st);
  return r;
}

bool paragraphOnly(int num) {
  return num == cmd::LineEnd || num == cmd::Skip || num == cmd::PageBreak || num == cmd::Indent ||
         num == cmd::BeginItem || num == cmd::EndItem || num == cmd::Item || num == cmd::Background ||
         num == cmd::CenterLine || num == cmd::RightLine;
}

int userLength(State& st, const std::string& arg, bool hasArg, std::string& wordText) {
  const std::string& name = st.scan.commandName;
  int i = st.val.userLengthList.Find(name);
  if (i < 0 && name.size() <= 4) i = st.val.userLengthList.Find(PaddedLengthName(name));
  if (i < 0) return -2;
  if (!hasArg) return -3;
  wordText = arg;
  int v = ReformPara(st, wordText);
  word(st, cmd::UserLengthFirst + i);
  st.cmd.out.value = v;
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
  st.line.nextLabelWidth = label.empty() ? -10000 : UnitToPix(st, label);
  return true;
}

int SetCommand(State& st, int num, const std::string& arg, bool hasArg, std::string& wordText,
               const CommandContext& ctx) {
  st.cmd.replaced = false;
  wordText.clear();
  if (num < 0) return userLength(st, arg, hasArg, wordText);
  if (ctx.insideBox && paragraphOnly(num)) return -2;
  const int sub = st.cmd.subType;
  const double H = st.font.charHeight;

  switch (num) {
    case cmd::Escaped: {
      if (hasArg) return -10;
      static const char kChars[] = {'$', '\\', '#', '&', '_', '^'};
      wordText.assign(1, kChars[sub]);
      int w = st.canvas ? st.canvas->charWidth(st.font.current, static_cast<unsigned char>(kChars[sub])) : 0;
      word(st, 0, w, st.font.ascent, st.font.descent);
      return 0;
    }
    case 40: case 41: case 42: case 43: case 44: case 45: case 46: case 47: {
      if (hasArg) return -10;
      static const double kRatio[] = {5.0 / 18, 2.0 / 9, 1.0 / 6, 1.0 / 12, 1.0 / 18, -1.0 / 6, -1.0 / 12, 1.0 / 2};
      word(st, num, static_cast<int>(H * kRatio[num - 40]));
      return 0;
    }
    case cmd::Hskip: {
      if (!hasArg) return -3;
      if (hasJoin(arg)) return -10;
      wordText = arg;
      word(st, cmd::Hskip, ReformPara(st, wordText));
      return 0;
    }
    case cmd::EmptyCommand:
      if (hasArg) return -10;
      word(st, cmd::Hskip, 0);
      return 0;
    case cmd::Inert:
      // Written over \headofnextcolumn: its argument was queued already.
      word(st, cmd::Inert);
      return 0;
    case cmd::LineEnd:
      if (hasArg && hasJoin(arg)) return -10;
      wordText = arg;
      word(st, cmd::LineEnd);
      return 0;
    case cmd::Skip: {
      if (!hasArg) return -3;
      if (hasJoin(arg)) return -10;
      wordText = arg;
      int v = ReformPara(st, wordText);
      if (sub == 0) {
        st.line.lineSkip = v;
        SetLengthList(st, "lineskip", v);
        if (!st.line.parSkipSet) SetLengthList(st, "parskip", v);
      } else {
        st.line.parSkip = v;
        st.line.parSkipSet = true;
        SetLengthList(st, "parskip", v);
      }
      word(st, cmd::Skip);
      return 0;
    }
    case cmd::PageBreak:
      if (!ctx.mainText) return -2;
      if (hasArg) return -10;
      word(st, cmd::PageBreak);
      return 0;
    case cmd::Indent: {
      if (sub == 3) {
        if (hasArg) return -10;
        word(st, cmd::Indent);
        return 0;
      }
      if (!hasArg) return -3;
      if (hasJoin(arg)) return -10;
      wordText = arg;
      if (sub == 2) {
        st.line.parIndent = ReformPara(st, wordText);
        SetLengthList(st, "parindent", st.line.parIndent);
        RecomputeLineWidth(st);
      }
      word(st, cmd::Indent);
      return 0;
    }
    case cmd::BeginItem:
      if (hasArg && !SetItem(st, arg)) return -10;
      if (!hasArg) {
        st.line.nextItemIndent = 0;
        st.line.nextLabelWidth = -10000;
      }
      wordText = arg;
      word(st, cmd::BeginItem);
      return 0;
    case cmd::EndItem:
      if (hasArg) return -10;
      word(st, cmd::EndItem);
      return 0;
    case cmd::Item: {
      LineState& L = st.line;
      int level = std::min(std::max(L.itemLevel, 0), 9);
      ++st.val.counters[static_cast<size_t>(90 + level)];
      std::string label = hasArg ? arg : std::string("$\\bullet$");
      if (measureBox(st, label, 2) != 0) return -10;
      wordText = label;
      word(st, cmd::Item, st.box.resultWidth, st.box.resultHeight, st.box.resultDepth);
      ItemLevel& lv = L.items[static_cast<size_t>(level)];
      if (level > 0 && lv.rightEdge == -10000) {
        lv.rightEdge = lv.leftEdge + st.box.resultWidth + static_cast<int>(H / 2);
      }
      return 0;
    }
    case cmd::UnderlineMark:
      wordText = arg;
      word(st, cmd::UnderlineMark);
      st.cmd.out.value = sub == 2 ? 0 : sub;
      return 0;
    case cmd::CenterLine:
    case cmd::RightLine:
      if (!hasArg) return -3;
      if (measureBox(st, arg, 2) != 0) return -10;
      wordText = arg;
      word(st, num, st.box.resultWidth, st.box.resultHeight, st.box.resultDepth);
      return 0;
    case cmd::Float:
      if (sub == 5) {
        // \headofnextcolumn: the text waits for the next column.
        if (!hasArg) return -3;
        st.line.nextColumnHeadList.push_back(arg);
        word(st, cmd::Inert);
        return 0;
      }
      return -2;
    default:
      return -2;
  }
}

}  // namespace vel
