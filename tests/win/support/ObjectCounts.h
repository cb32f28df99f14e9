// What a process holds of the system's objects, for leak tests: GDI objects
// and the windows of a thread.
#pragma once

#include <windows.h>

#include <cstdint>

namespace test_support {

// GDI objects of this process: the system's count where it keeps one; Wine
// answers 0 there, so then the live entries of the process's GDI handle table
// (the one the process environment block points to) are counted.
inline DWORD GdiObjects() {
    if (const DWORD n = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)) return n;
    using QueryProcess = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
    const auto query = reinterpret_cast<QueryProcess>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    if (!query) return 0;
    struct {
        void* reserved1;
        const uint8_t* peb;
        void* reserved2[4];
    } info{};
    if (query(GetCurrentProcess(), 0, &info, sizeof info, nullptr) != 0 || !info.peb) return 0;
    const auto* table = *reinterpret_cast<const uint8_t* const*>(info.peb + (sizeof(void*) == 8 ? 0xF8 : 0x94));
    if (!table) return 0;
    // Entries of 24 bytes; a live one has a non-zero type at byte 14.
    DWORD n = 0;
    for (size_t i = 0; i < 0x10000; ++i) n += table[i * 24 + 14] != 0;
    return n;
}

// Window enumeration callbacks are stdcall on i686, which a lambda is not.
inline BOOL CALLBACK CountOneWindow(HWND, LPARAM count) {
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}

inline BOOL CALLBACK CountWindowAndChildren(HWND top, LPARAM count) {
    ++*reinterpret_cast<int*>(count);
    EnumChildWindows(top, CountOneWindow, count);
    return TRUE;
}

// Every window of the current thread: its top-level windows and all their descendants.
inline int ThreadWindows() {
    int n = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountWindowAndChildren, reinterpret_cast<LPARAM>(&n));
    return n;
}

}  // namespace test_support
