// BoxWidthHeight: a text typeset as one unbroken line (boxes, frames,
// underlines, labels, headers and footers, table cells).
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

#include "base/InBand.h"
#include "base/Cp932.h"
#include "frontend/Calc.h"
#include "frontend/Values.h"
#include "layout/boxes/BoxText.h"
#include "layout/boxes/Boxes.h"
#include "layout/commands/CommandEffects.h"
#include "layout/commands/Commands.h"
#include "layout/fonts/Fonts.h"
#include "layout/boxes/LineStyle.h"
#include "layout/lines/WordLine.h"
#include "layout/pages/Columns.h"
#include "state/Reports.h"
#include "layout/scopes/StateStacks.h"
#include "seams/Seams.h"
#include "frontend/Lexical.h"

namespace vel {

namespace {

// The point-array entry rotated box text borrows for its corners (past
// anything a closed outline can reach).
constexpr int kInclineSlot = static_cast<int>(PointArray::kCapacity) - 1;

using namespace boxtext;

constexpr char kDropped = 27;  // what a resolved \if leaves of the branch not taken

int clampInt(long long v) { return static_cast<int>(std::clamp<long long>(v, INT_MIN / 2, INT_MAX / 2)); }

bool isBoxFamily(int num) {
  return num == cmd::Figure || num == cmd::Underline || num == cmd::FrameBox || num == cmd::Table ||
         num == cmd::Box || num == cmd::Image || num == cmd::MakeBox;
}

class BoxWalk {
 public:
  BoxWalk(State& st, const std::string& text, int level, bool vertical, bool draw, int y, int x)
      : st_(st), s_(text), level_(level), vertical_(vertical), draw_(draw), y_(y), x_(x) {}

  // Vertical drawing needs the box's size before the first glyph.
  void setVerticalFrame(int advance, int across) {
    vAdvance_ = advance;
    vAcross_ = across;
  }

  int run();
  const std::string& text() const { return s_; }
  const Failure& failure() const { return failure_; }
  long long advance() const { return adv_; }
  int ascent() const { return met_ ? asc_ : 0; }
  int descent() const { return met_ ? desc_ : 0; }

 private:
  int japanese();
  int alnum(bool digits);
  int single();
  int math();
  int command();
  int conditional(size_t start, size_t afterName);
  int miniPageRef();
  int fail(int code, const std::string& name);
  Failure failure_;

  void extend(int h, int d) {
    if (!met_) {
      asc_ = h;
      desc_ = d;
      met_ = true;
    } else {
      asc_ = std::max(asc_, h);
      desc_ = std::max(desc_, d);
    }
  }
  void spacing(double width) { adv_ += static_cast<int>(width); }
  void drawGlyphs(const Font& f, std::string_view t);
  int penX() const { return vertical_ ? x_ : clampInt(x_ + adv_); }
  int penY() const { return vertical_ ? clampInt(y_ - vAdvance_ / 2 + adv_) : y_; }

  State& st_;
  std::string s_;
  const int level_;
  const bool vertical_, draw_;
  const int y_, x_;
  size_t i_ = 0;
  long long adv_ = 0;
  int asc_ = 0, desc_ = 0;
  bool met_ = false;
  int cls_ = cls::None;
  int vAdvance_ = 0, vAcross_ = 0;
};

int BoxWalk::fail(int code, const std::string& name) {
  WriteCommandError(st_, name);
  failure_ = Failure{AsLayoutCode(code), name, -1, true};
  return code;
}

// Glyph by glyph at the pen, each cell's top at the baseline less the
// current font's ascent (as words of running text are drawn); in vertical
// mode turned by 270 degrees down a column whose right edge is the box's,
// in the "@" form of a Japanese face (its vertical forms stand upright).
void BoxWalk::drawGlyphs(const Font& f, std::string_view t) {
  if (!draw_ || !st_.canvas) return;
  Font df = f.name == st_.chr.font.name ? CanvasFont(st_) : f;  // the "@" face vertical writing selected
  const bool japanese = std::any_of(df.name.begin(), df.name.end(), [](char c) { return isLead(c); });
  if (vertical_ && japanese && df.name[0] != '@') df.name.insert(df.name.begin(), '@');
  df.height = clampInt(std::llround(st_.font.deviceHeight));  // glyphs at the device height of the current size
  if (vertical_) df.escapement = 2700;
  long long at = adv_;
  for (size_t k = 0; k < t.size();) {
    size_t len;
    uint16_t code = charCodeAt(t, k, &len);
    int w = st_.canvas->charWidth(f, code);
    int dx, dy;
    if (vertical_) {
      dx = DevicePoint(st_, static_cast<double>(x_) + vAcross_);
      dy = DevicePoint(st_, static_cast<double>(y_) - vAdvance_ / 2 + static_cast<double>(at));
    } else {
      dx = DevicePoint(st_, static_cast<double>(x_) + static_cast<double>(at));
      dy = DevicePoint(st_, static_cast<double>(y_) - st_.font.ascent);
    }
    if (st_.font.textRotationDeg != 0 && !vertical_) {
      // A label of a rotated figure: the cell's corner turns about the
      // figure's origin, as the words of a rotated line do.
      const double left = static_cast<double>(x_) + static_cast<double>(at);
      const double top = static_cast<double>(y_) - st_.font.ascent;
      if (GetInclinePoint(st_, st_.fig.originX, st_.fig.originY, false, kInclineSlot, top - st_.fig.originY,
                          left - st_.fig.originX)) {
        Font turned = df;
        turned.escapement = st_.font.textRotationDeg * 10;
        const Point p = st_.fig.points.get(kInclineSlot);
        st_.canvas->textOut(turned, p.x, p.y, t.substr(k, len));
      }
      at += w;
      k += len;
      continue;
    }
    st_.canvas->textOut(df, dx, dy, t.substr(k, len));
    at += w;
    k += len;
  }
}

int BoxWalk::run() {
  while (i_ < s_.size()) {
    const unsigned char c = static_cast<unsigned char>(s_[i_]);
    int r;
    if (isLead(c) && i_ + 1 < s_.size()) r = japanese();
    else if (isAsciiDigit(static_cast<char>(c))) r = alnum(true);
    else if (isAsciiLetter(static_cast<char>(c))) r = alnum(false);
    else if (c == '$') r = math();
    else if (c == '\\') r = command();
    else if (c < 32 && c != 1 && c != 2) {
      ++i_;  // control bytes (and what a resolved \if dropped) are skipped
      r = 0;
    } else r = single();
    if (r < 0) return r;
  }
  return 0;
}

int BoxWalk::japanese() {
  const uint16_t code = charCodeAt(s_, i_);
  if (!InPunctuationSet(code)) {
    if (cls_ == cls::Number || cls_ == cls::Latin) spacing(st_.font.skip[2]);
    else if (cls_ == cls::Math) spacing(st_.font.skip[4]);
    cls_ = cls::Japanese;
  } else {
    cls_ = cls::Punctuation;
  }
  std::string_view ch(s_.data() + i_, 2);
  i_ += 2;
  extend(st_.font.ascent, st_.font.descent);
  if (code == 0x8140) {  // the ideographic space: one character height, nothing drawn
    adv_ += static_cast<int>(st_.font.charHeight);
    return 0;
  }
  drawGlyphs(st_.chr.font, ch);
  adv_ += st_.canvas ? st_.canvas->charWidth(st_.chr.font, code) : 0;
  return 0;
}

int BoxWalk::alnum(bool digits) {
  if (cls_ == cls::Japanese) spacing(st_.font.skip[2]);
  else if (!digits && cls_ == cls::Number) spacing(st_.font.skip[0]);
  size_t e = i_;
  if (digits) {
    bool dot = false;
    while (e < s_.size() && (isAsciiDigit(s_[e]) || (s_[e] == '.' && !dot))) {
      if (s_[e] == '.') dot = true;
      ++e;
    }
    if (s_[e - 1] == '.') --e;  // a trailing full stop is punctuation
  } else {
    while (e < s_.size() && isAsciiLetter(s_[e])) ++e;
  }
  std::string_view run(s_.data() + i_, e - i_);
  i_ = e;
  cls_ = digits ? cls::Number : cls::Latin;
  const Font f = st_.chr.alnumFontMode == 0 ? RomanFont(st_) : st_.chr.font;
  extend(st_.font.ascent, st_.font.descent);
  drawGlyphs(f, run);
  adv_ += st_.canvas ? st_.canvas->textWidth(f, run) : 0;
  return 0;
}

int BoxWalk::single() {
  const char c = s_[i_];
  ++i_;
  const char shown = inband::Shown(c);
  cls_ = c == ' ' ? cls::SpaceOrBox : cls::Other;
  extend(st_.font.ascent, st_.font.descent);
  drawGlyphs(st_.chr.font, std::string_view(&shown, 1));
  adv_ += st_.canvas ? st_.canvas->charWidth(st_.chr.font, static_cast<unsigned char>(shown)) : 0;
  return 0;
}

int BoxWalk::math() {
  if (cls_ == cls::Japanese) spacing(st_.font.skip[4]);
  const size_t close = MathEnd(s_, i_);
  if (close == npos) return fail(-4, SJ("数式"));
  std::string formula = s_.substr(i_, close + 1 - i_);
  i_ = close + 1;

  if (!st_.math.mathMode) st_.font.savedTextFont = st_.chr.font;
  const bool wasMath = st_.math.mathMode;
  st_.math.mathMode = true;
  SetValueList(st_, "inmath", 1);
  auto leave = [&] {
    st_.math.mathMode = wasMath;
    SetValueList(st_, "inmath", wasMath ? 1 : 0);
  };
  const MathSeam* m = st_.seams ? st_.seams->math : nullptr;
  if (!m || m->Normalise(st_, formula) != LayoutCode::Ok) {
    leave();
    return fail(-4, SJ("数式"));
  }
  const int mathLevel = (level_ == 2 && st_.chr.inlineMathMode == 1) ? 1 : level_;
  // Drawing sets the formula again; whatever it counts was counted when
  // the box was measured.
  const auto counters = st_.val.counters;
  const Result<Extent> box = m->Measure(st_, formula, mathLevel);
  if (box && draw_ && !vertical_) {
    // The formula's axis lies the axis offset above the box's baseline.
    const double top = static_cast<double>(y_) - st_.font.mathAxis - box->height;
    if (st_.font.textRotationDeg == 0) {
      (void)m->Draw(st_, formula, mathLevel, penX(), clampInt(static_cast<long long>(top)));
    } else if (GetInclinePoint(st_, st_.fig.originX, st_.fig.originY, true, kInclineSlot, top - st_.fig.originY,
                               static_cast<double>(penX()) - st_.fig.originX)) {
      // A label of a rotated figure: the formula's corner turns about the
      // figure's origin with the glyphs around it; the formula turns itself.
      const Point corner = st_.fig.points.get(kInclineSlot);
      (void)m->Draw(st_, formula, mathLevel, corner.x, corner.y);
    }
  }
  if (draw_) st_.val.counters = counters;
  leave();
  if (!box) return fail(-5, SJ("数式"));
  extend(static_cast<int>(box->height + st_.font.mathAxis), static_cast<int>(box->depth - st_.font.mathAxis));
  adv_ += box->width;
  cls_ = cls::Math;
  return 0;
}

// \if{condition}{then}\else{else}: the branch not taken (and the
// condition) are overwritten with a byte the walk skips, so the text keeps
// its length and later readings of it see the same choice.
int BoxWalk::conditional(size_t start, size_t afterName) {
  if (afterName >= s_.size() || s_[afterName] != '{') return fail(-3, "if");
  const size_t condClose = GroupEnd(s_, afterName);
  if (condClose == npos) return fail(-1, "if");
  const size_t thenOpen = condClose + 1;
  if (thenOpen >= s_.size() || s_[thenOpen] != '{') return fail(-3, "if");
  const size_t thenClose = GroupEnd(s_, thenOpen);
  if (thenClose == npos) return fail(-1, "if");
  size_t elseOpen = npos, elseClose = npos;
  if (s_.compare(thenClose + 1, 6, "\\else{") == 0) {
    elseOpen = thenClose + 6;
    elseClose = GroupEnd(s_, elseOpen);
    if (elseClose == npos) return fail(-1, "if");
  }
  const std::string cond = s_.substr(afterName + 1, condClose - afterName - 1);
  const bool holds = ConditionIsTrue(st_, cond);
  auto drop = [&](size_t a, size_t b) { std::fill(s_.begin() + static_cast<long>(a), s_.begin() + static_cast<long>(b) + 1, kDropped); };
  if (holds) {
    drop(start, thenOpen);
    drop(thenClose, elseClose == npos ? thenClose : elseClose);
  } else if (elseOpen != npos) {
    drop(start, elseOpen);
    drop(elseClose, elseClose);
  } else {
    drop(start, thenClose);
  }
  return 0;
}

int BoxWalk::miniPageRef() {
  const int index = DecodeMiniPageRef(s_, i_);
  i_ = std::min(s_.size(), i_ + kRefSize);
  if (index < 0 || index >= static_cast<int>(st_.miniPageList.size())) return fail(-10, "minipage");
  const MiniPage& m = st_.miniPageList[static_cast<size_t>(index)];
  const int w = m.width, h = m.height, d = m.depth;
  if (draw_) DrawMiniPageBlock(st_, index, penY(), penX());
  extend(h, d);
  adv_ += w;
  cls_ = cls::SpaceOrBox;
  return 0;
}

int BoxWalk::command() {
  const size_t start = i_;
  if (IsRef(s_, start, kMiniPageRef)) return miniPageRef();

  ScanState& sc = st_.scan;
  size_t after;
  if (IsRef(s_, start, kBoxRef)) {
    // A stored-box reference: read as the command it stands for. Like the
    // "\boxX " it replaced, it takes one space after it along.
    after = std::min(s_.size(), start + kRefSize);
    sc.commandName = s_.substr(start + 1, after - start - 1);
    sc.braceFollows = false;
    if (after < s_.size() && s_[after] == ' ') ++after;
  } else {
    after = GetCommandName(sc, s_, start);
  }
  const std::string name = sc.commandName;
  const bool brace = sc.braceFollows;
  if (name == "if") return conditional(start, after);

  const int num = GetCommandNum(st_);
  const int sub = st_.cmd.subType;
  std::string arg;
  size_t next = after;
  size_t close = npos;
  if (brace) {
    close = GroupEnd(s_, after);
    if (close == npos) return fail(-1, name);
    arg = s_.substr(after + 1, close - after - 1);
    next = close + 1;
  }

  CommandContext ctx;
  ctx.styleLevel = level_;
  ctx.floatsAllowed = true;
  ctx.insideBox = true;
  ctx.mainText = false;
  ctx.draw = draw_;
  ctx.x = penX();
  ctx.y = penY();
  Result<CommandOutcome> r = SetCommand(st_, num, arg, brace, ctx);
  if (!r) {
    // A failure reported inside (by its own name) goes up as it is.
    if (r.failure().written) {
      failure_ = r.failure();
      return ToInt(r.code());
    }
    return fail(ToInt(r.code()), r.failure().name.empty() ? name : r.failure().name);
  }
  if (r->replacement) {
    // A string function: its text takes the command's place and is read next.
    s_.replace(start, next - start, *r->replacement);
    return 0;
  }
  const CommandResult o = r->word;
  const std::string& wordText = r->text;
  const std::string& rewrittenArg = r->rewrittenArg;

  // What the command leaves in the text for later readings of it.
  if (num == cmd::Box && sub == 1) {
    std::string ref = EncodeBoxRef(o.value);
    if (ref.size() == kRefSize && start + kRefSize <= s_.size()) s_.replace(start, kRefSize, ref);
  } else if (num == cmd::MiniPage && o.value >= 0 && !draw_) {
    std::string ref = EncodeMiniPageRef(o.value);
    if (!ref.empty()) {
      s_.replace(start, next - start, ref);
      next = start + ref.size();
    }
  } else if (brace && isBoxFamily(num) && !rewrittenArg.empty() && rewrittenArg != arg) {
    s_.replace(after + 1, close - after - 1, rewrittenArg);
    next = after + 1 + rewrittenArg.size() + 1;
  }
  i_ = next;

  const int k = o.kind;
  if (k == cmd::Float && o.value >= 0 && !draw_) {
    // A footnote in a box is placed like one in running text.
    int placed = PlaceFloat(st_, o.value, o.subType, false);
    if (placed < 0) return fail(placed, name);
  } else if (IsRegisterAssignment(k)) {
    st_.val.registers[static_cast<size_t>(RegisterOfKind(k))] = fx::HalvesDouble(o.valueA, o.valueB);
  } else if (IsUserLengthAssignment(k)) {
    int u = UserLengthOfKind(k);
    if (u < st_.val.userLengthList->Count()) st_.val.userLengthList.mut()[u].value = o.value;
  }
  if (k == cmd::Text && !wordText.empty()) drawGlyphs(st_.chr.font, wordText);
  const CommandTraits& t = TraitsOf(k);
  if (t.takesRoomInBox) {
    adv_ += o.width;
    if (t.extendsBox) extend(o.height, o.depth);
  }
  cls_ = ClassAfter(t, cls_);
  return 0;
}

// Measures (and draws) the walk.
Result<Extent> walkBox(State& st, const std::string& text, int level, bool vertical, bool draw, int y, int x,
            std::string* rewritten) {
  const Font font = st.chr.font;
  const double size = st.chr.fontSize;
  const int styleLevel = st.chr.styleLevel;
  auto restoreFont = [&] {
    st.chr.font = font;
    st.chr.fontSize = size;
    SetBigNormalHeight(st, styleLevel);
    GetFontMetric(st);
    SetSkip(st);
  };

  int vAdvance = 0, vAcross = 0;
  if (vertical && draw) {
    // The column is centred on the baseline: measure it first (whatever it
    // counts is counted once).
    const auto counters = st.val.counters;
    const auto letters = st.box.boxLetterIndex;
    const size_t boxes = st.boxList.size(), miniPages = st.miniPageList.size();
    ++st.box.footnotesOff;
    BoxWalk probe(st, text, level, true, false, y, x);
    int r = probe.run();
    --st.box.footnotesOff;
    // Nothing the probe stored is referred to by anything kept.
    st.val.counters = counters;
    st.box.boxLetterIndex = letters;
    st.boxList.resize(std::min(st.boxList.size(), boxes));
    st.miniPageList.resize(std::min(st.miniPageList.size(), miniPages));
    restoreFont();
    if (r < 0) return probe.failure();
    vAdvance = clampInt(probe.advance());
    vAcross = probe.ascent() + probe.descent();
  }

  BoxWalk walk(st, text, level, vertical, draw, y, x);
  walk.setVerticalFrame(vAdvance, vAcross);
  int r = walk.run();
  restoreFont();
  if (rewritten) *rewritten = walk.text();
  if (r < 0) {
    Failure f = walk.failure();
    f.code = AsLayoutCode(r);
    return f;
  }
  if (vertical) {
    const int adv = clampInt(walk.advance());
    return Extent{walk.ascent() + walk.descent(), adv / 2, adv / 2};
  }
  return Extent{clampInt(walk.advance()), walk.ascent(), walk.descent()};
}

}  // namespace

Result<Extent> BoxWidthHeight(State& st, const std::string& text, int styleLevel, bool vertical, bool draw, int y,
                              int x, std::string* rewritten) {
  BoxLevel level(st);
  if (!level.ok()) {
    if (rewritten) *rewritten = text;
    return LayoutCode::InvalidArgument;
  }
  return walkBox(st, text, styleLevel, vertical, draw, y, x, rewritten);
}

}  // namespace vel
