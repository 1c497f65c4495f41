#pragma once
// The raw mouse through DirectInput 8, with DirectX 8's numbered events: each
// event is a kernel event the window thread's pump watches.
#include <memory>

#include "platform/mouse_device.h"

namespace win32 {

class DirectInputMouse final : public platform::DirectX {
public:
    std::unique_ptr<platform::DirectX8> CreateDirectX8() override;
};

}  // namespace win32
