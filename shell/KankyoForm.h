// TKankyoForm: the environment dialog ("VELDRIS2 環境設定"). It edits a
// copy of the settings; OK applies the fields in the dialog's order and
// tells the main window what changed.
#pragma once

#include <QDialog>

#include "shell/AppSettings.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace vel {

// What OK changed that the main window must act on.
struct KankyoChanges {
  bool toolBarDisp = false;
  bool yohakuDisp = false;
  bool smallCharPrintError = false;  // typeset again
  bool yohakuColor = false;          // redraw the view
  bool autoRetypeset = false;
};

class TKankyoForm : public QDialog {
  Q_OBJECT
 public:
  explicit TKankyoForm(QWidget* parent = nullptr);

  // FormActivate: the controls from the settings.
  void fill(const AppSettings& s);
  // OkBitBtnClick: the controls into the settings, in order.
  KankyoChanges apply(AppSettings& s) const;

  // The controls, for tests and for the main window's checks.
  QLineEdit* inputDirEdit;
  QLineEdit* imageDirEdit;
  QLineEdit* xHeadEdit;
  QLineEdit* xTailEdit;
  QLineEdit* historySizeEdit;
  QCheckBox* refreshCheck;
  QLineEdit* refreshIntervalEdit;
  QCheckBox* toolBarCheck;
  QCheckBox* yohakuCheck;
  QCheckBox* smallCharCheck;
  QCheckBox* autoOpenCheck;
  QCheckBox* autoRetypesetCheck;
  QRadioButton* editorRadio;
  QRadioButton* associationRadio;
  QLineEdit* editorEdit;
  QPushButton* editorBrowse;
  QPushButton* toolBarColorButton;
  QPushButton* yohakuColorButton;

 signals:
  void historyEditRequested();  // "履歴を消去" with a history to edit
  void helpRequested(int topic);

 private:
  void browseDir(QLineEdit* field);
  void browseEditor();
  void pickColor(QPushButton* button, unsigned& color);
  void showColor(QPushButton* button, unsigned color);
  void updateEnabled();

  QString homeDir_;
  bool historyEmpty_ = true;
  unsigned toolBarColor_ = 0;
  unsigned yohakuColor_ = 0;
};

// The texts that name the platform: the hint under the directory fields
// (full paths as this system writes them) and the radio button that opens
// the source with the program the desktop associates with ".vdr".
QString DirectoryHint();
QString AssociationCaption();

// Step 1 of OK for one directory field: the ";" entries, each without a
// trailing separator.
QStringList DirFieldEntries(const QString& text);

}  // namespace vel
