// The INFORMATION window: the message log of typesetting runs. Only the
// program shows and hides it (no close box); the engine writes to it.
#pragma once

#include <QPlainTextEdit>
#include <QWidget>

namespace vel {

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
