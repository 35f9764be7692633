#pragma once

#include <QString>

// The run-time errors that failed file system calls raise.
namespace FileErrors {

bool folderExists(const QString& path);
// The run-time error number for the errno of a failed call on path.
int numberFor(int error, const QString& path);
// Raises that error. Pass the errno read right after the failed call: any
// call in between, Qt's included, may change it.
[[noreturn]] void raise(int error, const QString& path);

} // namespace FileErrors
