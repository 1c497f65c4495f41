#pragma once
// The video's set-up runs step by step: a failed step is skipped and the
// next one runs.
#include <memory>

#include "platform/error.h"

namespace show {

// A step on a field that was never filled fails like a refused call.
template <typename T>
T& Held(const std::unique_ptr<T>& field) {
    if (!field) throw platform::MakeError(platform::errors::ObjectNotSet);
    return *field;
}

template <typename Step>
void Try(Step step) {
    try {
        step();
    } catch (const platform::Error&) {
        // A failed step leaves the graph as far as it got; the next one runs.
    }
}

}  // namespace show
