#include "shell/InformationForm.h"

#include <QCloseEvent>
#include <QScrollBar>
#include <QTextCursor>
#include <QVBoxLayout>

#include "base/Cp932.h"
#include "base/InBand.h"
#include "canvas/qt/FaceTable.h"

namespace vel {

QString MessageLineText(const std::string& cp932) {
  std::string out;
  out.reserve(cp932.size());
  for (size_t i = 0; i < cp932.size(); ++i) {
    const char c = cp932[i];
    if (isLead(c) && i + 1 < cp932.size()) {
      out += c;
      out += cp932[++i];
      continue;
    }
    if (c == '\\') {
      // A group marker: the command name followed by a literal-brace code.
      size_t end = i + 1;
      while (end < cp932.size() && isAsciiLetter(cp932[end])) ++end;
      const std::string name = cp932.substr(i + 1, end - i - 1);
      if (end < cp932.size() && (name == "group" || name == "lengroup" || name == "valgroup")) {
        if (cp932[end] == inband::kOpenBrace) {
          out += "\\" + name + "{";
          i = end;
          continue;
        }
        if (cp932[end] == inband::kCloseBrace) {
          out += '}';
          i = end;
          continue;
        }
      }
    }
    if (c == inband::kOpenBrace || c == inband::kCloseBrace) {
      out += '\\';
      out += inband::Shown(c);
      continue;
    }
    out += c;
  }
  return QString::fromStdString(toLogUtf8(out));
}

TInformationForm::TInformationForm(QWidget* owner)
    // A tool window of the main window: a title bar without system menu
    // and close box.
    : QWidget(owner, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setObjectName(QStringLiteral("InformationForm"));
  setWindowTitle(QStringLiteral("INFORMATION"));
  // Showing it at the start of a run must not take the keys from the main
  // window; only an error gives it the focus.
  setAttribute(Qt::WA_ShowWithoutActivating);
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
