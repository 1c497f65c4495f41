#include "platform/win32/form_window.h"

#include "dialog/layout.h"
#include "platform/win32/directshow_graph.h"
#include "platform/win32/event_pump.h"
#include "platform/win32/power.h"
#include "platform/win32/resource.h"
#include "platform/win32/system.h"

namespace win32 {
namespace {

constexpr wchar_t kClassName[] = L"TrevlinForm1";
constexpr int kFirstControlId = 100;  // clear of IDOK and IDCANCEL: no default or cancel button

std::size_t Index(platform::Control control) { return static_cast<std::size_t>(control); }

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
    wc.lpszClassName = kClassName;
    return RegisterClassExW(&wc);
}

}  // namespace

FormWindow::FormWindow() = default;

FormWindow::~FormWindow() {
    Dispose();
    UnregisterClassW(kClassName, GetModuleHandleW(nullptr));
}

void FormWindow::Dispose() {
    events_ = nullptr;
    if (hwnd_ && IsWindow(hwnd_)) DestroyWindow(hwnd_);
    hwnd_ = nullptr;
}

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

void FormWindow::Show() {
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
    UpdateWindow(hwnd_);
}

void FormWindow::SetNormalState() {
    if (IsIconic(hwnd_) || IsZoomed(hwnd_)) ShowWindow(hwnd_, SW_RESTORE);
}

RECT FormWindow::WindowRect() const {
    RECT r{};
    GetWindowRect(hwnd_, &r);
    return r;
}

void FormWindow::MoveTo(const RECT& r) {
    SetWindowPos(hwnd_, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void FormWindow::SetTop(int top) {
    RECT r = WindowRect();
    OffsetRect(&r, 0, top - r.top);
    MoveTo(r);
}

void FormWindow::SetLeft(int left) {
    RECT r = WindowRect();
    OffsetRect(&r, left - r.left, 0);
    MoveTo(r);
}

void FormWindow::SetWidth(int width) {
    RECT r = WindowRect();
    r.right = r.left + width;
    MoveTo(r);
}

void FormWindow::SetHeight(int height) {
    RECT r = WindowRect();
    r.bottom = r.top + height;
    MoveTo(r);
}

int FormWindow::ScreenWidth() { return GetSystemMetrics(SM_CXSCREEN); }
int FormWindow::ScreenHeight() { return GetSystemMetrics(SM_CYSCREEN); }

int FormWindow::ClientWidth() {
    RECT r{};
    GetClientRect(hwnd_, &r);
    return r.right;
}

int FormWindow::ClientHeight() {
    RECT r{};
    GetClientRect(hwnd_, &r);
    return r.bottom;
}

void FormWindow::ShowPreviewPicture() {
    preview_ = std::make_unique<Picture>(IDR_PREVIEW_JPEG);
    InvalidateRect(hwnd_, nullptr, TRUE);
}

void FormWindow::SetCaption(const std::wstring& caption) { SetWindowTextW(hwnd_, caption.c_str()); }

void FormWindow::SetFixedDialogBorder() {
    dialog_ = true;
    RECT client{};
    GetClientRect(hwnd_, &client);
    const DWORD style = WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    const DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE | WS_EX_CONTROLPARENT;
    SetWindowLongPtrW(hwnd_, GWL_STYLE, style);
    SetWindowLongPtrW(hwnd_, GWL_EXSTYLE, exStyle);
    // The client area keeps its size; the frame grows around it.
    RECT frame = client;
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    RECT r = WindowRect();
    SetWindowPos(hwnd_, nullptr, r.left, r.top, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    ThePump().SetDialog(hwnd_);
    InvalidateRect(hwnd_, nullptr, TRUE);
}

void FormWindow::ShowControl(platform::Control control) {
    if (HWND child = ControlWindow(control)) ShowWindow(child, SW_SHOWNA);
}

std::int16_t FormWindow::CheckState() {
    return static_cast<std::int16_t>(SendMessageW(ControlWindow(platform::Control::Check1), BM_GETCHECK, 0, 0));
}

void FormWindow::SetCheckState(std::int16_t state) {
    SendMessageW(ControlWindow(platform::Control::Check1), BM_SETCHECK, static_cast<WPARAM>(state), 0);
}

void FormWindow::ShowMessage(const std::wstring& text) {
    MessageBoxW(hwnd_, text.c_str(), SaverName().c_str(), MB_OK | MB_ICONWARNING);
}

void FormWindow::DoEvents() { ThePump().DoEvents(); }

void FormWindow::WaitForInput(int milliseconds, platform::MediaEvent* graphEvents) {
    auto* graph = dynamic_cast<GraphEvents*>(graphEvents);
    if (ThePump().Wait(static_cast<DWORD>(milliseconds), graph ? graph->Handle() : nullptr)) graph->Drain();
}

void FormWindow::Paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    if (preview_) preview_->Draw(dc);
    EndPaint(hwnd_, &ps);
}

LRESULT CALLBACK FormWindow::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* self = static_cast<FormWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<FormWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (msg == WM_NCDESTROY) SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    if (msg == DisposeMessage() && msg != 0) {
        if (self) self->Dispose();
        return 0;
    }
    if (!self || !self->events_) return DefWindowProcW(hwnd, msg, wParam, lParam);
    return Dispatch([&] { return self->OnMessage(msg, wParam, lParam); });
}

LRESULT FormWindow::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CHAR:
        events_->OnKeyPress();
        return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_XBUTTONDOWN:
        events_->OnMouseDown();
        return 0;
    case WM_PARENTNOTIFY:
        // A press over a child control (a label on the saver's black screen)
        // is a press over the window.
        switch (LOWORD(wParam)) {
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_XBUTTONDOWN: events_->OnMouseDown(); break;
        default: break;
        }
        return 0;
    case WM_MOUSEMOVE:
        events_->OnMouseMove();
        return 0;
    case WM_COMMAND: {
        const int id = LOWORD(wParam) - kFirstControlId;
        if (id < 0 || id >= static_cast<int>(controls_.size())) return 0;
        const auto control = static_cast<platform::Control>(id);
        const WORD code = HIWORD(wParam);
        if (control == platform::Control::Check1 && code == BN_CLICKED) {
            SetCheckState(CheckState() == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED);
        } else if (code == BN_CLICKED || code == STN_CLICKED) {
            events_->OnClick(control);
        }
        return 0;
    }
    case WM_SETCURSOR:
        if (handCursor_ && IsLink(reinterpret_cast<HWND>(wParam))) {
            SetCursor(handCursor_);
            return TRUE;
        }
        break;
    case WM_CTLCOLORSTATIC: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, IsLink(reinterpret_cast<HWND>(lParam)) ? static_cast<COLORREF>(layout::kBlue)
                                                                : GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_ERASEBKGND: {
        RECT r{};
        GetClientRect(hwnd_, &r);
        // Black behind the video (and where it cannot play); the dialog's own colour otherwise.
        FillRect(reinterpret_cast<HDC>(wParam), &r,
                 dialog_ ? GetSysColorBrush(COLOR_BTNFACE) : static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        return 1;
    }
    case WM_PAINT:
        Paint();
        return 0;
    case WM_MOUSEACTIVATE:
        // The preview lives in the settings' window and must not take its activation.
        if (preview_) return MA_NOACTIVATE;
        break;
    case WM_ACTIVATE:
        if (dialog_ && LOWORD(wParam) != WA_INACTIVE) {
            // Like a dialog: the focus goes to the first control that takes it.
            HWND focus = GetFocus();
            if (!focus || focus == hwnd_ || GetParent(focus) != hwnd_)
                SetFocus(ControlWindow(platform::Control::Check1));
            return 0;
        }
        break;
    case WM_CLOSE:
        events_->OnUnload();
        DestroyWindow(hwnd_);
        return 0;
    case WM_QUERYENDSESSION:
        return TRUE;  // nothing to save: the session may end
    case WM_ENDSESSION:
        // Log-off or shut-down: a close request of the system's. After this
        // message the system may end the process at any moment, so it ends
        // here, with the graphs stopped.
        if (wParam) {
            events_->OnUnload();
            EndProcess(0);
        }
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_POWERBROADCAST:
        NotePowerBroadcast(wParam, lParam);
        return TRUE;
    default: break;
    }
    return DefWindowProcW(hwnd_, msg, wParam, lParam);
}

}  // namespace win32
