// What the end-to-end tests and the demo do to a running updater from outside.
// The updater is named by the full path of its executable, so only the process
// of this test's application folder answers, never a leftover of another run.
//   e2e_helper click-cancel EXE TIMEOUT_MS   press the window's Cancel button
//   e2e_helper window-info EXE TIMEOUT_MS    print the window's title, geometry and child controls
//   e2e_helper dismiss-error EXE TIMEOUT_MS  print the text of the updater's error box and press OK
//   e2e_helper close-window EXE TIMEOUT_MS   ask the updater's window to close
//   e2e_helper hold PATH MS                  keep PATH open without write sharing for MS
#include <windows.h>
// After windows.h, which it needs.
#include <tlhelp32.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::wstring Lower(std::wstring s) {
    CharLowerBuffW(s.data(), static_cast<DWORD>(s.size()));
    return s;
}

std::wstring FullPath(const wchar_t* path) {
    wchar_t buf[MAX_PATH * 2] = {};
    DWORD n = GetFullPathNameW(path, MAX_PATH * 2, buf, nullptr);
    return Lower(n ? std::wstring(buf, n) : std::wstring(path));
}

// Ids of the running processes whose image is exactly this file.
std::vector<DWORD> ProcessesOf(const std::wstring& exe) {
    std::vector<DWORD> ids;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE) return ids;
    PROCESSENTRY32W pe{};
    pe.dwSize = sizeof pe;
    for (BOOL ok = Process32FirstW(snap, &pe); ok; ok = Process32NextW(snap, &pe)) {
        HANDLE p = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pe.th32ProcessID);
        if (!p) continue;
        wchar_t image[MAX_PATH * 2] = {};
        DWORD size = MAX_PATH * 2;
        if (QueryFullProcessImageNameW(p, 0, image, &size) && Lower(std::wstring(image, size)) == exe)
            ids.push_back(pe.th32ProcessID);
        CloseHandle(p);
    }
    CloseHandle(snap);
    return ids;
}

struct WindowSearch {
    std::vector<DWORD> pids;
    bool errorBox;  // the "#32770" box rather than the main window
    HWND found = nullptr;
};

// The main window is visible and unowned; the error box is a visible "#32770" (owned by it).
BOOL CALLBACK MatchWindow(HWND w, LPARAM p) {
    auto* s = reinterpret_cast<WindowSearch*>(p);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    bool ours = false;
    for (DWORD id : s->pids) ours = ours || id == pid;
    if (!ours || !IsWindowVisible(w)) return TRUE;
    wchar_t cls[64] = {};
    GetClassNameW(w, cls, 64);
    bool box = std::wstring(cls) == L"#32770";
    if (box != s->errorBox || (!box && GetWindow(w, GW_OWNER))) return TRUE;
    s->found = w;
    return FALSE;
}

std::string Utf8(const std::wstring& s);

// Why a wait found nothing, for the test's failure message: no process of
// that image at all, or its top-level windows as they were last seen.
// A plain function: the callback must be stdcall, which a lambda is not in the i686 build.
BOOL CALLBACK PrintWindowOfPids(HWND w, LPARAM p) {
    const auto* pids = reinterpret_cast<const std::vector<DWORD>*>(p);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    for (DWORD id : *pids)
        if (id == pid) {
            wchar_t cls[64] = {};
            GetClassNameW(w, cls, 64);
            std::printf("window %s visible %d owner %p style %08lx\n", Utf8(cls).c_str(), IsWindowVisible(w) ? 1 : 0,
                        static_cast<void*>(GetWindow(w, GW_OWNER)),
                        static_cast<unsigned long>(GetWindowLongW(w, GWL_STYLE)));
        }
    return TRUE;
}

void DescribeMiss(const std::vector<DWORD>& pids) {
    if (pids.empty()) {
        std::printf("no process runs this program\n");
        return;
    }
    EnumWindows(PrintWindowOfPids, reinterpret_cast<LPARAM>(&pids));
}

// Exit codes of a wait that found nothing: 3 the program runs but shows no
// such window, 5 no process runs the program.
HWND WaitForWindow(const std::wstring& exe, DWORD timeoutMs, bool errorBox, int& miss) {
    for (DWORD start = GetTickCount();; Sleep(50)) {
        WindowSearch s{ProcessesOf(exe), errorBox};
        if (!s.pids.empty()) EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&s));
        if (s.found) return s.found;
        if (GetTickCount() - start > timeoutMs) {
            DescribeMiss(s.pids);
            miss = s.pids.empty() ? 5 : 3;
            return nullptr;
        }
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

BOOL CALLBACK PrintStatic(HWND child, LPARAM) {
    wchar_t cls[64] = {}, text[512] = {};
    GetClassNameW(child, cls, 64);
    GetWindowTextW(child, text, 512);
    if (std::wstring(cls) == L"Static" && text[0]) std::printf("%s\n", Utf8(text).c_str());
    return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) return 2;
    std::wstring cmd = argv[1];
    if (cmd == L"hold") {
        HANDLE f = CreateFileW(argv[2], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (f == INVALID_HANDLE_VALUE) return 3;
        std::printf("holding\n");
        std::fflush(stdout);
        Sleep(static_cast<DWORD>(_wtoi(argv[3])));
        CloseHandle(f);
        return 0;
    }
    std::wstring exe = FullPath(argv[2]);
    auto timeout = static_cast<DWORD>(_wtoi(argv[3]));
    int miss = 0;
    HWND w = WaitForWindow(exe, timeout, cmd == L"dismiss-error", miss);
    if (!w) return miss;
    if (cmd == L"click-cancel") {
        HWND button = nullptr;
        EnumChildWindows(w, FindCancel, reinterpret_cast<LPARAM>(&button));
        if (!button) return 4;
        PostMessageW(button, BM_CLICK, 0, 0);
        std::printf("clicked\n");
        return 0;
    }
    if (cmd == L"cursor-away") {
        // Off every window, so no control shows its hot state in a screenshot.
        SetCursorPos(0, 0);
        return 0;
    }
    if (cmd == L"close-window") {
        PostMessageW(w, WM_CLOSE, 0, 0);
        return 0;
    }
    if (cmd == L"dismiss-error") {
        EnumChildWindows(w, PrintStatic, 0);
        std::fflush(stdout);
        PostMessageW(w, WM_COMMAND, IDOK, 0);
        return 0;
    }
    if (cmd == L"window-info") {
        wchar_t title[256] = {};
        GetWindowTextW(w, title, 256);
        RECT c;
        GetClientRect(w, &c);
        RECT wr;
        GetWindowRect(w, &wr);
        LONG style = GetWindowLongW(w, GWL_STYLE);
        std::printf("title \"%s\"\nclient %ld %ld\nwindow %ld %ld %ld %ld\nstyle %08lx\n", Utf8(title).c_str(), c.right,
                    c.bottom, wr.left, wr.top, wr.right - wr.left, wr.bottom - wr.top,
                    static_cast<unsigned long>(style));
        EnumChildWindows(w, PrintChild, reinterpret_cast<LPARAM>(w));
        return 0;
    }
    return 2;
}
