// probe.exe: looks at windows and the pointer from inside Wine, for the Wine tests.
//
//   probe windows [all]     top-level windows (visible only, unless "all"), one a line
//   probe children HWND     every descendant of HWND, one a line
//   probe cursor            GetCursorInfo: flags (1 = shown) and position
//   probe screen            the virtual screen rectangle
//   probe setcursor X Y     moves Wine's pointer
//   probe foreground        the foreground window
//   probe launch [--watch] CMDLINE
//                           starts a program with exactly CMDLINE as its command line (wine
//                           itself would re-quote arguments that hold spaces), prints
//                           "pid=N", waits, prints "exit=0x..." and exits with its code;
//                           with --watch, also prints every top-level window (shown or not,
//                           of any process) that comes into being while it runs, polling
//                           every 2 ms
//   probe record TEXT...    appends TEXT to opened.txt beside probe.exe (registered as the
//                           http "open" command, it tells a test which address was opened)
//   probe host [--destroy] [--settle MS] [--timeout MS] CMDLINE
//                           makes a host window with a 200x150 client area, activates it and
//                           starts CMDLINE with "{hwnd}" replaced by the host's handle in
//                           decimal; once a visible TrevlinForm1 is inside the host (or the
//                           program has ended) and MS more have passed, prints the host's
//                           descendants (crect= in host client coordinates) and which window
//                           is foreground and active; with --destroy, then destroys the host
//                           and prints how the program ended (exit=none if it did not)
//   probe controls HWND     the client size of HWND, then its direct children in z-order with
//                           id=, check= (BM_GETCHECK, -1 for no button) and crect=
//   probe focus HWND        active and focused window of HWND's thread, and the foreground one
//   probe click HWND        BM_CLICK to a button, a posted left press and release to another
//   probe send HWND MSG WPARAM LPARAM
//                           SendMessageTimeout (5 s) with numbers in decimal or 0x hex; prints
//                           "sending" before it sends, then result= (the reply) and ok= (0
//                           when the call failed or timed out)
//   probe hold PATH MS      opens PATH for reading and writing without sharing, prints
//                           "held" once it has it, and keeps it so for MS milliseconds
//   probe shortcut PATH     a shell link's target=, args= and icon= (its path and index), read
//                           through IShellLink
//   probe launch-timed CMDLINE window CLASS TEXT | pixel X Y RRGGBB | end
//                           starts CMDLINE, prints seen_ms= once a visible top-level window
//                           of it with that class and text is there, once the screen pixel
//                           is near the colour, or once it has ended; then waits for it like
//                           launch
//   probe frames X Y MS     watches the screen pixel at X,Y of a video whose frames tell
//                           their number modulo 8 in red, green and blue (bits 0, 1, 2)
//                           for MS milliseconds, as often as it can: changes= the times a
//                           new number showed, skipped= frames between two of them that
//                           never showed, samples= the pixels read
//   probe displaychange     ChangeDisplaySettingsExW(NULL, NULL, NULL, 0, NULL): Wine reads
//                           the monitors again and sends WM_DISPLAYCHANGE to the top-level
//                           windows before it returns; prints result= and the monitors then
//                           (monitor=l,t,r,b). Only for tests: on Windows this resets the
//                           display mode
//   probe textsize HWND FACE HUNDREDTHS UNDERLINE CHARSET
//                           measures the text of the control HWND in a font made from those
//                           values (HUNDREDTHS of a point, 1200 = 12 pt; UNDERLINE 0 or 1),
//                           as a static control of HWND's width lays it out: the face and
//                           character set the font mapper really picked, the line height,
//                           the text as one line (single=cx,cy) and word-wrapped at HWND's
//                           width (wrapped=cx,cy, lines=N); where those two draw ink
//                           (ink_single=, ink_wrapped= as l,t,r,b from the text's top-left
//                           corner, unclipped); and HWND's client size and style
//
// A window line is tab-separated key=value fields with the text last, so the text may
// hold anything but tabs and line breaks (those are printed as spaces). Output is UTF-8.
#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>

namespace {

std::string Utf8Line(const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), utf8.data(), size,
                        nullptr, nullptr);
    return utf8 + '\n';
}

// Every line reaches the file at once: what a probe that dies later did is still known.
void Print(const std::wstring& text) {
    const std::string line = Utf8Line(text);
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
}

std::wstring Hex(unsigned long long value) {
    wchar_t buffer[24];
    std::swprintf(buffer, 24, L"0x%llx", value);
    return buffer;
}

// extra: more tab-separated fields, put before the text (which must stay last).
std::wstring WindowLine(HWND window, int depth, const std::wstring& extra = L"") {
    wchar_t className[256] = L"";
    GetClassNameW(window, className, 256);
    // The text Windows keeps with the window: asks nothing of its (maybe busy) owner.
    wchar_t text[1024] = L"";
    InternalGetWindowText(window, text, 1024);
    for (wchar_t* c = text; *c; ++c) {
        if (*c == L'\t' || *c == L'\r' || *c == L'\n') *c = L' ';
    }
    RECT rect{};
    GetWindowRect(window, &rect);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    wchar_t line[2048];
    std::swprintf(line, 2048,
                  L"hwnd=%ls\tdepth=%d\tpid=%lu\tclass=%ls\trect=%ld,%ld,%ld,%ld\tstyle=%ls\texstyle=%ls\t"
                  L"visible=%d\tparent=%ls\towner=%ls\t%lstext=%ls",
                  Hex(reinterpret_cast<ULONG_PTR>(window)).c_str(), depth, pid, className, rect.left,
                  rect.top, rect.right, rect.bottom,
                  Hex(static_cast<ULONG>(GetWindowLongW(window, GWL_STYLE))).c_str(),
                  Hex(static_cast<ULONG>(GetWindowLongW(window, GWL_EXSTYLE))).c_str(),
                  IsWindowVisible(window) ? 1 : 0,
                  Hex(reinterpret_cast<ULONG_PTR>(GetAncestor(window, GA_PARENT))).c_str(),
                  Hex(reinterpret_cast<ULONG_PTR>(GetWindow(window, GW_OWNER))).c_str(),
                  extra.empty() ? L"" : (extra + L"\t").c_str(), text);
    return line;
}

struct TopLevelScan {
    bool all;
};

BOOL CALLBACK PrintTopLevel(HWND window, LPARAM param) {
    const auto* scan = reinterpret_cast<const TopLevelScan*>(param);
    if (scan->all || IsWindowVisible(window)) Print(WindowLine(window, 0));
    return TRUE;
}

// A window that is gone is a finding, not a silent exit that the rig would take for
// Wine's loader failing and run again.
int NoWindow() {
    Print(L"error=no-window");
    return 1;
}

void PrintChildren(HWND parent, int depth) {
    // EnumChildWindows flattens the tree; walking it by hand keeps the depth.
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        Print(WindowLine(child, depth));
        PrintChildren(child, depth + 1);
    }
}

// The windows a watch has met so far. EnumWindows callbacks cannot capture, hence a struct.
struct Watch {
    HWND seen[4096];
    size_t count;
    bool report;  // false while taking in the windows that were there before the launch
};

BOOL CALLBACK NoteWindow(HWND window, LPARAM param) {
    auto* watch = reinterpret_cast<Watch*>(param);
    for (size_t i = 0; i < watch->count; ++i) {
        if (watch->seen[i] == window) return TRUE;
    }
    if (watch->count < 4096) watch->seen[watch->count++] = window;
    if (watch->report) {
        Print(WindowLine(window, 0));
        std::fflush(stdout);
    }
    return TRUE;
}

HWND ParseWindow(const wchar_t* text) { return reinterpret_cast<HWND>(std::wcstoull(text, nullptr, 0)); }

// Starts the command line as it stands and prints "pid=" (or "error=").
bool Start(std::wstring commandLine, PROCESS_INFORMATION& process) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    wchar_t line[64];
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        std::swprintf(line, 64, L"error=%lu", GetLastError());
        Print(line);
        return false;
    }
    CloseHandle(process.hThread);
    std::swprintf(line, 64, L"pid=%lu", process.dwProcessId);
    Print(line);
    std::fflush(stdout);
    return true;
}

int Launch(const std::wstring& commandLine, bool watchWindows) {
    static Watch watch{};
    if (watchWindows) EnumWindows(NoteWindow, reinterpret_cast<LPARAM>(&watch));
    watch.report = true;

    PROCESS_INFORMATION process{};
    if (!Start(commandLine, process)) return 255;
    wchar_t line[64];
    if (watchWindows) {
        while (WaitForSingleObject(process.hProcess, 2) == WAIT_TIMEOUT) {
            EnumWindows(NoteWindow, reinterpret_cast<LPARAM>(&watch));
        }
    } else {
        WaitForSingleObject(process.hProcess, INFINITE);
    }
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    std::swprintf(line, 64, L"exit=0x%lx", code);
    Print(line);
    return static_cast<int>(code);
}

int Record(int argc, wchar_t** argv) {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length == MAX_PATH) return 1;
    std::wstring file = path;
    file = file.substr(0, file.find_last_of(L'\\') + 1) + L"opened.txt";
    std::wstring text;
    for (int i = 2; i < argc; ++i) text += (i > 2 ? L" " : L"") + std::wstring(argv[i]);
    FILE* out = _wfopen(file.c_str(), L"ab");
    if (!out) return 1;
    const std::string line = Utf8Line(text);
    std::fwrite(line.data(), 1, line.size(), out);
    std::fclose(out);
    return 0;
}

int Usage();

// ---------------------------------------------------------------- preview host, controls, clicks

bool IsClass(HWND window, const wchar_t* name) {
    wchar_t className[256] = L"";
    GetClassNameW(window, className, 256);
    return lstrcmpiW(className, name) == 0;
}

// A rectangle as "l,t,r,b" in the client coordinates of origin.
std::wstring ClientRectText(HWND window, HWND origin) {
    RECT rect{};
    GetWindowRect(window, &rect);
    MapWindowPoints(nullptr, origin, reinterpret_cast<POINT*>(&rect), 2);
    wchar_t text[96];
    std::swprintf(text, 96, L"crect=%ld,%ld,%ld,%ld", rect.left, rect.top, rect.right, rect.bottom);
    return text;
}

void PrintDescendants(HWND parent, HWND origin, int depth) {
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        Print(WindowLine(child, depth, ClientRectText(child, origin)));
        PrintDescendants(child, origin, depth + 1);
    }
}

bool HasVisibleDescendant(HWND parent, const wchar_t* className) {
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (IsClass(child, className) && IsWindowVisible(child)) return true;
        if (HasVisibleDescendant(child, className)) return true;
    }
    return false;
}

// Runs the host's messages for up to milliseconds, or until done() holds or the process ends.
template <typename Done>
bool PumpUntil(HANDLE process, DWORD milliseconds, Done done) {
    const ULONGLONG deadline = GetTickCount64() + milliseconds;
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (done()) return true;
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) return false;
        const DWORD left = static_cast<DWORD>(deadline - now);
        const DWORD wait = MsgWaitForMultipleObjects(process ? 1 : 0, process ? &process : nullptr, FALSE,
                                                     left < 10 ? left : 10, QS_ALLINPUT);
        if (process && wait == WAIT_OBJECT_0) return done();
    }
}

bool Ended(HANDLE process) { return WaitForSingleObject(process, 0) == WAIT_OBJECT_0; }

void PrintExit(HANDLE process) {
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    wchar_t line[64];
    std::swprintf(line, 64, L"exit=0x%lx", code);
    Print(line);
}

void PrintActivation() {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(0, &info);  // the foreground thread's
    const HWND foreground = GetForegroundWindow();
    wchar_t line[256];
    std::swprintf(line, 256,
                  L"foreground=%ls\tforeground_active=%ls\tforeground_focus=%ls\thost_active=%ls\thost_focus=%ls",
                  Hex(reinterpret_cast<ULONG_PTR>(foreground)).c_str(),
                  Hex(reinterpret_cast<ULONG_PTR>(info.hwndActive)).c_str(),
                  Hex(reinterpret_cast<ULONG_PTR>(info.hwndFocus)).c_str(),
                  Hex(reinterpret_cast<ULONG_PTR>(GetActiveWindow())).c_str(),
                  Hex(reinterpret_cast<ULONG_PTR>(GetFocus())).c_str());
    Print(line);
    if (foreground) Print(WindowLine(foreground, 0, L"role=foreground"));
}

LRESULT CALLBACK HostProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(window, msg, wParam, lParam);
}

// What a settings page does for a preview: a window of its own whose client area the
// preview fills, and the program started with that window's handle in its command line.
int Host(const std::wstring& commandTemplate, bool destroy, DWORD settle, DWORD timeout) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = HostProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"TrevlinProbeHost";
    RegisterClassExW(&wc);
    constexpr DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
    RECT frame{0, 0, 200, 150};
    AdjustWindowRectEx(&frame, style, FALSE, 0);
    const HWND host = CreateWindowExW(0, wc.lpszClassName, L"Preview host", style, 100, 100,
                                      frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                                      instance, nullptr);
    if (!host) return 1;
    ShowWindow(host, SW_SHOW);
    SetForegroundWindow(host);
    SetActiveWindow(host);
    SetFocus(host);
    UpdateWindow(host);
    PumpUntil(nullptr, 5000, [&] { return GetForegroundWindow() == host; });

    RECT client{};
    GetClientRect(host, &client);
    wchar_t line[256];
    std::swprintf(line, 256, L"host=%ls\tclient=%ld,%ld\thost_foreground=%d",
                  Hex(reinterpret_cast<ULONG_PTR>(host)).c_str(), client.right, client.bottom,
                  GetForegroundWindow() == host ? 1 : 0);
    Print(line);

    // "{hwnd}" becomes the handle in decimal, as a settings page writes it.
    std::wstring commandLine = commandTemplate;
    const std::wstring marker = L"{hwnd}";
    const size_t at = commandLine.find(marker);
    if (at != std::wstring::npos)
        commandLine.replace(at, marker.size(), std::to_wstring(reinterpret_cast<ULONG_PTR>(host)));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        std::swprintf(line, 256, L"error=%lu", GetLastError());
        Print(line);
        DestroyWindow(host);
        return 255;
    }
    CloseHandle(process.hThread);
    std::swprintf(line, 256, L"pid=%lu", process.dwProcessId);
    Print(line);
    std::fflush(stdout);

    const bool appeared = PumpUntil(process.hProcess, timeout, [&] {
        return Ended(process.hProcess) || HasVisibleDescendant(host, L"TrevlinForm1");
    }) && !Ended(process.hProcess);
    // Let the preview finish sizing and showing itself, as the host would run meanwhile.
    if (appeared) PumpUntil(process.hProcess, settle, [] { return false; });
    std::swprintf(line, 256, L"appeared=%d", appeared ? 1 : 0);
    Print(line);
    PrintDescendants(host, host, 1);
    PrintActivation();
    std::swprintf(line, 256, L"host_foreground=%d", GetForegroundWindow() == host ? 1 : 0);
    Print(line);

    if (Ended(process.hProcess)) {
        Print(L"ended_before_destroy=1");
        PrintExit(process.hProcess);
    } else if (destroy) {
        DestroyWindow(host);
        Print(L"destroyed=1");
        std::fflush(stdout);
        if (PumpUntil(process.hProcess, timeout, [&] { return Ended(process.hProcess); })) {
            PrintExit(process.hProcess);
        } else {
            Print(L"exit=none");
        }
    }
    if (!Ended(process.hProcess)) {
        // Nothing a test starts may outlive it.
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, 5000);
        Print(L"terminated=1");
    }
    CloseHandle(process.hProcess);
    if (IsWindow(host)) DestroyWindow(host);
    return 0;
}

// The direct children of a window: its controls, in z-order (which is the tab order), with
// their rectangles in the window's client coordinates, control id and, for buttons, the
// BM_GETCHECK state. The first line gives the window's client size.
int Controls(HWND window) {
    if (!IsWindow(window)) return NoWindow();
    RECT client{};
    GetClientRect(window, &client);
    wchar_t line[128];
    std::swprintf(line, 128, L"client=%ld,%ld", client.right, client.bottom);
    Print(line);
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        DWORD_PTR check = static_cast<DWORD_PTR>(-1);
        if (IsClass(child, L"Button") &&
            !SendMessageTimeoutW(child, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 5000, &check))
            check = static_cast<DWORD_PTR>(-2);
        wchar_t extra[160];
        std::swprintf(extra, 160, L"id=%ld\tcheck=%ld\t%ls", static_cast<long>(GetDlgCtrlID(child)),
                      static_cast<long>(check), ClientRectText(child, window).c_str());
        Print(WindowLine(child, 1, extra));
    }
    return 0;
}

// Active and focused windows of the thread that owns window.
int Focus(HWND window) {
    if (!IsWindow(window)) return NoWindow();
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return NoWindow();
    wchar_t line[160];
    std::swprintf(line, 160, L"active=%ls\tfocus=%ls\tforeground=%ls",
                  Hex(reinterpret_cast<ULONG_PTR>(info.hwndActive)).c_str(),
                  Hex(reinterpret_cast<ULONG_PTR>(info.hwndFocus)).c_str(),
                  Hex(reinterpret_cast<ULONG_PTR>(GetForegroundWindow())).c_str());
    Print(line);
    return 0;
}

// A click by message, for where a pointer click cannot be made: posted, so that a
// message box the click opens does not hold the probe up.
int Click(HWND control) {
    if (!IsWindow(control)) return 1;
    if (IsClass(control, L"Button")) return PostMessageW(control, BM_CLICK, 0, 0) ? 0 : 1;
    RECT rect{};
    GetClientRect(control, &rect);
    const LPARAM centre = MAKELPARAM(rect.right / 2, rect.bottom / 2);
    if (!PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, centre)) return 1;
    return PostMessageW(control, WM_LBUTTONUP, 0, centre) ? 0 : 1;
}

// ---------------------------------------------------------------- start-up timing

double Milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

struct WindowWanted {
    DWORD pid;
    const wchar_t* className;
    const wchar_t* text;
    bool found;
};

BOOL CALLBACK FindWanted(HWND window, LPARAM param) {
    auto* wanted = reinterpret_cast<WindowWanted*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != wanted->pid || !IsWindowVisible(window) || !IsClass(window, wanted->className)) return TRUE;
    wchar_t text[256] = L"";
    InternalGetWindowText(window, text, 256);
    if (lstrcmpW(text, wanted->text) != 0) return TRUE;
    wanted->found = true;
    return FALSE;
}

bool NearColour(COLORREF pixel, COLORREF colour, int tolerance) {
    return pixel != CLR_INVALID && std::abs(GetRValue(pixel) - GetRValue(colour)) <= tolerance &&
           std::abs(GetGValue(pixel) - GetGValue(colour)) <= tolerance &&
           std::abs(GetBValue(pixel) - GetBValue(colour)) <= tolerance;
}

// Starts CMDLINE and prints "seen_ms=" once what is asked for is on the screen, timed from
// just before CreateProcess: a visible top-level window of the process with that class and
// text, or a screen pixel near a colour (0xRRGGBB, each channel within 48); polls every
// 2 ms for up to 60 s ("seen_ms=none"), then waits for the process like launch does.
// With "end", the time is that of the process's end.
int LaunchTimed(int argc, wchar_t** argv) {
    const std::wstring what = argv[3];
    LARGE_INTEGER start, now;
    QueryPerformanceCounter(&start);
    PROCESS_INFORMATION process{};
    if (!Start(argv[2], process)) return 255;
    wchar_t line[128];

    HDC screen = GetDC(nullptr);
    bool seen = false;
    const bool untilEnd = what == L"end" && argc == 4;
    // The end is waited for, not polled: it is timed to the scheduler's grain.
    if (untilEnd) seen = WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0;
    const ULONGLONG deadline = GetTickCount64() + 60000;
    while (!untilEnd && !seen && GetTickCount64() < deadline && !Ended(process.hProcess)) {
        if (what == L"window" && argc == 6) {
            WindowWanted wanted{process.dwProcessId, argv[4], argv[5], false};
            EnumWindows(FindWanted, reinterpret_cast<LPARAM>(&wanted));
            seen = wanted.found;
        } else if (what == L"pixel" && argc == 7) {
            const unsigned long rgb = std::wcstoul(argv[6], nullptr, 16);
            const COLORREF colour = RGB((rgb >> 16) & 0xff, (rgb >> 8) & 0xff, rgb & 0xff);
            seen = NearColour(GetPixel(screen, _wtoi(argv[4]), _wtoi(argv[5])), colour, 48);
        } else {
            ReleaseDC(nullptr, screen);
            TerminateProcess(process.hProcess, 1);
            return Usage();
        }
        if (!seen) Sleep(2);
    }
    QueryPerformanceCounter(&now);
    ReleaseDC(nullptr, screen);
    if (seen) {
        std::swprintf(line, 128, L"seen_ms=%.1f", Milliseconds(start, now));
    } else {
        std::swprintf(line, 128, L"seen_ms=none");
    }
    Print(line);
    std::fflush(stdout);
    WaitForSingleObject(process.hProcess, INFINITE);
    PrintExit(process.hProcess);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
}

long long ParseNumber(const wchar_t* text) { return std::wcstoll(text, nullptr, 0); }

int Send(int argc, wchar_t** argv) {
    if (argc != 6) return Usage();
    // Said before the message goes: a probe that printed nothing sent nothing.
    Print(L"sending");
    DWORD_PTR result = 0;
    const LRESULT ok = SendMessageTimeoutW(ParseWindow(argv[2]), static_cast<UINT>(ParseNumber(argv[3])),
                                           static_cast<WPARAM>(ParseNumber(argv[4])),
                                           static_cast<LPARAM>(ParseNumber(argv[5])), SMTO_NORMAL, 5000, &result);
    wchar_t line[96];
    std::swprintf(line, 96, L"result=%llu\tok=%d", static_cast<unsigned long long>(result), ok ? 1 : 0);
    Print(line);
    return 0;
}

int Hold(const wchar_t* path, DWORD milliseconds) {
    HANDLE file = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    Print(L"held");
    std::fflush(stdout);
    Sleep(milliseconds);
    CloseHandle(file);
    return 0;
}

// The box around the pixels that DrawText (with format, in rect) sets, as "l,t,r,b".
std::wstring InkBox(HDC screen, HFONT font, const wchar_t* text, RECT rect, UINT format) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = rect.right;
    info.bmiHeader.biHeight = -rect.bottom;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    HGDIOBJ oldFont = SelectObject(dc, font);
    FillRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkMode(dc, TRANSPARENT);
    DrawTextW(dc, text, -1, &rect, format);
    GdiFlush();
    long left = rect.right, top = rect.bottom, right = 0, bottom = 0;
    const auto* pixels = static_cast<const DWORD*>(bits);
    for (long y = 0; y < rect.bottom; ++y) {
        for (long x = 0; x < rect.right; ++x) {
            if ((pixels[y * rect.right + x] & 0xFFFFFF) == 0xFFFFFF) continue;
            if (x < left) left = x;
            if (y < top) top = y;
            if (x + 1 > right) right = x + 1;
            if (y + 1 > bottom) bottom = y + 1;
        }
    }
    SelectObject(dc, oldFont);
    SelectObject(dc, oldBitmap);
    DeleteDC(dc);
    DeleteObject(bitmap);
    if (right == 0) return L"none";
    wchar_t box[96];
    std::swprintf(box, 96, L"%ld,%ld,%ld,%ld", left, top, right, bottom);
    return box;
}

// The control's own font cannot be used from here: Wine answers a WM_GETFONT sent from
// another process with no font, and GDI handles are per process anyway. So the text is
// measured in a font made from the values the layout declares, on a screen DC (the DPI
// the program sizes its fonts and controls by); a test compares the result with a
// screenshot of what the control really drew.
int TextSize(HWND control, const wchar_t* face, int hundredths, bool underline, int charset) {
    if (!IsWindow(control)) return NoWindow();
    wchar_t text[1024] = L"";
    InternalGetWindowText(control, text, 1024);
    RECT client{};
    GetClientRect(control, &client);

    HDC dc = GetDC(nullptr);
    LOGFONTW lf{};
    lf.lfHeight = -MulDiv(hundredths, GetDeviceCaps(dc, LOGPIXELSY), 7200);
    lf.lfWeight = FW_NORMAL;
    lf.lfUnderline = underline ? TRUE : FALSE;
    lf.lfCharSet = static_cast<BYTE>(charset);
    lstrcpynW(lf.lfFaceName, face, LF_FACESIZE);
    HFONT font = CreateFontIndirectW(&lf);
    HGDIOBJ old = SelectObject(dc, font);

    wchar_t picked[LF_FACESIZE] = L"";
    GetTextFaceW(dc, LF_FACESIZE, picked);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SIZE single{};
    GetTextExtentPoint32W(dc, text, lstrlenW(text), &single);
    // What a left-aligned static control asks DrawText for.
    RECT wrapped{0, 0, client.right, 0};
    DrawTextW(dc, text, -1, &wrapped, DT_CALCRECT | DT_LEFT | DT_EXPANDTABS | DT_WORDBREAK);
    // Drawn with room to spare, so that nothing is cut off.
    const long spare = 2 * metrics.tmHeight;
    const std::wstring inkSingle =
        InkBox(dc, font, text, RECT{0, 0, single.cx + spare, single.cy + spare}, DT_LEFT | DT_EXPANDTABS);
    const std::wstring inkWrapped = InkBox(dc, font, text, RECT{0, 0, client.right, wrapped.bottom + spare},
                                           DT_LEFT | DT_EXPANDTABS | DT_WORDBREAK);

    SelectObject(dc, old);
    DeleteObject(font);
    ReleaseDC(nullptr, dc);

    const int line = metrics.tmHeight;
    wchar_t out[768];
    std::swprintf(out, 768,
                  L"face=%ls\tcharset=%d\tline=%d\tsingle=%ld,%ld\twrapped=%ld,%ld\tlines=%ld\tink_single=%ls\t"
                  L"ink_wrapped=%ls\tclient=%ld,%ld\tstyle=%ls",
                  picked, static_cast<int>(metrics.tmCharSet), line, single.cx, single.cy, wrapped.right,
                  wrapped.bottom, line > 0 ? (wrapped.bottom + line - 1) / line : 0L, inkSingle.c_str(),
                  inkWrapped.c_str(), client.right, client.bottom,
                  Hex(static_cast<ULONG>(GetWindowLongW(control, GWL_STYLE))).c_str());
    Print(out);
    return 0;
}

int Shortcut(const wchar_t* path) {
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
    IShellLinkW* link = nullptr;
    IPersistFile* file = nullptr;
    int result = 1;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&link))) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
        SUCCEEDED(file->Load(path, STGM_READ))) {
        wchar_t target[MAX_PATH] = L"", args[1024] = L"", icon[MAX_PATH] = L"";
        int index = 0;
        link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
        link->GetArguments(args, 1024);
        link->GetIconLocation(icon, MAX_PATH, &index);
        Print(L"target=" + std::wstring(target) + L"\targs=" + args + L"\ticon=" + icon + L"," +
              std::to_wstring(index));
        result = 0;
    }
    if (file) file->Release();
    if (link) link->Release();
    return result;
}

int Usage() {
    Print(L"usage: probe windows [all] | children HWND | cursor | screen | idle | setcursor X Y | foreground"
          L" | launch [--watch] CMDLINE | record TEXT... | host [--destroy] [--settle MS] [--timeout MS] CMDLINE"
          L" | controls HWND | focus HWND | click HWND | shortcut PATH"
          L" | launch-timed CMDLINE (window CLASS TEXT | pixel X Y RRGGBB | end)"
          L" | frames X Y MS | textsize HWND FACE HUNDREDTHS UNDERLINE CHARSET | send HWND MSG WPARAM LPARAM | hold PATH MS");
    return 2;
}

// A picture drawn for even a millisecond is seen: reading one pixel takes less.
int Frames(int x, int y, DWORD milliseconds) {
    HDC screen = GetDC(nullptr);
    LARGE_INTEGER start, now;
    QueryPerformanceCounter(&start);
    int last = -1;
    unsigned long changes = 0, skipped = 0, samples = 0;
    do {
        const COLORREF pixel = GetPixel(screen, x, y);
        QueryPerformanceCounter(&now);
        if (pixel == CLR_INVALID) continue;
        ++samples;
        const int number = (GetRValue(pixel) > 127 ? 1 : 0) | (GetGValue(pixel) > 127 ? 2 : 0) |
                           (GetBValue(pixel) > 127 ? 4 : 0);
        if (last >= 0 && number != last) {
            ++changes;
            skipped += static_cast<unsigned long>((number - last + 8) % 8 - 1);
        }
        last = number;
    } while (Milliseconds(start, now) < milliseconds);
    ReleaseDC(nullptr, screen);
    wchar_t line[128];
    std::swprintf(line, 128, L"changes=%lu\tskipped=%lu\tsamples=%lu", changes, skipped, samples);
    Print(line);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return Usage();
    const std::wstring command = argv[1];
    if (command == L"windows") {
        TopLevelScan scan{argc > 2 && std::wstring(argv[2]) == L"all"};
        EnumWindows(PrintTopLevel, reinterpret_cast<LPARAM>(&scan));
    } else if (command == L"children" && argc == 3) {
        PrintChildren(ParseWindow(argv[2]), 1);
    } else if (command == L"cursor") {
        CURSORINFO info{};
        info.cbSize = sizeof info;
        if (!GetCursorInfo(&info)) return 1;
        wchar_t line[128];
        std::swprintf(line, 128, L"flags=%lu\tshowing=%d\tx=%ld\ty=%ld", info.flags,
                      (info.flags & CURSOR_SHOWING) ? 1 : 0, info.ptScreenPos.x, info.ptScreenPos.y);
        Print(line);
    } else if (command == L"screen") {
        wchar_t line[128];
        const int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
        const int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
        std::swprintf(line, 128, L"rect=%d,%d,%d,%d", left, top, left + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                      top + GetSystemMetrics(SM_CYVIRTUALSCREEN));
        Print(line);
    } else if (command == L"idle") {
        // The session's idle clock, as a saver reads it.
        LASTINPUTINFO input{};
        input.cbSize = sizeof input;
        if (!GetLastInputInfo(&input)) return 1;
        wchar_t line[128];
        std::swprintf(line, 128, L"tick=%lu\tlastinput=%lu", GetTickCount(), input.dwTime);
        Print(line);
    } else if (command == L"setcursor" && argc == 4) {
        if (!SetCursorPos(_wtoi(argv[2]), _wtoi(argv[3]))) return 1;
    } else if (command == L"foreground") {
        const HWND window = GetForegroundWindow();
        if (window) Print(WindowLine(window, 0));
    } else if (command == L"launch" && argc == 3) {
        return Launch(argv[2], false);
    } else if (command == L"launch" && argc == 4 && std::wstring(argv[2]) == L"--watch") {
        return Launch(argv[3], true);
    } else if (command == L"record") {
        return Record(argc, argv);
    } else if (command == L"host" && argc >= 3) {
        bool destroy = false;
        DWORD settle = 1500, timeout = 20000;
        int i = 2;
        for (; i < argc - 1; ++i) {
            const std::wstring option = argv[i];
            if (option == L"--destroy") {
                destroy = true;
            } else if (option == L"--settle" && i + 1 < argc - 1) {
                settle = static_cast<DWORD>(_wtoi(argv[++i]));
            } else if (option == L"--timeout" && i + 1 < argc - 1) {
                timeout = static_cast<DWORD>(_wtoi(argv[++i]));
            } else {
                return Usage();
            }
        }
        return Host(argv[argc - 1], destroy, settle, timeout);
    } else if (command == L"controls" && argc == 3) {
        return Controls(ParseWindow(argv[2]));
    } else if (command == L"focus" && argc == 3) {
        return Focus(ParseWindow(argv[2]));
    } else if (command == L"click" && argc == 3) {
        return Click(ParseWindow(argv[2]));
    } else if (command == L"send") {
        return Send(argc, argv);
    } else if (command == L"hold" && argc == 4) {
        return Hold(argv[2], static_cast<DWORD>(_wtoi(argv[3])));
    } else if (command == L"shortcut" && argc == 3) {
        return Shortcut(argv[2]);
    } else if (command == L"launch-timed" && argc >= 4) {
        return LaunchTimed(argc, argv);
    } else if (command == L"frames" && argc == 5) {
        return Frames(_wtoi(argv[2]), _wtoi(argv[3]), static_cast<DWORD>(_wtoi(argv[4])));
    } else if (command == L"displaychange") {
        Print(L"result=" + std::to_wstring(ChangeDisplaySettingsExW(nullptr, nullptr, nullptr, 0, nullptr)));
        EnumDisplayMonitors(nullptr, nullptr, [](HMONITOR, HDC, LPRECT r, LPARAM) -> BOOL {
            Print(L"monitor=" + std::to_wstring(r->left) + L"," + std::to_wstring(r->top) + L"," +
                  std::to_wstring(r->right) + L"," + std::to_wstring(r->bottom));
            return TRUE;
        }, 0);
    } else if (command == L"textsize" && argc == 7) {
        return TextSize(ParseWindow(argv[2]), argv[3], _wtoi(argv[4]), _wtoi(argv[5]) != 0, _wtoi(argv[6]));
    } else {
        return Usage();
    }
    std::fflush(stdout);
    return 0;
}
