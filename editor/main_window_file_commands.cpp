#include "docfile/code_page.h"
#include "docfile/document_file.h"
#include "editor/main_window.h"
#include "host/busy_cursor.h"
#include "host/file_channels.h"
#include "host/message_box.h"
#include "host/runtime_error.h"

#include <QList>

namespace {

constexpr int inputChannel = 2;
constexpr int outputChannel = 1;

// Why text cannot be saved, naming its first character that the document
// file's code page cannot hold; empty if it can be saved.
QString unsavable(const QString& text) {
    const qsizetype at = CodePage::firstUnencodable(text);
    if (at < 0)
        return {};
    const bool pair =
        text.at(at).isHighSurrogate() && at + 1 < text.size() && text.at(at + 1).isLowSurrogate();
    const QString character = text.mid(at, pair ? 2 : 1);
    const QString code =
        QString::number(character.toUcs4().value(0), 16).toUpper().rightJustified(4, u'0');
    const qsizetype line = QStringView(text).left(at).count(QStringLiteral("\r\n")) + 1;
    return QStringLiteral("The text was not saved: the character \u201C%1\u201D (U+%2) on line %3 "
                          "cannot be stored in a Windows-1252 document.")
        .arg(character, code, QString::number(line));
}

} // namespace

void main_window::menu_file_open_Click() {
    common_diag.ShowOpen();
    const QString name = common_diag.FileName();
    try {
        const BusyCursor busy;
        if (!name.isEmpty()) {
            FileChannels::openForInput(inputChannel, name);
            text_frame.setText(DocumentFile::read(inputChannel));
            textChanged = false;
            currentFile = name;
            haveFile = true;
        }
        FileChannels::close(inputChannel);
    } catch (const RuntimeError& e) {
        if (e.number() != err::FileNotFound) {
            messageBox(QStringLiteral("There was an error"));
            raiseError(e.number());
        }
        messageBox(QStringLiteral("That file does not exist"));
        FileChannels::close(inputChannel);
    }
}

void main_window::menu_file_save_Click() {
    if (!haveFile && textChanged)
        menu_file_saveas_Click();
    else if (!haveFile)
        messageBox(QStringLiteral("Nothing to save yet"));
    else if (textChanged)
        saveFile(currentFile);
}

void main_window::menu_file_saveas_Click() {
    common_diag.ShowSave();
    const QString name = common_diag.FileName();
    if (!name.isEmpty())
        saveFile(name);
}

void main_window::saveFile(const QString& path) {
    const BusyCursor busy;
    const QString text = text_frame.text();
    // Refused before the file is touched: a substitute character would lose text.
    if (const QString why = unsavable(text); !why.isEmpty()) {
        messageBox(why);
        return;
    }
    FileChannels::openForOutput(outputChannel, path);
    DocumentFile::write(outputChannel, text);
    FileChannels::close(outputChannel);
    haveFile = true;
    currentFile = path;
    textChanged = false;
}
