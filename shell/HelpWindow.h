// The help window: the HTML help pages of data/help shown by topic number
// (0 contents, 1 about the program, 2 math commands, 3 drawing commands,
// 4 making PDF files, 5 environment settings).
#pragma once

#include <QString>
#include <QWidget>

class QTextBrowser;

namespace vel {

class HelpWindow : public QWidget {
  Q_OBJECT
 public:
  explicit HelpWindow(const QString& helpDir, QWidget* owner = nullptr);

  // The page file of a topic (empty for an unknown topic).
  static QString topicFile(int topic);
  // Shows the topic and brings the window up; false when its page is
  // missing.
  bool showTopic(int topic);
  QTextBrowser* browser() { return browser_; }
  QString helpDir() const { return dir_; }

 private:
  QString dir_;
  QTextBrowser* browser_;
};

}  // namespace vel
