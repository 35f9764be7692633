#pragma once

#include "host/control.h"

#include <QString>
#include <functional>

// A menu title in the form's menu bar, or an item of such a menu. Captions
// mark their access key with '&'; shortcuts are written like "Ctrl+N".
class Menu : public Control {
public:
    using Control::Control;

    void create(const QString& caption);
    void create(Menu& title, const QString& caption, const QString& shortcut = {});
    void onClick(std::function<void()> handler) { clickHandler = std::move(handler); }

    // For the host's own use: the entry as Qt sees it.
    QObject* entry() const { return object(); }

private:
    std::function<void()> clickHandler;
};
