#include "host/desktop_services.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

void DesktopServices::messageBox(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, applicationTitle(), text, QMessageBox::Ok,
                    QApplication::activeWindow());
    // A message in the middle of a long command waits for the person, so it
    // shows the ordinary pointer.
    const bool busy = QApplication::overrideCursor() != nullptr;
    if (busy)
        QApplication::setOverrideCursor(QCursor(Qt::ArrowCursor));
    box.exec();
    if (busy)
        QApplication::restoreOverrideCursor();
}

QString DesktopServices::chooseFile(FileDialog kind) {
    QWidget* parent = QApplication::activeWindow();
    return kind == FileDialog::Open ? QFileDialog::getOpenFileName(parent)
                                    : QFileDialog::getSaveFileName(parent);
}
