#include "layout/drawing/WordWalker.h"

#include <algorithm>

#include "base/Cp932.h"
#include "base/InBand.h"
#include "frontend/Values.h"
#include "layout/boxes/Boxes.h"
#include "layout/commands/Commands.h"
#include "layout/drawing/PageDisplay.h"
#include "layout/drawing/SheetDrawing.h"
#include "layout/fonts/Fonts.h"
#include "layout/scopes/StateStacks.h"
#include "seams/Seams.h"

namespace vel::drawing {

namespace {

bool advances(const WordInfo& w) {
  const CommandTraits& t = TraitsOf(w.kind);
  return t.has(t.advances, w.subType);
}

bool replayedCommand(const WordInfo& w) {
  const CommandTraits& t = TraitsOf(w.kind);
  return t.has(t.replayed, w.subType);
}

// A formula with \last or a fill draws as far as the line's right end
// while taking no more room than the rest of it.
bool reachesLineEnd(const std::string& formula) {
  for (const char* flush : {"\\last", "\\dotsfilllast", "\\linefilllast"})
    if (formula.find(flush) != std::string::npos) return true;
  return false;
}

// Walks the words of lines (drawing) or a run of words (replay).

}  // namespace

void Walker::word(const WordInfo& w, int index) {
  const int k = w.kind;
  // Blocks drawn inside a word of the main lists are that word's.
  struct Owner {
    DrawnWordLog* log;
    Owner(DrawnWordLog* l, const WordInfo& w) : log(l) {
      if (log) log->ownerLine = w.line, log->ownerPos = w.pos;
    }
    ~Owner() {
      if (log) log->ownerLine = -1;
    }
  } owner(draw_ && src_.miniPage() < 0 ? st_.draw.drawnWords : nullptr, w);
  if (replayedCommand(w)) {
    std::string t = src_.text(index);
    ReplayCommandWord(st_, w, t, draw_);
    src_.setText(index, std::move(t));
    if (draw_ && advances(w)) advance(w);
    return;
  }
  if (k != cmd::Text && !IsSpacing(k)) flush();
  switch (k) {
    case cmd::Text:
      if (draw_) text(w, src_.text(index));
      break;
    case cmd::InlineMath:
      formula(w, src_.text(index), lineStart_);
      break;
    case cmd::Underline: {
      std::string t = src_.text(index);
      SaveBoxVariables(st_);
      (void)UnderLine(st_, t, 2, w.subType, draw_, baseline_, x_);
      RestoreBoxVariables(st_);
      break;
    }
    case cmd::FrameBox: {
      std::string t = src_.text(index);
      SaveBoxVariables(st_);
      (void)FrameBox(st_, t, 2, draw_, baseline_, x_);
      RestoreBoxVariables(st_);
      break;
    }
    case cmd::Box:
      // \raisebox keeps its raise length in the sub-type; the other box
      // words hold 0 there.
      box(src_.text(index), baseline_ - w.subType, x_);
      break;
    case cmd::MiniPage:
      miniPage(w);
      break;
    case cmd::Image:
      if (draw_) {
        std::string t = src_.text(index);
        (void)DrawImage(st_, t, x_, true, baseline_);
      }
      break;
    case cmd::Item: {
      // The item counter steps first, so that a label showing it agrees
      // with the layout; then the label is drawn as a box.
      std::string t = src_.text(index);
      ReplayCommandWord(st_, w, t, draw_);
      box(t, baseline_, x_);
      break;
    }
    case cmd::UnderlineMark:
      if (draw_) underlineMark(w, index);
      break;
    case cmd::CenterLine:
      if (draw_) x_ += (lineWidth_ - w.width) / 2;
      box(src_.text(index), baseline_, x_);
      break;
    case cmd::RightLine:
      if (draw_) x_ = lineStart_ + lineWidth_ - w.width;
      box(src_.text(index), baseline_, x_);
      break;
    case cmd::DisplayMath2:
      formula(w, src_.text(index), lineStart_ - st_.para.mathIndent);
      break;
    case cmd::DisplayMath3:
      if (draw_) x_ += (lineWidth_ - w.width) / 2;
      formula(w, src_.text(index), lineStart_);
      break;
    case cmd::Figure:
      if (draw_ && st_.seams && st_.seams->figure) (void)st_.seams->figure->Draw(st_, src_.text(index), x_, baseline_);
      break;
    case cmd::Table:
      if (draw_ && st_.seams && st_.seams->table) (void)st_.seams->table->Draw(st_, src_.text(index), 2, x_, baseline_);
      break;
    default:
      // Spacing, floats, page and item structure draw nothing.
      break;
  }
  if (draw_ && st_.draw.drawnWords) note(w, index);
  if (draw_ && advances(w)) advance(w);
}

// For the lookup between page and source: the box of a word that puts ink
// on the page, where it was just drawn.
void Walker::note(const WordInfo& w, int index) {
  DrawnWordLog& log = *st_.draw.drawnWords;
  const int mini = src_.miniPage();
  if (mini >= 0 && static_cast<size_t>(mini) >= log.keptMiniPages) return;
  const int k = w.kind;
  const bool placed = k == cmd::Item || k == cmd::CenterLine || k == cmd::RightLine || k == cmd::DisplayMath2 ||
                      k == cmd::DisplayMath3 || (k < cmd::SpaceFirst && k != cmd::Float);
  if (!placed) return;
  if (k == cmd::Text) {
    const std::string t = src_.text(index);
    if (std::all_of(t.begin(), t.end(), [](char c) { return inband::Shown(c) == ' '; })) return;
  }
  // An item label hangs in the indent and takes no room on the line: its
  // box is the one just drawn.
  const bool label = k == cmd::Item && w.width <= 0;
  int width = label ? boxDrawn_.width : w.width;
  if (k == cmd::InlineMath && reachesLineEnd(src_.text(index))) width = std::max(width, lineStart_ + lineWidth_ - x_);
  const int height = label ? boxDrawn_.height : w.height, depth = label ? boxDrawn_.depth : w.depth;
  if (width <= 0) return;
  DrawnWord d{x_, baseline_ - height, width, height + depth, w.line, w.pos};
  if (mini >= 0 && log.ownerLine >= 0) d.line = log.ownerLine, d.pos = log.ownerPos;
  else if (mini >= 0) d.mini = mini;
  log.words.push_back(d);
}

// Text: a double-byte word is one glyph, a single-byte word is drawn glyph
// by glyph, each glyph placed at the layout position measured so far.
void Walker::text(const WordInfo& w, const std::string& t) {
  if (t.empty() || !st_.canvas) return;
  const bool roman = !isLead(t[0]) && UsesRomanFace(st_, static_cast<unsigned char>(t[0]));
  const Font layoutFont = roman ? RomanFont(st_) : st_.chr.font;
  Font deviceFont = roman ? layoutFont : CanvasFont(st_);  // a vertical face by its "@" name
  deviceFont.height = DeviceFontHeight(st_);
  const int top = baseline_ - w.height;
  const bool rotated = st_.font.textRotationDeg != 0;
  auto put = [&](int x, std::string_view glyph) {
    if (!rotated) {
      place(deviceFont, DevicePos(st_, x), DevicePos(st_, top), charCodeAt(glyph, 0));
      return;
    }
    flush();
    // Inside a rotated figure the cell's corner turns about the figure's origin.
    constexpr size_t kSlot = PointArray::kCapacity - 1;
    if (!GetInclinePoint(st_, st_.fig.originX, st_.fig.originY, false, static_cast<int>(kSlot),
                         top - st_.fig.originY, x - st_.fig.originX))
      return;
    Font turned = deviceFont;
    turned.escapement = st_.font.textRotationDeg * 10;
    Point p = st_.fig.points.get(kSlot);
    st_.canvas->textOut(turned, p.x, p.y, glyph);
  };
  if (isLead(t[0]) && t.size() >= 2) {
    put(x_, std::string_view(t).substr(0, 2));
    return;
  }
  int x = x_;
  for (char c : t) {
    const char shown = inband::Shown(c);
    if (shown != ' ') put(x, std::string_view(&shown, 1));
    x += st_.canvas->charWidth(layoutFont, static_cast<unsigned char>(shown));
  }
}

// A formula: math mode is on while it is measured or drawn.
void Walker::formula(const WordInfo& w, const std::string& t, int lineLeftX) {
  st_.draw.lineLeftX = lineLeftX;
  if (!st_.math.mathMode) st_.font.savedTextFont = st_.chr.font;
  st_.math.mathMode = true;
  SetValueList(st_, "inmath", 1);
  if (const MathSeam* math = st_.seams ? st_.seams->math : nullptr) {
    // Replaying runs the formula for what it changes; drawing draws it
    // with its box's top where the line builder placed it. Whatever fails
    // failed when the line was built and was reported then.
    const std::string formula = "$" + t + "$";
    if (draw_) (void)math->Draw(st_, formula, 2, x_, baseline_ - w.height);
    else (void)math->Measure(st_, formula, 2);
  }
  st_.math.mathMode = false;
  SetValueList(st_, "inmath", 0);
}

// Boxes, item labels and centred or right-aligned lines.
void Walker::box(const std::string& t, int y, int x) {
  SaveBoxVariables(st_);
  const Result<Extent> e = BoxWidthHeight(st_, t, 2, false, draw_, y, x);
  RestoreBoxVariables(st_);
  boxDrawn_ = e ? *e : Extent{};
}

void Walker::miniPage(const WordInfo& w) {
  if (w.value < 0 || w.value >= static_cast<int>(st_.miniPageList.size())) return;
  const DrawState line = st_.draw;
  if (draw_) {
    // Drawn from the block defaults it was laid out with, so that what is
    // drawn matches what was measured whatever font the paragraph is in.
    DrawMiniPageBlock(st_, w.value, baseline_, x_);
  } else {
    SaveMiniPageVariables(st_);
    PageDisplay(st_, 0, w.value, 0, baseline_, x_);
    RestoreMiniPageVariables(st_);
  }
  // The block's own lines moved the pen; this line's values come back.
  st_.draw.linePenX = line.linePenX;
  st_.draw.lineStartX = line.lineStartX;
  st_.draw.lineLeftX = line.lineLeftX;
}

// Underline spans: a start marker remembers where the span begins; the
// end marker draws the rules as far as the pen, less the justification
// extra given after the last word.
void Walker::underlineMark(const WordInfo& w, int index) {
  if (w.subType != cmd::UnderlineEnd) {
    underlineOpen_ = true;
    underlineX_ = x_;
    underlineWord_ = index;
    return;
  }
  if (!underlineOpen_) return;
  underlineOpen_ = false;
  const WordInfo start = src_.word(underlineWord_);
  const int end = x_ - lastExtra_;
  // The span: its width, the greatest height of its words and their
  // greatest depth (kept in the start marker's value).
  const Extent words{std::max(0, end - underlineX_), start.height, start.value};
  SaveBoxVariables(st_);
  (void)UnderlineSpan(st_, src_.text(underlineWord_), start.subType, words, true, baseline_, underlineX_);
  RestoreBoxVariables(st_);
}

}  // namespace vel::drawing
