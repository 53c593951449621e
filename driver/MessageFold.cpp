#include "driver/MessageFold.h"

#include "base/Cp932.h"

namespace vel {

namespace {

bool IsErrorLine(const std::string& text) { return text.rfind("** ", 0) == 0; }

}  // namespace

std::string RepeatedLinesText(size_t period, int repeats) {
  const std::string n = std::to_string(repeats);
  if (period == 1) return SJ("** 同じ行があと") + n + SJ("回続きます。");
  return SJ("** 上の") + std::to_string(period) + SJ("行があと") + n + SJ("回続きます。");
}

void RepeatFold::write(const std::string& text) {
  // Only the last few lines can start a repetition.
  if (recent_.size() >= kMaxPeriod) recent_.erase(recent_.begin());
  recent_.push_back(text);
  to_.addLine(text);
}

void RepeatFold::addLine(const std::string& text) {
  if (!IsErrorLine(text)) {
    // Progress lines and the echoed source line are never folded.
    flush();
    recent_.clear();
    to_.addLine(text);
    return;
  }
  if (period_ > 0) {
    if (text == recent_[recent_.size() - period_ + held_]) {
      if (++held_ == period_) {
        held_ = 0;
        ++repeats_;
      }
      return;
    }
    flush();
  }
  // A line that begins the block of the last p lines again is held back
  // until the block completes or something else comes.
  for (size_t p = 1; p <= recent_.size(); ++p) {
    if (recent_[recent_.size() - p] != text) continue;
    period_ = p;
    held_ = p == 1 ? 0 : 1;
    repeats_ = p == 1 ? 1 : 0;
    return;
  }
  write(text);
}

void RepeatFold::flush() {
  if (period_ == 0) return;
  const std::vector<std::string> block(recent_.end() - static_cast<std::ptrdiff_t>(period_), recent_.end());
  const size_t held = held_;
  const int repeats = repeats_;
  period_ = held_ = 0;
  repeats_ = 0;
  if (repeats > 0) {
    to_.addLine(RepeatedLinesText(block.size(), repeats));
    recent_.clear();  // a repetition after the count starts afresh
  }
  for (size_t k = 0; k < held; ++k) write(block[k]);
}

void RepeatFold::appendAtCaret(const std::string& text) {
  flush();
  recent_.clear();
  to_.appendAtCaret(text);
}

void RepeatFold::showMessages() {
  flush();
  recent_.clear();  // the window is cleared
  to_.showMessages();
}

void RepeatFold::focusMessages() {
  flush();
  to_.focusMessages();
}

void RepeatFold::hideMessages() {
  flush();
  to_.hideMessages();
}

void RepeatFold::focusMain() {
  flush();
  to_.focusMain();
}

}  // namespace vel
