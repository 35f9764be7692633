#include "runtime/extended_attributes.h"

#include "runtime/system_calls.h"

#include <QList>
#include <cerrno>
#include <optional>
#include <sys/xattr.h>

namespace {

// Reads what a call of the listxattr or getxattr kind returns, growing the
// buffer if the value grew between asking for its size and reading it.
// Null where the call fails otherwise; empty where the file system keeps no
// attributes.
template <typename Call> std::optional<QByteArray> readAll(Call call) {
    for (;;) {
        const ssize_t size = call(nullptr, 0);
        if (size < 0)
            return errno == ENOTSUP ? std::optional<QByteArray>(QByteArray()) : std::nullopt;
        QByteArray value(size, Qt::Uninitialized);
        const ssize_t read = call(value.data(), value.size());
        if (read >= 0)
            return value.first(read);
        if (errno != ERANGE)
            return std::nullopt;
    }
}

QList<QByteArray> names(const QByteArray& list) {
    QList<QByteArray> result = list.split('\0');
    result.removeAll(QByteArray());
    return result;
}

} // namespace

namespace ExtendedAttributes {

bool copy(const QByteArray& from, int fd) {
    const auto fromList = readAll(
        [&](char* buffer, size_t size) { return ::listxattr(from.constData(), buffer, size); });
    const auto fdList =
        readAll([&](char* buffer, size_t size) { return ::flistxattr(fd, buffer, size); });
    if (!fromList || !fdList)
        return false;
    const QList<QByteArray> kept = names(*fromList);
    for (const QByteArray& name : names(*fdList))
        if (!kept.contains(name) && ::fremovexattr(fd, name.constData()) != 0)
            return false;
    for (const QByteArray& name : kept) {
        const auto value = readAll([&](char* buffer, size_t size) {
            return ::getxattr(from.constData(), name.constData(), buffer, size);
        });
        if (!value || SystemCalls::active().fsetxattr(fd, name.constData(), value->constData(),
                                                      value->size(), 0) != 0)
            return false;
    }
    return true;
}

} // namespace ExtendedAttributes
