#include "shell/PageView.h"

#include <QPainter>
#include <QPaintEvent>
#include <QScrollBar>
#include <QWheelEvent>

namespace vel {

PageView::PageView(QWidget* parent) : QAbstractScrollArea(parent) {
  setObjectName(QStringLiteral("ScrollBox1"));
  viewport()->setObjectName(QStringLiteral("Panel1"));
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  horizontalScrollBar()->setSingleStep(kIncrement);
  verticalScrollBar()->setSingleStep(kIncrement);
  setFocusPolicy(Qt::StrongFocus);
  // No input method on the page view.
  setAttribute(Qt::WA_InputMethodEnabled, false);
  viewport()->setAttribute(Qt::WA_InputMethodEnabled, false);
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
}

void PageView::setMarginColor(const QColor& c) {
  margin_ = c;
  viewport()->update();
}

void PageView::setPanelOffset(int m) {
  offset_ = m;
  viewport()->update();
}

void PageView::setScrollRange(int width, int height) {
  range_ = QSize(std::max(0, width), std::max(0, height));
  updateBars();
  viewport()->update();
}

void PageView::updateBars() {
  const QSize vp = viewport()->size();
  horizontalScrollBar()->setRange(0, std::max(0, range_.width() - vp.width()));
  verticalScrollBar()->setRange(0, std::max(0, range_.height() - vp.height()));
  horizontalScrollBar()->setPageStep(vp.width());
  verticalScrollBar()->setPageStep(vp.height());
}

void PageView::scrollToTopLeft() {
  horizontalScrollBar()->setValue(0);
  verticalScrollBar()->setValue(0);
}

void PageView::scrollToBottomRight() {
  horizontalScrollBar()->setValue(horizontalScrollBar()->maximum());
  verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void PageView::scrollBy(int dx, int dy) {
  // QScrollBar clamps to 0 ... its maximum.
  horizontalScrollBar()->setValue(horizontalScrollBar()->value() + dx);
  verticalScrollBar()->setValue(verticalScrollBar()->value() + dy);
}

QPoint PageView::scrollPosition() const {
  return QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

void PageView::paintEvent(QPaintEvent* e) {
  QPainter p(viewport());
  p.fillRect(e->rect(), margin_);
  if (!image_.isNull()) p.drawImage(QPoint(offset_, offset_) - scrollPosition(), image_);
}

void PageView::resizeEvent(QResizeEvent* e) {
  QAbstractScrollArea::resizeEvent(e);
  updateBars();
}

void PageView::mouseDoubleClickEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton) emit doubleClicked();
}

void PageView::wheelEvent(QWheelEvent* e) {
  // One increment per notch; smooth devices add up to whole notches.
  wheelAccum_ += e->angleDelta().y();
  int steps = wheelAccum_ / 120;
  wheelAccum_ -= steps * 120;
  if (steps != 0) emit wheelSteps(-steps);
  e->accept();
}

void PageView::scrollContentsBy(int, int) { viewport()->update(); }

}  // namespace vel
