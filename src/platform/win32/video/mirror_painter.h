#pragma once
// The covers' side of the mirror. Pictures copied from the graph wait here
// for their moment, and a thread of their own paints them into the covers
// then: the graph's streaming thread never waits on a cover, so the primary's
// renderer gets every picture as soon as it would without the mirror.
#include "platform/win32/dshow_uuids.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

#include "platform/frame_copy.h"
#include "platform/mirror_timing.h"
#include "platform/video_part.h"
#include "platform/win32/com_ptr.h"

namespace win32 {

class MirrorPainter {
public:
    // Paints into each target's window its part of the picture. Times
    // pictures on clock, the graph's reference clock; without one, or for a
    // picture handed over with no start, each is painted at once.
    MirrorPainter(std::vector<platform::VideoTarget> targets, ComPtr<IReferenceClock> clock);
    ~MirrorPainter();
    MirrorPainter(const MirrorPainter&) = delete;
    MirrorPainter& operator=(const MirrorPainter&) = delete;

    // On the streaming thread: keeps a copy of the picture as it came, with
    // its start in the stream's time where it is to wait for it; it is made
    // 32-bit RGB on the painter's thread.
    void Handed(const platform::FrameFormat& format, const BYTE* data, std::size_t size,
                std::optional<REFERENCE_TIME> start);
    // The windows painted from now on, each with its part, on the window's thread.
    void SetTargets(std::vector<platform::VideoTarget> targets);
    // The painting loop, on a thread of ours, until Close.
    void Run();
    // The graph is done with the mirror: the loop ends; the last picture
    // painted stays for repaints.
    void Close();
    // Draws the last picture painted into window, its part stretched over its
    // inner area; false when there is none yet.
    bool Paint(HWND window, HDC dc);

private:
    struct Picture {
        std::vector<std::uint8_t> pixels;
        platform::FrameSize size;
        bool bottomUp = false;
        bool timed = false;
        REFERENCE_TIME start = 0;
        platform::FrameFormat format;  // of pixels, as handed; shown_ holds them as 32-bit RGB
    };
    LONGLONG Now();
    void Recycle(Picture& picture);
    bool PaintShown(HWND window, HDC dc, const platform::Part& part);  // paintLock_ held

    std::vector<platform::VideoTarget> targets_;  // under queueLock_
    std::vector<platform::VideoTarget> painting_;  // the painter's thread's copy
    ComPtr<IReferenceClock> clock_;
    HANDLE arrived_ = nullptr;  // set by Handed and Close

    // Shared between the streaming thread and the painter's: held briefly.
    SRWLOCK queueLock_ = SRWLOCK_INIT;
    std::deque<Picture> pending_;
    std::vector<std::vector<std::uint8_t>> spare_;  // buffers to copy into, so a picture costs no allocation
    platform::MirrorTiming timing_;
    bool closed_ = false;  // written under both locks, read under either

    // Shared between the painter's thread and the covers' repaints.
    SRWLOCK paintLock_ = SRWLOCK_INIT;
    Picture shown_;
    std::vector<std::uint8_t> converted_;  // the painter's thread's, swapped with shown_'s
};

// The painter a cover repaints from, held by the cover until it goes.
// On the window's thread.
void AttachMirror(HWND cover, std::shared_ptr<MirrorPainter> painter);
void DetachMirror(HWND cover);
// Draws the last picture of cover's painter; false when there is none.
bool PaintMirroredPicture(HWND cover, HDC dc);
// A painter draws into window: its background is the painter's to draw.
bool Mirrored(HWND window);

}  // namespace win32
