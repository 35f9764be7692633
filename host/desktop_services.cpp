#include "host/desktop_services.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

void DesktopServices::messageBox(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, applicationTitle(), text, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

QString DesktopServices::chooseFile(FileDialog kind) {
    QWidget* parent = QApplication::activeWindow();
    return kind == FileDialog::Open ? QFileDialog::getOpenFileName(parent)
                                    : QFileDialog::getSaveFileName(parent);
}
