#include "updater/Utils.h"

#include "framework/system/FileSystem.h"

std::string GetAppPath() {
    std::string path = ModuleFileNameAnsi();
#ifdef _WIN32
    size_t cut = path.rfind('\\');
#else
    size_t cut = path.rfind('/');
#endif
    return cut == std::string::npos ? std::string() : path.substr(0, cut);
}
