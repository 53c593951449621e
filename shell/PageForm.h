// TPageForm: the small dialog that asks for a sheet number or a zoom
// percentage, and the rules that turn its input into one.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;

namespace vel {

class TPageForm : public QDialog {
  Q_OBJECT
 public:
  explicit TPageForm(QWidget* parent = nullptr);

  // Sets the caption and the label, empties the input and runs the dialog;
  // true on OK, with the input in `text`.
  bool ask(const QString& caption, const QString& label, QString& text);

  QLineEdit* input() { return edit_; }

 private:
  QLabel* label_;
  QLineEdit* edit_;
};

// The input evaluated as an expression (Calc) and truncated toward zero;
// 0 when it is no expression.
int EvalDialogInput(const QString& text);
// Page dialog: the sheet to show, 1 ... sheets.
int PageFromInput(const QString& text, int sheets);
// Zoom dialog: the percentage, 40 ... 300.
int ZoomPercentFromInput(const QString& text);

}  // namespace vel
