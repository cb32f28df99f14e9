// What a process holds of the system's objects, for leak tests: GDI objects
// and the windows of a thread.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstring>

// In a test body: skips the test, with the reason, when GDI objects cannot
// be counted in this process (count is what GdiObjects answered).
#define SKIP_WITHOUT_GDI_COUNT(count)                                                                   \
    do {                                                                                                \
        if ((count) == 0) GTEST_SKIP() << "GDI objects cannot be counted here: "                        \
                                       << test_support::GdiCountUnavailable();                           \
    } while (0)

namespace test_support {

// GDI objects of this process, counted where the platform lets a test count
// them:
// - the system's count (GetGuiResources), where it keeps one; Wine answers 0;
// - else the live entries of the process's GDI handle table. Wine keeps one
//   table of fixed 24-byte entries (a 64-bit object field first, whatever the
//   bitness) and points a process environment block at it: the process's own
//   in a 64-bit process, but in a 32-bit process under WoW64 only the 64-bit
//   block, whose thread block's address Wine stores in the 32-bit thread
//   block's GdiBatchCount field. Its gdi32 finds the table that way too.
// 0 when no count can be had; GdiCountUnavailable then says why, and a test
// that needs the count skips with that reason (SKIP_WITHOUT_GDI_COUNT).

namespace detail {

// The bytes [p, p + size) are committed and readable.
inline bool Readable(const void* p, size_t size) {
    auto at = static_cast<const uint8_t*>(p);
    const uint8_t* end = at + size;
    while (at < end) {
        MEMORY_BASIC_INFORMATION mbi{};
        if (!at || VirtualQuery(at, &mbi, sizeof mbi) != sizeof mbi || mbi.State != MEM_COMMIT) return false;
        const DWORD readable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                               PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
        if (!(mbi.Protect & readable) || (mbi.Protect & PAGE_GUARD)) return false;
        at = static_cast<const uint8_t*>(mbi.BaseAddress) + mbi.RegionSize;
    }
    return true;
}

template <class T>
bool ReadAt(const uint8_t* base, size_t offset, T& out) {
    if (!base || !Readable(base + offset, sizeof(T))) return false;
    memcpy(&out, base + offset, sizeof(T));
    return true;
}

constexpr size_t kTableEntries = 0x10000, kEntrySize = 24, kTypeOffset = 14;

inline const char*& Unavailable() {
    static const char* why = nullptr;
    return why;
}

// The GDI handle table, or null with the reason kept in Unavailable().
inline const uint8_t* GdiHandleTable() {
    using QueryProcess = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
    const auto query = reinterpret_cast<QueryProcess>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    if (!query) return Unavailable() = "ntdll has no NtQueryInformationProcess", nullptr;
    struct {
        void* reserved1;
        const uint8_t* peb;
        void* reserved2[4];
    } info{};
    if (query(GetCurrentProcess(), 0, &info, sizeof info, nullptr) != 0 || !info.peb)
        return Unavailable() = "the process environment block cannot be found", nullptr;
    const uint8_t* table = nullptr;
    ReadAt(info.peb, sizeof(void*) == 8 ? 0xF8 : 0x94, table);
    if (!table && sizeof(void*) == 4) {
        // WoW64: the 32-bit thread block's GdiBatchCount (0xF70) holds the
        // 64-bit thread block, whose Peb (0x60) has the table at 0xF8; all
        // of them lie below 4 GiB, where this process can read them.
        // The thread block's self pointer, read without NtCurrentTeb(), whose
        // constant-address read GCC takes for an out-of-bounds access here.
        const uint8_t* teb = nullptr;
#if defined(__i386__)
        __asm__("movl %%fs:0x18, %0" : "=r"(teb));
#endif
        uint32_t teb64 = 0, table64 = 0;
        uint64_t peb64 = 0;
        if (ReadAt(teb, 0xF70, teb64) && teb64 &&
            ReadAt(reinterpret_cast<const uint8_t*>(static_cast<uintptr_t>(teb64)), 0x60, peb64) && peb64 &&
            peb64 <= 0xFFFFFFFFu &&
            ReadAt(reinterpret_cast<const uint8_t*>(static_cast<uintptr_t>(peb64)), 0xF8, table64))
            table = reinterpret_cast<const uint8_t*>(static_cast<uintptr_t>(table64));
        if (!table) return Unavailable() = "32-bit process: no GDI handle table in its own or the 64-bit PEB", nullptr;
    }
    if (!table) return Unavailable() = "the PEB points to no GDI handle table", nullptr;
    if (!Readable(table, kTableEntries * kEntrySize))
        return Unavailable() = "the GDI handle table is not readable", nullptr;
    return table;
}

}  // namespace detail

inline DWORD GdiObjects() {
    if (const DWORD n = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)) return n;
    const uint8_t* table = detail::GdiHandleTable();
    if (!table) return 0;
    // A live entry has a non-zero type.
    DWORD n = 0;
    for (size_t i = 0; i < detail::kTableEntries; ++i) n += table[i * detail::kEntrySize + detail::kTypeOffset] != 0;
    if (!n) detail::Unavailable() = "the GDI handle table holds no live entry";
    return n;
}

// Why GdiObjects answered 0 (null while it counts).
inline const char* GdiCountUnavailable() {
    return detail::Unavailable() ? detail::Unavailable() : "GetGuiResources answers 0 and no table was read";
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
