#pragma once

#include "host/services.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <chrono>

class QAbstractScrollArea;
class QWidget;
class main_window;

namespace Harness {

using Clock = std::chrono::steady_clock;
double secondsSince(Clock::time_point start);

// Counts the paint events a widget receives, so that a measurement can end
// when what it changed is on the screen.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(QWidget* widget);
    ~PaintWatch() override;
    // Processes events until the widget has been painted once more since
    // mark() (or gives up after a long time and says so).
    void mark() { marked = paints; }
    void waitForPaint();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> target;
    int paints = 0;
    int marked = 0;
};

// Stands in for the person at the file dialogs and the message box.
class BenchServices : public Services {
public:
    void messageBox(const QString& text) override;
    QString chooseFile(FileDialog kind) override;

    QStringList fileAnswers;
    QStringList messages;
};

// A keystroke as a person makes it: press and release of a key.
void pressKey(QWidget* widget, Qt::Key key, const QString& text = {});
void typeLetter(QWidget* widget, char letter);
// Resident memory of this process, in MiB: now, and at its peak since the
// process started or the peak was last forgotten.
double residentMiB();
double peakResidentMiB();
void forgetPeakResident();
// Events that are due now, without waiting for more.
void settle();
// Keeps the offscreen platform's notes on what it cannot do off stderr.
void quietenPlatform();

// The editor window's parts that a measurement drives. The text box is
// looked up by its name and its base class only, so that the measurements
// hold whichever widget shows the text.
QAbstractScrollArea* editorWidget(main_window& w);
void trigger(main_window& w, const char* action);

} // namespace Harness
