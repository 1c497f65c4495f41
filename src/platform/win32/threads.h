#pragma once
// Threads of our own, and what they share. The toolchain's C++ runtime has no
// std::thread or std::mutex, so these stand on the Win32 calls.
#include "platform/win32/win.h"

#include <atomic>
#include <functional>

#include "platform/background.h"

namespace win32 {

// Enters a COM apartment on the calling thread, once: single-threaded on the
// window's thread (the media player control wants one), multithreaded on ours.
void UseCom();

// A lock held for one scope.
class Lock {
public:
    explicit Lock(SRWLOCK& lock) : lock_(lock) { AcquireSRWLockExclusive(&lock_); }
    ~Lock() { ReleaseSRWLockExclusive(&lock_); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

private:
    SRWLOCK& lock_;
};

// Runs work on a new thread in the multithreaded apartment. Nobody waits for
// the thread: the process may end while it is still blocked, which is the
// point of having it.
void RunOnNewThread(std::function<void()> work);

class Background final : public platform::Background {
public:
    Background() = default;
    Background(const Background&) = delete;
    Background& operator=(const Background&) = delete;

    void Start(std::function<void()> work) override;
    bool Finished() override { return finished_.load(std::memory_order_acquire); }

private:
    // Made at the first Start and watched by the window thread's pump from
    // then on, so its waits wake; never closed while the pump may wait on it.
    HANDLE done_ = nullptr;
    std::atomic<bool> finished_{true};
};

}  // namespace win32
