#pragma once

#include <functional>

// Every handler that the host calls goes through here, so no exception ever
// reaches Qt's event loop.
//
// At the outermost level a run-time error that escapes the handler is
// reported to the person, the open file channels are closed and the program
// carries on. A handler that runs inside another one (the change
// notification raised when a handler sets a text) has its error held
// instead; the host call that raised it rethrows it, so the error passes on
// to the outer handler's caller as if the call had been direct.
class ErrorBarrier {
public:
    static void call(const std::function<void()>& handler);
    static void rethrowPending();
};
