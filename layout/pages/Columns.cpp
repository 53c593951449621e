// The column builder: closing a column with its floats and footnotes,
// refilling the next one from the waiting queues, the page records and
// the counter correction of a page whose first line came before it.
#include <algorithm>
#include <array>
#include <climits>
#include <iterator>
#include <string>
#include <utility>

#include "layout/pages/Columns.h"
#include "layout/commands/Commands.h"
#include "layout/drawing/PageDisplay.h"
#include "layout/scopes/StateStacks.h"

namespace vel {

namespace {

// Room left for the boxes of a column and the tests that share it. A box
// is taken from the front of a waiting queue while its test holds, or
// unconditionally while nothing at all has been placed, so that a box
// taller than the column still gets a column of its own.
struct Refill {
  const State& st;
  long long room;  // column height minus the text already committed to it
  long long sep;   // topbottomboxsep
  long long bottom = 0;
  long long top = 0;

  long long gap(long long group) const { return group > 0 ? sep : 0; }

  template <class Test>
  int take(std::vector<int>& from, std::vector<int>& to, long long& grows, Test test) {
    int n = 0;
    while (!from.empty()) {
      const long long e = FloatExtent(st, from.front());
      if (bottom + top != 0 && !test(e)) break;
      to.push_back(from.front());
      from.erase(from.begin());
      grows += e;
      ++n;
    }
    return n;
  }
};

void ReserveStep(auto& list, size_t step) {
  if (list.size() == list.capacity()) list.reserve(list.size() + step);
}

// Steps 1-2: the record of the column being closed, appended.
void CloseColumn(State& st, int lastLine) {
  ColumnState& C = st.col;
  // The headings whose line this column holds are settled: their contents
  // entries get this column's page; the running heads are as the column's
  // last line leaves them, not as the text read ahead of it does.
  const int lastWord = lastLine >= 0 && static_cast<size_t>(lastLine) < st.lineList.size()
                           ? st.lineList[static_cast<size_t>(lastLine)].lastWord
                           : INT_MAX;
  const int page = C.columnsMade / std::max(1, st.geo.columnsPerPage) + st.geo.firstPageNum;
  size_t settled = 0;
  while (settled < C.headingsAhead.size() && C.headingsAhead[settled].word <= lastWord)
    SetContentsPage(st, C.headingsAhead[settled++].contentsLine, page);
  C.headingsAhead.erase(C.headingsAhead.begin(), C.headingsAhead.begin() + static_cast<std::ptrdiff_t>(settled));
  const CommandState& now = st.cmd;
  const HeadingTexts H = C.headingsAhead.empty()
                             ? HeadingTexts{now.chapterTitle, now.chapterNum,      now.sectionTitle,
                                            now.sectionNum,   now.subsectionTitle, now.subsectionNum}
                             : C.headingsAhead.front().before;
  ColumnInfo ci;
  ci.lastLine = lastLine;
  ci.chapterTitle = H.chapterTitle;
  ci.chapterNum = H.chapterNum;
  ci.sectionTitle = H.sectionTitle;
  ci.sectionNum = H.sectionNum;
  ci.subsectionTitle = H.subsectionTitle;
  ci.subsectionNum = H.subsectionNum;
  ci.topOfColumn = std::exchange(C.nowTopOfColumn, {});
  ci.bottomOfColumn = std::exchange(C.nowBottomOfColumn, {});
  ci.topOfPage = C.nowTopOfPage;
  ci.bottomOfPage = C.nowBottomOfPage;
  ci.footnoteCount = C.footnotesInColumn;
  if (ConsumeBackground(C.columnColor)) {
    ci.bgColor = C.columnColor.color;
    ci.hasBgColor = true;
  }
  if (ConsumeBackground(C.columnImage)) {
    ci.bgImage = C.columnImage.image;
    ci.hasBgImage = true;
  }
  ReserveStep(st.columnList, 100);
  st.columnList.push_back(std::move(ci));
  ++C.columnsMade;
  if (st.host) st.host->appendAtCaret("[" + std::to_string(C.columnsMade) + "]");
}

// Steps 3-4: the next column takes what waits, as far as it fits beside the
// text already committed to it (the line that opens it). Returns whether
// its boxes leave no room for that text.
bool RefillColumn(State& st) {
  ColumnState& C = st.col;
  Refill r{st, static_cast<long long>(st.geo.columnHeight) - C.textHeightMax, st.geo.topBottomBoxSep};

  // The boxes of a page stand in each of its columns: in a later column of
  // the page they are counted before anything is taken beside them (a box
  // waits for a column where it fits beside them, rather than overprint).
  const bool firstOfPage = FirstColumnOfPage(st);
  if (!firstOfPage) {
    r.top = C.topOfPageHeight;
    r.bottom = C.bottomOfPageHeight;
  }
  const long long pageBottom = r.bottom;

  // Footnotes pending for this column stand at the front of the queue.
  // Each gap is taken from its group as it stands when a box is tested, so
  // that a group that a later queue fills still counts its gap.
  const int taken = r.take(C.waitingBottomOfColumn, C.nowBottomOfColumn, r.bottom,
                           [&](long long e) { return r.top + r.gap(r.top) + r.bottom + e + r.sep <= r.room; });
  C.bottomOfColumnHeight = static_cast<int>(r.bottom - pageBottom);
  const int footnotes = std::min(taken, std::max(0, C.footnotesPending));
  C.footnotesInColumn = footnotes;
  C.footnotesPending = std::max(0, C.footnotesPending - footnotes);

  if (firstOfPage) {
    // The previous page's first column keeps its page boxes.
    C.nowTopOfPage.clear();
    C.nowBottomOfPage.clear();
    r.take(C.waitingTopOfPage, C.nowTopOfPage, r.top,
           [&](long long e) { return r.bottom + r.gap(r.bottom) + r.top + e + r.sep <= r.room; });
    C.topOfPageHeight = static_cast<int>(r.top);
    r.take(C.waitingBottomOfPage, C.nowBottomOfPage, r.bottom,
           [&](long long e) { return r.top + r.gap(r.top) + r.bottom + e + r.sep <= r.room; });
    C.bottomOfPageHeight = static_cast<int>(r.bottom - C.bottomOfColumnHeight);
  }
  r.take(C.waitingTopOfColumn, C.nowTopOfColumn, r.top,
         [&](long long e) { return r.bottom + r.gap(r.bottom) + r.top + e + r.sep <= r.room; });
  C.topOfColumnHeight = static_cast<int>(r.top - C.topOfPageHeight);

  const long long boxes = r.top + r.gap(r.top) + r.bottom + r.gap(r.bottom);
  // The line that opens the column needs its footnotes beside it: when none
  // of them found room, the line looks for a column where they do.
  const bool footnotesLeft = C.footnotesPending > 0 && footnotes == 0;
  return C.textHeightMax > 0 &&
         ((r.top + r.bottom > 0 && boxes + C.textHeightMax > st.geo.columnHeight) || footnotesLeft);
}

// The footnotes the column took for the line that opens it go back to the
// front of the waiting queue when other boxes leave the line no room: a
// footnote and its line share a column. Footnotes that fill the column by
// themselves stay (taller than a column with their line, they cannot).
void ReturnFootnotes(State& st) {
  ColumnState& C = st.col;
  const int n = std::clamp(C.footnotesInColumn, 0, static_cast<int>(C.nowBottomOfColumn.size()));
  if (n == 0) return;
  long long notes = 0;
  for (int i = 0; i < n; ++i) notes += FloatExtent(st, C.nowBottomOfColumn[static_cast<size_t>(i)]);
  const long long boxes = static_cast<long long>(C.topOfPageHeight) + C.topOfColumnHeight + C.bottomOfPageHeight +
                          C.bottomOfColumnHeight;
  if (boxes - notes <= 0) return;
  std::vector<int> back(C.nowBottomOfColumn.begin(), C.nowBottomOfColumn.begin() + n);
  C.nowBottomOfColumn.erase(C.nowBottomOfColumn.begin(), C.nowBottomOfColumn.begin() + n);
  for (int mini : back) C.bottomOfColumnHeight -= FloatExtent(st, mini);
  C.waitingBottomOfColumn.insert(C.waitingBottomOfColumn.begin(), back.begin(), back.end());
  C.footnotesPending += n;
  C.footnotesInColumn = 0;
}

}  // namespace

void SetColumnInfoList(State& st, int lastLine) {
  CloseColumn(st, lastLine);
  for (;;) {
    const bool noRoom = RefillColumn(st);
    // 5. A new sheet starts with its page record.
    if (st.col.columnsMade % std::max(1, st.geo.columnsPerSheet) == 0) SetPageInfoList(st, false);
    if (!noRoom) break;
    // A box too tall to share the column with the line that opens it (one
    // taken only because nothing else was placed) stands there alone; the
    // line opens the next column, and the line's footnotes go with it.
    // Each round takes a waiting box or moves on within a page whose boxes
    // fill its columns, so this ends.
    ReturnFootnotes(st);
    CloseColumn(st, lastLine);
  }
}

void SetPageInfoList(State& st, bool settleOnly) {
  ColumnState& C = st.col;

  // The page that is ending receives the backgrounds requested for it,
  // once: the end of the text and the next page record both settle it.
  if (!st.pageList.empty() && C.pagesSettled < static_cast<int>(st.pageList.size())) {
    PageInfo& last = st.pageList.back();
    if (ConsumeBackground(C.pageColor)) {
      last.bgColor = C.pageColor.color;
      last.hasBgColor = true;
    }
    if (ConsumeBackground(C.pageImage)) {
      last.bgImage = C.pageImage.image;
      last.hasBgImage = true;
    }
    C.pagesSettled = static_cast<int>(st.pageList.size());
  }
  if (settleOnly) return;

  PageInfo p = st.currentPageState;
  p.bgColor = kWhite;
  p.hasBgColor = false;
  p.bgImage.clear();
  p.hasBgImage = false;
  ReserveStep(st.pageList, 50);
  st.pageList.push_back(std::move(p));
}

namespace {

using Counters = std::array<int, 100>;

// The first word of page record p (one per sheet): the word after the last
// line of the column before the page's first column.
int FirstWordOfPage(const State& st, int p) {
  const size_t firstColumn = static_cast<size_t>(p) * static_cast<size_t>(std::max(1, st.geo.columnsPerSheet));
  if (firstColumn == 0) return 0;
  if (firstColumn > st.columnList.size()) return static_cast<int>(st.wordList.size());
  const int lastLine = st.columnList[firstColumn - 1].lastLine;
  if (lastLine < 0) return 0;
  if (lastLine >= static_cast<int>(st.lineList.size())) return static_cast<int>(st.wordList.size());
  return st.lineList[static_cast<size_t>(lastLine)].lastWord + 1;
}

// Replays words from `first` to the last word, counters starting at `start`.
Counters ReplayFrom(State& st, int first, const Counters& start) {
  st.val.counters = start;
  if (first < static_cast<int>(st.wordList.size())) PageDisplay(st, first, -1, 0, 0, 0);
  return st.val.counters;
}

// The page record (other than the newest) that starts last before word
// `end`; its stored counters are right: the first page starts from zero,
// and every later one that has words was corrected when its first line
// was made.
int AnchorPage(const State& st, int end) {
  for (int p = static_cast<int>(st.pageList.size()) - 2; p > 0; --p)
    if (FirstWordOfPage(st, p) < end) return p;
  return 0;
}

// The counters before word `end`: the anchor page's words replayed up to
// it, the words from `end` on set aside meanwhile.
Counters CountersBefore(State& st, int end, int anchorPage) {
  const int from = FirstWordOfPage(st, anchorPage);
  const std::vector<WordInfo> words = st.wordList.tail(static_cast<size_t>(end));
  const size_t textEnd = std::min(st.wordTextList.size(), static_cast<size_t>(end));
  const std::vector<WordTexts::Span> texts = st.wordTextList.cut(textEnd);
  st.wordList.resize(static_cast<size_t>(end));
  Counters before = ReplayFrom(st, from, st.pageList[static_cast<size_t>(anchorPage)].counters);
  for (const WordInfo& w : words) st.wordList.push_back(w);
  for (const WordTexts::Span& s : texts) st.wordTextList.pushSpan(s);
  return before;
}

// What a replay of laid-out words may change, put back afterwards: the
// layout already did all of it once. Footnotes met in replayed boxes are
// left out, or they would be placed a second time.
class ReplayGuard {
 public:
  explicit ReplayGuard(State& st)
      : st_(st),
        counters_(st.val.counters),
        registers_(st.val.registers),
        letters_(st.box.boxLetterIndex),
        boxes_(st.boxList.size()),
        miniPages_(st.miniPageList.size()),
        chr_(st.chr) {
    SaveMiniPageVariables(st_);
    ++st_.box.footnotesOff;
  }
  ~ReplayGuard() {
    --st_.box.footnotesOff;
    RestoreMiniPageVariables(st_);
    st_.val.counters = counters_;
    st_.val.registers = registers_;
    st_.box.boxLetterIndex = letters_;
    st_.boxList.resize(std::min(st_.boxList.size(), boxes_));
    st_.miniPageList.resize(std::min(st_.miniPageList.size(), miniPages_));
    st_.chr = chr_;
  }
  ReplayGuard(const ReplayGuard&) = delete;
  ReplayGuard& operator=(const ReplayGuard&) = delete;
  const Counters& saved() const { return counters_; }

 private:
  State& st_;
  Counters counters_;
  decltype(ValueStore::registers) registers_;
  std::array<int, 26> letters_;
  size_t boxes_, miniPages_;
  CharStyle chr_;
};

}  // namespace

void DecreasePageInfoCounter(State& st, int firstWord) {
  const int perSheet = std::max(1, st.geo.columnsPerSheet);
  if (st.col.columnsMade == 0 || st.col.columnsMade % perSheet != 0 || st.pageList.empty()) return;
  if (firstWord < 0) return;
  firstWord = std::min(firstWord, static_cast<int>(st.wordList.size()));

  // The page's first line was built before its record: the counters
  // already hold what that line (and anything scanned after it) did.
  // A counter that those words only step comes out of a replay from zero
  // as the steps alone, and the saved value less the steps is its value
  // before them. One that they set outright (\setcounter, item numbers)
  // ends the same from any start; its value before them comes from a
  // replay of the words that precede them, from the last page whose
  // counters are known.
  ReplayGuard guard(st);
  const Counters& saved = guard.saved();
  Counters ones;
  ones.fill(1);
  const Counters fromZero = ReplayFrom(st, firstWord, Counters{});
  const Counters fromOne = ReplayFrom(st, firstWord, ones);
  auto stepsOnly = [&](size_t i) { return static_cast<long long>(fromOne[i]) - 1 == fromZero[i]; };

  const int anchor = AnchorPage(st, firstWord);
  Counters before{};
  bool allSteps = true;
  for (size_t i = 0; i < saved.size(); ++i) allSteps = allSteps && stepsOnly(i);
  if (!allSteps) before = CountersBefore(st, firstWord, anchor);
  for (size_t i = 0; i < saved.size(); ++i)
    if (stepsOnly(i)) before[i] = static_cast<int>(static_cast<long long>(saved[i]) - fromZero[i]);

  // Every record made since the anchor page holds no words before the
  // line (those of columns that only hold floats share the value).
  for (size_t p = static_cast<size_t>(anchor) + 1; p < st.pageList.size(); ++p) st.pageList[p].counters = before;
}

}  // namespace vel
