#include "host/error_barrier.h"

#include "host/program.h"
#include "host/services.h"
#include "runtime/file_channels.h"
#include "runtime/runtime_error.h"

#include <exception>
#include <new>

namespace {
int depth = 0;
std::exception_ptr pending;

QString describe(const std::exception_ptr& error) {
    int number = err::InternalError;
    QString description;
    try {
        std::rethrow_exception(error);
    } catch (const RuntimeError& e) {
        number = e.number();
        description = e.description();
    } catch (const std::bad_alloc&) {
        number = err::OutOfMemory;
    } catch (...) {
    }
    if (description.isEmpty())
        description = RuntimeError::standardDescription(number);
    return QStringLiteral("Run-time error '%1': %2").arg(number).arg(description);
}
} // namespace

void ErrorBarrier::call(const std::function<void()>& handler) {
    if (Program::hasEnded())
        return;
    ++depth;
    try {
        handler();
    } catch (...) {
        if (!pending)
            pending = std::current_exception();
    }
    --depth;
    if (depth > 0 || !pending)
        return;
    std::exception_ptr error = std::exchange(pending, nullptr);
    FileChannels::closeAll();
    Services::current().messageBox(describe(error));
}

void ErrorBarrier::rethrowPending() {
    if (pending)
        std::rethrow_exception(std::exchange(pending, nullptr));
}
