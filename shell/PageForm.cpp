#include "shell/PageForm.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "base/Cp932.h"
#include "frontend/Calc.h"
#include "state/State.h"

namespace vel {

TPageForm::TPageForm(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("PageForm"));
  setModal(true);
  edit_ = new QLineEdit(this);
  edit_->setObjectName(QStringLiteral("Input"));
  edit_->setMinimumWidth(80);
  label_ = new QLabel(this);
  auto* row = new QHBoxLayout;
  row->addWidget(edit_);
  row->addWidget(label_);
  // The same button texts as the program's other dialogs.
  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
  buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* lay = new QVBoxLayout(this);
  lay->addLayout(row);
  lay->addWidget(buttons);
}

bool TPageForm::ask(const QString& caption, const QString& label, QString& text) {
  setWindowTitle(caption);
  label_->setText(label);
  edit_->clear();
  edit_->setFocus();
  if (exec() != QDialog::Accepted) return false;
  text = edit_->text();
  return true;
}

int EvalDialogInput(const QString& text) {
  // Calc reads lengths and values from a state; the dialogs have none of
  // their own, so a scratch one serves.
  State scratch;
  double v = Calc(scratch, utf8ToCp932(text.toStdString()));
  if (!std::isfinite(v)) return 0;
  v = std::trunc(v);
  if (v > 1e9) return 1000000000;
  if (v < -1e9) return -1000000000;
  return static_cast<int>(v);
}

int PageFromInput(const QString& text, int sheets) {
  int p = EvalDialogInput(text);
  if (p <= 0) p = 1;
  if (p > sheets) p = sheets;
  return p;
}

int ZoomPercentFromInput(const QString& text) { return std::clamp(EvalDialogInput(text), 40, 300); }

}  // namespace vel
