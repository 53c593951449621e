#include "shell/DesktopOpen.h"

#include <QDesktopServices>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <memory>

namespace vel {

QString DesktopOpener::openerFor(const QUrl& url) {
  return url.scheme() == QLatin1String("mailto") ? QStringLiteral("xdg-email") : QStringLiteral("xdg-open");
}

void DesktopOpener::open(const QUrl& url, std::function<void()> failed, int patience) {
  const QString program = QStandardPaths::findExecutable(openerFor(url));
  if (program.isEmpty()) {
    // No xdg-utils: Qt's own search ($BROWSER, the known browsers) is all
    // there is, and it answers at once.
    if (!QDesktopServices::openUrl(url)) failed();
    return;
  }
  auto* process = new QProcess(this);
  auto clock = std::make_shared<QElapsedTimer>();
  clock->start();
  connect(process, &QProcess::finished, this, [process, clock, failed, patience](int code, QProcess::ExitStatus how) {
    if ((how != QProcess::NormalExit || code != 0) && clock->elapsed() <= patience) failed();
    process->deleteLater();
  });
  connect(process, &QProcess::errorOccurred, this, [process, failed](QProcess::ProcessError e) {
    if (e != QProcess::FailedToStart) return;
    failed();
    process->deleteLater();
  });
  process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
  process->setStandardOutputFile(QProcess::nullDevice());
  process->start(program, {url.toString(QUrl::FullyEncoded)});
}

}  // namespace vel
