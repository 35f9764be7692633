#pragma once

#include "host/services.h"

// The services a person meets on the desktop: Qt's message box and the
// platform's file dialogs.
class DesktopServices : public Services {
public:
    void messageBox(const QString& text) override;
    QString chooseFile(FileDialog kind) override;
};
