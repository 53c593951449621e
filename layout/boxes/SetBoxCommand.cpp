// The rows of SetCommand for the commands that make boxes: figures,
// underlines, frames, tables, the box family, mini pages, floats and
// footnotes, images and stored boxes.
#include <algorithm>
#include <cmath>

#include "base/Cp932.h"
#include "frontend/Calc.h"
#include "layout/boxes/BoxText.h"
#include "layout/boxes/Boxes.h"
#include "layout/scopes/StateStacks.h"
#include "seams/Seams.h"

namespace vel {

namespace {

using namespace boxtext;

void word(State& st, int kind, int sub, int width = 0, int height = 0, int depth = 0, int value = 0) {
  CommandResult& o = st.cmd.out;
  o = CommandResult{};
  o.kind = kind;
  o.subType = sub;
  o.width = width;
  o.height = height;
  o.depth = depth;
  o.value = value;
}

void resultWord(State& st, int kind, int sub) {
  word(st, kind, sub, st.box.resultWidth, st.box.resultHeight, st.box.resultDepth);
}

// Measures (and draws) text as a box with the box state saved around it.
int box(State& st, const std::string& text, const CommandContext& ctx, int y, std::string& rewritten) {
  SaveBoxVariables(st);
  int r = BoxWidthHeight(st, text, ctx.styleLevel, false, ctx.draw, y, ctx.x, &rewritten);
  RestoreBoxVariables(st);
  return r;
}

// Footnotes met now are left out: while measuring a makebox, while drawing
// (they were placed when the text was laid out), and while a replay of laid
// out words has them switched off.
bool footnotesLeftOut(const State& st, const CommandContext& ctx) {
  return ctx.draw || st.draw.drawing || st.box.footnotesOff > 0;
}

// A stored box measured again (and drawn): the word takes its stored size.
// Its footnotes, left out when it was made, are placed the first time it is used.
int storedBox(State& st, int index, const CommandContext& ctx, std::string& wordText) {
  if (index < 0 || index >= static_cast<int>(st.boxList.size())) return -10;
  const std::string text = st.boxList[static_cast<size_t>(index)].text;
  const bool placeFootnotes = st.boxList[static_cast<size_t>(index)].footnotesRemoved;
  if (!placeFootnotes) ++st.box.footnotesOff;
  std::string rewritten;
  int r = box(st, text, ctx, ctx.y, rewritten);
  if (!placeFootnotes) --st.box.footnotesOff;
  if (r < 0) return -10;
  StoredBox& b = st.boxList[static_cast<size_t>(index)];
  if (!ctx.draw) b.footnotesRemoved = false;
  word(st, cmd::Box, 0, b.width, b.height, b.depth, index);
  wordText = b.text;
  return 0;
}

// \raisebox{\raise{length}content}: the content raised by the length.
int raiseBox(State& st, const std::string& arg, const CommandContext& ctx, std::string& wordText) {
  const size_t at = SkipSpaces(arg, 0);
  NamedGroup g;
  bool ok = ReadNamedGroup(arg, at, g);
  if (g.name != "raise") return -10;
  if (!ok) return -1;
  const int raise = UnitToPix(st, g.content);
  std::string content;
  if (box(st, arg.substr(g.end), ctx, static_cast<int>(std::clamp<long long>(static_cast<long long>(ctx.y) - raise, -2e9, 2e9)), content) < 0)
    return -10;
  const long long h = static_cast<long long>(st.box.resultHeight) + raise;
  const long long d = static_cast<long long>(st.box.resultDepth) - raise;
  word(st, cmd::Box, raise, st.box.resultWidth, static_cast<int>(std::clamp<long long>(h, -2e9, 2e9)),
       static_cast<int>(std::clamp<long long>(d, -2e9, 2e9)));
  wordText = content;  // the word is drawn raised by its sub-type
  st.box.rewrittenArg = arg.substr(0, g.end) + content;
  return 0;
}

// \makeboxX{...}: the content measured (counters kept, footnotes left out
// and kept in the stored text), stored and bound to the letter.
int makeBox(State& st, int letter, const std::string& arg, const CommandContext& ctx, std::string& wordText) {
  const auto counters = st.val.counters;
  const int leftOut = st.box.footnotesLeftOut;
  ++st.box.footnotesOff;
  std::string rewritten;
  CommandContext measure = ctx;
  measure.draw = false;
  int r = box(st, arg, measure, 0, rewritten);
  --st.box.footnotesOff;
  st.val.counters = counters;
  if (r < 0) return -10;
  StoredBox b{st.box.resultWidth, st.box.resultHeight, st.box.resultDepth, rewritten,
              st.box.footnotesLeftOut > leftOut};
  int index = -1;
  if (ctx.draw || st.draw.drawing) {
    // Drawing the same text again must not grow the list with every repaint.
    for (size_t k = 0; k < st.boxList.size(); ++k) {
      const StoredBox& e = st.boxList[k];
      if (e.text == b.text && e.width == b.width && e.height == b.height && e.depth == b.depth) index = static_cast<int>(k);
    }
  }
  if (index < 0) {
    st.boxList.push_back(std::move(b));
    index = static_cast<int>(st.boxList.size()) - 1;
  }
  st.box.boxLetterIndex[static_cast<size_t>(letter)] = index;
  word(st, cmd::MakeBox, 0, 0, 0, 0, index);
  wordText = rewritten;
  st.box.rewrittenArg = rewritten;
  return 0;
}

// \minipage{...}: a block placed by its \align; drawn at once when met
// while drawing (what it counts was counted when it was laid out).
int miniPage(State& st, const std::string& arg, const CommandContext& ctx, std::string& wordText) {
  const auto counters = st.val.counters;
  const size_t before = st.miniPageList.size();
  if (!MakeMiniPage(st, arg, ctx.styleLevel, 0)) return -10;
  const int index = st.box.resultMiniPage;
  const int w = st.box.resultWidth, h = st.box.resultHeight, d = st.box.resultDepth;
  int value = index;
  if (ctx.draw) {
    st.val.counters = counters;
    DrawMiniPageBlock(st, index, ctx.y, ctx.x);
    // The block was made for this drawing only.
    if (st.miniPageList.size() > before) st.miniPageList.resize(before);
    value = -1;
  }
  word(st, cmd::MiniPage, 0, w, h, d, value);
  wordText = arg;
  return 0;
}

// Floats and footnotes: a block at the column's (page boxes: the page's)
// width, hanging from its reference line; the line builder places it.
int floatBox(State& st, int sub, const std::string& arg, const CommandContext& ctx, std::string& wordText) {
  if (sub != 4 && (ctx.insideBox || !ctx.mainText)) return -2;
  wordText = arg;
  if (footnotesLeftOut(st, ctx)) {
    if (sub == 4 && st.box.footnotesOff > 0) ++st.box.footnotesLeftOut;
    word(st, cmd::Float, sub, 0, 0, 0, -1);
    return 0;
  }
  const int width = (sub == 1 || sub == 3) ? st.geo.pageWidth : st.geo.columnWidth;
  std::string text = sub == 4 ? "\\fontsize{*.8}\\lineskip{1mm}\\parskip{1mm}\\cr{1mm}" + arg : arg;
  if (!MakeMiniPage(st, text, ctx.styleLevel, std::max(width, 1))) return -10;
  word(st, cmd::Float, sub, 0, 0, 0, st.box.resultMiniPage);
  return 0;
}

}  // namespace

int SetBoxCommand(State& st, int num, const std::string& arg, std::string& wordText,
                  const CommandContext& ctx) {
  // Nested commands overwrite the command being executed; its caller reads them after.
  const int sub = st.cmd.subType;
  const std::string name = st.scan.commandName;
  std::string rewritten;
  int r = 0;
  st.box.rewrittenArg.clear();

  switch (num) {
    case cmd::Figure: {
      const FigureSeam* figure = st.seams ? st.seams->figure : nullptr;
      Result<Extent> e = figure ? (ctx.draw ? figure->Draw(st, arg, ctx.x, ctx.y) : figure->Measure(st, arg))
                                : Result<Extent>(LayoutCode::InvalidArgument);
      if (!e) {
        r = ToInt(e.code());
        break;
      }
      word(st, cmd::Figure, 0, e->width, e->height, e->depth);
      wordText = arg;
      break;
    }
    case cmd::Underline:
      if (UnderLine(st, arg, ctx.styleLevel, false, false, sub, ctx.draw, ctx.y, ctx.x, &rewritten) < 0) {
        r = -10;
        break;
      }
      resultWord(st, cmd::Underline, sub);
      wordText = rewritten;
      st.box.rewrittenArg = rewritten;
      break;
    case cmd::FrameBox:
      if (FrameBox(st, arg, ctx.styleLevel, ctx.draw, ctx.y, ctx.x, &rewritten) < 0) {
        r = -10;
        break;
      }
      resultWord(st, cmd::FrameBox, 0);
      wordText = rewritten;
      st.box.rewrittenArg = rewritten;
      break;
    case cmd::Table: {
      const TableSeam* table = st.seams ? st.seams->table : nullptr;
      Result<Extent> e = !table ? Result<Extent>(LayoutCode::InvalidArgument)
                         : ctx.draw ? table->Draw(st, arg, ctx.styleLevel, ctx.x, ctx.y)
                                    : table->Measure(st, arg, ctx.styleLevel, &rewritten);
      if (!e) {
        r = -10;
        break;
      }
      if (ctx.draw) rewritten = arg;
      word(st, cmd::Table, 0, e->width, e->height, e->depth);
      wordText = rewritten;
      st.box.rewrittenArg = rewritten;
      break;
    }
    case cmd::Box:
      switch (sub) {
        case 1:  // a stored box by its letter
          r = storedBox(st, st.box.boxLetterIndex[static_cast<size_t>(name.size() == 4 ? name[3] - 'A' : 0)], ctx,
                        wordText);
          break;
        case 3:
              r = raiseBox(st, arg, ctx, wordText);
          break;
        case 4:  // the reference the box walk wrote for a stored box
          r = storedBox(st, BoxRefIndexOfName(name), ctx, wordText);
          break;
        default:  // \box, \rm
              if (box(st, arg, ctx, ctx.y, rewritten) < 0) {
            r = -10;
            break;
          }
          resultWord(st, cmd::Box, 0);
          wordText = rewritten;
          st.box.rewrittenArg = rewritten;
          break;
      }
      break;
    case cmd::MiniPage:
      r = miniPage(st, arg, ctx, wordText);
      break;
    case cmd::Float:
      r = floatBox(st, sub, arg, ctx, wordText);
      break;
    case cmd::Image:
      if (DrawImage(st, arg, ctx.x, false, ctx.draw, ctx.y) != 1) {
        r = -10;
        break;
      }
      resultWord(st, cmd::Image, 0);
      wordText = arg;
      break;
    case cmd::MakeBox: {
      const int letter = name.size() == 8 ? name[7] - 'A' : -1;
      if (letter < 0 || letter > 25) return -10;
      r = makeBox(st, letter, arg, ctx, wordText);
      break;
    }
    default:
      return -2;
  }
  // What nested commands changed of the command being executed goes back.
  st.cmd.subType = sub;
  st.scan.commandName = name;
  st.cmd.replaced = false;
  if (r < 0) {
    // The command itself is reported (by its name) with the code; what
    // failed inside it has written its own line.
    st.errorName.clear();
    st.box.rewrittenArg.clear();
  }
  return r;
}

}  // namespace vel
