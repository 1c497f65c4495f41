#include "platform/win32/threads.h"

#include <objbase.h>

#include <memory>
#include <utility>

#include "platform/error.h"
#include "platform/win32/event_pump.h"
#include "platform/win32/hresult.h"

namespace win32 {
namespace {

thread_local bool comEntered = false;

DWORD WINAPI ThreadMain(void* parameter) {
    const std::unique_ptr<std::function<void()>> work(static_cast<std::function<void()>*>(parameter));
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    comEntered = true;
    try {
        (*work)();
    } catch (const platform::Error&) {
        // Work handed to a thread handles its own failures; one that slips
        // through must not take the process down.
    }
    return 0;
}

}  // namespace

void UseCom() {
    if (comEntered) return;
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    comEntered = true;
}

void RunOnNewThread(std::function<void()> work) {
    auto* parameter = new std::function<void()>(std::move(work));
    HANDLE thread = CreateThread(nullptr, 0, &ThreadMain, parameter, 0, nullptr);
    if (!thread) {
        delete parameter;
        ThrowIfFailed(HRESULT_FROM_WIN32(GetLastError()));
    }
    CloseHandle(thread);
}

void Background::Start(std::function<void()> work) {
    if (!done_) {
        done_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        if (!done_) ThrowIfFailed(HRESULT_FROM_WIN32(GetLastError()));
        ThePump().Watch(done_, [] {});
    }
    ResetEvent(done_);
    finished_.store(false, std::memory_order_release);
    RunOnNewThread([this, work = std::move(work)] {
        // Whatever the work throws, it has ended: the window must not wait on.
        struct Done {
            Background& self;
            ~Done() {
                self.finished_.store(true, std::memory_order_release);
                SetEvent(self.done_);
            }
        } done{*this};
        work();
    });
}

}  // namespace win32
