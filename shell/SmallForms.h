// The program's small windows: the first-run guide, the about box, the
// print progress window and the file history editor.
#pragma once

#include <QDialog>
#include <QStringList>
#include <QWidget>

class QCheckBox;
class QFontComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace vel {

// TFirstMessageForm: the guide shown at start-up until the user ticks its
// check box. It never takes the focus from the main window.
class TFirstMessageForm : public QWidget {
  Q_OBJECT
 public:
  explicit TFirstMessageForm(QWidget* owner = nullptr);
  // The memo's text: the guide's paragraphs separated by empty lines.
  static QString guideText();
  // Shows it in the bottom-right corner of the screen.
  void showAtCorner();
  QCheckBox* dontShowAgain;
  QPlainTextEdit* memo;

 signals:
  void dontShowAgainChosen();

 protected:
  void closeEvent(QCloseEvent* e) override;

 private:
  void closeGuide();
};

// TAboutBox: product name, version and a short description.
class TAboutBox : public QDialog {
  Q_OBJECT
 public:
  explicit TAboutBox(QWidget* parent = nullptr);
  QLabel* version;
};

// TAbortPrintForm: "VELDRIS印刷", shown while a print job runs; its button
// asks the job to stop before the next sheet.
class TAbortPrintForm : public QDialog {
  Q_OBJECT
 public:
  explicit TAbortPrintForm(QWidget* parent = nullptr);
  void start(const QString& fileName, int firstPage);
  void setPage(int page);
  QLabel* fileName;
  QLabel* page;
  QPushButton* cancelButton;

 signals:
  void cancelRequested();  // CancelBitBtnClick

 protected:
  void reject() override;  // Escape does not close it
};

// The font-name aid's chooser: the installed scalable faces that have
// Japanese glyphs (a face without them would set every kana and kanji in
// a stand-in), with a sample line.
class TFontNameForm : public QDialog {
  Q_OBJECT
 public:
  explicit TFontNameForm(QWidget* parent = nullptr);
  // Runs the dialog starting at `family`; true on OK, with the chosen face.
  bool choose(const QString& family, QString& chosen);
  QFontComboBox* fonts;
  QLabel* sample;
};

// TFileHistoryEditForm: the history as free text, one path a line.
class TFileHistoryEditForm : public QDialog {
  Q_OBJECT
 public:
  explicit TFileHistoryEditForm(QWidget* parent = nullptr);
  // Runs the dialog on the history; true on OK, with the new history (its
  // first 20 lines, empty lines dropped).
  bool edit(QStringList& history);
  QPlainTextEdit* memo;
  QPushButton* goButton;
};

}  // namespace vel
