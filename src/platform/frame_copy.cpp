#include "platform/frame_copy.h"

#include <cstdlib>
#include <cstring>

namespace platform {
namespace {

constexpr std::size_t kBytesPerPixel = 4;

struct Visible {
    std::int32_t left, top, width, height;
};

bool Subsampled(Pixels pixels) { return pixels != Pixels::Rgb32; }
bool Planar(Pixels pixels) { return pixels == Pixels::Nv12 || pixels == Pixels::Yv12 || pixels == Pixels::I420; }

bool Find(const FrameFormat& format, Visible& visible) {
    const std::int32_t rows = std::abs(format.height);
    if (format.width <= 0 || rows <= 0) return false;
    // Chroma shared by two columns (and, planar, two rows) needs them whole.
    if (Subsampled(format.pixels) && (format.width % 2 || (Planar(format.pixels) && rows % 2))) return false;
    const bool whole = format.right <= format.left || format.bottom <= format.top;
    visible = whole ? Visible{0, 0, format.width, rows}
                    : Visible{format.left, format.top, format.right - format.left, format.bottom - format.top};
    return visible.left >= 0 && visible.top >= 0 && visible.left + visible.width <= format.width &&
           visible.top + visible.height <= rows;
}

std::uint8_t Clamp(int value) { return static_cast<std::uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value); }

// BT.601, video range, in 8.8 fixed point.
void PutRgb(std::uint8_t* out, int y, int u, int v) {
    const int c = 298 * (y - 16) + 128, d = u - 128, e = v - 128;
    out[0] = Clamp((c + 516 * d) >> 8);
    out[1] = Clamp((c - 100 * d - 208 * e) >> 8);
    out[2] = Clamp((c + 409 * e) >> 8);
    out[3] = 0;
}

// Where a YUV picture's samples for pixel (x, y) are.
struct YuvPlanes {
    const std::uint8_t* data;
    std::size_t pitch;  // of the Y plane, in bytes
    std::size_t rows;
    Pixels pixels;

    void At(std::size_t x, std::size_t y, int& luma, int& u, int& v) const {
        if (pixels == Pixels::Yuy2) {
            const std::uint8_t* pair = data + y * pitch + (x / 2) * 4;
            luma = pair[(x % 2) * 2];
            u = pair[1];
            v = pair[3];
            return;
        }
        luma = data[y * pitch + x];
        const std::uint8_t* chroma = data + pitch * rows;
        const std::size_t cx = x / 2, cy = y / 2;
        if (pixels == Pixels::Nv12) {
            u = chroma[cy * pitch + cx * 2];
            v = chroma[cy * pitch + cx * 2 + 1];
            return;
        }
        const std::size_t half = pitch / 2, plane = half * (rows / 2);
        const std::uint8_t* first = chroma + cy * half + cx;
        const std::uint8_t* second = first + plane;
        u = pixels == Pixels::I420 ? *first : *second;
        v = pixels == Pixels::I420 ? *second : *first;
    }
};

}  // namespace

FrameSize VisibleSize(const FrameFormat& format) {
    Visible visible{};
    if (!Find(format, visible)) return {};
    return {visible.width, visible.height};
}

std::size_t BufferSize(const FrameFormat& format) {
    Visible visible{};
    if (!Find(format, visible)) return 0;
    const std::size_t pixels = static_cast<std::size_t>(format.width) * static_cast<std::size_t>(std::abs(format.height));
    switch (format.pixels) {
    case Pixels::Rgb32: return pixels * kBytesPerPixel;
    case Pixels::Yuy2: return pixels * 2;
    default: return pixels + pixels / 2;
    }
}

bool CopiedBottomUp(const FrameFormat& format) { return format.pixels == Pixels::Rgb32 && format.height > 0; }

bool CopyVisible(const std::uint8_t* data, std::size_t size, const FrameFormat& format,
                 std::vector<std::uint8_t>& picture) {
    Visible visible{};
    if (!data || !Find(format, visible) || size < BufferSize(format)) return false;
    const std::size_t rows = static_cast<std::size_t>(std::abs(format.height));
    const std::size_t rowBytes = static_cast<std::size_t>(visible.width) * kBytesPerPixel;
    picture.resize(rowBytes * static_cast<std::size_t>(visible.height));
    if (format.pixels == Pixels::Rgb32) {
        const std::size_t pitch = static_cast<std::size_t>(format.width) * kBytesPerPixel;
        // A bottom-up buffer holds the picture's top row last.
        const std::size_t firstRow = CopiedBottomUp(format)
                                         ? rows - static_cast<std::size_t>(visible.top + visible.height)
                                         : static_cast<std::size_t>(visible.top);
        for (std::size_t row = 0; row < static_cast<std::size_t>(visible.height); ++row)
            std::memcpy(picture.data() + row * rowBytes,
                        data + (firstRow + row) * pitch + static_cast<std::size_t>(visible.left) * kBytesPerPixel,
                        rowBytes);
        return true;
    }
    const std::size_t pitch = static_cast<std::size_t>(format.width) * (format.pixels == Pixels::Yuy2 ? 2 : 1);
    const YuvPlanes planes{data, pitch, rows, format.pixels};
    std::uint8_t* out = picture.data();
    for (std::int32_t y = visible.top; y < visible.top + visible.height; ++y) {
        for (std::int32_t x = visible.left; x < visible.left + visible.width; ++x, out += kBytesPerPixel) {
            int luma = 0, u = 0, v = 0;
            planes.At(static_cast<std::size_t>(x), static_cast<std::size_t>(y), luma, u, v);
            PutRgb(out, luma, u, v);
        }
    }
    return true;
}

}  // namespace platform
