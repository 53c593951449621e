// TSDIAppForm: typesetting and the viewer, file opening, printing, help and
// external programs, and the engine's host hooks.
#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPrintDialog>
#include <QProcess>
#include <QUrl>

#include "base/Cp932.h"
#include "canvas/qt/FaceTable.h"
#include "canvas/qt/QtCanvas.h"
#include "frontend/SourceFile.h"
#include "layout/drawing/SheetDrawing.h"
#include "shell/DesktopOpen.h"
#include "shell/FileHistory.h"
#include "shell/HelpWindow.h"
#include "shell/InformationForm.h"
#include "shell/KankyoForm.h"
#include "shell/MainWindow.h"
#include "shell/PageForm.h"
#include "shell/PageView.h"
#include "shell/Printing.h"
#include "shell/SmallForms.h"

namespace vel {

namespace {

QString fromSj(const std::string& s) { return QString::fromStdString(cp932ToUtf8(s)); }

// Whether a run read characters of its files as "〓" (and warned of them).
bool ReadAsGeta(const State& st) {
  for (const SourceFileRecord& f : st.origins.files)
    if (f.replaced > 0) return true;
  return false;
}

}  // namespace

// ---------------------------------------------------------------- messages

void TSDIAppForm::Message(const QString& text) {
  if (messageHook) {
    messageHook(text);
    return;
  }
  QMessageBox box(QMessageBox::NoIcon, QStringLiteral("MESSAGE"), text, QMessageBox::Ok, this);
  box.exec();
}

// ---------------------------------------------------------------- host

void TSDIAppForm::showMessages() {
  information_->clear();
  if (quietRun_) return;
  // Shown, not activated: the keys stay with the main window unless the run
  // stops on an error (focusMessages).
  information_->show();
  information_->raise();
  information_->repaint();
}

void TSDIAppForm::addLine(const std::string& text) {
  information_->addLine(MessageLineText(text));
  if (information_->isVisible()) information_->memo()->repaint();
}

void TSDIAppForm::appendAtCaret(const std::string& text) {
  information_->appendAtCaret(MessageLineText(text));
  if (information_->isVisible()) information_->memo()->repaint();
}

void TSDIAppForm::focusMessages() {
  information_->show();
  information_->raise();
  // A run the user did not ask for leaves the focus with the editor.
  if (!quietRun_) information_->activateWindow();
}

void TSDIAppForm::hideMessages() {
  // Within a run, hidden once it is over: a run that read characters as
  // "〓" keeps the window up, and a window hidden and shown again at once
  // can stay unmapped under a window manager slow to follow the two.
  if (inRun_) {
    hideAfterRun_ = true;
    return;
  }
  hideMessagesNow();
}

void TSDIAppForm::hideMessagesNow() {
  const bool hadKeys = information_->isActiveWindow();
  information_->hide();
  // A hidden window that stays active would swallow Page Up/Down, Home, End
  // and the arrows: they go back to the main window.
  if (hadKeys || !quietRun_) focusMain();
}

void TSDIAppForm::focusMain() {
  if (quietRun_ && !information_->isActiveWindow()) return;
  activateWindow();
  view_->setFocus();
}

void TSDIAppForm::clearPage() {
  // The sheet starts on white paper; the view paints the margin colour
  // around the image.
  if (!drawing_) return;
  const QSize px = view_->image().size();
  drawing_->fillRect(0, 0, px.width(), px.height(), kWhite);
}

void TSDIAppForm::setCaption(const std::string&) {
  // The caption is built from the page label below: the document path is
  // a native name that CP932 may not be able to carry.
}

void TSDIAppForm::setPageLabel(const std::string& text) {
  const QString label = fromSj(text);
  pageNum_->setText(label.trimmed());
  setWindowTitle(QStringLiteral("VELDRIS2(") + documentPath_ + QStringLiteral(")　") + label);
}

// ---------------------------------------------------------------- view

QString TSDIAppForm::TitleBase() const {
  return documentOpen_ ? QStringLiteral("VELDRIS2(") + documentPath_ + QLatin1Char(')') : QStringLiteral("VELDRIS2(無題)");
}

int TSDIAppForm::MarginPixels() const { return settings_.yohakuDisp ? static_cast<int>(5.0 * dpi_ / 25.4) : 0; }

QSize TSDIAppForm::PaperPixels() const {
  double w = engine_->paperWidthMM, h = engine_->paperHeightMM;
  if (const State* st = engine_->state()) {
    w = st->geo.paperWidthMM;
    h = st->geo.paperHeightMM;
  }
  const double k = zoom_ * dpi_ / 25.4;
  return QSize(std::max(1, static_cast<int>(w * k)), std::max(1, static_cast<int>(h * k)));
}

void TSDIAppForm::ResetDisplay() {
  // The page image is the paper at the current zoom (a fixed-size image
  // could not hold the larger papers at the higher zooms).
  const QSize px = PaperPixels();
  QImage& img = view_->image();
  if (img.size() != px) {
    QImage fresh(px, QImage::Format_RGB32);
    if (fresh.isNull()) return;  // no memory for it: the last image stays
    img = std::move(fresh);
  }
  img.fill(Qt::white);
  view_->setScrollRange(px.width() + 40, px.height() + 40);
  view_->viewport()->update();
}

void TSDIAppForm::SetGamenTopLeftYohaku() {
  view_->scrollToTopLeft();
  view_->setPanelOffset(MarginPixels());
}

void TSDIAppForm::DisplayPage(int sheet) {
  State* st = engine_->state();
  if (printing_ || !st || engine_->sheets <= 0) return;
  sheet = std::clamp(sheet, 1, engine_->sheets);
  ResetDisplay();
  QImage& img = view_->image();
  if (img.isNull()) return;
  {
    QtCanvas canvas(static_cast<QPaintDevice&>(img), dpi_, dpi_);
    drawing_ = &canvas;
    SetDrawTarget(*st, DrawTarget{&canvas, double(dpi_), zoom_, false});
    DrawSheet(*st, sheet);
    SetDrawTarget(*st, DrawTarget{measure_.get(), double(dpi_), zoom_, false});
    drawing_ = nullptr;
  }
  engine_->currentSheet = sheet;
  view_->viewport()->update();
}

void TSDIAppForm::DisplayRepaint() {
  engine_->setView(dpi_, zoom_);
  if (printing_) return;
  ResetDisplay();
  if (documentOpen_) DisplayPage(engine_->currentSheet);
}

void TSDIAppForm::SetZoom(double zoom) {
  // The pages being printed take their scale from the same state.
  if (printing_) return;
  zoom_ = std::clamp(zoom, 0.4, 3.0);
  DisplayRepaint();
}

void TSDIAppForm::anybaiItemClick() {
  if (!documentOpen_ || printing_) return;
  QString text;
  if (!pageForm_->ask(QStringLiteral("表示倍率指定"), QStringLiteral("％ (40～300)"), text)) return;
  SetZoom(ZoomPercentFromInput(text) * 0.01);
}

void TSDIAppForm::AnyPageItemClick() {
  if (!documentOpen_ || engine_->sheets <= 0) return;
  QString text;
  if (!pageForm_->ask(QStringLiteral("ページ指定"), QStringLiteral("ページへ(1～%1)").arg(engine_->sheets), text)) return;
  DisplayPage(PageFromInput(text, engine_->sheets));
}

void TSDIAppForm::FirstPageItemClick() {
  if (documentOpen_ && engine_->currentSheet > 1) DisplayPage(1);
}

void TSDIAppForm::PrevPageItemClick() {
  if (documentOpen_ && engine_->currentSheet > 1) DisplayPage(engine_->currentSheet - 1);
}

void TSDIAppForm::NextPageItemClick() {
  if (documentOpen_ && engine_->currentSheet < engine_->sheets) DisplayPage(engine_->currentSheet + 1);
}

void TSDIAppForm::LastPageItemClick() {
  if (documentOpen_ && engine_->currentSheet < engine_->sheets) DisplayPage(engine_->sheets);
}

void TSDIAppForm::RefreshItemClick() {
  if (pageShown_ && !printing_) DisplayPage(engine_->currentSheet);
}

// ---------------------------------------------------------------- typesetting

RunStatus TSDIAppForm::Typeset(int page, bool quiet) {
  engine_->setView(dpi_, zoom_);
  quietRun_ = quiet;
  ++typesetRuns_;
  inRun_ = true;
  hideAfterRun_ = false;
  RunStatus status = engine_->TextDraw(page);
  inRun_ = false;
  const bool geta = status == RunStatus::Done && ReadAsGeta(*engine_->state());
  if (hideAfterRun_ && !geta) hideMessagesNow();
  quietRun_ = false;
  if (geta) {
    // The run warned of characters read as "〓" (in the document or a file
    // it includes): the window stays up to show it, without the keys. A
    // platform that activates what it shows gives them back to the main
    // window, unless the run was started by saving (the editor keeps them)
    // and the window did not have them.
    const bool hadKeys = information_->isActiveWindow();
    information_->show();
    information_->raise();
    if (!quiet || hadKeys) focusMain();
  }
  if (status == RunStatus::Done) {
    if (engine_->sheets > 0) {
      DisplayPage(engine_->currentSheet);
    } else {
      ResetDisplay();
      pageNum_->setText(QStringLiteral("0/0"));
    }
  } else {
    if (!engine_->state()) {
      // No good run of this document: the empty paper, nothing to page.
      ResetDisplay();
      pageNum_->setText(QStringLiteral("0/0"));
    }
    if (quiet) {
      // A run started by saving the file shows its trouble without taking
      // the focus from the editor.
      information_->show();
      information_->raise();
    }
  }
  return status;
}

bool TSDIAppForm::LoadSource(const QString& path, Lines& lines, bool& empty, size_t& replaced) {
  empty = false;
  lines.clear();
  replaced = 0;
  if (!IsOpenableFile(path)) return false;
  if (LoadSourceFile(QFile::encodeName(path).toStdString(), lines, &replaced) != LoadResult::Ok) return false;
  empty = lines.empty();
  StampSource(path);
  return true;
}

void TSDIAppForm::StampSource(const QString& path) {
  QFileInfo fi(path);
  sourceTime_ = fi.lastModified();
  sourceSize_ = fi.size();
}

bool TSDIAppForm::OpenFile(const QString& pathIn) {
  // A copy: the path may be an entry of the history that this call reorders.
  const QString path = pathIn;
  if (printing_) return false;
  Lines lines;
  bool empty = false;
  size_t replaced = 0;
  if (!LoadSource(path, lines, empty, replaced)) {
    Message(path + QStringLiteral("ファイル\n\nは存在しません。ファイル名を確認してください。"));
    return false;
  }
  if (empty) {
    Message(path + QStringLiteral("ファイル\n\nにはデータが入っていません。"));
    return false;
  }
  pageShown_ = false;
  // The last good pages stand in for a failed run of the same file (F5);
  // another file's failed first run must not show, page or print them.
  if (!SameHistoryPath(path, documentPath_)) engine_->ForgetPages();
  SetFileHistoryMenu(path);
  settings_.lastDir = GetDir(path);
  settings_.lastFileName = GetFileName(path);
  documentOpen_ = true;
  documentPath_ = path;
  engine_->documentPath = QFile::encodeName(path).toStdString();
  engine_->source = std::move(lines);
  engine_->sourceReplaced = replaced;
  setWindowTitle(TitleBase());
  SetGamenTopLeftYohaku();
  Typeset(1, false);
  pageShown_ = true;
  UpdateWatcher();
  return true;
}

void TSDIAppForm::RePaintButtonClick() {
  if (!documentOpen_ || printing_) return;
  Lines lines;
  bool empty = false;
  size_t replaced = 0;
  if (!LoadSource(documentPath_, lines, empty, replaced)) {
    Message(documentPath_ + QStringLiteral(" がありません。"));
    return;
  }
  engine_->source = std::move(lines);
  engine_->sourceReplaced = replaced;
  Typeset(engine_->currentSheet > 0 ? engine_->currentSheet : 1, false);
  UpdateWatcher();
}

// ---------------------------------------------------------------- re-typeset on save

void TSDIAppForm::UpdateWatcher() {
  if (!watcher_.files().isEmpty()) watcher_.removePaths(watcher_.files());
  if (!watcher_.directories().isEmpty()) watcher_.removePaths(watcher_.directories());
  if (!settings_.autoRetypeset || !documentOpen_) return;
  // The folder too: editors that save by writing a new file and renaming it
  // replace the watched file.
  watcher_.addPath(documentPath_);
  const QString dir = QFileInfo(documentPath_).absolutePath();
  if (!dir.isEmpty()) watcher_.addPath(dir);
}

void TSDIAppForm::SourceChanged() {
  if (settings_.autoRetypeset && documentOpen_) settle_.start();
}

void TSDIAppForm::SourceSettled() {
  if (!settings_.autoRetypeset || !documentOpen_ || printing_) return;
  QFileInfo fi(documentPath_);
  if (!IsOpenableFile(documentPath_)) return;  // mid-save: the next change follows
  if (fi.lastModified() == sourceTime_ && fi.size() == sourceSize_) return;
  Lines lines;
  bool empty = false;
  size_t replaced = 0;
  if (!LoadSource(documentPath_, lines, empty, replaced)) return;
  if (!watcher_.files().contains(documentPath_)) watcher_.addPath(documentPath_);
  engine_->source = std::move(lines);
  engine_->sourceReplaced = replaced;
  Typeset(engine_->currentSheet > 0 ? engine_->currentSheet : 1, true);
}

// ---------------------------------------------------------------- opening

void TSDIAppForm::OpenItemClick() {
  if (printing_) return;
  QFileDialog dlg(this, QStringLiteral("オープンするファイル"));
  dlg.setNameFilter(QStringLiteral("Veldris File(*.vdr)"));
  dlg.setDefaultSuffix(QStringLiteral("vdr"));
  dlg.setFileMode(QFileDialog::ExistingFile);
  dlg.setAcceptMode(QFileDialog::AcceptOpen);
  const QString last = settings_.lastDir + settings_.lastFileName;
  if (!settings_.lastFileName.isEmpty() && QFileInfo::exists(last)) {
    dlg.setDirectory(settings_.lastDir);
    dlg.selectFile(settings_.lastFileName);
  }
  if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return;
  OpenFile(QFileInfo(dlg.selectedFiles().first()).absoluteFilePath());
}

void TSDIAppForm::OpenHistoryItem(int index) {
  if (printing_ || index < 0 || index >= settings_.fileHistory.size()) return;
  const QString path = settings_.fileHistory[index];
  OpenFile(path);
}

void TSDIAppForm::OpenTorivanDataItemClick() {
  if (printing_) return;
  const QString path = TorivanDataPath();
  if (QFileInfo::exists(path)) {
    OpenFile(path);
  } else {
    Message(QStringLiteral("とりばんデータがありません。\n\n「とりばん」を起動して、VELDRIS用のデータを保存してください。"));
  }
}

void TSDIAppForm::ResetFileHistoryItemClick() {
  QStringList h = settings_.fileHistory;
  if (!historyEdit_->edit(h)) return;
  settings_.fileHistory = h;
  SetFileHistoryMenu(QString());
}

void TSDIAppForm::StartupOpen(const QStringList& args) {
  QString path;
  int line = 0;
  if (!args.isEmpty()) path = StartupPath(args.first(), line);
  else if (settings_.autoOpen && !settings_.lastFileName.isEmpty()) path = settings_.lastDir + settings_.lastFileName;
  if (!path.isEmpty() && OpenFile(path) && line > 0) GoToSourceLine(path, line);
}

// ---------------------------------------------------------------- settings

void TSDIAppForm::KankyoItemClick() {
  // Its colour change redraws and its printer setting typesets again.
  if (printing_) return;
  kankyo_->fill(settings_);
  if (kankyo_->exec() != QDialog::Accepted) return;
  KankyoChanges c = kankyo_->apply(settings_);
  engine_->settings = settings_.engineSettings(QString::fromStdString(engine_->programInputDir));
  SetFileHistoryMenu(QString());
  ApplyRefreshTimer();
  if (c.toolBarDisp) ApplyToolBar();
  if (c.yohakuDisp) SetGamenTopLeftYohaku();
  if (c.smallCharPrintError) RePaintButtonClick();
  if (c.autoRetypeset) UpdateWatcher();
  ApplyColors();
  if (c.yohakuColor) DisplayRepaint();
}

// ---------------------------------------------------------------- printing

void TSDIAppForm::PrintItemClick() {
  if (printing_ || timer2_.isActive()) return;
  if (!documentOpen_ || !engine_->state() || engine_->sheets <= 0) {
    Message(fromSj(NothingToPrintText()));
    return;
  }
  const int sheets = engine_->sheets;
  QPrintDialog dlg(&printer_, this);
  dlg.setOption(QAbstractPrintDialog::PrintPageRange, true);
  dlg.setMinMax(1, sheets);
  printer_.setFromTo(1, sheets);
  if (dlg.exec() != QDialog::Accepted) return;
  if (printer_.printRange() == QPrinter::PageRange && printer_.fromPage() > 0) {
    printFirst_ = std::clamp(printer_.fromPage(), 1, sheets);
    printLast_ = std::clamp(printer_.toPage(), printFirst_, sheets);
  } else {
    printFirst_ = 1;
    printLast_ = sheets;
  }
  // The pages printed are those of the last good run, named after its file.
  abortPrint_->start(QFile::decodeName(QByteArray::fromStdString(engine_->state()->fileName)), printFirst_);
  cancelRequest_ = false;
  timer2_.start();
}

void TSDIAppForm::Timer2Timer() {
  timer2_.stop();
  if (!engine_->state()) {
    abortPrint_->hide();
    return;
  }
  PrintRange range;
  range.first = printFirst_;
  range.last = printLast_;
  range.copies = std::max(1, printer_.copyCount());
  range.collate = printer_.collateCopies();
  PrintHooks hooks;
  // The progress window's button works between pages.
  hooks.cancelRequested = [this] {
    QCoreApplication::processEvents();
    return cancelRequest_;
  };
  hooks.pageStarting = [this](int sheet) {
    abortPrint_->setPage(sheet);
    QCoreApplication::processEvents();
  };
  SetPrinting(true);
  const State* st = engine_->state();
  QtPrintDevice device(printer_, st->geo.paperWidthMM, st->geo.paperHeightMM);
  PrintSheets(*engine_, device, range, hooks);
  SetPrinting(false);
  cancelRequest_ = false;
  abortPrint_->hide();
  // The job put back the scale it found; the view's own comes back with it.
  DisplayRepaint();
}

void TSDIAppForm::SetPrinting(bool on) {
  printing_ = on;
  // What would change the drawing state or the pages is out of reach until
  // the job ends.
  for (const char* name : {"anybaiItem", "KankyoItem", "RePaintItem", "OpenItem", "OpenTorivanDataItem", "PrintItem",
                           "RefreshItem"})
    action(QString::fromLatin1(name))->setEnabled(!on);
  for (QAction* a : zoomItems_) a->setEnabled(!on);
  for (QAction* a : historyItems_) a->setEnabled(!on);
}

// ---------------------------------------------------------------- help and programs

void TSDIAppForm::ShowHelpTopic(int topic) {
  if (!help_->showTopic(topic))
    Message(help_->helpDir() + QLatin1Char('/') + HelpWindow::topicFile(topic) + QStringLiteral(" がありません。"));
}

void TSDIAppForm::VELDRISNyumonItemClick() {
  // The introductory course is the help's own first topic.
  ShowHelpTopic(1);
}

void TSDIAppForm::OpenTarget(const QString& target, const QString& noTarget) {
  if (target.isEmpty()) {
    Message(noTarget);
    return;
  }
  const QUrl url(target);
  const QString missing = url.scheme() == QLatin1String("mailto")
                              ? QStringLiteral("メールソフトがインストールされていません。")
                              : QStringLiteral("インターネット・ブラウザがインストールされていません。");
  if (openUrlHook) {
    if (!openUrlHook(url)) Message(missing);
    return;
  }
  // The desktop's answer comes when its opener ends.
  opener_->open(url, [this, missing] { Message(missing); });
}

void TSDIAppForm::AboutVersionUpItemClick() {
  OpenTarget(projectUrl, QStringLiteral("バージョンアップの案内ページは設定されていません。"));
}

void TSDIAppForm::MailToZendarSystemItemClick() {
  OpenTarget(issuesUrl, QStringLiteral("ご意見・ご要望の送り先は設定されていません。"));
}

void TSDIAppForm::SourceFileItemClick() {
  if (documentPath_.isEmpty()) {
    Message(QStringLiteral("ファイルが開かれていません。"));
    return;
  }
  // After a run that stopped on an error, the file that holds the error
  // (the document or a file it includes) at the error's line.
  QString path = documentPath_;
  int line = 0;
  if (const SourceError* e = engine_->lastError(); e && !e->path.empty()) {
    path = QFile::decodeName(QByteArray::fromStdString(e->path));
    line = e->line;
  }
  OpenInEditor(path, line);
}

void TSDIAppForm::OpenInEditor(const QString& path, int line) {
  if (settings_.howToOpenEditor == 0) {
    const QUrl url = QUrl::fromLocalFile(path);
    if (openUrlHook) openUrlHook(url);
    else QDesktopServices::openUrl(url);
    return;
  }
  if (settings_.editorName.isEmpty()) {
    Message(QStringLiteral("ソースファイルを開くためのエディタが指定されていません。\n\n環境設定で指定してください。"));
    return;
  }
  // The editor with the file as one argument (a path with spaces stays one
  // argument, as the quotes made it), the line before it as "+LINE", the
  // form editors on this system take.
  QStringList args{path};
  if (line > 0) args.prepend(QStringLiteral("+%1").arg(line));
  if (startProgramHook) startProgramHook(settings_.editorName, args);
  else QProcess::startDetached(settings_.editorName, args);
}

void TSDIAppForm::FontNameNyuryokuItemClick() {
  // The chooser offers only the faces with Japanese glyphs.
  QString name;
  if (!fontName_->choose(QString::fromStdString(FaceTable::choose(SJ("ＭＳ Ｐ明朝")).family), name)) return;
  QApplication::clipboard()->setText(name);
  Message(QStringLiteral("選択されたフォント名 \"") + name + QStringLiteral("\" をクリップボードにコピーしました。\n\n") +
          QStringLiteral("クリップボードから貼りつけてご使用下さい。"));
}

void TSDIAppForm::About1Click() { about_->exec(); }

}  // namespace vel
