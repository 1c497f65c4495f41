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
//
// A window line is tab-separated key=value fields with the text last, so the text may
// hold anything but tabs and line breaks (those are printed as spaces). Output is UTF-8.
#include <windows.h>

#include <cstdio>
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

void Print(const std::wstring& text) {
    const std::string line = Utf8Line(text);
    std::fwrite(line.data(), 1, line.size(), stdout);
}

std::wstring Hex(unsigned long long value) {
    wchar_t buffer[24];
    std::swprintf(buffer, 24, L"0x%llx", value);
    return buffer;
}

std::wstring WindowLine(HWND window, int depth) {
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
                  L"visible=%d\tparent=%ls\towner=%ls\ttext=%ls",
                  Hex(reinterpret_cast<ULONG_PTR>(window)).c_str(), depth, pid, className, rect.left,
                  rect.top, rect.right, rect.bottom,
                  Hex(static_cast<ULONG>(GetWindowLongW(window, GWL_STYLE))).c_str(),
                  Hex(static_cast<ULONG>(GetWindowLongW(window, GWL_EXSTYLE))).c_str(),
                  IsWindowVisible(window) ? 1 : 0,
                  Hex(reinterpret_cast<ULONG_PTR>(GetAncestor(window, GA_PARENT))).c_str(),
                  Hex(reinterpret_cast<ULONG_PTR>(GetWindow(window, GW_OWNER))).c_str(), text);
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

int Launch(const std::wstring& commandLine, bool watchWindows) {
    static Watch watch{};
    if (watchWindows) EnumWindows(NoteWindow, reinterpret_cast<LPARAM>(&watch));
    watch.report = true;

    std::wstring buffer = commandLine;  // CreateProcessW may write into it
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        wchar_t line[64];
        std::swprintf(line, 64, L"error=%lu", GetLastError());
        Print(line);
        return 255;
    }
    CloseHandle(process.hThread);
    wchar_t line[64];
    std::swprintf(line, 64, L"pid=%lu", process.dwProcessId);
    Print(line);
    std::fflush(stdout);
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

int Usage() {
    Print(L"usage: probe windows [all] | children HWND | cursor | screen | setcursor X Y | foreground"
          L" | launch [--watch] CMDLINE | record TEXT...");
    return 2;
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
    } else {
        return Usage();
    }
    std::fflush(stdout);
    return 0;
}
