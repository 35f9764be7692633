#pragma once

#include <QString>

// The file dialog component: a modal dialog to choose a file to open or a
// name to save to. FileName holds the choice afterwards, and is empty when
// the person cancelled.
class CommonDialog {
public:
    void ShowOpen();
    void ShowSave();
    QString FileName() const { return fileName; }

private:
    QString fileName;
};
