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

const Result<CommandOutcome> kInvalid = LayoutCode::InvalidArgument;

// A box whose content fails: a command that is undefined (or not allowed
// in a box) is reported as such, by its own name; anything else fails the
// box command.
Result<CommandOutcome> boxFailure(const Result<Extent>& e) {
  if (e.code() == LayoutCode::Undefined) return e.failure();
  return kInvalid;
}

CommandOutcome word(int kind, int sub, const Extent& e = {}, int value = 0) {
  CommandOutcome o;
  o.word.kind = kind;
  o.word.subType = sub;
  o.word.width = e.width;
  o.word.height = e.height;
  o.word.depth = e.depth;
  o.word.value = value;
  return o;
}

// A word whose text is the argument as the box walk left it, which a box
// around it puts back into its own text.
Result<CommandOutcome> rewrittenWord(int kind, int sub, const Result<Extent>& e, std::string rewritten) {
  if (!e) return boxFailure(e);
  CommandOutcome o = word(kind, sub, *e);
  o.text = rewritten;
  o.rewrittenArg = std::move(rewritten);
  return o;
}

// Measures (and draws) text as a box with the box state saved around it.
Result<Extent> box(State& st, const std::string& text, const CommandContext& ctx, int y, std::string& rewritten) {
  SaveBoxVariables(st);
  Result<Extent> r = BoxWidthHeight(st, text, ctx.styleLevel, false, ctx.draw, y, ctx.x, &rewritten);
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
Result<CommandOutcome> storedBox(State& st, int index, const CommandContext& ctx) {
  if (index < 0 || index >= static_cast<int>(st.boxList.size())) return kInvalid;
  const std::string text = st.boxList[static_cast<size_t>(index)].text;
  const bool placeFootnotes = st.boxList[static_cast<size_t>(index)].footnotesRemoved;
  if (!placeFootnotes) ++st.box.footnotesOff;
  std::string rewritten;
  const Result<Extent> r = box(st, text, ctx, ctx.y, rewritten);
  if (!placeFootnotes) --st.box.footnotesOff;
  if (!r) return boxFailure(r);
  StoredBox& b = st.boxList[static_cast<size_t>(index)];
  if (!ctx.draw) b.footnotesRemoved = false;
  CommandOutcome o = word(cmd::Box, 0, Extent{b.width, b.height, b.depth}, index);
  o.text = b.text;
  return o;
}

// \raisebox{\raise{length}content}: the content raised by the length.
Result<CommandOutcome> raiseBox(State& st, const std::string& arg, const CommandContext& ctx) {
  const size_t at = SkipSpaces(arg, 0);
  NamedGroup g;
  bool ok = ReadNamedGroup(arg, at, g);
  if (g.name != "raise") return kInvalid;
  if (!ok) return LayoutCode::GroupNotClosed;
  const int raise = UnitToPix(st, g.content);
  std::string content;
  const Result<Extent> r =
      box(st, arg.substr(g.end), ctx, static_cast<int>(std::clamp<long long>(static_cast<long long>(ctx.y) - raise, -2e9, 2e9)),
          content);
  if (!r) return boxFailure(r);
  const long long h = static_cast<long long>(r->height) + raise;
  const long long d = static_cast<long long>(r->depth) - raise;
  // The word is drawn raised by its sub-type.
  CommandOutcome o = word(cmd::Box, raise,
                          Extent{r->width, static_cast<int>(std::clamp<long long>(h, -2e9, 2e9)),
                                 static_cast<int>(std::clamp<long long>(d, -2e9, 2e9))});
  o.text = content;
  o.rewrittenArg = arg.substr(0, g.end) + content;
  return o;
}

// \makeboxX{...}: the content measured (counters kept, footnotes left out
// and kept in the stored text), stored and bound to the letter.
Result<CommandOutcome> makeBox(State& st, int letter, const std::string& arg, const CommandContext& ctx) {
  const auto counters = st.val.counters;
  const int leftOut = st.box.footnotesLeftOut;
  ++st.box.footnotesOff;
  std::string rewritten;
  CommandContext measure = ctx;
  measure.draw = false;
  const Result<Extent> r = box(st, arg, measure, 0, rewritten);
  --st.box.footnotesOff;
  st.val.counters = counters;
  if (!r) return boxFailure(r);
  StoredBox b{r->width, r->height, r->depth, rewritten, st.box.footnotesLeftOut > leftOut};
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
  CommandOutcome o = word(cmd::MakeBox, 0, {}, index);
  o.text = rewritten;
  o.rewrittenArg = std::move(rewritten);
  return o;
}

// \minipage{...}: a block placed by its \align; drawn at once when met
// while drawing (what it counts was counted when it was laid out).
Result<CommandOutcome> miniPage(State& st, const std::string& arg, const CommandContext& ctx) {
  const auto counters = st.val.counters;
  const size_t before = st.miniPageList.size();
  const Result<int> made = MakeMiniPage(st, arg, ctx.styleLevel, 0);
  if (!made) return kInvalid;
  const int index = *made;
  const MiniPage& m = st.miniPageList[static_cast<size_t>(index)];
  const Extent e{m.width, m.height, m.depth};
  int value = index;
  if (ctx.draw) {
    st.val.counters = counters;
    DrawMiniPageBlock(st, index, ctx.y, ctx.x);
    // The block was made for this drawing only.
    if (st.miniPageList.size() > before) st.miniPageList.resize(before);
    value = -1;
  }
  CommandOutcome o = word(cmd::MiniPage, 0, e, value);
  o.text = arg;
  return o;
}

// Floats and footnotes: a block at the column's (page boxes: the page's)
// width, hanging from its reference line; the line builder places it.
Result<CommandOutcome> floatBox(State& st, int sub, const std::string& arg, const CommandContext& ctx) {
  if (sub != cmd::Footnote && (ctx.insideBox || !ctx.mainText)) return LayoutCode::Undefined;
  CommandOutcome o = word(cmd::Float, sub, {}, -1);
  o.text = arg;
  if (footnotesLeftOut(st, ctx)) {
    if (sub == cmd::Footnote && st.box.footnotesOff > 0) ++st.box.footnotesLeftOut;
    return o;
  }
  const int width = (sub == cmd::TopOfPage || sub == cmd::BottomOfPage) ? st.geo.pageWidth : st.geo.columnWidth;
  std::string text = sub == cmd::Footnote ? "\\fontsize{*.8}\\lineskip{1mm}\\parskip{1mm}\\cr{1mm}" + arg : arg;
  const Result<int> made = MakeMiniPage(st, text, ctx.styleLevel, std::max(width, 1));
  if (!made) return kInvalid;
  o.word.value = *made;
  return o;
}

Result<CommandOutcome> execute(State& st, int num, int sub, const std::string& name, const std::string& arg,
                               const CommandContext& ctx) {
  std::string rewritten;
  switch (num) {
    case cmd::Figure: {
      const FigureSeam* figure = st.seams ? st.seams->figure : nullptr;
      if (!figure) return kInvalid;
      const Result<Extent> e = ctx.draw ? figure->Draw(st, arg, ctx.x, ctx.y) : figure->Measure(st, arg);
      if (!e) return e.code();
      CommandOutcome o = word(cmd::Figure, 0, *e);
      o.text = arg;
      return o;
    }
    case cmd::Underline: {
      const Result<Extent> e = UnderLine(st, arg, ctx.styleLevel, sub, ctx.draw, ctx.y, ctx.x, &rewritten);
      return rewrittenWord(cmd::Underline, sub, e, std::move(rewritten));
    }
    case cmd::FrameBox: {
      const Result<Extent> e = FrameBox(st, arg, ctx.styleLevel, ctx.draw, ctx.y, ctx.x, &rewritten);
      return rewrittenWord(cmd::FrameBox, 0, e, std::move(rewritten));
    }
    case cmd::Table: {
      const TableSeam* table = st.seams ? st.seams->table : nullptr;
      if (!table) return kInvalid;
      if (ctx.draw) return rewrittenWord(cmd::Table, 0, table->Draw(st, arg, ctx.styleLevel, ctx.x, ctx.y), arg);
      const Result<Extent> e = table->Measure(st, arg, ctx.styleLevel, &rewritten);
      return rewrittenWord(cmd::Table, 0, e, std::move(rewritten));
    }
    case cmd::Box:
      switch (sub) {
        case 1:  // a stored box by its letter
          return storedBox(st, st.box.boxLetterIndex[static_cast<size_t>(name.size() == 4 ? name[3] - 'A' : 0)], ctx);
        case 3:
          return raiseBox(st, arg, ctx);
        case 4:  // the reference the box walk wrote for a stored box
          return storedBox(st, BoxRefIndexOfName(name), ctx);
        default: {  // \box, \rm
          const Result<Extent> e = box(st, arg, ctx, ctx.y, rewritten);
          return rewrittenWord(cmd::Box, 0, e, std::move(rewritten));
        }
      }
    case cmd::MiniPage:
      return miniPage(st, arg, ctx);
    case cmd::Float:
      return floatBox(st, sub, arg, ctx);
    case cmd::Image: {
      const Result<Extent> e = DrawImage(st, arg, ctx.x, ctx.draw, ctx.y);
      if (!e) return kInvalid;
      CommandOutcome o = word(cmd::Image, 0, *e);
      o.text = arg;
      return o;
    }
    case cmd::MakeBox: {
      const int letter = name.size() == 8 ? name[7] - 'A' : -1;
      if (letter < 0 || letter > 25) return kInvalid;
      return makeBox(st, letter, arg, ctx);
    }
    default:
      return LayoutCode::Undefined;
  }
}

}  // namespace

Result<CommandOutcome> SetBoxCommand(State& st, int num, const std::string& arg, const CommandContext& ctx) {
  // Nested commands overwrite the command being executed; its caller reads them after.
  const int sub = st.cmd.subType;
  const std::string name = st.scan.commandName;
  Result<CommandOutcome> r = execute(st, num, sub, name, arg, ctx);
  st.cmd.subType = sub;
  st.scan.commandName = name;
  // The command itself is reported (by its name) with the code, unless
  // what failed inside it is reported by its own.
  if (!r && !r.failure().written) return r.code();
  return r;
}

}  // namespace vel
