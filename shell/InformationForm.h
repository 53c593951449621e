// The INFORMATION window: the message log of typesetting runs. Only the
// program shows and hides it (no close box); the engine writes to it.
#pragma once

#include <QPlainTextEdit>
#include <QWidget>
#include <string>

namespace vel {

// A message line (CP932) as the window shows it: the source line quoted
// after an error is processed text, in which the group markers stand where
// the user's braces stood ("\group" + 0x01 ... "\group" + 0x02) and the
// codes 0x01 / 0x02 for the escapes "\{" and "\}"; they are shown as written.
// Other bytes that form no character are shown as \xNN.
QString MessageLineText(const std::string& cp932);

class TInformationForm : public QWidget {
  Q_OBJECT
 public:
  explicit TInformationForm(QWidget* owner = nullptr);

  void clear();
  void addLine(const QString& text);        // a new line
  void appendAtCaret(const QString& text);  // continues the last line
  QString text() const { return memo_->toPlainText(); }
  QPlainTextEdit* memo() { return memo_; }

 protected:
  void closeEvent(QCloseEvent* e) override;

 private:
  QPlainTextEdit* memo_;
  bool traceOpen_ = false;
};

}  // namespace vel
