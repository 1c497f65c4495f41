#pragma once
// The desktop's monitors and the black windows over the ones Form1 does not
// cover. A cover passes its input to the form's events and its close
// requests to the form's window, so the saver ends from any monitor alike.
#include "platform/win32/win.h"

#include "platform/monitors.h"
#include "platform/win32/form_window.h"

namespace win32 {

class Monitors final : public platform::Monitors {
public:
    explicit Monitors(FormWindow& form) : form_(form) {}
    std::vector<platform::Monitor> List() override;
    std::intptr_t Cover(const platform::Rect& bounds, platform::FormEvents& events) override;
    void Blank(std::intptr_t window) override;
    void Move(std::intptr_t window, const platform::Rect& bounds) override;
    void Uncover(std::intptr_t window) override;

private:
    FormWindow& form_;
};

}  // namespace win32
