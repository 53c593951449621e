#include "shell/KankyoForm.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "base/Cp932.h"
#include "state/Settings.h"

namespace vel {

namespace {
QColor toQColor(unsigned c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }
unsigned fromQColor(const QColor& q) {
  return unsigned(q.red()) | (unsigned(q.green()) << 8) | (unsigned(q.blue()) << 16);
}
QString defaultXHead() { return QString::fromStdString(cp932ToUtf8(Settings::defaultXHead())); }
QString defaultXTail() { return QString::fromStdString(cp932ToUtf8(Settings::defaultXTail())); }
}  // namespace

QString DirectoryHint() {
#ifdef Q_OS_WIN
  return QStringLiteral("ドライブ名から始まるフルパス指定。２個以上指定するときは，セミコロンで区切る。");
#else
  return QStringLiteral("「/」から始まるフルパス指定。２個以上指定するときは，セミコロンで区切る。");
#endif
}

QString AssociationCaption() {
#ifdef Q_OS_WIN
  return QStringLiteral("Windows によって拡張子\"vdr\"に関連付けられている実行ファイル(エディタ)で開く。");
#else
  return QStringLiteral("デスクトップで拡張子\"vdr\"に関連付けられているアプリケーション(エディタ)で開く。");
#endif
}

QStringList DirFieldEntries(const QString& text) {
  QStringList out;
  for (QString d : splitDirList(text)) {
    if (d.size() > 1 && (d.endsWith(QLatin1Char('\\')) || d.endsWith(QLatin1Char('/')))) d.chop(1);
    out << d;
  }
  return out;
}

TKankyoForm::TKankyoForm(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("KankyoForm"));
  setWindowTitle(QStringLiteral("VELDRIS2 環境設定"));
  // Modal to the main window only: its help page stays usable beside it.
  setWindowModality(Qt::WindowModal);

  auto edit = [this](const char* name) {
    auto* e = new QLineEdit(this);
    e->setObjectName(QString::fromLatin1(name));
    return e;
  };

  // ディレクトリ条件
  auto* dirs = new QGroupBox(QStringLiteral("ディレクトリ条件"), this);
  inputDirEdit = edit("InputDirEdit");
  imageDirEdit = edit("ImageDirEdit");
  auto* inputBrowse = new QPushButton(QStringLiteral("参照"), dirs);
  auto* imageBrowse = new QPushButton(QStringLiteral("参照"), dirs);
  auto* dg = new QGridLayout(dirs);
  dg->addWidget(new QLabel(QStringLiteral("インプットファイルのディレクトリ"), dirs), 0, 0);
  dg->addWidget(inputDirEdit, 0, 1);
  dg->addWidget(inputBrowse, 0, 2);
  dg->addWidget(new QLabel(QStringLiteral("画像ファイルのディレクトリ"), dirs), 1, 0);
  dg->addWidget(imageDirEdit, 1, 1);
  dg->addWidget(imageBrowse, 1, 2);
  dg->addWidget(new QLabel(DirectoryHint(), dirs), 2, 0, 1, 3);
  connect(inputBrowse, &QPushButton::clicked, this, [this] { browseDir(inputDirEdit); });
  connect(imageBrowse, &QPushButton::clicked, this, [this] { browseDir(imageDirEdit); });

  // 禁則文字
  auto* kinsoku = new QGroupBox(QStringLiteral("禁則文字"), this);
  xHeadEdit = edit("XHeadEdit");
  xTailEdit = edit("XTailEdit");
  auto* head1 = new QPushButton(QStringLiteral("行頭禁則初期設定１"), kinsoku);
  auto* head2 = new QPushButton(QStringLiteral("行頭禁則初期設定２ (促音等を含む)"), kinsoku);
  auto* tail1 = new QPushButton(QStringLiteral("行末禁則初期設定"), kinsoku);
  auto* kg = new QGridLayout(kinsoku);
  kg->addWidget(new QLabel(QStringLiteral("行頭禁則文字"), kinsoku), 0, 0);
  kg->addWidget(xHeadEdit, 0, 1, 1, 2);
  kg->addWidget(new QLabel(QStringLiteral("行末禁則文字"), kinsoku), 1, 0);
  kg->addWidget(xTailEdit, 1, 1, 1, 2);
  auto* kb = new QHBoxLayout;
  kb->addWidget(head1);
  kb->addWidget(head2);
  kb->addWidget(tail1);
  kg->addLayout(kb, 2, 0, 1, 3);
  connect(head1, &QPushButton::clicked, this, [this] { xHeadEdit->setText(defaultXHead()); });
  connect(head2, &QPushButton::clicked, this, [this] {
    xHeadEdit->setText(defaultXHead() + QStringLiteral("ヽヾゝゞ々ーｰぁぃぅぇぉっゃゅょァィゥェォッャュョ"));
  });
  connect(tail1, &QPushButton::clicked, this, [this] { xTailEdit->setText(defaultXTail()); });

  // Options
  auto* options = new QGroupBox(this);
  historySizeEdit = edit("HistorySizeEdit");
  historySizeEdit->setMaximumWidth(60);
  auto* clearHistory = new QPushButton(QStringLiteral("履歴を消去"), options);
  clearHistory->setObjectName(QStringLiteral("ResetFileHistoryButton"));
  refreshCheck = new QCheckBox(QStringLiteral("一定間隔で画面をリフレッシュ"), options);
  refreshIntervalEdit = edit("RefreshIntervalEdit");
  refreshIntervalEdit->setMaximumWidth(80);
  toolBarCheck = new QCheckBox(QStringLiteral("ツールバーを表示する。"), options);
  yohakuCheck = new QCheckBox(QStringLiteral("メイン画面の上・左に余白を表示する。"), options);
  smallCharCheck = new QCheckBox(QStringLiteral("接続しているプリンタで，数式の添え字類が正しく印刷されない。"), options);
  autoOpenCheck =
      new QCheckBox(QStringLiteral("VELDRIS2 起動時に，前回最後に開いていたファイルを自動的に開く。"), options);
  autoRetypesetCheck =
      new QCheckBox(QStringLiteral("ソースファイルが保存されたら，自動的に組み直して表示する。"), options);
  auto* og = new QVBoxLayout(options);
  auto* hist = new QHBoxLayout;
  hist->addWidget(new QLabel(QStringLiteral("● 「ファイル」メニュー中のファイル履歴の最大個数"), options));
  hist->addWidget(historySizeEdit);
  hist->addWidget(new QLabel(QStringLiteral("(5～20)"), options));
  hist->addStretch();
  hist->addWidget(clearHistory);
  og->addLayout(hist);
  auto* refresh = new QHBoxLayout;
  refresh->addWidget(refreshCheck);
  refresh->addWidget(new QLabel(QStringLiteral("： リフレッシュ間隔"), options));
  refresh->addWidget(refreshIntervalEdit);
  refresh->addWidget(new QLabel(QStringLiteral("ミリ秒(5000～10000)"), options));
  refresh->addStretch();
  og->addLayout(refresh);
  og->addWidget(toolBarCheck);
  og->addWidget(yohakuCheck);
  og->addWidget(smallCharCheck);
  og->addWidget(autoOpenCheck);
  og->addWidget(autoRetypesetCheck);
  connect(refreshCheck, &QCheckBox::toggled, this, &TKankyoForm::updateEnabled);
  connect(clearHistory, &QPushButton::clicked, this, [this] {
    if (!historyEmpty_) emit historyEditRequested();
  });

  // ソースファイルをエディタで開く方法
  auto* editor = new QGroupBox(QStringLiteral("ソースファイルをエディタで開く方法"), this);
  editorRadio = new QRadioButton(QStringLiteral("ソースファイルを開くためのエディタを指定。"), editor);
  associationRadio = new QRadioButton(AssociationCaption(), editor);
  editorEdit = edit("EditorEdit");
  editorBrowse = new QPushButton(QStringLiteral("参照"), editor);
  auto* eg = new QGridLayout(editor);
  eg->addWidget(editorRadio, 0, 0, 1, 3);
  eg->addWidget(new QLabel(QStringLiteral("エディタのファイル名(フルパス)"), editor), 1, 0);
  eg->addWidget(editorEdit, 1, 1);
  eg->addWidget(editorBrowse, 1, 2);
  eg->addWidget(associationRadio, 2, 0, 1, 3);
  connect(editorRadio, &QRadioButton::toggled, this, &TKankyoForm::updateEnabled);
  connect(editorBrowse, &QPushButton::clicked, this, &TKankyoForm::browseEditor);

  // 画面の配色
  auto* colors = new QGroupBox(QStringLiteral("画面の配色"), this);
  toolBarColorButton = new QPushButton(colors);
  yohakuColorButton = new QPushButton(colors);
  toolBarColorButton->setObjectName(QStringLiteral("ToolBarColorBox"));
  yohakuColorButton->setObjectName(QStringLiteral("YohakuColorBox"));
  auto* cg = new QHBoxLayout(colors);
  cg->addWidget(new QLabel(QStringLiteral("ツールバーの色"), colors));
  cg->addWidget(toolBarColorButton);
  cg->addSpacing(24);
  cg->addWidget(new QLabel(QStringLiteral("余白部分の色"), colors));
  cg->addWidget(yohakuColorButton);
  cg->addStretch();
  connect(toolBarColorButton, &QPushButton::clicked, this, [this] { pickColor(toolBarColorButton, toolBarColor_); });
  connect(yohakuColorButton, &QPushButton::clicked, this, [this] { pickColor(yohakuColorButton, yohakuColor_); });

  auto* buttons = new QDialogButtonBox(this);
  auto* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
  auto* cancel = buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
  auto* help = buttons->addButton(QStringLiteral("ヘルプ"), QDialogButtonBox::HelpRole);
  ok->setObjectName(QStringLiteral("OkBitBtn"));
  cancel->setObjectName(QStringLiteral("CancelBitBtn"));
  help->setObjectName(QStringLiteral("HelpBitBtn"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(help, &QPushButton::clicked, this, [this] { emit helpRequested(5); });

  auto* lay = new QVBoxLayout(this);
  lay->addWidget(dirs);
  lay->addWidget(kinsoku);
  lay->addWidget(options);
  lay->addWidget(editor);
  lay->addWidget(colors);
  lay->addWidget(buttons);
}

void TKankyoForm::fill(const AppSettings& s) {
  homeDir_ = s.homeDir;
  historyEmpty_ = s.fileHistory.isEmpty();
  inputDirEdit->setText(s.inputFileDirs.join(QLatin1Char(';')));
  imageDirEdit->setText(s.imageFileDirs.join(QLatin1Char(';')));
  xHeadEdit->setText(s.xHead);
  xTailEdit->setText(s.xTail);
  historySizeEdit->setText(QString::number(s.maxFileHistories));
  refreshCheck->setChecked(s.doRefresh);
  refreshIntervalEdit->setText(QString::number(s.refreshInterval));
  toolBarCheck->setChecked(s.toolBarDisp);
  yohakuCheck->setChecked(s.yohakuDisp);
  smallCharCheck->setChecked(s.smallCharPrintError);
  autoOpenCheck->setChecked(s.autoOpen);
  autoRetypesetCheck->setChecked(s.autoRetypeset);
  (s.howToOpenEditor == 0 ? associationRadio : editorRadio)->setChecked(true);
  editorEdit->setText(s.editorName);
  toolBarColor_ = s.toolBarColor;
  yohakuColor_ = s.yohakuColor;
  showColor(toolBarColorButton, toolBarColor_);
  showColor(yohakuColorButton, yohakuColor_);
  updateEnabled();
}

KankyoChanges TKankyoForm::apply(AppSettings& s) const {
  KankyoChanges c;
  // 1. Directories.
  s.inputFileDirs = DirFieldEntries(inputDirEdit->text());
  s.imageFileDirs = DirFieldEntries(imageDirEdit->text());
  // 2. Line-breaking sets.
  s.xHead = AppSettings::withoutFirstQuote(xHeadEdit->text());
  s.xTail = AppSettings::withoutFirstQuote(xTailEdit->text());
  // 3. History size.
  s.maxFileHistories = AppSettings::historySizeFromText(historySizeEdit->text());
  // 4. Screen refresh.
  s.doRefresh = refreshCheck->isChecked();
  s.refreshInterval = AppSettings::refreshIntervalFromText(refreshIntervalEdit->text());
  // 5. Toolbar and margin.
  c.toolBarDisp = toolBarCheck->isChecked() != s.toolBarDisp;
  s.toolBarDisp = toolBarCheck->isChecked();
  c.yohakuDisp = yohakuCheck->isChecked() != s.yohakuDisp;
  s.yohakuDisp = yohakuCheck->isChecked();
  // 6. Small math characters.
  c.smallCharPrintError = smallCharCheck->isChecked() != s.smallCharPrintError;
  s.smallCharPrintError = smallCharCheck->isChecked();
  // 7. Editor.
  s.howToOpenEditor = associationRadio->isChecked() ? 0 : 1;
  s.editorName = editorEdit->text().trimmed();
  // 8. Start-up opening, and re-typesetting on save.
  s.autoOpen = autoOpenCheck->isChecked();
  c.autoRetypeset = autoRetypesetCheck->isChecked() != s.autoRetypeset;
  s.autoRetypeset = autoRetypesetCheck->isChecked();
  // 9. Colours.
  s.toolBarColor = toolBarColor_;
  c.yohakuColor = yohakuColor_ != s.yohakuColor;
  s.yohakuColor = yohakuColor_;
  return c;
}

void TKankyoForm::browseDir(QLineEdit* field) {
  QString dir = QFileDialog::getExistingDirectory(this, QString(), homeDir_);
  if (dir.isEmpty()) return;
  QString t = field->text().trimmed();
  if (!t.isEmpty()) t += QLatin1Char(';');
  field->setText(t + QDir::toNativeSeparators(dir));
}

void TKankyoForm::browseEditor() {
#ifdef Q_OS_WIN
  const QString filter = QStringLiteral("エディタ(*.exe)");
#else
  // Programs here carry no extension.
  const QString filter = QStringLiteral("エディタ(*)");
#endif
  const QString current = editorEdit->text().trimmed();
  QFileDialog dlg(this, QString(), current.isEmpty() ? homeDir_ : QFileInfo(current).absolutePath(), filter);
  dlg.setFileMode(QFileDialog::ExistingFile);
#ifdef Q_OS_WIN
  dlg.setDefaultSuffix(QStringLiteral("exe"));
#endif
  if (dlg.exec() == QDialog::Accepted && !dlg.selectedFiles().isEmpty())
    editorEdit->setText(QDir::toNativeSeparators(dlg.selectedFiles().first()));
}

void TKankyoForm::pickColor(QPushButton* button, unsigned& color) {
  QColor q = QColorDialog::getColor(toQColor(color), this);
  if (!q.isValid()) return;
  color = fromQColor(q);
  showColor(button, color);
}

void TKankyoForm::showColor(QPushButton* button, unsigned color) {
  button->setFixedSize(48, 24);
  button->setStyleSheet(QStringLiteral("background-color: %1; border: 1px solid gray;").arg(toQColor(color).name()));
}

void TKankyoForm::updateEnabled() {
  refreshIntervalEdit->setEnabled(refreshCheck->isChecked());
  editorEdit->setEnabled(editorRadio->isChecked());
  editorBrowse->setEnabled(editorRadio->isChecked());
}

}  // namespace vel
