#include "platform/frame_copy.h"

#include <cstdlib>
#include <cstring>

namespace platform {
namespace {

constexpr std::size_t kBytesPerPixel = 4;

struct Visible {
    std::int32_t left, top, width, height;
};

bool Find(const FrameFormat& format, Visible& visible) {
    const std::int32_t rows = std::abs(format.height);
    if (format.width <= 0 || rows <= 0) return false;
    const bool whole = format.right <= format.left || format.bottom <= format.top;
    visible = whole ? Visible{0, 0, format.width, rows}
                    : Visible{format.left, format.top, format.right - format.left, format.bottom - format.top};
    return visible.left >= 0 && visible.top >= 0 && visible.left + visible.width <= format.width &&
           visible.top + visible.height <= rows;
}

}  // namespace

FrameSize VisibleSize(const FrameFormat& format) {
    Visible visible{};
    if (!Find(format, visible)) return {};
    return {visible.width, visible.height};
}

bool CopyVisible(const std::uint8_t* data, std::size_t size, const FrameFormat& format,
                 std::vector<std::uint8_t>& picture) {
    Visible visible{};
    if (!data || !Find(format, visible)) return false;
    const std::size_t pitch = static_cast<std::size_t>(format.width) * kBytesPerPixel;
    const std::size_t rows = static_cast<std::size_t>(std::abs(format.height));
    if (size < pitch * rows) return false;
    // A bottom-up buffer holds the picture's top row last.
    const bool bottomUp = format.height > 0;
    const std::size_t firstRow =
        bottomUp ? rows - static_cast<std::size_t>(visible.top + visible.height) : static_cast<std::size_t>(visible.top);
    const std::size_t rowBytes = static_cast<std::size_t>(visible.width) * kBytesPerPixel;
    picture.resize(rowBytes * static_cast<std::size_t>(visible.height));
    for (std::size_t row = 0; row < static_cast<std::size_t>(visible.height); ++row)
        std::memcpy(picture.data() + row * rowBytes,
                    data + (firstRow + row) * pitch + static_cast<std::size_t>(visible.left) * kBytesPerPixel,
                    rowBytes);
    return true;
}

}  // namespace platform
