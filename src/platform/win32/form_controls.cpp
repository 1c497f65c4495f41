// Form1's window as it is made: the class, the controls with their fonts, and
// the controls' own state.
#include "platform/win32/form_window.h"

#include "dialog/layout.h"
#include "platform/win32/exit.h"
#include "platform/win32/resource.h"

namespace win32 {
namespace {

int PixelsOf(int twips, int dpi) { return layout::TwipsToPixels(twips, dpi); }

HFONT MakeFont(const layout::Font& font, int dpi) {
    LOGFONTW lf{};
    lf.lfHeight = -MulDiv(font.hundredthsOfPoint, dpi, 7200);
    lf.lfWeight = font.weight;
    lf.lfUnderline = font.underline ? TRUE : FALSE;
    lf.lfCharSet = static_cast<BYTE>(font.charset);
    lstrcpynW(lf.lfFaceName, font.face.c_str(), LF_FACESIZE);
    return CreateFontIndirectW(&lf);
}

HFONT MakeDefaultFont(int dpi) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    LOGFONTW lf = metrics.lfMessageFont;
    HDC screen = GetDC(nullptr);
    const int systemDpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    if (systemDpi > 0 && systemDpi != dpi) lf.lfHeight = MulDiv(lf.lfHeight, dpi, systemDpi);
    return CreateFontIndirectW(&lf);
}

// A label wraps its caption at word boundaries, as a static control does, when every
// wrapped line then fits its fixed height. When they do not (a second line would be cut
// in half, or drawn under the control below), one line clipped at the right edge reads
// better: it loses a few pixels, not half a line.
DWORD LabelTextFlow(HWND parent, HFONT font, const std::wstring& caption, int width, int height) {
    HDC dc = GetDC(parent);
    HGDIOBJ old = SelectObject(dc, font);
    RECT wrapped{0, 0, width, 0};
    DrawTextW(dc, caption.c_str(), -1, &wrapped, DT_CALCRECT | DT_LEFT | DT_EXPANDTABS | DT_WORDBREAK);
    SelectObject(dc, old);
    ReleaseDC(parent, dc);
    return wrapped.bottom <= height ? SS_LEFT : SS_LEFTNOWORDWRAP;
}

ATOM RegisterFormClass(HINSTANCE instance, WNDPROC proc, HICON icon, HICON small) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.hIcon = icon;
    wc.hIconSm = small;
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    wc.lpszClassName = FormWindow::kClassName;
    return RegisterClassExW(&wc);
}

}  // namespace

void FormWindow::Create(platform::FormEvents& events) {
    NoteWindowsMade();
    events_ = &events;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    iconLarge_.reset(static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_TREVLIN), IMAGE_ICON, 32, 32, 0)));
    iconSmall_.reset(static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_TREVLIN), IMAGE_ICON, 16, 16, 0)));
    handCursor_ = LoadCursorW(instance, MAKEINTRESOURCEW(IDC_LINK_HAND));
    RegisterFormClass(instance, &FormWindow::Proc, iconLarge_.get(), iconSmall_.get());

    HDC screen = GetDC(nullptr);
    dpi_ = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    const int width = PixelsOf(layout::kClientWidth, dpi_);
    const int height = PixelsOf(layout::kClientHeight, dpi_);
    const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    // Not a pop-up: adding the child style for the preview must give a plain
    // child window, which never takes the activation from its host.
    hwnd_ = CreateWindowExW(0, kClassName, L"Form1", WS_CLIPCHILDREN, x, y, width, height, nullptr, nullptr,
                            instance, this);
    // Borderless: the caption an overlapped window gets by default goes.
    SetWindowLongPtrW(hwnd_, GWL_STYLE, WS_CLIPCHILDREN | WS_CLIPSIBLINGS);
    SetWindowLongPtrW(hwnd_, GWL_EXSTYLE, 0);
    SetWindowPos(hwnd_, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    CreateControls();
}

void FormWindow::CreateControls() {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    defaultFont_.reset(MakeDefaultFont(dpi_));
    for (const layout::ControlSpec& item : layout::Controls()) {
        const wchar_t* cls = nullptr;
        DWORD style = WS_CHILD | WS_CLIPSIBLINGS | (item.visible ? WS_VISIBLE : 0);
        switch (item.kind) {
        case layout::Kind::CommandButton: cls = L"BUTTON"; style |= BS_PUSHBUTTON | WS_TABSTOP; break;
        case layout::Kind::CheckBox: cls = L"BUTTON"; style |= BS_3STATE | WS_TABSTOP; break;
        case layout::Kind::Label: cls = L"STATIC"; style |= item.link ? SS_NOTIFY : 0; break;
        case layout::Kind::MediaPlayer:  // the player has no window of its own
        case layout::Kind::Image: continue;  // its picture is the preview background
        }
        HFONT font = defaultFont_.get();
        if (item.font) {
            fonts_[Index(item.id)].reset(MakeFont(*item.font, dpi_));
            font = fonts_[Index(item.id)].get();
        }
        const int width = PixelsOf(item.width, dpi_);
        const int height = PixelsOf(item.height, dpi_);
        if (item.kind == layout::Kind::Label) style |= LabelTextFlow(hwnd_, font, item.caption, width, height);
        HWND child = CreateWindowExW(0, cls, item.caption.c_str(), style, PixelsOf(item.left, dpi_),
                                     PixelsOf(item.top, dpi_), width, height, hwnd_,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + Index(item.id))),
                                     instance, nullptr);
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        controls_[Index(item.id)] = child;
    }
    SendMessageW(controls_[Index(platform::Control::Check1)], BM_SETCHECK, BST_CHECKED, 0);
    // Tab order follows the tab index: stack the controls in that order.
    for (int tab = 0; tab < static_cast<int>(layout::Controls().size()); ++tab)
        for (const layout::ControlSpec& item : layout::Controls())
            if (item.tabIndex == tab && controls_[Index(item.id)])
                SetWindowPos(controls_[Index(item.id)], HWND_BOTTOM, 0, 0, 0, 0,
                             SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

HWND FormWindow::ControlWindow(platform::Control control) const { return controls_[Index(control)]; }

bool FormWindow::IsLink(HWND child) const {
    return child && (child == ControlWindow(platform::Control::Label3) ||
                     child == ControlWindow(platform::Control::Label4));
}

void FormWindow::ShowControl(platform::Control control) {
    if (HWND child = ControlWindow(control)) ShowWindow(child, SW_SHOWNA);
}

void FormWindow::HideControl(platform::Control control) {
    if (HWND child = ControlWindow(control)) ShowWindow(child, SW_HIDE);
}

void FormWindow::DisableControl(platform::Control control) {
    if (HWND child = ControlWindow(control)) EnableWindow(child, FALSE);
}

void FormWindow::SetControlText(platform::Control control, const std::wstring& text) {
    if (HWND child = ControlWindow(control)) SetWindowTextW(child, text.c_str());
}

std::int16_t FormWindow::CheckState() {
    return static_cast<std::int16_t>(SendMessageW(ControlWindow(platform::Control::Check1), BM_GETCHECK, 0, 0));
}

void FormWindow::SetCheckState(std::int16_t state) {
    SendMessageW(ControlWindow(platform::Control::Check1), BM_SETCHECK, static_cast<WPARAM>(state), 0);
}

}  // namespace win32
