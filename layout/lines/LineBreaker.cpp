// Words into lines: line ends and the commands that shape lines, the
// line-head and line-end rules of Japanese text, re-breaking of the words
// a break moved, underline spans split at line ends.
#include "layout/lines/LineBuilder.h"

#include <algorithm>

#include "base/CharSearch.h"
#include "base/Cp932.h"
#include "base/InBand.h"
#include "frontend/Calc.h"
#include "frontend/Lexical.h"
#include "frontend/Values.h"
#include "layout/boxes/Boxes.h"
#include "layout/commands/CommandEffects.h"
#include "layout/commands/Commands.h"
#include "layout/fonts/Fonts.h"
#include "layout/pages/Columns.h"
#include "layout/scopes/StateStacks.h"
#include "seams/Seams.h"
#include "state/Reports.h"

namespace vel::lines {

namespace {

bool isBarrier(int k) { return TraitsOf(k).barrier; }
// A command word that takes no room in the line (a font change, \noindent).
bool takesNoRoom(const WordInfo& w) { return w.kind != cmd::Text && w.width == 0 && w.height == 0 && w.depth == 0; }
bool isStartMarker(const WordInfo& w) { return w.kind == cmd::UnderlineMark && w.subType != cmd::UnderlineEnd; }

uint16_t firstCode(std::string_view t) { return t.empty() ? 0 : charCodeAt(t, 0); }
uint16_t lastCode(std::string_view t) {
  if (t.empty()) return 0;
  size_t i = 0, last = 0;
  while (i < t.size()) {
    last = i;
    i += (isLead(t[i]) && i + 1 < t.size()) ? 2 : 1;
  }
  return charCodeAt(t, last);
}

}  // namespace

LineBreaker::LineBreaker(State& st, SourceCursor& cur, WordList& words, bool main,
                         std::vector<LineInfo>& lines, WordTexts& texts)
    : st_(st), cur_(&cur), words_(words), lines_(lines), texts_(texts), main_(main) {
  lineStart_ = static_cast<int>(words_.size());
  if (main_) {
    for (const std::string& l : cur.src)
      if (FindText(l, "headofnextcolumn") != npos) {
        keepsLineStarts_ = true;
        break;
      }
  }
  keepLineStart();
}

void LineBreaker::keepLineStart() {
  if (keepsLineStarts_) lineStartState_ = LineStart{st_.line, st_.para, st_.chr};
}

int LineBreaker::spacing(int kind, double width, int pos) {
  WordInfo w{};
  w.kind = kind;
  w.width = static_cast<int>(width);
  w.line = cur_->line;
  w.pos = pos;
  return addWord(w, std::string());
}

int LineBreaker::addWord(const WordInfo& w, std::string text) {
  SetWordInfo(words_, w.width, w.pos, w.line, w.valueA, w.valueB, w.subType, w.value, w.kind, w.depth, w.height);
  texts_.push_back(text);
  int index = static_cast<int>(words_.size()) - 1;
  int r = afterAppend(index);
  firstWordSeen_ = true;
  return r;
}

void LineBreaker::takeWord(const WordInfo& w) {
  LineState& L = st_.line;
  L.hpos += w.width;
  L.lineHeight = std::max(L.lineHeight, w.height);
  L.lineDepth = std::max(L.lineDepth, w.depth);
  if (w.width > 0) ++L.wordCount;
}

void LineBreaker::makeInert(int i) {
  WordInfo x = words_[static_cast<size_t>(i)];
  x.kind = cmd::Inert;
  x.width = x.height = x.depth = 0;
  words_.set(static_cast<size_t>(i), x);
  texts_.clearText(static_cast<size_t>(i));
}

int LineBreaker::afterAppend(int index) {
  WordInfo w = words_[static_cast<size_t>(index)];
  const int k = w.kind;
  if (IsUserLengthAssignment(k)) {
    int i = UserLengthOfKind(k);
    if (i < st_.val.userLengthList->Count()) st_.val.userLengthList.mut()[i].value = w.value;
    return 0;
  }
  if (IsRegisterAssignment(k)) {
    st_.val.registers[static_cast<size_t>(RegisterOfKind(k))] = fx::WordDouble(w);
    return 0;
  }
  if (IsLineCommand(k)) return lineEndCommand(index);
  // Spacing at a line start vanishes; so does a space where the text
  // broke by itself, or after a command that opened the line.
  if ((IsRemovableSpacing(k) || (isSpaceWord(index) && (brokeByWidth_ || index > lineStart_))) &&
      !lineHasWordsBefore(index)) {
    makeInert(index);
    return 0;
  }
  takeWord(w);
  if (st_.line.hpos > st_.line.lineWidth) return overflow(index);
  return 0;
}

// Words that end, open or shape lines.
int LineBreaker::lineEndCommand(int index) {
  LineState& L = st_.line;
  const WordInfo w = words_[static_cast<size_t>(index)];
  std::string text(texts_[static_cast<size_t>(index)]);
  switch (w.kind) {
    case cmd::LineEnd: {
      int skip;
      if (!text.empty()) {
        skip = ReformPara(st_, text);
        texts_.clearText(static_cast<size_t>(index));
      } else if (readdSkip_) {
        skip = *readdSkip_;
        readdSkip_.reset();
      } else if (!lineHasWordsBefore(index)) {
        skip = 0;
      } else {
        skip = w.subType == cmd::LineEndParagraph ? st_.para.parSkip : st_.para.lineSkip;
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
        int r = closeLine(index - 1, LineEnded, st_.para.parSkip);
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
      // The word carries the indent and label width its argument gave.
      ItemLevel& lv = L.items[static_cast<size_t>(L.itemLevel)];
      lv.leftEdge = prevRight + w.value;
      lv.rightEdge = w.valueA == kAutomaticLabelWidth ? kAutomaticLabelWidth : lv.leftEdge + w.valueA;
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
        int r = closeLine(index - 1, LineEnded, st_.para.parSkip);
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
        int r = closeLine(index - 1, LineEnded, st_.para.parSkip);
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
        int r = closeLine(index - 1, LineEnded, st_.para.parSkip);
        if (r != 0) return r;
      }
      int savedIndent = st_.para.parIndent;
      st_.para.parIndent = 0;
      L.linesInPara = 0;
      if (w.kind == cmd::DisplayMath2) L.pendingMathIndent = st_.para.mathIndent;
      ChangeIndent(st_);
      takeWord(w);
      LineKind kind = w.kind == cmd::CenterLine ? LineCentred : (w.kind == cmd::DisplayMath2 ? LineDisplay : LineDisplayCentred);
      int r = closeLine(index, kind, st_.para.parSkip);
      st_.para.parIndent = savedIndent;
      if (r != 0) return r;
      ChangeIndent(st_);
      return r;
    }
    case cmd::RightLine: {
      if (L.hpos + w.width > L.lineWidth && lineHasWordsBefore(index) && firstWordSeen_) {
        int r = closeLine(index - 1, LineEnded, st_.para.lineSkip);
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
int LineBreaker::closeUnderlinePart(int sm, int last) {
  int maxH = 0, maxD = 0;
  for (int i = sm + 1; i <= last; ++i) {
    maxH = std::max(maxH, words_[static_cast<size_t>(i)].height);
    maxD = std::max(maxD, words_[static_cast<size_t>(i)].depth);
  }
  WordInfo m = words_[static_cast<size_t>(sm)];
  // Measuring the span's rule also checks its style.
  const Result<Extent> span = UnderlineSpan(st_, std::string(texts_[static_cast<size_t>(sm)]), m.subType, Extent{0, maxH, maxD}, false, 0, 0);
  if (!span) return fail(-10, m.subType == cmd::UnderlineCapitalStart ? "Underline" : "underline", m.line);
  m.height = maxH;
  m.value = maxD;
  m.depth = span->depth;
  words_.set(static_cast<size_t>(sm), m);
  st_.line.lineHeight = std::max(st_.line.lineHeight, m.height);
  st_.line.lineDepth = std::max(st_.line.lineDepth, m.depth);
  return 0;
}

// The next visible character after a spacing word, looked up in the source.
bool LineBreaker::nextVisibleInXHead(const WordInfo& w) {
  int l = w.line;
  size_t p = static_cast<size_t>(std::max(w.pos, 1) - 1);
  const std::string saveName = st_.scan.commandName;
  const int saveSub = st_.cmd.subType;
  bool result = false;
  while (l < static_cast<int>(cur_->src.size())) {
    const std::string& s = cur_->src[static_cast<size_t>(l)];
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
      TextPos e = LongGetGroup(cur_->src, l, static_cast<int>(p) + 1, dummy);
      if (e.line < 0) break;
      l = e.line;
      p = static_cast<size_t>(e.col - 1);
      continue;
    }
    if (c == '\\') {
      TextPos a = LongGetCommandName(st_.scan, cur_->src, l, static_cast<int>(p) + 1);
      int num = GetCommandNum(st_);
      if (TraitsOf(num).endsLookAhead) break;
      l = a.line;
      p = static_cast<size_t>(a.col - 1);
      if (st_.scan.braceFollows) {
        std::string dummy;
        TextPos e = LongGetGroup(cur_->src, a.line, a.col, dummy);
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
int LineBreaker::overflow(int index) {
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
      int r = closeLine(last, LineJustified, st_.para.lineSkip);
      if (r != 0) return r;
      startLineFrom(static_cast<int>(words_.size()));
      brokeByWidth_ = true;
      return 0;
    }
    int breakAt = w;  // first word of the next line
    // Command words that take no room do not make a line non-empty.
    int visible = lineStart_;
    while (visible < w && takesNoRoom(words_[static_cast<size_t>(visible)])) ++visible;

    // Line-head rule: prohibited characters take the one before them along.
    bool pushOut = false;
    if (nw.kind == cmd::Text) pushOut = InCharSet(xHead, firstCode(texts_[static_cast<size_t>(w)]));
    else if (IsRemovableSpacing(nw.kind)) pushOut = nextVisibleInXHead(nw);
    // After a right-aligned text, which fills the line, a line-head
    // character hangs at the line's end rather than start the next one.
    int before = w - 1;
    while (before > lineStart_ && takesNoRoom(words_[static_cast<size_t>(before)])) --before;
    if (pushOut && before >= lineStart_ && words_[static_cast<size_t>(before)].kind == cmd::RightLine) {
      pushOut = false;
      breakAt = w + 1;
    }
    if (pushOut) {
      // The character takes the unit before it along: a text word, or a
      // box, formula or right-aligned text (a line never starts with a
      // line-head character); a line-head character taken along needs its
      // own predecessor too. Reaching the line's first visible word would
      // empty the line, so then the break stays where it was.
      int earliest = -1;
      bool anchored = false;
      for (int k = w - 1; k >= visible; --k) {
        const WordInfo& x = words_[static_cast<size_t>(k)];
        if ((x.kind != cmd::Text && !isBarrier(x.kind)) || takesNoRoom(x)) continue;
        earliest = k;
        if (x.kind == cmd::Text && InCharSet(xHead, firstCode(texts_[static_cast<size_t>(k)]))) continue;
        anchored = true;
        break;
      }
      if (anchored && earliest > visible) breakAt = earliest;
    }

    // Line-end rule: characters that may not end a line go down too.
    {
      // Spaces between are passed over: the line end removes them.
      int k = breakAt - 1, first = -1;
      while (k >= lineStart_) {
        const WordInfo& x = words_[static_cast<size_t>(k)];
        if (x.kind == cmd::Text && InCharSet(xTail, lastCode(texts_[static_cast<size_t>(k)]))) {
          first = k;
          --k;
          continue;
        }
        if (isSpaceWord(k) || takesNoRoom(x)) {
          --k;
          continue;
        }
        if (x.kind == cmd::Text || isBarrier(x.kind)) break;
        --k;
      }
      if (first > visible) breakAt = first;
    }
    // An underline start marker never ends a line.
    while (breakAt - 1 > visible && isStartMarker(words_[static_cast<size_t>(breakAt - 1)])) --breakAt;

    // The line keeps the words before breakAt; spacing and spaces at its
    // end vanish (over command words that take no room), and its width is
    // what its words occupy.
    for (int i = breakAt - 1; i >= lineStart_; --i) {
      WordInfo x = words_[static_cast<size_t>(i)];
      if (x.kind == cmd::Inert || (takesNoRoom(x) && !IsRemovableSpacing(x.kind))) continue;
      if (!IsRemovableSpacing(x.kind) && !isSpaceWord(i)) break;
      makeInert(i);
    }
    L.hpos = L.lineHeight = L.lineDepth = L.wordCount = 0;
    for (int i = lineStart_; i < breakAt; ++i) retakeWord(words_[static_cast<size_t>(i)]);
    int newStart = 0;
    int r = closeLine(breakAt - 1, LineJustified, st_.para.lineSkip, &newStart);
    if (r != 0) return r;
    startLineFrom(newStart);
    brokeByWidth_ = true;
    w = static_cast<int>(words_.size()) - 1;
  }
  return 0;
}

// The moved words start the next line.
void LineBreaker::startLineFrom(int first) {
  LineState& L = st_.line;
  lineStart_ = first;
  L.hpos = L.lineHeight = L.lineDepth = L.wordCount = 0;
  bool leading = true;
  for (int i = first; i < static_cast<int>(words_.size()); ++i) {
    WordInfo x = words_[static_cast<size_t>(i)];
    if (leading && (IsRemovableSpacing(x.kind) || isSpaceWord(i))) {
      makeInert(i);
      continue;
    }
    if (x.kind == cmd::Text || isBarrier(x.kind)) leading = false;
    retakeWord(x);
  }
  ChangeIndent(st_);
}

// A word already made, taken again into the line being rebuilt: placed
// words by their width, \rightline by moving the pen to the line's end as
// when it was made; other line commands take nothing.
void LineBreaker::retakeWord(const WordInfo& w) {
  if (w.kind == cmd::RightLine) {
    LineState& L = st_.line;
    L.hpos = L.lineWidth;
    L.lineHeight = std::max(L.lineHeight, w.height);
    L.lineDepth = std::max(L.lineDepth, w.depth);
    if (w.width > 0) ++L.wordCount;
  } else if (!IsLineCommand(w.kind) || w.kind == cmd::Item) {
    takeWord(w);
  }
}

// Closes the line ending at `last`; the next line starts after it.
int LineBreaker::closeLine(int last, LineKind kind, int skip, int* newStart) {
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
    texts_.insert(static_cast<size_t>(last) + 1, std::string_view());
    InsertWordInfo(words_, last + 2, reopen);
    texts_.insert(static_cast<size_t>(last) + 2, texts_[static_cast<size_t>(sm)]);
    L.underlineStartWord = last + 2;
    ++last;
  }
  const int first = lineStart_;
  const int r = SetLineLWHOHKCS(st_, last, L.hpos, main_, lines_, skip, L.wordCount, kind, L.lineHeight,
                                L.lineHeight + L.lineDepth);
  if (r == -2) return headNextColumn(first, skip);
  if (r < 1 && lines_.size() >= 2) DecreasePageInfoCounter(st_, first);
  if (main_) st_.col.footnotesOnLine = 0;
  lineStart_ = last + 1;
  if (newStart) *newStart = lineStart_;
  L.hpos = L.lineHeight = L.lineDepth = L.wordCount = 0;
  PublishLineState(st_);
  keepLineStart();
  return 0;
}

// The line from `first` does not fit in the column and texts wait for the
// next column's head: they are set first, as if they stood before the
// line in the source, and the line's words follow them. The words were
// made already and keep what their commands did (a footnote, a counter, a
// contents entry happen once); the line-shaping state goes back to the
// line's start so that their line commands apply once, after the queued
// text. The queued text is set in the character and paragraph settings of
// the line's start; the line's own settings come back after it.
int LineBreaker::headNextColumn(int first, int skip) {
  LineState& L = st_.line;
  std::string queued;
  for (const std::string& t : L.nextColumnHeadList) queued += t;
  const WordInfo at = words_[static_cast<size_t>(first)];
  const std::vector<WordInfo> dropped = words_.tail(static_cast<size_t>(first));
  const std::vector<WordTexts::Span> droppedTexts = texts_.cut(static_cast<size_t>(first));
  words_.resize(static_cast<size_t>(first));
  const CharStyle chrAfter = st_.chr;
  const ParaStyle paraAfter = st_.para;

  st_.line = lineStartState_.line;
  st_.line.nextColumnHeadList.clear();
  st_.line.underlineOpen = false;  // a span open across the break reopens with the dropped words
  st_.para = lineStartState_.para;
  ApplyCharStyle(st_, lineStartState_.chr);
  PublishLineState(st_);

  Lines text{queued};
  SourceCursor head{text, 0, 0, {}};
  SourceCursor* document = cur_;
  cur_ = &head;
  const int r = WordScanner(st_, head, *this).scanText();
  cur_ = document;
  if (r < 0) {
    cur_->failure = head.failure;
    cur_->failure.line = at.line;
    return r;
  }
  // The queued words stand where the dropped line began.
  for (size_t i = static_cast<size_t>(first); i < words_.size(); ++i) {
    WordInfo x = words_[i];
    x.line = at.line;
    x.pos = at.pos;
    words_.set(i, x);
  }

  ApplyCharStyle(st_, chrAfter);
  st_.para = paraAfter;
  for (size_t i = 0; i < dropped.size(); ++i) {
    if (i + 1 == dropped.size() && dropped[i].kind == cmd::LineEnd) readdSkip_ = skip;
    words_.push_back(dropped[i]);
    texts_.pushSpan(droppedTexts[i]);
    const int a = afterAppend(static_cast<int>(words_.size()) - 1);
    if (a < 0) return a;
  }
  readdSkip_.reset();
  return kRescan;
}

int LineBreaker::finish() {
  if (static_cast<int>(words_.size()) <= lineStart_) return 0;
  return closeLine(static_cast<int>(words_.size()) - 1, LineEnded, main_ ? kForcedBreak : st_.para.lineSkip);
}

}  // namespace vel::lines
