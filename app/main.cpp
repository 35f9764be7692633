#include "editor/main_window.h"
#include "host/program.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // On X11 the windows' class (WM_CLASS), which matches the desktop entry's
    // StartupWMClass; set before the first window is created.
    QApplication::setApplicationName(QStringLiteral(QUOREL_APP_NAME));
    QApplication::setApplicationVersion(QStringLiteral(QUOREL_VERSION));
    // Lets Wayland desktops match the window to its entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(QUOREL_APP_ID));
    return Program::run(main_window::instance());
}
