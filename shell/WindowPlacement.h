// Placing top-level windows so that they lie on the screen together with
// the frame the window manager puts round them. A window's stored position
// is that of its frame (QWidget::pos), its size that of its inside; the
// frame's margins are known only once the window manager has framed the
// shown window, so each placement is made again at that moment.
#pragma once

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <functional>

#include "shell/AppSettings.h"

class QWidget;

namespace vel {

// Where a window that would spill over the available area is pulled back
// to: top 10 and the height of the area less 20 when it reaches below, left
// 50 and the width of the area less 100 when it reaches to the right (the
// frame counted in both), from the area's corner.
WindowGeometry PullBackOntoScreen(WindowGeometry g, const QRect& available, const QMargins& frame);

// The frame position that puts a window of inside size `inside` into the
// bottom-right corner of the available area, its frame included.
QPoint BottomRightCorner(const QSize& inside, const QRect& available, const QMargins& frame);

// The frame margins of a shown window (none before the window manager has
// framed it, and none on a platform without frames).
QMargins FrameMarginsOf(const QWidget* w);
// The available area of the screen the window is on.
QRect AvailableAreaOf(const QWidget* w);

// Calls `place` now, and once more when the shown window's frame is known
// (or after a second, when no frame comes).
void PlaceAgainWhenFramed(QWidget* w, const std::function<void()>& place);

}  // namespace vel
