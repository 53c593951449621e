// Line completion, indentation and the paragraph length reader.
#include <algorithm>

#include "base/InBand.h"
#include "base/Cp932.h"
#include "frontend/Calc.h"
#include "frontend/Values.h"
#include "layout/lines/WordLine.h"
#include "layout/pages/Columns.h"
#include "layout/scopes/StateStacks.h"
#include "frontend/Lexical.h"

namespace vel {

namespace {

std::vector<uint16_t> codesOf(std::string_view s) {
  std::vector<uint16_t> out;
  for (size_t i = 0; i < s.size();) {
    size_t len;
    out.push_back(charCodeAt(s, i, &len));
    i += len;
  }
  std::sort(out.begin(), out.end());
  return out;
}

// The width of the item edge subtracted from lines of an item list.
int itemEdge(const State& st, bool labelLine) {
  if (!st.line.itemMode || st.line.itemLevel <= 0) return 0;
  const ItemLevel& lv = st.line.items[static_cast<size_t>(std::min(st.line.itemLevel, 9))];
  if (labelLine || lv.rightEdge == kAutomaticLabelWidth) return lv.leftEdge;
  return lv.rightEdge;
}

int effectiveParIndent(const State& st) { return st.line.noIndent ? 0 : st.para.parIndent; }

// Splits a length list at commas, treating encoded lengths and double-byte
// characters as units (their bytes may look like anything).
std::vector<std::pair<size_t, size_t>> lengthPieces(const std::string& text) {
  std::vector<std::pair<size_t, size_t>> out;
  size_t start = 0;
  for (size_t i = 0; i < text.size();) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '\\' && i + 1 < text.size() && inband::IsEncodedLengthSign(text[i + 1])) {
      i = std::min(text.size(), i + kEncodedLengthSize);
      continue;
    }
    if (isLead(c)) {
      i += 2;
      continue;
    }
    if (c == ',') {
      out.emplace_back(start, i);
      start = i + 1;
    }
    ++i;
  }
  out.emplace_back(start, text.size());
  return out;
}

}  // namespace

bool InPunctuationSet(uint16_t code) {
  static const std::vector<uint16_t> set = codesOf(SJ("、。，．・？！゛゜’”）］〕｝」』〉》】（［｛「『‘“〔〈《【"));
  return std::binary_search(set.begin(), set.end(), code);
}

bool InCharSet(std::string_view set, uint16_t code) {
  for (size_t i = 0; i < set.size();) {
    size_t len;
    if (charCodeAt(set, i, &len) == code) return true;
    i += len;
  }
  return false;
}

void SetWordInfo(WordList& words, int width, int pos, int line, int valueA, int valueB, int subType,
                 int value, int kind, int depth, int height) {
  words.push_back(WordInfo{width, height, depth, kind, subType, value, valueA, valueB, line, pos});
}

void InsertWordInfo(WordList& words, int index, const WordInfo& w) {
  words.insert(static_cast<size_t>(index), w);
}

Justification JustificationOf(const LineInfo& line) {
  Justification j;
  if (line.kind != LineJustified) return j;
  j.n = line.count - 1;
  if (j.n <= 0) {
    j.n = 0;
    return j;
  }
  const long gap = static_cast<long>(line.lineWidth) - line.width;
  long q = gap / j.n;
  if (gap % j.n != 0 && gap < 0) --q;  // floor, also for lines wider than their width
  j.q = static_cast<int>(q);
  j.r = static_cast<int>(gap - q * j.n);
  return j;
}

void PublishLineState(State& st) {
  SetLengthList(st, "hpos", st.line.hpos);
  SetLengthList(st, "linewidth", st.line.lineWidth);
}

int ReformPara(State& st, std::string& text) {
  int value = 0;
  auto pieces = lengthPieces(text);
  // Replace from the last piece backwards so earlier offsets stay valid.
  std::vector<int> values(pieces.size());
  for (size_t k = 0; k < pieces.size(); ++k) {
    auto [a, b] = pieces[k];
    values[k] = UnitToPix(st, std::string_view(text).substr(a, b - a));
    pieces[k].first = a;
    if (st.val.lengthVarUsed) pieces[k].second = b | (size_t(1) << 62);  // mark for freezing
  }
  for (size_t k = pieces.size(); k-- > 0;) {
    size_t a = pieces[k].first, b = pieces[k].second;
    if (!(b & (size_t(1) << 62))) continue;
    b &= ~(size_t(1) << 62);
    std::string enc = EncodeLength(values[k]);
    if (b - a > enc.size()) enc.append(b - a - enc.size(), 'A');
    text.replace(a, b - a, enc);
  }
  if (!values.empty()) value = values.back();
  return text.empty() ? 0 : value;
}

void RecomputeLineWidth(State& st) {
  LineState& L = st.line;
  int idx = std::min(L.linesInPara, 9);
  int lw = st.geo.columnWidth - st.para.leftIndent[static_cast<size_t>(idx)] - st.para.rightIndent[static_cast<size_t>(idx)] -
           itemEdge(st, L.itemLabelLine);
  if (L.linesInPara == 0 && !L.itemLabelLine) lw -= effectiveParIndent(st);
  L.lineWidth = lw;
  SetLengthList(st, "linewidth", lw);
}

void ChangeIndent(State& st) {
  LineState& L = st.line;
  if (L.linesInPara == 0) {
    if (L.leftIndentPending) {
      st.para.leftIndent = L.pendingLeftIndent;
      L.leftIndentPending = false;
    }
    if (L.rightIndentPending) {
      st.para.rightIndent = L.pendingRightIndent;
      L.rightIndentPending = false;
    }
  }
  const size_t idx = static_cast<size_t>(std::min(L.linesInPara, 9));
  const int cw = st.geo.columnWidth;
  int lw = cw - st.para.leftIndent[idx] - st.para.rightIndent[idx] - itemEdge(st, L.itemLabelLine);
  int left = cw - lw - st.para.rightIndent[idx];
  if (L.linesInPara == 0 && !L.itemLabelLine) lw -= effectiveParIndent(st);
  if (L.itemMode) left = cw - lw - st.para.rightIndent[idx];
  if (L.leftIndentRemainder > 0) lw -= L.leftIndentForWidth;
  if (L.rightIndentRemainder > 0) lw -= L.rightIndentForWidth;
  L.lineWidth = lw;
  SetLengthList(st, "rightindent", st.para.rightIndent[idx]);
  SetLengthList(st, "leftindent", left);
  SetLengthList(st, "linewidth", lw);
}

namespace {

// Up to ten lengths, the last one repeated; evaluated piece by piece so
// each can be frozen in the word text.
std::array<int, 10> indentList(State& st, std::string& arg) {
  std::array<int, 10> v{};
  if (Trim(arg).empty()) return v;
  auto pieces = lengthPieces(arg);
  std::string rebuilt;
  int last = 0;
  for (size_t k = 0; k < pieces.size(); ++k) {
    std::string piece = arg.substr(pieces[k].first, pieces[k].second - pieces[k].first);
    int val = ReformPara(st, piece);
    if (k < 10) v[k] = val;
    last = val;
    if (k) rebuilt += ',';
    rebuilt += piece;
  }
  for (size_t k = pieces.size(); k < 10; ++k) v[k] = last;
  arg = rebuilt;
  return v;
}

void setIndent(State& st, std::string& arg, bool left) {
  std::array<int, 10> v = indentList(st, arg);
  LineState& L = st.line;
  if (L.linesInPara > 0) {
    (left ? L.pendingLeftIndent : L.pendingRightIndent) = v;
    (left ? L.leftIndentPending : L.rightIndentPending) = true;
    return;
  }
  (left ? st.para.leftIndent : st.para.rightIndent) = v;
  ChangeIndent(st);
}

void setIndentFor(State& st, std::string& arg, bool left) {
  auto pieces = lengthPieces(arg);
  if (pieces.size() < 2) return;
  std::string h = arg.substr(pieces[0].first, pieces[0].second - pieces[0].first);
  std::string w = arg.substr(pieces[1].first, pieces[1].second - pieces[1].first);
  int hv = ReformPara(st, h);
  int wv = ReformPara(st, w);
  arg = h + "," + w;
  LineState& L = st.line;
  if (left) {
    L.leftIndentRemainder = hv;
    L.leftIndentForWidth = wv;
    SetLengthList(st, "leftindentremainder", hv);
  } else {
    L.rightIndentRemainder = hv;
    L.rightIndentForWidth = wv;
    SetLengthList(st, "rightindentremainder", hv);
  }
  ChangeIndent(st);
}

}  // namespace

void SetLeftIndent(State& st, std::string& arg) { setIndent(st, arg, true); }
void SetRightIndent(State& st, std::string& arg) { setIndent(st, arg, false); }
void SetLeftIndentFor(State& st, std::string& arg) { setIndentFor(st, arg, true); }
void SetRightIndentFor(State& st, std::string& arg) { setIndentFor(st, arg, false); }

int SetLineLWHOHKCS(State& st, int lastWord, int width, bool mainText, std::vector<LineInfo>& lines, int skip,
                    int count, int kind, int ascent, int height) {
  LineState& L = st.line;
  ColumnState& C = st.col;
  int result = 1;

  // Column test first: a line that does not fit opens the next column.
  if (mainText) {
    for (;;) {
      int newHeight = C.textHeight + C.prevLineSkip + height;
      int topGroup = C.topOfPageHeight + C.topOfColumnHeight;
      int bottomGroup = C.bottomOfPageHeight + C.bottomOfColumnHeight;
      int space = st.geo.columnHeight - topGroup - (topGroup ? st.geo.topBottomBoxSep : 0) - bottomGroup -
                  (bottomGroup ? st.geo.topBottomBoxSep : 0);
      bool breakColumn = C.footnotesPending > 0 || (height > 0 && newHeight > space && !lines.empty());
      if (breakColumn && C.textHeight == 0 && C.footnotesPending == 0) breakColumn = false;  // alone in its column
      if (!breakColumn) {
        C.textHeight = newHeight;
        C.textHeightMax = std::max(C.textHeightMax, C.textHeight);
        break;
      }
      if (L.leftIndentRemainder > 0 || L.rightIndentRemainder > 0) {
        // The indent-for does not continue into the next column.
        L.leftIndentRemainder = L.rightIndentRemainder = 0;
        SetLengthList(st, "leftindentremainder", 0);
        SetLengthList(st, "rightindentremainder", 0);
        continue;
      }
      if (!L.nextColumnHeadList.empty()) return -2;
      // The line's own footnotes go back to the front of the waiting queue.
      if (C.footnotesOnLine > 0) {
        auto& now = C.nowBottomOfColumn;
        int n = std::min<int>(C.footnotesOnLine, static_cast<int>(now.size()));
        int from = std::max(0, C.footnotesInColumn - n);
        std::vector<int> moved(now.begin() + from, now.begin() + from + n);
        now.erase(now.begin() + from, now.begin() + from + n);
        C.waitingBottomOfColumn.insert(C.waitingBottomOfColumn.begin(), moved.begin(), moved.end());
        C.footnotesInColumn -= n;
        C.footnotesPending += n;  // the next column counts them as its footnotes
      }
      C.textHeight = C.textHeightMax = height;
      SetColumnInfoList(st, static_cast<int>(lines.size()) - 1);
      if (kind == LineNewPage || kind == LineNewPaper) {
        int per = std::max(1, kind == LineNewPage ? st.geo.columnsPerPage : st.geo.columnsPerSheet);
        while (C.columnsMade % per != 0) {
          C.textHeight = C.textHeightMax = 0;
          SetColumnInfoList(st, static_cast<int>(lines.size()) - 1);
        }
        C.textHeight = C.textHeightMax = height;
      }
      result = 0;
      break;
    }
    C.prevLineSkip = skip;
  } else {
    L.boxHeight += L.boxPrevSkip + height;
    L.boxPrevSkip = skip;
  }

  // Offset of the line.
  const size_t idx = static_cast<size_t>(std::min(L.linesInPara, 9));
  const int pi = effectiveParIndent(st);
  int offset;
  if (!L.itemMode) {
    offset = st.para.leftIndent[idx] + (idx == 0 ? pi : 0);
  } else if (L.itemLabelLine) {
    offset = st.para.leftIndent[0] + L.items[static_cast<size_t>(std::min(L.itemLevel, 9))].leftEdge;
  } else {
    offset = st.para.leftIndent[idx] + itemEdge(st, false) + (idx == 0 ? pi : 0);
  }
  offset += L.pendingMathIndent;
  L.pendingMathIndent = 0;

  // Indent-for: the lines beside a figure.
  if (L.leftIndentRemainder > 0) {
    offset += L.leftIndentForWidth;
    L.leftIndentRemainder -= height + skip;
  }
  if (L.rightIndentRemainder > 0) L.rightIndentRemainder -= height + skip;
  SetLengthList(st, "leftindentremainder", std::max(0, L.leftIndentRemainder));
  SetLengthList(st, "rightindentremainder", std::max(0, L.rightIndentRemainder));

  lines.push_back(LineInfo{lastWord, height, width, ascent, kind, count, skip, offset, L.lineWidth});

  // The width for the next line.
  ++L.linesInPara;
  const size_t next = static_cast<size_t>(std::min(L.linesInPara, 9));
  L.lineWidth = st.geo.columnWidth - st.para.leftIndent[next] - st.para.rightIndent[next] - itemEdge(st, false);

  if (mainText) {
    st.currentPageState = MakePageSnapshot(st);
    int top = C.topOfPageHeight + C.topOfColumnHeight;
    int bottom = C.bottomOfPageHeight + C.bottomOfColumnHeight;
    int topBox = top + (top ? st.geo.topBottomBoxSep : 0);
    SetLengthList(st, "topboxheight", topBox);
    SetLengthList(st, "bottomboxheight", bottom + (bottom ? st.geo.topBottomBoxSep : 0));
    SetLengthList(st, "vpos", topBox + C.textHeight + skip);
  } else {
    SetLengthList(st, "vpos", L.boxHeight + skip);
    SetLengthList(st, "topboxheight", 0);
    SetLengthList(st, "bottomboxheight", 0);
  }
  L.itemLabelLine = false;
  L.noIndent = false;
  SetLengthList(st, "linewidth", L.lineWidth);
  return result;
}

}  // namespace vel
