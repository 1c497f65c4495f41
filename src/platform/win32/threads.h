#pragma once
// Threads of our own, and what they share. The toolchain's C++ runtime has no
// std::thread or std::mutex, so these stand on the Win32 calls.
#include "platform/win32/win.h"

#include <functional>
#include <memory>

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

// Threads in the multithreaded apartment. Started from the window's thread,
// whose waits wake whenever a piece of work returns.
class Background final : public platform::Background {
public:
    std::unique_ptr<platform::Job> Start(std::function<void()> work) override;
};

}  // namespace win32
