#include "bench/harness.h"

#include "editor/main_window.h"
#include "host/form_window.h"

#include <QAbstractScrollArea>
#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QKeyEvent>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

namespace Harness {

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

PaintWatch::PaintWatch(QWidget* widget) : target(widget) {
    target->installEventFilter(this);
}

PaintWatch::~PaintWatch() {
    if (target)
        target->removeEventFilter(this);
}

bool PaintWatch::eventFilter(QObject* watched, QEvent* event) {
    // The filter sees the event before the widget paints; the event loop
    // returns only after the whole window is painted and flushed.
    if (watched == target && event->type() == QEvent::Paint)
        ++paints;
    return false;
}

void PaintWatch::waitForPaint() {
    bool gaveUp = false;
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, [&] { gaveUp = true; });
    limit.start(300'000);
    while (paints == marked && !gaveUp)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    if (gaveUp) {
        std::fprintf(stderr, "quorel_bench: no paint came within five minutes\n");
        std::exit(2);
    }
    marked = paints;
}

void BenchServices::messageBox(const QString& text) {
    messages << text;
}

QString BenchServices::chooseFile(FileDialog) {
    if (fileAnswers.isEmpty()) {
        std::fprintf(stderr, "quorel_bench: a file dialog nobody expected\n");
        return {};
    }
    return fileAnswers.takeFirst();
}

void pressKey(QWidget* widget, Qt::Key key, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(widget, &release);
}

void typeLetter(QWidget* widget, char letter) {
    pressKey(widget, Qt::Key(Qt::Key_A + (letter - 'a')), QString(QChar::fromLatin1(letter)));
}

namespace {
double statusMiB(const QByteArray& field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(field.size()).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return 0;
}
} // namespace

double residentMiB() {
    return statusMiB("VmRSS:");
}

double peakResidentMiB() {
    return statusMiB("VmHWM:");
}

void forgetPeakResident() {
    // Linux resets VmHWM to VmRSS when 5 is written here.
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

void quietenPlatform() {
    static const QtMessageHandler previous = qInstallMessageHandler(nullptr);
    qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext& context, const QString& text) {
            if (type == QtWarningMsg &&
                (text.startsWith(QStringLiteral("This plugin does not support")) ||
                 text.startsWith(QStringLiteral("QStandardPaths: XDG_RUNTIME_DIR"))))
                return;
            previous(type, context, text);
        });
}

void settle() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

QAbstractScrollArea* editorWidget(main_window& w) {
    auto* view = w.window()->findChild<QAbstractScrollArea*>(QStringLiteral("text_frame"));
    if (!view) {
        std::fprintf(stderr, "quorel_bench: no scrolling text box named text_frame\n");
        std::exit(2);
    }
    return view;
}

void trigger(main_window& w, const char* action) {
    auto* a = w.window()->findChild<QAction*>(QString::fromLatin1(action));
    if (!a) {
        std::fprintf(stderr, "quorel_bench: no action %s\n", action);
        std::exit(2);
    }
    a->trigger();
}

} // namespace Harness
