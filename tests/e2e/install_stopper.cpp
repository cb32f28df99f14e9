// Runs updater.exe as a debugger would, and ends it at one step of its
// install: the Nth debug line that begins with "updater: install:". A program
// writing a debug line is suspended until its debugger lets it go on, so the
// updater is ended exactly there, before it takes the next step. Nothing in
// the updater knows of this; it is how a crash or a power cut at that moment
// would look.
//   install_stopper EXE N
// Prints every debug line of the updater, then "stopped at: LINE" (exit 0),
// or "ended before step N" (exit 2) when the updater finished first.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string Utf8(const std::wstring& s) {
    int n = WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::wstring ReadDebugString(HANDLE process, const OUTPUT_DEBUG_STRING_INFO& info) {
    const SIZE_T units = info.nDebugStringLength;  // a WORD: bounded by its type
    if (info.fUnicode) {
        std::wstring text(units, L'\0');
        SIZE_T got = 0;
        ReadProcessMemory(process, info.lpDebugStringData, text.data(), units * sizeof(wchar_t), &got);
        text.resize(got / sizeof(wchar_t));
        return text.substr(0, text.find(L'\0'));
    }
    std::string bytes(units, '\0');
    SIZE_T got = 0;
    ReadProcessMemory(process, info.lpDebugStringData, bytes.data(), units, &got);
    bytes.resize(got);
    bytes = bytes.substr(0, bytes.find('\0'));
    int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), n);
    return text;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: install_stopper EXE N\n");
        return 64;
    }
    const std::wstring exe = argv[1];
    const int step = _wtoi(argv[2]);
    const std::wstring dir = exe.substr(0, exe.find_last_of(L'\\'));
    std::wstring command = L"\"" + exe + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, DEBUG_ONLY_THIS_PROCESS, nullptr,
                        dir.c_str(), &si, &pi)) {
        std::fprintf(stderr, "cannot start %s: %lu\n", Utf8(exe).c_str(), GetLastError());
        return 3;
    }
    const std::wstring marker = L"updater: install:";
    int seen = 0;
    bool stopped = false;
    for (;;) {
        DEBUG_EVENT ev{};
        // Bounded: a hung updater must not hang the test.
        if (!WaitForDebugEvent(&ev, 120000)) {
            TerminateProcess(pi.hProcess, 1);
            std::printf("no debug event for 120 s\n");
            return 4;
        }
        DWORD status = DBG_CONTINUE;
        switch (ev.dwDebugEventCode) {
            case CREATE_PROCESS_DEBUG_EVENT:
                if (ev.u.CreateProcessInfo.hFile) CloseHandle(ev.u.CreateProcessInfo.hFile);
                break;
            case LOAD_DLL_DEBUG_EVENT:
                if (ev.u.LoadDll.hFile) CloseHandle(ev.u.LoadDll.hFile);
                break;
            case EXCEPTION_DEBUG_EVENT:
                // Only the loader's breakpoint is the debugger's; everything else is the program's own.
                if (ev.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT)
                    status = DBG_EXCEPTION_NOT_HANDLED;
                break;
            case OUTPUT_DEBUG_STRING_EVENT: {
                std::wstring line = ReadDebugString(pi.hProcess, ev.u.DebugString);
                while (!line.empty() && (line.back() == L'\n' || line.back() == L'\r')) line.pop_back();
                std::printf("%s\n", Utf8(line).c_str());
                if (!stopped && line.compare(0, marker.size(), marker) == 0 && ++seen == step) {
                    // Still suspended in this very call: it ends without another step.
                    TerminateProcess(pi.hProcess, 9);
                    std::printf("stopped at: %s\n", Utf8(line).c_str());
                    stopped = true;
                }
                std::fflush(stdout);
                break;
            }
            default: break;
        }
        if (ev.dwDebugEventCode == EXIT_PROCESS_DEBUG_EVENT) {
            ContinueDebugEvent(ev.dwProcessId, ev.dwThreadId, status);
            break;
        }
        ContinueDebugEvent(ev.dwProcessId, ev.dwThreadId, status);
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    if (!stopped) {
        std::printf("ended before step %d\n", step);
        return 2;
    }
    return 0;
}
