// MakeWordLineList: running text to words, words to lines, with the
// Japanese line-breaking rules and automatic Japanese-Latin spacing.
#include <algorithm>
#include <cstring>

#include "base/InBand.h"
#include "base/Cp932.h"
#include "frontend/Calc.h"
#include "frontend/Values.h"
#include "layout/boxes/Boxes.h"
#include "layout/commands/CommandEffects.h"
#include "layout/commands/Commands.h"
#include "layout/fonts/Fonts.h"
#include "layout/lines/WordLine.h"
#include "layout/pages/Columns.h"
#include "state/Reports.h"
#include "seams/Seams.h"
#include "frontend/Lexical.h"

namespace vel {

namespace {

constexpr int kRescan = 1;  // the scan position was moved: read on from there

bool isBarrier(int k) { return TraitsOf(k).barrier; }
bool isStartMarker(const WordInfo& w) { return w.kind == cmd::UnderlineMark && w.subType != cmd::UnderlineEnd; }

uint16_t firstCode(const std::string& t) { return t.empty() ? 0 : charCodeAt(t, 0); }
uint16_t lastCode(const std::string& t) {
  if (t.empty()) return 0;
  size_t i = 0, last = 0;
  while (i < t.size()) {
    last = i;
    i += (isLead(t[i]) && i + 1 < t.size()) ? 2 : 1;
  }
  return charCodeAt(t, last);
}

class Builder {
 public:
  Builder(State& st, Lines& src, std::vector<WordInfo>& words, bool main, std::vector<LineInfo>& lines,
          std::vector<std::string>& texts)
      : st_(st), src_(src), words_(words), lines_(lines), texts_(texts), main_(main) {
    lineStart_ = static_cast<int>(words_.size());
  }

  int run();

 private:
  // ---- scanning ----
  int scanJapanese();
  int scanSpace();
  int scanNumber();
  int scanLatin();
  int scanMath();
  int scanCommand();
  int scanOther();
  int addAlnumRun(int p, std::string text);
  int doIf(const TextPos& after);
  int doUnderline(const TextPos& after, const std::string& name);

  // ---- words and lines ----
  int spacing(int kind, double width, int pos);
  int addWord(const WordInfo& w, std::string text);
  int afterAppend(int index);
  int lineEndCommand(int index);
  int overflow(int index);
  int closeLine(int last, LineKind kind, int skip, int* newStart = nullptr);
  void startLineFrom(int first);
  void takeWord(const WordInfo& w);
  // The line holds something visible before this word (command words such
  // as \beginitem or a font change take no room and do not count).
  bool lineHasWordsBefore(int index) const {
    for (int i = lineStart_; i < index; ++i) {
      const WordInfo& x = words_[static_cast<size_t>(i)];
      if (x.width != 0 || x.height != 0 || x.depth != 0) return true;
    }
    return false;
  }
  // A space between Latin words: like removable spacing, it vanishes where
  // the text breaks, so a justified line neither starts nor ends with one.
  bool isSpaceWord(int i) const {
    return words_[static_cast<size_t>(i)].kind == cmd::Text && texts_[static_cast<size_t>(i)] == " ";
  }
  bool nextVisibleInXHead(const WordInfo& w);
  int closeUnderlinePart(int sm, int last);

  int fail(int code, const std::string& name, int line) {
    st_.errorLine = line;
    st_.errorName = name;
    if (!name.empty()) WriteCommandError(st_, name);
    return code;
  }
  int textWidth(const Font& f, std::string_view s) { return st_.canvas ? st_.canvas->textWidth(f, s) : 0; }
  int charWidth(const Font& f, uint16_t c) { return st_.canvas ? st_.canvas->charWidth(f, c) : 0; }
  int H() const { return static_cast<int>(st_.font.charHeight); }
  int pos1() const { return static_cast<int>(pos_) + 1; }

  State& st_;
  Lines& src_;
  std::vector<WordInfo>& words_;
  std::vector<LineInfo>& lines_;
  std::vector<std::string>& texts_;
  bool main_;
  int lineStart_;
  int li_ = 0;
  size_t pos_ = 0;
  bool firstWordSeen_ = false;
  bool brokeByWidth_ = false;  // the current line began where the text broke by itself
};

// ---------------------------------------------------------------- scanning

int Builder::run() {
  LineState& L = st_.line;
  L.charClass = cls::None;
  ChangeIndent(st_);
  for (;;) {
    while (li_ < static_cast<int>(src_.size())) {
      const std::string& s = src_[static_cast<size_t>(li_)];
      if (pos_ >= s.size()) {
        ++li_;
        pos_ = 0;
        continue;
      }
      unsigned char c = static_cast<unsigned char>(s[pos_]);
      int r;
      if (isLead(c) && pos_ + 1 < s.size()) r = scanJapanese();
      else if (c == ' ') r = scanSpace();
      else if (isAsciiDigit(static_cast<char>(c))) r = scanNumber();
      else if (isAsciiLetter(static_cast<char>(c))) r = scanLatin();
      else if (c == '$') r = scanMath();
      else if (c == '\\') r = scanCommand();
      else if (c >= 3 && c < 32) {
        ++pos_;
        r = 0;
      } else r = scanOther();
      if (r < 0) return r;
    }
    // End of the text: the last line, unless queued column heads send the
    // scan back into the text.
    if (static_cast<int>(words_.size()) > lineStart_) {
      int r = closeLine(static_cast<int>(words_.size()) - 1, LineEnded, main_ ? kForcedBreak : L.lineSkip);
      if (r < 0) return r;
      if (r == kRescan) continue;
    }
    break;
  }
  if (main_) {
    SetPageInfoList(st_, true);
    return st_.col.textHeight;
  }
  int used = L.boxHeight;
  int extra = std::max(L.leftIndentRemainder, L.rightIndentRemainder);
  if (extra > 0) {
    used += extra;
    int i = st_.val.userLengthList.Find("leftrightboxsepY");
    if (i >= 0) used -= st_.val.userLengthList[i].value;
  }
  return used;
}

int Builder::scanJapanese() {
  const std::string& s = src_[static_cast<size_t>(li_)];
  uint16_t code = charCodeAt(s, pos_);
  LineState& L = st_.line;
  int p = pos1();
  if (!InPunctuationSet(code)) {
    int r = 0;
    if (L.charClass == cls::Number || L.charClass == cls::Latin) r = spacing(42, st_.font.skip[2], p);
    else if (L.charClass == cls::Math) r = spacing(40, st_.font.skip[4], p);
    if (r != 0) return r;
    L.charClass = cls::Japanese;
  } else {
    L.charClass = cls::Punctuation;
  }
  std::string text = s.substr(pos_, 2);
  pos_ += 2;
  WordInfo w{};
  w.line = li_;
  w.pos = p;
  w.height = st_.font.ascent;
  w.depth = st_.font.descent;
  if (code == 0x8140) {  // the ideographic space: one character height, nothing drawn
    w.width = H();
    text.clear();
  } else {
    w.width = charWidth(st_.font.current, code);
  }
  return addWord(w, std::move(text));
}

int Builder::scanSpace() {
  WordInfo w{};
  w.line = li_;
  w.pos = pos1();
  w.width = static_cast<int>(st_.font.skip[4]);
  ++pos_;
  st_.line.charClass = cls::SpaceOrBox;
  return addWord(w, " ");
}

int Builder::scanNumber() {
  const std::string& s = src_[static_cast<size_t>(li_)];
  int p = pos1();
  if (st_.line.charClass == cls::Japanese) {
    int r = spacing(42, st_.font.skip[2], p);
    if (r != 0) return r;
  }
  size_t e = pos_;
  bool dot = false;
  while (e < s.size() && (isAsciiDigit(s[e]) || (s[e] == '.' && !dot))) {
    if (s[e] == '.') dot = true;
    ++e;
  }
  if (s[e - 1] == '.') --e;  // a trailing full stop is punctuation
  std::string text = s.substr(pos_, e - pos_);
  pos_ = e;
  st_.line.charClass = cls::Number;
  return addAlnumRun(p, std::move(text));
}

int Builder::scanLatin() {
  const std::string& s = src_[static_cast<size_t>(li_)];
  int p = pos1();
  int r = 0;
  if (st_.line.charClass == cls::Japanese) r = spacing(42, st_.font.skip[2], p);
  else if (st_.line.charClass == cls::Number) r = spacing(44, st_.font.skip[0], p);
  if (r != 0) return r;
  size_t e = pos_;
  while (e < s.size() && isAsciiLetter(s[e])) ++e;
  std::string text = s.substr(pos_, e - pos_);
  pos_ = e;
  st_.line.charClass = cls::Latin;
  return addAlnumRun(p, std::move(text));
}

// A number or a run of Latin letters: measured character by character in
// the roman face (or the current font when the alphanumeric mode says so).
int Builder::addAlnumRun(int p, std::string text) {
  WordInfo w{};
  w.line = li_;
  w.pos = p;
  w.width = textWidth(st_.font.alnumFontMode == 0 ? RomanFont(st_) : st_.font.current, text);
  w.height = st_.font.ascent;
  w.depth = st_.font.descent;
  return addWord(w, std::move(text));
}

int Builder::scanOther() {
  const std::string& s = src_[static_cast<size_t>(li_)];
  unsigned char c = static_cast<unsigned char>(s[pos_]);
  WordInfo w{};
  w.line = li_;
  w.pos = pos1();
  uint16_t shown = static_cast<unsigned char>(inband::Shown(static_cast<char>(c)));
  w.width = charWidth(st_.font.current, shown);
  w.height = st_.font.ascent;
  w.depth = st_.font.descent;
  ++pos_;
  st_.line.charClass = cls::Other;
  return addWord(w, std::string(1, static_cast<char>(c)));
}

int Builder::scanMath() {
  const std::string& s = src_[static_cast<size_t>(li_)];
  size_t n = 1;
  if (pos_ + 1 < s.size() && s[pos_ + 1] == '$') n = (pos_ + 2 < s.size() && s[pos_ + 2] == '$') ? 3 : 2;
  const int startLine = li_;
  const int p = pos1();
  LineState& L = st_.line;
  if (n == 1 && L.charClass == cls::Japanese) {
    int r = spacing(40, st_.font.skip[4], p);
    if (r != 0) return r;
  }
  std::string formula;
  TextPos end = LongGetMath(st_.scan, src_, li_, static_cast<int>(pos_ + n), static_cast<int>(n), formula);
  if (end.line < 0) return fail(-4, SJ("数式"), startLine);
  li_ = end.line;
  pos_ = static_cast<size_t>(end.col);

  if (!st_.math.mathMode) st_.font.savedTextFont = st_.font.current;
  st_.math.mathMode = true;
  SetValueList(st_, "inmath", 1);
  auto leaveMath = [&] {
    st_.math.mathMode = false;
    SetValueList(st_, "inmath", 0);
  };
  const MathSeam* math = st_.seams ? st_.seams->math : nullptr;
  if (!math || math->Normalise(st_, formula) != LayoutCode::Ok) {
    leaveMath();
    return fail(-4, SJ("数式"), startLine);
  }
  if (n > 1 || st_.math.inlineMathMode == 1) formula.insert(1, "\\Normal ");
  const Result<Extent> box = math->Measure(st_, formula, 2);
  if (!box) {
    leaveMath();
    return fail(-5, SJ("数式"), startLine);
  }
  leaveMath();
  WordInfo w{};
  w.kind = n == 1 ? cmd::InlineMath : (n == 2 ? cmd::DisplayMath2 : cmd::DisplayMath3);
  w.line = startLine;
  w.pos = p;
  w.width = box->width;
  w.height = static_cast<int>(box->height + st_.font.mathAxis);
  w.depth = static_cast<int>(box->depth - st_.font.mathAxis);
  std::string text = formula.size() >= 2 ? formula.substr(1, formula.size() - 2) : std::string();
  if (n == 1) L.charClass = cls::Math;
  else L.charClass = cls::None;
  return addWord(w, std::move(text));
}

int Builder::scanCommand() {
  const int line = li_;
  const int p = pos1();
  TextPos after = LongGetCommandName(st_.scan, src_, li_, p);
  std::string name = st_.scan.commandName;
  bool brace = st_.scan.braceFollows;
  // "\\{length}": the forced line break takes a length although its
  // one-byte name does not announce a brace.
  if (!brace && name == "\\" && after.line == line) {
    const std::string& s = src_[static_cast<size_t>(line)];
    brace = static_cast<size_t>(after.col - 1) < s.size() && s[static_cast<size_t>(after.col - 1)] == '{';
  }

  if (name == "if") return doIf(after);
  if ((name == "underline" || name == "Underline") && !st_.line.underlineOpen) return doUnderline(after, name);

  int num = GetCommandNum(st_);
  std::string arg;
  TextPos next = after;
  if (brace) {
    next = LongGetGroup(src_, after.line, after.col, arg);
    if (next.line < 0) return fail(-1, name, line);
  }
  CommandContext ctx;
  ctx.floatsAllowed = true;
  ctx.mainText = main_;
  std::string wordText;
  st_.errorName.clear();
  // hpos and linewidth are published for expressions only when a command
  // may read them, not after every word.
  PublishLineState(st_);
  int r = SetCommand(st_, num, arg, brace, wordText, ctx);
  if (r < 0) return fail(r, st_.errorName.empty() ? name : st_.errorName, line);

  if (num == cmd::Float && st_.cmd.subType == 5) {
    // A later scan of this text (a dropped line read again) meets the inert
    // command instead of queueing the text twice.
    std::string& s = src_[static_cast<size_t>(line)];
    s.replace(static_cast<size_t>(p), inband::kInertCommandNameSize, inband::kInertCommandNameSize, 'l');
  }
  if (st_.cmd.replaced) {
    // The command and its argument give way to the text it produced.
    st_.cmd.replaced = false;
    if (next.line == line) {
      src_[static_cast<size_t>(line)].replace(pos_, static_cast<size_t>(next.col - 1) - pos_, st_.cmd.replacement);
    } else {
      DeleteText(src_, line, p, next.line, next.col - 1);
      src_[static_cast<size_t>(line)].insert(pos_, st_.cmd.replacement);
    }
    return 0;
  }

  li_ = next.line;
  pos_ = static_cast<size_t>(next.col - 1);
  const CommandResult& o = st_.cmd.out;
  if (o.kind == cmd::Float) {
    int placed = PlaceFloat(st_, o.value, o.subType, main_);
    if (placed < 0) return fail(placed, name, line);
  }
  WordInfo w{o.width, o.height, o.depth, o.kind, o.subType, o.value, o.valueA, o.valueB, line, p};
  st_.line.charClass = ClassAfter(TraitsOf(o.kind), st_.line.charClass);
  return addWord(w, std::move(wordText));
}

// \if{condition}{then}\else{else}: only the chosen branch stays in the source.
int Builder::doIf(const TextPos& after) {
  const int line = li_;
  const int p = pos1();
  if (!st_.scan.braceFollows) return fail(-3, "if", line);
  std::string cond, thenPart, elsePart;
  TextPos afterCond = LongGetGroup(src_, after.line, after.col, cond);
  if (afterCond.line < 0) return fail(-1, "if", line);
  // The then-group follows directly (possibly at the start of the next non-empty line).
  TextPos thenOpen = afterCond;
  if (static_cast<size_t>(thenOpen.col - 1) >= src_[static_cast<size_t>(thenOpen.line)].size()) {
    int k = thenOpen.line + 1;
    while (k < static_cast<int>(src_.size()) && src_[static_cast<size_t>(k)].empty()) ++k;
    if (k >= static_cast<int>(src_.size())) return fail(-3, "if", line);
    thenOpen = {k, 1};
  }
  if (src_[static_cast<size_t>(thenOpen.line)][static_cast<size_t>(thenOpen.col - 1)] != '{') return fail(-3, "if", line);
  TextPos afterThen = LongGetGroup(src_, thenOpen.line, thenOpen.col, thenPart);
  if (afterThen.line < 0) return fail(-1, "if", line);
  // An optional \else{...} directly after.
  bool hasElse = false;
  TextPos elseOpen{}, afterElse{};
  const std::string& tl = src_[static_cast<size_t>(afterThen.line)];
  if (tl.compare(static_cast<size_t>(afterThen.col - 1), 6, "\\else{") == 0) {
    elseOpen = {afterThen.line, afterThen.col + 5};
    afterElse = LongGetGroup(src_, elseOpen.line, elseOpen.col, elsePart);
    if (afterElse.line < 0) return fail(-1, "if", line);
    hasElse = true;
  }
  bool holds = ConditionIsTrue(st_, cond);
  // Delete from the end backwards so that earlier positions stay valid.
  if (holds) {
    if (hasElse) DeleteText(src_, afterThen.line, afterThen.col, afterElse.line, afterElse.col - 1);
    DeleteText(src_, afterThen.line, afterThen.col - 1, afterThen.line, afterThen.col - 1);  // then's "}"
    DeleteText(src_, line, p, thenOpen.line, thenOpen.col);  // "\if{cond}{"
  } else {
    if (hasElse) {
      DeleteText(src_, afterElse.line, afterElse.col - 1, afterElse.line, afterElse.col - 1);  // else's "}"
      DeleteText(src_, line, p, elseOpen.line, elseOpen.col);  // "\if{cond}{then}\else{"
    } else {
      DeleteText(src_, line, p, afterThen.line, afterThen.col - 1);
    }
  }
  return 0;
}

// \underline{...} in running text becomes a span that breaks like text.
int Builder::doUnderline(const TextPos& after, const std::string& name) {
  const int line = li_;
  const int p = pos1();
  if (!st_.scan.braceFollows) return fail(-3, name, line);
  std::string content;
  TextPos end = LongGetGroup(src_, after.line, after.col, content);
  if (end.line < 0) return fail(-3, name, line);
  std::string style;
  std::string t = TrimLeft(content);
  if (t.compare(0, 7, "\\style{") == 0) {
    size_t close = GetGroup(t, 6);
    if (close == npos) return fail(-3, name, line);
    style = t.substr(7, close - 7);
    content = t.substr(close + 1);
  }
  std::string repl = "\\begin" + name + "{" + style + "}" + content + "\\endunderline{}";
  DeleteText(src_, line, p, end.line, end.col - 1);
  src_[static_cast<size_t>(line)].insert(pos_, repl);
  return 0;
}

// ---------------------------------------------------------------- words

int Builder::spacing(int kind, double width, int pos) {
  WordInfo w{};
  w.kind = kind;
  w.width = static_cast<int>(width);
  w.line = li_;
  w.pos = pos;
  return addWord(w, std::string());
}

int Builder::addWord(const WordInfo& w, std::string text) {
  SetWordInfo(words_, w.width, w.pos, w.line, w.valueA, w.valueB, w.subType, w.value, w.kind, w.depth, w.height);
  texts_.push_back(std::move(text));
  int index = static_cast<int>(words_.size()) - 1;
  int r = afterAppend(index);
  firstWordSeen_ = true;
  return r;
}

void Builder::takeWord(const WordInfo& w) {
  LineState& L = st_.line;
  L.hpos += w.width;
  L.lineHeight = std::max(L.lineHeight, w.height);
  L.lineDepth = std::max(L.lineDepth, w.depth);
  if (w.width > 0) ++L.wordCount;
}

int Builder::afterAppend(int index) {
  WordInfo& w = words_[static_cast<size_t>(index)];
  const int k = w.kind;
  if (IsUserLengthAssignment(k)) {
    int i = UserLengthOfKind(k);
    if (i < st_.val.userLengthList.Count()) st_.val.userLengthList[i].value = w.value;
    return 0;
  }
  if (IsRegisterAssignment(k)) {
    st_.val.registers[static_cast<size_t>(RegisterOfKind(k))] = fx::WordDouble(w);
    return 0;
  }
  if (IsLineCommand(k)) return lineEndCommand(index);
  if (index == lineStart_ && (IsRemovableSpacing(k) || (brokeByWidth_ && isSpaceWord(index)))) {
    w.kind = cmd::Inert;
    w.width = w.height = w.depth = 0;
    texts_[static_cast<size_t>(index)].clear();
    return 0;
  }
  takeWord(w);
  if (st_.line.hpos > st_.line.lineWidth) return overflow(index);
  return 0;
}

// Words that end, open or shape lines.
int Builder::lineEndCommand(int index) {
  LineState& L = st_.line;
  const WordInfo w = words_[static_cast<size_t>(index)];
  std::string& text = texts_[static_cast<size_t>(index)];
  switch (w.kind) {
    case cmd::LineEnd: {
      int skip;
      if (!text.empty()) {
        skip = ReformPara(st_, text);
        text.clear();
      } else if (!lineHasWordsBefore(index)) {
        skip = 0;
      } else {
        skip = w.subType == cmd::LineEndParagraph ? L.parSkip : L.lineSkip;
      }
      if (!firstWordSeen_ && index == 0) return 0;  // as the very first word it closes nothing
      int r = closeLine(index, w.subType == cmd::LineEndCrr ? LineJustified : LineEnded, skip);
      if (r != 0) return r;
      L.linesInPara = 0;
      ChangeIndent(st_);
      return r;
    }
    case cmd::PageBreak: {
      if (lineHasWordsBefore(index)) {
        int r = closeLine(index - 1, LineEnded, kForcedBreak);
        if (r != 0) return r;
      } else if (main_ && st_.col.textHeight > 0) {
        // The page break must not fit after the line that ended the paragraph.
        st_.col.prevLineSkip = kForcedBreak;
        if (!lines_.empty()) lines_.back().skip = kForcedBreak;
      }
      LineKind kind = w.subType == cmd::NewColumn ? LineJustified : (w.subType == cmd::NewPage ? LineNewPage : LineNewPaper);
      L.lineHeight = 1;
      L.lineDepth = 0;
      int r = closeLine(index, kind, 0);
      if (r != 0) return r;
      L.linesInPara = 0;
      ChangeIndent(st_);
      return r;
    }
    case cmd::Indent: {
      switch (w.subType) {
        case cmd::LeftIndent: SetLeftIndent(st_, text); break;
        case cmd::RightIndent: SetRightIndent(st_, text); break;
        case cmd::NoIndent: L.noIndent = true; RecomputeLineWidth(st_); break;
        case cmd::LeftIndentFor: SetLeftIndentFor(st_, text); break;
        case cmd::RightIndentFor: SetRightIndentFor(st_, text); break;
        default: break;
      }
      return 0;
    }
    case cmd::BeginItem: {
      if (lineHasWordsBefore(index)) {
        int r = closeLine(index - 1, LineEnded, L.parSkip);
        if (r != 0) return r;
      }
      if (L.itemLevel >= 9) return fail(-5, "beginitem", w.line);
      const ItemLevel& prev = L.items[static_cast<size_t>(L.itemLevel)];
      int prevRight = prev.rightEdge == kAutomaticLabelWidth ? prev.leftEdge : prev.rightEdge;
      if (L.itemLevel == 0) {
        prevRight = 0;
        L.outermostItemLine = w.line;
      }
      ++L.itemLevel;
      ItemLevel& lv = L.items[static_cast<size_t>(L.itemLevel)];
      lv.leftEdge = prevRight + L.nextItemIndent;
      lv.rightEdge = L.nextLabelWidth == kAutomaticLabelWidth ? kAutomaticLabelWidth : lv.leftEdge + L.nextLabelWidth;
      st_.val.counters[counter::Item(L.itemLevel)] = 0;
      L.itemMode = true;
      L.itemJustOpened = true;
      SetValueList(st_, "itemlebel", L.itemLevel);
      L.linesInPara = 0;
      ChangeIndent(st_);
      return 0;
    }
    case cmd::EndItem: {
      if (index == 0) return fail(-5, "enditem", w.line);
      if (lineHasWordsBefore(index)) {
        int r = closeLine(index - 1, LineEnded, L.parSkip);
        if (r != 0) return r;
      }
      --L.itemLevel;
      if (L.itemLevel < 0) {
        L.itemLevel = 0;
        return fail(-5, "enditem", w.line);
      }
      if (L.itemLevel == 0) {
        L.itemMode = false;
        L.itemLabelLine = false;
        L.outermostItemLine = -1;
      }
      L.itemJustOpened = true;
      SetValueList(st_, "itemlebel", L.itemLevel);
      L.linesInPara = 0;
      ChangeIndent(st_);
      return 0;
    }
    case cmd::Item: {
      if (index == 0) return fail(-5, "item", w.line);
      if (lineHasWordsBefore(index)) {
        int r = closeLine(index - 1, LineEnded, L.parSkip);
        if (r != 0) return r;
      }
      L.itemJustOpened = false;
      L.itemLabelLine = true;
      L.linesInPara = 0;
      ChangeIndent(st_);
      takeWord(w);
      PublishLineState(st_);
      return 0;
    }
    case cmd::CenterLine:
    case cmd::DisplayMath2:
    case cmd::DisplayMath3: {
      if (lineHasWordsBefore(index)) {
        int r = closeLine(index - 1, LineEnded, L.parSkip);
        if (r != 0) return r;
      }
      int savedIndent = L.parIndent;
      L.parIndent = 0;
      L.linesInPara = 0;
      if (w.kind == cmd::DisplayMath2) L.pendingMathIndent = L.mathIndent;
      ChangeIndent(st_);
      takeWord(w);
      LineKind kind = w.kind == cmd::CenterLine ? LineCentred : (w.kind == cmd::DisplayMath2 ? LineDisplay : LineDisplayCentred);
      int r = closeLine(index, kind, L.parSkip);
      L.parIndent = savedIndent;
      if (r != 0) return r;
      ChangeIndent(st_);
      return r;
    }
    case cmd::RightLine: {
      if (L.hpos + w.width > L.lineWidth && lineHasWordsBefore(index) && firstWordSeen_) {
        int r = closeLine(index - 1, LineEnded, L.lineSkip);
        if (r != 0) return r;
        ChangeIndent(st_);
      }
      L.hpos = L.lineWidth;
      L.lineHeight = std::max(L.lineHeight, w.height);
      L.lineDepth = std::max(L.lineDepth, w.depth);
      if (w.width > 0) ++L.wordCount;
      PublishLineState(st_);
      return 0;
    }
    case cmd::UnderlineMark: {
      if (w.subType != cmd::UnderlineEnd) {
        L.underlineOpen = true;
        L.underlineStartWord = index;
        L.underlineKind = w.subType;
        return 0;
      }
      if (L.underlineOpen) {
        int r = closeUnderlinePart(L.underlineStartWord, index - 1);
        if (r < 0) return r;
      }
      L.underlineOpen = false;
      L.underlineStartWord = -1;
      return 0;
    }
    default:
      return 0;
  }
}

// Gives the span's start marker the size of the words after it up to
// `last`, and makes the line take room for a capital-form rule.
int Builder::closeUnderlinePart(int sm, int last) {
  int maxH = 0, maxD = 0;
  for (int i = sm + 1; i <= last; ++i) {
    maxH = std::max(maxH, words_[static_cast<size_t>(i)].height);
    maxD = std::max(maxD, words_[static_cast<size_t>(i)].depth);
  }
  WordInfo& m = words_[static_cast<size_t>(sm)];
  // Measuring the span's rule also checks its style.
  const int w = st_.box.resultWidth, h = st_.box.resultHeight, d = st_.box.resultDepth;
  int r = UnderlineSpan(st_, texts_[static_cast<size_t>(sm)], m.subType, 0, maxD, false, 0, 0);
  const int depth = st_.box.resultDepth;
  st_.box.resultWidth = w;
  st_.box.resultHeight = h;
  st_.box.resultDepth = d;
  if (r < 0) return fail(-10, m.subType == 1 ? "Underline" : "underline", m.line);
  m.height = maxH;
  m.value = maxD;
  m.depth = depth;
  st_.line.lineHeight = std::max(st_.line.lineHeight, m.height);
  st_.line.lineDepth = std::max(st_.line.lineDepth, m.depth);
  return 0;
}

// The next visible character after a spacing word, looked up in the source.
bool Builder::nextVisibleInXHead(const WordInfo& w) {
  int l = w.line;
  size_t p = static_cast<size_t>(std::max(w.pos, 1) - 1);
  const std::string saveName = st_.scan.commandName;
  const int saveSub = st_.cmd.subType;
  bool result = false;
  while (l < static_cast<int>(src_.size())) {
    const std::string& s = src_[static_cast<size_t>(l)];
    if (p >= s.size()) {
      ++l;
      p = 0;
      continue;
    }
    char c = s[p];
    if (c == ' ') {
      ++p;
      continue;
    }
    if (c == '$') break;
    if (c == '{') {
      std::string dummy;
      TextPos e = LongGetGroup(src_, l, static_cast<int>(p) + 1, dummy);
      if (e.line < 0) break;
      l = e.line;
      p = static_cast<size_t>(e.col - 1);
      continue;
    }
    if (c == '\\') {
      TextPos a = LongGetCommandName(st_.scan, src_, l, static_cast<int>(p) + 1);
      int num = GetCommandNum(st_);
      if (TraitsOf(num).endsLookAhead) break;
      l = a.line;
      p = static_cast<size_t>(a.col - 1);
      if (st_.scan.braceFollows) {
        std::string dummy;
        TextPos e = LongGetGroup(src_, a.line, a.col, dummy);
        if (e.line < 0) break;
        l = e.line;
        p = static_cast<size_t>(e.col - 1);
      }
      continue;
    }
    result = InCharSet(st_.settings ? st_.settings->xHead : Settings::defaultXHead(), charCodeAt(s, p));
    break;
  }
  st_.scan.commandName = saveName;
  st_.cmd.subType = saveSub;
  return result;
}

// The word at `index` made the line too long: find the break and carry the
// words after it to the next line, repeatedly.
int Builder::overflow(int index) {
  LineState& L = st_.line;
  const std::string& xHead = st_.settings ? st_.settings->xHead : Settings::defaultXHead();
  const std::string& xTail = st_.settings ? st_.settings->xTail : Settings::defaultXTail();
  int w = index;  // the word that overflowed (the last of the line)
  while (L.hpos > L.lineWidth) {
    const int last = static_cast<int>(words_.size()) - 1;
    const WordInfo& nw = words_[static_cast<size_t>(w)];
    if (nw.width >= L.hpos) {
      // Nothing of width before it: a word wider than the line stands alone
      // and overflows on the right.
      int r = closeLine(last, LineJustified, L.lineSkip);
      if (r != 0) return r;
      startLineFrom(static_cast<int>(words_.size()));
      brokeByWidth_ = true;
      return 0;
    }
    int breakAt = w;  // first word of the next line

    // Line-head rule: prohibited characters take the one before them along.
    bool pushOut = false;
    if (nw.kind == cmd::Text) pushOut = InCharSet(xHead, firstCode(texts_[static_cast<size_t>(w)]));
    else if (IsRemovableSpacing(nw.kind)) pushOut = nextVisibleInXHead(nw);
    if (pushOut) {
      int c = 1;
      for (int i = w - 1; i >= lineStart_; --i) {
        const WordInfo& x = words_[static_cast<size_t>(i)];
        if (x.kind != cmd::Text) continue;
        if (!InCharSet(xHead, firstCode(texts_[static_cast<size_t>(i)]))) break;
        ++c;
      }
      // Walk back over c text words; a barrier ends the walk early (the
      // words after it still go down); reaching the line start would empty
      // the line, so then the break stays where it was.
      int seen = 0, earliest = -1;
      bool atStart = true;
      for (int k = w - 1; k >= lineStart_; --k) {
        const WordInfo& x = words_[static_cast<size_t>(k)];
        if (isBarrier(x.kind)) {
          atStart = false;
          break;
        }
        if (x.kind != cmd::Text) continue;
        earliest = k;
        if (++seen == c) {
          atStart = false;
          break;
        }
      }
      if (!atStart && earliest > lineStart_) breakAt = earliest;
    }

    // Line-end rule: characters that may not end a line go down too.
    {
      int k = breakAt - 1, first = -1;
      while (k >= lineStart_) {
        const WordInfo& x = words_[static_cast<size_t>(k)];
        if (x.kind == cmd::Text && InCharSet(xTail, lastCode(texts_[static_cast<size_t>(k)]))) {
          first = k;
          --k;
          continue;
        }
        if (x.kind == cmd::Text || isBarrier(x.kind)) break;
        --k;
      }
      if (first > lineStart_) breakAt = first;
    }
    // An underline start marker never ends a line.
    while (breakAt - 1 > lineStart_ && isStartMarker(words_[static_cast<size_t>(breakAt - 1)])) --breakAt;

    // The line keeps the words before breakAt.
    L.hpos = L.lineHeight = L.lineDepth = L.wordCount = 0;
    for (int i = lineStart_; i < breakAt; ++i) takeWord(words_[static_cast<size_t>(i)]);
    for (int i = breakAt - 1; i >= lineStart_; --i) {
      WordInfo& x = words_[static_cast<size_t>(i)];
      if (x.kind == cmd::Inert) continue;
      if (!IsRemovableSpacing(x.kind) && !isSpaceWord(i)) break;
      if (x.width > 0) {
        L.hpos -= x.width;
        --L.wordCount;
      }
      x.kind = cmd::Inert;
      x.width = x.height = x.depth = 0;
      texts_[static_cast<size_t>(i)].clear();
    }
    int newStart = 0;
    int r = closeLine(breakAt - 1, LineJustified, L.lineSkip, &newStart);
    if (r != 0) return r;
    startLineFrom(newStart);
    brokeByWidth_ = true;
    w = static_cast<int>(words_.size()) - 1;
  }
  return 0;
}

// The moved words start the next line.
void Builder::startLineFrom(int first) {
  LineState& L = st_.line;
  lineStart_ = first;
  L.hpos = L.lineHeight = L.lineDepth = L.wordCount = 0;
  bool leading = true;
  for (int i = first; i < static_cast<int>(words_.size()); ++i) {
    WordInfo& x = words_[static_cast<size_t>(i)];
    if (leading && (IsRemovableSpacing(x.kind) || isSpaceWord(i))) {
      x.kind = cmd::Inert;
      x.width = x.height = x.depth = 0;
      texts_[static_cast<size_t>(i)].clear();
      continue;
    }
    if (x.kind == cmd::Text || isBarrier(x.kind)) leading = false;
    if (!IsLineCommand(x.kind) || x.kind == cmd::Item) takeWord(x);
  }
  ChangeIndent(st_);
}

// Closes the line ending at `last`; the next line starts after it.
int Builder::closeLine(int last, LineKind kind, int skip, int* newStart) {
  LineState& L = st_.line;
  brokeByWidth_ = false;  // the overflow path sets it again after its own close
  // An underline span open on this line ends here and reopens on the next.
  if (L.underlineOpen && L.underlineStartWord >= lineStart_ && L.underlineStartWord <= last) {
    int sm = L.underlineStartWord;
    int u = closeUnderlinePart(sm, last);
    if (u < 0) return u;
    WordInfo end{};
    end.kind = cmd::UnderlineMark;
    end.subType = cmd::UnderlineEnd;
    end.line = words_[static_cast<size_t>(last)].line;
    end.pos = words_[static_cast<size_t>(last)].pos;
    WordInfo reopen = words_[static_cast<size_t>(sm)];
    reopen.height = reopen.depth = reopen.value = 0;
    reopen.value = reopen.subType;
    InsertWordInfo(words_, last + 1, end);
    texts_.insert(texts_.begin() + last + 1, std::string());
    InsertWordInfo(words_, last + 2, reopen);
    texts_.insert(texts_.begin() + last + 2, texts_[static_cast<size_t>(sm)]);
    L.underlineStartWord = last + 2;
    ++last;
  }
  const int first = lineStart_;
  int r = SetLineLWHOHKCS(st_, last, L.hpos, main_, lines_, skip, L.wordCount, kind, L.lineHeight,
                          L.lineHeight + L.lineDepth);
  if (r == -2) {
    // The column break waits for the queued texts: they head the new
    // column, and the dropped line is read again after them.
    const WordInfo& f = words_[static_cast<size_t>(first)];
    int l = f.line;
    size_t p = static_cast<size_t>(std::max(f.pos, 1) - 1);
    std::string queued;
    for (const std::string& t : L.nextColumnHeadList) queued += t;
    L.nextColumnHeadList.clear();
    src_[static_cast<size_t>(l)].insert(p, queued);
    words_.resize(static_cast<size_t>(first));
    texts_.resize(static_cast<size_t>(first));
    L.underlineOpen = false;
    L.hpos = L.lineHeight = L.lineDepth = L.wordCount = 0;
    L.charClass = cls::None;
    lineStart_ = first;
    ChangeIndent(st_);
    li_ = l;
    pos_ = p;
    return kRescan;
  }
  if (r < 1 && lines_.size() >= 2) DecreasePageInfoCounter(st_, first);
  if (main_) st_.col.footnotesOnLine = 0;
  lineStart_ = last + 1;
  if (newStart) *newStart = lineStart_;
  L.hpos = L.lineHeight = L.lineDepth = L.wordCount = 0;
  PublishLineState(st_);
  return 0;
}

}  // namespace

int MakeWordLineList(State& st, Lines& source, std::vector<WordInfo>& words, bool mainText,
                     std::vector<LineInfo>& lines, std::vector<std::string>& texts) {
  Builder b(st, source, words, mainText, lines, texts);
  return b.run();
}

}  // namespace vel
