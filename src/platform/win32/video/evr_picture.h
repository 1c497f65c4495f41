#pragma once
// The enhanced video renderer's picture in Form1, kept by the window's own
// messages: drawn again where the window was invalidated, instead of black,
// and placed again after its size changed.
#include "platform/win32/win.h"

#include <evr.h>

#include <memory>

#include "platform/video_part.h"
#include "platform/win32/com_ptr.h"

namespace win32 {

class EvrPicture {
public:
    EvrPicture(ComPtr<IMFVideoDisplayControl> display, const platform::Part& part)
        : display_(std::move(display)), part_(part) {}
    // The part stretched over window's inner area as it is now.
    void Place(HWND window);
    void Place(HWND window, const platform::Part& part);
    void Repaint();
    // The session is going: nothing is asked of its renderer any more.
    void Drop();

private:
    SRWLOCK lock_ = SRWLOCK_INIT;
    ComPtr<IMFVideoDisplayControl> display_;
    platform::Part part_;
};

// The picture window repaints from, held by the window until detached. On
// the window's thread.
void AttachEvr(HWND window, std::shared_ptr<EvrPicture> picture);
void DetachEvr(HWND window);
// False where no renderer draws into window.
bool RepaintEvr(HWND window);
bool PlaceEvr(HWND window);
bool EvrDraws(HWND window);

}  // namespace win32
