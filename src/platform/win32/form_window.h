#pragma once
// Form1's window: one Win32 window with the standard controls as real child
// windows, so screen readers and UI automation see each one.
#include "platform/win32/win.h"

#include <array>
#include <memory>

#include "platform/window.h"
#include "platform/win32/gdi.h"
#include "platform/win32/picture.h"

namespace win32 {

class FormWindow final : public platform::FormWindow {
public:
    static constexpr wchar_t kClassName[] = L"TrevlinForm1";

    FormWindow();
    ~FormWindow() override;
    FormWindow(const FormWindow&) = delete;
    FormWindow& operator=(const FormWindow&) = delete;

    void Create(platform::FormEvents& events) override;
    std::intptr_t Handle() override { return reinterpret_cast<std::intptr_t>(hwnd_); }
    void Show() override;
    void SetNormalState() override;
    void StayOnTop() override;
    void SetTop(int top) override;
    void SetLeft(int left) override;
    void SetWidth(int width) override;
    void SetHeight(int height) override;
    int ScreenWidth() override;
    int ScreenHeight() override;
    int ClientWidth() override;
    int ClientHeight() override;
    void ShowPreviewPicture() override;
    void SetCaption(const std::wstring& caption) override;
    void SetFixedDialogBorder() override;
    void ShowControl(platform::Control control) override;
    void HideControl(platform::Control control) override;
    void DisableControl(platform::Control control) override;
    void SetControlText(platform::Control control, const std::wstring& text) override;
    std::int16_t CheckState() override;
    void SetCheckState(std::int16_t state) override;
    void ShowMessage(const std::wstring& text) override;
    void DoEvents() override;
    void WaitForInput(int milliseconds, platform::WakeUp* also) override;

private:
    // Control ids, clear of IDOK and IDCANCEL: no default or cancel button.
    static constexpr int kFirstControlId = 100;
    static std::size_t Index(platform::Control control) { return static_cast<std::size_t>(control); }
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    void CreateControls();
    HWND ControlWindow(platform::Control control) const;
    bool IsLink(HWND child) const;
    void Paint();
    RECT WindowRect() const;
    void MoveTo(const RECT& r);
    // Destroys the window without a word to the form: no handler runs, and
    // the message loop is not told to end.
    void Dispose();

    HWND hwnd_ = nullptr;
    platform::FormEvents* events_ = nullptr;
    int dpi_ = 96;
    std::array<HWND, 10> controls_{};
    // The window is destroyed before these go: the class and the controls use them.
    OwnedIcon iconLarge_;
    OwnedIcon iconSmall_;
    std::array<OwnedFont, 10> fonts_{};  // the controls' own fonts
    OwnedFont defaultFont_;             // buttons and check box
    HCURSOR handCursor_ = nullptr;      // a shared resource of the module: never freed
    std::unique_ptr<Picture> preview_;  // drawn as the background in preview mode
    bool dialog_ = false;               // turned into the configuration dialog
};

}  // namespace win32
