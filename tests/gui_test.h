#pragma once

#include "host/forms.h"
#include "host/program.h"
#include "runtime/file_channels.h"
#include "tests/scripted_services.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

// A fresh program for every test: no forms yet, scripted services, and a
// temporary folder for files.
class GuiTest : public testing::Test {
protected:
    GuiTest() {
        Program::reset();
        Forms::destroyAll();
    }
    ~GuiTest() override {
        FileChannels::closeAll();
        Forms::destroyAll();
        Program::reset();
    }

    QString path(const QString& name) const { return dir.filePath(name); }

    ScriptedServices services;
    QTemporaryDir dir;
};
