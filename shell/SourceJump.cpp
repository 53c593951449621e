// TSDIAppForm: from the page to the source and back. Ctrl over the page
// names the line under the pointer, Ctrl+click opens the editor there, and
// `veldris FILE.vdr:LINE` or the go-to-line item shows the sheet of a line.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStatusBar>

#include "base/Cp932.h"
#include "layout/drawing/SheetDrawing.h"
#include "shell/MainWindow.h"
#include "shell/PageForm.h"
#include "shell/PageView.h"

namespace vel {

namespace {

// "FILE:LINE" (LINE a positive number); false for anything else.
bool SplitFileLine(const QString& text, QString& file, int& line) {
  const int colon = static_cast<int>(text.lastIndexOf(QLatin1Char(':')));
  if (colon <= 0) return false;
  bool ok = false;
  line = text.mid(colon + 1).trimmed().toInt(&ok);
  if (!ok || line < 1) return false;
  file = text.left(colon).trimmed();
  return true;
}

}  // namespace

QString TSDIAppForm::StartupPath(const QString& arg, int& line) {
  line = 0;
  QString file;
  int n = 0;
  if (!QFileInfo::exists(arg) && SplitFileLine(arg, file, n) && QFileInfo(file).isFile()) {
    line = n;
    return QFileInfo(file).absoluteFilePath();
  }
  return QFileInfo(arg).absoluteFilePath();
}

QString TSDIAppForm::PlaceText(const SourcePlace& p) {
  return QString::fromStdString(cp932ToUtf8(p.name)) + QLatin1Char(':') + QString::number(p.line);
}

SourceLookup* TSDIAppForm::Lookup() {
  State* st = engine_->state();
  if (!st || printing_ || engine_->sheets <= 0) return nullptr;
  // The lookup reads the run it was made for: a new run makes a new one.
  if (!lookup_ || lookupState_ != st || lookupRun_ != typesetRuns_) {
    lookup_ = std::make_unique<SourceLookup>(*st);
    lookupState_ = st;
    lookupRun_ = typesetRuns_;
  }
  return lookup_.get();
}

std::optional<SourcePlace> TSDIAppForm::SourceAt(const QPoint& viewPoint) {
  SourceLookup* lookup = Lookup();
  if (!lookup || viewPoint.x() < 0) return std::nullopt;
  const QPoint px = view_->imagePoint(viewPoint);
  const double scale = units::DeviceScale(dpi_, zoom_);
  return lookup->what(engine_->currentSheet, static_cast<int>((px.x() + 0.5) / scale),
                      static_cast<int>((px.y() + 0.5) / scale));
}

bool TSDIAppForm::OpenSourceAt(const QPoint& viewPoint) {
  const std::optional<SourcePlace> p = SourceAt(viewPoint);
  if (!p || p->path.empty()) return false;
  OpenInEditor(QFile::decodeName(QByteArray::fromStdString(p->path)), p->line);
  return true;
}

void TSDIAppForm::ShowSourceUnder(const QPoint& viewPoint) {
  const std::optional<SourcePlace> p = SourceAt(viewPoint);
  if (p) statusBar()->showMessage(PlaceText(*p));
  else statusBar()->clearMessage();
}

bool TSDIAppForm::GoToSourceLine(const QString& path, int line) {
  SourceLookup* lookup = Lookup();
  if (!lookup) return false;
  const std::optional<SheetPlace> at = lookup->where(QFile::encodeName(path).toStdString(), line);
  if (!at) return false;
  DisplayPage(at->sheet);
  const double scale = units::DeviceScale(dpi_, zoom_);
  const int left = static_cast<int>(at->left * scale + 0.5), top = static_cast<int>(at->top * scale + 0.5);
  view_->flashRect(QRect(left, top, std::max(1, static_cast<int>(at->width * scale + 0.5)),
                         std::max(1, static_cast<int>(at->height * scale + 0.5))));
  return true;
}

void TSDIAppForm::GoToLineItemClick() {
  if (!documentOpen_ || !engine_->state() || engine_->sheets <= 0) return;
  QString text;
  if (!pageForm_->ask(QStringLiteral("ソースの行へ"), QStringLiteral("行番号 (ファイル名:行番号)"), text)) return;
  QString file = documentPath_;
  int line = 0;
  bool ok = false;
  line = text.trimmed().toInt(&ok);
  if (!ok || line < 1) {
    QString named;
    if (!SplitFileLine(text, named, line)) return;
    // A file the document includes, by its path or by its name.
    file = QFileInfo(named).isAbsolute() ? named : QFileInfo(documentPath_).dir().filePath(named);
    if (!QFileInfo::exists(file)) file = named;
  }
  if (!GoToSourceLine(file, line)) Message(QStringLiteral("その行はどのページにもありません。"));
}

}  // namespace vel
