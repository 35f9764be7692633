#pragma once

#include "bench/harness.h"

#include <QStringList>
#include <memory>

class QMainWindow;
class QPlainTextEdit;

// Measurements that need a process of their own: the start of a program and
// the memory it holds after opening a document. Each runs in a fresh child,
// this same executable started with --probe.
namespace Probes {

// What a bare widget does with the same text, for comparison: a QMainWindow
// holding a QPlainTextEdit without line wrapping, at the editor's size. It
// is also the bare window that the start of the program is compared with.
struct BareWindow {
    std::unique_ptr<QMainWindow> window;
    QPlainTextEdit* edit = nullptr;
};
BareWindow makeBareWindow();

// The text field of a document file's bytes, as the floors take it: the
// decoded bytes between the leading and the trailing quotation mark.
QString fieldOf(const QString& decodedFile);

// Runs in the child when argv asks for a probe; returns the exit status, or
// -1 if argv asks for none.
int runIfAsked(int argc, char** argv, Harness::Clock::time_point mainEntered);

// Starts a child for a probe and returns the number it reports.
double measure(const QStringList& probeArguments);

} // namespace Probes
