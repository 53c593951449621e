// MakeDocumentOutline: the headings, sheet numbers and contents entries of
// a kept run, placed the way PageDisplay places lines, without drawing.
#include "driver/DocumentOutline.h"

#include <algorithm>
#include <array>

#include "base/Cp932.h"
#include "base/InBand.h"
#include "frontend/Lexical.h"
#include "layout/drawing/SheetDrawing.h"

namespace vel {

namespace {

constexpr std::array<std::string_view, 3> kHeadingNames = {"chapter", "section", "subsection"};

// Where each line of the main text is drawn: its column and its top.
struct LinePlace {
  int column = -1;
  int top = 0;
};

// As drawing a column places them: from below the floats at its top, line
// after line.
std::vector<LinePlace> PlaceLines(const State& st) {
  std::vector<LinePlace> places(st.lineList.size());
  const int columns = std::min<int>(st.col.columnsMade, static_cast<int>(st.columnList.size()));
  int firstLine = 0;
  for (int c = 0; c < columns; ++c) {
    const ColumnInfo& col = st.columnList[size_t(c)];
    int y = ColumnFirstLineTop(st, c);
    const int last = std::min<int>(col.lastLine, static_cast<int>(st.lineList.size()) - 1);
    for (int i = firstLine; i <= last; ++i) {
      places[size_t(i)] = {c, y};
      y += st.lineList[size_t(i)].height + st.lineList[size_t(i)].skip;
    }
    firstLine = std::max(firstLine, last + 1);
  }
  return places;
}

// The line holding word `w` (the first whose last word is at or after it).
int LineOfWord(const State& st, int w) {
  const auto it = std::lower_bound(st.lineList.begin(), st.lineList.end(), w,
                                   [](const LineInfo& l, int word) { return l.lastWord < word; });
  return it == st.lineList.end() ? -1 : static_cast<int>(it - st.lineList.begin());
}

int SheetOfColumn(const State& st, int column) { return column / std::clamp(st.geo.columnsPerSheet, 1, 4) + 1; }

// The argument of the heading command whose backslash is at (line, pos),
// read back from the processed text the words were made from; empty when
// the text there is not that command.
std::string HeadingArgument(const State& st, const WordInfo& w) {
  if (w.line < 0 || w.line >= static_cast<int>(st.sourceLines.size()) || w.subType < 0 || w.subType > 2) return {};
  const std::string& s = st.sourceLines[size_t(w.line)];
  const size_t at = static_cast<size_t>(std::max(0, w.pos - 1));
  const std::string_view name = kHeadingNames[size_t(w.subType)];
  if (at >= s.size() || s[at] != '\\' || s.compare(at + 1, name.size(), name) != 0) return {};
  const size_t brace = at + 1 + name.size();
  if (brace >= s.size() || s[brace] != '{') return {};
  std::string arg;
  if (LongGetGroup(st.sourceLines, w.line, static_cast<int>(brace) + 1, arg).line < 0) return {};
  return arg;
}

// The plain text of a piece of markup: commands and their brace arguments
// are left out, \group's content stays, in-band bytes become what they
// show, runs of spaces become one.
std::string PlainText(std::string_view s) {
  std::string out;
  int groupMarks = 0;  // open \group markers whose closing byte is not shown
  auto put = [&](char c) {
    if (c == ' ' && (out.empty() || out.back() == ' ')) return;
    out += c;
  };
  for (size_t i = 0; i < s.size();) {
    const char c = s[i];
    if (isLead(c) && i + 1 < s.size()) {
      out.append(s.substr(i, 2));
      i += 2;
      continue;
    }
    if (c == '\\' && i + 1 < s.size()) {
      const char next = s[i + 1];
      if (inband::IsEncodedLengthSign(next)) {
        i += inband::kEncodedLengthSize;
        continue;
      }
      size_t j = i + 1;
      while (j < s.size() && ((s[j] >= 'a' && s[j] <= 'z') || (s[j] >= 'A' && s[j] <= 'Z'))) ++j;
      if (j == i + 1) {
        // "\" and one other byte: an escaped character stands for itself.
        if (static_cast<unsigned char>(next) >= 0x20) put(next);
        i += 2;
        continue;
      }
      i = j;
      if (i < s.size() && s[i] == inband::kOpenBrace) {
        ++groupMarks;
        ++i;
      } else if (i < s.size() && s[i] == '{') {
        const size_t close = GetGroup(s, i);
        i = close == npos ? s.size() : close + 1;
      }
      continue;
    }
    if (c == inband::kCloseBrace && groupMarks > 0) {
      --groupMarks;
    } else if (c == '{' || c == '}') {
      // braces of plain grouping show nothing
    } else if (static_cast<unsigned char>(c) >= 0x20 || c == inband::kOpenBrace || c == inband::kCloseBrace) {
      put(inband::Shown(c));
    }
    ++i;
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

}  // namespace

std::string PlainHeadingText(const std::string& arg) {
  const size_t amp = arg.find('&');
  if (amp == std::string::npos) return PlainText(arg);
  const std::string number = PlainText(std::string_view(arg).substr(0, amp));
  const std::string title = PlainText(std::string_view(arg).substr(amp + 1));
  if (number.empty()) return title;
  if (title.empty()) return number;
  return number + " " + title;
}

DocumentOutline MakeDocumentOutline(const State& st) {
  DocumentOutline out;
  const int perSheet = std::clamp(st.geo.columnsPerSheet, 1, 4);
  const int perPage = std::max(1, st.geo.columnsPerPage);

  // 1. The number printed on each sheet: that of its first page.
  for (int s = 0; s < st.col.sheets; ++s) {
    bool front = false;
    int number = 0;
    (void)PageNumberText(st, s * perSheet / perPage, front, number);
    SheetNumber n;
    if (number > 0) n = {front ? SheetNumber::Style::Roman : SheetNumber::Style::Arabic, number};
    out.sheets.push_back(n);
  }

  // 2. The headings of the main text, at the top of the line holding them.
  const std::vector<LinePlace> places = PlaceLines(st);
  for (size_t w = 0; w < st.wordList.size(); ++w) {
    const WordInfo& word = st.wordList[w];
    if (word.kind != cmd::Heading || word.subType < 0 || word.subType > 2) continue;
    const int line = LineOfWord(st, static_cast<int>(w));
    if (line < 0 || places[size_t(line)].column < 0) continue;
    const LinePlace& p = places[size_t(line)];
    OutlineHeading h;
    h.level = word.subType;
    h.title = PlainHeadingText(HeadingArgument(st, word));
    h.sheet = SheetOfColumn(st, p.column);
    h.x = ColumnLeft(st, p.column);
    h.y = p.top;
    out.headings.push_back(std::move(h));
  }

  // 3. The contents entries: the item words of the lines the contents pass
  // wrote, one per heading of the first pass, in the same order. When the
  // count differs (a heading inside a box has an entry but no place) no
  // entry is linked rather than a wrong one.
  std::vector<int> entries;  // the processed line of each entry
  for (const WordInfo& word : st.wordList) {
    if (word.kind != cmd::Item) continue;
    const LineOrigin* o = st.origins.of(word.line);
    if (o && o->generated && (entries.empty() || entries.back() != word.line)) entries.push_back(word.line);
  }
  if (entries.size() != out.headings.size()) return out;
  size_t entry = 0;
  int open = -1;  // the link the previous line extended, if it holds an entry
  int openColumn = -1;
  for (size_t l = 0, firstWord = 0; l < st.lineList.size(); firstWord = size_t(st.lineList[l].lastWord) + 1, ++l) {
    const LineInfo& li = st.lineList[l];
    // The entry whose words this line holds, if any.
    int holds = -1;
    for (size_t w = firstWord; w <= size_t(li.lastWord) && w < st.wordList.size() && holds < 0; ++w) {
      const int srcLine = st.wordList[w].line;
      for (size_t e = entry; e < entries.size() && e <= entry + 1; ++e)
        if (entries[e] == srcLine) holds = static_cast<int>(e);
    }
    const LinePlace& p = places[l];
    if (holds < 0 || p.column < 0) {
      open = -1;
      continue;
    }
    entry = size_t(holds);
    // From the column's edge, so that the item label hanging in the indent
    // is inside, to the end of the line (the page number).
    const int left = ColumnLeft(st, p.column);
    const int right = left + li.offset + li.lineWidth;
    const int bottom = p.top + li.height;
    if (open >= 0 && out.links[size_t(open)].heading == holds && openColumn == p.column) {
      ContentsLink& k = out.links[size_t(open)];
      k.left = std::min(k.left, left);
      k.right = std::max(k.right, right);
      k.bottom = bottom;
      continue;
    }
    out.links.push_back({SheetOfColumn(st, p.column), left, p.top, right, bottom, holds});
    open = static_cast<int>(out.links.size()) - 1;
    openColumn = p.column;
  }
  return out;
}

}  // namespace vel
