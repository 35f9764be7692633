#include "host/menu.h"

#include "host/form.h"
#include "host/form_window.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

// A title's object is its QMenu; an item's is its QAction.
void Menu::create(const QString& caption) {
    QMenu* menu = form().window()->menuBar()->addMenu(caption);
    attachObject(menu);
}

void Menu::create(Menu& title, const QString& caption, const QString& shortcut) {
    auto* menu = static_cast<QMenu*>(title.entry());
    QAction* action = menu->addAction(caption);
    if (!shortcut.isEmpty())
        action->setShortcut(QKeySequence(shortcut));
    QObject::connect(action, &QAction::triggered, action, [this] { fire(clickHandler); });
    attachObject(action);
}
