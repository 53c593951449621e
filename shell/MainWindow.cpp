// TSDIAppForm: construction, menus and toolbar, settings, keys, closing.
#include "shell/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>

#include "canvas/qt/QtCanvas.h"
#include "shell/DesktopOpen.h"
#include "shell/FileHistory.h"
#include "shell/HelpWindow.h"
#include "shell/InformationForm.h"
#include "shell/KankyoForm.h"
#include "shell/PageForm.h"
#include "shell/PageView.h"
#include "shell/SmallForms.h"
#include "shell/WindowPlacement.h"

#ifndef VELDRIS_PROJECT_URL
#define VELDRIS_PROJECT_URL ""
#endif
#ifndef VELDRIS_ISSUES_URL
#define VELDRIS_ISSUES_URL ""
#endif

namespace vel {

namespace {

QColor toQColor(unsigned c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

// Toolbar glyphs drawn from text, for the buttons the style has no icon for.
QIcon glyphIcon(const QString& text, bool bold = false) {
  QPixmap pm(20, 20);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::TextAntialiasing);
  QFont f = QApplication::font();
  f.setPixelSize(text.size() > 1 ? 11 : 16);
  f.setBold(bold);
  p.setFont(f);
  p.setPen(Qt::black);
  p.drawText(pm.rect(), Qt::AlignCenter, text);
  return QIcon(pm);
}

void saveGeometryOf(const QWidget* w, WindowGeometry& g) {
  g.top = w->y();
  g.left = w->x();
  g.height = w->height();
  g.width = w->width();
  g.valid = true;
}

void applyGeometry(QWidget* w, const WindowGeometry& g) {
  if (g.width > 0 && g.height > 0) w->resize(g.width, g.height);
  w->move(g.left, g.top);
}

}  // namespace

TSDIAppForm::TSDIAppForm(const Options& options) : options_(options), printer_(QPrinter::HighResolution) {
  setObjectName(QStringLiteral("SDIAppForm"));
  projectUrl = QStringLiteral(VELDRIS_PROJECT_URL);
  issuesUrl = QStringLiteral(VELDRIS_ISSUES_URL);

  // 1-3. The engine with its measuring surface; the screen's resolution.
  if (QScreen* s = QGuiApplication::primaryScreen()) dpi_ = qRound(s->logicalDotsPerInchX());
  if (dpi_ <= 0) dpi_ = 96;
  measure_ = QtCanvas::measureOnly(dpi_);
  engine_ = std::make_unique<Engine>(static_cast<Host&>(*this), *measure_);
  const QString dataDir = programDataDir();
  engine_->programInputDir = (dataDir + QStringLiteral("/input")).toStdString();
  engine_->setView(dpi_, zoom_);

  // The view.
  view_ = new PageView(this);
  setCentralWidget(view_);
  view_->installEventFilter(this);
  view_->viewport()->installEventFilter(this);
  connect(view_, &PageView::doubleClicked, this, &TSDIAppForm::RefreshItemClick);
  connect(view_, &PageView::wheelSteps, this, [this](int steps) { view_->scrollBy(0, steps * PageView::kIncrement); });
  // Ctrl over the page names the source line under the pointer in the
  // status bar; Ctrl+click opens the editor there.
  connect(view_, &PageView::sourceHovered, this, &TSDIAppForm::ShowSourceUnder);
  connect(view_, &PageView::sourceClicked, this, &TSDIAppForm::OpenSourceAt);
  statusBar()->setObjectName(QStringLiteral("StatusBar"));
  statusBar()->setSizeGripEnabled(false);

  // 5. The settings.
  QString home = options_.homeDir.isEmpty() ? QDir::currentPath() : options_.homeDir;
  settings_ = AppSettings::defaults(dataDir + QStringLiteral("/input"), home);
  {
    std::unique_ptr<QSettings> s(options_.settingsFile.isEmpty()
                                     ? openUserSettings()
                                     : new QSettings(options_.settingsFile, QSettings::IniFormat));
    settings_.load(*s);
  }
  engine_->settings = settings_.engineSettings(dataDir + QStringLiteral("/input"));

  createActions();
  createMenus();
  createToolBar();
  ApplyColors();

  timer1_.setInterval(2000);
  connect(&timer1_, &QTimer::timeout, this, &TSDIAppForm::Timer1Timer);
  ApplyRefreshTimer();
  timer2_.setSingleShot(true);
  timer2_.setInterval(500);
  connect(&timer2_, &QTimer::timeout, this, &TSDIAppForm::Timer2Timer);
  settle_.setSingleShot(true);
  settle_.setInterval(300);
  connect(&settle_, &QTimer::timeout, this, &TSDIAppForm::SourceSettled);
  connect(&watcher_, &QFileSystemWatcher::fileChanged, this, &TSDIAppForm::SourceChanged);
  connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, &TSDIAppForm::SourceChanged);

  // 6. The default paper on the view.
  setWindowTitle(TitleBase());
  ResetDisplay();
  SetGamenTopLeftYohaku();

  // The other windows, in the program's order.
  abortPrint_ = new TAbortPrintForm(this);
  connect(abortPrint_, &TAbortPrintForm::cancelRequested, this, [this] { cancelRequest_ = true; });
  pageForm_ = new TPageForm(this);
  information_ = new TInformationForm(this);
  applyGeometry(information_, settings_.informationForm);
  firstMessage_ = new TFirstMessageForm(this);
  connect(firstMessage_, &TFirstMessageForm::dontShowAgainChosen, this, [this] { settings_.firstMessage = false; });
  kankyo_ = new TKankyoForm(this);
  connect(kankyo_, &TKankyoForm::historyEditRequested, this, &TSDIAppForm::ResetFileHistoryItemClick);
  connect(kankyo_, &TKankyoForm::helpRequested, this, &TSDIAppForm::ShowHelpTopic);
  about_ = new TAboutBox(this);
  historyEdit_ = new TFileHistoryEditForm(this);
  fontName_ = new TFontNameForm(this);
  opener_ = new DesktopOpener(this);
  applyGeometry(historyEdit_, settings_.fileHistoryEditForm);
  // The help window has no owner: a dialog that is open (the settings) must
  // not block it.
  help_ = new HelpWindow(dataDir + QStringLiteral("/help"), nullptr);

  SetFileHistoryMenu(QString());
  FormCreate();
}

TSDIAppForm::~TSDIAppForm() {
  // The engine's state points at this window as its host.
  engine_.reset();
  delete help_;
}

void TSDIAppForm::FormCreate() {
  // The frame is not known yet: the place is checked again once the window
  // is shown and framed (showEvent).
  const WindowGeometry g = PullBackOntoScreen(settings_.mainForm, AvailableAreaOf(this), QMargins());
  resize(std::max(200, g.width), std::max(150, g.height));
  move(g.left, g.top);
  ApplyToolBar();
  if (settings_.firstMessage && options_.firstMessage) firstMessage_->showAtCorner();
}

void TSDIAppForm::KeepOnScreen() {
  WindowGeometry now;
  now.top = y();
  now.left = x();
  now.height = height();
  now.width = width();
  const WindowGeometry g = PullBackOntoScreen(now, AvailableAreaOf(this), FrameMarginsOf(this));
  if (g.width != now.width || g.height != now.height) resize(std::max(200, g.width), std::max(150, g.height));
  if (g.left != now.left || g.top != now.top) move(g.left, g.top);
}

void TSDIAppForm::showEvent(QShowEvent* e) {
  QMainWindow::showEvent(e);
  if (placedOnce_) return;
  placedOnce_ = true;
  PlaceAgainWhenFramed(this, [this] { KeepOnScreen(); });
}

QAction* TSDIAppForm::action(const QString& objectName) const { return findChild<QAction*>(objectName); }

void TSDIAppForm::createActions() {
  auto make = [this](const char* name, const QString& text, const QKeySequence& key, auto handler) {
    auto* a = new QAction(text, this);
    a->setObjectName(QString::fromLatin1(name));
    if (!key.isEmpty()) {
      a->setShortcut(key);
      a->setShortcutContext(Qt::WindowShortcut);
    }
    connect(a, &QAction::triggered, this, handler);
    addAction(a);
    return a;
  };
  make("OpenItem", QStringLiteral("開く(&O)..."), QKeySequence(Qt::CTRL | Qt::Key_O), &TSDIAppForm::OpenItemClick);
  make("OpenTorivanDataItem", QStringLiteral("とりばんデータを開く(&H)"), QKeySequence(Qt::Key_F6),
       &TSDIAppForm::OpenTorivanDataItemClick);
  resetHistoryItem_ = make("ResetFileHistoryItem", QStringLiteral("ファイル履歴を整理 (&S)"), QKeySequence(),
                           &TSDIAppForm::ResetFileHistoryItemClick);
  make("PrintItem", QStringLiteral("印刷(&P)"), QKeySequence(Qt::CTRL | Qt::Key_P), &TSDIAppForm::PrintItemClick);
  make("ExitItem", QStringLiteral("終了(&X)"), QKeySequence(Qt::ALT | Qt::Key_X), &QWidget::close);
  make("RePaintItem", QStringLiteral("再描画(&R)"), QKeySequence(Qt::Key_F5), &TSDIAppForm::RePaintButtonClick);
  make("anybaiItem", QStringLiteral("任意倍率"), QKeySequence(), &TSDIAppForm::anybaiItemClick);
  make("RefreshItem", QStringLiteral("画面のリフレッシュ (&P)"), QKeySequence(), &TSDIAppForm::RefreshItemClick);
  make("SourceFileItem", QStringLiteral("ソースファイル(&S)"), QKeySequence(), &TSDIAppForm::SourceFileItemClick);
  make("FirstPageItem", QStringLiteral("最初のページへ(&F)"), QKeySequence(Qt::Key_F9), &TSDIAppForm::FirstPageItemClick);
  make("PrevPageItem", QStringLiteral("手前のページへ(&P)"), QKeySequence(Qt::Key_F10), &TSDIAppForm::PrevPageItemClick);
  make("NextPageItem", QStringLiteral("次のページへ(&N)"), QKeySequence(Qt::Key_F11), &TSDIAppForm::NextPageItemClick);
  make("LastPageItem", QStringLiteral("最後のページへ(&L)"), QKeySequence(Qt::Key_F12), &TSDIAppForm::LastPageItemClick);
  make("AnyPageItem", QStringLiteral("任意のページ(&A)"), QKeySequence(), &TSDIAppForm::AnyPageItemClick);
  make("GoToLineItem", QStringLiteral("ソースの行へ(&G)..."), QKeySequence(Qt::CTRL | Qt::Key_G),
       &TSDIAppForm::GoToLineItemClick);
  make("KankyoItem", QStringLiteral("環境設定(&K)"), QKeySequence(), &TSDIAppForm::KankyoItemClick);
  make("ContentsItem", QStringLiteral("目次(&C)"), QKeySequence(Qt::Key_F1), [this] { ShowHelpTopic(0); });
  make("AboutVeldrisItem", QStringLiteral("ＶＥＬＤＲＩＳとは？(&W)"), QKeySequence(), [this] { ShowHelpTopic(1); });
  make("MathCommandItem", QStringLiteral("数式コマンド一覧(&M)"), QKeySequence(Qt::Key_F7), [this] { ShowHelpTopic(2); });
  make("DrawCommandItem", QStringLiteral("描画コマンド一覧(&D)"), QKeySequence(Qt::Key_F8), [this] { ShowHelpTopic(3); });
  make("FontNameNyuryokuItem", QStringLiteral("フォント名入力支援(&F)"), QKeySequence(),
       &TSDIAppForm::FontNameNyuryokuItemClick);
  make("VELDRISNyumonItem", QStringLiteral("VELDRIS 入門講座 (&L)"), QKeySequence(), &TSDIAppForm::VELDRISNyumonItemClick);
  make("PDFItem", QStringLiteral("PDFファイルの作成について(&P)"), QKeySequence(), [this] { ShowHelpTopic(4); });
  make("MailToZendarSystemItem", QStringLiteral("ご意見・ご要望(&E)"), QKeySequence(),
       &TSDIAppForm::MailToZendarSystemItemClick);
  make("AboutVersionUpItem", QStringLiteral("バージョンアップ(&V)"), QKeySequence(), &TSDIAppForm::AboutVersionUpItemClick);
  make("About1", QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報(&A)..."), QKeySequence(), &TSDIAppForm::About1Click);

  struct ZoomItem {
    const char* name;
    const char16_t* text;
    double zoom;
  };
  static const ZoomItem zooms[] = {
      {"bai200Item", u"倍率 200% (&a)", 2.0}, {"bai150Item", u"倍率 150% (&b)", 1.5}, {"bai100Item", u"倍率 100% (&1)", 1.0},
      {"bai90Item", u"倍率  90% (&9)", 0.9},  {"bai80Item", u"倍率  80% (&8)", 0.8},  {"bai70Item", u"倍率  70% (&7)", 0.7},
      {"bai60Item", u"倍率  60% (&6)", 0.6},  {"bai50Item", u"倍率  50% (&5)", 0.5},  {"bai40Item", u"倍率  40% (&4)", 0.4},
  };
  for (const ZoomItem& z : zooms) {
    double value = z.zoom;
    zoomItems_ << make(z.name, QString::fromUtf16(z.text), QKeySequence(), [this, value] { SetZoom(value); });
  }

  for (int i = 0; i < 20; ++i) {
    auto* a = new QAction(this);
    a->setObjectName(QStringLiteral("item%1").arg(i < 10 ? QChar('0' + i) : QChar('A' + i - 10)));
    connect(a, &QAction::triggered, this, [this, i] { OpenHistoryItem(i); });
    historyItems_ << a;
  }
}

void TSDIAppForm::createMenus() {
  QMenuBar* bar = menuBar();
  QMenu* file = bar->addMenu(QStringLiteral("ﾌｧｲﾙ(&F)"));
  file->setObjectName(QStringLiteral("FileMenu"));
  file->addAction(action(QStringLiteral("OpenItem")));
  file->addAction(action(QStringLiteral("OpenTorivanDataItem")));
  historySep1_ = file->addSeparator();
  for (QAction* a : historyItems_) file->addAction(a);
  historySep2_ = file->addSeparator();
  file->addAction(resetHistoryItem_);
  file->addSeparator();
  file->addAction(action(QStringLiteral("PrintItem")));
  file->addSeparator();
  file->addAction(action(QStringLiteral("ExitItem")));

  QMenu* view = bar->addMenu(QStringLiteral("表示(&V)"));
  view->setObjectName(QStringLiteral("ViewMenu"));
  view->addAction(action(QStringLiteral("RePaintItem")));
  view->addSeparator();
  view->addAction(action(QStringLiteral("anybaiItem")));
  for (QAction* a : zoomItems_) view->addAction(a);
  view->addSeparator();
  view->addAction(action(QStringLiteral("RefreshItem")));
  view->addSeparator();
  view->addAction(action(QStringLiteral("SourceFileItem")));

  QMenu* page = bar->addMenu(QStringLiteral("ページ(&P)"));
  page->setObjectName(QStringLiteral("PageMenu"));
  for (const char* n : {"FirstPageItem", "PrevPageItem", "NextPageItem", "LastPageItem"})
    page->addAction(action(QString::fromLatin1(n)));
  page->addSeparator();
  page->addAction(action(QStringLiteral("AnyPageItem")));
  page->addAction(action(QStringLiteral("GoToLineItem")));

  QMenu* env = bar->addMenu(QStringLiteral("環境(&S)"));
  env->setObjectName(QStringLiteral("KankyoMenu"));
  env->addAction(action(QStringLiteral("KankyoItem")));

  QMenu* help = bar->addMenu(QStringLiteral("ﾍﾙﾌﾟ(&H)"));
  help->setObjectName(QStringLiteral("HelpMenu"));
  for (const char* n : {"ContentsItem", "AboutVeldrisItem"}) help->addAction(action(QString::fromLatin1(n)));
  help->addSeparator();
  for (const char* n : {"MathCommandItem", "DrawCommandItem", "FontNameNyuryokuItem"})
    help->addAction(action(QString::fromLatin1(n)));
  help->addSeparator();
  for (const char* n : {"VELDRISNyumonItem", "PDFItem"}) help->addAction(action(QString::fromLatin1(n)));
  help->addSeparator();
  for (const char* n : {"MailToZendarSystemItem", "AboutVersionUpItem"}) help->addAction(action(QString::fromLatin1(n)));
  help->addSeparator();
  help->addAction(action(QStringLiteral("About1")));
}

void TSDIAppForm::createToolBar() {
  toolBar_ = new QToolBar(this);
  toolBar_->setObjectName(QStringLiteral("ToolBar1"));
  toolBar_->setMovable(false);
  toolBar_->setFloatable(false);
  toolBar_->setIconSize(QSize(18, 18));
  toolBar_->toggleViewAction()->setEnabled(false);
  toolBar_->setContextMenuPolicy(Qt::PreventContextMenu);
  addToolBar(Qt::TopToolBarArea, toolBar_);

  auto button = [this](const char* name, const QIcon& icon, const QString& hint, const char* item) {
    auto* a = new QAction(icon, hint, this);
    a->setObjectName(QString::fromLatin1(name));
    a->setToolTip(hint);
    a->setStatusTip(hint);
    QAction* menuItem = action(QString::fromLatin1(item));
    connect(a, &QAction::triggered, menuItem, &QAction::trigger);
    toolBar_->addAction(a);
    if (auto* b = qobject_cast<QToolButton*>(toolBar_->widgetForAction(a))) b->setFocusPolicy(Qt::NoFocus);
    return a;
  };
  QStyle* st = style();
  button("OpenButton", st->standardIcon(QStyle::SP_DialogOpenButton), QStringLiteral("開く(Ctrl+O)"), "OpenItem");
  button("RePaintButton", st->standardIcon(QStyle::SP_BrowserReload), QStringLiteral("再描画(F5)"), "RePaintItem");
  pageNum_ = new QLabel(QStringLiteral("0/0"), toolBar_);
  pageNum_->setObjectName(QStringLiteral("PageNum"));
  pageNum_->setMinimumWidth(64);
  pageNum_->setAlignment(Qt::AlignCenter);
  toolBar_->addSeparator();
  toolBar_->addWidget(pageNum_);
  toolBar_->addSeparator();
  button("PrintButton", glyphIcon(QStringLiteral("印")), QStringLiteral("印刷(Ctrl+P)"), "PrintItem");
  QAction* sigma = button("MathCommandButton", QIcon(), QStringLiteral("数式コマンド一覧(F7)"), "MathCommandItem");
  sigma->setText(QStringLiteral("Σ"));
  if (auto* b = qobject_cast<QToolButton*>(toolBar_->widgetForAction(sigma))) b->setToolButtonStyle(Qt::ToolButtonTextOnly);
  button("DrawCommandButton", glyphIcon(QStringLiteral("図")), QStringLiteral("描画コマンド一覧(F8)"), "DrawCommandItem");
  button("HelpButton", glyphIcon(QStringLiteral("?"), true), QStringLiteral("ヘルプ(F1)"), "ContentsItem");
  toolBar_->addSeparator();
  button("FirstPageButton", st->standardIcon(QStyle::SP_MediaSkipBackward), QStringLiteral("最初のページへ(F9)"),
         "FirstPageItem");
  button("PrevPageButton", st->standardIcon(QStyle::SP_MediaSeekBackward), QStringLiteral("手前のページへ(F10)"),
         "PrevPageItem");
  button("NextPageButton", st->standardIcon(QStyle::SP_MediaSeekForward), QStringLiteral("次のページへ(F11)"),
         "NextPageItem");
  button("LastPageButton", st->standardIcon(QStyle::SP_MediaSkipForward), QStringLiteral("最後のページへ(F12)"),
         "LastPageItem");
}

void TSDIAppForm::ApplyColors() {
  toolBar_->setStyleSheet(QStringLiteral("QToolBar#ToolBar1 { background-color: %1; border: none; }")
                              .arg(toQColor(settings_.toolBarColor).name()));
  view_->setMarginColor(toQColor(settings_.yohakuColor));
}

void TSDIAppForm::ApplyToolBar() { toolBar_->setVisible(settings_.toolBarDisp); }

void TSDIAppForm::ApplyRefreshTimer() {
  if (settings_.refreshTimerOn()) {
    if (!timer1_.isActive()) timer1_.start();
  } else {
    timer1_.stop();
  }
}

void TSDIAppForm::Timer1Timer() {
  if (!settings_.refreshTimerOn()) {
    timer1_.stop();
    return;
  }
  timer1_.setInterval(settings_.refreshInterval);
  RefreshItemClick();
}

void TSDIAppForm::SetFileHistoryMenu(const QString& path) {
  SetFileHistory(settings_.fileHistory, path, settings_.maxFileHistories);
  const QStringList& h = settings_.fileHistory;
  const bool any = !h.isEmpty();
  historySep1_->setVisible(any);
  historySep2_->setVisible(any);
  resetHistoryItem_->setVisible(any);
  for (int i = 0; i < historyItems_.size(); ++i) {
    const bool shown = i < h.size();
    historyItems_[i]->setVisible(shown);
    if (shown) historyItems_[i]->setText(HistoryCaption(i, h[i]));
  }
}

void TSDIAppForm::SaveSettings() {
  saveGeometryOf(this, settings_.mainForm);
  saveGeometryOf(information_, settings_.informationForm);
  saveGeometryOf(historyEdit_, settings_.fileHistoryEditForm);
  std::unique_ptr<QSettings> s(options_.settingsFile.isEmpty() ? openUserSettings()
                                                               : new QSettings(options_.settingsFile, QSettings::IniFormat));
  settings_.save(*s);
  s->sync();
}

void TSDIAppForm::closeEvent(QCloseEvent* e) {
  // FormClose: the settings reach the store now.
  SaveSettings();
  for (QWidget* w : std::initializer_list<QWidget*>{information_, firstMessage_, help_, abortPrint_}) w->hide();
  e->accept();
}

bool TSDIAppForm::KeyDown(QKeyEvent* e) {
  if (e->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) return false;
  switch (e->key()) {
    case Qt::Key_PageUp: PrevPageItemClick(); return true;
    case Qt::Key_PageDown: NextPageItemClick(); return true;
    case Qt::Key_Home: view_->scrollToTopLeft(); return true;
    case Qt::Key_End: view_->scrollToBottomRight(); return true;
    case Qt::Key_Left: view_->scrollBy(-PageView::kIncrement, 0); return true;
    case Qt::Key_Right: view_->scrollBy(PageView::kIncrement, 0); return true;
    case Qt::Key_Up: view_->scrollBy(0, -PageView::kIncrement); return true;
    case Qt::Key_Down: view_->scrollBy(0, PageView::kIncrement); return true;
    default: return false;
  }
}

bool TSDIAppForm::eventFilter(QObject* watched, QEvent* e) {
  // The window sees the keys before the view does.
  if (e->type() == QEvent::KeyPress && (watched == view_ || watched == view_->viewport())) {
    if (KeyDown(static_cast<QKeyEvent*>(e))) return true;
  }
  return QMainWindow::eventFilter(watched, e);
}

void TSDIAppForm::keyPressEvent(QKeyEvent* e) {
  if (!KeyDown(e)) QMainWindow::keyPressEvent(e);
}

}  // namespace vel
