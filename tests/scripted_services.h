#pragma once

#include "host/services.h"

#include <QList>
#include <QStringList>

// Stands in for the person at the message box and the file dialogs: records
// every message and answers each file dialog from a script. It installs
// itself for its lifetime.
class ScriptedServices : public Services {
public:
    ScriptedServices();
    ~ScriptedServices() override;

    void messageBox(const QString& text) override;
    QString chooseFile(FileDialog kind) override;

    QStringList messages;
    // Whether the busy cursor was showing when each message was shown.
    QList<bool> busyAtMessage;
    QList<FileDialog> dialogsShown;
    // The answers the file dialogs give, in order; "" is a cancel.
    QStringList fileAnswers;
};
