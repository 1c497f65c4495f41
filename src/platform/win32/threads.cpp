#include "platform/win32/threads.h"

#include <objbase.h>

#include <atomic>
#include <utility>

#include "platform/win32/event_pump.h"
#include "platform/win32/failure.h"
#include "platform/win32/hresult.h"

namespace win32 {
namespace {

thread_local bool comEntered = false;

struct Work {
    std::function<void()> work;
    std::shared_ptr<std::atomic<bool>> finished;
    HANDLE done;  // the pump's, never closed
};

DWORD WINAPI ThreadMain(void* parameter) {
    std::unique_ptr<Work> work(static_cast<Work*>(parameter));
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    comEntered = true;
    GuardThread(work->work);
    // Whatever the work threw, it has ended: the window must not wait on.
    work->finished->store(true, std::memory_order_release);
    SetEvent(work->done);
    return 0;
}

// Made at the first Start and watched by the window thread's pump from then
// on, so its waits wake; never closed while the pump may wait on it. Failures
// that escape our threads, and the graphs' streaming threads that come with
// them, are watched from then on too.
HANDLE WorkReturned() {
    static const HANDLE event = [] {
        HANDLE made = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        HANDLE failures = HandedFailures();
        if (!made || !failures) ThrowIfFailed(HRESULT_FROM_WIN32(GetLastError()));
        ThePump().Watch(made, [] {});
        ThePump().Watch(failures, &FailWithHandedFailure);
        return made;
    }();
    return event;
}

class ThreadJob final : public platform::Job {
public:
    explicit ThreadJob(std::shared_ptr<std::atomic<bool>> finished) : finished_(std::move(finished)) {}
    bool Finished() override { return finished_->load(std::memory_order_acquire); }

private:
    std::shared_ptr<std::atomic<bool>> finished_;
};

}  // namespace

void UseCom(Apartment apartment) {
    if (comEntered) return;
    CoInitializeEx(nullptr, apartment == Apartment::Multi ? COINIT_MULTITHREADED : COINIT_APARTMENTTHREADED);
    comEntered = true;
}

std::unique_ptr<platform::Job> Background::Start(std::function<void()> work) {
    UseCom();
    auto finished = std::make_shared<std::atomic<bool>>(false);
    auto* parameter = new Work{std::move(work), finished, WorkReturned()};
    HANDLE thread = CreateThread(nullptr, 0, &ThreadMain, parameter, 0, nullptr);
    if (!thread) {
        delete parameter;
        ThrowIfFailed(HRESULT_FROM_WIN32(GetLastError()));
    }
    CloseHandle(thread);
    return std::make_unique<ThreadJob>(std::move(finished));
}

}  // namespace win32
