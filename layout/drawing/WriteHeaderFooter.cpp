// WriteHeaderFooter: the running header, footer and page number of a page,
// drawn after the page's first column.
#include <algorithm>
#include <string>

#include "frontend/TextGen.h"
#include "layout/boxes/Boxes.h"
#include "layout/fonts/Fonts.h"
#include "layout/drawing/SheetDrawing.h"
#include "layout/scopes/StateStacks.h"

namespace vel {

namespace {

// Header and footer texts are boxes at style level 0 (a text that fails
// takes no room).
Extent measure(State& st, const std::string& text) {
  if (text.empty()) return {};
  SaveBoxVariables(st);
  const Result<Extent> e = BoxWidthHeight(st, text, 0, false, false, 0, 0);
  RestoreBoxVariables(st);
  return e ? *e : Extent{};
}

void drawText(State& st, const std::string& text, int baseline, int x) {
  if (text.empty()) return;
  SaveBoxVariables(st);
  (void)BoxWidthHeight(st, text, 0, false, true, baseline, x);
  RestoreBoxVariables(st);
}

void drawRule(State& st, int width, int x1, int x2, int y) {
  Pen pen;
  pen.width = DevicePen(st, width);
  pen.color = kBlack;
  st.canvas->setPen(pen);
  st.canvas->moveTo(DevicePos(st, x1), DevicePos(st, y));
  st.canvas->lineTo(DevicePos(st, x2), DevicePos(st, y));
}

// The three texts of a header or footer on one baseline over the page's
// text width: left, centred and right-aligned.
// For the lookup between page and source: a running text where it was drawn.
void note(State& st, int from, int parity, int column, const Extent& e, int baseline, int x) {
  if (!st.draw.drawnWords || e.width <= 0) return;
  st.draw.drawnWords->words.push_back(
      DrawnWord{x, baseline - e.height, e.width, e.height + e.depth, column, 0, from, parity});
}

void drawThree(State& st, const HeadFoot& hf, const Extent (&e)[3], int baseline, int left, int width) {
  drawText(st, hf.left, baseline, left);
  drawText(st, hf.center, baseline, left + (width - e[1].width) / 2);
  drawText(st, hf.right, baseline, left + width - e[2].width);
}

void noteThree(State& st, int from, int parity, int column, const Extent (&e)[3], int baseline, int left, int width) {
  note(st, from, parity, column, e[0], baseline, left);
  note(st, from, parity, column, e[1], baseline, left + (width - e[1].width) / 2);
  note(st, from, parity, column, e[2], baseline, left + width - e[2].width);
}

}  // namespace

std::string PageNumberText(const State& st, int p, bool& frontMatter, int& number) {
  const bool contents = st.pre.contentsRequested && st.pre.contentsPassDone;
  frontMatter = contents && p < st.pre.frontMatterPages;
  if (frontMatter) {
    number = p - st.geo.titlePageNum + 1;
    return number > 0 ? ToRom(number, false) : std::string();
  }
  number = p + st.geo.firstPageNum - (contents ? st.pre.frontMatterPages : st.geo.titlePageNum);
  return std::to_string(number);
}

void WriteHeaderFooter(State& st, int c) {
  const Geometry& g = st.geo;
  const int perPage = std::max(1, g.columnsPerPage);
  if (c < 0 || c % perPage != 0 || !st.canvas) return;

  bool front = false;
  int number = 0;
  const std::string num = PageNumberText(st, c / perPage, front, number);
  st.cmd.pageNumText = num;
  if (!front && number <= 0) return;

  // The texts are set in the base font at the base size, Latin letters in
  // the roman face; the font in force comes back afterwards.
  const Font font = st.chr.font;
  const double size = st.chr.fontSize;
  const int level = st.chr.styleLevel;
  const int alnum = st.chr.alnumFontMode;
  const CommandState headings = st.cmd;
  st.chr.alnumFontMode = 0;
  st.chr.fontSize = st.font.baseSize;
  SetFont(st, BaseFont(st), 0);
  st.cmd.inHeaderFooter = true;

  const int left = ColumnLeft(st, c);
  const int width = g.pageWidth;

  if (front) {
    // Front matter: only the number, right-aligned above the text area.
    if (!num.empty()) {
      const Extent e = measure(st, num);
      drawText(st, num, g.topMargin - g.headSep - e.depth, left + width - e.width);
      note(st, DrawnWord::FrontNumber, 0, c, e, g.topMargin - g.headSep - e.depth, left + width - e.width);
    }
  } else {
    const size_t parity = number % 2 == 0 ? 0 : 1;
    // The headings in force at the end of the page.
    const int last = std::min({c + perPage - 1, st.col.columnsMade - 1, static_cast<int>(st.columnList.size()) - 1});
    if (last >= 0) {
      const ColumnInfo& col = st.columnList[size_t(last)];
      st.cmd.chapterTitle = col.chapterTitle;
      st.cmd.chapterNum = col.chapterNum;
      st.cmd.sectionTitle = col.sectionTitle;
      st.cmd.sectionNum = col.sectionNum;
      st.cmd.subsectionTitle = col.subsectionTitle;
      st.cmd.subsectionNum = col.subsectionNum;
    }

    const HeadFoot& head = g.header[parity];
    {
      const Extent e[3] = {measure(st, head.left), measure(st, head.center), measure(st, head.right)};
      const int depth = std::max({e[0].depth, e[1].depth, e[2].depth});
      const int rule = head.ruleWidth;
      drawThree(st, head, e, g.topMargin - rule / 2 - g.headSep - depth, left, width);
      noteThree(st, DrawnWord::Header, int(parity), c, e, g.topMargin - rule / 2 - g.headSep - depth, left, width);
      if (rule > 0) drawRule(st, rule, left, left + width, g.topMargin - g.headSep - rule / 2);
    }
    const HeadFoot& foot = g.footer[parity];
    {
      const Extent e[3] = {measure(st, foot.left), measure(st, foot.center), measure(st, foot.right)};
      const int height = std::max({e[0].height, e[1].height, e[2].height});
      const int rule = foot.ruleWidth;
      const int textBottom = g.paperHeight - g.bottomMargin;
      drawThree(st, foot, e, textBottom + g.footSep + rule / 2 + height, left, width);
      noteThree(st, DrawnWord::Footer, int(parity), c, e, textBottom + g.footSep + rule / 2 + height, left, width);
      if (rule > 0) drawRule(st, rule, left, left + width, textBottom + g.footSep - rule / 2);
    }
  }

  st.cmd.inHeaderFooter = false;
  st.cmd.chapterTitle = headings.chapterTitle;
  st.cmd.chapterNum = headings.chapterNum;
  st.cmd.sectionTitle = headings.sectionTitle;
  st.cmd.sectionNum = headings.sectionNum;
  st.cmd.subsectionTitle = headings.subsectionTitle;
  st.cmd.subsectionNum = headings.subsectionNum;
  st.chr.fontSize = size;
  st.chr.font = font;
  SetBigNormalHeight(st, level);
  GetFontMetric(st);
  SetSkip(st);
  st.chr.alnumFontMode = alnum;
}

}  // namespace vel
