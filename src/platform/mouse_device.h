#pragma once
// DirectInput 8 as the mouse watch uses it, with DirectX 8's event ids: the
// platform calls DXCallback on the window's thread when an event is signalled.
// Every call throws platform::Error on a failure code.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

struct DeviceObjectData {  // DIDEVICEOBJECTDATA as read by the watch
    std::int32_t lOfs = 0;
    std::int32_t lData = 0;
    std::int32_t lTimeStamp = 0;
    std::int32_t lSequence = 0;
    std::int32_t lUserData = 0;
};

struct PropLong {  // DIPROPLONG
    std::int32_t lHow = 0;
    std::int32_t lObj = 0;
    std::int32_t lData = 0;
};

constexpr std::int32_t DIFORMAT_MOUSE = 2;
constexpr std::int32_t DISCL_NONEXCLUSIVE = 2;
constexpr std::int32_t DISCL_BACKGROUND = 8;
constexpr std::int32_t DIPH_DEVICE = 0;
constexpr std::int32_t DIMOFS_X = 0;
constexpr std::int32_t DIMOFS_Y = 4;
constexpr std::int32_t DIMOFS_BUTTON0 = 12;

class DirectXEvent8 {
public:
    virtual ~DirectXEvent8() = default;
    virtual void DXCallback(std::int32_t eventid) = 0;
};

class DirectInputDevice8 {
public:
    virtual ~DirectInputDevice8() = default;
    virtual void SetCommonDataFormat(std::int32_t format) = 0;
    virtual void SetCooperativeLevel(std::intptr_t window, std::int32_t flags) = 0;
    virtual void SetProperty(const std::wstring& guid, const PropLong& value) = 0;
    virtual void SetEventNotification(std::int32_t eventid) = 0;
    virtual void Acquire() = 0;
    // Takes up to count items out of the device buffer; returns how many.
    virtual std::size_t GetDeviceData(DeviceObjectData* items, std::size_t count,
                                      std::int32_t flags) = 0;
};

class DirectInput8 {
public:
    virtual ~DirectInput8() = default;
    virtual std::unique_ptr<DirectInputDevice8> CreateDevice(const std::wstring& guid) = 0;
};

class DirectX8 {
public:
    virtual ~DirectX8() = default;
    virtual std::unique_ptr<DirectInput8> DirectInputCreate() = 0;
    virtual std::int32_t CreateEvent(DirectXEvent8& callback) = 0;
};

class DirectX {
public:
    virtual ~DirectX() = default;
    virtual std::unique_ptr<DirectX8> CreateDirectX8() = 0;
};

}  // namespace platform
