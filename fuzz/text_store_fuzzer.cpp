// The multi-line text box's store under any sequence of edits, against a
// plain QString that makes the same edits:
// - the text reads back as the plain string, before and after handing it out;
// - a text handed out never changes under its holder;
// - the text is kept in the code page's bytes while it holds every
//   character and a whole text was set, and in UTF-16 whenever a character
//   it cannot hold is in it, so that both forms and the switch between them
//   are driven;
// - the line index agrees with the line breaks (CR LF pairs) of the plain
//   string: every line's start and end, the line of every position, and the
//   line of every offset that counts a line break as one character.
//
// The input is a list of edits of five bytes and more: position (two bytes),
// length removed (one byte; 255 replaces the whole text instead), then one
// byte that says how many of the next code units to insert (UTF-16, low
// byte first). The inserted code units are
// drawn mostly from CR, LF and a few letters, so that line breaks are joined
// and split often; any code unit may come.

#include "docfile/code_page.h"
#include "fuzz_check.h"
#include "text/text_store.h"

#include <cstdint>
#include <vector>

namespace {

// The line starts of text: 0, then after every CR LF.
std::vector<qsizetype> lineStartsOf(const QString& text) {
    std::vector<qsizetype> starts{0};
    for (qsizetype i = 0; i + 1 < text.size(); ++i)
        if (text.at(i) == u'\r' && text.at(i + 1) == u'\n')
            starts.push_back(i + 2);
    return starts;
}

void checkLines(const TextStore& store, const QString& plain) {
    const std::vector<qsizetype> starts = lineStartsOf(plain);
    FUZZ_CHECK(store.lineCount() == qsizetype(starts.size()));
    for (std::size_t line = 0; line < starts.size(); ++line) {
        const qsizetype start = starts[line];
        const qsizetype end = line + 1 < starts.size() ? starts[line + 1] - 2 : plain.size();
        FUZZ_CHECK(store.lineStart(qsizetype(line)) == start);
        FUZZ_CHECK(store.lineEnd(qsizetype(line)) == end);
        // Line n starts n characters earlier when each break counts as one.
        FUZZ_CHECK(store.lineOfBreakAsOne(start - qsizetype(line)) == qsizetype(line));
        FUZZ_CHECK(store.lineOfBreakAsOne(end - qsizetype(line)) == qsizetype(line));
        // Up to and including the position between CR and LF.
        const qsizetype last = line + 1 < starts.size() ? end + 1 : end;
        for (qsizetype p = start; p <= last; ++p)
            FUZZ_CHECK(store.lineOf(p) == qsizetype(line));
    }
}

// A code unit for an inserted text: mostly line break material.
char16_t unitOf(std::uint8_t low, std::uint8_t high) {
    static const char16_t common[] = {u'\r', u'\n', u'a', u' ', u'\u00E9', u'\xD83D', u'\xDE00'};
    if (high == 0)
        return common[low % (sizeof common / sizeof common[0])];
    return char16_t(low | (high << 8));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A small gap keeps a run cheap and makes the gap grow often.
    TextStore store(8);
    QString plain;
    std::size_t i = 0;
    while (i + 4 <= size) {
        const qsizetype position = (data[i] | (data[i + 1] << 8)) % (plain.size() + 1);
        const bool whole = data[i + 2] == 255;
        const qsizetype removed = std::min<qsizetype>(data[i + 2], plain.size() - position);
        std::size_t units = data[i + 3];
        i += 4;
        QString inserted;
        for (; units > 0 && i + 1 < size; --units, i += 2)
            inserted.append(QChar(unitOf(data[i], data[i + 1])));
        if (whole) {
            store.setText(inserted);
            plain = inserted;
        } else {
            store.replace(position, removed, inserted);
            plain.replace(position, removed, inserted);
        }
        FUZZ_CHECK(store.size() == plain.size());
        const bool held = CodePage::firstUnencodable(plain) < 0;
        FUZZ_CHECK(held || store.text().storedAs() == DocumentText::Form::Utf16);
        FUZZ_CHECK(!whole || !held || store.text().storedAs() == DocumentText::Form::CodePage);
        if (data[i - 1] % 4 == 0) {
            const DocumentText handedOut = store.text();
            const QString kept = handedOut;
            FUZZ_CHECK(kept == plain);
            store.replace(0, 0, u"x");
            plain.insert(0, u'x');
            FUZZ_CHECK(QString(handedOut) == kept);
        }
    }
    if (plain.size() > 0)
        FUZZ_CHECK(store.mid(plain.size() / 3, plain.size() / 2) ==
                   plain.mid(plain.size() / 3, plain.size() / 2));
    checkLines(store, plain);
    FUZZ_CHECK(QString(store.text()) == plain);
    checkLines(store, plain);
    return 0;
}
