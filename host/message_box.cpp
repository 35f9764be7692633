#include "host/message_box.h"

#include "host/services.h"

void messageBox(const QString& text) {
    Services::current().messageBox(text);
}
