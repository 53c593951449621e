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
#include "layout/lines/WordLine.h"
#include "layout/scopes/StateStacks.h"
#include "seams/Seams.h"

namespace vel {

namespace {

// Mini pages hold mini pages; a chain deeper than this is refused rather
// than followed (a damaged reference could otherwise loop).
constexpr size_t kMaxMiniPageDepth = 64;

// Words and lines being walked: the main lists or those of one mini page.
// Records are fetched by index every time, because drawing an embedded
// part may append to the mini page list and move its records.
class WordSource {
 public:
  WordSource(State& st, int miniPage) : st_(st), mini_(miniPage) {}

  int wordCount() const {
    return static_cast<int>(mini_ < 0 ? st_.wordList.size() : mp().words.size());
  }
  int lineCount() const {
    return static_cast<int>(mini_ < 0 ? st_.lineList.size() : mp().lines.size());
  }
  WordInfo word(int i) const { return mini_ < 0 ? st_.wordList[size_t(i)] : mp().words[size_t(i)]; }
  LineInfo line(int i) const { return mini_ < 0 ? st_.lineList[size_t(i)] : mp().lines[size_t(i)]; }
  std::string text(int i) const {
    const auto& t = mini_ < 0 ? st_.wordTextList : mp().wordTexts;
    return size_t(i) < t.size() ? t[size_t(i)] : std::string();
  }
  void setText(int i, std::string s) {
    auto& t = mini_ < 0 ? st_.wordTextList : st_.miniPageList[size_t(mini_)].wordTexts;
    if (size_t(i) < t.size()) t[size_t(i)] = std::move(s);
  }

 private:
  const MiniPage& mp() const { return st_.miniPageList[size_t(mini_)]; }
  State& st_;
  int mini_;
};

bool advances(const WordInfo& w) {
  const CommandTraits& t = TraitsOf(w.kind);
  return t.has(t.advances, w.subType);
}

bool replayedCommand(const WordInfo& w) {
  const CommandTraits& t = TraitsOf(w.kind);
  return t.has(t.replayed, w.subType);
}

// Walks the words of lines (drawing) or a run of words (replay).
class Walker {
 public:
  Walker(State& st, WordSource& src, bool draw) : st_(st), src_(src), draw_(draw) {}

  // Lines first..last, the first line's top at `top`, the column's left
  // edge at columnX. Returns the top below the last line.
  int lines(int first, int last, int top, int columnX) {
    for (int i = first; i <= last && i < src_.lineCount(); ++i) {
      const LineInfo li = src_.line(i);
      const int firstWord = i == 0 ? 0 : src_.line(i - 1).lastWord + 1;
      line(li, firstWord, top, columnX);
      top += li.height + li.skip;
    }
    return top;
  }

  // Replay: words first..last without drawing and without advancing x.
  void replay(int first, int last) {
    for (int i = std::max(first, 0); i <= last && i < src_.wordCount(); ++i) word(src_.word(i), i);
  }

 private:
  void line(const LineInfo& li, int firstWord, int top, int columnX) {
    SetLengthList(st_, "linewidth", li.lineWidth);
    lineWidth_ = li.lineWidth;
    lineStart_ = columnX + li.offset;
    x_ = lineStart_;
    baseline_ = top + li.ascent;
    just_ = JustificationOf(li);
    gap_ = 0;
    lastExtra_ = 0;
    underlineOpen_ = false;
    st_.draw.lineStartX = lineStart_;
    st_.draw.linePenX = x_;
    for (int i = firstWord; i <= li.lastWord && i < src_.wordCount(); ++i) word(src_.word(i), i);
    flush();
  }

  // Glyphs of running text wait here and reach the surface as one call per
  // run of one font on one top line; anything else drawn sends them first.
  void place(const Font& f, int x, int y, uint16_t code) {
    if (!run_.empty() && (y != runY_ || !sameLook(f, runFont_))) flush();
    if (run_.empty()) {
      runFont_ = f;
      runY_ = y;
    }
    run_.push_back(Canvas::PlacedChar{x, code});
  }
  void flush() {
    if (!run_.empty() && st_.canvas) st_.canvas->textOutPlaced(runFont_, runY_, run_);
    run_.clear();
  }
  static bool sameLook(const Font& a, const Font& b) {
    return a.height == b.height && a.color == b.color && a.bold == b.bold && a.italic == b.italic &&
           a.underline == b.underline && a.strikeOut == b.strikeOut && a.charset == b.charset &&
           a.escapement == b.escapement && a.name == b.name;
  }

  int extraOf(int g) const {
    if (g >= just_.n) return 0;
    return g < just_.r ? just_.q + 1 : just_.q;
  }

  void advance(const WordInfo& w) {
    lastExtra_ = extraOf(gap_);
    x_ += w.width + lastExtra_;
    ++gap_;
    st_.draw.linePenX = x_;
  }

  void word(const WordInfo& w, int index);
  void text(const WordInfo& w, const std::string& t);
  void formula(const WordInfo& w, const std::string& t, int lineLeftX);
  void box(const std::string& t, int y, int x);
  void miniPage(const WordInfo& w);
  void underlineMark(const WordInfo& w, int index);

  State& st_;
  WordSource& src_;
  bool draw_;
  int x_ = 0, lineStart_ = 0, baseline_ = 0, lineWidth_ = 0;
  Justification just_;
  int gap_ = 0, lastExtra_ = 0;
  bool underlineOpen_ = false;
  int underlineX_ = 0, underlineWord_ = -1;
  Font runFont_;
  int runY_ = 0;
  std::vector<Canvas::PlacedChar> run_;
};

void Walker::word(const WordInfo& w, int index) {
  const int k = w.kind;
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
      UnderLine(st_, t, 2, false, false, w.subType, draw_, baseline_, x_);
      RestoreBoxVariables(st_);
      break;
    }
    case cmd::FrameBox: {
      std::string t = src_.text(index);
      SaveBoxVariables(st_);
      FrameBox(st_, t, 2, draw_, baseline_, x_);
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
        DrawImage(st_, t, x_, false, true, baseline_);
      }
      break;
    case cmd::Item: {
      // The item counter steps first, so that a label showing it agrees
      // with the layout; then the label is drawn as a box.
      std::string t = src_.text(index);
      ReplayCommandWord(st_, w, t, draw_);
      box(t, baseline_, x_);
      if (draw_) x_ += static_cast<int>(st_.font.charHeight / 2);
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
      formula(w, src_.text(index), lineStart_ - st_.line.mathIndent);
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
  if (draw_ && advances(w)) advance(w);
}

// Text: a double-byte word is one glyph, a single-byte word is drawn glyph
// by glyph, each glyph placed at the layout position measured so far.
void Walker::text(const WordInfo& w, const std::string& t) {
  if (t.empty() || !st_.canvas) return;
  const bool roman = !isLead(t[0]) && UsesRomanFace(st_, static_cast<unsigned char>(t[0]));
  const Font layoutFont = roman ? RomanFont(st_) : st_.font.current;
  Font deviceFont = layoutFont;
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
  if (!st_.math.mathMode) st_.font.savedTextFont = st_.font.current;
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
  BoxWidthHeight(st_, t, 2, false, draw_, y, x);
  RestoreBoxVariables(st_);
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
  // The span's size goes in through the box results: its width, the
  // greatest height of its words and their greatest depth.
  SaveBoxVariables(st_);
  st_.box.resultWidth = std::max(0, end - underlineX_);
  st_.box.resultHeight = start.height;
  st_.box.resultDepth = start.value;
  UnderLine(st_, src_.text(underlineWord_), 2, true, true, start.subType, true, baseline_, underlineX_);
  RestoreBoxVariables(st_);
}

// ---------------------------------------------------------------- sheets

// Everything drawing changes, put back when the sheet is done, so that a
// sheet draws the same whatever was drawn before it.
class DrawScope {
 public:
  explicit DrawScope(State& st)
      : st_(st),
        registers_(st.val.registers),
        valueInfo_(st.val.valueInfoList),
        values_(st.val.valueList),
        counters_(st.val.counters),
        lengths_(st.val.lengthList),
        userLengths_(st.val.userLengthList),
        lengthSave_(st.val.lengthSaveInfoList),
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
    st_.val.registers = registers_;
    st_.val.valueInfoList = std::move(valueInfo_);
    st_.val.valueList = std::move(values_);
    st_.val.counters = counters_;
    st_.val.lengthList = std::move(lengths_);
    st_.val.userLengthList = std::move(userLengths_);
    st_.val.lengthSaveInfoList = std::move(lengthSave_);
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
  std::array<double, 78> registers_;
  std::vector<std::array<double, 52>> valueInfo_;
  ValueNameList values_;
  std::array<int, 100> counters_;
  LengthNameList lengths_, userLengths_;
  std::vector<LengthNameList> lengthSave_;
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

// Left edge of column j (0-based) of a sheet.
int columnX(const State& st, int j) {
  int x = st.geo.leftMargin;
  for (int i = 0; i < j; ++i) x += st.geo.columnWidth + st.geo.columnSep[size_t(std::min(i, 2))];
  return x;
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
// top-left corner, clipped to it. A pixel of the image counts as a pixel
// at 96 dots per inch, so the pattern has the same size on every device.
void tileImage(State& st, const std::string& nameCp932, int l, int t, int r, int b) {
  if (!st.canvas || r <= l || b <= t) return;
  const std::string path = FindImageFile(st, nameCp932);
  if (path.empty()) return;
  Bitmap bmp;
  if (LoadImageFile(path, bmp) != 1 || bmp.empty()) return;
  const double tileW = bmp.width() * units::kPerInch / 96.0, tileH = bmp.height() * units::kPerInch / 96.0;
  const std::optional<Region> old = st.canvas->clip();
  st.canvas->setClip(Region::rect(DeviceFill(st, l), DeviceFill(st, t), DeviceFill(st, r), DeviceFill(st, b)));
  const int cols = static_cast<int>(std::ceil((r - l) / tileW));
  const int rows = static_cast<int>(std::ceil((b - t) / tileH));
  for (int j = 0; j < rows; ++j)
    for (int i = 0; i < cols; ++i) {
      const double x = l + i * tileW, y = t + j * tileH;
      st.canvas->stretchBitmap(bmp, DevicePos(st, x), DevicePos(st, y), DevicePos(st, x + tileW),
                               DevicePos(st, y + tileH));
    }
  st.canvas->setClip(old);
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
  const int x = columnX(st, j);
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

  // 6. The rule in the gap after this column.
  if (j < perSheet - 1) {
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
  const int depth = st.miniPageList[size_t(box)].depth;
  WordSource src(st, box);
  Walker walker(st, src, draw);
  if (draw) {
    SetLengthList(st, "linewidth", width);
    walker.lines(0, src.lineCount() - 1, y - height, x);
  } else {
    walker.replay(0, src.wordCount() - 1);
  }
  st.box.resultWidth = width;
  st.box.resultHeight = height;
  st.box.resultDepth = depth;
}

}  // namespace

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
