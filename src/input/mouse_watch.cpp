// The raw mouse watch: the device itself reports movement and the primary
// button, wherever the cursor is and whichever window has the focus.
#include <array>

#include "form1.h"
#include "platform/error.h"
#include "startup/run_mode.h"

namespace {
constexpr std::size_t kBufferItems = 10;
}  // namespace

void Form1::InitMouse() {
    Dx = p_.directx.CreateDirectX8();
    DI = Dx->DirectInputCreate();
    Mouse = DI->CreateDevice(L"guid_SysMouse");
    Mouse->SetCommonDataFormat(platform::DIFORMAT_MOUSE);
    const std::intptr_t hWnd = p_.window.Handle();
    Mouse->SetCooperativeLevel(hWnd, platform::DISCL_NONEXCLUSIVE | platform::DISCL_BACKGROUND);
    Mouse->SetProperty(L"DIPROP_BUFFERSIZE",
                       platform::PropLong{platform::DIPH_DEVICE, 0, static_cast<std::int32_t>(kBufferItems)});
    // The id is known before the device may signal it.
    MouseEventId = Dx->CreateEvent(*this);
    Mouse->SetEventNotification(MouseEventId);
    Mouse->Acquire();
}

void Form1::DirectXEvent8_DXCallback(std::int32_t eventid) {
    try {
        if (eventid != MouseEventId || !Mouse) return;
        std::array<platform::DeviceObjectData, kBufferItems> MouseData{};
        const std::size_t n = Mouse->GetDeviceData(MouseData.data(), MouseData.size(), 0);
        for (std::size_t i = 0; i < n && i < MouseData.size(); ++i) {
            const std::int32_t ofs = MouseData[i].lOfs;
            if (ofs == platform::DIMOFS_X || ofs == platform::DIMOFS_Y || ofs == platform::DIMOFS_BUTTON0) {
                if (!InSaverMode()) return;
                p_.process.End();
            }
        }
    } catch (const platform::Error&) {
        // A lost device or a failed read is not worth a word; the next
        // notification is handled afresh and window input still ends the saver.
    }
}
