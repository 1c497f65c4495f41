#pragma once
// A run-time error nobody handled ends the program, from the window's thread
// only: stopping a graph from its own streaming thread waits for good, and the
// cursor's count belongs to the window's thread.
#include "platform/win32/win.h"

#include <exception>
#include <functional>

#include "platform/error.h"

namespace win32 {

// The error an escaped exception stands for.
platform::Error ErrorOf(std::exception_ptr escaped);

// On the window's thread: the form and the saver's screen go, the graphs
// stop, the error is shown with its number and description, and the process
// ends with 1.
[[noreturn]] void Fail(const platform::Error& error);

// Runs work on a thread that is not the window's: whatever escapes it is
// handed to the window's thread, which fails with it at its next pass.
void GuardThread(const std::function<void()>& work);
// The event the window's thread watches for failures handed to it, with what
// to run when it is set; watched from the first thread of ours on.
HANDLE HandedFailures();
void FailWithHandedFailure();

// Runs a window's message handler. A C++ exception must not unwind through the
// system's message dispatch: a handler's failure ends the program here.
template <typename Handler>
LRESULT Dispatch(Handler handler) {
    try {
        return handler();
    } catch (...) {
        Fail(ErrorOf(std::current_exception()));
    }
}

// Sent to our windows on the way out through Fail: go at once, quietly,
// without a handler of the form and without ending the message loop.
UINT DisposeMessage();

}  // namespace win32
