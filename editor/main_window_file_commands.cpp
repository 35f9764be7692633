#include "docfile/decoded_text.h"
#include "docfile/document_file.h"
#include "docfile/field_pieces.h"
#include "editor/main_window.h"
#include "host/busy_cursor.h"
#include "host/message_box.h"
#include "runtime/file_channels.h"
#include "runtime/runtime_error.h"

#include <QList>
#include <array>

namespace {

constexpr int inputChannel = 2;
constexpr int outputChannel = 1;
// How much of a file an open reads at a time.
constexpr qsizetype readPiece = qsizetype(1) << 20;

// The characters without a visible glyph that a person may well type or
// paste, by name. (The text box reads a paragraph separator, U+2029, back as
// a line break, so it never needs one.)
struct NamedCharacter {
    char32_t code;
    const char* name;
};
constexpr std::array<NamedCharacter, 8> namedCharacters{{
    {0x0085, "the next line character"},
    {0x200B, "the zero-width space"},
    {0x200C, "the zero-width non-joiner"},
    {0x200D, "the zero-width joiner"},
    {0x200E, "the left-to-right mark"},
    {0x200F, "the right-to-left mark"},
    {0x2028, "the line separator"},
    {0xFEFF, "the byte order mark"},
}};

// How the refusal names character c: in quotation marks if it shows, else
// by a short description, so that the person knows what to look for.
QString characterName(char32_t c, const QString& character) {
    for (const NamedCharacter& named : namedCharacters)
        if (named.code == c)
            return QString::fromLatin1(named.name);
    switch (QChar::category(c)) {
    case QChar::Other_Control:
        return QStringLiteral("the control character");
    case QChar::Other_Format:
        return QStringLiteral("the format character");
    case QChar::Separator_Space:
        return QStringLiteral("the space character");
    case QChar::Other_Surrogate: // unpaired
        return QStringLiteral("the invisible character");
    default:
        return QStringLiteral("the character \u201C%1\u201D").arg(character);
    }
}

// Why text cannot be saved, naming its character at index at: the first
// one that the document file's code page cannot hold.
QString refusal(const DocumentText& text, qsizetype at) {
    const QChar first = text.at(at);
    const bool pair =
        first.isHighSurrogate() && at + 1 < text.size() && QChar(text.at(at + 1)).isLowSurrogate();
    // An unpaired surrogate is named by its own code, not that of U+FFFD.
    const char32_t c = pair ? QChar::surrogateToUcs4(first, text.at(at + 1)) : first.unicode();
    const QString code = QString::number(c, 16).toUpper().rightJustified(4, u'0');
    qsizetype line = 1;
    for (qsizetype b = text.indexOf(u"\r\n"); b >= 0 && b < at; b = text.indexOf(u"\r\n", b + 2))
        ++line;
    return QStringLiteral("The text was not saved: %1 (U+%2) on line %3 cannot be stored in a "
                          "Windows-1252 document.")
        .arg(characterName(c, text.mid(at, pair ? 2 : 1)), code, QString::number(line));
}

// The contents of the file open on channel, read a piece at a time straight
// into the text they are.
DocumentText readText(int channel) {
    DecodedText text(FileChannels::size(channel));
    const auto read = [channel](char* into, qsizetype length) {
        return FileChannels::read(channel, into, length);
    };
    while (text.readInto(readPiece, read) > 0) {
    }
    return text.take();
}

} // namespace

void main_window::menu_file_open_Click() {
    common_diag.ShowOpen();
    const QString name = common_diag.FileName();
    try {
        const BusyCursor busy;
        if (!name.isEmpty()) {
            FileChannels::openForInput(inputChannel, name);
            text_frame.setText(DocumentFile::firstField(readText(inputChannel)));
            textChanged = false;
            currentFile = name;
            haveFile = true;
            fileStamp = FileChannels::stamp(inputChannel);
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
    else if (textChanged && changedByAnotherProgram())
        messageBox(QStringLiteral("The file was changed by another program since it was opened or "
                                  "saved. Nothing was written; use save as to keep this text."));
    else if (textChanged)
        saveFile(currentFile);
}

// Whether the document's file is no longer the one this editor last read or
// wrote. One that is gone is no one else's work, and is written again.
bool main_window::changedByAnotherProgram() const {
    const FileStamp now = FileStamp::of(currentFile);
    return now.exists() && now != fileStamp;
}

void main_window::menu_file_saveas_Click() {
    common_diag.ShowSave();
    const QString name = common_diag.FileName();
    if (!name.isEmpty())
        saveFile(name);
}

void main_window::saveFile(const QString& path) {
    const BusyCursor busy;
    const DocumentText text = text_frame.text();
    // Refused before the file is touched: a substitute character would lose text.
    if (const qsizetype at = text.firstOutsideCodePage(); at >= 0) {
        messageBox(refusal(text, at));
        return;
    }
    FieldPieces file(text);
    try {
        FileChannels::openForOutput(outputChannel, path, file.size());
        for (QByteArrayView piece = file.next(); !piece.isEmpty(); piece = file.next())
            FileChannels::write(outputChannel, piece);
        FileChannels::close(outputChannel);
    } catch (const RuntimeError&) {
        // A save can fail after it reached the file (one written in place,
        // or a replacement whose folder did not confirm the rename): what
        // the file is now is this editor's doing, not another program's.
        if (haveFile && path == currentFile)
            fileStamp = FileStamp::of(path);
        throw;
    }
    haveFile = true;
    currentFile = path;
    textChanged = false;
    fileStamp = FileStamp::of(path);
}
