// The one Windows-only piece of skin/data: the reader's message box.
#include <windows.h>

#include "skin/data/SkinMessage.h"

void DefaultSkinMessage(const std::wstring& text) {
    // The program's own name as caption, as the framework's message display does.
    wchar_t path[MAX_PATH] = {};
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring caption(path, n);
    size_t slash = caption.find_last_of(L"\\/");
    if (slash != std::wstring::npos) caption.erase(0, slash + 1);
    size_t dot = caption.find_last_of(L'.');
    if (dot != std::wstring::npos) caption.erase(dot);
    MessageBoxW(GetActiveWindow(), text.c_str(), caption.c_str(), MB_OK);
}
