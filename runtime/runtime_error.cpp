#include "runtime/runtime_error.h"

#include <utility>

RuntimeError::RuntimeError(int number) : RuntimeError(number, standardDescription(number)) {}

RuntimeError::RuntimeError(int number, QString description)
    : num(number), desc(std::move(description)),
      whatText(QStringLiteral("Run-time error %1: %2").arg(number).arg(desc).toUtf8()) {}

QString RuntimeError::standardDescription(int number) {
    switch (number) {
    case err::InvalidCall:
        return QStringLiteral("Invalid procedure call or argument");
    case err::Overflow:
        return QStringLiteral("Overflow");
    case err::OutOfMemory:
        return QStringLiteral("Out of memory");
    case err::InternalError:
        return QStringLiteral("Internal error");
    case err::BadFileName:
        return QStringLiteral("Bad file name or number");
    case err::FileNotFound:
        return QStringLiteral("File not found");
    case err::FileAlreadyOpen:
        return QStringLiteral("File already open");
    case err::DeviceIO:
        return QStringLiteral("Device I/O error");
    case err::DiskFull:
        return QStringLiteral("Disk full");
    case err::InputPastEnd:
        return QStringLiteral("Input past end of file");
    case err::TooManyFiles:
        return QStringLiteral("Too many files");
    case err::PermissionDenied:
        return QStringLiteral("Permission denied");
    case err::PathFileAccess:
        return QStringLiteral("Path/File access error");
    case err::PathNotFound:
        return QStringLiteral("Path not found");
    case err::ObjectNotSet:
        return QStringLiteral("Object variable not set");
    default:
        return QStringLiteral("Application-defined or object-defined error");
    }
}

void raiseError(int number) {
    throw RuntimeError(number);
}
