#include "shell/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <memory>

namespace vel {

WindowGeometry PullBackOntoScreen(WindowGeometry g, const QRect& available, const QMargins& frame) {
  const int outerHeight = frame.top() + g.height + frame.bottom();
  const int outerWidth = frame.left() + g.width + frame.right();
  if (g.top < available.top() || g.top + outerHeight > available.top() + available.height()) {
    g.top = available.top() + 10;
    g.height = available.height() - 20 - frame.top() - frame.bottom();
  }
  if (g.left < available.left() || g.left + outerWidth > available.left() + available.width()) {
    g.left = available.left() + 50;
    g.width = available.width() - 100 - frame.left() - frame.right();
  }
  return g;
}

QPoint BottomRightCorner(const QSize& inside, const QRect& available, const QMargins& frame) {
  const int outerWidth = frame.left() + inside.width() + frame.right();
  const int outerHeight = frame.top() + inside.height() + frame.bottom();
  // A window larger than the area keeps its top-left corner (and its title
  // bar) on the screen.
  return QPoint(std::max(available.left(), available.left() + available.width() - outerWidth),
                std::max(available.top(), available.top() + available.height() - outerHeight));
}

QMargins FrameMarginsOf(const QWidget* w) {
  const QWindow* h = w->windowHandle();
  return h && h->isVisible() ? h->frameMargins() : QMargins();
}

QRect AvailableAreaOf(const QWidget* w) {
  if (QScreen* s = w->screen()) return s->availableGeometry();
  if (QScreen* s = QGuiApplication::primaryScreen()) return s->availableGeometry();
  return QRect(0, 0, 1024, 768);
}

void PlaceAgainWhenFramed(QWidget* w, const std::function<void()>& place) {
  place();
  // The window manager frames a window after it is mapped, and tells its
  // margins a moment later: look for them every 50 ms, 20 times at most.
  auto* poll = new QTimer(w);
  poll->setInterval(50);
  auto tries = std::make_shared<int>(0);
  QObject::connect(poll, &QTimer::timeout, w, [w, poll, tries, place] {
    if (!w->isVisible()) return;
    if (FrameMarginsOf(w).isNull() && ++*tries < 20) return;
    poll->stop();
    poll->deleteLater();
    place();
  });
  poll->start();
}

}  // namespace vel
