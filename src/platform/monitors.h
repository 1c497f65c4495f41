#pragma once
// The desktop's monitors, and the plain windows that cover the ones Form1
// does not.
#include <cstdint>
#include <vector>

#include "platform/window.h"

namespace platform {

struct Monitor {
    Rect bounds;  // in real pixels of the virtual screen; left of or above the primary is negative
    bool primary = false;
};

class Monitors {
public:
    virtual ~Monitors() = default;
    // Every monitor of the desktop, in the system's order.
    virtual std::vector<Monitor> List() = 0;
    // Shows a borderless black window over exactly bounds, owned by Form1's
    // window: its keys, clicks, moves and close requests reach events as
    // Form1's own do. Returns its handle.
    virtual std::intptr_t Cover(const Rect& bounds, FormEvents& events) = 0;
    // A cover goes over exactly bounds now, still above the rest.
    virtual void Move(std::intptr_t window, const Rect& bounds) = 0;
    // A cover goes, its monitor gone.
    virtual void Uncover(std::intptr_t window) = 0;
    // Form1's window or a cover goes black: whatever the video last drew or
    // mirrored into it goes with the video, until a video draws again.
    virtual void Blank(std::intptr_t window) = 0;
};

}  // namespace platform
