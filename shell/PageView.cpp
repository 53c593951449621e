#include "shell/PageView.h"

#include <QCursor>
#include <QKeyEvent>
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
  // Moves are followed so that Ctrl over the page can name the source line.
  viewport()->setMouseTracking(true);
  flashTimer_.setSingleShot(true);
  connect(&flashTimer_, &QTimer::timeout, this, [this] {
    flash_ = QRect();
    viewport()->update();
  });
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

QPoint PageView::imagePoint(const QPoint& viewPoint) const {
  return viewPoint - QPoint(offset_, offset_) + scrollPosition();
}

void PageView::flashRect(const QRect& imageRect, int ms) {
  const QRect shown(imagePoint(QPoint(0, 0)), viewport()->size());
  if (!shown.contains(imageRect)) {
    // The word a third of the way down, at the left of the view when it
    // would not fit across.
    horizontalScrollBar()->setValue(imageRect.left() + offset_ - std::max(0, (shown.width() - imageRect.width()) / 2));
    verticalScrollBar()->setValue(imageRect.top() + offset_ - shown.height() / 3);
  }
  flash_ = imageRect;
  flashTimer_.start(ms);
  viewport()->update();
}

void PageView::paintEvent(QPaintEvent* e) {
  QPainter p(viewport());
  p.fillRect(e->rect(), margin_);
  const QPoint origin = QPoint(offset_, offset_) - scrollPosition();
  if (!image_.isNull()) p.drawImage(origin, image_);
  if (!flash_.isNull()) p.fillRect(flash_.translated(origin).adjusted(-2, -2, 2, 2), QColor(255, 200, 0, 110));
}

void PageView::resizeEvent(QResizeEvent* e) {
  QAbstractScrollArea::resizeEvent(e);
  updateBars();
}

void PageView::mouseDoubleClickEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton) emit doubleClicked();
}

void PageView::mousePressEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton && (e->modifiers() & Qt::ControlModifier)) {
    emit sourceClicked(e->position().toPoint());
    e->accept();
    return;
  }
  QAbstractScrollArea::mousePressEvent(e);
}

void PageView::mouseMoveEvent(QMouseEvent* e) {
  const bool ctrl = (e->modifiers() & Qt::ControlModifier) != 0;
  if (ctrl || hovering_) emit sourceHovered(ctrl ? e->position().toPoint() : QPoint(-1, -1));
  hovering_ = ctrl;
  QAbstractScrollArea::mouseMoveEvent(e);
}

void PageView::leaveEvent(QEvent* e) {
  if (hovering_) emit sourceHovered(QPoint(-1, -1));
  hovering_ = false;
  QAbstractScrollArea::leaveEvent(e);
}

void PageView::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Control) {
    const QPoint at = viewport()->mapFromGlobal(QCursor::pos());
    if (viewport()->rect().contains(at)) {
      hovering_ = true;
      emit sourceHovered(at);
    }
  }
  QAbstractScrollArea::keyPressEvent(e);
}

void PageView::keyReleaseEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Control && hovering_) {
    hovering_ = false;
    emit sourceHovered(QPoint(-1, -1));
  }
  QAbstractScrollArea::keyReleaseEvent(e);
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
