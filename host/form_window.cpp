#include "host/form_window.h"

#include "host/error_barrier.h"
#include "host/form.h"

#include <QCloseEvent>
#include <QMenuBar>

FormWindow::FormWindow(Form& owner) : form(&owner), client(new QWidget(this)) {
    setObjectName(owner.name());
    setCentralWidget(client);
    client->setObjectName(owner.name() + QStringLiteral("_client"));
}

void FormWindow::fitClientSize() {
    if (clientSize.isEmpty())
        return;
    // The menu bar takes its height above the client area, as on any desktop.
    QSize size = clientSize;
    if (menuWidget())
        size.rheight() += menuBar()->sizeHint().height();
    if (fixedSize)
        setFixedSize(size);
    else
        resize(size);
}

void FormWindow::closeEvent(QCloseEvent* event) {
    // The form decides what closing means; the window never closes itself.
    event->ignore();
    if (Form* owner = form)
        ErrorBarrier::call([owner] { owner->closedByPerson(); });
}
