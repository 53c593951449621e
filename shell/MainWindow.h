// TSDIAppForm: the main window. It owns the typesetting engine, the view
// state, the settings and the program's other windows; its handlers are
// named after the menu items they serve.
#pragma once

#include <QDateTime>
#include <QFileSystemWatcher>
#include <QMainWindow>
#include <QPrinter>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

#include "driver/Engine.h"
#include "driver/SourceLookup.h"
#include "shell/AppSettings.h"

class QAction;
class QLabel;
class QMenu;
class QToolBar;

namespace vel {

class DesktopOpener;
class HelpWindow;
class PageView;
class QtCanvas;
class TAboutBox;
class TAbortPrintForm;
class TFileHistoryEditForm;
class TFirstMessageForm;
class TFontNameForm;
class TInformationForm;
class TKankyoForm;
class TPageForm;

class TSDIAppForm : public QMainWindow, private Host {
  Q_OBJECT
 public:
  struct Options {
    QString settingsFile;  // an INI file instead of the user's store
    QString homeDir;       // the folder current at start (default: the current folder)
    bool firstMessage = true;  // the first-run guide may show
  };
  explicit TSDIAppForm(const Options& options);
  ~TSDIAppForm() override;

  // Start-up opening: the command-line path, else the last file when
  // AutoOpen is on.
  void StartupOpen(const QStringList& args);

  // ---- Part of the menus and toolbar ----
  void OpenItemClick();
  bool OpenFile(const QString& path);
  void OpenTorivanDataItemClick();
  void OpenHistoryItem(int index);
  void ResetFileHistoryItemClick();
  void PrintItemClick();
  void RePaintButtonClick();  // F5
  void RefreshItemClick();
  void anybaiItemClick();
  void SetZoom(double zoom);  // the fixed zoom items
  void AnyPageItemClick();
  void FirstPageItemClick();
  void PrevPageItemClick();
  void NextPageItemClick();
  void LastPageItemClick();
  void KankyoItemClick();
  void ShowHelpTopic(int topic);
  void VELDRISNyumonItemClick();
  void AboutVersionUpItemClick();
  void MailToZendarSystemItemClick();
  void SourceFileItemClick();
  // Opens `path` with the editor the settings name, "+LINE" before it when
  // line > 0, or with the desktop's program for the file (no line then).
  void OpenInEditor(const QString& path, int line);
  // Between the page and the source. SourceAt: the source of the word
  // under a view point (viewport pixels) on the sheet shown. OpenSourceAt
  // (Ctrl+click): the editor at that word's line; false off the words.
  // GoToSourceLine (`veldris FILE.vdr:LINE`, the go-to-line item): the
  // sheet that holds line `line` of `path` (the document or a file it
  // includes), its first word marked for a moment; false when no sheet
  // holds a word of the file.
  std::optional<SourcePlace> SourceAt(const QPoint& viewPoint);
  bool OpenSourceAt(const QPoint& viewPoint);
  bool GoToSourceLine(const QString& path, int line);
  void GoToLineItemClick();
  // "file:line" of a place, as the status bar shows it under Ctrl.
  static QString PlaceText(const SourcePlace& p);
  // The file of a command-line argument, absolute: "FILE.vdr:LINE" names
  // FILE.vdr and sets `line` when no file has the whole name.
  static QString StartupPath(const QString& arg, int& line);
  void FontNameNyuryokuItemClick();
  void About1Click();
  void Message(const QString& text);

  // ---- View state ----
  bool documentOpen() const { return documentOpen_; }
  bool pageShown() const { return pageShown_; }
  int currentPage() const { return engine_->currentSheet; }
  int pageCount() const { return engine_->sheets; }
  double zoom() const { return zoom_; }
  bool printing() const { return printing_; }
  QString documentPath() const { return documentPath_; }
  int typesetRuns() const { return typesetRuns_; }
  int screenDpi() const { return dpi_; }

  Engine& engine() { return *engine_; }
  AppSettings& settings() { return settings_; }
  PageView* view() { return view_; }
  QLabel* pageNumLabel() { return pageNum_; }
  QToolBar* toolBar() { return toolBar_; }
  QTimer* refreshTimer() { return &timer1_; }
  QTimer* printTimer() { return &timer2_; }
  QFileSystemWatcher* watcher() { return &watcher_; }
  QList<QAction*> historyActions() const { return historyItems_; }
  QAction* action(const QString& objectName) const;
  TInformationForm* informationForm() { return information_; }
  TPageForm* pageForm() { return pageForm_; }
  TKankyoForm* kankyoForm() { return kankyo_; }
  TFileHistoryEditForm* historyEditForm() { return historyEdit_; }
  TFirstMessageForm* firstMessageForm() { return firstMessage_; }
  TAbortPrintForm* abortPrintForm() { return abortPrint_; }
  TAboutBox* aboutBox() { return about_; }
  HelpWindow* helpWindow() { return help_; }
  TFontNameForm* fontNameForm() { return fontName_; }
  QPrinter& printer() { return printer_; }

  // The version-up page and the address of comments and requests (a web
  // page or a mailto: address); empty when the build names none.
  QString projectUrl;
  QString issuesUrl;

  // Replaceable for tests: message boxes, opening URLs and files, starting
  // programs. Each returns whether something took the request.
  std::function<void(const QString&)> messageHook;
  std::function<bool(const QUrl&)> openUrlHook;
  std::function<bool(const QString& program, const QStringList& args)> startProgramHook;

  // Writes the settings (FormClose does it when the window closes).
  void SaveSettings();

 protected:
  void closeEvent(QCloseEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void showEvent(QShowEvent* e) override;

 private:
  // Host: the INFORMATION window and the viewer hooks.
  void showMessages() override;
  void addLine(const std::string& text) override;
  void appendAtCaret(const std::string& text) override;
  void focusMessages() override;
  void hideMessages() override;
  void hideMessagesNow();
  void focusMain() override;
  void clearPage() override;
  void setCaption(const std::string& text) override;
  void setPageLabel(const std::string& text) override;

  // Opens a web page or mail address; says so when there is none or
  // nothing on the desktop takes it (that answer may come later).
  void OpenTarget(const QString& target, const QString& noTarget);
  void createActions();
  void createMenus();
  void createToolBar();
  void FormCreate();
  // The window with its frame pulled back onto the screen (FormCreate's
  // rule, again once the frame is known).
  void KeepOnScreen();
  void ApplyColors();
  void ApplyRefreshTimer();
  void ApplyToolBar();
  void SetFileHistoryMenu(const QString& path);
  bool KeyDown(QKeyEvent* e);  // FormKeyDown; true when the key was used
  void Timer1Timer();
  void Timer2Timer();
  // The printing flag, with the menu items that must wait for the job.
  void SetPrinting(bool on);

  // A typesetting run of the loaded source; `quiet` runs leave the focus
  // where it is and show the INFORMATION window only on failure or when
  // characters were read as "〓".
  RunStatus Typeset(int page, bool quiet);
  // PageDisplay on the viewer: draws sheet n into the page image.
  void DisplayPage(int sheet);
  void DisplayRepaint();
  void ResetDisplay();
  void SetGamenTopLeftYohaku();
  int MarginPixels() const;
  QSize PaperPixels() const;
  QString TitleBase() const;
  // The file's lines; `replaced` counts its characters without a
  // Shift-JIS form, read as "〓" (the run warns of them).
  bool LoadSource(const QString& path, Lines& lines, bool& empty, size_t& replaced);
  void StampSource(const QString& path);
  // The lookup of the run shown, made when first asked after each run.
  SourceLookup* Lookup();
  void ShowSourceUnder(const QPoint& viewPoint);

  // Re-typesetting when the source file is saved.
  void UpdateWatcher();
  void SourceChanged();
  void SourceSettled();

  Options options_;
  AppSettings settings_;
  std::unique_ptr<Canvas> measure_;  // measuring surface of the runs
  std::unique_ptr<Engine> engine_;
  QtCanvas* drawing_ = nullptr;      // the surface on the page image while a sheet is drawn

  bool documentOpen_ = false;
  bool pageShown_ = false;
  bool printing_ = false;
  bool quietRun_ = false;
  bool inRun_ = false;         // a run is typesetting: hiding INFORMATION waits for its end
  bool hideAfterRun_ = false;  // the run asked for INFORMATION to be hidden
  bool cancelRequest_ = false;
  bool placedOnce_ = false;
  double zoom_ = 1.0;
  int dpi_ = 96;
  int typesetRuns_ = 0;
  QString documentPath_;
  QDateTime sourceTime_;
  qint64 sourceSize_ = -1;
  int printFirst_ = 1, printLast_ = 1;
  std::unique_ptr<SourceLookup> lookup_;
  const State* lookupState_ = nullptr;
  int lookupRun_ = -1;

  PageView* view_ = nullptr;
  QToolBar* toolBar_ = nullptr;
  QLabel* pageNum_ = nullptr;
  QList<QAction*> historyItems_;
  QAction* historySep1_ = nullptr;
  QAction* historySep2_ = nullptr;
  QAction* resetHistoryItem_ = nullptr;
  QList<QAction*> zoomItems_;

  QTimer timer1_;  // screen refresh
  QTimer timer2_;  // deferred printing
  QTimer settle_;  // a saved source settles before it is read
  QFileSystemWatcher watcher_;
  QPrinter printer_;

  TAbortPrintForm* abortPrint_ = nullptr;
  TPageForm* pageForm_ = nullptr;
  TInformationForm* information_ = nullptr;
  TFirstMessageForm* firstMessage_ = nullptr;
  TKankyoForm* kankyo_ = nullptr;
  TAboutBox* about_ = nullptr;
  TFileHistoryEditForm* historyEdit_ = nullptr;
  HelpWindow* help_ = nullptr;
  TFontNameForm* fontName_ = nullptr;
  DesktopOpener* opener_ = nullptr;
};

}  // namespace vel
