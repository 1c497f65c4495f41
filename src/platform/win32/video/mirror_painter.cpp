#include "platform/win32/video/mirror_painter.h"

#include <utility>

#include "platform/win32/threads.h"

namespace win32 {
namespace {

constexpr wchar_t kMirrorProperty[] = L"Trevlin.Mirror";
// Pictures that may wait for their moment; an older one than these is
// dropped, as the renderer would drop a late one.
constexpr std::size_t kMostPending = 2;

LONGLONG PerformanceNow() {
    static const LONGLONG frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f.QuadPart;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<LONGLONG>(static_cast<double>(counter.QuadPart) * 1e7 / static_cast<double>(frequency));
}

}  // namespace

MirrorPainter::MirrorPainter(std::vector<platform::VideoTarget> targets, ComPtr<IReferenceClock> clock)
    : targets_(std::move(targets)), clock_(std::move(clock)), arrived_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}

MirrorPainter::~MirrorPainter() {
    if (arrived_) CloseHandle(arrived_);
}

LONGLONG MirrorPainter::Now() {
    REFERENCE_TIME now = 0;
    if (clock_ && SUCCEEDED(clock_->GetTime(&now))) return now;
    return PerformanceNow();
}

void MirrorPainter::Recycle(Picture& picture) {
    if (!picture.pixels.empty() && spare_.size() < kMostPending + 1) spare_.push_back(std::move(picture.pixels));
    picture.pixels = {};
}

void MirrorPainter::Handed(const platform::FrameFormat& format, const BYTE* data, std::size_t size,
                           std::optional<REFERENCE_TIME> start) {
    const LONGLONG now = Now();
    Picture picture;
    {
        Lock held(queueLock_);
        if (closed_) return;
        if (!spare_.empty()) {
            picture.pixels = std::move(spare_.back());
            spare_.pop_back();
        }
    }
    // The copy holds up nobody but this thread; the conversion waits for the painter's.
    const std::size_t bytes = platform::BufferSize(format);
    const bool copied = data && bytes > 0 && size >= bytes;
    if (copied) picture.pixels.assign(data, data + bytes);
    picture.format = format;
    Lock held(queueLock_);
    if (start) timing_.Handed(*start, now);
    if (!copied) {
        Recycle(picture);
        return;
    }
    picture.timed = start.has_value();
    picture.start = start.value_or(0);
    if (pending_.size() >= kMostPending) {
        Recycle(pending_.front());
        pending_.pop_front();
    }
    pending_.push_back(std::move(picture));
    SetEvent(arrived_);
}

void MirrorPainter::SetTargets(std::vector<platform::VideoTarget> targets) {
    Lock held(queueLock_);
    targets_ = std::move(targets);
}

// Under both locks: a paint step under way finishes first, and none starts
// after, so nothing lands on a cover once this returns.
void MirrorPainter::Close() {
    Lock painting(paintLock_);
    Lock held(queueLock_);
    closed_ = true;
    SetEvent(arrived_);
}

void MirrorPainter::Run() {
    for (;;) {
        // Waits as a window's thread does: the system may hold back what a
        // thread drew until it is idle (Wine shows it only then).
        GdiFlush();
        if (MsgWaitForMultipleObjects(1, &arrived_, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
            MSG message;  // none is meant for us; read, so that the wait waits again
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            }
        }
        for (;;) {
            Picture next;
            LONGLONG wait = 0;
            {
                Lock held(queueLock_);
                if (closed_) return;
                if (pending_.empty()) break;
                next = std::move(pending_.front());
                pending_.pop_front();
                if (next.timed) wait = timing_.Wait(next.start, Now());
            }
            if (wait > 0) Sleep(static_cast<DWORD>(wait / 10000));
            const bool converted = platform::CopyVisible(next.pixels.data(), next.pixels.size(), next.format, converted_);
            if (converted) {
                Lock held(paintLock_);
                std::swap(shown_.pixels, converted_);
                shown_.size = platform::VisibleSize(next.format);
                shown_.bottomUp = platform::CopiedBottomUp(next.format);
            }
            {
                Lock held(queueLock_);
                Recycle(next);
                painting_ = targets_;
            }
            if (!converted) continue;
            // Closed during the wait or the conversion: the covers have been blanked since.
            Lock held(paintLock_);
            if (closed_) return;
            for (const platform::VideoTarget& target : painting_) {
                const HWND window = reinterpret_cast<HWND>(target.window);
                if (HDC dc = GetDC(window)) {
                    PaintShown(window, dc, target.part);
                    ReleaseDC(window, dc);
                }
            }
        }
    }
}

bool MirrorPainter::Paint(HWND window, HDC dc) {
    platform::Part part;
    {
        Lock held(queueLock_);
        for (const platform::VideoTarget& target : targets_)
            if (reinterpret_cast<HWND>(target.window) == window) part = target.part;
    }
    Lock held(paintLock_);
    return PaintShown(window, dc, part);
}

bool MirrorPainter::PaintShown(HWND window, HDC dc, const platform::Part& part) {
    if (shown_.pixels.empty()) return false;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = shown_.size.width;
    info.bmiHeader.biHeight = shown_.bottomUp ? shown_.size.height : -shown_.size.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    const int width = shown_.size.width, height = shown_.size.height;
    const int left = static_cast<int>(part.left * width + 0.5), right = static_cast<int>(part.right * width + 0.5);
    const int top = static_cast<int>(part.top * height + 0.5), bottom = static_cast<int>(part.bottom * height + 0.5);
    // A bottom-up picture's rows are counted from its bottom.
    const int sourceY = shown_.bottomUp ? height - bottom : top;
    RECT client{};
    GetClientRect(window, &client);
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchDIBits(dc, 0, 0, client.right, client.bottom, left, sourceY, right - left, bottom - top,
                  shown_.pixels.data(), &info, DIB_RGB_COLORS, SRCCOPY);
    return true;
}

void AttachMirror(HWND cover, std::shared_ptr<MirrorPainter> painter) {
    auto* held = new std::shared_ptr<MirrorPainter>(std::move(painter));
    auto* old = static_cast<std::shared_ptr<MirrorPainter>*>(GetPropW(cover, kMirrorProperty));
    if (!SetPropW(cover, kMirrorProperty, held)) {
        delete held;
        return;
    }
    delete old;
}

void DetachMirror(HWND cover) {
    delete static_cast<std::shared_ptr<MirrorPainter>*>(RemovePropW(cover, kMirrorProperty));
}

bool PaintMirroredPicture(HWND cover, HDC dc) {
    auto* held = static_cast<std::shared_ptr<MirrorPainter>*>(GetPropW(cover, kMirrorProperty));
    return held && *held && (*held)->Paint(cover, dc);
}

bool Mirrored(HWND window) { return GetPropW(window, kMirrorProperty) != nullptr; }

}  // namespace win32
