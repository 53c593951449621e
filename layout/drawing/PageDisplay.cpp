// PageDisplay: drawing a sheet, drawing or replaying a mini page, and
// replaying words without drawing so that counters can be recomputed.
// Drawing never changes the layout: it walks the lists of the run and
// re-executes the words' commands, starting from the page's snapshot.
#include "layout/drawing/PageDisplay.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <optional>

#include "base/Units.h"
#include "base/InBand.h"
#include "base/Cp932.h"
#include "frontend/Preamble.h"
#include "frontend/Values.h"
#include "layout/boxes/Boxes.h"
#include "layout/commands/Commands.h"
#include "layout/fonts/Fonts.h"
#include "layout/drawing/SheetDrawing.h"
#include "layout/drawing/WordWalker.h"
#include "layout/lines/WordLine.h"
#include "layout/scopes/StateStacks.h"
#include "seams/Seams.h"

namespace vel {

namespace {

using drawing::Walker;
using drawing::WordSource;

// Mini pages hold mini pages; a chain deeper than this is refused rather
// than followed (a damaged reference could otherwise loop).
constexpr size_t kMaxMiniPageDepth = 64;

// ---------------------------------------------------------------- sheets

// Everything drawing changes, put back when the sheet is done, so that a
// sheet draws the same whatever was drawn before it.
class DrawScope {
 public:
  explicit DrawScope(State& st)
      : st_(st),
        val_(st.val),
        chr_(st.chr),
        para_(st.para),
        font_(st.font),
        cmd_(st.cmd),
        line_(st.line),
        math_(st.math),
        box_(st.box),
        draw_(st.draw),
        columnWidth_(st.geo.columnWidth),
        groups_(st.groupVariablesList),
        boxes_(st.boxVariablesList),
        minis_(st.miniPageVariablesList),
        boxListSize_(st.boxList.size()),
        miniPageListSize_(st.miniPageList.size()) {}

  ~DrawScope() {
    st_.val = std::move(val_);
    st_.chr = std::move(chr_);
    st_.para = para_;
    st_.font = std::move(font_);
    st_.cmd = std::move(cmd_);
    st_.line = std::move(line_);
    st_.math = math_;
    st_.box = box_;
    // The surface and scale stay as the caller set them.
    DrawState d = draw_;
    d.scale = st_.draw.scale;
    d.zoom = st_.draw.zoom;
    d.deviceDpi = st_.draw.deviceDpi;
    d.penBias = st_.draw.penBias;
    d.printing = st_.draw.printing;
    d.currentSheet = st_.draw.currentSheet;
    st_.draw = d;
    st_.geo.columnWidth = columnWidth_;
    st_.groupVariablesList = std::move(groups_);
    st_.boxVariablesList = std::move(boxes_);
    st_.miniPageVariablesList = std::move(minis_);
    // Blocks measured anew while drawing are not part of the layout.
    if (st_.boxList.size() > boxListSize_) st_.boxList.resize(boxListSize_);
    if (st_.miniPageList.size() > miniPageListSize_) st_.miniPageList.resize(miniPageListSize_);
  }

 private:
  State& st_;
  ValueStore val_;
  CharStyle chr_;
  ParaStyle para_;
  FontState font_;
  CommandState cmd_;
  LineState line_;
  MathState math_;
  BoxState box_;
  DrawState draw_;
  int columnWidth_;
  std::vector<GroupVariables> groups_;
  std::vector<BoxVariables> boxes_;
  std::vector<MiniPageVariables> minis_;
  size_t boxListSize_, miniPageListSize_;
};

int columnsPerSheet(const State& st) { return std::clamp(st.geo.columnsPerSheet, 1, 4); }
int columnsPerPage(const State& st) { return std::max(1, st.geo.columnsPerPage); }

int sheetCount(const State& st) {
  const int per = columnsPerSheet(st);
  return (st.col.columnsMade + per - 1) / per;
}

int blockExtent(const State& st, int mini) {
  if (mini < 0 || mini >= static_cast<int>(st.miniPageList.size())) return 0;
  const MiniPage& m = st.miniPageList[size_t(mini)];
  return m.height + m.depth;
}

int sumExtents(const State& st, const std::vector<int>& list, size_t from = 0, size_t to = SIZE_MAX) {
  int s = 0;
  for (size_t i = from; i < list.size() && i < to; ++i) s += blockExtent(st, list[i]);
  return s;
}

// A float or footnote with its top at `top`: a mini page drawn with the
// block defaults, the state saved around it.
void drawFloat(State& st, int mini, int top, int x) {
  if (mini < 0 || mini >= static_cast<int>(st.miniPageList.size())) return;
  DrawMiniPageBlock(st, mini, top + st.miniPageList[size_t(mini)].height, x);
}

// A background image tiled over a rectangle (layout units) from its
// top-left corner, clipped to it, as one image. A pixel of the image counts
// as a pixel at 96 dots per inch, so the pattern has the same size on
// every device.
void tileImage(State& st, const std::string& nameCp932, int l, int t, int r, int b) {
  if (!st.canvas || r <= l || b <= t) return;
  const std::string path = FindImageFile(st, nameCp932);
  if (path.empty()) return;
  st.origins.noteImage(path);
  Bitmap bmp;
  if (LoadImageFile(path, bmp) != 1 || bmp.empty()) return;
  const double tileW = bmp.width() * units::kPerInch / 96.0, tileH = bmp.height() * units::kPerInch / 96.0;
  ImageTileDraw(st, bmp, DeviceFill(st, l), DeviceFill(st, t), DeviceFill(st, r), DeviceFill(st, b), l, t, tileW,
                tileH);
}

void drawBackground(State& st, bool hasColor, Color color, bool hasImage, const std::string& image, int l, int t,
                    int r, int b) {
  if (!st.canvas) return;
  if (hasColor)
    st.canvas->fillRect(DeviceFill(st, l), DeviceFill(st, t), DeviceFill(st, r), DeviceFill(st, b), color);
  if (hasImage) tileImage(st, image, l, t, r, b);
}

void drawRule(State& st, int width, int x1, int y1, int x2, int y2) {
  if (!st.canvas) return;
  Pen pen;
  pen.width = DevicePen(st, width);
  pen.color = kBlack;
  st.canvas->setPen(pen);
  st.canvas->moveTo(DevicePos(st, x1), DevicePos(st, y1));
  st.canvas->lineTo(DevicePos(st, x2), DevicePos(st, y2));
}

void drawColumn(State& st, int c, bool firstOfSheet, const PageInfo* page) {
  const ColumnInfo col = st.columnList[size_t(c)];
  const Geometry& g = st.geo;
  const int perSheet = columnsPerSheet(st), perPage = columnsPerPage(st);
  const int j = c % perSheet;
  const bool firstOfPage = c % perPage == 0;
  const int x = ColumnLeft(st, c);
  const int top = g.topMargin, bottom = g.topMargin + g.columnHeight;
  const int sep = g.topBottomBoxSep;

  const int topPage = sumExtents(st, col.topOfPage), topColumn = sumExtents(st, col.topOfColumn);
  const int bottomPage = sumExtents(st, col.bottomOfPage), bottomColumn = sumExtents(st, col.bottomOfColumn);
  const int topGroup = topPage + topColumn, bottomGroup = bottomPage + bottomColumn;

  // 1. The column's background.
  drawBackground(st, col.hasBgColor, col.bgColor, col.hasBgImage, col.bgImage, x,
                 top + topGroup + (topGroup ? sep : 0), x + g.columnWidth,
                 bottom - bottomGroup - (bottomGroup ? sep : 0));

  // 2. The page's snapshot.
  if (firstOfSheet && page) RestorePageSnapshot(st, *page);

  // 4. Bottom area, upwards from the bottom of the text area.
  int y = bottom;
  for (size_t i = col.bottomOfPage.size(); i-- > 0;) {
    y -= blockExtent(st, col.bottomOfPage[i]);
    if (firstOfPage) drawFloat(st, col.bottomOfPage[i], y, x);
  }
  const size_t notes = static_cast<size_t>(std::clamp<int>(col.footnoteCount, 0, int(col.bottomOfColumn.size())));
  for (size_t i = notes; i-- > 0;) {
    y -= blockExtent(st, col.bottomOfColumn[i]);
    drawFloat(st, col.bottomOfColumn[i], y, x);
  }
  if (notes > 0) drawRule(st, static_cast<int>(0.25 * units::kPerMM), x, y, x + static_cast<int>(0.4 * g.columnWidth), y);
  for (size_t i = col.bottomOfColumn.size(); i-- > notes;) {
    y -= blockExtent(st, col.bottomOfColumn[i]);
    drawFloat(st, col.bottomOfColumn[i], y, x);
  }

  // 5. Top area, downwards from the top margin.
  y = top;
  for (int mini : col.topOfPage) {
    if (firstOfPage) drawFloat(st, mini, y, x);
    y += blockExtent(st, mini);
  }
  for (int mini : col.topOfColumn) {
    drawFloat(st, mini, y, x);
    y += blockExtent(st, mini);
  }
  if (y > top) y += sep;

  // 6. The rule in the gap after this column, only before a column that
  // was made (the last sheet may end with empty slots).
  if (j < perSheet - 1 && c + 1 < st.col.columnsMade) {
    const int rule = g.columnRule[size_t(std::min(j, 2))];
    if (rule > 0) {
      const int gap = g.columnSep[size_t(std::min(j, 2))];
      const int rx = x + g.columnWidth + gap / 2;
      int y1 = top + topPage + (topPage ? sep : 0);
      int y2 = bottom - bottomPage - (bottomPage ? sep : 0);
      if ((c + 1) % perPage == 0) {
        // Between two pages printed on one sheet: the full text height.
        y1 = top;
        y2 = bottom;
      }
      drawRule(st, rule, rx, y1, rx, y2);
    }
  }

  // 7. The lines.
  const int firstLine = c == 0 ? 0 : st.columnList[size_t(c - 1)].lastLine + 1;
  WordSource src(st, -1);
  Walker walker(st, src, true);
  walker.lines(firstLine, col.lastLine, y, x);

  // 8. Header, footer and page number.
  WriteHeaderFooter(st, c);
}

void drawSheet(State& st, int sheet) {
  const int sheets = sheetCount(st);
  if (sheets <= 0) return;
  sheet = std::clamp(sheet, 1, sheets);
  {
    DrawScope scope(st);
    st.draw.drawing = true;
    SetLengthList(st, "linewidth", st.geo.columnWidth);
    if (!st.draw.printing && st.host) st.host->clearPage();

    const Geometry& g = st.geo;
    const int perSheet = columnsPerSheet(st);
    const PageInfo* page = nullptr;
    if (!st.pageList.empty()) page = &st.pageList[size_t(std::min<int>(sheet, int(st.pageList.size())) - 1)];
    if (page) {
      int right = g.leftMargin + g.columnWidth * perSheet;
      for (int j = 0; j + 1 < perSheet; ++j) right += g.columnSep[size_t(std::min(j, 2))];
      drawBackground(st, page->hasBgColor, page->bgColor, page->hasBgImage, page->bgImage, g.leftMargin,
                     g.topMargin, right, g.topMargin + g.columnHeight);
    }

    const int first = (sheet - 1) * perSheet;
    const int last = std::min(first + perSheet - 1, st.col.columnsMade - 1);
    for (int c = first; c <= last && c < static_cast<int>(st.columnList.size()); ++c)
      drawColumn(st, c, c == first, page);
  }
  st.draw.currentSheet = sheet;
  if (!st.draw.printing && st.host) {
    st.host->setCaption(SheetCaption(st.documentPath, st.draw.zoom, sheet, sheets));
    st.host->setPageLabel(SheetLabel(st.draw.zoom, sheet, sheets));
  }
}

void miniPage(State& st, int box, bool draw, int y, int x) {
  if (box < 0 || box >= static_cast<int>(st.miniPageList.size())) return;
  if (st.miniPageVariablesList.size() > kMaxMiniPageDepth) return;
  const int width = st.miniPageList[size_t(box)].width;
  const int height = st.miniPageList[size_t(box)].height;
  WordSource src(st, box);
  Walker walker(st, src, draw);
  if (draw) {
    SetLengthList(st, "linewidth", width);
    walker.lines(0, src.lineCount() - 1, y - height, x);
  } else {
    walker.replay(0, src.wordCount() - 1);
  }
}

}  // namespace

int ColumnLeft(const State& st, int column) {
  const int j = column % columnsPerSheet(st);
  int x = st.geo.leftMargin;
  for (int i = 0; i < j; ++i) x += st.geo.columnWidth + st.geo.columnSep[size_t(std::min(i, 2))];
  return x;
}

int ColumnFirstLineTop(const State& st, int column) {
  if (column < 0 || column >= static_cast<int>(st.columnList.size())) return st.geo.topMargin;
  const ColumnInfo& col = st.columnList[size_t(column)];
  const int y = st.geo.topMargin + sumExtents(st, col.topOfPage) + sumExtents(st, col.topOfColumn);
  return y > st.geo.topMargin ? y + st.geo.topBottomBoxSep : y;
}

void PageDisplay(State& st, int first, int box, int draw, int y, int x) {
  if (box >= 0) {
    miniPage(st, box, draw != 0, y, x);
    return;
  }
  if (draw != 0) {
    drawSheet(st, first);
    return;
  }
  WordSource src(st, -1);
  Walker walker(st, src, false);
  walker.replay(first, src.wordCount() - 1);
}

}  // namespace vel
