#pragma once
// Which part of the video a window shows, and the windows a video is drawn
// into besides Form1's.
#include <cstdint>

namespace platform {

// A rectangle of the picture in fractions of its width and height, from its
// top left corner: 0,0,1,1 is all of it.
struct Part {
    double left = 0, top = 0, right = 1, bottom = 1;
    bool operator==(const Part&) const = default;
};

// A window and the part of the picture stretched over its inner area.
struct VideoTarget {
    std::intptr_t window = 0;
    Part part;
};

}  // namespace platform
