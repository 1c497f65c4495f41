#pragma once
#include <functional>
#include <memory>
#include <optional>
#include <utility>

namespace platform {

// One piece of work started off the window's thread.
class Job {
public:
    virtual ~Job() = default;
    // True once the work has returned; everything it wrote is then visible.
    virtual bool Finished() = 0;
};

// Work that may never come back (a graph whose decoder hangs, media on a share
// that does not answer) runs off the window's thread, so that input still
// ends the saver meanwhile. This is the one way to run work there.
class Background {
public:
    virtual ~Background() = default;
    // Runs work on a thread of its own; the window's WaitForInput wakes when
    // it has returned. Nobody waits for the thread: the process may end while
    // it is still blocked, which is the point of having it. Whatever escapes
    // the work is a failure of the program, shown from the window's thread.
    virtual std::unique_ptr<Job> Start(std::function<void()> work) = 0;
};

// A value made by work off the window's thread and taken over whole by the
// thread that started it, once made. While the work runs only the work
// touches the value; afterwards only the taker. Dropped (or started anew)
// before that, the value is left to its work and goes when the work returns,
// on the work's thread: an outdated result never reaches the taker.
template <typename T>
class Handover {
public:
    template <typename Make>
    void Start(Background& background, Make make) {
        auto slot = std::make_shared<std::optional<T>>();
        job_ = background.Start([slot, make = std::move(make)]() mutable { slot->emplace(make()); });
        slot_ = std::move(slot);
    }
    // The same, with input moved to the work for itself alone: whoever starts
    // it keeps nothing of the input, which goes with the work's thread.
    template <typename In, typename Make>
    void Start(Background& background, In input, Make make) {
        auto given = std::make_shared<In>(std::move(input));
        Start(background, [given, make = std::move(make)]() mutable { return make(std::move(*given)); });
    }
    // Started and not yet returned.
    bool Pending() const { return job_ && !job_->Finished(); }
    // The value once its work has returned, then never again; empty before,
    // and when the work made none.
    std::optional<T> Take() {
        if (!job_ || !job_->Finished()) return std::nullopt;
        job_.reset();
        const std::shared_ptr<std::optional<T>> slot = std::exchange(slot_, nullptr);
        std::optional<T> value = std::move(*slot);
        slot->reset();
        return value;
    }
    void Drop() {
        job_.reset();
        slot_.reset();
    }

private:
    std::unique_ptr<Job> job_;
    std::shared_ptr<std::optional<T>> slot_;
};

}  // namespace platform
