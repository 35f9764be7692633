#pragma once

#include "host/control.h"

#include <QString>
#include <functional>

// A push button. It is never a form's default or cancel button: Enter and
// Esc do not press it.
class CommandButton : public Control {
public:
    using Control::Control;

    void create(const QString& caption, const Twips& geometry);
    void onClick(std::function<void()> handler) { clickHandler = std::move(handler); }

private:
    std::function<void()> clickHandler;
};
