// An error deep inside nested boxes is reported again by every box around
// it, line for line: "\boxコマンドのエラー" once for each of twenty boxes
// tells the author nothing the first did not. A run's messages pass
// through a RepeatFold, which writes a block of error lines that repeats
// at once only the first time, then how many times it came again.
#pragma once

#include <string>
#include <vector>

#include "state/Host.h"

namespace vel {

class RepeatFold : public Host {
 public:
  // The longest block of lines that is folded as a whole (a mini page in a
  // mini page writes two lines a level).
  static constexpr size_t kMaxPeriod = 3;

  explicit RepeatFold(Host& to) : to_(to) {}

  void addLine(const std::string& text) override;
  void appendAtCaret(const std::string& text) override;
  void showMessages() override;
  void focusMessages() override;
  void hideMessages() override;
  void focusMain() override;
  void clearPage() override { to_.clearPage(); }
  void setCaption(const std::string& text) override { to_.setCaption(text); }
  void setPageLabel(const std::string& text) override { to_.setPageLabel(text); }

  // Writes what is held back: the count, then the lines of a repetition
  // that did not complete.
  void flush();

 private:
  void write(const std::string& text);

  Host& to_;
  std::vector<std::string> recent_;  // the error lines just written, in a row
  size_t period_ = 0;                // the length of the block repeating; 0 when none
  size_t held_ = 0;                  // lines of the current repetition held back
  int repeats_ = 0;                  // whole repetitions held back
};

// "** 同じ行があと" n "回続きます。", or for a block of p lines
// "** 上の" p "行があと" n "回続きます。".
std::string RepeatedLinesText(size_t period, int repeats);

}  // namespace vel
