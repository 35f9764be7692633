#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

// The numbers of the run-time errors that this program raises or meets.
namespace err {
constexpr int InvalidCall = 5;
constexpr int Overflow = 6;
constexpr int OutOfMemory = 7;
constexpr int InternalError = 51;
constexpr int BadFileName = 52;
constexpr int FileNotFound = 53;
constexpr int FileAlreadyOpen = 55;
constexpr int DeviceIO = 57;
constexpr int DiskFull = 61;
constexpr int InputPastEnd = 62;
constexpr int TooManyFiles = 67;
constexpr int PermissionDenied = 70;
constexpr int PathFileAccess = 75;
constexpr int PathNotFound = 76;
constexpr int ObjectNotSet = 91;
} // namespace err

// A numbered run-time error. It travels as a C++ exception from where it is
// raised to the nearest caller that handles it, or to the host's barrier.
class RuntimeError : public std::exception {
public:
    explicit RuntimeError(int number);
    RuntimeError(int number, QString description);

    int number() const noexcept { return num; }
    QString description() const { return desc; }
    const char* what() const noexcept override { return whatText.constData(); }

    // The host's standard description for an error number.
    static QString standardDescription(int number);

private:
    int num;
    QString desc;
    QByteArray whatText;
};

// Raises the error with its standard description.
[[noreturn]] void raiseError(int number);
