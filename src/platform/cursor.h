#pragma once

namespace platform {

class Cursor {
public:
    virtual ~Cursor() = default;
    // Raises (show) or lowers the cursor's display count by one; returns the new count.
    virtual int ShowCursor(bool show) = 0;
};

}  // namespace platform
