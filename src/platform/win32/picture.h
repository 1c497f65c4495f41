#pragma once
// The preview picture, a JPEG kept as a resource, decoded once by OLE.
#include "platform/win32/win.h"
#include <ocidl.h>
#include <olectl.h>

#include "platform/win32/com_ptr.h"

namespace win32 {

class Picture {
public:
    // Loads the RCDATA resource with this id; an empty picture if it cannot.
    explicit Picture(int resourceId);
    // Draws at the picture's own size with its top-left corner at (0, 0).
    void Draw(HDC dc) const;
    SIZE PixelSize() const { return size_; }

private:
    ComPtr<IPicture> picture_;
    SIZE size_{0, 0};
};

}  // namespace win32
