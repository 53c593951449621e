// The line builder's two halves: the scanner reads the source into words,
// the breaker puts words into lines with the Japanese line-breaking rules.
// They share the source and the scan position, because the breaker may
// send the scan back into the text (a line dropped for the head of the next
// column is read again after it) and looks ahead in it (the line-head rule).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "layout/lines/WordLine.h"
#include "state/State.h"

namespace vel::lines {

// The scan position moved: the scanner reads on from there.
constexpr int kRescan = 1;

// Where the scanner stands in the source, and the failure that stopped it.
struct SourceCursor {
  Lines& src;
  int line = 0;
  size_t pos = 0;  // 0-based byte
  Failure failure;
  int pos1() const { return static_cast<int>(pos) + 1; }
};

// Records the failure (its command and line) and writes "** name のエラー"
// when the command is named; returns the code.
int Fail(State& st, SourceCursor& cur, int code, const std::string& name, int line);

class LineBreaker {
 public:
  LineBreaker(State& st, SourceCursor& cur, WordList& words, bool main, std::vector<LineInfo>& lines,
              WordTexts& texts);

  // Appends a word and breaks lines as it requires. 0, kRescan or a
  // negative code.
  int addWord(const WordInfo& w, std::string text);
  // A spacing word of the kind and width.
  int spacing(int kind, double width, int pos);
  // Closes the last line at the end of the text (unless nothing is open).
  int finish();
  bool mainText() const { return main_; }

 private:
  int afterAppend(int index);
  int lineEndCommand(int index);
  int overflow(int index);
  int closeLine(int last, LineKind kind, int skip, int* newStart = nullptr);
  void startLineFrom(int first);
  void takeWord(const WordInfo& w);
  // The word takes no room and draws nothing; its text is dropped.
  void makeInert(int i);
  void retakeWord(const WordInfo& w);
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
  int headNextColumn(int first, int skip);
  void keepLineStart();
  int fail(int code, const std::string& name, int line) { return Fail(st_, *cur_, code, name, line); }

  State& st_;
  SourceCursor* cur_;  // the document's, or the queued head text's while it is read
  WordList& words_;
  std::vector<LineInfo>& lines_;
  WordTexts& texts_;
  bool main_;
  int lineStart_;
  bool firstWordSeen_ = false;
  bool brokeByWidth_ = false;  // the current line began where the text broke by itself

  // Texts queued for the head of the next column are set before the line
  // that opens it; that line's words are made already and keep what their
  // commands did, so only the line-shaping state goes back to where the
  // line started (kept only in documents that queue such texts).
  struct LineStart {
    LineState line;
    ParaStyle para;
    CharStyle chr;
  };
  bool keepsLineStarts_ = false;
  LineStart lineStartState_;
  std::optional<int> readdSkip_;  // the skip of a dropped line's closing line end
};

class WordScanner {
 public:
  WordScanner(State& st, SourceCursor& cur, LineBreaker& breaker) : st_(st), cur_(cur), out_(breaker) {}

  // Scans the whole source; the height used, or a negative code.
  int run();
  // Reads the words of the text to its end, leaving its last line open.
  int scanText();

 private:
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

  int fail(int code, const std::string& name, int line) { return Fail(st_, cur_, code, name, line); }
  int textWidth(const Font& f, std::string_view s) { return st_.canvas ? st_.canvas->textWidth(f, s) : 0; }
  int charWidth(const Font& f, uint16_t c) { return st_.canvas ? st_.canvas->charWidth(f, c) : 0; }
  int H() const { return static_cast<int>(st_.font.charHeight); }
  int pos1() const { return cur_.pos1(); }

  State& st_;
  SourceCursor& cur_;
  LineBreaker& out_;
};

}  // namespace vel::lines
