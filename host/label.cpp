#include "host/label.h"

#include <QLabel>

void Label::create(const QString& caption, const Twips& geometry) {
    attach(new QLabel(caption), geometry);
}
