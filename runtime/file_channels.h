#pragma once

#include "runtime/file_stamp.h"

#include <QByteArrayView>
#include <QString>

// Numbered file channels, as the file commands use them: a file is opened
// on a channel number for reading or for writing, read or written, and
// closed within one command. Failures raise numbered run-time errors.
//
// Reading refuses anything but a regular file (a folder, a FIFO, a device)
// before reading a byte, and reads a piece at a time. What is written goes
// on its way at once and is saved when the channel is closed, the way
// OutputFile saves: a failed save leaves the old file as it was, and output
// that is never closed is discarded.
class FileChannels {
public:
    static constexpr int MaxChannel = 255;

    // Raises "Out of memory" for a file larger than maxInputSize().
    static void openForInput(int channel, const QString& path);
    // length, where the caller knows it, is how many bytes it will write:
    // a save into the file itself then reserves room for all of them before
    // it changes a byte.
    static void openForOutput(int channel, const QString& path, qint64 length = -1);

    // The input file as it was when it was opened, and its size then.
    static FileStamp stamp(int channel);
    static qint64 size(int channel);
    // Up to length of the input file's next bytes into buffer; 0 at its end,
    // which is never past the size it had when it was opened.
    static qsizetype read(int channel, char* buffer, qsizetype length);
    static void write(int channel, QByteArrayView bytes);

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
