#include "platform/win32/directinput_mouse.h"

#include "platform/win32/win.h"
#include <dinput.h>

#include <utility>
#include <vector>

#include "platform/win32/com_ptr.h"
#include "platform/win32/event_pump.h"
#include "platform/win32/hresult.h"

namespace win32 {
namespace {

// The numbered events of one DirectX8 object, shared with every device it
// makes, since a device is told its event by number.
class EventTable {
public:
    EventTable() = default;
    EventTable(const EventTable&) = delete;
    EventTable& operator=(const EventTable&) = delete;
    // The handles are never closed: the pump watches them until the process
    // ends, and a closed handle in its wait list would break every wait.

    std::int32_t Add(HANDLE event) {
        events_.push_back(event);
        return static_cast<std::int32_t>(events_.size());
    }
    // Id 0 turns notification off, as it does for DirectX 8.
    HANDLE Find(std::int32_t id) const {
        if (id == 0) return nullptr;
        if (id < 0 || static_cast<std::size_t>(id) > events_.size()) ThrowIfFailed(DIERR_INVALIDPARAM);
        return events_[static_cast<std::size_t>(id) - 1];
    }

private:
    std::vector<HANDLE> events_;  // id n is events_[n - 1]
};

class MouseDevice final : public platform::DirectInputDevice8 {
public:
    MouseDevice(ComPtr<IDirectInputDevice8W> device, std::shared_ptr<const EventTable> events)
        : device_(std::move(device)), events_(std::move(events)) {}

    void SetCommonDataFormat(std::int32_t format) override {
        if (format != platform::DIFORMAT_MOUSE) ThrowIfFailed(DIERR_INVALIDPARAM);
        ThrowIfFailed(device_->SetDataFormat(&c_dfDIMouse));
    }
    void SetCooperativeLevel(std::intptr_t window, std::int32_t flags) override {
        ThrowIfFailed(device_->SetCooperativeLevel(reinterpret_cast<HWND>(window), static_cast<DWORD>(flags)));
    }
    void SetProperty(const std::wstring& guid, const platform::PropLong& value) override {
        if (guid != L"DIPROP_BUFFERSIZE") ThrowIfFailed(DIERR_INVALIDPARAM);
        DIPROPDWORD property{};
        property.diph.dwSize = sizeof(property);
        property.diph.dwHeaderSize = sizeof(property.diph);
        property.diph.dwObj = static_cast<DWORD>(value.lObj);
        property.diph.dwHow = static_cast<DWORD>(value.lHow);
        property.dwData = static_cast<DWORD>(value.lData);
        ThrowIfFailed(device_->SetProperty(DIPROP_BUFFERSIZE, &property.diph));
    }
    void SetEventNotification(std::int32_t eventid) override {
        ThrowIfFailed(device_->SetEventNotification(events_->Find(eventid)));
    }
    void Acquire() override { ThrowIfFailed(device_->Acquire()); }

    // DI_BUFFEROVERFLOW is a success: the items that were kept still count.
    std::size_t GetDeviceData(platform::DeviceObjectData* items, std::size_t count, std::int32_t flags) override {
        if (count == 0) return 0;
        std::vector<DIDEVICEOBJECTDATA> read(count);
        DWORD n = static_cast<DWORD>(count);
        ThrowIfFailed(device_->GetDeviceData(sizeof(DIDEVICEOBJECTDATA), read.data(), &n, static_cast<DWORD>(flags)));
        for (DWORD i = 0; i < n && i < count; ++i) {
            items[i].lOfs = static_cast<std::int32_t>(read[i].dwOfs);
            items[i].lData = static_cast<std::int32_t>(read[i].dwData);
            items[i].lTimeStamp = static_cast<std::int32_t>(read[i].dwTimeStamp);
            items[i].lSequence = static_cast<std::int32_t>(read[i].dwSequence);
            items[i].lUserData = static_cast<std::int32_t>(read[i].uAppData);
        }
        return n < count ? n : count;
    }

private:
    ComPtr<IDirectInputDevice8W> device_;
    std::shared_ptr<const EventTable> events_;
};

class DInput8 final : public platform::DirectInput8 {
public:
    DInput8(ComPtr<IDirectInput8W> input, std::shared_ptr<const EventTable> events)
        : input_(std::move(input)), events_(std::move(events)) {}

    std::unique_ptr<platform::DirectInputDevice8> CreateDevice(const std::wstring& guid) override {
        if (guid != L"guid_SysMouse") ThrowIfFailed(DIERR_DEVICENOTREG);
        ComPtr<IDirectInputDevice8W> device;
        ThrowIfFailed(input_->CreateDevice(GUID_SysMouse, device.put(), nullptr));
        return std::make_unique<MouseDevice>(std::move(device), events_);
    }

private:
    ComPtr<IDirectInput8W> input_;
    std::shared_ptr<const EventTable> events_;
};

// DirectInput's library, loaded when the watch starts rather than with the
// program: a run that ends at once does not pay for it.
HRESULT CreateDirectInput8(REFIID iid, void** out) {
    using Create = HRESULT(WINAPI*)(HINSTANCE, DWORD, REFIID, void**, IUnknown*);
    HMODULE library = LoadLibraryW(L"dinput8.dll");
    if (!library) return HRESULT_FROM_WIN32(GetLastError());
    auto create = ProcAddress<Create>(library, "DirectInput8Create");
    if (!create) return HRESULT_FROM_WIN32(GetLastError());
    return create(GetModuleHandleW(nullptr), DIRECTINPUT_VERSION, iid, out, nullptr);
}

class Dx8 final : public platform::DirectX8 {
public:
    std::unique_ptr<platform::DirectInput8> DirectInputCreate() override {
        ComPtr<IDirectInput8W> input;
        ThrowIfFailed(CreateDirectInput8(IID_IDirectInput8W, input.put_void()));
        return std::make_unique<DInput8>(std::move(input), events_);
    }

    // Manual reset: the pump resets the event before it calls back, so
    // notifications that arrive during the callback are not lost.
    std::int32_t CreateEvent(platform::DirectXEvent8& callback) override {
        HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        if (!event) ThrowIfFailed(HRESULT_FROM_WIN32(GetLastError()));
        const std::int32_t id = events_->Add(event);
        ThePump().Watch(event, [&callback, id] { callback.DXCallback(id); });
        return id;
    }

private:
    std::shared_ptr<EventTable> events_ = std::make_shared<EventTable>();
};

}  // namespace

std::unique_ptr<platform::DirectX8> DirectInputMouse::CreateDirectX8() { return std::make_unique<Dx8>(); }

}  // namespace win32
