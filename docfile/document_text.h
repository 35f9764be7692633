#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <utility>

// A document's text as one value: the code page's bytes, one a character,
// for a text read from a file (the code page holds every character of
// those), or a UTF-16 string. Positions count characters either way (a CR
// and an LF are one each), and copies share their memory.
class DocumentText {
public:
    enum class Form { CodePage, Utf16 };

    DocumentText() = default;
    // A string is taken over as it is, without a copy.
    DocumentText(QString text) // NOLINT(google-explicit-constructor): a string is a text
        : string(std::move(text)), form(Form::Utf16) {}
    DocumentText(const char16_t* text) : DocumentText(QString::fromUtf16(text)) {}
    // Takes over the bytes, which the code page decodes.
    explicit DocumentText(QByteArray codePageBytes) : bytes(std::move(codePageBytes)) {}

    // The characters as a string: decoded where the text is kept in the
    // code page, a copy.
    operator QString() const; // NOLINT(google-explicit-constructor)

    qsizetype size() const { return form == Form::CodePage ? bytes.size() : string.size(); }
    bool isEmpty() const { return size() == 0; }
    char16_t at(qsizetype position) const;
    QString mid(qsizetype position, qsizetype length) const;
    // The first position at or after from where sought stands, or -1.
    qsizetype indexOf(QStringView sought, qsizetype from = 0) const;
    // The first character the code page cannot hold, or -1 when it holds
    // them all, as it always does for a text kept in it.
    qsizetype firstOutsideCodePage() const;
    // Keeps only the characters [from, to), moving none where nobody else
    // holds the text.
    void cut(qsizetype from, qsizetype to);

    // What the text is kept in, for what stores or writes it whole: the
    // code page's bytes, or the UTF-16 string.
    Form storedAs() const { return form; }
    const QByteArray& codePageBytes() const { return bytes; }
    const QString& utf16() const { return string; }

private:
    QByteArray bytes;
    QString string;
    Form form = Form::CodePage;
};
