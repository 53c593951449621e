// veldris: the desktop program. `veldris [FILE.vdr]`
#include <QApplication>
#include <QLocale>
#include <QMessageBox>
#include <QStringList>
#include <exception>

#include "shell/MainWindow.h"
#include "shell/Translations.h"

namespace {

// An error that escapes an operation ends in the program's error box
// instead of ending the program.
class Application : public QApplication {
 public:
  using QApplication::QApplication;
  bool notify(QObject* receiver, QEvent* e) override {
    try {
      return QApplication::notify(receiver, e);
    } catch (const std::exception& ex) {
      QMessageBox::critical(activeWindow(), QStringLiteral("VELDRIS2"), QString::fromLocal8Bit(ex.what()));
    } catch (...) {
      QMessageBox::critical(activeWindow(), QStringLiteral("VELDRIS2"), QStringLiteral("unknown error"));
    }
    return false;
  }
};

}  // namespace

int main(int argc, char** argv) {
  Application app(argc, argv);
  QApplication::setOrganizationName(QStringLiteral("VDRSYSTEM"));
  QApplication::setApplicationName(QStringLiteral("VELDRIS2"));
  // Qt's standard dialogs speak Japanese too when the desktop does.
  vel::InstallQtTranslations(QLocale());

  // The main window creates the program's other windows in its order; the
  // document is opened once they all exist.
  vel::TSDIAppForm form{vel::TSDIAppForm::Options{}};
  form.show();
  QStringList args = QApplication::arguments();
  args.removeFirst();
  form.StartupOpen(args);
  return app.exec();
}
