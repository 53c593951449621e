// Opening a web page or a mail address with the program the desktop has
// for it. On this system that is xdg-open (xdg-email for "mailto:"), which
// starts whether or not anything on the desktop takes the target and says
// so only by its exit status: the status is awaited, and a failure is
// reported as the missing browser or mail program it means.
#pragma once

#include <QObject>
#include <QUrl>
#include <functional>

namespace vel {

class DesktopOpener : public QObject {
  Q_OBJECT
 public:
  explicit DesktopOpener(QObject* parent = nullptr) : QObject(parent) {}

  // Opens `url`; `failed` runs when nothing takes it: the opener cannot
  // start, or it ends with a failure within `patience` milliseconds. A
  // browser the opener runs in the foreground may end much later; its
  // status then says nothing about the opening.
  void open(const QUrl& url, std::function<void()> failed, int patience = 10000);

  // The opener program for a target: "xdg-email" for mail, else "xdg-open".
  static QString openerFor(const QUrl& url);
};

}  // namespace vel
