#pragma once

#include "host/control.h"

#include <QString>

// Static text on a form.
class Label : public Control {
public:
    using Control::Control;

    void create(const QString& caption, const Twips& geometry);
};
