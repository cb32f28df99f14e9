// What the end-to-end tests do to a running updater from outside:
//   e2e_helper click-cancel TIMEOUT_MS   press the window's Cancel button
//   e2e_helper hold PATH MS             keep PATH open without write sharing for MS
//   e2e_helper window-info TIMEOUT_MS   print the window's title, client size and child controls
//   e2e_helper dismiss-error TIMEOUT_MS print the text of the updater's error box and press OK
//   e2e_helper close-window TIMEOUT_MS  ask the updater's window to close
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

const wchar_t kTitle[] = L"Talvoria Pemrick - 自动更新";

HWND WaitForWindow(DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        HWND w = FindWindowW(nullptr, kTitle);
        if (w && IsWindowVisible(w)) return w;
        if (GetTickCount() - start > timeoutMs) return nullptr;
        Sleep(50);
    }
}

std::string Utf8(const std::wstring& s) {
    int n = WideCharToMultiByte(CP_UTF8, 0, s.c_str(), static_cast<int>(s.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, s.c_str(), static_cast<int>(s.size()), out.data(), n, nullptr, nullptr);
    return out;
}

BOOL CALLBACK PrintChild(HWND child, LPARAM parent) {
    wchar_t cls[128] = {}, text[256] = {};
    GetClassNameW(child, cls, 128);
    GetWindowTextW(child, text, 256);
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, reinterpret_cast<HWND>(parent), reinterpret_cast<POINT*>(&r), 2);
    std::printf("child %s \"%s\" %ld %ld %ld %ld\n", Utf8(cls).c_str(), Utf8(text).c_str(), r.left, r.top,
                r.right - r.left, r.bottom - r.top);
    return TRUE;
}

BOOL CALLBACK FindCancel(HWND child, LPARAM out) {
    wchar_t text[64] = {};
    GetWindowTextW(child, text, 64);
    if (std::wstring(text) == L"取消") {
        *reinterpret_cast<HWND*>(out) = child;
        return FALSE;
    }
    return TRUE;
}

struct ErrorBox {
    DWORD pid;
    HWND box;
};

BOOL CALLBACK FindErrorBox(HWND w, LPARAM p) {
    auto* find = reinterpret_cast<ErrorBox*>(p);
    wchar_t cls[64] = {};
    GetClassNameW(w, cls, 64);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid == find->pid && std::wstring(cls) == L"#32770" && IsWindowVisible(w)) {
        find->box = w;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK PrintStatic(HWND child, LPARAM) {
    wchar_t cls[64] = {}, text[512] = {};
    GetClassNameW(child, cls, 64);
    GetWindowTextW(child, text, 512);
    if (std::wstring(cls) == L"Static" && text[0]) std::printf("%s\n", Utf8(text).c_str());
    return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) return 2;
    std::wstring cmd = argv[1];
    if (cmd == L"click-cancel") {
        HWND w = WaitForWindow(static_cast<DWORD>(_wtoi(argv[2])));
        if (!w) return 3;
        HWND button = nullptr;
        EnumChildWindows(w, FindCancel, reinterpret_cast<LPARAM>(&button));
        if (!button) return 4;
        PostMessageW(button, BM_CLICK, 0, 0);
        std::printf("clicked\n");
        return 0;
    }
    if (cmd == L"hold" && argc >= 4) {
        HANDLE f = CreateFileW(argv[2], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (f == INVALID_HANDLE_VALUE) return 3;
        std::printf("holding\n");
        std::fflush(stdout);
        Sleep(static_cast<DWORD>(_wtoi(argv[3])));
        CloseHandle(f);
        return 0;
    }
    if (cmd == L"dismiss-error" || cmd == L"close-window") {
        DWORD timeout = static_cast<DWORD>(_wtoi(argv[2]));
        HWND w = WaitForWindow(timeout);
        if (!w) return 3;
        if (cmd == L"close-window") {
            PostMessageW(w, WM_CLOSE, 0, 0);
            return 0;
        }
        ErrorBox find{0, nullptr};
        GetWindowThreadProcessId(w, &find.pid);
        for (DWORD start = GetTickCount(); !find.box && GetTickCount() - start < timeout; Sleep(50))
            EnumWindows(FindErrorBox, reinterpret_cast<LPARAM>(&find));
        if (!find.box) return 4;
        EnumChildWindows(find.box, PrintStatic, 0);
        std::fflush(stdout);
        PostMessageW(find.box, WM_COMMAND, IDOK, 0);
        return 0;
    }
    if (cmd == L"window-info") {
        HWND w = WaitForWindow(static_cast<DWORD>(_wtoi(argv[2])));
        if (!w) return 3;
        wchar_t title[256] = {};
        GetWindowTextW(w, title, 256);
        RECT c;
        GetClientRect(w, &c);
        RECT wr;
        GetWindowRect(w, &wr);
        LONG style = GetWindowLongW(w, GWL_STYLE);
        std::printf("title \"%s\"\nclient %ld %ld\nwindow %ld %ld\nstyle %08lx\n", Utf8(title).c_str(), c.right,
                    c.bottom, wr.left, wr.top, static_cast<unsigned long>(style));
        EnumChildWindows(w, PrintChild, reinterpret_cast<LPARAM>(w));
        return 0;
    }
    return 2;
}
