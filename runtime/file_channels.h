#pragma once

#include <QByteArray>
#include <QString>

// Numbered file channels, as the file commands use them: a file is opened
// on a channel number for reading or for writing, read or written, and
// closed within one command. Failures raise numbered run-time errors.
//
// Reading refuses anything but a regular file (a folder, a FIFO, a device)
// before reading a byte. What is written reaches the disk when the channel
// is closed, the way OutputFile saves: a failed save leaves the old file as
// it was, and output that is never closed is discarded.
class FileChannels {
public:
    static constexpr int MaxChannel = 255;

    // Raises "Out of memory" for a file larger than maxInputSize().
    static void openForInput(int channel, const QString& path);
    static void openForOutput(int channel, const QString& path);

    // The rest of the input file's bytes.
    static QByteArray readAll(int channel);
    static void write(int channel, const QByteArray& bytes);

    // Closing a channel that is not open is no error. Closing an output
    // channel saves what was written; it returns once the disk confirmed it.
    static void close(int channel);
    // Closes every channel; output not yet closed is discarded and the
    // targets keep their old contents.
    static void closeAll();

    // The largest file that may be opened for input, from the memory
    // available now.
    static qint64 maxInputSize();
    // The memory available now as the kernel estimates it (MemAvailable), in
    // bytes; -1 if the kernel does not say. The limit above follows it.
    static qint64 availableMemory();
};
