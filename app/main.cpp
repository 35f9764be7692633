#include "editor/main_window.h"
#include "host/program.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quorel"));
    QApplication::setApplicationVersion(QStringLiteral(QUOREL_VERSION));
    // Lets the desktop match the window to its entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(QUOREL_APP_ID));
    return Program::run(main_window::instance());
}
