// Walking the words of a layout's lines: drawing them (text, boxes,
// formulas, figures, tables, images, underline spans, justification) or
// replaying them without drawing so that what their commands change is
// changed again. Used for the lines of a column and of a mini page.
#pragma once

#include <string>
#include <vector>

#include "frontend/Values.h"
#include "layout/lines/WordLine.h"
#include "state/State.h"

namespace vel::drawing {

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
  int miniPage() const { return mini_; }
  WordInfo word(int i) const { return mini_ < 0 ? st_.wordList[size_t(i)] : mp().words[size_t(i)]; }
  LineInfo line(int i) const { return mini_ < 0 ? st_.lineList[size_t(i)] : mp().lines[size_t(i)]; }
  std::string text(int i) const {
    const auto& t = mini_ < 0 ? st_.wordTextList : mp().wordTexts;
    return size_t(i) < t.size() ? std::string(t[size_t(i)]) : std::string();
  }
  void setText(int i, const std::string& s) {
    auto& t = mini_ < 0 ? st_.wordTextList : st_.miniPageList[size_t(mini_)].wordTexts;
    if (size_t(i) < t.size() && t[size_t(i)] != s) t.set(size_t(i), s);
  }

 private:
  const MiniPage& mp() const { return st_.miniPageList[size_t(mini_)]; }
  State& st_;
  int mini_;
};

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
  void note(const WordInfo& w, int index);

  State& st_;
  WordSource& src_;
  bool draw_;
  int x_ = 0, lineStart_ = 0, baseline_ = 0, lineWidth_ = 0;
  Justification just_;
  int gap_ = 0, lastExtra_ = 0;
  bool underlineOpen_ = false;
  int underlineX_ = 0, underlineWord_ = -1;
  Extent boxDrawn_;  // the last box drawn, for a word that takes no room (an item label)
  Font runFont_;
  int runY_ = 0;
  std::vector<Canvas::PlacedChar> run_;
};

}  // namespace vel::drawing
