// Stands in for the tool's main program: records beside itself that it was started.
#include <windows.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    wchar_t path[MAX_PATH] = {};
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir(path, n);
    dir = dir.substr(0, dir.find_last_of(L'\\') + 1);
    HANDLE f = CreateFileW((dir + L"main_started.txt").c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return 1;
    DWORD written = 0;
    WriteFile(f, "started\r\n", 9, &written, nullptr);
    CloseHandle(f);
    return 0;
}
