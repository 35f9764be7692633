// The editor's benchmark: the real window and the real handlers, offscreen,
// on documents made here, next to the floors that bound each operation.
// See bench/README.md for how to run it and how to read its table.
#include "bench/documents.h"
#include "bench/harness.h"
#include "bench/probes.h"
#include "bench/report.h"
#include "editor/main_window.h"
#include "host/forms.h"
#include "host/program.h"
#include "runtime/file_channels.h"
#include "search/find_dialog.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <unistd.h>

using Harness::Clock;
using Harness::secondsSince;

namespace {

struct Session {
    QTemporaryDir folder;
    std::vector<BenchDocument> documents;
    Harness::BenchServices services;
    main_window* window = nullptr;
    QAbstractScrollArea* view = nullptr;
    std::unique_ptr<Harness::PaintWatch> painted;
    const BenchDocument* opened = nullptr;
    // The length of the text box's text, kept up to date as letters are
    // typed: reading the text to learn it would, with some widgets, do ahead
    // of time the work that a timed save or search that follows has to do.
    qsizetype length = 0;
    Probes::BareWindow bare;
    std::unique_ptr<Harness::PaintWatch> barePainted;
    int files = 0;

    QString newFile() { return folder.filePath(QStringLiteral("out-%1.txt").arg(++files)); }
};

Session* session = nullptr;

TextBox& textBox() {
    return session->window->text_frame;
}

// Each document's bytes and text, read once and kept for the floors.
struct Prepared {
    const BenchDocument* document = nullptr;
    QByteArray bytes;
    QString text;     // the field, as the program sees it
    QByteArray field; // the field's bytes, as the program keeps them
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
        prepared.field = prepared.bytes.mid(1, prepared.bytes.size() - 4);
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

void markOpened(const BenchDocument& d) {
    session->opened = &d;
    session->length = textBox().text().size();
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
    markOpened(d);
}

void caretTo(qsizetype position) {
    textBox().setSelStart(position);
    Harness::settle();
}

// One letter where the caret is; the caret has no selection, so the text grows by one.
void typeLetter() {
    Harness::typeLetter(session->view, 'x');
    ++session->length;
}

void typeAt(qsizetype position) {
    caretTo(position);
    typeLetter();
    Harness::settle();
}

bool lengthKept(benchmark::State& state) {
    return !failed(state, textBox().text().size() != session->length, "no letter typed");
}

bool markerSelected() {
    const TextBox& box = textBox();
    return box.selLength() == Documents::marker().size() &&
           box.text().mid(box.selStart(), box.selLength()) == Documents::marker();
}

// Search > find next for the marker from the start of the text.
void findMarker() {
    find_dialog& dialog = find_dialog::instance();
    dialog.currentSearch = Documents::marker();
    dialog.startPos = 1;
    Harness::trigger(*session->window, "menu_search_findnext");
}

// File > save as to a new copy, never over the document itself; the copy's
// name, or an empty one if the save failed.
QString saveToCopy(benchmark::State& state) {
    const QString name = session->newFile();
    session->services.fileAnswers << name;
    Harness::trigger(*session->window, "menu_file_saveas");
    Harness::settle();
    if (!quiet(state) || failed(state, session->window->isChanged(), "not saved"))
        return {};
    return name;
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

// A byte search of the field for the marker, as memmem does it.
void floorFind(benchmark::State& state, const BenchDocument& d) {
    const QByteArray& field = prepare(d).field;
    const QByteArray marker = Documents::encode(Documents::marker());
    for (auto _ : state) {
        const auto start = Clock::now();
        const void* found = ::memmem(field.constData(), size_t(field.size()), marker.constData(),
                                     size_t(marker.size()));
        const qsizetype at = found ? static_cast<const char*>(found) - field.constData() : -1;
        state.SetIterationTime(secondsSince(start));
        if (failed(state, at < 0, "marker not found"))
            return;
    }
}

bool writeAll(int fd, const QByteArray& bytes) {
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        left -= n;
    }
    return true;
}

// What a save that can survive a power cut has to do at the least: a new
// file beside the target, synced, renamed over the target, and the folder
// synced so that the rename itself is on the disk.
bool replaceDurably(const QByteArray& folderPath, const char* name, const QByteArray& bytes) {
    const int folder = ::open(folderPath.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0)
        return false;
    const char* const temporary = ".floor-save.tmp";
    const int fd = ::openat(folder, temporary, O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
    bool ok = fd >= 0 && writeAll(fd, bytes) && ::fdatasync(fd) == 0;
    if (fd >= 0)
        ok = ::close(fd) == 0 && ok;
    ok = ok && ::renameat(folder, temporary, folder, name) == 0 && ::fsync(folder) == 0;
    if (!ok)
        ::unlinkat(folder, temporary, 0);
    ::close(folder);
    return ok;
}

// A save's work at the least: the text encoded (unless it is written as it
// is kept) and written as a save must write it, with its syncs.
void floorSave(benchmark::State& state, const BenchDocument& d, bool encode) {
    const QByteArray folder = QFile::encodeName(session->folder.path());
    const char* const name = "floor-save.txt";
    // The target exists, as it does when a document is saved again.
    const QString target = session->folder.filePath(QString::fromLatin1(name));
    QFile existing(target);
    if (failed(state, !existing.open(QIODevice::WriteOnly) || existing.write(prepare(d).bytes) < 0,
               "cannot write the target"))
        return;
    existing.close();
    for (auto _ : state) {
        const auto start = Clock::now();
        const bool ok = replaceDurably(
            folder, name, encode ? Documents::encode(prepare(d).text) : prepare(d).bytes);
        state.SetIterationTime(secondsSince(start));
        if (failed(state, !ok, "the floor's save failed"))
            break;
    }
    QFile::remove(target);
}

// --- for comparison: a bare QPlainTextEdit ----------------------------------------

void plainShow(benchmark::State& state, const BenchDocument& d) {
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
        if (!quiet(state) ||
            failed(state, s.window->fileName() != d.path || s.window->isChanged(), "not opened"))
            return;
        markOpened(d);
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

// File > save after one letter typed (not timed) at the end or at the start.
void saveEdited(benchmark::State& state, const BenchDocument& d, bool atStart) {
    Session& s = *session;
    openInEditor(d);
    const QString copy = saveToCopy(state);
    if (copy.isEmpty())
        return;
    for (auto _ : state) {
        typeAt(atStart ? 0 : s.length);
        const auto start = Clock::now();
        Harness::trigger(*s.window, "menu_file_save");
        state.SetIterationTime(secondsSince(start));
        if (!quiet(state) || failed(state, s.window->isChanged(), "not saved"))
            break;
    }
    QFile::remove(copy);
}

// Find next of the marker from the start, repeated without a change or with
// a letter typed at the end before each search.
void findNext(benchmark::State& state, const BenchDocument& d, bool editFirst) {
    openInEditor(d);
    // The first search after opening may read the whole text: neither row measures it.
    findMarker();
    Harness::settle();
    for (auto _ : state) {
        if (editFirst)
            typeAt(session->length);
        const auto start = Clock::now();
        findMarker();
        state.SetIterationTime(secondsSince(start));
        if (!quiet(state) || failed(state, !markerSelected(), "marker not selected"))
            return;
        Harness::settle();
    }
}

// One letter typed where the caret is, until it is painted.
void timedLetter(benchmark::State& state) {
    Session& s = *session;
    s.painted->mark();
    const auto start = Clock::now();
    typeLetter();
    s.painted->waitForPaint();
    state.SetIterationTime(secondsSince(start));
}

void keystroke(benchmark::State& state, const BenchDocument& d, bool middle) {
    openInEditor(d);
    for (auto _ : state) {
        caretTo(middle ? session->length / 2 : session->length);
        timedLetter(state);
        if (!lengthKept(state))
            return;
    }
}

// The first character typed that the code page cannot hold, in the middle
// of a freshly opened document, until it is painted; then a letter after it.
void outsideCodePage(benchmark::State& state, const BenchDocument& d, bool first) {
    Session& s = *session;
    for (auto _ : state) {
        s.opened = nullptr;
        openInEditor(d);
        caretTo(s.length / 2);
        const QString omega(QChar(u'\u03A9'));
        if (!first)
            Harness::pressKey(s.view, Qt::Key_unknown, omega);
        Harness::settle();
        s.painted->mark();
        const auto start = Clock::now();
        if (first)
            Harness::pressKey(s.view, Qt::Key_unknown, omega);
        else
            typeLetter();
        s.painted->waitForPaint();
        state.SetIterationTime(secondsSince(start));
        s.length = textBox().text().size();
        if (failed(state, textBox().text().firstOutsideCodePage() < 0, "no omega typed"))
            return;
    }
}

// What memory may hold of a document: its bytes and a tenth more, and 8
// bytes for each line.
void allowance(benchmark::State& state, const BenchDocument& d) {
    for (auto _ : state) {
        state.SetIterationTime(0);
        state.counters["MiB"] = (1.1 * double(d.textBytes + 4) + 8.0 * double(d.lines)) / (1 << 20);
    }
}

// A letter typed at the end right after a find next (which selects the
// marker) or a save, both not timed: either may have asked the text box for
// its whole text.
void keystrokeAfter(benchmark::State& state, const BenchDocument& d, bool afterSave) {
    openInEditor(d);
    for (auto _ : state) {
        if (afterSave) {
            const QString copy = saveToCopy(state);
            if (copy.isEmpty())
                return;
            QFile::remove(copy);
        } else {
            findMarker();
            if (!quiet(state) || failed(state, !markerSelected(), "marker not selected"))
                return;
        }
        caretTo(session->length);
        timedLetter(state);
        if (!lengthKept(state))
            return;
    }
}

// Home with the caret at the end of the text's last line, or End from the
// start of that line; on the single line, a jump across the whole text.
void lineKey(benchmark::State& state, const BenchDocument& d, Qt::Key key) {
    Session& s = *session;
    openInEditor(d);
    for (auto _ : state) {
        caretTo(s.length);
        if (key == Qt::Key_End) {
            Harness::pressKey(s.view, Qt::Key_Home);
            Harness::settle();
        }
        const qsizetype from = textBox().selStart();
        s.painted->mark();
        const auto start = Clock::now();
        Harness::pressKey(s.view, key);
        s.painted->waitForPaint();
        state.SetIterationTime(secondsSince(start));
        if (failed(state, textBox().selStart() == from, "the caret did not move"))
            return;
    }
}

// One page to the right from the left edge, as a click in the scroll bar's
// trough does.
void pageRight(benchmark::State& state, const BenchDocument& d) {
    Session& s = *session;
    openInEditor(d);
    QScrollBar* bar = s.view->horizontalScrollBar();
    for (auto _ : state) {
        caretTo(0);
        bar->setValue(0);
        Harness::settle();
        if (failed(state, bar->maximum() <= 0, "the scroll bar has no range"))
            return;
        s.painted->mark();
        const auto start = Clock::now();
        bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
        s.painted->waitForPaint();
        state.SetIterationTime(secondsSince(start));
        if (failed(state, bar->value() == 0, "did not scroll"))
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
    session->length = 0;
    forgetPrepared();
}

// --- registration --------------------------------------------------------------

// The bare QPlainTextEdit takes seconds to show the single long line: its
// two rows run 3 times there.
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
        const TableDocument& table = keys[i];
        const std::string k = "/" + table.key;
        const int reps = repetitionsFor(d, false);
        const int slow = repetitionsFor(d, true);
        using S = benchmark::State;
        const bool small = !table.large;
        add("floor_read" + k, reps, [&d](S& st) { floorRead(st, d); });
        if (small) {
            add("floor_decode" + k, reps, [&d](S& st) { floorDecode(st, d); });
            add("floor_find" + k, reps, [&d](S& st) { floorFind(st, d); });
        }
        add("floor_save" + k, reps, [&d](S& st) { floorSave(st, d, true); });
        if (table.large)
            add("floor_write" + k, reps, [&d](S& st) { floorSave(st, d, false); });
        if (small)
            add("plain_show" + k, slow, [&d](S& st) { plainShow(st, d); });
        add("open" + k, reps, [&d](S& st) { open(st, d); });
        add("save_as" + k, reps, [&d](S& st) { saveAs(st, d); });
        if (small) {
            add("find_repeated" + k, reps, [&d](S& st) { findNext(st, d, false); });
            add("find_after_edit" + k, reps, [&d](S& st) { findNext(st, d, true); });
        }
        add("save_edit_end" + k, reps, [&d](S& st) { saveEdited(st, d, false); });
        add("save_edit_start" + k, reps, [&d](S& st) { saveEdited(st, d, true); });
        if (small) {
            add("type_end" + k, reps, [&d](S& st) { keystroke(st, d, false); });
            add("type_middle" + k, reps, [&d](S& st) { keystroke(st, d, true); });
            add("type_after_find" + k, reps, [&d](S& st) { keystrokeAfter(st, d, false); });
            add("type_after_save" + k, reps, [&d](S& st) { keystrokeAfter(st, d, true); });
            add("home" + k, reps, [&d](S& st) { lineKey(st, d, Qt::Key_Home); });
            add("end" + k, reps, [&d](S& st) { lineKey(st, d, Qt::Key_End); });
            add("page_right" + k, reps, [&d](S& st) { pageRight(st, d); });
        }
        if (table.memoryTarget && small) {
            add("type_outside" + k, reps, [&d](S& st) { outsideCodePage(st, d, true); });
            add("type_after_outside" + k, reps, [&d](S& st) { outsideCodePage(st, d, false); });
        }
        add("floor_rss" + k, reps, [&d](S& st) { memory(st, d, "memory-floor"); });
        add("rss" + k, reps, [&d](S& st) { memory(st, d, "memory-program"); });
        if (table.memoryTarget) {
            add("allowance" + k, 2, [&d](S& st) { allowance(st, d); });
            add("peak_open" + k, reps, [&d](S& st) { memory(st, d, "memory-peak-open"); });
            add("peak_save" + k, reps, [&d](S& st) { memory(st, d, "memory-peak-save"); });
            add("rss_save" + k, reps, [&d](S& st) { memory(st, d, "memory-after-save"); });
        }
        if (small)
            add("plain_rss" + k, slow, [&d](S& st) { memory(st, d, "memory-plaintextedit"); });
        add("close" + k, 1, [](S& st) {
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
    s.documents.push_back(Documents::write(s.folder.path(), QStringLiteral("1 MB"), MB, false));
    s.documents.push_back(
        Documents::write(s.folder.path(), QStringLiteral("10 MB"), 10 * MB, false));
    s.documents.push_back(
        Documents::write(s.folder.path(), QStringLiteral("50 MB"), 50 * MB, false));
    s.documents.push_back(
        Documents::write(s.folder.path(), QStringLiteral("1 line 10 MB"), 10 * MB, true));
    s.documents.push_back(
        Documents::write(s.folder.path(), QStringLiteral("200 MB"), 200 * MB, false));
    const std::vector<TableDocument> keys = {{"1MB", "1 MB"},
                                             {"10MB", "10 MB"},
                                             {"50MB", "50 MB", true},
                                             {"line10MB", "1 line, 10 MB"},
                                             {"200MB", "200 MB", true, true}};

    Services::install(&s.services);
    main_window& w = main_window::instance();
    s.window = &w;
    Program::setStartupForm(&w);
    w.show();
    s.view = Harness::editorWidget(w);
    s.painted = std::make_unique<Harness::PaintWatch>(s.view->viewport());
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
