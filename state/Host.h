// What the engine asks of its host (the desktop window or veldris-render):
// the INFORMATION message window and the viewer's caption and page image.
// Texts are CP932.
#pragma once

#include <string>
#include <vector>

namespace vel {

class Host {
 public:
  virtual ~Host() = default;

  // Message window.
  virtual void showMessages() {}   // make visible, give it the focus, clear and repaint
  virtual void addLine(const std::string& text) = 0;        // a new line
  virtual void appendAtCaret(const std::string& text) = 0;  // at the caret (the column trace)
  virtual void focusMessages() {}
  virtual void hideMessages() {}
  virtual void focusMain() {}

  // Viewer: the page image is cleared to white paper before a sheet is drawn;
  // the caption and the page label follow each drawn sheet.
  virtual void clearPage() {}
  virtual void setCaption(const std::string&) {}
  virtual void setPageLabel(const std::string&) {}
};

// A host that keeps the message window's lines, for the command-line
// typesetter and for tests.
class MemoHost : public Host {
 public:
  void addLine(const std::string& text) override {
    lines_.push_back(text);
    caretOpen_ = false;
  }
  void appendAtCaret(const std::string& text) override {
    if (!caretOpen_) {
      lines_.emplace_back();
      caretOpen_ = true;
    }
    lines_.back() += text;
  }
  void showMessages() override {
    lines_.clear();
    caretOpen_ = false;
  }
  const std::vector<std::string>& lines() const { return lines_; }
  void setCaption(const std::string& c) override { caption_ = c; }
  const std::string& caption() const { return caption_; }

 private:
  std::vector<std::string> lines_;
  bool caretOpen_ = false;
  std::string caption_;
};

}  // namespace vel
