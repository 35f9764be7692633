// The editor's benchmark: the real window and the real handlers, offscreen,
// on documents made here, next to the floors that bound each operation.
// See bench/README.md for how to run it and how to read its table.
#include "bench/documents.h"
#include "bench/harness.h"
#include "bench/probes.h"
#include "bench/report.h"
#include "editor/main_window.h"
#include "host/file_channels.h"
#include "host/forms.h"
#include "host/program.h"
#include "search/find_dialog.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTextBlock>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <functional>
#include <memory>

using Harness::Clock;
using Harness::secondsSince;

namespace {

struct Session {
    QTemporaryDir folder;
    std::vector<BenchDocument> documents;
    Harness::BenchServices services;
    main_window* window = nullptr;
    QPlainTextEdit* edit = nullptr;
    std::unique_ptr<Harness::PaintWatch> painted;
    const BenchDocument* opened = nullptr;
    Probes::BareWindow bare;
    std::unique_ptr<Harness::PaintWatch> barePainted;
    int files = 0;

    QString newFile() { return folder.filePath(QStringLiteral("out-%1.txt").arg(++files)); }
};

Session* session = nullptr;

// Each document's bytes and text, read once and kept for the floors.
struct Prepared {
    const BenchDocument* document = nullptr;
    QByteArray bytes;
    QString text; // the field, as the program sees it
};
Prepared prepared;

const Prepared& prepare(const BenchDocument& d) {
    if (prepared.document != &d) {
        prepared = Prepared{};
        QFile file(d.path);
        if (!file.open(QIODevice::ReadOnly))
            std::abort();
        prepared.bytes = file.readAll();
        prepared.text = Probes::fieldOf(Documents::decode(prepared.bytes));
        prepared.document = &d;
    }
    return prepared;
}

void forgetPrepared() {
    prepared = Prepared{};
}

bool failed(benchmark::State& state, bool condition, const char* what) {
    if (!condition)
        return false;
    state.SkipWithError(what);
    return true;
}

bool quiet(benchmark::State& state) {
    if (session->services.messages.isEmpty())
        return true;
    const std::string said = session->services.messages.join(u'|').toStdString();
    session->services.messages.clear();
    state.SkipWithError(("the editor said: " + said).c_str());
    return false;
}

void openInEditor(const BenchDocument& d) {
    Session& s = *session;
    if (s.opened == &d)
        return;
    Harness::trigger(*s.window, "menu_file_new");
    Harness::settle();
    s.services.fileAnswers << d.path;
    Harness::trigger(*s.window, "menu_file_open");
    Harness::settle();
    s.opened = &d;
}

void caretToEnd() {
    session->edit->moveCursor(QTextCursor::End);
    session->edit->ensureCursorVisible();
    Harness::settle();
}

void caretToMiddle() {
    QTextCursor cursor(session->edit->document());
    cursor.setPosition(session->edit->document()->characterCount() / 2);
    session->edit->setTextCursor(cursor);
    session->edit->ensureCursorVisible();
    Harness::settle();
}

void typeAtEnd() {
    caretToEnd();
    Harness::typeLetter(session->edit, 'x');
    Harness::settle();
}

bool foundMarker() {
    return session->edit->textCursor().selectedText() == Documents::marker();
}

// --- the floors --------------------------------------------------------------

void floorRead(benchmark::State& state, const BenchDocument& d) {
    for (auto _ : state) {
        const auto start = Clock::now();
        QFile file(d.path);
        const bool ok = file.open(QIODevice::ReadOnly);
        const QByteArray bytes = file.readAll();
        state.SetIterationTime(secondsSince(start));
        if (failed(state, !ok || bytes.size() != d.textBytes + 4, "short read"))
            return;
    }
}

void floorDecode(benchmark::State& state, const BenchDocument& d) {
    const QByteArray& bytes = prepare(d).bytes;
    for (auto _ : state) {
        const auto start = Clock::now();
        const QString text = Documents::decode(bytes);
        state.SetIterationTime(secondsSince(start));
        benchmark::DoNotOptimize(text.constData());
    }
}

void floorShow(benchmark::State& state, const BenchDocument& d) {
    Session& s = *session;
    const QString& text = prepare(d).text;
    for (auto _ : state) {
        s.bare.edit->setPlainText(QString());
        Harness::settle();
        s.barePainted->mark();
        const auto start = Clock::now();
        s.bare.edit->setPlainText(text);
        s.barePainted->waitForPaint();
        state.SetIterationTime(secondsSince(start));
    }
    s.bare.edit->setPlainText(QString());
    Harness::settle();
}

void floorFind(benchmark::State& state, const BenchDocument& d) {
    const QString& text = prepare(d).text;
    const QString marker = Documents::marker();
    for (auto _ : state) {
        const auto start = Clock::now();
        const qsizetype at = text.indexOf(marker);
        state.SetIterationTime(secondsSince(start));
        if (failed(state, at < 0, "marker not found"))
            return;
    }
}

void floorSave(benchmark::State& state, const BenchDocument& d) {
    const QString& text = prepare(d).text;
    for (auto _ : state) {
        const QString name = session->newFile();
        const auto start = Clock::now();
        const QByteArray bytes = Documents::encode(text);
        QSaveFile file(name);
        const bool ok =
            file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
        state.SetIterationTime(secondsSince(start));
        QFile::remove(name);
        if (failed(state, !ok, "QSaveFile failed"))
            return;
    }
}

// --- the program ---------------------------------------------------------------

void open(benchmark::State& state, const BenchDocument& d) {
    Session& s = *session;
    forgetPrepared();
    for (auto _ : state) {
        Harness::trigger(*s.window, "menu_file_new");
        Harness::settle();
        s.opened = nullptr;
        s.services.fileAnswers << d.path;
        s.painted->mark();
        const auto start = Clock::now();
        Harness::trigger(*s.window, "menu_file_open");
        s.painted->waitForPaint();
        state.SetIterationTime(secondsSince(start));
        s.opened = &d;
        if (!quiet(state) ||
            failed(state, s.window->fileName() != d.path || s.window->isChanged(), "not opened"))
            return;
    }
}

void saveAs(benchmark::State& state, const BenchDocument& d) {
    Session& s = *session;
    openInEditor(d);
    for (auto _ : state) {
        const QString name = s.newFile();
        s.services.fileAnswers << name;
        const auto start = Clock::now();
        Harness::trigger(*s.window, "menu_file_saveas");
        state.SetIterationTime(secondsSince(start));
        const qint64 size = QFileInfo(name).size();
        QFile::remove(name);
        if (!quiet(state) || failed(state, size < d.textBytes + 4, "not saved"))
            return;
    }
}

void saveEdited(benchmark::State& state, const BenchDocument& d) {
    Session& s = *session;
    openInEditor(d);
    // Saves go to a copy, never over the document itself.
    const QString name = s.newFile();
    s.services.fileAnswers << name;
    Harness::trigger(*s.window, "menu_file_saveas");
    for (auto _ : state) {
        typeAtEnd();
        const auto start = Clock::now();
        Harness::trigger(*s.window, "menu_file_save");
        state.SetIterationTime(secondsSince(start));
        if (!quiet(state) || failed(state, s.window->isChanged(), "not saved"))
            return;
    }
    QFile::remove(name);
}

// Find next of the marker from the start, repeated without a change or with
// a letter typed at the end before each search.
void findNext(benchmark::State& state, const BenchDocument& d, bool editFirst) {
    Session& s = *session;
    openInEditor(d);
    find_dialog& dialog = find_dialog::instance();
    dialog.currentSearch = Documents::marker();
    // The first search after opening reads the whole text: neither row measures it.
    dialog.startPos = 1;
    Harness::trigger(*s.window, "menu_search_findnext");
    Harness::settle();
    for (auto _ : state) {
        if (editFirst)
            typeAtEnd();
        dialog.startPos = 1;
        const auto start = Clock::now();
        Harness::trigger(*s.window, "menu_search_findnext");
        state.SetIterationTime(secondsSince(start));
        if (!quiet(state) || failed(state, !foundMarker(), "marker not selected"))
            return;
        Harness::settle();
    }
}

void keystroke(benchmark::State& state, const BenchDocument& d, bool middle) {
    Session& s = *session;
    openInEditor(d);
    for (auto _ : state) {
        if (middle)
            caretToMiddle();
        else
            caretToEnd();
        const int before = s.edit->document()->characterCount();
        s.painted->mark();
        const auto start = Clock::now();
        Harness::typeLetter(s.edit, 'x');
        s.painted->waitForPaint();
        state.SetIterationTime(secondsSince(start));
        if (failed(state, s.edit->document()->characterCount() != before + 1, "no letter typed"))
            return;
    }
}

void memory(benchmark::State& state, const BenchDocument& d, const char* probe) {
    for (auto _ : state) {
        const auto start = Clock::now();
        const double mib = Probes::measure({QString::fromLatin1(probe), d.path});
        state.SetIterationTime(secondsSince(start));
        if (failed(state, mib <= 0, "probe failed"))
            return;
        state.counters["MiB"] = mib;
    }
}

void start(benchmark::State& state, const char* probe) {
    for (auto _ : state) {
        const double ms = Probes::measure({QString::fromLatin1(probe)});
        if (failed(state, ms <= 0, "probe failed"))
            return;
        state.SetIterationTime(ms / 1000.0);
    }
}

void closeDocument() {
    Harness::trigger(*session->window, "menu_file_new");
    Harness::settle();
    session->opened = nullptr;
    forgetPrepared();
}

// --- registration --------------------------------------------------------------

// Every edit of the single long line costs the widget seconds: the rows that
// type into it, and the fresh processes that open it, run 3 times there.
int repetitionsFor(const BenchDocument& d, bool slowOnOneLine) {
    return d.oneLine && slowOnOneLine ? 3 : 5;
}

void add(const std::string& name, int repetitions,
         std::function<void(benchmark::State&)> measurement) {
    benchmark::RegisterBenchmark(name.c_str(),
                                 [measurement](benchmark::State& state) { measurement(state); })
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1)
        ->Repetitions(repetitions)
        ->ReportAggregatesOnly(true);
}

void registerAll(const std::vector<TableDocument>& keys) {
    add("start", 5, [](benchmark::State& st) { start(st, "start-program"); });
    add("floor_start", 5, [](benchmark::State& st) { start(st, "start-floor"); });
    for (std::size_t i = 0; i < session->documents.size(); ++i) {
        const BenchDocument& d = session->documents[i];
        const std::string k = "/" + keys[i].key;
        const int reps = repetitionsFor(d, false);
        const int slowReps = repetitionsFor(d, true);
        add("floor_read" + k, reps, [&d](benchmark::State& st) { floorRead(st, d); });
        add("floor_decode" + k, reps, [&d](benchmark::State& st) { floorDecode(st, d); });
        add("floor_show" + k, reps, [&d](benchmark::State& st) { floorShow(st, d); });
        add("floor_find" + k, reps, [&d](benchmark::State& st) { floorFind(st, d); });
        add("floor_save" + k, reps, [&d](benchmark::State& st) { floorSave(st, d); });
        add("open" + k, reps, [&d](benchmark::State& st) { open(st, d); });
        add("save_as" + k, reps, [&d](benchmark::State& st) { saveAs(st, d); });
        add("find_repeated" + k, reps, [&d](benchmark::State& st) { findNext(st, d, false); });
        add("find_after_edit" + k, slowReps, [&d](benchmark::State& st) { findNext(st, d, true); });
        add("save_edited" + k, slowReps, [&d](benchmark::State& st) { saveEdited(st, d); });
        add("key_end" + k, slowReps, [&d](benchmark::State& st) { keystroke(st, d, false); });
        add("key_middle" + k, slowReps, [&d](benchmark::State& st) { keystroke(st, d, true); });
        add("floor_rss" + k, slowReps,
            [&d](benchmark::State& st) { memory(st, d, "memory-floor"); });
        add("rss" + k, slowReps, [&d](benchmark::State& st) { memory(st, d, "memory-program"); });
        add("close" + k, 1, [](benchmark::State& st) {
            for (auto _ : st) {
                closeDocument();
                st.SetIterationTime(0);
            }
        });
    }
}

} // namespace

int main(int argc, char** argv) {
    const auto entered = Clock::now();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (const int status = Probes::runIfAsked(argc, argv, entered); status >= 0)
        return status;

    Harness::quietenPlatform();
    benchmark::Initialize(&argc, argv);
    QApplication app(argc, argv);
    // No caret blinking: its repaints would only add noise.
    QApplication::setCursorFlashTime(0);

    Session s;
    session = &s;
    if (!s.folder.isValid())
        return 1;
    std::fprintf(stderr, "quorel_bench: writing the documents into %s\n",
                 qPrintable(s.folder.path()));
    constexpr qsizetype MB = 1000 * 1000;
    s.documents.push_back(
        Documents::write(s.folder.path(), QStringLiteral("1 MB"), MB, false, true));
    s.documents.push_back(
        Documents::write(s.folder.path(), QStringLiteral("10 MB"), 10 * MB, false, true));
    s.documents.push_back(
        Documents::write(s.folder.path(), QStringLiteral("50 MB"), 50 * MB, false, true));
    s.documents.push_back(
        Documents::write(s.folder.path(), QStringLiteral("1 line 10 MB"), 10 * MB, true, false));
    const std::vector<TableDocument> keys = {{"1MB", "1 MB", true, false},
                                             {"10MB", "10 MB", true, false},
                                             {"50MB", "50 MB", true, true},
                                             {"line10MB", "1 line, 10 MB", false, false}};

    Services::install(&s.services);
    main_window& w = main_window::instance();
    s.window = &w;
    Program::setStartupForm(&w);
    w.show();
    s.edit = Harness::editorWidget(w);
    s.painted = std::make_unique<Harness::PaintWatch>(s.edit->viewport());
    s.bare = Probes::makeBareWindow();
    s.barePainted = std::make_unique<Harness::PaintWatch>(s.bare.edit->viewport());
    s.bare.window->show();
    Harness::settle();

    registerAll(keys);
    MedianCollector results;
    benchmark::RunSpecifiedBenchmarks(&results);
    printTable(results, keys);

    s.bare.window.reset();
    s.barePainted.reset();
    s.painted.reset();
    FileChannels::closeAll();
    Forms::destroyAll();
    Services::install(nullptr);
    benchmark::Shutdown();
    return 0;
}
