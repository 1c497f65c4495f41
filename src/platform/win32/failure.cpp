#include "platform/win32/failure.h"

#include <new>
#include <optional>

#include "platform/win32/exit.h"
#include "platform/win32/process.h"
#include "platform/win32/stop_list.h"
#include "platform/win32/threads.h"

namespace win32 {
namespace {

struct Handed {
    SRWLOCK lock = SRWLOCK_INIT;
    std::optional<platform::Error> first;  // the first failure is the one shown
    HANDLE event = nullptr;
};

Handed& TheHanded() {
    static Handed handed;
    return handed;
}

}  // namespace

platform::Error ErrorOf(std::exception_ptr escaped) {
    try {
        std::rethrow_exception(escaped);
    } catch (const platform::Error& error) {
        return error;
    } catch (const std::bad_alloc&) {
        return platform::MakeError(platform::errors::OutOfMemory);
    } catch (...) {
        return platform::MakeError(platform::errors::Internal);
    }
}

UINT DisposeMessage() {
    static const UINT message = RegisterWindowMessageW(L"Trevlin.Dispose");
    return message;
}

void Fail(const platform::Error& error) {
    // The box waits for the user in a modal loop of its own, which must reach
    // no handler of the form: the form is gone first, and with it the saver's
    // black screen, its video and its hidden cursor.
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM) {
            SendMessageW(window, DisposeMessage(), 0, 0);
            return TRUE;
        },
        0);
    HideOurWindows();
    // Silence while the box waits.
    StopEveryGraph();
    while (::ShowCursor(TRUE) < 0) {
    }
    Process().ShowError(error.number, error.description);
    EndProcess(1);
}

HANDLE HandedFailures() {
    Handed& handed = TheHanded();
    Lock held(handed.lock);
    if (!handed.event) handed.event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    return handed.event;
}

void FailWithHandedFailure() {
    std::optional<platform::Error> error;
    {
        Lock held(TheHanded().lock);
        error = TheHanded().first;
    }
    if (error) Fail(*error);
}

void GuardThread(const std::function<void()>& work) {
    try {
        work();
    } catch (...) {
        const platform::Error error = ErrorOf(std::current_exception());
        HANDLE event = HandedFailures();
        {
            Lock held(TheHanded().lock);
            if (!TheHanded().first) TheHanded().first = error;
        }
        if (event) SetEvent(event);
    }
}

}  // namespace win32
