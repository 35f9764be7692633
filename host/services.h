#pragma once

#include <QString>

// The parts of the host that need a person: the message box and the choice
// made in a file dialog. A test installs its own recorder and script here;
// everything else runs the real code.
class Services {
public:
    enum class FileDialog { Open, Save };

    virtual ~Services() = default;

    // Shows a modal message box with an OK button and waits until it is closed.
    virtual void messageBox(const QString& text) = 0;
    // Lets the person choose a file; an empty result means nothing was chosen.
    virtual QString chooseFile(FileDialog kind) = 0;

    static Services& current();
    // Installs a replacement (nullptr restores the desktop services). The
    // caller keeps ownership.
    static void install(Services* replacement);
};

// The application title shown in the caption of every message box.
inline QString applicationTitle() {
    return QStringLiteral("vandrel");
}
