#pragma once

#include <QByteArray>
#include <QString>

// Numbered file channels, as the file commands use them: a file is opened
// on a channel number for reading or for writing, read or written, and
// closed within one command. Failures raise numbered run-time errors.
//
// Reading refuses anything but a regular file (a folder, a FIFO, a device)
// before reading a byte. Writing goes to a new file beside the target that
// replaces it only when the channel is closed after every byte was written,
// so a failed write leaves the old file as it was.
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
    // channel replaces the target file with what was written.
    static void close(int channel);
    // Closes every channel; output not yet closed is discarded and the
    // targets keep their old contents.
    static void closeAll();

    static bool isOpen(int channel);

    // The largest file that may be opened for input, from the memory
    // available now.
    static qint64 maxInputSize();
};
