#include "tests/scripted_services.h"

#include <QGuiApplication>
#include <gtest/gtest.h>

ScriptedServices::ScriptedServices() {
    install(this);
}

ScriptedServices::~ScriptedServices() {
    install(nullptr);
}

void ScriptedServices::messageBox(const QString& text) {
    messages << text;
    busyAtMessage << (QGuiApplication::overrideCursor() != nullptr);
}

QString ScriptedServices::chooseFile(FileDialog kind) {
    dialogsShown << kind;
    if (fileAnswers.isEmpty()) {
        ADD_FAILURE() << "a file dialog was shown that the test did not expect";
        return {};
    }
    return fileAnswers.takeFirst();
}
