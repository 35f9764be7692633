#pragma once

#include "host/control.h"

#include <QString>

// Static text on a form.
class Label : public Control {
public:
    using Control::Control;

    void create(const QString& caption, const Twips& geometry);
    // The control the label names, for screen readers and its access key.
    void setBuddy(Control& control);
};
