#include "host/label.h"

#include <QLabel>

void Label::create(const QString& caption, const Twips& geometry) {
    attach(new QLabel(caption), geometry);
}

void Label::setBuddy(Control& control) {
    static_cast<QLabel*>(widget())->setBuddy(control.widget());
}
