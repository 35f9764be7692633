#pragma once

#include <QString>

// Shows text in a modal message box with an OK button, captioned with the
// application title, and waits until the person closes it.
void messageBox(const QString& text);
