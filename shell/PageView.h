// The scrolling page view (ScrollBox1 with Panel1 and VelImage): the page
// image placed at the margin, the rest of the view in the margin colour,
// scroll ranges of the paper size plus 40 pixels.
#pragma once

#include <QAbstractScrollArea>
#include <QColor>
#include <QImage>
#include <QRect>
#include <QTimer>

namespace vel {

class PageView : public QAbstractScrollArea {
  Q_OBJECT
 public:
  explicit PageView(QWidget* parent = nullptr);

  static constexpr int kIncrement = 32;  // scroll-bar increment (arrow keys, wheel)

  QImage& image() { return image_; }
  const QImage& image() const { return image_; }
  void setMarginColor(const QColor& c);
  QColor marginColor() const { return margin_; }
  // The panel's place: (m, m), m the margin in pixels.
  void setPanelOffset(int m);
  int panelOffset() const { return offset_; }
  // Scroll ranges: the content is this large.
  void setScrollRange(int width, int height);
  QSize scrollRange() const { return range_; }
  // SetGamenTopLeftYohaku's scroll part, Home and End.
  void scrollToTopLeft();
  void scrollToBottomRight();
  // One increment in a direction, within 0 ... the range.
  void scrollBy(int dx, int dy);
  QPoint scrollPosition() const;
  // A view point (viewport pixels) as a point of the page image.
  QPoint imagePoint(const QPoint& viewPoint) const;
  // Scrolls so that `imageRect` is in view and marks it for `ms`
  // milliseconds (a source line's first word found from the editor).
  void flashRect(const QRect& imageRect, int ms = 1500);
  QRect flashedRect() const { return flash_; }

 signals:
  void doubleClicked();
  void wheelSteps(int steps);  // positive: down
  // With Ctrl held: a click, and the pointer over the page (an invalid
  // point when Ctrl is let go or the pointer leaves).
  void sourceClicked(const QPoint& viewPoint);
  void sourceHovered(const QPoint& viewPoint);

 protected:
  void paintEvent(QPaintEvent*) override;
  void resizeEvent(QResizeEvent*) override;
  void mouseDoubleClickEvent(QMouseEvent*) override;
  void mousePressEvent(QMouseEvent*) override;
  void mouseMoveEvent(QMouseEvent*) override;
  void leaveEvent(QEvent*) override;
  void keyPressEvent(QKeyEvent*) override;
  void keyReleaseEvent(QKeyEvent*) override;
  void wheelEvent(QWheelEvent*) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  void updateBars();
  QImage image_;
  QColor margin_;
  int offset_ = 0;
  QSize range_;
  int wheelAccum_ = 0;
  bool hovering_ = false;
  QRect flash_;
  QTimer flashTimer_;
};

}  // namespace vel
