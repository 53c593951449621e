#include "shell/HelpWindow.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace vel {

HelpWindow::HelpWindow(const QString& helpDir, QWidget* owner) : QWidget(owner, Qt::Window), dir_(helpDir) {
  setObjectName(QStringLiteral("HelpWindow"));
  setWindowTitle(QStringLiteral("VELDRIS2 ヘルプ"));
  resize(760, 640);
  browser_ = new QTextBrowser(this);
  browser_->setSearchPaths({dir_});
  // Links to web pages go to the browser; pages of the help stay here.
  browser_->setOpenExternalLinks(true);
  auto* contents = new QPushButton(QStringLiteral("目次"), this);
  auto* back = new QPushButton(QStringLiteral("戻る"), this);
  auto* forward = new QPushButton(QStringLiteral("進む"), this);
  connect(contents, &QPushButton::clicked, this, [this] { showTopic(0); });
  connect(back, &QPushButton::clicked, browser_, &QTextBrowser::backward);
  connect(forward, &QPushButton::clicked, browser_, &QTextBrowser::forward);
  connect(browser_, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);
  connect(browser_, &QTextBrowser::forwardAvailable, forward, &QPushButton::setEnabled);
  back->setEnabled(false);
  forward->setEnabled(false);
  auto* bar = new QHBoxLayout;
  bar->addWidget(contents);
  bar->addWidget(back);
  bar->addWidget(forward);
  bar->addStretch();
  auto* lay = new QVBoxLayout(this);
  lay->addLayout(bar);
  lay->addWidget(browser_);
}

QString HelpWindow::topicFile(int topic) {
  static const char* const files[] = {"index.html", "about.html", "math.html", "drawing.html", "pdf.html", "settings.html"};
  if (topic < 0 || topic > 5) return QString();
  return QString::fromLatin1(files[topic]);
}

bool HelpWindow::showTopic(int topic) {
  const QString file = topicFile(topic);
  if (file.isEmpty() || !QFileInfo(dir_ + QLatin1Char('/') + file).isFile()) return false;
  browser_->setSource(QUrl::fromLocalFile(dir_ + QLatin1Char('/') + file));
  show();
  raise();
  activateWindow();
  return true;
}

}  // namespace vel
