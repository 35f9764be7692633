#include "host/form.h"

#include "host/control.h"
#include "host/form_window.h"
#include "host/forms.h"
#include "host/program.h"
#include "host/twips.h"

#include <utility>

Form::Form(QString name) : formName(std::move(name)) {}

Form::~Form() {
    if (win) {
        win->forgetForm();
        delete win;
    }
}

bool Form::isVisible() const {
    return win && win->isVisible();
}

void Form::load() {
    if (win)
        return;
    win = new FormWindow(*this);
    layout();
    win->fitClientSize();
    if (loadHandler)
        loadHandler();
}

void Form::show() {
    load();
    // Showing brings the window back from the task bar; a maximized window
    // comes back maximized. Activation waits for the window to be mapped.
    if (win->windowState() & Qt::WindowMinimized)
        win->setWindowState((win->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    win->show();
    win->raise();
    win->activateWindow();
}

void Form::hide() {
    load();
    win->hide();
}

void Form::unload() {
    if (!win)
        return;
    for (Control* c : controls)
        c->detach();
    win->forgetForm();
    win->hide();
    // The window may be in the middle of delivering the click that unloads it.
    win->deleteLater();
    win = nullptr;
}

QWidget* Form::clientArea() {
    load();
    return win->clientArea();
}

void Form::addControl(Control* control) {
    controls.push_back(control);
}

void Form::closedByPerson() {
    if (Program::startupForm() == this)
        Program::end();
    else if (closeHandler)
        closeHandler();
    else
        unload();
}

void Form::setCaption(const QString& caption) {
    win->setWindowTitle(caption);
}

void Form::setBorder(Border border) {
    if (border == Border::FixedDialog) {
        // A dialog window: the desktop keeps it out of the task bar.
        win->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                            Qt::WindowCloseButtonHint);
    } else {
        win->setWindowFlags(Qt::Window);
    }
    win->setFixedClientSize(border == Border::FixedDialog);
}

void Form::setClientSize(int width, int height) {
    win->setClientSize(pixelsFromTwips(width), pixelsFromTwips(height));
}

void Form::setPosition(int left, int top) {
    win->move(pixelsFromTwips(left), pixelsFromTwips(top));
}

void Form::onLoad(std::function<void()> handler) {
    loadHandler = std::move(handler);
}

void Form::onClose(std::function<void()> handler) {
    closeHandler = std::move(handler);
}
