#include "shell/InformationForm.h"

#include <QCloseEvent>
#include <QScrollBar>
#include <QTextCursor>
#include <QVBoxLayout>

#include "base/Cp932.h"
#include "canvas/qt/FaceTable.h"

namespace vel {

TInformationForm::TInformationForm(QWidget* owner)
    // A tool window of the main window: a title bar without system menu
    // and close box.
    : QWidget(owner, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setObjectName(QStringLiteral("InformationForm"));
  setWindowTitle(QStringLiteral("INFORMATION"));
  resize(420, 260);
  memo_ = new QPlainTextEdit(this);
  memo_->setObjectName(QStringLiteral("Memo"));
  memo_->setReadOnly(true);
  memo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memo_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  // Green Gothic text, 15 pixels high, on white.
  QFont f(QString::fromStdString(FaceTable::choose(SJ("ＭＳ ゴシック")).family));
  f.setStyleHint(QFont::Monospace);
  f.setPixelSize(15);
  memo_->setFont(f);
  QPalette pal = memo_->palette();
  pal.setColor(QPalette::Base, Qt::white);
  pal.setColor(QPalette::Text, QColor(0, 128, 0));
  memo_->setPalette(pal);
  auto* lay = new QVBoxLayout(this);
  lay->setContentsMargins(0, 0, 0, 0);
  lay->addWidget(memo_);
}

void TInformationForm::clear() {
  memo_->clear();
  traceOpen_ = false;
}

void TInformationForm::addLine(const QString& text) {
  memo_->appendPlainText(text);
  traceOpen_ = false;
  memo_->verticalScrollBar()->setValue(memo_->verticalScrollBar()->maximum());
}

void TInformationForm::appendAtCaret(const QString& text) {
  // The column trace runs on a line of its own after the last message.
  if (!traceOpen_) {
    memo_->appendPlainText(QString());
    traceOpen_ = true;
  }
  QTextCursor c = memo_->textCursor();
  c.movePosition(QTextCursor::End);
  c.insertText(text);
  memo_->setTextCursor(c);
}

void TInformationForm::closeEvent(QCloseEvent* e) {
  // Closing from the window manager (Alt+F4) is not the user's to do.
  e->ignore();
}

}  // namespace vel
