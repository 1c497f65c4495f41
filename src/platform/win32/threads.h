#pragma once
// Threads of our own, and what they share. The toolchain's C++ runtime has no
// std::thread or std::mutex, so these stand on the Win32 calls.
#include "platform/win32/win.h"

#include <functional>
#include <memory>

#include "platform/background.h"

namespace win32 {

// Enters a COM apartment on the calling thread, once. The saver's objects
// (graphs, the mirror, the music) live in the multithreaded apartment, which
// the window's thread and ours share, so that any of them may use what
// another made. The picture of the preview and the shell of the dialog want
// a single-threaded one, on a window's thread that makes no graph.
enum class Apartment { Multi, Single };
void UseCom(Apartment apartment = Apartment::Multi);

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
// which enters that apartment first: what the work makes, it hands over to
// the same apartment. The window's waits wake whenever a piece of work returns.
class Background final : public platform::Background {
public:
    std::unique_ptr<platform::Job> Start(std::function<void()> work) override;
};

}  // namespace win32
