#include "host/common_dialog.h"

#include "host/services.h"

void CommonDialog::ShowOpen() {
    fileName = Services::current().chooseFile(Services::FileDialog::Open);
}

void CommonDialog::ShowSave() {
    fileName = Services::current().chooseFile(Services::FileDialog::Save);
}
