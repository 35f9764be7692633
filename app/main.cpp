#include "editor/main_window.h"
#include "host/program.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quorel"));
    return Program::run(main_window::instance());
}
