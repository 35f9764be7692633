#include "host/command_button.h"

#include <QPushButton>

void CommandButton::create(const QString& caption, const Twips& geometry) {
    auto* button = new QPushButton(caption);
    button->setAutoDefault(false);
    button->setDefault(false);
    QObject::connect(button, &QPushButton::clicked, button, [this] { fire(clickHandler); });
    attach(button, geometry);
}
