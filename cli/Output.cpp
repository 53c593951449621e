#include "cli/Output.h"

#include <QDir>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include "layout/state/Passes.h"

namespace vel {

namespace {
QPageSize paperSize(const State& st) {
  return QPageSize(QSizeF(st.geo.paperWidthMM, st.geo.paperHeightMM), QPageSize::Millimeter, QString(),
                   QPageSize::ExactMatch);
}
}  // namespace

bool WritePdf(Engine& engine, const std::string& path, SheetRange range, const std::string& fileName) {
  State* st = engine.state();
  if (!st) return false;
  QPdfWriter pdf(QString::fromStdString(path));
  pdf.setTitle(QString::fromStdString("VELDRIS(" + fileName + ")"));
  pdf.setCreator(QStringLiteral("VELDRIS"));
  pdf.setResolution(1200);
  pdf.setPageSize(paperSize(*st));
  pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
  QPainter painter;
  if (!painter.begin(&pdf)) return false;
  for (int sheet = range.first; sheet <= range.last; ++sheet) {
    if (sheet > range.first) pdf.newPage();
  }
  return painter.end();
}

bool WritePngs(Engine& engine, const std::string& dir, SheetRange range, double dpi, double zoom) {
  State* st = engine.state();
  if (!st) return false;
  QDir().mkpath(QString::fromStdString(dir));
  const double k = dpi * zoom / 25.4;
  const int w = static_cast<int>(st->geo.paperWidthMM * k);
  const int h = static_cast<int>(st->geo.paperHeightMM * k);
  for (int sheet = range.first; sheet <= range.last; ++sheet) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::white);
    char name[32];
    std::snprintf(name, sizeof name, "/sheet-%03d.png", sheet);
    if (!img.save(QString::fromStdString(dir + name))) return false;
  }
  return true;
}

}  // namespace vel
