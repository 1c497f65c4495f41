#pragma once
// A decoded picture as the graph hands it over (32-bit RGB or one of the YUV
// layouts decoders give), and the packed 32-bit copy of its visible part that
// the mirror paints.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform {

// How the buffer holds its pixels. YUV pictures are always stored top row
// first, whatever the sign of the height; their colours are BT.601 video
// range, as DirectShow's decoders give them.
enum class Pixels {
    Rgb32,  // B, G, R, unused
    Yuy2,   // packed 4:2:2: Y0 U Y1 V
    Nv12,   // 4:2:0: the Y plane, then U and V interleaved at the same pitch
    Yv12,   // 4:2:0: the Y plane, then V, then U, each at half the pitch
    I420,   // 4:2:0: the Y plane, then U, then V, each at half the pitch
};

struct FrameFormat {
    std::int32_t width = 0;   // pixels per row of the buffer: the pitch, which may exceed what shows
    std::int32_t height = 0;  // rows; for RGB, negative when the first row is the top one
    // The part that shows, in the picture's own top-down coordinates; empty
    // for all of it.
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
    Pixels pixels = Pixels::Rgb32;
};

// The visible part's size in pixels; 0 by 0 when it does not fit the buffer.
struct FrameSize {
    std::int32_t width = 0, height = 0;
};
FrameSize VisibleSize(const FrameFormat& format);

// The bytes a whole buffer of format takes; 0 when format describes none.
std::size_t BufferSize(const FrameFormat& format);

// The copy's rows run bottom-up: only an RGB buffer given bottom-up.
bool CopiedBottomUp(const FrameFormat& format);

// Copies the visible part of data into picture as 32-bit RGB, its rows packed
// and, for RGB, in the buffer's order. False, with picture untouched, when
// data is too short for the format or nothing of it shows.
bool CopyVisible(const std::uint8_t* data, std::size_t size, const FrameFormat& format,
                 std::vector<std::uint8_t>& picture);

}  // namespace platform
