#include "bench/probes.h"

#include "bench/documents.h"
#include "editor/main_window.h"
#include "host/forms.h"
#include "host/program.h"

#include <QApplication>
#include <QFile>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QProcess>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace Probes {
namespace {

void report(double value) {
    std::printf("RESULT %.6f\n", value);
    std::fflush(stdout);
}

// The editor as main starts it, with scripted services, shown and painted
// once; torn down before the QApplication goes.
class StartedEditor {
public:
    StartedEditor() {
        Services::install(&services);
        Program::setStartupForm(&w);
        w.load();
        painted = std::make_unique<Harness::PaintWatch>(Harness::editorWidget(w)->viewport());
        painted->mark();
        w.show();
        painted->waitForPaint();
    }
    ~StartedEditor() {
        Forms::destroyAll();
        Services::install(nullptr);
    }
    StartedEditor(const StartedEditor&) = delete;
    StartedEditor& operator=(const StartedEditor&) = delete;

    Harness::BenchServices services;
    main_window& w = main_window::instance();
    std::unique_ptr<Harness::PaintWatch> painted;
};

int startProgram(Harness::Clock::time_point entered, int argc, char** argv) {
    QApplication app(argc, argv);
    const StartedEditor editor;
    report(Harness::secondsSince(entered) * 1000.0);
    return 0;
}

// The bare window of the floors, shown and painted once.
struct ShownBareWindow {
    ShownBareWindow() {
        painted.mark();
        bare.window->show();
        painted.waitForPaint();
    }

    BareWindow bare = makeBareWindow();
    Harness::PaintWatch painted{bare.edit->viewport()};
};

int startFloor(Harness::Clock::time_point entered, int argc, char** argv) {
    QApplication app(argc, argv);
    const ShownBareWindow shown;
    report(Harness::secondsSince(entered) * 1000.0);
    return 0;
}

// What the editor says, on stderr; whether it said nothing.
bool quiet(const StartedEditor& editor, const char* doing) {
    if (editor.services.messages.isEmpty())
        return true;
    std::fprintf(stderr, "%s said: %s\n", doing, qPrintable(editor.services.messages.join(u'|')));
    return false;
}

// The editor's memory around File > open of path and, for the last three,
// a File > save as of the document that follows it.
enum class Memory { AfterOpen, PeakOpen, PeakSave, AfterSave };

int memoryProgram(const QString& path, Memory what, int argc, char** argv) {
    QApplication app(argc, argv);
    StartedEditor editor;
    editor.services.fileAnswers << path;
    Harness::forgetPeakResident();
    Harness::trigger(editor.w, "menu_file_open");
    editor.painted->waitForPaint();
    Harness::settle();
    if (!quiet(editor, "open"))
        return 1;
    if (what == Memory::AfterOpen || what == Memory::PeakOpen) {
        report(what == Memory::AfterOpen ? Harness::residentMiB() : Harness::peakResidentMiB());
        return 0;
    }
    const QString copy = path + QStringLiteral(".saved");
    editor.services.fileAnswers << copy;
    Harness::forgetPeakResident();
    Harness::trigger(editor.w, "menu_file_saveas");
    Harness::settle();
    const bool saved = quiet(editor, "save as");
    QFile::remove(copy);
    if (!saved)
        return 1;
    report(what == Memory::AfterSave ? Harness::residentMiB() : Harness::peakResidentMiB());
    return 0;
}

// The document's text decoded from the file, or a null string if it cannot be read.
QString readField(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return fieldOf(Documents::decode(file.readAll()));
}

// What any editor must hold at the least: the process of a bare QApplication
// with the decoded text in one QString, and nothing shown.
int memoryFloor(const QString& path, int argc, char** argv) {
    QApplication app(argc, argv);
    const QString text = readField(path);
    if (text.isEmpty())
        return 1;
    Harness::settle();
    report(Harness::residentMiB());
    return 0;
}

int memoryPlainTextEdit(const QString& path, int argc, char** argv) {
    QApplication app(argc, argv);
    ShownBareWindow shown;
    {
        const QString text = readField(path);
        if (text.isEmpty())
            return 1;
        shown.bare.edit->setPlainText(text);
    }
    shown.painted.waitForPaint();
    Harness::settle();
    report(Harness::residentMiB());
    return 0;
}

} // namespace

BareWindow makeBareWindow() {
    BareWindow bare{std::make_unique<QMainWindow>(), new QPlainTextEdit};
    // Set up as the editor's text box is: these settings decide how much of
    // the document the widget lays out.
    bare.edit->setLineWrapMode(QPlainTextEdit::NoWrap);
    bare.edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    bare.edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    bare.window->setCentralWidget(bare.edit);
    bare.window->resize(520, 366);
    return bare;
}

QString fieldOf(const QString& decodedFile) {
    // The benchmark's files are all of the shape "text"CR LF.
    return decodedFile.mid(1, decodedFile.size() - 4);
}

int runIfAsked(int argc, char** argv, Harness::Clock::time_point mainEntered) {
    if (argc < 3 || qstrcmp(argv[1], "--probe") != 0)
        return -1;
    const QByteArray kind = argv[2];
    const QString path = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QString();
    int qtArgc = 1;
    Harness::quietenPlatform();
    if (kind == "start-program")
        return startProgram(mainEntered, qtArgc, argv);
    if (kind == "start-floor")
        return startFloor(mainEntered, qtArgc, argv);
    if (kind == "memory-program")
        return memoryProgram(path, Memory::AfterOpen, qtArgc, argv);
    if (kind == "memory-peak-open")
        return memoryProgram(path, Memory::PeakOpen, qtArgc, argv);
    if (kind == "memory-peak-save")
        return memoryProgram(path, Memory::PeakSave, qtArgc, argv);
    if (kind == "memory-after-save")
        return memoryProgram(path, Memory::AfterSave, qtArgc, argv);
    if (kind == "memory-floor")
        return memoryFloor(path, qtArgc, argv);
    if (kind == "memory-plaintextedit")
        return memoryPlainTextEdit(path, qtArgc, argv);
    std::fprintf(stderr, "unknown probe %s\n", kind.constData());
    return 2;
}

double measure(const QStringList& probeArguments) {
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(),
                QStringList{QStringLiteral("--probe")} + probeArguments);
    if (!child.waitForFinished(-1) || child.exitStatus() != QProcess::NormalExit ||
        child.exitCode() != 0) {
        std::fprintf(stderr, "quorel_bench: probe %s failed\n",
                     qPrintable(probeArguments.join(u' ')));
        return -1;
    }
    for (const QByteArray& line : child.readAllStandardOutput().split('\n'))
        if (line.startsWith("RESULT "))
            return line.mid(7).toDouble();
    return -1;
}

} // namespace Probes
