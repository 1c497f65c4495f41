#include "platform/win32/picture.h"

#include <cstring>

#include "platform/win32/threads.h"

namespace win32 {
namespace {

constexpr long kHimetricPerInch = 2540;

}  // namespace

Picture::Picture(int resourceId) {
    UseCom(Apartment::Single);
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(resourceId), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
    if (!found) return;
    const DWORD bytes = SizeofResource(module, found);
    const void* data = LockResource(LoadResource(module, found));
    if (!data || !bytes) return;
    HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!copy) return;
    std::memcpy(GlobalLock(copy), data, bytes);
    GlobalUnlock(copy);
    ComPtr<IStream> stream;
    if (FAILED(CreateStreamOnHGlobal(copy, TRUE, stream.put()))) {
        GlobalFree(copy);
        return;
    }
    if (FAILED(OleLoadPicture(stream.get(), static_cast<LONG>(bytes), FALSE, IID_IPicture, picture_.put_void())))
        return;
    OLE_XSIZE_HIMETRIC width = 0;
    OLE_YSIZE_HIMETRIC height = 0;
    picture_->get_Width(&width);
    picture_->get_Height(&height);
    // The picture's own pixels, whatever the display's DPI: it is not scaled.
    HDC screen = GetDC(nullptr);
    const int dpiX = GetDeviceCaps(screen, LOGPIXELSX);
    const int dpiY = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    size_.cx = MulDiv(width, dpiX, kHimetricPerInch);
    size_.cy = MulDiv(height, dpiY, kHimetricPerInch);
}

void Picture::Draw(HDC dc) const {
    if (!picture_) return;
    OLE_XSIZE_HIMETRIC width = 0;
    OLE_YSIZE_HIMETRIC height = 0;
    picture_->get_Width(&width);
    picture_->get_Height(&height);
    // OLE pictures are drawn bottom-up in HIMETRIC.
    picture_->Render(dc, 0, 0, size_.cx, size_.cy, 0, height, width, -height, nullptr);
}

}  // namespace win32
