#pragma once
// A decoded picture of 32-bit pixels as the graph hands it over, and the
// packed copy of its visible part that the mirror keeps.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform {

struct FrameFormat {
    std::int32_t width = 0;   // pixels per row of the buffer: the pitch, which may exceed what shows
    std::int32_t height = 0;  // rows; negative when the first row is the top one
    // The part that shows, in the picture's own top-down coordinates; empty
    // for all of it.
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
};

// The visible part's size in pixels; 0 by 0 when it does not fit the buffer.
struct FrameSize {
    std::int32_t width = 0, height = 0;
};
FrameSize VisibleSize(const FrameFormat& format);

// Copies the visible part of data into picture, its rows packed and in the
// buffer's order (bottom-up stays bottom-up). False, with picture untouched,
// when data is too short for the format or nothing of it shows.
bool CopyVisible(const std::uint8_t* data, std::size_t size, const FrameFormat& format,
                 std::vector<std::uint8_t>& picture);

}  // namespace platform
