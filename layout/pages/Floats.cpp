// PlaceFloat: a float or footnote is placed in the column being filled
// when its command is met, or waits for a later column.
#include <algorithm>

#include "layout/pages/Columns.h"

namespace vel {

namespace {

// A footnote that does not fit sends its line to the next column: the
// line's earlier footnotes leave the column with it, and all of them wait,
// in the order met, behind the footnotes already pending.
void DeferFootnote(State& st, int miniPage) {
  ColumnState& C = st.col;
  C.textHeightMax = kForcedBreak;
  const int inColumn = std::clamp(C.footnotesInColumn, 0, static_cast<int>(C.nowBottomOfColumn.size()));
  const int onLine = std::clamp(C.footnotesOnLine, 0, inColumn);
  const auto first = C.nowBottomOfColumn.begin() + (inColumn - onLine);
  std::vector<int> moved(first, first + onLine);
  C.nowBottomOfColumn.erase(first, first + onLine);
  for (int m : moved) C.bottomOfColumnHeight -= FloatExtent(st, m);
  moved.push_back(miniPage);

  auto& waiting = C.waitingBottomOfColumn;
  const int at = std::clamp(C.footnotesPending, 0, static_cast<int>(waiting.size()));
  waiting.insert(waiting.begin() + at, moved.begin(), moved.end());
  C.footnotesPending = at + static_cast<int>(moved.size());
  C.footnotesInColumn = inColumn - onLine;
  // They are no longer in this column: the line builder has none to move back.
  C.footnotesOnLine = 0;
}

}  // namespace

int FloatExtent(const State& st, int miniPage) {
  if (miniPage < 0 || miniPage >= static_cast<int>(st.miniPageList.size())) return 0;
  const MiniPage& m = st.miniPageList[static_cast<size_t>(miniPage)];
  // A float never gives room back; an absurd size is capped, not wrapped.
  return static_cast<int>(std::clamp(static_cast<long long>(m.height) + m.depth, 0LL, 1000000000LL));
}

bool FirstColumnOfPage(const State& st) {
  return st.col.columnsMade % std::max(1, st.geo.columnsPerPage) == 0;
}

int PlaceFloat(State& st, int miniPage, int subType, bool mainText) {
  if (subType < cmd::TopOfColumn || subType > cmd::Footnote) return -2;
  if (subType != cmd::Footnote && !mainText) return -2;
  // A footnote left out where it was met (inside a stored box) has no
  // block yet: it is placed where the box is used.
  if (miniPage < 0) return 0;
  // Only a mini page that exists may enter a queue: the renderer draws
  // every index it finds there.
  if (miniPage >= static_cast<int>(st.miniPageList.size())) return -10;

  ColumnState& C = st.col;
  const long long e = FloatExtent(st, miniPage);
  const long long g = st.geo.topBottomBoxSep;
  const long long top = static_cast<long long>(C.topOfColumnHeight) + C.topOfPageHeight;
  const long long bottom = static_cast<long long>(C.bottomOfColumnHeight) + C.bottomOfPageHeight;
  const long long topGap = top >= 1 ? g : 0;
  const long long bottomGap = bottom >= 1 ? g : 0;
  const bool topGroup = subType == cmd::TopOfColumn || subType == cmd::TopOfPage;
  const long long needed = top + bottom + (topGroup ? bottomGap : topGap) + C.textHeightMax + e + g;
  const bool fits = st.geo.columnHeight >= needed;
  const int extent = static_cast<int>(e);

  switch (subType) {
    case cmd::TopOfColumn:
      if (fits) {
        C.topOfColumnHeight += extent;
        C.nowTopOfColumn.push_back(miniPage);
      } else {
        C.waitingTopOfColumn.push_back(miniPage);
      }
      break;
    case cmd::TopOfPage:
      if (fits && FirstColumnOfPage(st)) {
        C.topOfPageHeight += extent;
        C.nowTopOfPage.push_back(miniPage);
      } else {
        C.waitingTopOfPage.push_back(miniPage);
      }
      break;
    case cmd::BottomOfColumn:
      if (fits) {
        C.bottomOfColumnHeight += extent;
        C.nowBottomOfColumn.push_back(miniPage);
      } else {
        C.waitingBottomOfColumn.push_back(miniPage);
      }
      break;
    case cmd::BottomOfPage:
      if (fits && FirstColumnOfPage(st)) {
        C.bottomOfPageHeight += extent;
        C.nowBottomOfPage.push_back(miniPage);
      } else {
        C.waitingBottomOfPage.push_back(miniPage);
      }
      break;
    case cmd::Footnote:
      if (fits && C.footnotesPending == 0) {
        C.bottomOfColumnHeight += extent;
        const int at = std::clamp(C.footnotesInColumn, 0, static_cast<int>(C.nowBottomOfColumn.size()));
        C.nowBottomOfColumn.insert(C.nowBottomOfColumn.begin() + at, miniPage);
        C.footnotesInColumn = at + 1;
        ++C.footnotesOnLine;
      } else {
        DeferFootnote(st, miniPage);
      }
      break;
    default:
      break;
  }
  return 0;
}

}  // namespace vel
