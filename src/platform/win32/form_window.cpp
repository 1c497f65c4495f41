#include "platform/win32/form_window.h"

#include "dialog/layout.h"
#include "platform/win32/event_pump.h"
#include "platform/win32/exit.h"
#include "platform/win32/failure.h"
#include "platform/win32/power.h"
#include "platform/win32/process.h"
#include "platform/win32/resource.h"
#include "platform/win32/video/evr_picture.h"
#include "platform/win32/video/mirror_painter.h"

namespace win32 {

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

void FormWindow::Show() {
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
    UpdateWindow(hwnd_);
}

void FormWindow::SetNormalState() {
    if (IsIconic(hwnd_) || IsZoomed(hwnd_)) ShowWindow(hwnd_, SW_RESTORE);
}

void FormWindow::StayOnTop() {
    SetWindowPos(hwnd_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
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

void FormWindow::ShowMessage(const std::wstring& text) {
    MessageBoxW(hwnd_, text.c_str(), SaverName().c_str(), MB_OK | MB_ICONWARNING);
}

void FormWindow::DoEvents() { ThePump().DoEvents(); }

void FormWindow::WaitForInput(int milliseconds, platform::WakeUp* also) {
    HANDLE handle = also ? reinterpret_cast<HANDLE>(also->Handle()) : nullptr;
    if (ThePump().Wait(static_cast<DWORD>(milliseconds), handle)) also->TakeNews();
}

// A video that draws into the window draws its picture again; where it has
// none yet, the window is black.
void FormWindow::Paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    if (preview_) preview_->Draw(dc);
    if (Mirrored(hwnd_) && !PaintMirroredPicture(hwnd_, dc))
        FillRect(dc, &ps.rcPaint, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    RepaintEvr(hwnd_);
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
        // Black under a video would flash over its picture until it is drawn again.
        if (Mirrored(hwnd_) || EvrDraws(hwnd_)) return 1;
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
    case WM_SIZE:
        PlaceEvr(hwnd_);
        break;
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
        // Log-off or shut-down: after this message the system may end the
        // process at any moment, so it ends here. Nothing is stopped first:
        // a graph's Stop that hangs would hold up the user's session.
        if (wParam) EndProcess(0);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_DISPLAYCHANGE:
        events_->OnDisplayChange();
        break;
    case WM_POWERBROADCAST:
        NotePowerBroadcast(wParam, lParam);
        return TRUE;
    case WM_WTSSESSION_CHANGE:
        NoteSessionChange(wParam);
        // Sent, it may be handled inside the show loop's wait without ending
        // it; a posted message ends it, so that an unlock is seen at once.
        PostMessageW(hwnd_, WM_NULL, 0, 0);
        return 0;
    default: break;
    }
    return DefWindowProcW(hwnd_, msg, wParam, lParam);
}

}  // namespace win32
