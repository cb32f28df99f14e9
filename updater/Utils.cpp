#include "updater/Utils.h"

#include "framework/system/FileSystem.h"

std::wstring GetAppPath() {
    std::wstring path = ModuleFileName();
#ifdef _WIN32
    size_t cut = path.rfind(L'\\');
#else
    size_t cut = path.rfind(L'/');
#endif
    return cut == std::wstring::npos ? std::wstring() : path.substr(0, cut);
}
