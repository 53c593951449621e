#include "shell/SmallForms.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QFontComboBox>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "base/Cp932.h"
#include "shell/FileHistory.h"
#include "shell/Printing.h"
#include "shell/WindowPlacement.h"

#ifndef VELDRIS_VERSION
#define VELDRIS_VERSION "0"
#endif

namespace vel {

TFirstMessageForm::TFirstMessageForm(QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                         Qt::CustomizeWindowHint) {
  setObjectName(QStringLiteral("FirstMessageForm"));
  setWindowTitle(QStringLiteral("ＶＥＬＤＲＩＳ ガイド"));
  setAttribute(Qt::WA_ShowWithoutActivating);
  resize(470, 380);
  auto* label = new QLabel(QStringLiteral("このウインドウを表示したまま，ＶＥＬＤＲＩＳを動作させることができます。"), this);
  label->setWordWrap(true);
  memo = new QPlainTextEdit(this);
  memo->setReadOnly(true);
  memo->setPlainText(guideText());
  dontShowAgain = new QCheckBox(QStringLiteral("次回起動時からは，この表示を行わない。"), this);
  auto* close = new QPushButton(QStringLiteral("閉じる"), this);
  connect(close, &QPushButton::clicked, this, &TFirstMessageForm::closeGuide);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(dontShowAgain);
  bottom->addStretch();
  bottom->addWidget(close);
  auto* lay = new QVBoxLayout(this);
  lay->addWidget(label);
  lay->addWidget(memo);
  lay->addLayout(bottom);
}

QString TFirstMessageForm::guideText() {
  const QStringList paragraphs = {
      QStringLiteral("ＶＥＬＤＲＩＳをご利用いただき，ありがとうございます。"),
      QStringLiteral("ＶＥＬＤＲＩＳを初めてお使いの方は，"),
      QStringLiteral("● ヘルプ「ＶＥＬＤＲＩＳとは」を必ずお読み下さい。"),
      QStringLiteral("● Sampleディレクトリ中のサンプルファイルをＶＥＬＤＲＩＳで開き，"
                     "ＶＥＬＤＲＩＳの表示・印刷機能をお確かめ下さい。"),
      QStringLiteral("● 上記のサンプルファイルをエディターで開き，"
                     "ＶＥＬＤＲＩＳ原稿の書き方の参考になさってください。"),
      QStringLiteral("● ＶＥＬＤＲＩＳコマンドを一度に全部覚えるのは大変です。"
                     "原稿を書くときには，常にヘルプ（特に「数式コマンド」「描画コマンド」）を辞書代わりにご参照下さい。"),
      QStringLiteral("● ＶＥＬＤＲＩＳの機能は多岐にわたっていますから，"
                     "しばらくは難しいかもしれませんが，簡単な文書から練習してみてください。"),
      QStringLiteral("● 原稿の書き方の練習には，ヘルプメニュー中の「ＶＥＬＤＲＩＳ入門講座」をご利用下さい。"),
      QStringLiteral("● 随時バージョンアップしています。ヘルプメニュー中の「バージョンアップ」からアクセスしてください。"),
  };
  return paragraphs.join(QStringLiteral("\n\n"));
}

void TFirstMessageForm::showAtCorner() {
  // Placed before it shows, as far as its size is known; again once shown
  // (the layout has its final size) and once the window manager has framed
  // it: its button and check box must not fall off the bottom of the screen.
  auto place = [this] { move(BottomRightCorner(size(), AvailableAreaOf(this), FrameMarginsOf(this))); };
  place();
  show();
  PlaceAgainWhenFramed(this, place);
}

void TFirstMessageForm::closeGuide() {
  if (dontShowAgain->isChecked()) emit dontShowAgainChosen();
  hide();
}

void TFirstMessageForm::closeEvent(QCloseEvent* e) {
  e->ignore();
  closeGuide();
}

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("AboutBox"));
  setWindowTitle(QStringLiteral("ＶＥＬＤＲＩＳ２バージョン情報"));
  setModal(true);
  auto* product = new QLabel(QStringLiteral("ＶＥＬＤＲＩＳ２"), this);
  QFont f = product->font();
  f.setPointSizeF(f.pointSizeF() * 1.6);
  f.setBold(true);
  product->setFont(f);
  version = new QLabel(QStringLiteral("Version %1").arg(QStringLiteral(VELDRIS_VERSION)), this);
  auto* text = new QPlainTextEdit(this);
  text->setReadOnly(true);
  text->setPlainText(QStringLiteral("ＶＥＬＤＲＩＳ２は，高性能な文書作成・表示・印刷ソフトです。"
                                    "複雑な図形・数式・画像を含む文書を，高精度に，しかも自在に表示・印刷することができます。"
                                    "また，マクロや描画関数を定義することによって，文書作成や図形の描画に無限の拡張性と柔軟性を持たせることができます。"));
  auto* close = new QPushButton(QStringLiteral("閉じる"), this);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  auto* lay = new QVBoxLayout(this);
  lay->addWidget(product);
  lay->addWidget(version);
  lay->addWidget(text);
  auto* row = new QHBoxLayout;
  row->addStretch();
  row->addWidget(close);
  lay->addLayout(row);
  resize(420, 260);
}

TAbortPrintForm::TAbortPrintForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint) {
  setObjectName(QStringLiteral("AbortPrintForm"));
  setWindowTitle(QStringLiteral("VELDRIS印刷"));
  setModal(false);
  auto* title = new QLabel(QStringLiteral("VELDRIS2 印刷中"), this);
  fileName = new QLabel(this);
  page = new QLabel(this);
  for (QLabel* l : {title, fileName, page}) l->setAlignment(Qt::AlignCenter);
  cancelButton = new QPushButton(QStringLiteral("印刷中止"), this);
  cancelButton->setObjectName(QStringLiteral("CancelBitBtn"));
  connect(cancelButton, &QPushButton::clicked, this, &TAbortPrintForm::cancelRequested);
  auto* lay = new QVBoxLayout(this);
  lay->addWidget(title);
  lay->addWidget(fileName);
  lay->addWidget(page);
  auto* row = new QHBoxLayout;
  row->addStretch();
  row->addWidget(cancelButton);
  row->addStretch();
  lay->addLayout(row);
  resize(280, 150);
}

void TAbortPrintForm::start(const QString& name, int firstPage) {
  fileName->setText(name.toUpper());
  setPage(firstPage);
  if (QScreen* s = QGuiApplication::primaryScreen()) {
    QRect a = s->availableGeometry();
    move(a.center() - QPoint(width() / 2, height() / 2));
  }
  show();
}

void TAbortPrintForm::setPage(int n) { page->setText(QString::fromStdString(cp932ToUtf8(PrintPageText(n)))); }

void TAbortPrintForm::reject() {}

TFontNameForm::TFontNameForm(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FontNameForm"));
  setWindowTitle(QStringLiteral("フォント名入力支援"));
  setModal(true);
  fonts = new QFontComboBox(this);
  fonts->setObjectName(QStringLiteral("FontList"));
  fonts->setWritingSystem(QFontDatabase::Japanese);
  fonts->setFontFilters(QFontComboBox::ScalableFonts);
  fonts->setEditable(false);
  sample = new QLabel(QStringLiteral("ＶＥＬＤＲＩＳ　あいうえお　漢字かな交じり文　ABC abc 123"), this);
  sample->setMinimumHeight(48);
  auto showSample = [this](const QFont& f) {
    QFont s = f;
    s.setPointSize(14);
    sample->setFont(s);
  };
  connect(fonts, &QFontComboBox::currentFontChanged, this, showSample);
  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
  buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* lay = new QVBoxLayout(this);
  lay->addWidget(new QLabel(QStringLiteral("日本語の文字を持つフォント"), this));
  lay->addWidget(fonts);
  lay->addWidget(sample);
  lay->addWidget(buttons);
  resize(460, 180);
}

bool TFontNameForm::choose(const QString& family, QString& chosen) {
  const int at = fonts->findText(family);
  if (at >= 0) fonts->setCurrentIndex(at);
  QFont s = fonts->currentFont();
  s.setPointSize(14);
  sample->setFont(s);
  if (exec() != QDialog::Accepted || fonts->currentText().isEmpty()) return false;
  chosen = fonts->currentText();
  return true;
}

TFileHistoryEditForm::TFileHistoryEditForm(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FileHistoryEditForm"));
  setWindowTitle(QStringLiteral("ファイルヒストリの整理・編集"));
  setModal(true);
  memo = new QPlainTextEdit(this);
  memo->setLineWrapMode(QPlainTextEdit::NoWrap);
  memo->setToolTip(QStringLiteral("上のファイルヒストリを直接編集できます（削除、追加、並べ替えなど）。"));
  auto* hint = new QLabel(QStringLiteral("上のファイルヒストリを直接編集できます（削除、追加、並べ替えなど）。"), this);
  goButton = new QPushButton(QStringLiteral("GO"), this);
  goButton->setObjectName(QStringLiteral("GoButton"));
  connect(goButton, &QPushButton::clicked, this, [this] { memo->setPlainText(KeepExistingPaths(memo->toPlainText())); });
  auto* go = new QHBoxLayout;
  go->addWidget(goButton);
  go->addWidget(new QLabel(QStringLiteral("存在しないファイルをヒストリから削除"), this));
  go->addStretch();
  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
  buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* lay = new QVBoxLayout(this);
  lay->addWidget(memo);
  lay->addWidget(hint);
  lay->addLayout(go);
  lay->addWidget(buttons);
  resize(520, 360);
}

bool TFileHistoryEditForm::edit(QStringList& history) {
  memo->setPlainText(history.join(QLatin1Char('\n')));
  if (exec() != QDialog::Accepted) return false;
  history = HistoryFromEditorText(memo->toPlainText());
  return true;
}

}  // namespace vel
